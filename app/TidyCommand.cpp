#include "app/TidyCommand.h"

#include "tidy/DesktopAccess.h"
#include "tidy/TidyKeys.h"

namespace tavlin {

TidyCommand::TidyCommand(CoreServices& services, DesktopTidy* live)
    : m_services{*services.fileSystem, *services.settings, *services.clock, *services.contentTypes},
      m_runner(m_services), m_live(live)
{
}

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

    if (action == Action::Undo) {
        result.outLine((m_live ? m_live->undoFolder(*folder) : m_runner.undo(*folder)).toUtf8());
        return result;
    }
    if (action == Action::Tidy) {
        const TidyResult tidied = m_live ? m_live->tidyFolder(*folder) : m_runner.tidy(*folder);
        result.outLine(tidied.status.toUtf8());
        result.exitCode = tidied.listed ? CommandResult::Success : CommandResult::Failure;
        return result;
    }

    const auto candidates = m_runner.scan(*folder);
    if (!candidates) {
        result.errLine("tavlin: Couldn't read the Desktop");
        result.exitCode = CommandResult::Failure;
        return result;
    }
    if (action == Action::Pending) {
        result.outLine(QByteArray::number(qsizetype(candidates->size())));
        return result;
    }
    for (const TidyCandidate& candidate : *candidates)
        result.outLine(m_runner.categoryOf(candidate).toUtf8() + '\t' + candidate.name);
    return result;
}

} // namespace tavlin
