#pragma once

#include "platform/OverlaySurfaces.h"

#include <QList>
#include <QPointer>
#include <memory>

namespace tavlin {

class WaylandConnection;
class WaylandOverlaySurface;

// Overlays as layer surfaces, on a compositor that offers them. The compositor keeps each in
// its layer: nothing to restack. It always composites, so every surface blends.
class WaylandOverlaySurfaces : public OverlaySurfaces
{
    Q_OBJECT
public:
    // `connection` must offer the layer shell.
    explicit WaylandOverlaySurfaces(std::shared_ptr<WaylandConnection> connection,
                                    QObject* parent = nullptr);

    QString unavailableReason(OverlayLevel) const override { return {}; }
    bool blends() const override { return true; }
    OverlaySurface* create(QScreen* screen, OverlayLevel level, const OverlayPlacement& placement,
                           OverlayContent& content) override;

private:
    WaylandOverlaySurface* coveringPanels(const QString& screenName) const;

    std::shared_ptr<WaylandConnection> m_connection;
    QList<QPointer<WaylandOverlaySurface>> m_surfaces;
};

} // namespace tavlin
