// The camera object against the simulator: connecting, clamping, bulk transfers, persistence.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/camera/sim_fixture.h"

namespace xkiv::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::Not;

class CameraObjectTest : public SimCameraTest {};

struct ModelCase {
    const char* model;
    int firmware;
};

class IdentifyTest : public CameraObjectTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(IdentifyTest, ConnectIdentifiesTheModel) {
    sim::CameraConfig config = Model(GetParam().model, GetParam().firmware);
    config.fpga = 31;
    config.cameraId = "CAM-77";
    config.userId = "line 4";
    sim::SimServer& server = StartSim(config);
    RecordingCamera& camera = MakeCamera({server.DevicePath()});
    ASSERT_EQ(camera.Connect(0, 0), rc::kOk);
    EXPECT_TRUE(camera.IsOnline());
    EXPECT_EQ(camera.Text(row::MD), GetParam().model);
    EXPECT_EQ(camera.Value(row::VN), GetParam().firmware);
    EXPECT_EQ(camera.Value(row::PV), 31);
    EXPECT_EQ(camera.Text(row::ID), "CAM-77");
    EXPECT_EQ(camera.Text(row::UD), "line 4");
    EXPECT_THAT(server.ReceivedLines(),
                ElementsAreArray({"MD?", "VN?", "PV?", "ID?", "UD?", "MD?"}));
    EXPECT_THAT(camera.events, Contains("CommPort"));
}

INSTANTIATE_TEST_SUITE_P(Models, IdentifyTest,
                         ::testing::Values(ModelCase{"RZ-130LX", 22}, ModelCase{"RZ-150LX", 63},
                                           ModelCase{"RZ-130LX-FS", 168},
                                           ModelCase{"RZ-150LX-HR", 170}));

TEST_F(CameraObjectTest, ConnectNotifiesInOrder) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = MakeCamera({server.DevicePath()});
    ASSERT_EQ(camera.Connect(0, 0), rc::kOk);
    std::vector<std::string> states;
    std::copy_if(camera.events.begin(), camera.events.end(), std::back_inserter(states),
                 [](const std::string& e) {
                     return e.starts_with("Online") || e.starts_with("Synchronized") ||
                            e == "CommPort";
                 });
    EXPECT_THAT(states, ElementsAreArray(
                            {"Online:0", "Synchronized:0", "Online:1", "Online:1", "CommPort"}));
}

TEST_F(CameraObjectTest, ConnectToMissingPortStaysOffline) {
    RecordingCamera& camera = MakeCamera({(dir_ / "no-such-device").string()});
    EXPECT_EQ(camera.Connect(0, 0), rc::kPortInUse);
    EXPECT_FALSE(camera.IsOnline());
    EXPECT_EQ(camera.events.back(), "CommPort");
}

TEST_F(CameraObjectTest, IdentifyFailingOnVersionLeavesEverythingOffline) {
    sim::LineConfig line;
    line.silentAfter = 1;  // answers MD?, then nothing
    sim::SimServer& server = StartSim(Model("RZ-130LX"), line);
    RecordingCamera& camera = MakeCamera({server.DevicePath()});
    EXPECT_EQ(camera.Connect(0, 0), rc::kTimeout);
    EXPECT_FALSE(camera.IsOnline());
    for (int row = 0; row < kParameterCount; ++row) {
        EXPECT_FALSE(camera.IsRowSynchronized(row)) << row;
    }
}

// The rows a complete read asks for, in order, for a camera that has the
// given optional groups.
std::vector<std::string> ExpectedReadAll(bool cable, bool aberration, int selection) {
    std::vector<std::string> queries = {
        "VN?",  "PV?",  "ID?",   "MD?",  "UD?",  "BI?",  "BA?",  "TS?",  "SRO?", "TR?",  "TG?",
        "TI?",  "TP?",  "ARST?", "LR?",  "AL?",  "EI?",  "PER?", "PEG?", "PEB?", "GM?",  "GA?",
        "GAR?", "GAB?", "SGR?",  "SGG?", "SGB?", "WB?",  "BLM?", "BL?",  "BLR?", "BLB?", "KN?",
        "KSR?", "KSG?", "KSB?",  "KPR?", "KPG?", "KPB?", "SDC?", "PGC?", "PBC?", "NR?"};
    if (cable) {
        queries.push_back("SCB?");
    }
    if (aberration) {
        queries.insert(queries.end(), {"MAV?", "MAVCG?"});
    }
    if (cable) {
        queries.push_back("HPFC?");
    }
    if (aberration) {
        const std::string index = std::to_string(selection);
        queries.insert(queries.end(),
                       {"CABN1?", "CABN2?", "CABN3?", "CABLR?" + index, "CABLB?" + index,
                        "CABAR?" + index, "CABAB?" + index, "CABSR?" + index, "CABSB?" + index,
                        "CABTR?" + index, "CABTB?" + index});
    }
    queries.push_back("EA?");
    return queries;
}

