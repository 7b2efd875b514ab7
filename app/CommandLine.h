#pragma once

#include "app/CommandResult.h"

#include <QByteArray>
#include <QByteArrayList>
#include <cstdio>

namespace tavlin {

// The program from a terminal: tidy, undo, pending, cover, spotlight, --help, --version. The
// tidy commands go to the running program when one runs, so its menu follows and two tidies never
// overlap; otherwise they run here, without any display. Arguments are raw bytes, so a Desktop
// path that is not valid UTF-8 works too.
class CommandLine
{
public:
    using ExitCode = CommandResult::ExitCode;
    using enum CommandResult::ExitCode;

    // Outputs are parameters so tests can run it in-process.
    CommandLine(QByteArrayList arguments, std::FILE* out, std::FILE* err);

    // True when the arguments (the program's name first) name a command-line action. None, or
    // only the options every Qt program takes (-session ID from a session manager restoring the
    // desktop, -platform, -display …), start the tray program.
    static bool wantsCommandLine(const QByteArrayList& arguments);

    int run();

private:
    struct Options;
    int parse(Options& options);
    int usageError(const QByteArray& problem);
    int switchFeature(const Options& options);
    int tidyCommand(const Options& options);
    int print(const CommandResult& result);
    void printUsage(std::FILE* stream);
    QByteArray absolute(const QByteArray& path) const;

    QByteArrayList m_arguments;
    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace tavlin
