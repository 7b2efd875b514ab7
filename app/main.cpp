#include "app/CommandLine.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));

    // The command line needs no display, so it runs on a plain core application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVLIN_VERSION));
    if (!tavlin::CommandLine::wantsCommandLine(argc))
        arguments.append(QByteArrayLiteral("--help"));
    return tavlin::CommandLine(arguments, stdout, stderr).run();
}
