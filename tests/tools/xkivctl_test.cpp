// xkivctl end to end: the program as a child process against simulated cameras.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>

#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "camera/parameter_table.h"
#include "sim/sim_camera.h"
#include "sim/sim_server.h"
#include "tests/support/camera_state.h"
#include "tests/support/patience.h"
#include "tests/support/test_files.h"
#include "tests/tools/xkivctl_fixture.h"

namespace xkiv {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace fs = std::filesystem;

TEST_F(XkivctlTest, SetPrintsWhatWasStoredAfterClamping) {
    sim::SimServer& server = StartSim();
    const RunResult run = Ctl({"--device", server.DevicePath(), "set", "TriggerMode=9",
                               "AutoResetMode=7", "MasterGain=-20"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "TriggerMode=2\nAutoResetMode=1\nMasterGain=0\n");
    const std::vector<std::string> lines = server.ReceivedLines();
    EXPECT_THAT(lines, ::testing::Contains("TR=2"));
    EXPECT_THAT(lines, ::testing::Contains("ARST=1"));
}

TEST_F(XkivctlTest, EventsOfAPropertySetComeInOrder) {
    sim::SimServer& server = StartSim();
    const RunResult run =
        Ctl({"--events", "--device", server.DevicePath(), "set", "TriggerMode=1"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t connected = run.err.rfind("event: CommPortChanged");
    ASSERT_NE(connected, std::string::npos) << run.err;
    EXPECT_THAT(run.err.substr(connected), HasSubstr("event: SendingToCameraStatusChanged\n"
                                                     "event: SendingToCameraStatusChanged\n"
                                                     "event: TriggerModeChanged\n"));
    EXPECT_THAT(run.err, StartsWith("event: OnlineStatusChanged\n"
                                    "event: SynchronizationStatusChanged\n"
                                    "event: OnlineStatusChanged\n"));
}

TEST_F(XkivctlTest, JsonOutputHasValuesResultsOutParametersAndEvents) {
    sim::SimServer& server = StartSim();
    RunResult run =
        Ctl({"--json", "--device", server.DevicePath(), "get", "TriggerMode", "ModelName"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, StartsWith("{\"command\":\"get\",\"values\":{\"TriggerMode\":0,"
                                    "\"ModelName\":\"RZ-130LX\"},\"events\":["));
    EXPECT_THAT(run.out, HasSubstr("\"OnlineStatusChanged\""));

    run = Ctl({"--json", "--device", server.DevicePath(), "call", "AutoSelectCommunication", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("\"values\":{\"result\":1}"));
    EXPECT_THAT(run.out, HasSubstr("\"out\":{\"pnClass\":0,\"pnPort\":0}"));

    run = Ctl({"--json", "--device", server.DevicePath(), "read-all"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("\"resultCode\":0,\"resultText\":\"No error detected.\""));
}

TEST_F(XkivctlTest, AutomationErrorGivesStatusOneWithCodeAndDescription) {
    sim::CameraConfig config;
    config.unlockCode = 1234;  // the camera refuses the user ID the control unlocks
    sim::SimServer& server = StartSim(config);
    const RunResult run = Ctl({"--device", server.DevicePath(), "set", "UserID=line 7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("error 0x800A017C: \"UD\" : Bad Parameter !!"));
}

TEST_F(XkivctlTest, FailingMethodResultGivesStatusTwo) {
    const RunResult run = Ctl({"--offline", "call", "ReadAllFromCamera"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "result=100 (Operation failed. The camera is offline.)\n");
}

TEST_F(XkivctlTest, OfflineSetsPersistToTheNextRun) {
    RunResult run = Ctl({"--offline", "set", "MasterGain=300", "TestPatternString=color bar"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Ctl({"--offline", "get", "MasterGain", "TestPattern"});
    EXPECT_EQ(run.out, "MasterGain=300\nTestPattern=1\n");
}

TEST_F(XkivctlTest, PulledCableDuringReadAllIsAnAutomationError) {
    sim::LineConfig line;
    line.silentAfter = 6 + 10;
    sim::SimServer& server = StartSim({}, line);
    const RunResult run = Ctl({"--events", "--device", server.DevicePath(), "read-all"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("error 0x800A0039: Operation time out."));
    // The link failure takes the camera offline before the error reaches the caller.
    EXPECT_THAT(run.err, HasSubstr("event: OnlineStatusChanged\n"
                                   "event: SynchronizationStatusChanged\n"
                                   "event: SynchronizationStatusChanged\n"
                                   "xkivctl: error"));
}

TEST_F(XkivctlTest, UnknownNamesSuggestTheClosest) {
    const RunResult run = Ctl({"--offline", "get", "TrigerMode"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("did you mean TriggerMode"));
}

TEST_F(XkivctlTest, ShortcutsRunTheirMethods) {
    sim::CameraConfig config;
    config.onePushMs = 50;
    sim::SimServer& server = StartSim(config);
    const std::string device = server.DevicePath();
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"read-all"},
                                               {"write-all"},
                                               {"save", Path("a.cam")},
                                               {"load", Path("a.cam")},
                                               {"report", Path("r.txt")},
                                               {"aberration-save", Path("ab.csv")},
                                               {"aberration-load", Path("ab.csv")},
                                               {"area-store", "1"},
                                               {"area-load", "1"},
                                               {"onepush", "awb"},
                                               {"onepush", "shading", "color"},
                                               {"onepush", "line-rate"},
                                               {"search"}}) {
        std::vector<std::string> full = {"--device", device};
        full.insert(full.end(), args.begin(), args.end());
        const RunResult run = Ctl(full);
        EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
    }
    EXPECT_TRUE(fs::exists(dir_ / "a.cam"));
    EXPECT_THAT(test::ReadFile(dir_ / "r.txt"), HasSubstr("Model Name,"));
    const std::string aberration = test::ReadFile(dir_ / "ab.csv");
    EXPECT_EQ(std::count(aberration.begin(), aberration.end(), '\n'), 34);
    const std::vector<std::string> lines = server.ReceivedLines();
    for (const char* sent : {"SA=1", "LD=1", "AW=0", "SDR=1", "AR=0"}) {
        EXPECT_THAT(lines, ::testing::Contains(sent));
    }
}

// The report loads each settings area to read it; the camera's own settings, which nothing
// synchronized with the program before, are what it holds afterwards.
TEST_F(XkivctlTest, ReportLeavesTheCameraAsItFoundIt) {
    sim::SimServer& server = StartSim();
    server.WithCamera([](sim::SimCamera& camera) {
        for (const auto& [row, value] :
             {std::pair{row::LR, 23456}, std::pair{row::TR, 1}, std::pair{row::AL, 300},
              std::pair{row::BL, 40}, std::pair{row::KPR, 700}}) {
            camera.SetValue(row, value);
        }
    });
    const test::CameraState before = test::StateOf(server);
    const RunResult run = Ctl({"--device", server.DevicePath(), "report", Path("r.txt")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(test::Changes(before, test::StateOf(server)), ::testing::IsEmpty());
}

TEST_F(XkivctlTest, SearchFindsTheCameraThroughTheStoredSelection) {
    sim::SimServer& silent = StartSim({}, [] {
        sim::LineConfig line;
        line.silentAfter = 1;
        return line;
    }());
    sim::SimServer& camera = StartSim();
    const std::string ports = silent.DevicePath() + ":" + camera.DevicePath();
    RunResult run = Ctl({"call", "AutoSelectCommunication", "0"}, ports);
    EXPECT_THAT(run.out, HasSubstr("pnPort=1"));
    // The selection persists: the next run opens the second port directly.
    run = Ctl({"get", "CommPort", "ModelName"}, ports);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "CommPort=1\nModelName=RZ-130LX\n");
}

// libserialport is loaded only when the serial ports are listed: a run on a
// named device or offline starts without it.
TEST_F(XkivctlTest, SerialPortLibraryIsLoadedOnlyToListPorts) {
    sim::SimServer& server = StartSim();
    const struct {
        std::vector<std::string> args;
        bool listsPorts;
    } cases[] = {
        {{"--offline", "get", "ModelName"}, false},
        {{"--device", server.DevicePath(), "get", "ModelName"}, false},
        {{"--offline", "call", "AskCommPortRange", "0", "1"}, true},
    };
    for (const auto& c : cases) {
        const RunResult run = Ctl(c.args, std::nullopt, "LD_DEBUG=libs");
        EXPECT_EQ(run.status, 0) << c.args.back() << ": " << run.err;
        EXPECT_EQ(run.err.find("libserialport.so") != std::string::npos, c.listsPorts)
            << c.args[0] << " " << c.args[1];
    }
}

TEST_F(XkivctlTest, ListShowsMembersWithValuesRangesAndNames) {
    const RunResult run = Ctl({"--offline", "--json", "list"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("{\"dispid\":27,\"name\":\"TriggerMode\",\"type\":\"long\","
                                   "\"readOnly\":false,\"help\":\"Property Trigger Mode\","
                                   "\"value\":0,\"range\":[0,2],\"names\":[\"No Shutter\","
                                   "\"Shutter Select\",\"PWC\"]}"));
    EXPECT_THAT(run.out, HasSubstr("\"name\":\"AutoSelectCommunication\",\"result\":\"long\""));
    const RunResult text = Ctl({"--offline", "list"});
    EXPECT_THAT(text.out, HasSubstr("RedExposure  long = "));
}

// Reads from fd onto text until text holds what; false when the output ends first.
bool ReadUntil(int fd, std::string& text, const std::string& what) {
    pollfd waitFor{fd, POLLIN, 0};
    while (text.find(what) == std::string::npos) {
        char chunk[256];
        if (::poll(&waitFor, 1, test::kPatienceMs) != 1) {
            return false;
        }
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

TEST_F(XkivctlTest, WatchPrintsTheEventsOfWhatChangedUntilInterrupted) {
    sim::SimServer& server = StartSim();
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    // Everything the child needs is prepared before fork: the simulator's
    // thread may hold the allocator's lock at that moment.
    const std::string device = server.DevicePath();
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::execl(XKIV_XKIVCTL_PATH, "xkivctl", "--device", device.c_str(), "watch", "--interval",
                "1", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(output[1]);
    ::unsetenv("XDG_CONFIG_HOME");
    // Once connected, the camera changes behind the tool's back.
    std::string out;
    EXPECT_TRUE(ReadUntil(output[0], out, "CommPortChanged\n"));
    server.WithCamera([](sim::SimCamera& camera) { camera.SetValue(row::GA, 500); });
    EXPECT_TRUE(ReadUntil(output[0], out, "MasterGainChanged\n"));
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    char rest[256];
    for (ssize_t got = 0; (got = ::read(output[0], rest, sizeof rest)) > 0;) {
        out.append(rest, static_cast<std::size_t>(got));
    }
    ::close(output[0]);
    // Only what moved: the read-all's other value events are not shown.
    EXPECT_THAT(out, Not(HasSubstr("TriggerModeChanged")));
}

TEST_F(XkivctlTest, RegisterAndUnregisterTheControlModule) {
    RunResult run = Ctl({"register"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, StartsWith("registered /"));
    const std::string registry = test::ReadFile(dir_ / "data" / "KIV" / "classes.ini");
    EXPECT_THAT(registry, HasSubstr("XKIVRZ150LX.XKivRZ150LXCtrl.1"));
    EXPECT_THAT(registry, HasSubstr("libXKivRZ150LX.so"));
    run = Ctl({"unregister"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(test::ReadFile(dir_ / "data" / "KIV" / "classes.ini"),
                Not(HasSubstr("XKivRZ150LXCtrl")));
    EXPECT_EQ(Ctl({"register", (dir_ / "missing.so").string()}).status, 1);
}

TEST_F(XkivctlTest, HelpAndUsageErrors) {
    EXPECT_EQ(Ctl({"--help"}).status, 0);
    EXPECT_THAT(Ctl({"set", "--help"}).out, HasSubstr("NAME=VALUE"));
    EXPECT_EQ(Ctl({"frobnicate"}).status, 64);
    EXPECT_EQ(Ctl({"--offline", "--search", "get", "x"}).status, 64);
    EXPECT_EQ(Ctl({"--offline", "set", "novalue"}).status, 64);
}

// Runs started together each change one setting; every change survives, and a
// run that changes nothing leaves the profile file as it was.
TEST_F(XkivctlTest, ParallelOfflineSetsKeepEveryChange) {
    const std::vector<std::string> sets = {"MasterGain=300", "RedGain=20",    "BlueGain=30",
                                           "TriggerMode=1",  "TestPattern=1", "MasterBlackLevel=9"};
    std::string command;
    for (std::size_t i = 0; i < sets.size(); ++i) {
        command += "XDG_CONFIG_HOME=" + Quoted((dir_ / "config").string()) + " " +
                   Quoted(XKIV_XKIVCTL_PATH) + " --offline set " + Quoted(sets[i]) + " >" +
                   Quoted((dir_ / ("set" + std::to_string(i))).string()) + " 2>&1 & ";
    }
    ASSERT_EQ(std::system((command + "wait").c_str()), 0);

    std::vector<std::string> names;
    std::string printed;
    for (std::size_t i = 0; i < sets.size(); ++i) {
        names.push_back(sets[i].substr(0, sets[i].find('=')));
        printed += test::ReadFile(dir_ / ("set" + std::to_string(i)));
    }
    const fs::path profile = dir_ / "config" / "KIV" / "XKivRZ150LX Control.ini";
    const auto written = fs::last_write_time(profile);
    std::vector<std::string> get = {"--offline", "get"};
    get.insert(get.end(), names.begin(), names.end());
    const RunResult run = Ctl(get);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, printed);
    EXPECT_EQ(fs::last_write_time(profile), written);
}

TEST_F(XkivctlTest, SettingsThatCannotBeSavedGiveStatusOneWithPathAndReason) {
    const fs::path profile = dir_ / "config" / "KIV" / "XKivRZ150LX Control.ini";
    fs::create_directories(profile);
    const RunResult run = Ctl({"--offline", "set", "MasterGain=77"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr(profile.string() + ": not a regular file"));
}

}  // namespace
}  // namespace xkiv
