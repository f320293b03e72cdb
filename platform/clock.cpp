// The steady clock behind SystemClock().
#include "platform/clock.h"

#include <thread>

#include "platform/hot_path.h"

namespace xkiv {

namespace {

class SteadyClock final : public Clock {
public:
    XKIV_HOT std::int64_t NowMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyNow().time_since_epoch())
            .count();
    }
    void SleepMs(std::int64_t ms) override {
        if (ms > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
    }
};

}  // namespace

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace xkiv
