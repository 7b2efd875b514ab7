#pragma once

#include "platform/HotKeyGrabber.h"

#include <QList>

namespace tavlin {

// Grants every chord but the ones listed as taken by another program; with `answersLater`,
// every grab waits for the test to emit `answered`.
class FakeHotKeyGrabber final : public HotKeyGrabber
{
    Q_OBJECT
public:
    QList<KeyChord> taken;
    bool answersLater = false;

    Grant grab(quint32, const KeyChord& chord, const QString&) override
    {
        if (answersLater)
            return Grant::Pending;
        return taken.contains(chord) ? Grant::Refused : Grant::Granted;
    }
};

} // namespace tavlin
