#pragma once

#include "app/CommandResult.h"
#include "platform/PlatformFactory.h"
#include "tidy/DesktopTidy.h"
#include "tidy/TidyRunner.h"
#include "tidy/TidyServices.h"

#include <QByteArray>
#include <optional>

namespace tavlin {

// The tidy, undo and pending commands as text and an exit code: the command line runs them
// itself when no Tavlin runs, and the running program runs them for it otherwise, so both
// print exactly the same.
class TidyCommand
{
public:
    enum class Action { Tidy, DryRun, Undo, Pending };

    // `live` is the running program's tidy on the same services, or null on the command line;
    // with it, tidy and undo go through it so its counts, status and icon follow. `services`
    // must outlive this object.
    TidyCommand(CoreServices& services, DesktopTidy* live);

    // `desktop` is an absolute folder, or empty for the one chosen in the tray menu.
    CommandResult run(Action action, const QByteArray& desktop);

private:
    std::optional<QByteArray> folder(const QByteArray& desktop, CommandResult& result) const;

    TidyServices m_services;
    TidyRunner m_runner;
    DesktopTidy* m_live;
};

} // namespace tavlin
