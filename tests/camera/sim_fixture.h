// A simulated camera on a pseudo-terminal and a camera object connected to it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_camera.h"
#include "sim/sim_server.h"
#include "tests/camera/recording_camera.h"
#include "tests/support/recording_ui_services.h"
#include "tests/support/simulator_test.h"

namespace xkiv::test {

// Each test gets its own profile folder; serial ports come from
// XKIV_SERIAL_PORTS, which the fixture points at its simulators.
class SimCameraTest : public SimulatorTest {
protected:
    SimCameraTest() : SimulatorTest("xkiv-camera") {
        profile_ = std::make_unique<ProfileStore>(dir_ / "profile.ini");
    }
    ~SimCameraTest() override {
        cameras_.clear();
        profile_.reset();
    }

    // A camera object whose serial ports are the given devices.
    RecordingCamera& MakeCamera(const std::vector<std::string>& devices) {
        UseSerialPorts(devices);
        cameras_.push_back(std::make_unique<RecordingCamera>(*profile_, ui_, clock_));
        return *cameras_.back();
    }

    // A camera object connected to the simulator; its records start empty.
    RecordingCamera& Connected(sim::SimServer& server) {
        RecordingCamera& camera = MakeCamera({server.DevicePath()});
        EXPECT_EQ(camera.Connect(0, 0), rc::kOk);
        camera.events.clear();
        return camera;
    }

    std::unique_ptr<ProfileStore> profile_;
    RecordingUiServices ui_;
    std::vector<std::unique_ptr<RecordingCamera>> cameras_;
};

}  // namespace xkiv::test
