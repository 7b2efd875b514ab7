#pragma once

#include "platform/DirectoryWatcher.h"
#include "platform/FileManagerReveal.h"
#include "tidy/DesktopAccess.h"
#include "tidy/TidyRunner.h"
#include "tidy/TidyServices.h"
#include "tidy/WorkerThread.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace tavlin {

// The Desktop tidy as the menu sees it: its settings, the last result line, the live count of
// items a tidy would file, the hourly check for the daily automatic tidy, and the folder watcher
// that keeps the count current. Scans and moves run on one worker thread, so the menu, the hot
// keys and the overlays stay live; their results are applied here, in the order they finish.
class DesktopTidy : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        qint64 olderThanDays READ olderThanDays WRITE setOlderThanDays NOTIFY olderThanDaysChanged)
    Q_PROPERTY(bool autoTidy READ autoTidy WRITE setAutoTidy NOTIFY autoTidyChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QVariant pendingCount READ pendingCountVariant NOTIFY pendingCountChanged)
    Q_PROPERTY(int undoCount READ undoCount NOTIFY undoCountChanged)
    Q_PROPERTY(bool justFinished READ justFinished NOTIFY justFinishedChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

public:
    static constexpr int tickIntervalMs = 3600 * 1000;
    static constexpr int debounceMs = 500;
    static constexpr int finishedFlashMs = 1500;
    static constexpr double autoTidyAfterSeconds = 20.0 * 60.0 * 60.0;

    // `reveal` may be null where no file manager can be shown.
    DesktopTidy(const TidyServices& services, DesktopAccess& access, FileManagerReveal* reveal,
                std::unique_ptr<DirectoryWatcher> watcher, QObject* parent = nullptr);
    ~DesktopTidy() override;

    qint64 olderThanDays() const { return m_olderThanDays; }
    void setOlderThanDays(qint64 days);
    bool autoTidy() const { return m_autoTidy; }
    void setAutoTidy(bool on);
    QString status() const { return m_status; } // null until the first run
    std::optional<int> pendingCount() const { return m_pendingCount; }
    QVariant pendingCountVariant() const;
    int undoCount() const { return m_undoCount; }
    bool justFinished() const { return m_justFinished; }
    bool busy() const { return m_jobs > 0; } // work is queued or running on the worker

    // Menu actions: these may ask the user for the Desktop folder.
    void tidyNow();
    void undoLastTidy();
    void showArchive();

    // The same two runs on a folder the caller already has, never asking: the command line
    // through the running program. The state follows as it does for the menu; `done` gets the
    // result on this thread afterwards.
    void tidyFolder(const QByteArray& desktop, std::function<void(const TidyResult&)> done = {});
    void undoFolder(const QByteArray& desktop, std::function<void(const UndoResult&)> done = {});

    // Other work on the same worker, after whatever is queued: `work()` runs there, then
    // `done(result)` here.
    template <typename Work, typename Done> void runInBackground(Work work, Done done)
    {
        startJob();
        m_worker.run(this, work, [this, done](const auto& result) {
            done(result);
            finishJob();
        });
    }

    // Background work: never asks.
    void refreshPending();
    void autoTidyIfDue();

    const QTimer& hourlyTimer() const { return m_timer; }

Q_SIGNALS:
    void olderThanDaysChanged();
    void autoTidyChanged();
    void statusChanged();
    void pendingCountChanged();
    void undoCountChanged();
    void justFinishedChanged();
    void busyChanged();

private:
    // What a run leaves for the menu: the chosen Desktop's undo count and pending count.
    struct Counts
    {
        std::optional<int> undo;
        std::optional<int> pending;
    };
    Counts countsOf(const std::optional<QByteArray>& chosen) const;
    void applyCounts(const Counts& counts);
    void startJob();
    void finishJob();
    void startWatching(const QByteArray& desktop);
    void onDesktopChanged();
    void flashFinished();
    void setStatus(const QString& status);
    void setPendingCount(std::optional<int> count);
    void setUndoCount(int count);
    void setJustFinished(bool on);

    TidyServices m_services;
    TidyRunner m_runner;
    DesktopAccess& m_access;
    FileManagerReveal* m_reveal;
    std::unique_ptr<DirectoryWatcher> m_watcher;
    bool m_watching = false;
    bool m_refreshScheduled = false;
    bool m_autoTidyQueued = false;
    int m_jobs = 0;

    qint64 m_olderThanDays = 7;
    bool m_autoTidy = false;
    QString m_status;
    std::optional<int> m_pendingCount;
    int m_undoCount = 0;
    bool m_justFinished = false;
    QTimer m_timer;
    WorkerThread m_worker; // last: it stops first, before anything its jobs use
};

} // namespace tavlin