struct ReadAllCase {
    const char* model;
    int firmware;
    bool cable;
    bool aberration;
};

class ReadAllTest : public CameraObjectTest, public ::testing::WithParamInterface<ReadAllCase> {};

TEST_P(ReadAllTest, QueriesExactlyTheSupportedRowsInOrder) {
    sim::SimServer& server = StartSim(Model(GetParam().model, GetParam().firmware));
    server.WithCamera([](sim::SimCamera& sim) { sim.SetValue(row::MAVCG, 2); });
    RecordingCamera& camera = Connected(server);
    const std::size_t mark = server.ReceivedLines().size();
    int failedRow = -1;
    ASSERT_EQ(camera.ReadAll(&failedRow), rc::kOk);
    EXPECT_EQ(failedRow, 0);
    EXPECT_TRUE(camera.IsSynchronized());
    EXPECT_THAT(LinesSince(server, mark),
                ElementsAreArray(ExpectedReadAll(GetParam().cable, GetParam().aberration, 2)));
    EXPECT_EQ(ui_.StepCount(), kParameterCount);
    EXPECT_THAT(ui_.log, Contains("progress:text=Read Camera Data In Progress..."));
    EXPECT_EQ(ui_.progressOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(ModelsAndFirmware, ReadAllTest,
                         ::testing::Values(ReadAllCase{"RZ-130LX", 15, false, false},
                                           ReadAllCase{"RZ-130LX", 16, true, false},
                                           ReadAllCase{"RZ-130LX", 22, true, true},
                                           ReadAllCase{"RZ-150LX-HR", 167, false, false},
                                           ReadAllCase{"RZ-150LX-HR", 168, true, false},
                                           ReadAllCase{"RZ-150LX", 63, true, true},
                                           ReadAllCase{"RZ-130LX-FS", 8, false, true}));

TEST_F(CameraObjectTest, WriteAllSendsOnlyWritableCameraData) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.ReadAll(), rc::kOk);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(camera.WriteAll(nullptr, false), rc::kOk);
    const std::vector<std::string> lines = LinesSince(server, mark);
    EXPECT_FALSE(lines.empty());
    for (const std::string& line : lines) {
        const std::string name = line.substr(0, line.find('='));
        for (const char* never : {"UD", "VN", "PV", "ID", "MD", "EA", "ULCK", "LD", "SA"}) {
            EXPECT_NE(name, never) << line;
        }
        EXPECT_NE(line.find('='), std::string::npos) << line;
    }
    EXPECT_EQ(ui_.maxProgressOpen, 1);  // only the read showed progress
}

TEST_F(CameraObjectTest, PulledCableDuringReadAllStopsAtTheRowAndGoesOffline) {
    sim::LineConfig line;
    line.silentAfter = 6 + 8;  // six lines to connect, then VN? to TS? answered, SRO? not
    sim::SimServer& server = StartSim(Model("RZ-130LX"), line);
    RecordingCamera& camera = Connected(server);
    int failedRow = 0;
    EXPECT_EQ(camera.ReadAll(&failedRow), rc::kTimeout);
    EXPECT_EQ(failedRow, row::SRO);
    EXPECT_FALSE(camera.IsOnline());
    EXPECT_FALSE(camera.IsSynchronized());
    EXPECT_EQ(ui_.progressOpen, 0);
}

struct ClampCase {
    int row;
    std::int32_t value;
    std::int32_t stored;
    const char* sent;
};

class SetValueTest : public CameraObjectTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(SetValueTest, ClampsStoresAndSends) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.SetValue(GetParam().row, GetParam().value, true, true), rc::kOk);
    EXPECT_EQ(camera.Value(GetParam().row), GetParam().stored);
    EXPECT_THAT(LinesSince(server, mark), ElementsAreArray({GetParam().sent}));
    EXPECT_EQ(camera.events.back(), "Value:" + Mnemonic(GetParam().row));
}

