#include "app/CommandLine.h"

#include "app/RemoteClient.h"
#include "app/TidyCommand.h"
#include "platform/PlatformFactory.h"

#include <QDir>
#include <QFile>

namespace tavlin {

struct CommandLine::Options
{
    QByteArray command;
    QByteArray action; // of cover and spotlight
    QByteArray desktop;
    bool dryRun = false;
};

namespace {

void writeLine(std::FILE* stream, const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

CommandLine::CommandLine(QByteArrayList arguments, std::FILE* out, std::FILE* err)
    : m_arguments(std::move(arguments)), m_out(out), m_err(err)
{
}

namespace {

bool isSwitch(const QByteArray& command)
{
    return command == "cover" || command == "spotlight";
}

} // namespace

bool CommandLine::wantsCommandLine(const QByteArrayList& arguments)
{
    // Qt's own options, each with the value it needs, in Qt's spellings: one or two dashes,
    // the value after a space or an "=".
    static const QByteArrayList withValue = {
        "platform",        "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
        "display",         "geometry",           "title",         "name",
        "style",           "stylesheet",         "qmljsdebugger"};
    static const QByteArrayList alone = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QByteArray option = arguments[i];
        if (!option.startsWith('-'))
            return true;
        option = option.mid(option.startsWith("--") ? 2 : 1);
        const qsizetype equals = option.indexOf('=');
        if (alone.contains(option) || (equals > 0 && withValue.contains(option.left(equals))))
            continue;
        if (!withValue.contains(option) || ++i >= arguments.size())
            return true;
    }
    return false;
}

void CommandLine::printUsage(std::FILE* stream)
{
    static const char usage[] =
        "Usage: tavlin [COMMAND] [OPTIONS]\n"
        "\n"
        "Tavlin keeps a screen you share or record tidy. Without a command it runs in the\n"
        "system tray. tidy, undo and pending work without any display; while Tavlin runs,\n"
        "it carries them out, so its menu follows. cover and spotlight switch the running\n"
        "Tavlin: on and off fade as the menu does, toggle switches at once like the hot\n"
        "keys. Bind them to your desktop's own shortcuts where the hot keys cannot work.\n"
        "\n"
        "Commands:\n"
        "  tidy [--desktop DIR] [--dry-run]  File old Desktop items into \"Tavlin Archive\"\n"
        "  undo [--desktop DIR]              Move the items of the last tidy back\n"
        "  pending [--desktop DIR]           Print how many items a tidy would file now\n"
        "  cover on|off|toggle               Hide or show the desktop icons; print the state\n"
        "  spotlight on|off|toggle           Switch spotlight mode; print the state\n"
        "\n"
        "Options:\n"
        "  --desktop DIR  Use DIR as the Desktop instead of the folder chosen in the tray menu\n"
        "  --dry-run      List what a tidy would file (category, TAB, name), changing nothing;\n"
        "                 a newline, TAB or backslash in a name is written as \\n, \\t or \\\\\n"
        "  -h, --help     Show this help\n"
        "  --version      Show the version\n"
        "\n"
        "Exit status: 0 when everything asked for was done, 1 when something was not (a\n"
        "folder that does not exist or cannot be read, items that could not be filed or moved\n"
        "back, another tidy still running after 5 seconds), 2 for a usage error or a folder\n"
        "that is never tidied: /, your home folder itself, or one inside a Tavlin Archive.\n";
    std::fputs(usage, stream);
    std::fflush(stream);
}

int CommandLine::usageError(const QByteArray& problem)
{
    writeLine(m_err, "tavlin: " + problem);
    writeLine(m_err, "Usage: tavlin tidy|undo|pending [--desktop DIR] [--dry-run], or tavlin "
                     "cover|spotlight on|off|toggle; see tavlin --help");
    return Usage;
}

int CommandLine::parse(Options& options)
{
    for (qsizetype i = 1; i < m_arguments.size(); ++i) {
        const QByteArray& arg = m_arguments[i];
        if (arg == "-h" || arg == "--help") {
            options.command = "help";
            return Success;
        }
        if (arg == "--version") {
            options.command = "version";
            return Success;
        }
        if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--desktop" || arg.startsWith("--desktop=")) {
            if (!options.desktop.isEmpty())
                return usageError("--desktop given twice");
            if (arg == "--desktop") {
                if (++i >= m_arguments.size())
                    return usageError("--desktop needs a folder");
                options.desktop = m_arguments[i];
            } else {
                options.desktop = arg.mid(int(sizeof "--desktop=") - 1);
            }
            if (options.desktop.isEmpty())
                return usageError("--desktop needs a folder");
        } else if (arg.startsWith('-')) {
            return usageError("unknown option '" + arg + "'");
        } else if (options.command.isEmpty()) {
            options.command = arg;
        } else if (isSwitch(options.command) && options.action.isEmpty()) {
            options.action = arg;
        } else {
            return usageError("unexpected argument '" + arg + "'");
        }
    }
    if (options.command.isEmpty())
        return usageError("no command given");
    if (isSwitch(options.command)) {
        if (options.action.isEmpty())
            return usageError(options.command + " needs on, off or toggle");
        if (options.action != "on" && options.action != "off" && options.action != "toggle")
            return usageError("unknown action '" + options.action + "' for " + options.command +
                              "; use on, off or toggle");
        if (!options.desktop.isEmpty())
            return usageError("--desktop goes with tidy, undo and pending only");
    } else if (options.command != "tidy" && options.command != "undo" &&
               options.command != "pending") {
        return usageError("unknown command '" + options.command + "'");
    }
    if (options.dryRun && options.command != "tidy")
        return usageError("--dry-run goes with tidy only");
    return Success;
}

QByteArray CommandLine::absolute(const QByteArray& path) const
{
    if (path.startsWith('/'))
        return path;
    return QFile::encodeName(QDir::currentPath()) + '/' + path;
}

int CommandLine::run()
{
    Options options;
    if (const int status = parse(options); status != Success)
        return status;
    if (options.command == "help") {
        printUsage(m_out);
        return Success;
    }
    if (options.command == "version") {
        writeLine(m_out, "tavlin " TAVLIN_VERSION);
        return Success;
    }

    if (isSwitch(options.command))
        return switchFeature(options);
    return tidyCommand(options);
}

int CommandLine::switchFeature(const Options& options)
{
    const QString action = QString::fromLatin1(options.action);
    const std::optional<CommandResult> result = options.command == "cover"
                                                    ? RemoteClient::setCover(action)
                                                    : RemoteClient::setSpotlight(action);
    if (!result) {
        writeLine(m_err, "tavlin: no running Tavlin to switch; start it first with `tavlin`");
        return Failure;
    }
    return print(*result);
}

int CommandLine::tidyCommand(const Options& options)
{
    const QByteArray desktop = options.desktop.isEmpty() ? QByteArray() : absolute(options.desktop);
    std::optional<CommandResult> result;
    TidyCommand::Action action = TidyCommand::Action::Pending;
    if (options.command == "tidy") {
        action = options.dryRun ? TidyCommand::Action::DryRun : TidyCommand::Action::Tidy;
        result = RemoteClient::tidy(desktop, options.dryRun);
    } else if (options.command == "undo") {
        action = TidyCommand::Action::Undo;
        result = RemoteClient::undo(desktop);
    } else {
        result = RemoteClient::pending(desktop);
    }
    if (!result) {
        // No running program: the same work here, on this process's own services.
        CoreServices services = PlatformFactory::makeCoreServices();
        const TidyServices tidy{*services.fileSystem, *services.settings, *services.clock,
                                *services.contentTypes, *services.state};
        result = TidyCommand(tidy).run(action, desktop);
    }
    return print(*result);
}

int CommandLine::print(const CommandResult& result)
{
    std::fwrite(result.out.constData(), 1, size_t(result.out.size()), m_out);
    std::fflush(m_out);
    std::fwrite(result.err.constData(), 1, size_t(result.err.size()), m_err);
    std::fflush(m_err);
    return result.exitCode;
}

} // namespace tavlin
