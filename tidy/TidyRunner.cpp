#include "tidy/TidyRunner.h"

#include "platform/UserFolders.h"
#include "tidy/ArchiveFiler.h"
#include "tidy/ArchivePaths.h"
#include "tidy/DesktopScanner.h"
#include "tidy/FolderRules.h"
#include "tidy/MoveJournal.h"
#include "tidy/RecordScope.h"
#include "tidy/ResultText.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"
#include "tidy/UndoRun.h"

#include <QFile>
#include <algorithm>

namespace tavlin {

namespace {

const QByteArray lockName = "tidy.lock";

// A run that did not start, and why.
template <typename Result> Result refusedBy(const FolderCheck& check)
{
    Result result;
    result.problem = check.problem;
    result.status = check.status;
    result.detail = check.detail;
    return result;
}

} // namespace

// The log older versions kept in the settings. It belongs to the Desktop chosen in the tray
// menu; of its records, those that do not lead from that folder into its archive are refused.
struct TidyRunner::Legacy
{
    bool stored = false;
    std::vector<MoveRecord> mine;
    int refused = 0;
};

TidyRunner::TidyRunner(const TidyServices& services) : m_services(services) {}

qint64 TidyRunner::olderThanDays() const
{
    return m_services.settings.integer(TidyKeys::olderThanDays)
        .value_or(TidyKeys::defaultOlderThanDays);
}

FolderCheck TidyRunner::checkFolder(const QByteArray& desktop) const
{
    FolderCheck check;
    const std::optional<QByteArray> folder = m_services.fileSystem.canonicalPath(desktop);
    const std::optional<ItemStat> stat =
        folder ? m_services.fileSystem.stat(*folder) : std::optional<ItemStat>();
    const QString shown = QString::fromUtf8(desktop);
    if (!folder && m_services.fileSystem.existence(desktop) != Existence::Absent) {
        check.problem = RunProblem::Unreadable;
        check.status = ResultText::couldNotReadDesktop();
        check.detail = check.status + QStringLiteral(": ") + shown;
        return check;
    }
    if (!stat || stat->kind != ItemKind::Directory) {
        check.problem = RunProblem::NoSuchFolder;
        check.status = ResultText::noSuchFolder();
        check.detail = QStringLiteral("no such folder: ") + shown;
        return check;
    }
    const QByteArray home =
        m_services.fileSystem.canonicalPath(UserFolders::home()).value_or(UserFolders::home());
    if (const QString reason = FolderRules::refusal(*folder, home); !reason.isEmpty()) {
        check.problem = RunProblem::RefusedFolder;
        check.status = ResultText::refusedFolder(reason);
        check.detail = QStringLiteral("will not work on ") + shown + QStringLiteral(": it is ") +
                       reason + QStringLiteral("; give the Desktop folder itself");
        return check;
    }
    check.folder = *folder;
    return check;
}

std::optional<std::vector<TidyCandidate>> TidyRunner::scan(const QByteArray& desktop) const
{
    return scanDesktop(m_services.fileSystem, desktop, olderThanDays(), m_services.clock.now());
}

QString TidyRunner::categoryOf(const TidyCandidate& candidate) const
{
    return ArchiveFiler(m_services.fileSystem, m_services.contentTypes).categoryOf(candidate);
}

bool TidyRunner::isChosenDesktop(const QByteArray& desktop) const
{
    const std::optional<QString> stored = m_services.settings.string(TidyKeys::desktopBookmark);
    const std::optional<QByteArray> chosen = stored ? StoredPath::decode(*stored) : std::nullopt;
    return chosen && m_services.fileSystem.canonicalPath(*chosen) == desktop;
}

TidyRunner::Legacy TidyRunner::legacyRecords(const QByteArray& desktop) const
{
    Legacy legacy;
    legacy.stored =
        m_services.settings.contains(TidyKeys::lastTidyMoves) && isChosenDesktop(desktop);
    if (!legacy.stored)
        return legacy;
    RecordScope scope(m_services.fileSystem, desktop);
    for (const std::optional<MoveRecord>& record : MoveLog::read(m_services.settings)) {
        if (record && scope.resolve(*record))
            legacy.mine.push_back(*record);
        else if (record)
            ++legacy.refused;
    }
    return legacy;
}

void TidyRunner::recover(const QByteArray& desktop)
{
    // A tidy that was killed left its log under its running name. If it moved anything, that
    // log is the one to undo, as if the run had finished.
    StateFolder& state = m_services.state;
    const QByteArray running = MoveJournal::runningName(desktop);
    QByteArray data;
    if (state.read(running, data) != StateFolder::Read::Ok)
        return;
    const std::optional<Journal> journal = MoveJournal::parse(data);
    const bool moved =
        journal && std::any_of(journal->records.begin(), journal->records.end(), [&](auto& r) {
            return r.move && !r.failed &&
                   (r.settled || m_services.fileSystem.existence(r.move->to) == Existence::Exists);
        });
    if (moved)
        state.rename(running, MoveJournal::logName(desktop));
    else
        state.remove(running);
}

TidyRunner::Start TidyRunner::start(const QByteArray& desktop)
{
    Start start{nullptr, checkFolder(desktop)};
    FolderCheck& check = start.check;
    if (check.problem != RunProblem::None)
        return start;
    StateFolder& state = m_services.state;
    bool busy = false;
    start.lock = state.lock(lockName, lockWaitMs, busy);
    if (!start.lock) {
        check.problem = busy ? RunProblem::Busy : RunProblem::LogNotWritten;
        check.status = busy ? ResultText::busy() : ResultText::logNotWritten();
        check.detail = busy ? ResultText::busyDetail()
                            : ResultText::logNotWrittenDetail(state.pathOf(lockName));
        return start;
    }
    recover(check.folder);
    return start;
}

TidyResult TidyRunner::tidy(const QByteArray& desktop)
{
    const Start start = this->start(desktop);
    if (!start.lock)
        return refusedBy<TidyResult>(start.check);
    TidyResult result;
    const QByteArray& folder = start.check.folder;
    StateFolder& state = m_services.state;

    const qint64 days = olderThanDays();
    const double now = m_services.clock.now();
    const std::optional<std::vector<TidyCandidate>> candidates =
        scanDesktop(m_services.fileSystem, folder, days, now);
    if (!candidates) {
        result.problem = RunProblem::Unreadable;
        result.status = ResultText::couldNotReadDesktop();
        result.detail = result.status;
        return result;
    }
    result.listed = true;

    if (!candidates->empty()) {
        const QByteArray running = MoveJournal::runningName(folder);
        std::unique_ptr<AppendFile> log = state.create(running);
        FilingOutcome filed;
        if (log && log->append(MoveJournal::header(folder))) {
            ArchiveFiler filer(m_services.fileSystem, m_services.contentTypes);
            filed = filer.fileAll(*candidates, archiveRoot(folder), monthFolderName(now), *log);
        } else {
            filed.logFailed = true;
            filed.notFiled = int(candidates->size());
        }
        // The previous log is replaced only by a run that moved something. Should the rename
        // not last, the next run finds the log under its running name and takes it.
        if (!filed.moves.empty())
            state.rename(running, MoveJournal::logName(folder));
        else
            state.remove(running);
        result.moved = int(filed.moves.size());
        result.notFiled = filed.notFiled;
        if (filed.logFailed) {
            result.problem = RunProblem::LogNotWritten;
            result.detail = ResultText::logNotWrittenDetail(state.pathOf(running));
        }
    }
    if (result.problem == RunProblem::LogNotWritten && result.moved == 0) {
        // Nothing moved: the earlier log stays undoable and the daily tidy tries again.
        result.status = ResultText::logNotWritten();
        return result;
    }

    // The run's time belongs to the chosen Desktop only, and so does an older version's log,
    // which this run's log replaces like any other.
    SettingsStore::Changes changes;
    if (isChosenDesktop(folder)) {
        if (const QJsonValue date = SettingsStore::dateValue(m_services.clock.now());
            !date.isUndefined())
            changes.append({TidyKeys::lastTidyDate, date});
        if (result.moved > 0 && m_services.settings.contains(TidyKeys::lastTidyMoves))
            changes.append({TidyKeys::lastTidyMoves, QJsonValue(QJsonValue::Undefined)});
    }
    if (!changes.isEmpty())
        result.settingsSaved = m_services.settings.setValues(changes);
    result.status =
        result.moved > 0 ? ResultText::filed(result.moved) : ResultText::nothingOlderThan(days);
    return result;
}

UndoResult TidyRunner::undo(const QByteArray& desktop)
{
    const Start start = this->start(desktop);
    if (!start.lock)
        return refusedBy<UndoResult>(start.check);
    UndoResult result;
    const QByteArray& folder = start.check.folder;
    StateFolder& state = m_services.state;

    const QByteArray logName = MoveJournal::logName(folder);
    QByteArray data;
    std::vector<JournalRecord> records;
    switch (state.read(logName, data)) {
    case StateFolder::Read::Ok:
        if (std::optional<Journal> journal = MoveJournal::parse(data);
            journal && journal->desktop == folder)
            records = std::move(journal->records);
        break;
    case StateFolder::Read::Absent:
        // The first undo since an upgrade: the old log becomes this folder's own log before
        // anything moves, and leaves the settings.
        if (const Legacy legacy = legacyRecords(folder); legacy.stored) {
            if (!legacy.mine.empty() &&
                !state.replace(logName, MoveJournal::compact(folder, legacy.mine))) {
                result.problem = RunProblem::LogNotWritten;
                result.status = ResultText::logNotWritten();
                result.detail = ResultText::logNotWrittenDetail(state.pathOf(logName));
                return result;
            }
            result.settingsSaved = m_services.settings.setValue(TidyKeys::lastTidyMoves,
                                                                QJsonValue(QJsonValue::Undefined));
            result.refused = legacy.refused;
            for (const MoveRecord& record : legacy.mine)
                records.push_back({record, true, false, std::nullopt});
        }
        break;
    case StateFolder::Read::Failed:
        result.problem = RunProblem::LogNotWritten;
        result.status = ResultText::logNotRead();
        result.detail = ResultText::logNotReadDetail(state.pathOf(logName));
        return result;
    }

    const std::unique_ptr<AppendFile> log = state.openForAppend(logName);
    const UndoOutcome outcome =
        UndoRun::moveBack(m_services.fileSystem, folder, records, log.get());
    if (!state.replace(logName, MoveJournal::compact(folder, outcome.failed))) {
        result.problem = RunProblem::LogNotWritten;
        result.detail = ResultText::logNotWrittenDetail(state.pathOf(logName));
    }
    UndoRun::removeEmptyArchiveFolders(m_services.fileSystem, archiveRoot(folder));
    result.restored = outcome.restored;
    result.missing = outcome.missing;
    result.failed = int(outcome.failed.size());
    result.refused += outcome.refused;
    result.status =
        ResultText::restored(result.restored, result.missing, result.failed, result.refused);
    return result;
}

int TidyRunner::undoCount(const QByteArray& desktop) const
{
    const std::optional<QByteArray> folder = m_services.fileSystem.canonicalPath(desktop);
    if (!folder)
        return 0;
    const StateFolder& state = m_services.state;
    QByteArray data;
    // A killed tidy's log first: the next undo takes it back.
    for (const QByteArray& name :
         {MoveJournal::runningName(*folder), MoveJournal::logName(*folder)}) {
        const StateFolder::Read read = state.read(name, data);
        if (read == StateFolder::Read::Absent)
            continue;
        const std::optional<Journal> journal =
            read == StateFolder::Read::Ok ? MoveJournal::parse(data) : std::nullopt;
        if (!journal)
            return 0;
        return int(std::count_if(journal->records.begin(), journal->records.end(),
                                 [](const JournalRecord& r) { return r.move && !r.failed; }));
    }
    return int(legacyRecords(*folder).mine.size());
}

} // namespace tavlin
