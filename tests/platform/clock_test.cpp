// The steady clock read without the C++ runtime's call.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"

namespace xkiv {
namespace {

// Deadlines set with one and checked with the other must agree: the direct
// read is the clock steady_clock reads, at the same resolution.
TEST(SteadyNowTest, ReadsTheClockSteadyClockReads) {
    for (int i = 0; i < 1000; ++i) {
        const auto before = std::chrono::steady_clock::now();
        const auto now = SteadyNow();
        const auto after = std::chrono::steady_clock::now();
        ASSERT_LE(before, now);
        ASSERT_LE(now, after);
    }
    const std::int64_t ms = SystemClock().NowMs();
    const auto direct =
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyNow().time_since_epoch());
    EXPECT_LE(ms, direct.count());
}

}  // namespace
}  // namespace xkiv
