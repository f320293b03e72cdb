// A clock that moves only when told to, for tests of time-outs and durations.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace xkiv::test {

// Sleeping advances the time at once; nothing really waits.
class ManualClock final : public Clock {
public:
    std::int64_t NowMs() override { return now_; }
    void SleepMs(std::int64_t ms) override { now_ += ms; }

private:
    std::int64_t now_ = 1000;
};

}  // namespace xkiv::test
