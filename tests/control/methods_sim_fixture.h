// A control over simulated cameras on pseudo-terminals, for the dispatch method tests.
#pragma once

#include <gtest/gtest.h>
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

    RecordingUiServices ui_;
    EventRecorder events_;
    std::unique_ptr<CXKivRZ150LX> module_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
};

}  // namespace xkiv::test
