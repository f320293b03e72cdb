// Setup files, the camera data report and aberration files against the simulator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "camera/camera_files.h"
#include "platform/ini_document.h"
#include "tests/camera/sim_fixture.h"
#include "tests/support/test_files.h"

namespace xkiv::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> WithPrefix(const std::vector<std::string>& lines,
                                    const std::string& prefix) {
    std::vector<std::string> matching;
    for (const std::string& line : lines) {
        if (line.starts_with(prefix)) {
            matching.push_back(line);
        }
    }
    return matching;
}

class CameraFilesTest : public SimCameraTest {
protected:
    std::string PathOf(const char* name) const { return (dir_ / name).string(); }
};

TEST_F(CameraFilesTest, SetupFileMovesSettingsFromOneCameraToAnother) {
    sim::SimServer& first = StartSim(Model("RZ-130LX"));
    RecordingCamera& source = Connected(first);
    ASSERT_EQ(source.ReadAll(), rc::kOk);
    ASSERT_EQ(source.SetValue(row::GA, 150, true, true), rc::kOk);
    ASSERT_EQ(source.SetValueText(row::TR, "Shutter Select"), rc::kOk);
    ASSERT_EQ(source.SetValue(row::MAV, 1, true, true), rc::kOk);
    ASSERT_EQ(source.SetValueText(row::CABN1, "Lens 50mm"), rc::kOk);
    int failedRow = -1;
    ASSERT_EQ(source.WriteSetupFile(PathOf("setup.cam"), &failedRow), rc::kOk);
    EXPECT_EQ(failedRow, kParameterCount);
    const std::string text = ReadFile(dir_ / "setup.cam");
    EXPECT_TRUE(
        text.starts_with("[General]\r\nModelName=RZ-130LX/RZ-150LX/RZ-130LX-FS/"
                         "RZ-150LX-HR\r\nModel Name=RZ-130LX\r\n"))
        << text;
    EXPECT_NE(text.find("[Gain]\r\nGain Mode=0\r\nMaster Gain=150\r\n"), std::string::npos);

    sim::SimServer& second = StartSim(Model("RZ-130LX"));
    RecordingCamera& target = Connected(second);
    const std::size_t mark = second.ReceivedLines().size();
    ASSERT_EQ(target.ReadSetupFile(PathOf("setup.cam"), &failedRow), rc::kOk);
    EXPECT_EQ(failedRow, kParameterCount);
    EXPECT_EQ(target.Value(row::GA), 150);
    second.WithCamera([](sim::SimCamera& sim) {
        EXPECT_EQ(sim.Value(row::GA), 150);
        EXPECT_EQ(sim.Value(row::TR), 1);
        EXPECT_EQ(sim.Text(row::CABN1), "Lens 50mm");
    });
    const std::vector<std::string> sent = LinesSince(second, mark);
    EXPECT_THAT(sent, Contains("GA=150"));
    // Values are applied with refresh off while the file loads.
    EXPECT_THAT(target.events, Contains("Value:GA:norefresh"));
    EXPECT_FALSE(target.IsFileLoading());
}

TEST_F(CameraFilesTest, SetupFileOfAnotherFamilyIsRefused) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.WriteSetupFile(PathOf("setup.cam")), rc::kOk);
    std::string text = ReadFile(dir_ / "setup.cam");
    const std::string family = "RZ-130LX/RZ-150LX/RZ-130LX-FS/RZ-150LX-HR";
    text.replace(text.find(family), family.size(), "RZ-130LX");
    WriteFile(dir_ / "single.cam", text);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.ReadSetupFile(PathOf("single.cam")), rc::kUnmatchedFile);
    EXPECT_EQ(camera.ReadSetupFile(PathOf("missing.cam")), rc::kUnmatchedFile);
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
}

