#pragma once

#include "platform/OverlaySurfaces.h"
#include "platform/x11/X11CompositorWatch.h"
#include "platform/x11/X11WindowStacking.h"

#include <QList>
#include <QPointer>
#include <memory>

namespace tavlin {

class WorkspaceEvents;
class X11OverlaySurface;

// Overlay windows on X11, kept at their levels whenever the stacking of other windows
// changes, and cut to their content's shape while no compositor runs.
class X11OverlaySurfaces : public OverlaySurfaces
{
    Q_OBJECT
public:
    X11OverlaySurfaces(std::shared_ptr<X11Connection> connection, WorkspaceEvents& workspace,
                       QObject* parent = nullptr);
    ~X11OverlaySurfaces() override;

    QString unavailableReason(OverlayLevel) const override { return {}; }
    bool blends() const override { return m_compositor.isActive(); }
    OverlaySurface* create(QScreen* screen, OverlayLevel level, const OverlayPlacement& placement,
                           OverlayContent& content) override;

private:
    void restack();
    void followCompositor(bool active);

    X11CompositorWatch m_compositor;
    X11WindowStacking m_stacking;
    // In the order they were made: later ones go above earlier ones of the same level.
    QList<QPointer<X11OverlaySurface>> m_surfaces;
};

} // namespace tavlin
