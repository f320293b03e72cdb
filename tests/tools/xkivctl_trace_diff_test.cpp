// xkivctl --trace and xkivctl diff against simulated cameras.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_server.h"
#include "tests/support/test_files.h"
#include "tests/tools/xkivctl_fixture.h"

namespace xkiv {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The lines of a trace without their time stamps (HH:MM:SS.mmm and a
// space); a line without one says so.
std::vector<std::string> Untimed(const std::string& text) {
    constexpr std::string_view kShape = "00:00:00.000 ";
    const auto stamped = [kShape](const std::string& line) {
        if (line.size() < kShape.size()) {
            return false;
        }
        for (std::size_t i = 0; i < kShape.size(); ++i) {
            const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
            if (kShape[i] == '0' ? !digit : line[i] != kShape[i]) {
                return false;
            }
        }
        return true;
    };
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(stamped(line) ? line.substr(kShape.size()) : "no time stamp: " + line);
    }
    return lines;
}

TEST_F(XkivctlTest, TracePrintsEveryLineOnStderrAndLeavesJsonClean) {
    sim::SimServer& server = StartSim();
    const RunResult run =
        Ctl({"--trace", "--json", "--device", server.DevicePath(), "set", "MasterGain=2000"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out,
                ::testing::StartsWith("{\"command\":\"set\",\"values\":{\"MasterGain\":802}"));
    EXPECT_THAT(Untimed(run.err),
                ElementsAre("-> MD?           ModelName ?",               //
                            "<- MD=RZ-130LX   ModelName = \"RZ-130LX\"",  //
                            "-> VN?           FirmwareVersion ?",         //
                            "<- VN=22         FirmwareVersion = 22",      //
                            "-> PV?           FPGAVersion ?",             //
                            "<- PV=10         FPGAVersion = 10",          //
                            "-> ID?           CameraID ?",                //
                            "<- ID=SIM0001    CameraID = \"SIM0001\"",    //
                            "-> UD?           UserID ?",                  //
                            "<- UD=           UserID = \"\"",             //
                            "-> MD?           ModelName ?",               //
                            "<- MD=RZ-130LX   ModelName = \"RZ-130LX\"",  //
                            "-> GA=802        MasterGain := 802",         //
                            "<- COMPLETE"));
}

struct DiffCase {
    const char* name;
    std::vector<std::string> args;  // "DEVICE" stands for the simulator's device
    int status;
    std::string out;
    const char* err;
};

TEST_F(XkivctlTest, DiffComparesSettingsFilesAndTheCamera) {
    sim::SimServer& server = StartSim();
    const std::string device = server.DevicePath();
    // same.cam holds the camera's values; changed.cam two changes made after.
    ASSERT_EQ(Ctl({"--device", device, "read-all"}).status, 0);
    ASSERT_EQ(Ctl({"--device", device, "save", Path("same.cam")}).status, 0);
    ASSERT_EQ(Ctl({"--device", device, "set", "TriggerMode=2", "MasterGain=300"}).status, 0);
    ASSERT_EQ(Ctl({"--device", device, "save", Path("changed.cam")}).status, 0);
    ASSERT_EQ(Ctl({"--offline", "save", Path("offline.cam")}).status, 0);
    test::WriteFile(dir_ / "other.cam", "[General]\r\nModelName=RZ-999\r\n");
    std::string withoutCable = test::ReadFile(dir_ / "same.cam");
    withoutCable.erase(withoutCable.find("Cable Selection=0\r\n"), 19);
    test::WriteFile(dir_ / "nocable.cam", withoutCable);
    const std::string same = Path("same.cam");
    const std::string changed = Path("changed.cam");
    const std::string differences = "TriggerMode: 0 (No Shutter) | 2 (PWC)\nMasterGain: 0 | 300\n";

    const DiffCase cases[] = {
        {"equal files", {"diff", same, same}, 0, "", ""},
        {"different files", {"diff", same, changed}, 1, differences, ""},
        {"a setting only one file has",
         {"diff", same, Path("nocable.cam")},
         1,
         "CableSelection: 0 (1-5m) | (absent)\n",
         ""},
        {"as JSON",
         {"--json", "diff", same, changed},
         1,
         "{\"command\":\"diff\",\"a\":\"" + same + "\",\"b\":\"" + changed +
             "\",\"differences\":[{\"name\":\"TriggerMode\",\"a\":0,\"aName\":\"No Shutter\","
             "\"b\":2,\"bName\":\"PWC\"},{\"name\":\"MasterGain\",\"a\":0,\"b\":300}],"
             "\"events\":[]}\n",
         ""},
        {"a file against the camera", {"--device", "DEVICE", "diff", same}, 1, differences, ""},
        {"the camera's own file", {"--device", "DEVICE", "diff", changed}, 0, "", ""},
        {"offline, against the stored values",
         {"--offline", "diff", Path("offline.cam")},
         0,
         "",
         "comparing with the stored values"},
        {"a missing file",
         {"diff", Path("missing.cam"), same},
         2,
         "",
         "missing.cam: No such file or directory"},
        {"another family's file", {"diff", same, Path("other.cam")}, 2, "", "result 109"},
        {"no camera", {"--device", Path("no-such-port"), "diff", same}, 2, "", "error 0x"},
    };
    for (const DiffCase& diff : cases) {
        SCOPED_TRACE(diff.name);
        std::vector<std::string> args = diff.args;
        std::replace(args.begin(), args.end(), std::string("DEVICE"), device);
        const RunResult run = Ctl(args);
        EXPECT_EQ(run.status, diff.status) << run.err;
        EXPECT_EQ(run.out, diff.out);
        EXPECT_THAT(run.err, HasSubstr(diff.err));
    }
}

}  // namespace
}  // namespace xkiv
