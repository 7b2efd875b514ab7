#include "backdrop/OverlayWindow.h"

#include "backdrop/OverlayFade.h"

#include <QScreen>

namespace tavlin {

OverlayWindow::OverlayWindow(QScreen* screen, OverlayLevel level, WindowStacking& stacking)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_level(level)
{
    // Transparent-backed: whatever the content leaves unpainted shows what is below (where a
    // compositor blends it).
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Tavlin"));
    setScreen(screen);
    setGeometry(screen->geometry());
    stacking.prepare(this, level);
    setGeometry(screen->geometry());
}

void OverlayWindow::setContent(QWidget* content)
{
    m_content = content;
    content->setParent(this);
    content->setGeometry(rect());
    content->show();
}

void OverlayWindow::retire(const QList<QPointer<OverlayWindow>>& windows, bool animated)
{
    for (const QPointer<OverlayWindow>& window : windows) {
        if (window)
            OverlayFade::fadeOut(window, animated, [window] {
                if (window)
                    window->deleteLater();
            });
    }
}

void OverlayWindow::resizeEvent(QResizeEvent* event)
{
    if (m_content)
        m_content->setGeometry(rect());
    QWidget::resizeEvent(event);
}

} // namespace tavlin
