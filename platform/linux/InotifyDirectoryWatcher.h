#pragma once

#include "platform/DirectoryWatcher.h"

class QSocketNotifier;

namespace tavlin {

// Watches one folder's entries through inotify, on the event loop of the creating thread.
class InotifyDirectoryWatcher : public DirectoryWatcher
{
    Q_OBJECT
public:
    explicit InotifyDirectoryWatcher(QObject* parent = nullptr);
    ~InotifyDirectoryWatcher() override;

    bool watch(const QByteArray& folder) override;

private:
    void readEvents();

    int m_fd = -1;
    int m_watch = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tavlin
