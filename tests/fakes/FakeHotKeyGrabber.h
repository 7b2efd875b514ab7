#pragma once

#include "platform/HotKeyGrabber.h"

#include <QList>

namespace tavlin {

// Grants every chord but the ones listed as taken by another program.
class FakeHotKeyGrabber final : public HotKeyGrabber
{
    Q_OBJECT
public:
    QList<KeyChord> taken;

    bool grab(quint32, const KeyChord& chord) override { return !taken.contains(chord); }
};

} // namespace tavlin
