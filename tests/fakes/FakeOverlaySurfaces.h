#pragma once

#include "platform/OverlaySurfaces.h"

#include <QScreen>

namespace tavlin {

// An overlay surface without a window system: it keeps what it is told and paints nothing.
class FakeOverlaySurface final : public OverlaySurface
{
    Q_OBJECT
public:
    FakeOverlaySurface(OverlayLevel level, const QRect& geometry)
        : m_level(level), m_geometry(geometry)
    {
    }

    QRect geometry() const override { return m_geometry; }
    OverlayLevel level() const override { return m_level; }
    void setLevel(OverlayLevel level) override { m_level = level; }
    double opacity() const override { return m_opacity; }
    void setOpacity(double opacity) override { m_opacity = opacity; }
    bool isShown() const override { return m_shown; }
    void show() override { m_shown = true; }
    void hide() override { m_shown = false; }
    void update(const QRegion&) override {}

private:
    OverlayLevel m_level;
    QRect m_geometry;
    double m_opacity = 1.0;
    bool m_shown = false;
};

// Makes fake surfaces, or none for the reason the test sets.
class FakeOverlaySurfaces final : public OverlaySurfaces
{
    Q_OBJECT
public:
    QString reason;

    QString unavailableReason(OverlayLevel) const override { return reason; }
    bool blends() const override { return true; }
    OverlaySurface* create(QScreen* screen, OverlayLevel level, const OverlayPlacement& placement,
                           OverlayContent&) override
    {
        if (!reason.isEmpty())
            return nullptr;
        return new FakeOverlaySurface(
            level, placement.rectOn(screen->geometry(), screen->availableGeometry()));
    }
};

} // namespace tavlin
