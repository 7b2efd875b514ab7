#pragma once

#include <QByteArray>

namespace tavlin {

// What one command prints and how it exits, whichever process carried it out.
struct CommandResult
{
    enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

    int exitCode = Success;
    QByteArray out; // raw bytes: names on the Desktop need not be UTF-8
    QByteArray err;

    void outLine(const QByteArray& line) { out += line + '\n'; }
    void errLine(const QByteArray& line) { err += line + '\n'; }
};

} // namespace tavlin
