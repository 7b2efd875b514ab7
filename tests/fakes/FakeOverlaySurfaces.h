#pragma once

#include "platform/OverlaySurfaces.h"

#include <QImage>
#include <QList>
#include <QPointer>

namespace tavlin {

// An overlay surface without a window system: it paints its content into an image on request.
class FakeOverlaySurface final : public OverlaySurface
{
    Q_OBJECT
public:
    FakeOverlaySurface(OverlayLevel level, const QRect& geometry, OverlayContent& content)
        : m_level(level), m_geometry(geometry), m_content(content)
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
    void update(const QRegion& area) override { m_updated += area; }

    // Everything asked to be painted again since the last call.
    QRegion takeUpdated() { return std::exchange(m_updated, QRegion()); }
    // The content as it looks now, at `scale` device pixels per logical one.
    QImage render(double scale = 1.0, bool shaped = false) const;

private:
    OverlayLevel m_level;
    QRect m_geometry;
    OverlayContent& m_content;
    double m_opacity = 1.0;
    bool m_shown = false;
    QRegion m_updated;
};

// Makes fake surfaces; `blending` and a reason why none can be made are set by the test.
class FakeOverlaySurfaces final : public OverlaySurfaces
{
    Q_OBJECT
public:
    QString reason;
    bool blending = true;
    QList<QPointer<FakeOverlaySurface>> made;

    QString unavailableReason(OverlayLevel) const override { return reason; }
    bool blends() const override { return blending; }
    OverlaySurface* create(QScreen* screen, OverlayLevel level, const OverlayPlacement& placement,
                           OverlayContent& content) override;
};

} // namespace tavlin
