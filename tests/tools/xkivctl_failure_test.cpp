// xkivctl when things go wrong: an unreachable camera, signals, hostile text and mistyped values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "camera/parameter_table.h"
#include "tests/tools/xkivctl_fixture.h"

namespace xkiv {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// What the simulated camera of a case is like; "$DEVICE" in a case's
// arguments and ports stands for its device.
enum class Camera { None, Plain, Silent, Busy, LockedUserId, Latin1UserId };

class XkivctlCaseTest : public XkivctlTest {
protected:
    // Starts the case's camera; the device path, or "" for none.
    std::string Prepare(Camera camera) {
        sim::CameraConfig config;
        sim::LineConfig line;
        switch (camera) {
            case Camera::None:
                return "";
            case Camera::Silent:
                line.dropEvery = 1;
                break;
            case Camera::LockedUserId:
                config.unlockCode = 1234;  // refuses the user ID the control unlocks
                break;
            case Camera::Latin1UserId:
                config.userId = "caf\xE9";
                break;
            case Camera::Plain:
            case Camera::Busy:
                break;
        }
        const std::string device = StartSim(config, line).DevicePath();
        if (camera == Camera::Busy) {
            // Another program holds the port.
            busy_ = ::open(device.c_str(), O_RDWR | O_NOCTTY);
            EXPECT_EQ(::flock(busy_, LOCK_EX | LOCK_NB), 0);
        }
        return device;
    }
    ~XkivctlCaseTest() override {
        if (busy_ >= 0) {
            ::close(busy_);
        }
    }

    static std::vector<std::string> WithDevice(std::vector<std::string> args,
                                               const std::string& device) {
        for (std::string& arg : args) {
            if (arg == "$DEVICE") {
                arg = device;
            }
        }
        return args;
    }

private:
    int busy_ = -1;
};

// ---- A camera that cannot be reached -------------------------------------------------------

struct UnreachableCase {
    const char* name;
    Camera camera;
    const char* ports;
    std::vector<std::string> args;
    const char* reason;
};

class UnreachableCameraTest : public XkivctlCaseTest,
                              public ::testing::WithParamInterface<UnreachableCase> {};

TEST_P(UnreachableCameraTest, ExitsOneWithTheReasonAndLeavesTheStoredValues) {
    const UnreachableCase& c = GetParam();
    ASSERT_EQ(Ctl({"--offline", "set", "MasterGain=7"}).status, 0);
    const std::string profile = Profile();
    const std::string device = Prepare(c.camera);
    const std::string ports = c.ports == std::string("$DEVICE") ? device : c.ports;
    const RunResult run = Ctl(WithDevice(c.args, device), ports);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(c.reason));
    // The stored values stay as they were; the run may only add the name of
    // the port it was pointed at, in a section of its own after them.
    EXPECT_THAT(Profile(), ::testing::StartsWith(profile));
    EXPECT_THAT(Profile(), ::testing::HasSubstr("Master Gain=7\r\n"));
}

const UnreachableCase kUnreachableCases[] = {
    {"SearchFindsNone",
     Camera::None,
     "/nonexistent",
     {"--search", "set", "MasterGain=5"},
     "no camera found"},
    {"StoredPortMissing",
     Camera::None,
     "/nonexistent",
     {"set", "MasterGain=5"},
     "Unable to use communication port"},
    {"StoredPortSilent", Camera::Silent, "$DEVICE", {"get", "MasterGain"}, "time out"},
    {"DeviceBusy",
     Camera::Busy,
     "",
     {"--device", "$DEVICE", "set", "MasterGain=5"},
     "Unable to use communication port"},
};

INSTANTIATE_TEST_SUITE_P(Cases, UnreachableCameraTest, ::testing::ValuesIn(kUnreachableCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(XkivctlTest, SearchTriesEachPortOnce) {
    sim::LineConfig line;
    line.silentAfter = 1;
    sim::SimServer& silent = StartSim({}, line);
    sim::SimServer& camera = StartSim();
    const RunResult run = Ctl({"search"}, silent.DevicePath() + ":" + camera.DevicePath());
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = silent.ReceivedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), lines[0]), 1);
    EXPECT_THAT(run.err, Not(HasSubstr("Unable to find a camera model")));
}

