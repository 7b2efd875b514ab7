#include "app/CommandLine.h"
#include "app/TavlinApp.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <cstdio>

namespace {

// A command: the command line needs no display, so it runs on a plain core application.
int runCommand(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVLIN_VERSION));
    // A command says itself, in one line, what it could not save.
    QLoggingCategory::setFilterRules(QStringLiteral("tavlin.settings.warning=false"));
    return tavlin::CommandLine(arguments, stdout, stderr).run();
}

} // namespace

int main(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    // Without a command the program is the tray item.
    return tavlin::CommandLine::wantsCommandLine(arguments) ? runCommand(argc, argv)
                                                            : tavlin::TavlinApp::run(argc, argv);
}
