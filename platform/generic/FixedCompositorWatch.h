#pragma once

#include "platform/CompositorWatch.h"

namespace tavlin {

// For window systems that always composite (Wayland) or never do.
class FixedCompositorWatch : public CompositorWatch
{
    Q_OBJECT
public:
    explicit FixedCompositorWatch(bool active, QObject* parent = nullptr)
        : CompositorWatch(parent), m_active(active)
    {
    }
    bool isActive() const override { return m_active; }

private:
    bool m_active;
};

} // namespace tavlin
