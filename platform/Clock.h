#pragma once

namespace tavlin {

// Wall-clock time, as seconds since the Unix epoch in double precision.
// Tests replace it; the real one reads the system clock on every call.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

} // namespace tavlin
