#include "app/CommandLine.h"
#include "app/RemoteClient.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("tavlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVLIN_VERSION));
}

// Without arguments: the tray program, once per session; a second launch hands over to the
// running one and opens nothing new.
int runWithoutArguments(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    nameApplication();
    if (tavlin::RemoteClient::activate())
        return 0;
    // Until the tray program starts here: the usage.
    return tavlin::CommandLine({QByteArray(argv[0]), QByteArrayLiteral("--help")}, stdout, stderr)
        .run();
}

// A command: the command line needs no display, so it runs on a plain core application.
int runCommand(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    QCoreApplication app(argc, argv);
    nameApplication();
    return tavlin::CommandLine(arguments, stdout, stderr).run();
}

} // namespace

int main(int argc, char** argv)
{
    return tavlin::CommandLine::wantsCommandLine(argc) ? runCommand(argc, argv)
                                                       : runWithoutArguments(argc, argv);
}
