#pragma once

#include "platform/OverlayContent.h"
#include "platform/OverlayLevel.h"
#include "platform/OverlayPlacement.h"
#include "platform/OverlaySurface.h"

#include <QObject>
#include <QString>

class QScreen;

namespace tavlin {

// Makes overlay surfaces and keeps each at its level while other windows come, go and restack.
class OverlaySurfaces : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Empty when overlays of `level` can be shown correctly in this session; otherwise why
    // not, in one line for the menu and the command line.
    virtual QString unavailableReason(OverlayLevel level) const = 0;

    // Whether transparent pixels and opacity blend with what lies beneath (a compositor runs).
    // Without it surfaces are cut to their content's shape and fades are pointless.
    virtual bool blends() const = 0;

    // A new surface covering `placement` on `screen`, at `level`. `content` must outlive it.
    // Surfaces above the cover let every click, scroll and hover through. The caller owns it.
    // nullptr when the level is unavailable.
    virtual OverlaySurface* create(QScreen* screen, OverlayLevel level,
                                   const OverlayPlacement& placement, OverlayContent& content) = 0;
};

} // namespace tavlin
