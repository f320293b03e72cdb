// A control over a simulated camera, with recording event sink, panels and user interface.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/module.h"
#include "control/type_library.h"
#include "platform/automation.h"
#include "platform/clock.h"
#include "sim/sim_server.h"
#include "tests/support/recording_ui_services.h"
#include "tests/support/simulator_test.h"

namespace xkiv::control_test {

using automation::AutomationError;
using automation::DispId;
using automation::HResult;
using automation::InvokeKind;
using automation::Variant;

// Records the names of the events the control fires, in order.
class EventLog final : public automation::EventSink {
public:
    void OnEvent(DispId dispid) override {
        const automation::MemberInfo* event = EventInterface().Find(dispid);
        names.push_back(event != nullptr ? std::string(event->name) : "#" + std::to_string(dispid));
    }
    std::vector<std::string> names;
};

// A panel that records every call as "<panel>:<call>" in a log shared by
// all panels, so that tests can check the order across panels.
class RecordingPanel final : public Panel {
public:
    RecordingPanel(int number, std::vector<std::string>& log, bool getsWindow)
        : number_(number), log_(log), getsWindow_(getsWindow) {}

    bool Create(int panelNumber, int templateId, void* parentWindow, CXKivRZ150LXCtrl&,
                const std::string& name, bool isMain) override {
        Record("Create(" + std::to_string(panelNumber) + "," + std::to_string(templateId) + "," +
               name + "," + (isMain ? "main" : "sub") + "," +
               (parentWindow != nullptr ? "parent" : "none") + ")");
        hasWindow_ = getsWindow_;
        return true;
    }
    void ShowPanel(int panelNumber, int showCommand) override {
        Record("ShowPanel(" + std::to_string(panelNumber) + "," + std::to_string(showCommand) +
               ")");
    }
    bool HasWindow() const override { return hasWindow_; }
    void DestroyWindow() override {
        Record("DestroyWindow");
        hasWindow_ = false;
    }
    // Each panel's window is told apart by its number.
    void* Window() override { return hasWindow_ ? &number_ : nullptr; }

    void OnlineChanged(bool online) override { Record(Flag("Online", online)); }
    void SynchronizedChanged(bool synchronized) override {
        Record(Flag("Synchronized", synchronized));
    }
    void SendingChanged(bool sending, bool immediate) override {
        Record(Flag("Sending", sending) + (immediate ? ",immediate" : ""));
    }
    void ReceivingChanged(bool receiving, bool immediate) override {
        Record(Flag("Receiving", receiving) + (immediate ? ",immediate" : ""));
    }
    void CommPortChanged() override { Record("CommPort"); }
    void ValueChanged(int row, bool refresh, bool fromControl) override {
        Record("Value(" + std::to_string(row) + "," + (refresh ? "1" : "0") + "," +
               (fromControl ? "1" : "0") + ")");
    }
    void LogMessage(const std::string& text, bool received) override {
        Record(std::string(received ? "Received:" : "Sent:") + text);
    }

private:
    static std::string Flag(const std::string& name, bool on) {
        return name + ":" + (on ? "1" : "0");
    }
    void Record(const std::string& call) { log_.push_back(std::to_string(number_) + ":" + call); }

    int number_;
    std::vector<std::string>& log_;
    bool getsWindow_;
    bool hasWindow_ = false;
};

class RecordingPanelFactory final : public PanelFactory {
public:
    std::unique_ptr<Panel> CreatePanel(int panelNumber) override {
        const bool getsWindow = panelNumber != panelWithoutWindow;
        return std::make_unique<RecordingPanel>(panelNumber, log, getsWindow);
    }
    std::vector<std::string> log;
    int panelWithoutWindow = -1;  // this panel's window is never created
};

class TestSite final : public automation::ControlSite {
public:
    void* ParentWindow() override { return &window_; }

private:
    int window_ = 0;
};

using test::Model;

// Each test has its own profile file; the control's serial ports are the
// devices the test names.
class ControlTest : public test::SimulatorTest {
protected:
    ControlTest() : SimulatorTest("xkiv-control") {}
    ~ControlTest() override {
        control_.reset();
        module_.reset();
    }

    std::filesystem::path ProfilePath() const { return dir_ / "profile.ini"; }

    // A control, offline, whose one serial port is device.
    CXKivRZ150LXCtrl& MakeControl(const std::string& device) {
        UseSerialPorts({device});
        module_ = std::make_unique<CXKivRZ150LX>(ProfilePath(), clock_);
        module_->SetUiServices(&ui_);
        module_->SetPanelFactory(&panels_);
        control_ = std::make_unique<CXKivRZ150LXCtrl>(*module_);
        control_->Advise(events_);
        return *control_;
    }

    // A control connected to the simulator; the records start empty.
    CXKivRZ150LXCtrl& ConnectedTo(sim::SimServer& server) {
        CXKivRZ150LXCtrl& control = MakeControl(server.DevicePath());
        EXPECT_EQ(control.OpenCommunication(0, 0), rc::kOk);
        ClearRecords();
        return control;
    }

    void ClearRecords() {
        events_.names.clear();
        panels_.log.clear();
        ui_.messages.clear();
        ui_.log.clear();
    }

    // Property put by name; the error lands in lastError_.
    HResult Put(const std::string& name, const Variant& value) {
        std::vector<Variant> args{value};
        lastError_ = {};
        return control_->InvokeByName(name, InvokeKind::PropertyPut, args, nullptr, &lastError_);
    }
    HResult Put(DispId dispid, const Variant& value) {
        std::vector<Variant> args{value};
        lastError_ = {};
        return control_->Invoke(dispid, InvokeKind::PropertyPut, args, nullptr, &lastError_);
    }
    Variant Get(const std::string& name) {
        std::vector<Variant> args;
        Variant result;
        AutomationError error;
        EXPECT_EQ(control_->InvokeByName(name, InvokeKind::PropertyGet, args, &result, &error),
                  automation::kOk)
            << name << ": " << error.description;
        return result;
    }
    Variant Get(DispId dispid) {
        std::vector<Variant> args;
        Variant result;
        AutomationError error;
        EXPECT_EQ(control_->Invoke(dispid, InvokeKind::PropertyGet, args, &result, &error),
                  automation::kOk)
            << dispid << ": " << error.description;
        return result;
    }

    // The events without the sending and receiving lights.
    std::vector<std::string> StateAndValueEvents() const {
        std::vector<std::string> kept;
        for (const std::string& name : events_.names) {
            if (name != "SendingToCameraStatusChanged" &&
                name != "ReceivingFromCameraStatusChanged") {
                kept.push_back(name);
            }
        }
        return kept;
    }

    test::RecordingUiServices ui_;
    RecordingPanelFactory panels_;
    EventLog events_;
    AutomationError lastError_;
    std::unique_ptr<CXKivRZ150LX> module_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
};

}  // namespace xkiv::control_test
