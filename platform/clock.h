// Millisecond clock and sleeping, replaceable by tests.
#pragma once

#include <time.h>

#include <chrono>
#include <cstdint>

namespace xkiv {

// std::chrono::steady_clock::now(), read from the monotonic clock it is
// built on without the call into the C++ runtime: every wait of an exchange
// looks at the clock, and the runtime's copy of this call lies a jump and a
// page away from the rest of the exchange's code.
inline std::chrono::steady_clock::time_point SteadyNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                 std::chrono::nanoseconds(now.tv_nsec));
}

// The time source of every wait in the system. Production code uses
// SystemClock(); tests substitute a clock they drive themselves.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed start; never goes backwards.
    virtual std::int64_t NowMs() = 0;
    virtual void SleepMs(std::int64_t ms) = 0;
};

// The process-wide steady clock.
Clock& SystemClock();

}  // namespace xkiv
