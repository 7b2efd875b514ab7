#include "platform/linux/InotifyDirectoryWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace tavlin {

namespace {

// Entries arriving, leaving or being renamed, and the folder itself going away.
constexpr uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;

} // namespace

InotifyDirectoryWatcher::InotifyDirectoryWatcher(QObject* parent) : DirectoryWatcher(parent)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        qWarning("inotify is unavailable; the folder will not be watched");
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InotifyDirectoryWatcher::readEvents);
}

InotifyDirectoryWatcher::~InotifyDirectoryWatcher()
{
    if (m_fd >= 0) {
        // The notifier must not watch a closed descriptor, which the system may hand out again.
        delete m_notifier;
        ::close(m_fd);
    }
}

bool InotifyDirectoryWatcher::watch(const QByteArray& folder)
{
    if (m_fd < 0 || folder.isEmpty() || folder.contains('\0'))
        return false;
    const int watch = ::inotify_add_watch(m_fd, folder.constData(), watchedEvents);
    if (watch < 0)
        return false;
    // The same folder gives the same descriptor back; a different one replaces the old watch.
    if (m_watch >= 0 && m_watch != watch)
        ::inotify_rm_watch(m_fd, m_watch);
    m_watch = watch;
    return true;
}

void InotifyDirectoryWatcher::readEvents()
{
    alignas(inotify_event) char buffer[16 * 1024];
    bool changedHere = false;
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break; // EAGAIN: the queue is drained
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changedHere = true; // events were lost, so anything may have changed
                continue;
            }
            if (event->wd != m_watch || m_watch < 0)
                continue; // left over from a folder no longer watched
            if (event->mask & IN_IGNORED) {
                m_watch = -1; // the folder is gone; watch() may be called again
                changedHere = true;
                continue;
            }
            changedHere = true;
        }
    }
    if (changedHere)
        Q_EMIT changed();
}

} // namespace tavlin
