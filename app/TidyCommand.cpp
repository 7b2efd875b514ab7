#include "app/TidyCommand.h"

#include "tidy/DesktopAccess.h"
#include "tidy/TidyKeys.h"

namespace tavlin {

namespace {

void problemLine(CommandResult& result, RunProblem problem, const QString& detail)
{
    result.exitCode =
        problem == RunProblem::RefusedFolder ? CommandResult::Usage : CommandResult::Failure;
    result.errLine("tavlin: " + detail.toUtf8());
}

QByteArray items(int count)
{
    return QByteArray::number(count) + (count == 1 ? " item" : " items");
}

const char settingsNotSaved[] = "tavlin: the settings file could not be saved";

} // namespace

TidyCommand::TidyCommand(const TidyServices& services) : m_services(services), m_runner(services) {}

std::optional<QByteArray> TidyCommand::folder(const QByteArray& desktop,
                                              CommandResult& result) const
{
    if (!desktop.isEmpty())
        return desktop;
    // Never asks: a terminal has no dialog to answer, and the running program must not open
    // one for a caller that waits.
    if (auto stored =
            DesktopAccess(m_services.settings, m_services.fileSystem, nullptr).storedFolder())
        return stored;
    result.exitCode = CommandResult::Usage;
    if (m_services.settings.contains(TidyKeys::desktopBookmark))
        result.errLine("tavlin: the Desktop folder chosen earlier can no longer be opened; "
                       "pass --desktop DIR or choose it again from the tray menu");
    else
        result.errLine("tavlin: no Desktop folder has been chosen yet; pass --desktop DIR "
                       "or choose it from the tray menu");
    return std::nullopt;
}

CommandResult TidyCommand::run(Action action, const QByteArray& desktop)
{
    CommandResult result;
    const std::optional<QByteArray> folder = this->folder(desktop, result);
    if (!folder)
        return result;
    switch (action) {
    case Action::Tidy:
        return report(m_runner.tidy(*folder));
    case Action::Undo:
        return report(m_runner.undo(*folder));
    case Action::DryRun:
    case Action::Pending:
        break;
    }
    return inspect(action, *folder);
}

CommandResult TidyCommand::inspect(Action action, const QByteArray& folder) const
{
    CommandResult result;
    const FolderCheck check = m_runner.checkFolder(folder);
    if (check.problem != RunProblem::None) {
        problemLine(result, check.problem, check.detail);
        return result;
    }
    const auto candidates = m_runner.scan(check.folder);
    if (!candidates) {
        problemLine(result, RunProblem::Unreadable, QStringLiteral("Couldn't read the Desktop"));
        return result;
    }
    if (action == Action::Pending) {
        result.outLine(QByteArray::number(qsizetype(candidates->size())));
        return result;
    }
    for (const TidyCandidate& candidate : *candidates)
        result.outLine(m_runner.categoryOf(candidate).toUtf8() + '\t' +
                       escapedName(candidate.name));
    return result;
}

CommandResult TidyCommand::report(const TidyResult& tidied)
{
    CommandResult result;
    if (!tidied.listed) {
        problemLine(result, tidied.problem, tidied.detail);
        return result;
    }
    if (tidied.problem == RunProblem::LogNotWritten && tidied.moved == 0) {
        problemLine(result, tidied.problem, tidied.detail + QStringLiteral("; nothing was moved"));
        return result;
    }
    result.outLine(tidied.status.toUtf8());
    if (tidied.problem != RunProblem::None)
        problemLine(result, tidied.problem, tidied.detail);
    if (tidied.notFiled > 0) {
        result.exitCode = CommandResult::Failure;
        result.errLine("tavlin: " + items(tidied.notFiled) + " could not be filed");
    }
    if (!tidied.settingsSaved) {
        result.exitCode = CommandResult::Failure;
        result.errLine(QByteArray(settingsNotSaved) + "; the time of this tidy was not recorded");
    }
    return result;
}

CommandResult TidyCommand::report(const UndoResult& undone)
{
    CommandResult result;
    const RunProblem problem = undone.problem;
    if (problem != RunProblem::None && problem != RunProblem::LogNotWritten) {
        problemLine(result, problem, undone.detail);
        return result;
    }
    if (undone.status.startsWith(QStringLiteral("Restored")))
        result.outLine(undone.status.toUtf8());
    if (problem == RunProblem::LogNotWritten)
        problemLine(result, problem, undone.detail);
    if (undone.failed > 0) {
        result.exitCode = CommandResult::Failure;
        result.errLine("tavlin: " + items(undone.failed) + " couldn't be moved back");
    }
    if (undone.refused > 0) {
        result.exitCode = CommandResult::Failure;
        result.errLine("tavlin: " + QByteArray::number(undone.refused) +
                       " logged moves were refused: they do not lead from this Desktop into "
                       "its archive");
    }
    if (!undone.settingsSaved) {
        result.exitCode = CommandResult::Failure;
        result.errLine(settingsNotSaved);
    }
    return result;
}

QByteArray TidyCommand::escapedName(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size());
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

} // namespace tavlin
