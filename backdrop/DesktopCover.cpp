#include "backdrop/DesktopCover.h"

#include "backdrop/Backdrop.h"
#include "backdrop/BackdropView.h"
#include "backdrop/OverlayFade.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace tavlin {

DesktopCover::DesktopCover(SettingsStore& settings, BackdropImages& images,
                           WindowStacking& stacking, WorkspaceEvents& workspace,
                           CompositorWatch& compositor, QObject* parent)
    : QObject(parent), m_settings(settings), m_images(images), m_stacking(stacking),
      m_compositor(compositor)
{
    connect(&workspace, &WorkspaceEvents::screensChanged, this, &DesktopCover::rebuild);
    connect(&workspace, &WorkspaceEvents::currentDesktopChanged, this, &DesktopCover::rebuild);
    // The file manager raises its icon window now and then; the cover goes back on top of it.
    connect(&workspace, &WorkspaceEvents::stackingChanged, this, &DesktopCover::keepStacked);
    // A wallpaper is looked up while the windows already show: they follow what was found.
    connect(&images, &BackdropImages::wallpapersChanged, this, [this] {
        if (Backdrop::stored(m_settings) == Backdrop::wallpaper())
            rebuild();
    });
}

DesktopCover::~DesktopCover()
{
    OverlayWindow::retire(m_windows, false);
}

void DesktopCover::setOn(bool on)
{
    if (m_isOn == on)
        return;
    m_isOn = on;
    Q_EMIT isOnChanged();
    if (on)
        show(m_animates);
    else
        hide(m_animates);
}

void DesktopCover::toggleWithoutAnimation()
{
    m_animates = false;
    setOn(!m_isOn);
    m_animates = true;
}

void DesktopCover::rebuild()
{
    if (!m_isOn)
        return;
    const QList<QPointer<OverlayWindow>> old = m_windows;
    show(false);
    OverlayWindow::retire(old, false);
}

void DesktopCover::crossfadeBackdrop()
{
    if (!m_isOn)
        return;
    const QList<QPointer<OverlayWindow>> old = m_windows;
    show(true);
    QTimer::singleShot(crossfadeOrderOutMs, this, [old] { OverlayWindow::retire(old, false); });
}

QList<OverlayWindow*> DesktopCover::windows() const
{
    QList<OverlayWindow*> windows;
    for (const QPointer<OverlayWindow>& window : m_windows) {
        if (window)
            windows.append(window);
    }
    return windows;
}

void DesktopCover::show(bool animated)
{
    m_windows.clear();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        m_windows.append(makeCoverWindow(screen, animated));
    keepStacked();
}

void DesktopCover::hide(bool animated)
{
    OverlayWindow::retire(m_windows, animated && m_compositor.isActive());
    m_windows.clear();
}

OverlayWindow* DesktopCover::makeCoverWindow(QScreen* screen, bool animated)
{
    auto* window = new OverlayWindow(screen, OverlayLevel::Cover, m_stacking);
    // Read afresh for every window: the stored value, not a copy, decides what it shows.
    window->setContent(
        new BackdropView(m_images.screenImage(Backdrop::stored(m_settings), screen)));
    // Without a compositor opacity changes nothing on screen: no fade then.
    OverlayFade::fadeIn(window, animated && m_compositor.isActive());
    return window;
}

void DesktopCover::keepStacked()
{
    if (!m_isOn)
        return;
    QList<QWidget*> widgets;
    for (OverlayWindow* window : windows())
        widgets.append(window);
    m_stacking.keepStacked(widgets, OverlayLevel::Cover);
}

} // namespace tavlin