TEST_F(CameraFilesTest, MissingKeyStopsTheLoadAtItsRow) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.WriteSetupFile(PathOf("setup.cam")), rc::kOk);
    std::string text = ReadFile(dir_ / "setup.cam");
    const std::size_t key = text.find("Master Gain=");
    text.erase(key, text.find("\r\n", key) + 2 - key);
    WriteFile(dir_ / "broken.cam", text);
    int failedRow = 0;
    EXPECT_EQ(camera.ReadSetupFile(PathOf("broken.cam"), &failedRow), rc::kUnmatchedFile);
    EXPECT_EQ(failedRow, row::GA);
}

// A file that lacks a key is refused at that row, unless the row was added
// after files were written (PF_MAY_BE_ABSENT) or is model-dependent (it
// then only counts where the file's model has it).
TEST(SetupFileKeys, EachKeyIsRequiredUnlessAddedLater) {
    const auto fileWithout = [](int skipped) {
        IniDocument file;
        file.Set("General", "ModelName", kModelFamily);
        for (int row = 0; row < kParameterCount; ++row) {
            if (HasFlag(row, PF_PROFILE) && row != skipped) {
                const ParameterKey& key = Entry(row).profile;
                file.Set(key.section, key.key,
                         HasFlag(row, PF_STRING) ? "A" : std::to_string(Entry(row).minimum));
            }
        }
        return file;
    };
    std::vector<SetupValue> values;
    int failedRow = -1;
    ASSERT_EQ(ReadSetupValues(fileWithout(-1), values, failedRow), rc::kOk);
    for (int row = 0; row < kParameterCount; ++row) {
        if (!HasFlag(row, PF_PROFILE)) {
            continue;
        }
        const bool mayLack = HasFlag(row, PF_MODEL_DEPENDENT) || HasFlag(row, PF_MAY_BE_ABSENT);
        const ResultCode expected = mayLack ? rc::kOk : rc::kUnmatchedFile;
        EXPECT_EQ(ReadSetupValues(fileWithout(row), values, failedRow), expected)
            << Entry(row).profile.key;
        if (expected != rc::kOk) {
            EXPECT_EQ(failedRow, row);
        }
    }
}

// A setup file that would fail for its own content is refused whole:
// nothing reaches the camera.
struct BadSetupCase {
    const char* name;
    const char* key;
    const char* line;  // replaces the key's line; null cuts the file there
    int failedRow;
};

class BadSetupFileTest : public CameraFilesTest,
                         public ::testing::WithParamInterface<BadSetupCase> {};

