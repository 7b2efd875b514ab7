#pragma once

#include "platform/OverlayContent.h"
#include "platform/OverlaySurface.h"
#include "platform/OverlaySurfaces.h"

#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

class QScreen;

namespace tavlin {

// A borderless overlay covering one screen (or a panel on it) at one of the overlay levels, on
// every virtual desktop, kept out of taskbars and window cycling, showing its content. The
// window system's side of it is an OverlaySurface; this adds the fades.
class OverlayWindow : public QObject
{
    Q_OBJECT
public:
    // nullptr when overlays of `level` cannot be shown in this session.
    static OverlayWindow*
    create(OverlaySurfaces& surfaces, QScreen* screen, OverlayLevel level,
           std::unique_ptr<OverlayContent> content,
           const OverlayPlacement& placement = OverlayPlacement::fullScreen());
    ~OverlayWindow() override;

    OverlayLevel level() const { return m_surface->level(); }
    void setLevel(OverlayLevel level) { m_surface->setLevel(level); }
    QRect geometry() const { return m_surface->geometry(); }
    OverlayContent& content() const { return *m_content; }
    OverlaySurface& surface() const { return *m_surface; }
    bool isVisible() const { return m_surface->isShown(); }
    double opacity() const { return m_surface->opacity(); }

    // Shows it; animated (and where the window system blends), from transparent to opaque.
    void fadeIn(bool animated);
    // A fade in still under way ends now, opaque.
    void completeFadeIn();
    // Animated, it fades to transparent and is hidden afterwards; otherwise hidden at once.
    // `hidden` runs once it is off screen.
    void fadeOut(bool animated, std::function<void()> hidden = {});

    // A generation of overlays that is done: faded out (or hidden at once) and then deleted.
    // Windows already gone are skipped.
    static void retire(const QList<QPointer<OverlayWindow>>& windows, bool animated);

private:
    OverlayWindow(OverlaySurfaces& surfaces, std::unique_ptr<OverlayContent> content);

    QPointer<OverlaySurfaces> m_surfaces;
    std::unique_ptr<OverlayContent> m_content; // outlives the surface that paints it
    std::unique_ptr<OverlaySurface> m_surface;
};

} // namespace tavlin
