// A clock that moves only when told to, for tests of time-outs and durations.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace xkiv::test {

// Sleeping advances the time at once; nothing really waits. Safe to use from
// the thread that runs blocking calls for a user interface.
class ManualClock final : public Clock {
public:
    std::int64_t NowMs() override { return now_.load(); }
    void SleepMs(std::int64_t ms) override { now_ += ms; }

private:
    std::atomic<std::int64_t> now_{1000};
};

}  // namespace xkiv::test
