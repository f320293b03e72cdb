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

namespace xkiv::test {

// Each test gets its own profile folder; serial ports come from
// XKIV_SERIAL_PORTS, which the fixture points at its simulators.
class SimCameraTest : public ::testing::Test {
protected:
    SimCameraTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("xkiv-camera-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        profile_ = std::make_unique<ProfileStore>(dir_ / "profile.ini");
    }
    ~SimCameraTest() override {
        cameras_.clear();
        profile_.reset();
        for (auto& server : servers_) {
            server->Stop();
        }
        ::unsetenv("XKIV_SERIAL_PORTS");
        std::filesystem::remove_all(dir_);
    }

    sim::SimServer& StartSim(const sim::CameraConfig& config, const sim::LineConfig& line = {}) {
        std::string error;
        auto server = sim::SimServer::Create(config, line, &error);
        EXPECT_NE(server, nullptr) << error;
        EXPECT_TRUE(server->Start());
        servers_.push_back(std::move(server));
        return *servers_.back();
    }

    // A camera object whose serial ports are the given devices.
    RecordingCamera& MakeCamera(const std::vector<std::string>& devices) {
        std::string list;
        for (const std::string& device : devices) {
            list += (list.empty() ? "" : ":") + device;
        }
        ::setenv("XKIV_SERIAL_PORTS", list.c_str(), 1);
        cameras_.push_back(std::make_unique<RecordingCamera>(*profile_, ui_));
        return *cameras_.back();
    }

    // A camera object connected to a new simulator of this configuration.
    RecordingCamera& Connected(sim::SimServer& server) {
        RecordingCamera& camera = MakeCamera({server.DevicePath()});
        EXPECT_EQ(camera.Connect(0, 0), rc::kOk);
        camera.events.clear();
        return camera;
    }

    static std::vector<std::string> LinesSince(const sim::SimServer& server, std::size_t mark) {
        std::vector<std::string> lines = server.ReceivedLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(std::min(mark, lines.size())));
        return lines;
    }

    std::filesystem::path dir_;
    std::unique_ptr<ProfileStore> profile_;
    RecordingUiServices ui_;
    std::vector<std::unique_ptr<sim::SimServer>> servers_;
    std::vector<std::unique_ptr<RecordingCamera>> cameras_;
};

inline sim::CameraConfig Model(const std::string& model, int firmware = -1) {
    sim::CameraConfig config;
    config.model = model;
    config.firmware = firmware;
    return config;
}

}  // namespace xkiv::test
