// The clock of code under test that talks to simulated cameras: time moves when the test says.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "sim/sim_server.h"

namespace xkiv::test {

// Time moves only when the code under test sleeps (at once, nothing really waits) or when
// the simulated camera it last spoke to has fallen silent: then every reading of the clock
// leaps past the longest answer time-out. Before each reading the watched simulators catch
// up with their client, so an answer the camera gives is always there before its time-out
// is judged. A busy machine's scheduling delays therefore never use up a time-out, and a
// camera that will not answer times out without a real wait. The simulators time their
// one-push commands by CameraTime(), so a result arrives at the poll the test expects.
class SimulatorClock final : public Clock {
public:
    // Longer than any answer's time-out (the longest is a minute).
    static constexpr std::int64_t kSilenceMs = 10 * 60 * 1000;

    // The server must outlive every later reading of the clock.
    void Watch(const sim::SimServer& server) {
        std::lock_guard lock(mutex_);
        servers_.push_back(&server);
    }

    std::int64_t NowMs() override {
        std::vector<const sim::SimServer*> servers;
        {
            std::lock_guard lock(mutex_);
            servers = servers_;
        }
        sim::LineState latest;
        for (const sim::SimServer* server : servers) {
            const sim::LineState state = server->WaitIdle();
            if (state.lastLine >= latest.lastLine) {
                latest = state;
            }
        }
        if (latest.silent) {
            now_ += kSilenceMs;
        }
        return now_;
    }

    void SleepMs(std::int64_t ms) override {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(ms);
        now_ += ms;
    }

    // Every sleep so far, in milliseconds.
    std::vector<std::int64_t> Sleeps() const {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }

    // The same time for the simulated cameras, read without waiting for them (they read it
    // while they answer).
    Clock& CameraTime() { return cameraTime_; }

private:
    class CameraTimeView final : public Clock {
    public:
        explicit CameraTimeView(const std::atomic<std::int64_t>& now) : now_(now) {}
        std::int64_t NowMs() override { return now_; }
        void SleepMs(std::int64_t) override {}

    private:
        const std::atomic<std::int64_t>& now_;
    };

    std::atomic<std::int64_t> now_{1000};
    mutable std::mutex mutex_;
    std::vector<const sim::SimServer*> servers_;
    std::vector<std::int64_t> sleeps_;
    CameraTimeView cameraTime_{now_};
};

}  // namespace xkiv::test
