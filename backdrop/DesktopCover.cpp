#include "backdrop/DesktopCover.h"

#include "backdrop/Backdrop.h"
#include "backdrop/BackdropView.h"
#include "backdrop/OverlayHandover.h"

#include <QGuiApplication>
#include <QScreen>

namespace tavlin {

DesktopCover::DesktopCover(SettingsStore& settings, BackdropImages& images,
                           OverlaySurfaces& surfaces, WorkspaceEvents& workspace, QObject* parent)
    : QObject(parent), m_settings(settings), m_images(images), m_surfaces(surfaces)
{
    connect(&workspace, &WorkspaceEvents::screensChanged, this, &DesktopCover::rebuild);
    connect(&workspace, &WorkspaceEvents::currentDesktopChanged, this, &DesktopCover::rebuild);
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
    // Where it cannot be shown it stays off, rather than claiming a cover nobody sees.
    if (m_isOn == on || (on && !unavailableReason().isEmpty()))
        return;
    m_isOn = on;
    Q_EMIT isOnChanged();
    if (on)
        show(m_animates);
    else
        hide(m_animates);
}

QString DesktopCover::unavailableReason() const
{
    return m_surfaces.unavailableReason(OverlayLevel::Cover);
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
    OverlayHandover::start(old, m_windows, 0, this);
}

void DesktopCover::crossfadeBackdrop()
{
    if (!m_isOn)
        return;
    const QList<QPointer<OverlayWindow>> old = m_windows;
    show(true);
    OverlayHandover::start(old, m_windows, crossfadeOrderOutMs, this);
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
    for (QScreen* screen : screens) {
        if (OverlayWindow* window = makeCoverWindow(screen, animated))
            m_windows.append(window);
    }
}

void DesktopCover::hide(bool animated)
{
    OverlayWindow::retire(m_windows, animated);
    m_windows.clear();
}

OverlayWindow* DesktopCover::makeCoverWindow(QScreen* screen, bool animated)
{
    // Read afresh for every window: the stored value, not a copy, decides what it shows.
    auto view =
        std::make_unique<BackdropView>(m_images.screenImage(Backdrop::stored(m_settings), screen));
    OverlayWindow* window =
        OverlayWindow::create(m_surfaces, screen, OverlayLevel::Cover, std::move(view));
    if (window)
        window->fadeIn(animated);
    return window;
}

} // namespace tavlin