TEST_P(BadSetupFileTest, IsRefusedBeforeAnythingIsSent) {
    const BadSetupCase& c = GetParam();
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.WriteSetupFile(PathOf("setup.cam")), rc::kOk);
    std::string text = ReadFile(dir_ / "setup.cam");
    const std::size_t key = text.find(std::string(c.key) + "=");
    ASSERT_NE(key, std::string::npos);
    if (c.line != nullptr) {
        text.replace(key, text.find("\r\n", key) - key, c.line);
    } else {
        text.resize(key);
    }
    WriteFile(dir_ / "bad.cam", text);
    const std::size_t mark = server.ReceivedLines().size();
    int failedRow = 0;
    bool partlyApplied = true;
    EXPECT_EQ(camera.ReadSetupFile(PathOf("bad.cam"), &failedRow, &partlyApplied),
              rc::kUnmatchedFile);
    EXPECT_EQ(failedRow, c.failedRow);
    EXPECT_FALSE(partlyApplied);
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSetupFileTest,
    ::testing::Values(BadSetupCase{"Truncated", "Master Gain", nullptr, row::GA},
                      BadSetupCase{"ControlCharacterInText", "Aberration Input Name 1",
                                   "Aberration Input Name 1=ab\tSA=1", row::CABN1},
                      BadSetupCase{"LoneCarriageReturnInText", "Aberration Input Name 1",
                                   "Aberration Input Name 1=ab\rTR=1", row::CABN1},
                      BadSetupCase{"NotANumber", "Master Gain", "Master Gain=12abc", row::GA},
                      BadSetupCase{"NumberBeyondRange", "Line Rate", "Line Rate=99999999999",
                                   row::LR}),
    [](const ::testing::TestParamInfo<BadSetupCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(CameraFilesTest, AberrationKeysAreSkippedWhenTheCameraLacksThem) {
    sim::SimServer& newer = StartSim(Model("RZ-130LX", 22));
    ASSERT_EQ(Connected(newer).WriteSetupFile(PathOf("setup.cam")), rc::kOk);
    sim::SimServer& older = StartSim(Model("RZ-130LX", 21));
    RecordingCamera& camera = Connected(older);
    const std::size_t mark = older.ReceivedLines().size();
    EXPECT_EQ(camera.ReadSetupFile(PathOf("setup.cam")), rc::kOk);
    EXPECT_THAT(WithPrefix(LinesSince(older, mark), "CAB"), IsEmpty());
    EXPECT_THAT(WithPrefix(LinesSince(older, mark), "MAV"), IsEmpty());
}

TEST_F(CameraFilesTest, FileOfModelWithoutAberrationStopsAtFirstKeyTheCameraNeeds) {
    sim::SimServer& hr = StartSim(Model("RZ-150LX-HR", 170));
    ASSERT_EQ(Connected(hr).WriteSetupFile(PathOf("hr.cam")), rc::kOk);
    sim::SimServer& server = StartSim(Model("RZ-130LX", 22));
    RecordingCamera& camera = Connected(server);
    int failedRow = 0;
    EXPECT_EQ(camera.ReadSetupFile(PathOf("hr.cam"), &failedRow), rc::kUnmatchedFile);
    EXPECT_EQ(failedRow, row::MAV);
    // The connected camera keeps its own identity.
    EXPECT_EQ(camera.Text(row::MD), "RZ-130LX");
}

TEST_F(CameraFilesTest, SetupFileWriteFailureKeepsTheOldFile) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    WriteFile(dir_ / "blocker", "a regular file");
    EXPECT_EQ(camera.WriteSetupFile((dir_ / "blocker" / "x.cam").string()), rc::kFileAccess);
    EXPECT_EQ(ReadFile(dir_ / "blocker"), "a regular file");
}

TEST_F(CameraFilesTest, ReportListsCurrentSettingsAndAllThreeAreas) {
    sim::SimServer& server = StartSim(Model("RZ-130LX", 205));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.ReadAll(), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::GA, 100, true, true), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::SA, 1, true, true), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::GA, 200, true, true), rc::kOk);
    ASSERT_EQ(camera.SetValueText(row::TR, "PWC"), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::SA, 2, true, true), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::GA, 300, true, true), rc::kOk);
    ASSERT_EQ(camera.SetValueText(row::CABN1, "Current lens"), rc::kOk);
    std::int32_t factoryGain = 0;
    server.WithCamera([&](sim::SimCamera& sim) { factoryGain = sim.AreaValue(0, row::GA); });

    ui_.log.clear();
    int failedRow = -1;
    ASSERT_EQ(camera.WriteReport(PathOf("report.txt"), &failedRow), rc::kOk);
    const std::vector<std::string> lines = SplitLines(ReadFile(dir_ / "report.txt"));
    ASSERT_GE(lines.size(), 6u);
    auto cell = [](const std::string& text) {
        std::string c = text + ",";
        return c.size() < 35 ? c + std::string(35 - c.size(), ' ') : c;
    };
    EXPECT_EQ(lines[0], cell("Model Name") + "RZ-130LX");
    EXPECT_EQ(lines[1], cell("Camera ID") + "SIM0001");
    EXPECT_EQ(lines[3], cell("Firmware Version") + "2.05");
    EXPECT_EQ(lines[4], cell("Power Up Setting") + "User2 Area");
    EXPECT_EQ(lines[5], cell("(Settings)") + cell("Current Setting") + cell("Factory Area") +
                            cell("User1 Area") + "User2 Area");
    EXPECT_THAT(lines, Contains(cell("Master Gain") + cell("300") +
                                cell(std::to_string(factoryGain)) + cell("100") + "200"));
    EXPECT_THAT(lines, Contains(cell("Trigger Mode") + cell("PWC") + cell("No Shutter") +
                                cell("No Shutter") + "PWC"));
    EXPECT_THAT(lines, Contains(::testing::StartsWith(cell("Aberration Input Name 1") +
                                                      cell("Current lens"))));
    // One line per persisted row the camera supports, EEPROM Area excepted.
    int rows = 0;
    for (int row = 0; row < kParameterCount; ++row) {
        rows += HasFlag(row, PF_PROFILE) && row != row::EepromArea && camera.IsRowSupported(row);
    }
    EXPECT_EQ(lines.size(), 6u + static_cast<std::size_t>(rows));
    EXPECT_EQ(ui_.StepCount(), 4 * kParameterCount);

    // The settings of before are back, locally and in the camera.
    EXPECT_EQ(camera.Value(row::GA), 300);
    server.WithCamera([](sim::SimCamera& sim) {
        EXPECT_EQ(sim.Value(row::GA), 300);
        EXPECT_EQ(sim.Text(row::CABN1), "Current lens");
    });
}

