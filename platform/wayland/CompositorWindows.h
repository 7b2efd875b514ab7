#pragma once

#include "platform/wayland/CompositorWindow.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <optional>

class QScreen;

namespace tavlin {

// The windows of other programs as a compositor's IPC reports them, read again whenever it
// tells of a change. Neither sway nor Hyprland says when a window is merely moved or resized
// (dragged, or a tiled neighbour resized), so while someone follows the windows frame by frame
// the list is also read on a timer: slowly while nothing moves, faster while something does,
// and not at all once nobody asks.
class CompositorWindows : public QObject
{
    Q_OBJECT
public:
    explicit CompositorWindows(QObject* parent = nullptr);

    // Front-most first; as last read.
    QList<CompositorWindow> windows() const { return m_windows; }
    // Why windows cannot be followed any more, in one line; empty while they can.
    QString unavailableReason() const { return m_reason; }
    // Says the list is being followed frame by frame right now.
    void keepFresh();
    // Says the list is followed until told otherwise, asked or not.
    void setFollowed(bool followed);

Q_SIGNALS:
    // The list read last differs from the one before.
    void changed();

protected:
    // Asks the compositor for its windows; the answer comes through readDone().
    virtual void read() = 0;
    // Reads again, now or, while a read is under way, right after it.
    void refresh();
    // The answer to read(); none when the compositor could not be asked this time.
    void readDone(std::optional<QList<CompositorWindow>> windows);
    // The compositor cannot be reached any more: no windows from now on.
    void lose(const QString& reason);

private:
    void watchScreen(QScreen* screen);
    void poll();
    bool isFollowed() const;

    QList<CompositorWindow> m_windows;
    QString m_reason;
    bool m_reading = false;
    bool m_readAgain = false;
    bool m_polled = false; // the read under way was started by the timer
    bool m_followed = false;
    QTimer m_pollTimer;
    QElapsedTimer m_sinceAsked;
    QElapsedTimer m_sinceUnannouncedChange;
};

} // namespace tavlin
