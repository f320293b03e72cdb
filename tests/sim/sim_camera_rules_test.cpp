// The simulated camera's answers to command lines, checked through its line handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_camera.h"
#include "tests/support/manual_clock.h"

namespace xkiv::sim {
namespace {

const std::string kOk = "COMPLETE\r\n";
const std::string kBad = "Bad Parameters!!\r\n";
const std::string kUnknown = "Unknown Command!!\r\n";

using test::ManualClock;

CameraConfig Model(const std::string& model, int firmware = -1) {
    CameraConfig config;
    config.model = model;
    config.firmware = firmware;
    return config;
}

// Sends the lines in order and returns the answer to the last one.
std::string Send(SimCamera& camera, const std::vector<std::string>& lines) {
    std::string answer;
    for (const auto& line : lines) {
        answer = camera.HandleLine(line);
    }
    return answer;
}

struct LineCase {
    std::vector<std::string> lines;
    std::string answer;
};

const LineCase kLineCases[] = {
    LineCase{{"BI?"}, "BI=0\r\n"}, LineCase{{"BI=1", "BI?"}, "BI=1\r\n"},
    LineCase{{"ID?"}, "ID=SIM0001\r\n"}, LineCase{{"MD?"}, "MD=RZ-130LX\r\n"},
    LineCase{{"VN?"}, "VN=22\r\n"}, LineCase{{"ST?"}, "ST=0\r\n"}, LineCase{{"HP?"}, "HP=0\r\n"},
    LineCase{{"EA?"}, "EA=0\r\n"}, LineCase{{"BLR=-64"}, kOk},
    LineCase{{"CABN1=0123456789ABCDEF"}, kOk},
    LineCase{{"CABN1=My lens, 50mm", "CABN1?"}, "CABN1=My lens, 50mm\r\n"},
    LineCase{{"CABLR=1,-2", "CABLR?1"}, "CABLR=1,-2\r\n"},
    // Value lists admit their values only; other rows their bounds.
    LineCase{{"BI=2"}, kBad}, LineCase{{"CABLR=0,4"}, kBad}, LineCase{{"BLR=-65"}, kBad},
    LineCase{{"CABN1=0123456789ABCDEFG"}, kBad},
    // Malformed numbers and indexes.
    LineCase{{"LR=abc"}, kBad}, LineCase{{"LR=5000x"}, kBad}, LineCase{{"LR="}, kBad},
    LineCase{{"LR=+5000"}, kBad}, LineCase{{"LR= 5000"}, kBad}, LineCase{{"LR=99999999999"}, kBad},
    LineCase{{"CABLR=1"}, kBad}, LineCase{{"CABLR=3,1"}, kBad}, LineCase{{"CABLR?"}, kBad},
    LineCase{{"CABLR?-1"}, kBad}, LineCase{{"BI?0"}, kBad}, LineCase{{"CABN1=tab\there"}, kBad},
    // Names the camera does not take this way.
    LineCase{{"XX?"}, kUnknown}, LineCase{{"bi?"}, kUnknown}, LineCase{{"BI"}, kUnknown},
    LineCase{{"=1"}, kUnknown}, LineCase{{"VN=5"}, kUnknown}, LineCase{{"MD=RZ"}, kUnknown},
    LineCase{{"EA=1"}, kUnknown}, LineCase{{"ULCK?"}, kUnknown}, LineCase{{"AR?"}, kUnknown},
    LineCase{{"LD?"}, kUnknown}};

// Each case on a camera of its own.
TEST(LineAnswers, AnswerTheLastLineByTheCameraRules) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.lines.back());
        SimCamera camera(Model("RZ-130LX", 22));
        EXPECT_EQ(Send(camera, c.lines), c.answer);
    }
}

struct LineRateCase {
    std::string model;
    int readOut;
    std::int32_t minimum;
    std::int32_t maximum;
};

class LineRateBounds : public testing::TestWithParam<LineRateCase> {};