TEST_F(CameraFilesTest, ReportFileFailureStillRestoresTheCamera) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.ReadAll(), rc::kOk);
    ASSERT_EQ(camera.SetValue(row::GA, 333, true, true), rc::kOk);
    WriteFile(dir_ / "blocker", "x");
    EXPECT_EQ(camera.WriteReport((dir_ / "blocker" / "r.txt").string()), rc::kFileAccess);
    server.WithCamera([](sim::SimCamera& sim) { EXPECT_EQ(sim.Value(row::GA), 333); });
}

TEST_F(CameraFilesTest, AberrationDownloadThenUploadSendsBackTheSameValues) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    std::vector<std::int32_t> red;
    server.WithCamera([&](sim::SimCamera& sim) {
        for (int i = 0; i < sim::kAberrationTableSize; ++i) {
            red.push_back(sim.AberrationValue(row::CABR, i));
        }
    });
    ASSERT_EQ(camera.DownloadAberration(PathOf("ab.csv"), true), rc::kOk);
    const std::vector<std::string> lines = SplitLines(ReadFile(dir_ / "ab.csv"));
    ASSERT_EQ(lines.size(), 34u);
    EXPECT_EQ(lines[0], "Red,,,,,,");
    EXPECT_EQ(lines[17], "Blue,,,,,,");
    EXPECT_EQ(lines[1].substr(0, lines[1].find(',')), std::to_string(red[0]));
    EXPECT_TRUE(camera.IsSynchronized());

    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(camera.UploadAberration(PathOf("ab.csv"), true), rc::kOk);
    const std::vector<std::string> sent = LinesSince(server, mark);
    ASSERT_EQ(sent.size(), 224u);
    for (int i = 0; i < sim::kAberrationTableSize; ++i) {
        EXPECT_EQ(sent[i], "CABR=" + std::to_string(red[i])) << i;
    }
    EXPECT_TRUE(sent[112].starts_with("CABB="));
}

std::string AberrationFile(const std::string& firstValueLine) {
    std::string text = "Red,,,,,,\r\n" + firstValueLine + "\r\n";
    for (int line = 1; line < 16; ++line) {
        text += "1,2,3,4,5,6,7\r\n";
    }
    text += "Blue,,,,,,\r\n";
    for (int line = 0; line < 16; ++line) {
        text += "-1,-2,-3,-4,-5,-6,-7\n";  // LF alone is accepted too
    }
    return text;
}

TEST_F(CameraFilesTest, AberrationUploadReadsFieldsTolerantly) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    WriteFile(dir_ / "ab.csv", AberrationFile("10, -3,,\t7,40000,-40000,0"));
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(camera.UploadAberration(PathOf("ab.csv"), false), rc::kOk);
    const std::vector<std::string> sent = LinesSince(server, mark);
    ASSERT_EQ(sent.size(), 224u);
    EXPECT_THAT(std::vector<std::string>(sent.begin(), sent.begin() + 7),
                ElementsAre("CABR=10", "CABR=-3", "CABR=0", "CABR=7", "CABR=32768", "CABR=-32768",
                            "CABR=0"));
    EXPECT_EQ(sent[112], "CABB=-1");
}

