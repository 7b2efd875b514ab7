#include "backdrop/OverlayWindow.h"

#include "backdrop/OverlayFade.h"

namespace tavlin {

OverlayWindow::OverlayWindow(OverlaySurfaces& surfaces, std::unique_ptr<OverlayContent> content)
    : m_surfaces(&surfaces), m_content(std::move(content))
{
}

OverlayWindow* OverlayWindow::create(OverlaySurfaces& surfaces, QScreen* screen, OverlayLevel level,
                                     std::unique_ptr<OverlayContent> content,
                                     const OverlayPlacement& placement)
{
    if (!screen || !surfaces.unavailableReason(level).isEmpty())
        return nullptr;
    auto* window = new OverlayWindow(surfaces, std::move(content));
    window->m_surface.reset(surfaces.create(screen, level, placement, *window->m_content));
    if (!window->m_surface) {
        delete window;
        return nullptr;
    }
    return window;
}

OverlayWindow::~OverlayWindow()
{
    m_surface.reset(); // before the content it paints
}

void OverlayWindow::fadeIn(bool animated)
{
    // Opacity changes nothing on screen where nothing blends: no fade then.
    OverlayFade::fadeIn(*m_surface, this, animated && m_surfaces && m_surfaces->blends());
}

void OverlayWindow::completeFadeIn()
{
    OverlayFade::completeFadeIn(*m_surface, this);
}

void OverlayWindow::fadeOut(bool animated, std::function<void()> hidden)
{
    OverlayFade::fadeOut(*m_surface, this, animated && m_surfaces && m_surfaces->blends(),
                         std::move(hidden));
}

void OverlayWindow::retire(const QList<QPointer<OverlayWindow>>& windows, bool animated)
{
    for (const QPointer<OverlayWindow>& window : windows) {
        if (window)
            window->fadeOut(animated, [window] {
                if (window)
                    window->deleteLater();
            });
    }
}

} // namespace tavlin
