// xkivctl with network ports and with several cameras at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "camera/parameter_table.h"
#include "sim/sim_camera.h"
#include "tests/support/ser2net_bridge.h"
#include "tests/tools/xkivctl_fixture.h"

namespace xkiv {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}
using Mode = test::Ser2netBridge::Mode;

class XkivctlDevicesTest : public XkivctlTest {
protected:
    void SetUp() override {
        if (test::Ser2netBridge::Program().empty()) {
            GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
        }
    }

    // A simulator behind a bridge of its own, started.
    test::Ser2netBridge& Bridged(sim::SimServer& server, Mode mode) {
        bridges_.push_back(std::make_unique<test::Ser2netBridge>(dir_, server.PtyPath(), mode));
        EXPECT_TRUE(bridges_.back()->Start());
        return *bridges_.back();
    }
    // Between two runs: a bridge turns a client away until it has let go
    // of the device after the last one.
    void BridgesReleased() {
        for (const auto& bridge : bridges_) {
            EXPECT_TRUE(bridge->WaitReleased());
        }
    }
    std::int32_t SimValue(sim::SimServer& server, int row) {
        std::int32_t value = 0;
        server.WithCamera([&](sim::SimCamera& camera) { value = camera.Value(row); });
        return value;
    }

    std::vector<std::unique_ptr<test::Ser2netBridge>> bridges_;
};

// An address works wherever a device does: --device, the stored port that
// the next run opens by its name, and the search over XKIV_SERIAL_PORTS.
TEST_F(XkivctlDevicesTest, NetworkPortByAddressRememberedAndSearched) {
    sim::SimServer& server = StartSim();
    const std::string address = Bridged(server, Mode::Rfc2217).Address();

    RunResult run = Ctl({"--device", address, "get", "ModelName"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ModelName=RZ-130LX\n");
    EXPECT_THAT(Profile(), HasSubstr("PortName=" + address));

    BridgesReleased();
    run = Ctl({"get", "CameraID"}, std::nullopt);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "CameraID=SIM0001\n");

    BridgesReleased();
    run = Ctl({"search"}, "/dev/null:" + address);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("pnClass=2\npnPort=0\n"));
}

// Four cameras, one of them behind ser2net: each gets the same settings
// file; output lines carry the device, JSON objects too; files are named
// per camera; the profile is left as it was. A camera that is missing fails
// alone, is named in the summary, and gives the run its status.
TEST_F(XkivctlDevicesTest, SeveralCamerasAtOnce) {
    std::vector<sim::SimServer*> servers;
    for (int i = 1; i <= 4; ++i) {
        sim::CameraConfig config;
        config.cameraId = "CAM" + std::to_string(i);
        servers.push_back(&StartSim(config));
    }
    const std::vector<std::string> devices = {servers[0]->DevicePath(), servers[1]->DevicePath(),
                                              servers[2]->DevicePath(),
                                              Bridged(*servers[3], Mode::Raw).Address()};
    std::string list = "# the rig\n\n";
    for (const std::string& device : devices) {
        list += "  " + device + "\n";
    }
    test::WriteFile(dir_ / "rig.txt", list);
    const std::string rig = Path("rig.txt");

    // The settings file: the first camera's, read whole, with one change.
    ASSERT_EQ(Ctl({"--device", devices[0], "read-all"}).status, 0);
    ASSERT_EQ(Ctl({"--device", devices[0], "set", "MasterGain=777"}).status, 0);
    ASSERT_EQ(Ctl({"--device", devices[0], "save", Path("settings.cam")}).status, 0);
    const std::string profile = Profile();

    RunResult run = Ctl({"--devices", rig, "load", Path("settings.cam")});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string expected;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        expected += devices[i] + ": result=0 (No error detected.)\n";
        EXPECT_EQ(SimValue(*servers[i], row::GA), 777) << devices[i];
    }
    EXPECT_EQ(run.out, expected);

    BridgesReleased();
    run = Ctl({"--json", "--device", devices[3], "--device", devices[1], "get", "CameraID"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> objects = Lines(run.out);
    ASSERT_EQ(objects.size(), 2u) << run.out;
    EXPECT_THAT(objects[0],
                StartsWith("{\"device\":\"" + devices[3] +
                           "\",\"command\":\"get\",\"values\":{\"CameraID\":\"CAM4\"}"));
    EXPECT_THAT(objects[1],
                StartsWith("{\"device\":\"" + devices[1] +
                           "\",\"command\":\"get\",\"values\":{\"CameraID\":\"CAM2\"}"));

    BridgesReleased();
    run = Ctl({"--devices", rig, "save", Path("{id}.cam")});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* id : {"CAM1", "CAM2", "CAM3", "CAM4"}) {
        EXPECT_TRUE(std::filesystem::exists(dir_ / (std::string(id) + ".cam"))) << id;
    }

    BridgesReleased();
    servers[2]->WithCamera([](sim::SimCamera& camera) { camera.SetValue(row::GA, 700); });
    test::WriteFile(dir_ / "rig.txt", list + Path("missing-camera") + "\n");
    run = Ctl({"--devices", rig, "diff", Path("settings.cam")});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_THAT(run.out, HasSubstr(devices[2] + ": MasterGain: 777 | 700\n"));
    EXPECT_THAT(run.err, HasSubstr("xkivctl: 1 of 5 devices failed\n"
                                   "xkivctl: failed: " +
                                   Path("missing-camera") + ": error 0x"));
    EXPECT_EQ(Profile(), profile);
}

// What cannot run on several cameras is refused before any is touched.
TEST_F(XkivctlTest, SeveralCamerasRefuseWhatNeedsOne) {
    test::WriteFile(dir_ / "rig.txt", "/dev/null\n");
    test::WriteFile(dir_ / "empty.txt", "# nothing\n");
    const std::string rig = Path("rig.txt");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--devices", rig, "watch"}, "watch works on one camera"},
        {{"--devices", rig, "search"}, "search works on one camera"},
        {{"--devices", rig, "call", "StartCommunication", "0", "0"},
         "StartCommunication chooses its own port"},
        {{"--devices", rig, "save", "all.cam"}, "save: several cameras need {id} or {device}"},
        {{"--device", "/dev/a", "--device", "/dev/a", "get", "X"}, "/dev/a is named twice"},
        {{"--devices", Path("none.txt"), "get", "X"}, "cannot read the device list"},
        {{"--devices", Path("empty.txt"), "get", "X"}, "names no device"},
        {{"--devices", rig, "--offline", "get", "X"}, "choose one of"},
    };
    for (const auto& c : cases) {
        const RunResult run = Ctl(c.args);
        EXPECT_EQ(run.status, 64) << c.message;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace xkiv
