#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// Timing helpers shared by the benchmarks.
namespace tavlin::bench {

inline double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Robust against the odd run that the machine slowed down.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace tavlin::bench