// ---- Signals --------------------------------------------------------------------------------

class InterruptTest : public XkivctlTest, public ::testing::WithParamInterface<int> {};

TEST_P(InterruptTest, EndsTheExchangeAndWritesTheProfile) {
    const std::vector<std::string> set = {"set", "MasterGain=300", "TriggerMode=1"};
    // The camera answers everything up to the trigger mode's command.
    sim::SimServer& probe = StartSim();
    std::vector<std::string> args = {"--device", probe.DevicePath()};
    args.insert(args.end(), set.begin(), set.end());
    ASSERT_EQ(Ctl(args).status, 0);
    const std::vector<std::string> sent = probe.ReceivedLines();
    const auto trigger = std::find(sent.begin(), sent.end(), "TR=1");
    ASSERT_NE(trigger, sent.end());
    std::filesystem::remove_all(dir_ / "config");
    sim::LineConfig line;
    line.silentAfter = static_cast<int>(trigger - sent.begin());
    sim::SimServer& camera = StartSim({}, line);

    args[1] = camera.DevicePath();
    const pid_t child = Spawn(args);
    ASSERT_GT(child, 0);
    // The signal comes while the tool waits for the trigger mode's answer.
    const auto triggerIndex = static_cast<std::size_t>(trigger - sent.begin());
    EXPECT_GT(camera.WaitReceived(triggerIndex + 1), triggerIndex);
    ::kill(child, GetParam());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // An exchange that had run into its time-out would have ended with that error instead.
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_THAT(Profile(), HasSubstr("Master Gain=300"));
    EXPECT_EQ(test::ReadFile(dir_ / "err"), "xkivctl: interrupted\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Int" : "Term"; });

// While another process holds the profile's lock, the run waits for it and
// says after 2 s who holds it; a signal ends the wait with its status and
// writes nothing, a release lets the run write and succeed.
struct LockWaitCase {
    const char* name;
    int signal;  // 0: the lock is released instead
    int status;
};

class ProfileLockWaitTest : public XkivctlTest,
                            public ::testing::WithParamInterface<LockWaitCase> {};

