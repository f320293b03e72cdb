// A test fixture base: the test's own folder and the simulated cameras it starts.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_server.h"

namespace xkiv::test {

inline sim::CameraConfig Model(const std::string& model, int firmware = -1) {
    sim::CameraConfig config;
    config.model = model;
    config.firmware = firmware;
    return config;
}

// Gives each test an empty folder of its own and serves simulated cameras
// on pseudo-terminals. Derived fixtures destroy what talks to the cameras in
// their destructors; the simulators stop and the folder goes afterwards.
class SimulatorTest : public ::testing::Test {
protected:
    explicit SimulatorTest(const std::string& prefix)
        : dir_(std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~SimulatorTest() override {
        for (auto& server : servers_) {
            server->Stop();
        }
        ::unsetenv("XKIV_SERIAL_PORTS");
        std::filesystem::remove_all(dir_);
    }

    sim::SimServer& StartSim(const sim::CameraConfig& config = {},
                             const sim::LineConfig& line = {}) {
        std::string error;
        auto server = sim::SimServer::Create(config, line, &error);
        EXPECT_NE(server, nullptr) << error;
        EXPECT_TRUE(server->Start());
        servers_.push_back(std::move(server));
        return *servers_.back();
    }

    // Points the serial-port class of objects constructed from now on at
    // these devices.
    static void UseSerialPorts(const std::vector<std::string>& devices) {
        std::string list;
        for (const std::string& device : devices) {
            list += (list.empty() ? "" : ":") + device;
        }
        ::setenv("XKIV_SERIAL_PORTS", list.c_str(), 1);
    }

    // The lines the simulator received after the first mark lines.
    static std::vector<std::string> LinesSince(const sim::SimServer& server, std::size_t mark) {
        std::vector<std::string> lines = server.ReceivedLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(std::min(mark, lines.size())));
        return lines;
    }

    std::filesystem::path dir_;
    std::vector<std::unique_ptr<sim::SimServer>> servers_;
};

}  // namespace xkiv::test
