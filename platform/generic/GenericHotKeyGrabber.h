#pragma once

#include "platform/HotKeyGrabber.h"

namespace tavlin {

// Where no global key grab exists (Wayland, offscreen): every chord is refused.
class GenericHotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    using HotKeyGrabber::HotKeyGrabber;

    bool grab(quint32, const KeyChord&) override { return false; }
};

} // namespace tavlin
