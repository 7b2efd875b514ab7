#include "tidy/DesktopTidy.h"

#include "tidy/ArchivePaths.h"
#include "tidy/MoveLog.h"
#include "tidy/TidyKeys.h"

#include <limits>

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
    m_undoCount = MoveLog::storedCount(m_services.settings);

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

TidyResult DesktopTidy::tidyFolder(const QByteArray& desktop)
{
    const TidyResult result = tidy(desktop);
    refreshPending();
    return result;
}

TidyResult DesktopTidy::tidy(const QByteArray& desktop)
{
    const TidyResult result = m_runner.tidy(desktop);
    setStatus(result.status);
    if (!result.listed)
        return result;
    if (result.moved > 0)
        setUndoCount(MoveLog::storedCount(m_services.settings));
    flashFinished();
    return result;
}

void DesktopTidy::undoLastTidy()
{
    const std::optional<QByteArray> desktop = m_access.desktopFolder(true);
    if (desktop)
        undoFolder(*desktop);
}

QString DesktopTidy::undoFolder(const QByteArray& desktop)
{
    const QString result = m_runner.undo(desktop);
    setUndoCount(MoveLog::storedCount(m_services.settings));
    refreshPending();
    setStatus(result);
    flashFinished();
    return result;
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
    const auto candidates = m_runner.scan(*desktop);
    setPendingCount(candidates ? std::optional<int>(int(candidates->size())) : std::nullopt);
}

void DesktopTidy::autoTidyIfDue()
{
    if (!m_autoTidy)
        return;
    const double last = m_services.settings.date(TidyKeys::lastTidyDate)
                            .value_or(-std::numeric_limits<double>::infinity());
    if (!(m_services.clock.now() - last > autoTidyAfterSeconds))
        return;
    if (const std::optional<QByteArray> desktop = m_access.desktopFolder(false))
        tidy(*desktop);
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
