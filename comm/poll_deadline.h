// Deadlines for the transports' waits in poll().
#pragma once

#include <chrono>
#include <cstdint>

namespace xkiv {

using SteadyClock = std::chrono::steady_clock;

inline SteadyClock::time_point DeadlineAfter(std::uint32_t timeoutMs) {
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

// Milliseconds left until deadline, rounded up so that poll() never wakes
// before it; 0 when it has passed.
inline int RemainingMs(SteadyClock::time_point deadline) {
    const auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace xkiv
