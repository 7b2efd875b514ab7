#include "platform/wayland/CompositorWindows.h"

#include <QGuiApplication>
#include <QScreen>

namespace tavlin {

namespace {

// A read of a dozen windows costs sway about half a millisecond of CPU and us a little less:
// four times a second while still, thirty while something moves.
constexpr int stillPollMs = 250;
constexpr int movingPollMs = 33;
// How long a change found by the timer counts as movement.
constexpr qint64 movingForMs = 500;
// Nobody has asked for this long: stop reading on the timer.
constexpr qint64 followedForMs = 1000;

} // namespace

CompositorWindows::CompositorWindows(QObject* parent) : QObject(parent)
{
    m_pollTimer.setSingleShot(true);
    connect(&m_pollTimer, &QTimer::timeout, this, &CompositorWindows::poll);
    // Outputs added, moved or rescaled move windows without a word from the compositor.
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
            watchScreen(screen);
            refresh();
        });
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &CompositorWindows::refresh);
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (QScreen* screen : screens)
            watchScreen(screen);
    }
}

void CompositorWindows::keepFresh()
{
    m_sinceAsked.start();
    if (!m_pollTimer.isActive() && !m_reading && m_reason.isEmpty())
        m_pollTimer.start(stillPollMs);
}

void CompositorWindows::setFollowed(bool followed)
{
    m_followed = followed;
    if (followed)
        keepFresh();
}

bool CompositorWindows::isFollowed() const
{
    return m_followed || (m_sinceAsked.isValid() && m_sinceAsked.elapsed() < followedForMs);
}

void CompositorWindows::refresh()
{
    if (!m_reason.isEmpty())
        return;
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    m_readAgain = false;
    read();
}

void CompositorWindows::readDone(std::optional<QList<CompositorWindow>> windows)
{
    const bool polled = m_polled;
    m_reading = false;
    m_polled = false;
    // An answer that was under way when the connection went.
    if (!m_reason.isEmpty())
        return;
    if (windows && !sameWindows(*windows, m_windows)) {
        m_windows = std::move(*windows);
        if (polled)
            m_sinceUnannouncedChange.start();
        Q_EMIT changed();
    }
    if (m_readAgain) {
        refresh();
        return;
    }
    if (isFollowed()) {
        const bool moving =
            m_sinceUnannouncedChange.isValid() && m_sinceUnannouncedChange.elapsed() < movingForMs;
        m_pollTimer.start(moving ? movingPollMs : stillPollMs);
    }
}

void CompositorWindows::lose(const QString& reason)
{
    m_reason = reason;
    m_pollTimer.stop();
    m_reading = false;
    m_readAgain = false;
    if (!m_windows.isEmpty()) {
        m_windows.clear();
        Q_EMIT changed();
    }
}

void CompositorWindows::watchScreen(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &CompositorWindows::refresh);
}

void CompositorWindows::poll()
{
    if (m_reading)
        return; // the read under way starts the timer again when it ends
    if (!isFollowed())
        return;
    m_polled = true;
    refresh();
}

} // namespace tavlin
