#pragma once

#include "platform/OverlaySurfaces.h"

namespace tavlin {

// Where overlays cannot be placed correctly (a Wayland compositor without layer surfaces, no
// display at all): none are made, and the reason says why.
class UnavailableOverlaySurfaces : public OverlaySurfaces
{
    Q_OBJECT
public:
    explicit UnavailableOverlaySurfaces(QString reason, QObject* parent = nullptr)
        : OverlaySurfaces(parent), m_reason(std::move(reason))
    {
    }

    QString unavailableReason(OverlayLevel) const override { return m_reason; }
    bool blends() const override { return true; }
    OverlaySurface* create(QScreen*, OverlayLevel, const OverlayPlacement&,
                           OverlayContent&) override
    {
        return nullptr;
    }

private:
    QString m_reason;
};

} // namespace tavlin