TEST_F(CameraFilesTest, MalformedAberrationFilesAreRefused) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    WriteFile(dir_ / "dot.csv", AberrationFile("1.5,2,3,4,5,6,7"));
    EXPECT_EQ(camera.UploadAberration(PathOf("dot.csv"), false), rc::kUnmatchedFile);
    EXPECT_FALSE(camera.IsSynchronized());
    std::string shortFile = AberrationFile("1,2,3,4,5,6,7");
    shortFile.resize(shortFile.size() / 2);
    WriteFile(dir_ / "short.csv", shortFile);
    EXPECT_EQ(camera.UploadAberration(PathOf("short.csv"), false), rc::kUnmatchedFile);
    EXPECT_EQ(camera.UploadAberration(PathOf("missing.csv"), false), rc::kFileAccess);
}

// Aberration files are read whole before the first value is sent; a lone
// CR ends a line as CR LF and LF do.
struct AberrationCase {
    const char* name;
    std::string text;
    ResultCode expected;
    std::size_t sent;
};

std::string WithLineEnds(std::string text, const std::string& end) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += end;
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

std::string WithBadLastValue(std::string text) {
    text.replace(text.rfind("-7"), 2, "7.0");
    return text;
}

class AberrationFileTest : public CameraFilesTest,
                           public ::testing::WithParamInterface<AberrationCase> {};

TEST_P(AberrationFileTest, IsAppliedWholeOrNotAtAll) {
    const AberrationCase& c = GetParam();
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    WriteFile(dir_ / "ab.csv", c.text);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.UploadAberration(PathOf("ab.csv"), false), c.expected);
    const std::vector<std::string> sent = LinesSince(server, mark);
    ASSERT_EQ(sent.size(), c.sent);
    if (c.sent > 0) {
        EXPECT_EQ(sent[7], "CABR=1");
        EXPECT_EQ(sent[223], "CABB=-7");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, AberrationFileTest,
    ::testing::Values(
        AberrationCase{"LoneCarriageReturns", WithLineEnds(AberrationFile("9,9,9,9,9,9,9"), "\r"),
                       rc::kOk, 224},
        AberrationCase{"TruncatedInBlue", AberrationFile("9,9,9,9,9,9,9").substr(0, 400),
                       rc::kUnmatchedFile, 0},
        AberrationCase{"BadLastValue", WithBadLastValue(AberrationFile("9,9,9,9,9,9,9")),
                       rc::kUnmatchedFile, 0}),
    [](const ::testing::TestParamInfo<AberrationCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(CameraFilesTest, AberrationTransfersDoNothingWithoutSupport) {
    sim::SimServer& server = StartSim(Model("RZ-150LX-HR", 170));
    RecordingCamera& camera = Connected(server);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.DownloadAberration(PathOf("ab.csv"), true), rc::kOk);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "ab.csv"));
    WriteFile(dir_ / "up.csv", AberrationFile("1,2,3,4,5,6,7"));
    EXPECT_EQ(camera.UploadAberration(PathOf("up.csv"), false), rc::kOk);
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
}

// A target that cannot be written (a missing folder, a FIFO) fails with 108
// before the camera is asked anything, and is left as it was.
TEST_F(CameraFilesTest, UnwritableTargetsFailBeforeAnyCameraTraffic) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    using Operation = std::function<ResultCode(const std::string&)>;
    const std::pair<const char*, Operation> operations[] = {
        {"setup file", [&](const std::string& path) { return camera.WriteSetupFile(path); }},
        {"report", [&](const std::string& path) { return camera.WriteReport(path); }},
        {"aberration",
         [&](const std::string& path) { return camera.DownloadAberration(path, false); }},
    };
    for (const auto& [name, operation] : operations) {
        for (const std::string& target : {PathOf("no/such/x"), PathOf("fifo")}) {
            const std::size_t mark = server.ReceivedLines().size();
            EXPECT_EQ(operation(target), rc::kFileAccess) << name << " " << target;
            EXPECT_THAT(LinesSince(server, mark), IsEmpty()) << name << " " << target;
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir_ / "fifo"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "no"));
}

}  // namespace
}  // namespace xkiv::test
