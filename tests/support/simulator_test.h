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
#include "tests/support/test_files.h"

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
    explicit SimulatorTest(const std::string& prefix) : folder_(prefix) {}
    ~SimulatorTest() override {
        for (auto& server : servers_) {
            server->Stop();
        }
        ::unsetenv("XKIV_SERIAL_PORTS");
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

    TemporaryFolder folder_;
    const std::filesystem::path& dir_ = folder_.Path();
    std::vector<std::unique_ptr<sim::SimServer>> servers_;
};

}  // namespace xkiv::test
