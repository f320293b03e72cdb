// A control over simulated cameras on pseudo-terminals, for the dispatch method tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/module.h"
#include "platform/automation.h"
#include "platform/clock.h"
#include "sim/sim_server.h"
#include "tests/support/recording_ui_services.h"
#include "tests/support/simulator_test.h"

namespace xkiv::automation {

// Lets assertions print variants readably.
inline void PrintTo(const Variant& value, std::ostream* out) {
    *out << value.Describe();
}

}  // namespace xkiv::automation

namespace xkiv::test {

// The module's clock in these tests: real time, plus whatever was skipped.
// With skipSleeps a sleep takes 1 ms of real time but advances NowMs by the
// whole amount, so a limit of seconds is reached in a fraction of that while
// real-time waits (the simulator's answers) still work.
class TestClock final : public Clock {
public:
    std::int64_t NowMs() override { return SystemClock().NowMs() + skippedMs_; }
    void SleepMs(std::int64_t ms) override {
        sleeps.push_back(ms);
        if (!skipSleeps) {
            SystemClock().SleepMs(ms);
            return;
        }
        SystemClock().SleepMs(1);
        skippedMs_ += std::max<std::int64_t>(ms - 1, 0);
    }
    bool skipSleeps = false;
    std::vector<std::int64_t> sleeps;

private:
    std::int64_t skippedMs_ = 0;
};

class EventRecorder final : public automation::EventSink {
public:
    void OnEvent(automation::DispId dispid) override { events.push_back(dispid); }
    int Count(automation::DispId dispid) const {
        return static_cast<int>(std::count(events.begin(), events.end(), dispid));
    }
    std::vector<automation::DispId> events;
};

// Event identifiers the tests look for.
inline constexpr automation::DispId kOnlineEvent = 1;
inline constexpr automation::DispId kSynchronizedEvent = 2;
inline constexpr automation::DispId kCommPortEvent = 5;

// A serial device that never answers: a pseudo-terminal whose master side
// nobody reads.
class SilentPort {
public:
    SilentPort() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            path_ = ::ptsname(master_);
        }
    }
    ~SilentPort() {
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    const std::string& DevicePath() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

// Each test has its own profile file, clock and recording user interface;
// the control's serial ports are the devices the test names.
class MethodsTest : public SimulatorTest {
protected:
    MethodsTest() : SimulatorTest("xkiv-methods") {
        for (const char* name :
             {"CLSERIALPATH", "XKIV_CL_SERIAL_PORTS", "XKIV_CL_ALLSERIAL_PORTS"}) {
            ::unsetenv(name);
        }
    }
    ~MethodsTest() override {
        control_.reset();
        module_.reset();
        for (const char* name : {"CLSERIALPATH", "XKIV_CL_ALLSERIAL_PORTS"}) {
            ::unsetenv(name);
        }
    }

    // A control whose serial ports are the given devices, offline.
    CXKivRZ150LXCtrl& MakeControl(const std::vector<std::string>& devices) {
        UseSerialPorts(devices);
        module_ = std::make_unique<CXKivRZ150LX>(dir_ / "profile.ini", clock_);
        module_->SetUiServices(&ui_);
        control_ = std::make_unique<CXKivRZ150LXCtrl>(*module_);
        control_->Advise(events_);
        return *control_;
    }

    // A control connected to the simulator; events and user interface
    // records start empty.
    CXKivRZ150LXCtrl& ConnectedTo(sim::SimServer& server) {
        CXKivRZ150LXCtrl& control = MakeControl({server.DevicePath()});
        EXPECT_EQ(Call("StartCommunication",
                       {automation::Variant::Long(0), automation::Variant::Long(0)}),
                  automation::Variant::Long(0));
        events_.events.clear();
        ui_.log.clear();
        ui_.messages.clear();
        return control;
    }

    // Invokes a method by name and expects it to succeed.
    automation::Variant Call(const std::string& name, std::vector<automation::Variant> args = {}) {
        automation::Variant result;
        automation::AutomationError error;
        EXPECT_EQ(
            control_->InvokeByName(name, automation::InvokeKind::Method, args, &result, &error),
            automation::kOk)
            << name << ": " << error.description;
        return result;
    }

    // Invokes a method by name and expects it to raise; the error it raised.
    automation::AutomationError CallRaising(const std::string& name,
                                            std::vector<automation::Variant> args = {}) {
        automation::Variant result;
        automation::AutomationError error;
        EXPECT_EQ(
            control_->InvokeByName(name, automation::InvokeKind::Method, args, &result, &error),
            automation::kException)
            << name;
        return error;
    }

    TestClock clock_;
    RecordingUiServices ui_;
    EventRecorder events_;
    std::unique_ptr<CXKivRZ150LX> module_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
};

}  // namespace xkiv::test
