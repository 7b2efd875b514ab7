#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <cstdio>

namespace tavlin {

// The tidy from a terminal, without any display: tidy, undo, pending, --help, --version.
// Arguments are raw bytes, so a Desktop path that is not valid UTF-8 works too.
class CommandLine
{
public:
    enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

    // Outputs are parameters so tests can run it in-process.
    CommandLine(QByteArrayList arguments, std::FILE* out, std::FILE* err);

    // True when the arguments name a command-line action (anything but an empty list).
    static bool wantsCommandLine(int argc);

    int run();

private:
    struct Options;
    int parse(Options& options);
    int usageError(const QByteArray& problem);
    void printUsage(std::FILE* stream);
    QByteArray absolute(const QByteArray& path) const;

    QByteArrayList m_arguments;
    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace tavlin
