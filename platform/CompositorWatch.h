#pragma once

#include <QObject>

namespace tavlin {

// Whether a compositing manager runs: without one, window opacity and per-pixel transparency
// have no effect, so fades are skipped and transparent areas must be cut out of the window.
class CompositorWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isActive() const = 0;

Q_SIGNALS:
    void activeChanged(bool active);
};

} // namespace tavlin
