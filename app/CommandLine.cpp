#include "app/CommandLine.h"

#include "platform/PlatformFactory.h"
#include "tidy/DesktopAccess.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QDir>
#include <QFile>

namespace tavlin {

struct CommandLine::Options
{
    QByteArray command;
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

bool CommandLine::wantsCommandLine(int argc)
{
    return argc > 1;
}

void CommandLine::printUsage(std::FILE* stream)
{
    static const char usage[] =
        "Usage: tavlin [COMMAND] [OPTIONS]\n"
        "\n"
        "Tavlin keeps a screen you share or record tidy. Without a command it runs in the\n"
        "system tray. The commands below work without any display.\n"
        "\n"
        "Commands:\n"
        "  tidy [--desktop DIR] [--dry-run]  File old Desktop items into \"Tavlin Archive\"\n"
        "  undo [--desktop DIR]              Move the items of the last tidy back\n"
        "  pending [--desktop DIR]           Print how many items a tidy would file now\n"
        "\n"
        "Options:\n"
        "  --desktop DIR  Use DIR as the Desktop instead of the folder chosen in the tray menu\n"
        "  --dry-run      List what a tidy would file (category, TAB, name), changing nothing\n"
        "  -h, --help     Show this help\n"
        "  --version      Show the version\n";
    std::fputs(usage, stream);
    std::fflush(stream);
}

int CommandLine::usageError(const QByteArray& problem)
{
    writeLine(m_err, "tavlin: " + problem);
    writeLine(m_err,
              "Usage: tavlin tidy|undo|pending [--desktop DIR] [--dry-run]; see tavlin --help");
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
        } else {
            return usageError("unexpected argument '" + arg + "'");
        }
    }
    if (options.command.isEmpty())
        return usageError("no command given");
    if (options.command != "tidy" && options.command != "undo" && options.command != "pending")
        return usageError("unknown command '" + options.command + "'");
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

    CoreServices services = PlatformFactory::makeCoreServices();
    QByteArray desktop;
    if (!options.desktop.isEmpty()) {
        desktop = absolute(options.desktop);
    } else if (auto stored = DesktopAccess(*services.settings, *services.fileSystem, nullptr)
                                 .storedFolder()) {
        desktop = *stored;
    } else if (services.settings.get()->contains(TidyKeys::desktopBookmark)) {
        writeLine(m_err, "tavlin: the Desktop folder chosen earlier can no longer be opened; "
                         "pass --desktop DIR or choose it again from the tray menu");
        return Usage;
    } else {
        writeLine(m_err, "tavlin: no Desktop folder has been chosen yet; pass --desktop DIR "
                         "or choose it from the tray menu");
        return Usage;
    }

    TidyRunner runner(
        {*services.fileSystem, *services.settings, *services.clock, *services.contentTypes});
    if (options.command == "undo") {
        writeLine(m_out, runner.undo(desktop).toUtf8());
        return Success;
    }
    if (options.command == "tidy" && !options.dryRun) {
        const TidyResult result = runner.tidy(desktop);
        writeLine(m_out, result.status.toUtf8());
        return result.listed ? Success : Failure;
    }

    const auto candidates = runner.scan(desktop);
    if (!candidates) {
        writeLine(m_err, "tavlin: Couldn't read the Desktop");
        return Failure;
    }
    if (options.command == "pending") {
        writeLine(m_out, QByteArray::number(qsizetype(candidates->size())));
        return Success;
    }
    for (const TidyCandidate& candidate : *candidates)
        writeLine(m_out, runner.categoryOf(candidate).toUtf8() + '\t' + candidate.name);
    return Success;
}

} // namespace tavlin
