// How long a test waits for what must happen.
#pragma once

#include <chrono>

namespace xkiv::test {

// A test waits this long for something that must happen (an answer, a byte, a window, a
// child's output) before it gives up. Only a failure ever reaches it, so it is generous
// enough for any load; a test never asserts that something happened within a shorter time.
inline constexpr int kPatienceMs = 60'000;
inline constexpr std::chrono::milliseconds kPatience{kPatienceMs};

}  // namespace xkiv::test
