#include "app/CommandLine.h"
#include "app/TavlinApp.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Without arguments the program is the tray item.
    if (!tavlin::CommandLine::wantsCommandLine(argc))
        return tavlin::TavlinApp::run(argc, argv);

    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));

    // The command line needs no display, so it runs on a plain core application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVLIN_VERSION));
    return tavlin::CommandLine(arguments, stdout, stderr).run();
}