TEST_P(ProfileLockWaitTest, SaysWhoHoldsTheLockAndEndsOnASignal) {
    const LockWaitCase& c = GetParam();
    std::filesystem::create_directories(dir_ / "config" / "KIV");
    const int held = ::open((dir_ / "config" / "KIV" / ".XKivRZ150LX Control.ini.lock").c_str(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const pid_t child = Spawn({"--offline", "set", "MasterGain=321"});
    ASSERT_GT(child, 0);
    const std::string notice = "is locked by process " + std::to_string(::getpid());
    // The notice is the sign that the run waits; it comes after 2 s.
    for (int i = 0; i < 3000 && test::ReadFile(dir_ / "err").find(notice) == std::string::npos;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_THAT(test::ReadFile(dir_ / "err"), HasSubstr(notice));
    if (c.signal != 0) {
        ::kill(child, c.signal);
    } else {
        ::close(held);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), c.status) << test::ReadFile(dir_ / "err");
    if (c.signal != 0) {
        ::close(held);
        EXPECT_THAT(Profile(), Not(HasSubstr("=321")));
        EXPECT_THAT(test::ReadFile(dir_ / "err"), HasSubstr("cannot save the settings"));
    } else {
        EXPECT_THAT(Profile(), HasSubstr("Master Gain=321"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileLockWaitTest,
                         ::testing::Values(LockWaitCase{"Int", SIGINT, 130},
                                           LockWaitCase{"Term", SIGTERM, 143},
                                           LockWaitCase{"Released", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- JSON output ----------------------------------------------------------------------------

struct JsonCase {
    const char* name;
    Camera camera;
    std::vector<std::string> args;
    int status;
    // Members of the output, by JSON pointer, and their values.
    std::vector<std::pair<const char*, nlohmann::json>> expected;
};

class JsonOutputTest : public XkivctlCaseTest, public ::testing::WithParamInterface<JsonCase> {};

TEST_P(JsonOutputTest, IsValidUtf8WithTypedValuesAndErrors) {
    const JsonCase& c = GetParam();
    const RunResult run = Ctl(WithDevice(c.args, Prepare(c.camera)));
    EXPECT_EQ(run.status, c.status) << run.err;
    // parse() refuses text that is not UTF-8.
    const nlohmann::json out = nlohmann::json::parse(run.out);
    for (const auto& [pointer, value] : c.expected) {
        const nlohmann::json::json_pointer at(pointer);
        ASSERT_TRUE(out.contains(at)) << pointer << " in " << run.out;
        EXPECT_EQ(out.at(at), value) << pointer;
    }
}

const JsonCase kJsonCases[] = {
    {"TypedValues",
     Camera::Plain,
     {"--json", "--device", "$DEVICE", "get", "TriggerMode", "ShowAboutWindow", "ModelName"},
     0,
     {{"/values/TriggerMode", 0},
      {"/values/ShowAboutWindow", false},
      {"/values/ModelName", "RZ-130LX"}}},
    {"BytesThatAreNotUtf8",
     Camera::Latin1UserId,
     {"--json", "--device", "$DEVICE", "get", "UserID"},
     0,
     {{"/values/UserID", "caf\u00e9"}}},
    {"SetReportsWhatWasApplied",
     Camera::LockedUserId,
     {"--json", "--device", "$DEVICE", "set", "MasterGain=300", "UserID=x", "TriggerMode=1"},
     1,
     {{"/values", {{"MasterGain", 300}}}, {"/error/code", 0x800A017C}}},
    {"UnknownName",
     Camera::None,
     {"--json", "--offline", "get", "TrigerMode"},
     1,
     {{"/error/code", 0x80020006}}},
    {"NoCameraFound",
     Camera::None,
     {"--json", "--search", "get", "MasterGain"},
     1,
     {{"/error/description", "no camera found"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, JsonOutputTest, ::testing::ValuesIn(kJsonCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Plain-text output shows the camera's text with its control characters
// escaped: a C1 code such as CSI (0x9B) would otherwise drive the terminal.
// Valid UTF-8 is shown as it is.
struct PlainTextCase {
    const char* name;
    const char* userId;  // as the camera holds it
    const char* line;    // as xkivctl prints it
};

class PlainTextOutputTest : public XkivctlTest,
                            public ::testing::WithParamInterface<PlainTextCase> {};

TEST_P(PlainTextOutputTest, EscapesControlCharacters) {
    sim::CameraConfig config;
    config.userId = GetParam().userId;
    const RunResult run = Ctl({"--device", StartSim(config).DevicePath(), "get", "UserID"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string("UserID=") + GetParam().line + "\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, PlainTextOutputTest,
                         ::testing::Values(PlainTextCase{"LoneC1Byte", "a\x9B[2Jb", "a\\x9B[2Jb"},
                                           PlainTextCase{"C1InUtf8", "a\xC2\x9B[2J",
                                                         "a\\xC2\\x9B[2J"},
                                           PlainTextCase{"Latin1Byte", "caf\xE9", "caf\\xE9"},
                                           PlainTextCase{"Utf8Kept", "caf\xC3\xA9", "caf\xC3\xA9"},
                                           PlainTextCase{"BackslashDoubled", "a\\b", "a\\\\b"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(XkivctlTest, SetWithAMalformedAssignmentSetsNothing) {
    EXPECT_EQ(Ctl({"--offline", "set", "MasterGain=300", "TriggerMode"}).status, 64);
    EXPECT_EQ(Ctl({"--offline", "get", "MasterGain"}).out, "MasterGain=0\n");
}

// ---- Values and numbers as typed ----------------------------------------------------------

struct TypedCase {
    const char* name;
    Camera camera;
    std::vector<std::string> args;
    int status;
    const char* out;
    const char* err;
};

class TypedValueTest : public XkivctlCaseTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedValueTest, AreAcceptedOrRefused) {
    const TypedCase& c = GetParam();
    const RunResult run = Ctl(WithDevice(c.args, Prepare(c.camera)));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_THAT(run.err, HasSubstr(c.err));
}

const TypedCase kTypedCases[] = {
    {"ValueNamesInAnyCase",
     Camera::None,
     {"--offline", "set", "TriggerMode=pwc", "TriggerMode=Shutter Select"},
     0,
     "TriggerMode=2\nTriggerMode=1\n",
     ""},
    {"CallOfAProperty",
     Camera::None,
     {"--offline", "call", "TriggerMode"},
     64,
     "",
     "TriggerMode is a property"},
    {"IntervalThatWouldOverflow",
     Camera::None,
     {"--offline", "--interval", "214748365", "get", "MasterGain"},
     64,
     "",
     "--interval must be between 1 and 86400"},
    {"ClassBeyondCameraLink",
     Camera::None,
     {"--class", "2", "get", "MasterGain"},
     64,
     "",
     "--class must be between 0 and 1"},
    {"StoreIntoTheFactoryArea",
     Camera::None,
     {"--offline", "area-store", "0"},
     64,
     "",
     "the area must be between 1 and 2"},
    {"LoadBeyondTheLastArea",
     Camera::None,
     {"--offline", "area-load", "3"},
     64,
     "",
     "the area must be between 0 and 2"},
    {"SetReportsWhatWasApplied",
     Camera::LockedUserId,
     {"--device", "$DEVICE", "set", "MasterGain=300", "UserID=x", "TriggerMode=1"},
     1,
     "MasterGain=300\n",
     "Bad Parameter"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TypedValueTest, ::testing::ValuesIn(kTypedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The user's mistakes: what names the culprit --------------------------------------------

// "$DIR" in an argument stands for the test's folder, which holds refused.cam
// (the family without its keys) and folder.cam (a folder).
struct MistakeCase {
    const char* name;
    Camera camera;
    std::vector<std::string> args;
    int status;
    // stdout holds this (empty: stdout is empty).
    const char* out;
    // Each message on stderr ("xkivctl: ...", a description may take more
    // than one line) holds the matching text, and there are no others.
    std::vector<std::string> err;
    // Members of the JSON object on stdout (with --json), by pointer.
    std::vector<std::pair<const char*, nlohmann::json>> json = {};
};

class MistakeTest : public XkivctlCaseTest, public ::testing::WithParamInterface<MistakeCase> {};

TEST_P(MistakeTest, NamesTheCulpritBesideThePublishedText) {
    const MistakeCase& c = GetParam();
    test::WriteFile(Path("refused.cam"),
                    "[General]\r\nModelName=" + std::string(kModelFamily) + "\r\n");
    std::filesystem::create_directory(Path("folder.cam"));
    std::vector<std::string> args = WithDevice(c.args, Prepare(c.camera));
    for (std::string& arg : args) {
        if (arg.starts_with("$DIR")) {
            arg = Path("") + arg.substr(5);
        }
    }
    const RunResult run = Ctl(args);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (*c.out != '\0') {
        EXPECT_THAT(run.out, HasSubstr(c.out));
    } else if (c.json.empty()) {
        EXPECT_EQ(run.out, "");
    }
    // A command's own help, never the whole usage.
    EXPECT_THAT(run.out, Not(HasSubstr("Commands:")));
    std::vector<std::string> lines;
    for (std::size_t start = 0, end;
         (end = run.err.find("\nxkivctl: ", start)) != std::string::npos; start = end + 1) {
        lines.push_back(run.err.substr(start, end - start));
    }
    if (!run.err.empty()) {
        lines.push_back(run.err.substr(run.err.rfind("xkivctl: ")));
    }
    ASSERT_EQ(lines.size(), c.err.size()) << run.err;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_THAT(lines[i], HasSubstr(c.err[i]));
    }
    if (!c.json.empty()) {
        const nlohmann::json out = nlohmann::json::parse(run.out);
        for (const auto& [pointer, value] : c.json) {
            const nlohmann::json::json_pointer at(pointer);
            ASSERT_TRUE(out.contains(at)) << pointer << " in " << run.out;
            EXPECT_EQ(out.at(at), value) << pointer;
        }
    }
}

const MistakeCase kMistakeCases[] = {
    {"ValueNameNotOffered",
     Camera::Plain,
     {"--device", "$DEVICE", "set", "TriggerMode=pwcx"},
     1,
     "",
     {"error 0x80020005: type mismatch",
      "TriggerMode: \"pwcx\" is not one of No Shutter (0), Shutter Select (1), PWC (2)"}},
    {"NumberNotWhole",
     Camera::None,
     {"--json", "--offline", "set", "MasterGain=1.5"},
     1,
     "",
     {"type mismatch", "MasterGain: \"1.5\" is not a whole number"},
     {{"/error/code", 0x80020005}, {"/error/detail", "MasterGain: \"1.5\" is not a whole number"}}},
    {"NoSuchDevice",
     Camera::None,
     {"--device", "/nonexistent/ttyUSB9", "get", "ModelName"},
     1,
     "",
     {"error 0x800A0039: Unable to use communication port.\nMake sure that no other programs",
      "/nonexistent/ttyUSB9: No such file or directory"}},
    {"NoSuchDeviceInJson",
     Camera::None,
     {"--json", "--device", "/nonexistent/ttyUSB9", "get", "ModelName"},
     1,
     "",
     {"Unable to use", "No such file or directory"},
     {{"/error/code", 0x800A0039},
      {"/error/description",
       "Unable to use communication port.\nMake sure that no other programs are connected to "
       "this port."},
      {"/error/detail", "/nonexistent/ttyUSB9: No such file or directory"}}},
    {"DeviceHeldByAnotherProgram",
     Camera::Busy,
     {"--device", "$DEVICE", "get", "ModelName"},
     1,
     "",
     {"Unable to use", ": Device or resource busy (held by process " + std::to_string(::getpid())}},
    {"NoSuchSettingsFile",
     Camera::None,
     {"--offline", "load", "/nonexistent.cam"},
     1,
     "",
     {"error 0x800A004B: Unmatched data file for this camera.",
      "/nonexistent.cam: No such file or directory"}},
    {"SettingsFileThatIsAFolder",
     Camera::None,
     {"--json", "--offline", "load", "$DIR/folder.cam"},
     1,
     "",
     {"error 0x800A004B: Access failed on read/write file.", "folder.cam: not a regular file"},
     {{"/error/description", "Access failed on read/write file."}}},
    {"SettingsFileWithoutItsKeys",
     Camera::None,
     {"--offline", "load", "$DIR/refused.cam"},
     1,
     "",
     {"Unmatched data file", "refused.cam: key \""}},
    {"MistypedCommand",
     Camera::None,
     {"sett", "MasterGain=1"},
     64,
     "",
     {"unknown command sett", "did you mean set?"}},
    {"MistypedOption",
     Camera::None,
     {"--devic", "X", "get", "MasterGain"},
     64,
     "",
     {"unknown option --devic", "did you mean --device or --devices?"}},
    // Options go anywhere, a value after "=" or as the next argument, the
    // last of a repeated one counts, and "--" ends them.
    {"LastOfARepeatedOptionAfterTheCommand",
     Camera::None,
     {"--offline", "get", "MasterGain", "--interval", "5", "--interval=0"},
     64,
     "",
     {"--interval must be between 1 and 86400: 0"}},
    {"OptionWithoutItsValue",
     Camera::None,
     {"--offline", "get", "MasterGain", "--interval"},
     64,
     "",
     {"--interval needs a value"}},
    {"FlagGivenAValue",
     Camera::None,
     {"--trace=yes", "--offline", "get"},
     64,
     "",
     {"--trace takes no value"}},
    {"OptionAfterTheEndOfOptions",
     Camera::None,
     {"--offline", "get", "--", "--json"},
     1,
     "",
     {"no property or method named --json"}},
    {"UsageErrorInJson",
     Camera::None,
     {"--json", "--offline", "sett"},
     64,
     "",
     {"unknown command sett", "did you mean set?"},
     {{"/command", "sett"},
      {"/error/code", 64},
      {"/error/description", "unknown command sett (see xkivctl --help)"},
      {"/error/detail", "did you mean set?"}}},
    {"CommandHelp", Camera::None, {"register", "--help"}, 0, "xkivctl register [MODULE]\n", {}},
    {"UnregisterHelp",
     Camera::None,
     {"unregister", "--help"},
     0,
     "xkivctl unregister [MODULE]\n  Removes",
     {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, MistakeTest, ::testing::ValuesIn(kMistakeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xkiv