INSTANTIATE_TEST_SUITE_P(Cases, SetValueTest,
                         ::testing::Values(ClampCase{row::GA, 2000, 802, "GA=802"},
                                           ClampCase{row::GA, -5, 0, "GA=0"},
                                           ClampCase{row::TS, 9, 4, "TS=4"},
                                           ClampCase{row::ARST, 2, 2, "ARST=2"},
                                           ClampCase{row::ARST, 7, 1, "ARST=1"},
                                           ClampCase{row::CABLR, -5, -3, "CABLR=0,-3"},
                                           ClampCase{row::CABLR, -2, -2, "CABLR=0,-2"},
                                           ClampCase{row::CABLR, 5, 3, "CABLR=0,3"},
                                           ClampCase{row::LR, 1, 2633, "LR=2633"}));

TEST_F(CameraObjectTest, SetValueOfUnsupportedRowStoresWithoutSending) {
    sim::SimServer& server = StartSim(Model("RZ-150LX-HR", 167));
    RecordingCamera& camera = Connected(server);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.SetValue(row::SCB, 2, true, true), rc::kOk);
    EXPECT_EQ(camera.Value(row::SCB), 2);
    EXPECT_TRUE(LinesSince(server, mark).empty());
}

TEST_F(CameraObjectTest, SetValueTextMatchesNamesWithoutRegardToCase) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    EXPECT_EQ(camera.SetValueText(row::TR, "pwc"), rc::kOk);
    EXPECT_EQ(camera.Value(row::TR), 2);
    EXPECT_EQ(camera.SetValueText(row::TR, "no such mode"), rc::kOk);
    EXPECT_EQ(camera.Value(row::TR), 0);
    EXPECT_EQ(camera.SetValuePosition(row::TS, 3), rc::kOk);
    EXPECT_EQ(camera.Value(row::TS), 3);
    EXPECT_EQ(camera.SetValuePosition(row::TS, 17), rc::kOk);
    EXPECT_EQ(camera.Value(row::TS), 0);
}

TEST_F(CameraObjectTest, UserIdIsUnlockedAndCutToTwelveCharacters) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    const std::size_t mark = server.ReceivedLines().size();
    EXPECT_EQ(camera.SetUserID("ABCDEFGHIJKLMNO"), rc::kOk);
    EXPECT_EQ(camera.Text(row::UD), "ABCDEFGHIJKL");
    EXPECT_THAT(LinesSince(server, mark), ElementsAreArray({"ULCK=7381", "UD=ABCDEFGHIJKL"}));
    server.WithCamera([](sim::SimCamera& sim) { EXPECT_EQ(sim.Text(row::UD), "ABCDEFGHIJKL"); });
    // The unlock code is never logged.
    for (const std::string& event : camera.events) {
        EXPECT_EQ(event.find("7381"), std::string::npos) << event;
    }
}

TEST_F(CameraObjectTest, OfflineOperationsReturnOfflineAndSendNothing) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = MakeCamera({server.DevicePath()});
    EXPECT_EQ(camera.ReadAll(), rc::kOffline);
    EXPECT_EQ(camera.WriteAll(nullptr, true), rc::kOffline);
    EXPECT_EQ(camera.SetValue(row::GA, 300, true, true), rc::kOffline);
    EXPECT_EQ(camera.Value(row::GA), 300);  // stored all the same
    EXPECT_EQ(camera.SetUserID("x"), rc::kOffline);
    EXPECT_EQ(camera.WriteReport((dir_ / "r.txt").string()), rc::kOffline);
    EXPECT_EQ(camera.DownloadAberration((dir_ / "a.csv").string(), false), rc::kOffline);
    EXPECT_EQ(camera.UploadAberration((dir_ / "a.csv").string(), false), rc::kOffline);
    EXPECT_TRUE(server.ReceivedLines().empty());
    EXPECT_EQ(ui_.maxProgressOpen, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "r.txt"));
}

TEST_F(CameraObjectTest, SnapshotRestoresValuesAndUnsynchronizesRows) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = Connected(server);
    ASSERT_EQ(camera.SetValue(row::GA, 100, false, true), rc::kOk);
    camera.SaveSnapshot();
    ASSERT_EQ(camera.SetValue(row::GA, 200, false, true), rc::kOk);
    camera.StoreText(row::UD, "changed");
    camera.RestoreSnapshot();
    EXPECT_EQ(camera.Value(row::GA), 100);
    EXPECT_NE(camera.Text(row::UD), "changed");
    EXPECT_FALSE(camera.IsRowSynchronized(row::GA));
}

