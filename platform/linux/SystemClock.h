#pragma once

#include "platform/Clock.h"

namespace tavlin {

// The system's wall clock, read afresh on every call.
class SystemClock : public Clock
{
public:
    double now() const override;
};

} // namespace tavlin
