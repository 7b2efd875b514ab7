#pragma once

#include "platform/Clock.h"

namespace tavlin {

// A clock that stands still until a test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(double now = 0) : m_now(now) {}
    double now() const override { return m_now; }
    void set(double now) { m_now = now; }
    void advance(double seconds) { m_now += seconds; }

private:
    double m_now;
};

} // namespace tavlin
