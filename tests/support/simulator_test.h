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
#include "tests/support/simulator_clock.h"
#include "tests/support/test_files.h"

namespace xkiv::test {

inline sim::CameraConfig Model(const std::string& model, int firmware = -1) {
    sim::CameraConfig config;
    config.model = model;
    config.firmware = firmware;
    return config;
}

// The clock of the code that talks to the simulated cameras.
enum class ClientClock {
    // The test's clock_, which the fixture hands to the code under test: time-outs and
    // one-push polls follow the simulators, not the machine's speed.
    Test,
    // The real clock: the code runs in a child process, or is a control the built module
    // created. The simulators time their one-push commands by the real clock too.
    Real,
};

// Gives each test an empty folder of its own and serves simulated cameras
// on pseudo-terminals. Derived fixtures destroy what talks to the cameras in
// their destructors; the simulators stop and the folder goes afterwards.
class SimulatorTest : public ::testing::Test {
protected:
    explicit SimulatorTest(const std::string& prefix, ClientClock clientClock = ClientClock::Test)
        : folder_(prefix), clientClock_(clientClock) {}
    ~SimulatorTest() override {
        for (auto& server : servers_) {
            server->Stop();
        }
        ::unsetenv("XKIV_SERIAL_PORTS");
    }

    sim::SimServer& StartSim(const sim::CameraConfig& config = {},
                             const sim::LineConfig& line = {}) {
        std::string error;
        auto server = sim::SimServer::Create(
            config, line, &error,
            clientClock_ == ClientClock::Test ? clock_.CameraTime() : SystemClock());
        EXPECT_NE(server, nullptr) << error;
        EXPECT_TRUE(server->Start());
        clock_.Watch(*server);
        servers_.push_back(std::move(server));
        return *servers_.back();
    }

    // A camera that takes every command and answers none.
    sim::SimServer& StartSilentSim() {
        sim::LineConfig line;
        line.dropEvery = 1;
        return StartSim({}, line);
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
    const ClientClock clientClock_;
    SimulatorClock clock_;  // outlives the simulators, which read its time
    std::vector<std::unique_ptr<sim::SimServer>> servers_;
};

}  // namespace xkiv::test