TEST_F(CameraObjectTest, FirstRunDefaultsAndProfileRoundTrip) {
    {
        RecordingCamera& camera = MakeCamera({"/dev/null"});
        EXPECT_EQ(camera.Value(row::BI), 0);
        EXPECT_EQ(camera.Value(row::LR), 0);
        EXPECT_EQ(camera.Value(row::CABAR), 8);
        EXPECT_EQ(camera.Value(row::CABAB), 8);
        EXPECT_EQ(camera.Value(row::CABSR), 1);
        EXPECT_EQ(camera.Value(row::CABLR), -3);
        EXPECT_EQ(camera.Text(row::CABN1), "");
        (void)camera.SetValue(row::GA, 321, false, false);
        (void)camera.SetValueText(row::CABN2, "Lens = 50mm; f/2");
        camera.StoreText(row::MD, "RZ-150LX");
        camera.StoreValue(row::VN, 63);  // not persisted
        camera.StoreValue(row::ShadingType, 1);
        cameras_.clear();
    }
    profile_ = std::make_unique<ProfileStore>(dir_ / "profile.ini");
    RecordingCamera& again = MakeCamera({"/dev/null"});
    EXPECT_EQ(again.Value(row::GA), 321);
    EXPECT_EQ(again.Text(row::CABN2), "Lens = 50mm; f/2");
    EXPECT_EQ(again.Text(row::MD), "RZ-150LX");
    EXPECT_EQ(again.Value(row::VN), 0);
    EXPECT_EQ(again.Value(row::ShadingType), 1);
    EXPECT_EQ(again.GetClass(), 0);
}

// Two runs over one profile: the one that ends last writes back only what it
// changed, so the other's change survives, and a profile it cannot write is
// reported with its path.
TEST_F(CameraObjectTest, RunsSharingTheProfileKeepEachOthersChanges) {
    UseSerialPorts({"/dev/null"});
    {
        RecordingCamera longRun(*profile_, ui_);
        ProfileStore otherProfile(dir_ / "profile.ini");
        {
            RecordingCamera shortRun(otherProfile, ui_);
            (void)shortRun.SetValue(row::GA, 77, false, false);
        }
        (void)longRun.SetValue(row::BL, 12, false, false);
    }
    ProfileStore reread(dir_ / "profile.ini");
    EXPECT_EQ(reread.GetInt("Gain", "Master Gain", 0), 77);
    EXPECT_EQ(reread.GetInt("Gain", "Master Black Level", 0), 12);
    EXPECT_TRUE(ui_.messages.empty());

    std::filesystem::create_directory(dir_ / "blocked.ini");
    {
        ProfileStore blocked(dir_ / "blocked.ini");
        RecordingCamera camera(blocked, ui_);
        (void)camera.SetValue(row::GA, 78, false, false);
    }
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_NE(ui_.messages[0].text.find((dir_ / "blocked.ini").string()), std::string::npos);
}

TEST_F(CameraObjectTest, StoredValuesAreClampedToTheIdentifiedModelAndUnsendableTextsDropped) {
    // A hand-edited profile over the first-run defaults (LR = 0).
    profile_->WriteInt("Gain", "Master Gain", 999999);
    profile_->WriteString("Others", "Aberration Input Name 1", "ab\tSA=1");
    profile_->WriteString("Others", "Aberration Input Name 2", "Lens B");
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    RecordingCamera& camera = MakeCamera({server.DevicePath()});
    ASSERT_EQ(camera.Connect(0, 0), rc::kOk);
    EXPECT_EQ(camera.Text(row::CABN1), "");
    EXPECT_EQ(camera.Text(row::CABN2), "Lens B");
    // In the mirror only, reported as values that came from no user edit; nothing is sent.
    EXPECT_EQ(camera.Value(row::GA), 802);
    EXPECT_EQ(camera.Value(row::LR), 2633);
    EXPECT_THAT(camera.events, Contains("Value:GA:norefresh"));
    for (const std::string& line : server.ReceivedLines()) {
        EXPECT_NE(line.find('?'), std::string::npos) << line;
    }

    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(camera.WriteAll(nullptr, false), rc::kOk);
    const std::vector<std::string> lines = LinesSince(server, mark);
    EXPECT_THAT(lines, Contains("GA=802"));
    EXPECT_THAT(lines, Contains("LR=2633"));
    EXPECT_THAT(lines, Contains("CABN1="));
}

}  // namespace
}  // namespace xkiv::test
