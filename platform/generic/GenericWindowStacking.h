#pragma once

#include "platform/WindowStacking.h"

namespace tavlin {

// Where the program cannot place windows itself (Wayland, offscreen): window hints only.
class GenericWindowStacking : public WindowStacking
{
public:
    void prepare(QWidget* window, OverlayLevel level) override;
    void keepStacked(const QList<QWidget*>&, OverlayLevel) override {}
};

} // namespace tavlin
