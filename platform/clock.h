// Millisecond clock and sleeping, replaceable by tests.
#pragma once

#include <chrono>
#include <cstdint>

namespace xkiv {

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
