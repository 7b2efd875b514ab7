#pragma once

#include <functional>

namespace tavlin {

// Polls `condition` until it holds or `timeoutMs` pass, letting the application (if any)
// handle its events meanwhile.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace tavlin
