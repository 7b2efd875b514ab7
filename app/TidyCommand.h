#pragma once

#include "app/CommandResult.h"
#include "tidy/TidyRunner.h"
#include "tidy/TidyServices.h"

#include <QByteArray>
#include <optional>

namespace tavlin {

// The tidy, undo and pending commands as text and an exit code: the command line runs them
// itself when no Tavlin runs, and the running program runs them for it otherwise, so both
// print exactly the same. Exit codes: 0 when everything asked for was done, 1 when something
// could not be (each said on standard error), 2 for a folder that is never worked on.
class TidyCommand
{
public:
    enum class Action { Tidy, DryRun, Undo, Pending };

    // `services` must outlive this object and its copies.
    explicit TidyCommand(const TidyServices& services);

    // `desktop` as given (absolute), or the folder chosen in the tray menu when empty; nullopt
    // after saying why there is none.
    std::optional<QByteArray> folder(const QByteArray& desktop, CommandResult& result) const;

    // The whole command, here and now.
    CommandResult run(Action action, const QByteArray& desktop);

    // Pending and dry run on a folder from folder(): only reads.
    CommandResult inspect(Action action, const QByteArray& folder) const;

    static CommandResult report(const TidyResult& tidied);
    static CommandResult report(const UndoResult& undone);

    // One line per name whatever bytes it holds: newline, TAB and backslash are written as
    // "\n", "\t" and "\\".
    static QByteArray escapedName(const QByteArray& name);

private:
    TidyServices m_services;
    TidyRunner m_runner;
};

} // namespace tavlin
