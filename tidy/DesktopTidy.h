#pragma once

#include "platform/DirectoryWatcher.h"
#include "platform/FileManagerReveal.h"
#include "tidy/DesktopAccess.h"
#include "tidy/TidyRunner.h"
#include "tidy/TidyServices.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <memory>
#include <optional>

namespace tavlin {

// The Desktop tidy as the menu sees it: its settings, the last result line, the live count of
// items a tidy would file, the hourly check for the daily automatic tidy, and the folder watcher
// that keeps the count current.
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

public:
    static constexpr int tickIntervalMs = 3600 * 1000;
    static constexpr int debounceMs = 500;
    static constexpr int finishedFlashMs = 1500;
    static constexpr double autoTidyAfterSeconds = 20.0 * 60.0 * 60.0;

    // `reveal` may be null where no file manager can be shown.
    DesktopTidy(const TidyServices& services, DesktopAccess& access, FileManagerReveal* reveal,
                std::unique_ptr<DirectoryWatcher> watcher, QObject* parent = nullptr);

    qint64 olderThanDays() const { return m_olderThanDays; }
    void setOlderThanDays(qint64 days);
    bool autoTidy() const { return m_autoTidy; }
    void setAutoTidy(bool on);
    QString status() const { return m_status; } // null until the first run
    std::optional<int> pendingCount() const { return m_pendingCount; }
    QVariant pendingCountVariant() const;
    int undoCount() const { return m_undoCount; }
    bool justFinished() const { return m_justFinished; }

    // Menu actions: these may ask the user for the Desktop folder.
    void tidyNow();
    void undoLastTidy();
    void showArchive();

    // The same two runs on a folder the caller already has, never asking: the command line
    // through the running program. The state follows as it does for the menu.
    TidyResult tidyFolder(const QByteArray& desktop);
    QString undoFolder(const QByteArray& desktop);

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

private:
    TidyResult tidy(const QByteArray& desktop);
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

    qint64 m_olderThanDays = 7;
    bool m_autoTidy = false;
    QString m_status;
    std::optional<int> m_pendingCount;
    int m_undoCount = 0;
    bool m_justFinished = false;
    QTimer m_timer;
};

} // namespace tavlin
