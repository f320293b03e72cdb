// Deadlines for the transports' waits in poll().
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>

#include "platform/clock.h"

namespace xkiv {

using SteadyClock = std::chrono::steady_clock;

inline SteadyClock::time_point DeadlineAfter(std::uint32_t timeoutMs) {
    return SteadyNow() + std::chrono::milliseconds(timeoutMs);
}

// A whole time-out as poll() takes it: the first wait of an operation, begun
// as its deadline is set, needs no second look at the clock.
inline int WholeMs(std::uint32_t timeoutMs) {
    constexpr std::uint32_t kLongest = std::numeric_limits<int>::max();
    return static_cast<int>(std::min(timeoutMs, kLongest));
}

// Milliseconds left until deadline, rounded up so that poll() never wakes
// before it; 0 when it has passed.
inline int RemainingMs(SteadyClock::time_point deadline) {
    const auto left = deadline - SteadyNow();
    if (left <= SteadyClock::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace xkiv
