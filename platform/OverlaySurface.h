#pragma once

#include "platform/OverlayLevel.h"

#include <QObject>
#include <QRect>
#include <QRegion>
#include <QSet>

namespace tavlin {

// One overlay on one screen as the window system holds it: borderless, on every virtual
// desktop, out of taskbars and window cycling, never focused, showing what its content paints.
// Made by OverlaySurfaces; hidden until show().
class OverlaySurface : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Global coordinates, logical pixels.
    virtual QRect geometry() const = 0;

    virtual OverlayLevel level() const = 0;
    // Moves it to another level at once (the spotlight levels among themselves).
    virtual void setLevel(OverlayLevel level) = 0;

    // 0 (transparent) to 1. Only shows where the window system blends.
    virtual double opacity() const = 0;
    virtual void setOpacity(double opacity) = 0;

    virtual bool isShown() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;

    // The content changed within `area` (surface coordinates): paint it again, and take the
    // content's shape again where the surface is shaped.
    virtual void update(const QRegion& area) = 0;
    void updateAll() { update(QRegion(QRect(QPoint(0, 0), geometry().size()))); }

    // Where the window system cuts the holes itself: from now on rounded holes of `radius` over
    // the visible windows of `pids`, following them on every frame it draws. False where it
    // cannot; then the content paints the holes.
    virtual bool followWindows(const QSet<qint32>& pids, double radius)
    {
        Q_UNUSED(pids);
        Q_UNUSED(radius);
        return false;
    }

    // The window system's id of the surface, for tests that look for it; 0 when it has none.
    virtual quint64 nativeId() const { return 0; }

Q_SIGNALS:
    // The first frame after show() has reached the screen.
    void presented();
};

} // namespace tavlin
