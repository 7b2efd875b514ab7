#include "tidy/DesktopTidy.h"

#include "tidy/ArchivePaths.h"
#include "tidy/TidyKeys.h"

#include <limits>
#include <utility>

namespace tavlin {

DesktopTidy::DesktopTidy(const TidyServices& services, DesktopAccess& access,
                         FileManagerReveal* reveal, std::unique_ptr<DirectoryWatcher> watcher,
                         QObject* parent)
    : QObject(parent), m_services(services), m_runner(services), m_access(access), m_reveal(reveal),
      m_watcher(std::move(watcher))
{
    // Initial values come straight from the store: nothing is written back, nothing notified.
    m_olderThanDays = m_runner.olderThanDays();
    m_autoTidy = m_services.settings.boolean(TidyKeys::autoTidy);

    if (m_watcher)
        connect(m_watcher.get(), &DirectoryWatcher::changed, this, &DesktopTidy::onDesktopChanged);

    autoTidyIfDue();
    refreshPending();

    m_timer.setInterval(tickIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        autoTidyIfDue();
        refreshPending();
    });
    m_timer.start();
}

DesktopTidy::~DesktopTidy() = default;

void DesktopTidy::setOlderThanDays(qint64 days)
{
    m_services.settings.setInteger(TidyKeys::olderThanDays, days);
    if (m_olderThanDays != days) {
        m_olderThanDays = days;
        Q_EMIT olderThanDaysChanged();
    }
    refreshPending();
}

void DesktopTidy::setAutoTidy(bool on)
{
    m_services.settings.setBoolean(TidyKeys::autoTidy, on);
    if (m_autoTidy != on) {
        m_autoTidy = on;
        Q_EMIT autoTidyChanged();
    }
    if (on)
        autoTidyIfDue();
}

QVariant DesktopTidy::pendingCountVariant() const
{
    return m_pendingCount ? QVariant(*m_pendingCount) : QVariant();
}

void DesktopTidy::tidyNow()
{
    const std::optional<QByteArray> desktop = m_access.desktopFolder(true);
    if (desktop)
        tidyFolder(*desktop);
}

void DesktopTidy::tidyFolder(const QByteArray& desktop, std::function<void(const TidyResult&)> done)
{
    const std::optional<QByteArray> chosen = m_access.desktopFolder(false);
    if (chosen)
        startWatching(*chosen);
    // The counts after the run, taken on the worker too: a braced list runs left to right.
    runInBackground(
        [this, desktop, chosen] {
            return std::pair{m_runner.tidy(desktop), countsOf(chosen)};
        },
        [this, done](const std::pair<TidyResult, Counts>& run) {
            const auto& [result, counts] = run;
            setStatus(result.status);
            if (result.listed)
                flashFinished();
            applyCounts(counts);
            if (done)
                done(result);
        });
}

void DesktopTidy::undoLastTidy()
{
    const std::optional<QByteArray> desktop = m_access.desktopFolder(true);
    if (desktop)
        undoFolder(*desktop);
}

void DesktopTidy::undoFolder(const QByteArray& desktop, std::function<void(const UndoResult&)> done)
{
    const std::optional<QByteArray> chosen = m_access.desktopFolder(false);
    runInBackground(
        [this, desktop, chosen] {
            return std::pair{m_runner.undo(desktop), countsOf(chosen)};
        },
        [this, done](const std::pair<UndoResult, Counts>& run) {
            const auto& [result, counts] = run;
            // As a run on this thread would: the log's count, the pending count, the line.
            applyCounts(counts);
            setStatus(result.status);
            if (result.problem == RunProblem::None || result.problem == RunProblem::LogNotWritten)
                flashFinished();
            if (done)
                done(result);
        });
}

DesktopTidy::Counts DesktopTidy::countsOf(const std::optional<QByteArray>& chosen) const
{
    Counts counts;
    if (!chosen)
        return counts;
    counts.undo = m_runner.undoCount(*chosen);
    if (const auto candidates = m_runner.scan(*chosen))
        counts.pending = int(candidates->size());
    else
        counts.pending = -1;
    return counts;
}

void DesktopTidy::applyCounts(const Counts& counts)
{
    if (counts.undo)
        setUndoCount(*counts.undo);
    if (counts.pending)
        setPendingCount(*counts.pending < 0 ? std::nullopt : counts.pending);
}

void DesktopTidy::startJob()
{
    if (m_jobs++ == 0)
        Q_EMIT busyChanged();
}

void DesktopTidy::finishJob()
{
    if (--m_jobs == 0)
        Q_EMIT busyChanged();
}

void DesktopTidy::showArchive()
{
    const std::optional<QByteArray> desktop = m_access.desktopFolder(true);
    if (!desktop || !m_reveal)
        return;
    const QByteArray root = archiveRoot(*desktop);
    m_reveal->reveal(itemExists(m_services.fileSystem, root) ? root : *desktop);
}

void DesktopTidy::refreshPending()
{
    const std::optional<QByteArray> desktop = m_access.desktopFolder(false);
    if (!desktop)
        return;
    startWatching(*desktop);
    runInBackground([this, desktop] { return countsOf(desktop); },
                    [this](const Counts& counts) { applyCounts(counts); });
}

void DesktopTidy::autoTidyIfDue()
{
    if (!m_autoTidy || m_autoTidyQueued)
        return;
    const double last = m_services.settings.date(TidyKeys::lastTidyDate)
                            .value_or(-std::numeric_limits<double>::infinity());
    if (!(m_services.clock.now() - last > autoTidyAfterSeconds))
        return;
    const std::optional<QByteArray> desktop = m_access.desktopFolder(false);
    if (!desktop)
        return;
    // Until it has run and stamped its time, the schedule must not queue another.
    m_autoTidyQueued = true;
    tidyFolder(*desktop, [this](const TidyResult&) { m_autoTidyQueued = false; });
}

void DesktopTidy::startWatching(const QByteArray& desktop)
{
    // The first folder watched stays watched for the life of the process.
    if (m_watching || !m_watcher)
        return;
    m_watching = m_watcher->watch(desktop);
}

void DesktopTidy::onDesktopChanged()
{
    // One refresh per burst of changes, half a second after the first.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(debounceMs, this, [this] {
        m_refreshScheduled = false;
        refreshPending();
    });
}

void DesktopTidy::flashFinished()
{
    setJustFinished(true);
    // A second run within the flash does not extend it: the first reset still fires.
    QTimer::singleShot(finishedFlashMs, this, [this] { setJustFinished(false); });
}

void DesktopTidy::setStatus(const QString& status)
{
    if (m_status == status && !m_status.isNull())
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

void DesktopTidy::setPendingCount(std::optional<int> count)
{
    if (m_pendingCount == count)
        return;
    m_pendingCount = count;
    Q_EMIT pendingCountChanged();
}

void DesktopTidy::setUndoCount(int count)
{
    if (m_undoCount == count)
        return;
    m_undoCount = count;
    Q_EMIT undoCountChanged();
}

void DesktopTidy::setJustFinished(bool on)
{
    if (m_justFinished == on)
        return;
    m_justFinished = on;
    Q_EMIT justFinishedChanged();
}

} // namespace tavlin
