#include "platform/generic/QtWorkspaceEvents.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace tavlin {

QtWorkspaceEvents::QtWorkspaceEvents(QObject* parent) : WorkspaceEvents(parent)
{
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watchScreen(screen);
        screensMayHaveChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            &QtWorkspaceEvents::screensMayHaveChanged);
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        watchScreen(screen);
}

void QtWorkspaceEvents::watchScreen(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &QtWorkspaceEvents::screensMayHaveChanged);
}

void QtWorkspaceEvents::screensMayHaveChanged()
{
    // A monitor change arrives as several removals and additions; report it once.
    if (m_screenChangeQueued)
        return;
    m_screenChangeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_screenChangeQueued = false;
        Q_EMIT screensChanged();
    });
}

} // namespace tavlin
