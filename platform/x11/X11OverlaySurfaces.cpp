#include "platform/x11/X11OverlaySurfaces.h"

#include "platform/WorkspaceEvents.h"
#include "platform/x11/X11OverlaySurface.h"

#include <QScreen>
#include <array>

namespace tavlin {

X11OverlaySurfaces::X11OverlaySurfaces(std::shared_ptr<X11Connection> connection,
                                       WorkspaceEvents& workspace, QObject* parent)
    : OverlaySurfaces(parent), m_compositor(connection), m_stacking(connection)
{
    // Others raise their windows, and the file manager its icon window, now and then.
    connect(&workspace, &WorkspaceEvents::stackingChanged, this, &X11OverlaySurfaces::restack);
    connect(&m_compositor, &X11CompositorWatch::activeChanged, this,
            &X11OverlaySurfaces::followCompositor);
}

X11OverlaySurfaces::~X11OverlaySurfaces() = default;

OverlaySurface* X11OverlaySurfaces::create(QScreen* screen, OverlayLevel level,
                                           const OverlayPlacement& placement,
                                           OverlayContent& content)
{
    const QRect rect = placement.rectOn(screen->geometry(), screen->availableGeometry());
    auto* surface = new X11OverlaySurface(level, rect, content, [this] { restack(); });
    QWidget& widget = surface->widget();
    widget.setScreen(screen);
    widget.setGeometry(rect);
    m_stacking.prepare(&widget, level);
    widget.setGeometry(rect); // new window flags may have moved it
    surface->setShaped(!m_compositor.isActive());
    m_surfaces.append(surface);
    return surface;
}

void X11OverlaySurfaces::restack()
{
    m_surfaces.removeAll(nullptr);
    // Bottom level first, so the reminder ends up above the spotlight overlays.
    constexpr std::array levels{OverlayLevel::Cover, OverlayLevel::Spotlight,
                                OverlayLevel::SpotlightPanels, OverlayLevel::Reminder};
    for (const OverlayLevel level : levels) {
        QList<QWidget*> windows;
        for (const QPointer<X11OverlaySurface>& surface : std::as_const(m_surfaces)) {
            if (surface->level() == level && surface->isShown())
                windows.append(&surface->widget());
        }
        if (!windows.isEmpty())
            m_stacking.keepStacked(windows, level);
    }
}

void X11OverlaySurfaces::followCompositor(bool active)
{
    for (const QPointer<X11OverlaySurface>& surface : std::as_const(m_surfaces)) {
        if (surface)
            surface->setShaped(!active);
    }
}

} // namespace tavlin
