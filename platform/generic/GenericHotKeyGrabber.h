#pragma once

#include "platform/HotKeyGrabber.h"

namespace tavlin {

// Where no global key grab exists (offscreen): every chord is refused.
class GenericHotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    using HotKeyGrabber::HotKeyGrabber;

    Grant grab(quint32, const KeyChord&, const QString&) override { return Grant::Refused; }
};

} // namespace tavlin
