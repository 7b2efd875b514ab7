#pragma once

#include "platform/RunningApps.h"

namespace tavlin {

// Where other clients' windows cannot be seen (Wayland, offscreen): nothing runs, as far as
// this program can tell.
class GenericRunningApps : public RunningApps
{
    Q_OBJECT
public:
    using RunningApps::RunningApps;

    QList<RunningApp> apps() const override { return {}; }
    std::optional<qint32> frontmostPid() const override { return std::nullopt; }
};

} // namespace tavlin