TEST_P(LineRateBounds, FollowModelAndReadOut) {
    const LineRateCase& c = GetParam();
    SimCamera camera(Model(c.model));
    ASSERT_EQ(camera.HandleLine("SRO=" + std::to_string(c.readOut)), kOk);
    EXPECT_EQ(camera.HandleLine("LR=" + std::to_string(c.minimum)), kOk);
    EXPECT_EQ(camera.HandleLine("LR=" + std::to_string(c.maximum)), kOk);
    EXPECT_EQ(camera.HandleLine("LR=" + std::to_string(c.minimum - 1)), kBad);
    EXPECT_EQ(camera.HandleLine("LR=" + std::to_string(c.maximum + 1)), kBad);
    EXPECT_EQ(camera.HandleLine("LR?"), "LR=" + std::to_string(c.maximum) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Models, LineRateBounds,
                         testing::Values(LineRateCase{"RZ-130LX", 0, 2633, 1347584},
                                         LineRateCase{"RZ-130LX", 2, 1609, 823296},
                                         LineRateCase{"RZ-150LX-HR", 0, 5238, 1201920},
                                         LineRateCase{"RZ-130LX-FS", 1, 1476, 755713},
                                         LineRateCase{"RZ-150LX", 0, 4944, 1201920},
                                         LineRateCase{"OTHER", 1, 2921, 597376}));

TEST(SimCameraBounds, ExposureMaximumFollowsModel) {
    SimCamera fs(Model("RZ-130LX-FS"));
    EXPECT_EQ(fs.HandleLine("PER=1279560"), kOk);
    SimCamera lx(Model("RZ-130LX"));
    EXPECT_EQ(lx.HandleLine("PER=1279560"), kBad);
    EXPECT_EQ(lx.HandleLine("PEB=799"), kBad);
}

TEST(SimCameraBounds, GainBoundsFollowGainMode) {
    SimCamera camera(Model("RZ-150LX"));
    EXPECT_EQ(camera.HandleLine("GA=-1"), kBad);
    EXPECT_EQ(Send(camera, {"GM=1", "GA=-402"}), kOk);
    EXPECT_EQ(camera.HandleLine("GAR=1404"), kOk);
}

// Values that a change of another row puts out of bounds are pulled back into them, so the
// camera never reports a value that a client would reject as out of range.
TEST(SimCameraBounds, DependentValuesFollowTheirMovingBounds) {
    SimCamera camera(Model("RZ-130LX"));
    EXPECT_EQ(Send(camera, {"SRO=1", "LR=1609", "SRO=0", "LR?"}), "LR=2633\r\n");
    EXPECT_EQ(Send(camera, {"GM=1", "GA=1404", "GAR=-402", "GM=0", "GA?"}), "GA=802\r\n");
    EXPECT_EQ(camera.HandleLine("GAR?"), "GAR=-402\r\n");
    // Selection 0 starts as area 8, second 1, third 1; three pixels need third < second.
    EXPECT_EQ(Send(camera, {"CABLR=0,3", "CABSR?0"}), "CABSR=0,2\r\n");
}

struct SupportCase {
    std::string model;
    int firmware;
    std::string command;
    bool supported;
};

const SupportCase kSupportCases[] = {
    SupportCase{"RZ-130LX", 15, "SCB?", false},      SupportCase{"RZ-130LX", 15, "HPFC=1", false},
    SupportCase{"RZ-130LX", 16, "SCB?", true},       SupportCase{"RZ-130LX", 16, "HPFC=1", true},
    SupportCase{"RZ-150LX", 55, "SCB?", false},      SupportCase{"RZ-150LX", 56, "SCB?", true},
    SupportCase{"RZ-150LX-HR", 167, "HPFC?", false}, SupportCase{"RZ-150LX-HR", 168, "HPFC?", true},
    SupportCase{"RZ-130LX-FS", 167, "SCB=2", false}, SupportCase{"RZ-130LX-FS", 168, "SCB=2", true},
    SupportCase{"RZ-130LX", 21, "MAV?", false},      SupportCase{"RZ-130LX", 22, "MAV?", true},
    SupportCase{"RZ-130LX-FS", 7, "CABR?", false},   SupportCase{"RZ-130LX-FS", 8, "CABR?", true},
    SupportCase{"RZ-150LX", 62, "CABLR?0", false},   SupportCase{"RZ-150LX", 63, "CABLR?0", true},
    SupportCase{"RZ-150LX-HR", 999, "MAV?", false},  SupportCase{"OTHER", 999, "SCB?", false},
    SupportCase{"OTHER", 999, "CABN1?", false}};

TEST(FirmwareSupport, UnsupportedRowsAreUnknownCommands) {
    for (const SupportCase& c : kSupportCases) {
        SCOPED_TRACE(c.model + " " + std::to_string(c.firmware) + " " + c.command);
        SimCamera camera(Model(c.model, c.firmware));
        const std::string answer = camera.HandleLine(c.command);
        if (c.supported) {
            EXPECT_NE(answer, kUnknown);
        } else {
            EXPECT_EQ(answer, kUnknown);
        }
    }
}

TEST(SimCameraIndexedRows, KeepOneSetPerSelection) {
    SimCamera camera(Model("RZ-130LX"));
    ASSERT_EQ(camera.HandleLine("CABLR=1,-1"), kOk);
    EXPECT_EQ(camera.HandleLine("CABLR?1"), "CABLR=1,-1\r\n");
    EXPECT_EQ(camera.HandleLine("CABLR?0"), "CABLR=0,0\r\n");
    EXPECT_EQ(camera.IndexedValue(row::CABLR, 2), -3);
    // Rows evaluated by the table read the current selection.
    ASSERT_EQ(camera.HandleLine("MAVCG=1"), kOk);
    EXPECT_EQ(camera.Value(row::CABLR), -1);
}

TEST(SimCameraIndexedRows, AberrationBoundsUseTheCommandsSelection) {
    SimCamera camera(Model("RZ-130LX"));
    // Selection 2 uses three pixels with second pixel 5: the third pixel stays below it.
    EXPECT_EQ(camera.HandleLine("CABTR=2,4"), kOk);
    EXPECT_EQ(camera.HandleLine("CABTR=2,5"), kBad);
    // Selection 0 is off: any third pixel up to 6, whatever MAVCG points at.
    EXPECT_EQ(camera.HandleLine("CABTR=0,6"), kOk);
    ASSERT_EQ(camera.HandleLine("MAVCG=2"), kOk);
    EXPECT_EQ(camera.HandleLine("CABTR=0,6"), kOk);
    EXPECT_EQ(camera.HandleLine("CABAR=2,5"), kBad);  // area must stay above the second pixel
}

struct UnlockCase {
    std::vector<std::string> lines;
    std::string answer;
    std::string userId;
};

class UserIdUnlock : public testing::TestWithParam<UnlockCase> {};

TEST_P(UserIdUnlock, ChangesOnlyRightAfterTheUnlockCode) {
    CameraConfig config = Model("RZ-130LX");
    config.userId = "OLD";
    config.unlockCode = 1234;
    SimCamera camera(config);
    EXPECT_EQ(Send(camera, GetParam().lines), GetParam().answer);
    EXPECT_EQ(camera.HandleLine("UD?"), "UD=" + GetParam().userId + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Sequences, UserIdUnlock,
                         testing::Values(UnlockCase{{"UD=NEW"}, kBad, "OLD"},
                                         UnlockCase{{"ULCK=1234", "UD=NEW"}, kOk, "NEW"},
                                         UnlockCase{{"ULCK=1234", "UD="}, kOk, ""},
                                         UnlockCase{{"ULCK=7381", "UD=NEW"}, kBad, "OLD"},
                                         UnlockCase{{"ULCK=1234", "BI?", "UD=NEW"}, kBad, "OLD"},
                                         UnlockCase{{"ULCK=1234", "UD=A", "UD=B"}, kBad, "A"},
                                         UnlockCase{{"ULCK=1234", "UD=ABCDEFGHIJKLM"}, kBad, "OLD"},
                                         UnlockCase{{"ULCK=10000"}, kBad, "OLD"}));

TEST(SimCameraAberrationTable, QueriesWalkTheTableAndWrap) {
    SimCamera camera(Model("RZ-130LX"));
    std::vector<std::string> first;
    for (int i = 0; i < kAberrationTableSize; ++i) {
        const std::string expected =
            "CABR=" + std::to_string(camera.AberrationValue(row::CABR, i)) + "\r\n";
        ASSERT_EQ(camera.HandleLine("CABR?"), expected) << "position " << i;
        first.push_back(expected);
    }
    EXPECT_EQ(camera.HandleLine("CABR?"), first[0]);
    EXPECT_EQ(camera.HandleLine("CABR?"), first[1]);
    EXPECT_NE(first[0], first[1]);
}

TEST(SimCameraAberrationTable, OtherCommandsResetTheCursor) {
    SimCamera camera(Model("RZ-130LX"));
    ASSERT_EQ(Send(camera, {"CABR=5", "CABR=-32768", "CABR=32768"}), kOk);
    EXPECT_EQ(camera.HandleLine("CABR=32769"), kBad);
    EXPECT_EQ(Send(camera, {"BI?", "CABR?"}), "CABR=5\r\n");
    EXPECT_EQ(camera.HandleLine("CABR?"), "CABR=-32768\r\n");
    // The blue table is separate, and its commands reset the red cursor too.
    EXPECT_EQ(camera.HandleLine("CABB?"),
              "CABB=" + std::to_string(camera.AberrationValue(row::CABB, 0)) + "\r\n");
    EXPECT_EQ(camera.HandleLine("CABR?"), "CABR=5\r\n");
    EXPECT_EQ(Send(camera, {"XX?", "CABR?"}), "CABR=5\r\n");
}

struct OnePushCase {
    std::string command;
    std::string result;
};

class OnePush : public testing::TestWithParam<OnePushCase> {};

TEST_P(OnePush, ResultReadsNotYetFinishedUntilTheDurationHasPassed) {
    ManualClock clock;
    CameraConfig config = Model("RZ-130LX");
    config.onePushMs = 300;
    SimCamera camera(config, clock);
    const std::string query = GetParam().result + "?";
    ASSERT_EQ(camera.HandleLine(GetParam().command + "=0"), kOk);
    EXPECT_EQ(camera.HandleLine(query), GetParam().result + "=0\r\n");
    clock.SleepMs(299);
    EXPECT_EQ(camera.HandleLine(query), GetParam().result + "=0\r\n");
    clock.SleepMs(1);
    EXPECT_EQ(camera.HandleLine(query), GetParam().result + "=1\r\n");
    EXPECT_EQ(camera.HandleLine(GetParam().command + "=2"), kBad);
}

INSTANTIATE_TEST_SUITE_P(Commands, OnePush,
                         testing::Values(OnePushCase{"AH", "AHRS"}, OnePushCase{"AW", "AWRS"},
                                         OnePushCase{"SDR", "SDS"}, OnePushCase{"PGR", "PGS"},
                                         OnePushCase{"PBR", "PBS"}));

TEST(SimCameraOnePush, SuccessChangesTheBalancedRowsWithinBounds) {
    ManualClock clock;
    SimCamera camera(Model("RZ-130LX"), clock);
    const std::int32_t red = camera.Value(row::PER);
    const std::int32_t redGain = camera.Value(row::GAR);
    ASSERT_EQ(Send(camera, {"AH=0", "AW=0"}), kOk);
    EXPECT_EQ(camera.Value(row::PER), red);  // nothing changes before the end
    clock.SleepMs(300);
    camera.Settle();
    EXPECT_NE(camera.Value(row::PER), red);
    EXPECT_NE(camera.Value(row::GAR), redGain);
    for (int r : {row::PER, row::PEG, row::PEB, row::GA, row::GAR, row::GAB}) {
        EXPECT_GE(camera.Value(r), EffectiveMinimum(r, false, camera)) << Mnemonic(r);
        EXPECT_LE(camera.Value(r), EffectiveMaximum(r, false, camera)) << Mnemonic(r);
    }
}

TEST(SimCameraOnePush, ConfiguredOutcomePerCommandLeavesValuesAlone) {
    ManualClock clock;
    CameraConfig config = Model("RZ-130LX");
    config.onePushResult = 3;
    config.onePushResults["AW"] = 2;
    SimCamera camera(config, clock);
    const std::int32_t redGain = camera.Value(row::GAR);
    ASSERT_EQ(Send(camera, {"AW=0", "SDR=1"}), kOk);
    clock.SleepMs(300);
    EXPECT_EQ(camera.HandleLine("AWRS?"), "AWRS=2\r\n");
    EXPECT_EQ(camera.HandleLine("SDS?"), "SDS=3\r\n");
    EXPECT_EQ(camera.Value(row::GAR), redGain);
}

TEST(SimCameraOnePush, LineRateSetChangesLineRateAtOnce) {
    SimCamera camera(Model("RZ-130LX"));
    ASSERT_EQ(camera.HandleLine("AR=0"), kOk);
    EXPECT_EQ(camera.HandleLine("LR?"), "LR=" + std::to_string(kAutoLineRate) + "\r\n");
}

TEST(SimCameraAreas, StoreAndLoadKeepEverySettingPerArea) {
    SimCamera camera(Model("RZ-130LX"));
    ASSERT_EQ(Send(camera, {"BI=1", "CABLR=2,1", "CABN2=user one", "SA=1"}), kOk);
    EXPECT_EQ(camera.HandleLine("EA?"), "EA=1\r\n");
    ASSERT_EQ(Send(camera, {"BI=0", "CABLR=2,0", "CABN2=changed", "SA=2"}), kOk);
    EXPECT_EQ(camera.HandleLine("EA?"), "EA=2\r\n");
    EXPECT_EQ(camera.AreaValue(1, row::BI), 1);
    EXPECT_EQ(camera.AreaValue(2, row::CABLR, 2), 0);

    ASSERT_EQ(Send(camera, {"ULCK=7381", "UD=mine", "LD=1"}), kOk);
    EXPECT_EQ(camera.HandleLine("BI?"), "BI=1\r\n");
    EXPECT_EQ(camera.HandleLine("CABLR?2"), "CABLR=2,1\r\n");
    EXPECT_EQ(camera.HandleLine("CABN2?"), "CABN2=user one\r\n");
    EXPECT_EQ(camera.HandleLine("UD?"), "UD=mine\r\n");  // the user ID is not a setting

    ASSERT_EQ(camera.HandleLine("LD=0"), kOk);
    EXPECT_EQ(camera.HandleLine("CABLR?2"), "CABLR=2,-3\r\n");
    EXPECT_EQ(camera.HandleLine("CABN2?"), "CABN2=Input 2\r\n");
    EXPECT_EQ(camera.HandleLine("EA?"), "EA=2\r\n");  // loading does not move the power-up area
}

TEST(SimCameraAreas, FactoryAreaIsReadOnly) {
    SimCamera camera(Model("RZ-130LX"));
    EXPECT_EQ(Send(camera, {"BI=1", "SA=0"}), kBad);
    EXPECT_EQ(camera.HandleLine("SA=3"), kBad);
    EXPECT_EQ(camera.HandleLine("LD=3"), kBad);
    EXPECT_EQ(Send(camera, {"LD=0", "BI?"}), "BI=0\r\n");
    EXPECT_EQ(camera.HandleLine("EA?"), "EA=0\r\n");
}

// The factory values are the starting point of every client: each must lie inside the
// camera's own bounds for every model, or a client's read-all would fail.
TEST(SimCameraAreas, FactoryValuesAreInsideEveryModelsBounds) {
    for (const char* model : {"RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR", "OTHER"}) {
        SimCamera camera(Model(model));
        for (int r = 0; r < kParameterCount; ++r) {
            if (!HasFlag(r, PF_READABLE | PF_WRITABLE) || HasFlag(r, PF_STRING) ||
                !IsSupported(r, camera)) {
                continue;
            }
            for (int index = 0; index < (HasFlag(r, PF_INDEXED) ? kIndexCount : 1); ++index) {
                camera.SetValue(row::MAVCG, index);
                const std::int32_t value = camera.Value(r);
                if (Entry(r).valueNameCount > 0) {
                    EXPECT_GE(PositionOfValue(r, value, camera), 0) << model << " " << Mnemonic(r);
                    continue;
                }
                EXPECT_GE(value, EffectiveMinimum(r, false, camera)) << model << " " << Mnemonic(r);
                EXPECT_LE(value, EffectiveMaximum(r, false, camera)) << model << " " << Mnemonic(r);
            }
        }
    }
}

TEST(SimCameraEcho, FollowsTheEchoSetting) {
    SimCamera camera(Model("RZ-130LX"));
    EXPECT_FALSE(camera.EchoEnabled());
    ASSERT_EQ(camera.HandleLine("EB=1"), kOk);
    EXPECT_TRUE(camera.EchoEnabled());
    EXPECT_EQ(camera.HandleLine("EB=2"), kBad);
}

TEST(SimCameraConfig, RejectsWhatNoCameraCouldBe) {
    std::string error;
    EXPECT_TRUE(ValidateCameraConfig(Model("RZ-150LX"), &error));
    CameraConfig config = Model("RZ-150LX");
    config.cameraId = "THIRTEEN-CHAR";
    EXPECT_FALSE(ValidateCameraConfig(config, &error));
    config = Model("RZ-150LX");
    config.onePushResults["AR"] = 1;  // AR has no result row
    EXPECT_FALSE(ValidateCameraConfig(config, &error));
    config = Model("RZ-150LX");
    config.onePushResults["PGR"] = 5;
    EXPECT_FALSE(ValidateCameraConfig(config, &error));
    EXPECT_EQ(ResolveFirmware(Model("RZ-130LX")), 22);
    EXPECT_EQ(ResolveFirmware(Model("RZ-130LX", 15)), 15);
}

}  // namespace
}  // namespace xkiv::sim
