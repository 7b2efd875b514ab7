#include "tidy/TidyRunner.h"

#include "tidy/ArchiveFiler.h"
#include "tidy/ArchivePaths.h"
#include "tidy/DesktopScanner.h"
#include "tidy/MoveLog.h"
#include "tidy/ResultText.h"
#include "tidy/TidyKeys.h"
#include "tidy/UndoRun.h"

namespace tavlin {

TidyRunner::TidyRunner(const TidyServices& services) : m_services(services) {}

qint64 TidyRunner::olderThanDays() const
{
    return m_services.settings.integer(TidyKeys::olderThanDays)
        .value_or(TidyKeys::defaultOlderThanDays);
}

std::optional<std::vector<TidyCandidate>> TidyRunner::scan(const QByteArray& desktop) const
{
    return scanDesktop(m_services.fileSystem, desktop, olderThanDays(), m_services.clock.now());
}

QString TidyRunner::categoryOf(const TidyCandidate& candidate) const
{
    return ArchiveFiler(m_services.fileSystem, m_services.contentTypes).categoryOf(candidate);
}

TidyResult TidyRunner::tidy(const QByteArray& desktop)
{
    const qint64 days = olderThanDays();
    const double now = m_services.clock.now();
    const std::optional<std::vector<TidyCandidate>> candidates =
        scanDesktop(m_services.fileSystem, desktop, days, now);
    if (!candidates)
        return {false, 0, ResultText::couldNotReadDesktop()};

    ArchiveFiler filer(m_services.fileSystem, m_services.contentTypes);
    const std::vector<MoveRecord> moves =
        filer.fileAll(*candidates, archiveRoot(desktop), monthFolderName(now));

    // The run's time, and the log when something moved (the previous one stays undoable
    // otherwise), in one write.
    SettingsStore::Changes changes;
    if (const QJsonValue date = SettingsStore::dateValue(m_services.clock.now());
        !date.isUndefined())
        changes.append({TidyKeys::lastTidyDate, date});
    if (!moves.empty())
        changes.append({TidyKeys::lastTidyMoves, MoveLog::toJson(moves)});
    m_services.settings.setValues(changes);
    if (moves.empty())
        return {true, 0, ResultText::nothingOlderThan(days)};
    return {true, int(moves.size()), ResultText::filed(qint64(moves.size()))};
}

QString TidyRunner::undo(const QByteArray& desktop)
{
    const UndoOutcome outcome =
        UndoRun::moveBack(m_services.fileSystem, MoveLog::read(m_services.settings));
    MoveLog::write(m_services.settings, outcome.failed);
    UndoRun::removeEmptyArchiveFolders(m_services.fileSystem, archiveRoot(desktop));
    return ResultText::restored(outcome.restored, outcome.missing, qint64(outcome.failed.size()));
}

} // namespace tavlin
