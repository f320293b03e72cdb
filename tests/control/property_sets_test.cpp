// Property sets of each family against the simulated camera: clamping, wire traffic, events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "sim/sim_camera.h"
#include "tests/control/control_fixture.h"

namespace xkiv::control_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Automation callers may spell names in any case.
std::string OddCase(const std::string& name) {
    std::string odd = name;
    for (std::size_t i = 0; i < odd.size(); i += 2) {
        odd[i] = static_cast<char>(std::islower(static_cast<unsigned char>(odd[i]))
                                       ? std::toupper(static_cast<unsigned char>(odd[i]))
                                       : std::tolower(static_cast<unsigned char>(odd[i])));
    }
    return odd;
}

struct ClampCase {
    const char* property;
    std::int32_t value;
    std::int32_t stored;
    const char* sent;  // the line the camera receives
};

void PrintTo(const ClampCase& c, std::ostream* out) {
    *out << c.property << "=" << c.value;
}

class ClampingSetTest : public ControlTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(ClampingSetTest, StoresSendsAndReportsTheClampedValue) {
    const ClampCase& c = GetParam();
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();

    ASSERT_EQ(Put(OddCase(c.property), Variant::Long(c.value)), automation::kOk)
        << lastError_.description;

    const DispId dispid = control.GetIDOfName(c.property);
    EXPECT_EQ(Get(dispid), Variant::Long(c.stored));
    EXPECT_THAT(LinesSince(server, mark), ElementsAre(c.sent));
    EXPECT_EQ(events_.names.back(), std::string(c.property) + "Changed");
    EXPECT_TRUE(control.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Families, ClampingSetTest,
    ::testing::Values(
        // list
        ClampCase{"TriggerMode", -5, 0, "TR=0"}, ClampCase{"TriggerMode", 9, 2, "TR=2"},
        ClampCase{"AutoResetMode", 2, 2, "ARST=2"}, ClampCase{"AutoResetMode", 7, 1, "ARST=1"},
        ClampCase{"TestPattern", 9, 4, "TS=4"},
        // rule: the RZ-130LX's line-rate minimum with full read-out, and the
        // master gain's maximum with tracking gain
        ClampCase{"LineRate", 100, 2633, "LR=2633"},
        ClampCase{"LineRate", 2000000, 1347584, "LR=1347584"},
        ClampCase{"MasterGain", 2000, 802, "GA=802"}, ClampCase{"RedExposure", 1, 800, "PER=800"},
        // fixed
        ClampCase{"RedKneeSlope", 70000, 65535, "KSR=65535"},
        ClampCase{"BlueKneePoint", -4, 0, "KPB=0"},
        ClampCase{"AutoLineRateReference", 5000, 1023, "AL=1023"},
        // left side, supported on this model; indexed by the selection 0
        ClampCase{"AberrationLeftSidePixelRed", -1, -1, "CABLR=0,-1"},
        ClampCase{"AberrationLeftSidePixelRed", -7, -3, "CABLR=0,-3"},
        ClampCase{"AberrationLeftSidePixelBlue", 5, 3, "CABLB=0,3"},
        // supported only, on a model that supports it
        ClampCase{"CableSelection", 5, 2, "SCB=2"}));

TEST_F(ClampingSetTest, SettingTheSameValueAgainFiresTheEventAgain) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    ASSERT_EQ(Put("TriggerMode", Variant::Long(1)), automation::kOk);
    ASSERT_EQ(Put(27, Variant::Long(1)), automation::kOk);
    EXPECT_EQ(std::count(events_.names.begin(), events_.names.end(), "TriggerModeChanged"), 2);
}

// Each case starts from CABLR 3, CABAR 6, CABSR 4 and CABTR 2 in the camera,
// which the selection's follow-up reads into the control.
struct DetailCase {
    const char* property;
    std::int32_t value;
    std::int32_t stored;
};

void PrintTo(const DetailCase& c, std::ostream* out) {
    *out << c.property << "=" << c.value;
}

class AberrationDetailTest : public ControlTest, public ::testing::WithParamInterface<DetailCase> {
protected:
    sim::SimServer& StartAberrationCamera() {
        sim::SimServer& server = StartSim(Model("RZ-130LX"));
        server.WithCamera([](sim::SimCamera& camera) {
            camera.SetIndexedValue(row::CABLR, 0, 3);
            camera.SetIndexedValue(row::CABAR, 0, 6);
            camera.SetIndexedValue(row::CABSR, 0, 4);
            camera.SetIndexedValue(row::CABTR, 0, 2);
        });
        return server;
    }
};

TEST_F(AberrationDetailTest, SelectionRereadsTheDetailRowsInOrder) {
    sim::SimServer& server = StartAberrationCamera();
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("AberrationSelection", Variant::Long(7)), automation::kOk);
    EXPECT_THAT(LinesSince(server, mark),
                ElementsAre("MAVCG=2", "CABLR?2", "CABAR?2", "CABSR?2", "CABTR?2", "CABLB?2",
                            "CABAB?2", "CABSB?2", "CABTB?2"));
    ASSERT_EQ(Put("AberrationSelection", Variant::Long(0)), automation::kOk);
    EXPECT_EQ(Get("AberrationLeftSidePixelRed"), Variant::Long(3));
    EXPECT_EQ(Get("AberrationAreaNumberRed"), Variant::Long(6));
    EXPECT_EQ(Get("AberrationSecondPixelRed"), Variant::Long(4));
    EXPECT_EQ(Get("AberrationThirdPixelRed"), Variant::Long(2));
    EXPECT_EQ(Get("AberrationLeftSidePixelRedString"), Variant::String("R3"));
    EXPECT_EQ(Get("AberrationLeftSidePixelRedIndex"), Variant::Long(6));
    // The rereads are reported without refresh, each with its event.
    EXPECT_THAT(events_.names, Contains("AberrationThirdPixelBlueChanged"));
}

TEST_P(AberrationDetailTest, ClampsIntoTheBoundsOfTheOtherRows) {
    const DetailCase& c = GetParam();
    sim::SimServer& server = StartAberrationCamera();
    ConnectedTo(server);
    ASSERT_EQ(Put("AberrationSelection", Variant::Long(0)), automation::kOk);
    const std::size_t mark = server.ReceivedLines().size();

    ASSERT_EQ(Put(OddCase(c.property), Variant::Long(c.value)), automation::kOk)
        << lastError_.description;
    EXPECT_EQ(Get(c.property), Variant::Long(c.stored));
    const std::vector<std::string> lines = LinesSince(server, mark);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with("=0," + std::to_string(c.stored))) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(Cases, AberrationDetailTest,
                         ::testing::Values(DetailCase{"AberrationAreaNumberRed", 2, 5},
                                           DetailCase{"AberrationAreaNumberRed", 11, 8},
                                           DetailCase{"AberrationSecondPixelRed", 1, 3},
                                           DetailCase{"AberrationSecondPixelRed", 7, 5},
                                           DetailCase{"AberrationThirdPixelRed", 6, 3},
                                           DetailCase{"AberrationThirdPixelRed", 0, 1}));

TEST_F(ControlTest, UnsupportedCableSelectionIsStoredAndReportedButNotSent) {
    // The cable compensation needs firmware 168 on this model.
    sim::SimServer& server = StartSim(Model("RZ-150LX-HR", 167));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("cableselection", Variant::Long(1)), automation::kOk);
    EXPECT_EQ(Get(80), Variant::Long(1));
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
    EXPECT_THAT(events_.names, ElementsAre("CableSelectionChanged"));
}

TEST_F(ControlTest, LocalRowsNeverReachTheCamera) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("EEPROMArea", Variant::Long(9)), automation::kOk);
    EXPECT_EQ(Get("EEPROMArea"), Variant::Long(2));
    ASSERT_EQ(Put("EEPROMAreaString", Variant::String("user1 AREA")), automation::kOk);
    EXPECT_EQ(Get("EEPROMAreaString"), Variant::String("User1 Area"));
    // The local EEPROM area has no event of its own.
    EXPECT_THAT(events_.names, IsEmpty());

    ASSERT_EQ(Put("ShadingCorrectionRecalibrationType", Variant::Long(-2)), automation::kOk);
    EXPECT_EQ(Get(73), Variant::Long(0));
    EXPECT_THAT(events_.names, ElementsAre("ShadingCorrectionRecalibrationTypeChanged"));
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
}

TEST_F(ControlTest, TextAndPositionSetsGoThroughTheNames) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("TRIGGERMODESTRING", Variant::String("pwc")), automation::kOk);
    EXPECT_EQ(Get("TriggerMode"), Variant::Long(2));
    EXPECT_EQ(Get("TriggerModeString"), Variant::String("PWC"));
    ASSERT_EQ(Put("TriggerPolarityString", Variant::String("no such polarity")), automation::kOk);
    EXPECT_EQ(Get("TriggerPolarity"), Variant::Long(0));
    ASSERT_EQ(Put("AberrationLeftSidePixelBlueIndex", Variant::Long(1)), automation::kOk);
    EXPECT_EQ(Get("AberrationLeftSidePixelBlue"), Variant::Long(-2));
    ASSERT_EQ(Put("AberrationInputName2", Variant::String("a name longer than sixteen")),
              automation::kOk);
    EXPECT_THAT(LinesSince(server, mark),
                ElementsAre("TR=2", "TP=0", "CABLB=0,-2", "CABN2=a name longer th"));
    EXPECT_THAT(StateAndValueEvents(),
                ElementsAre("TriggerModeChanged", "TriggerPolarityChanged",
                            "AberrationLeftSidePixelBlueChanged", "AberrationInputName2Changed"));
}

TEST_F(ControlTest, UserIdIsUnlockedAndCutToTwelveCharacters) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("userid", Variant::String("ABCDEFGHIJKLMNOPQRST")), automation::kOk)
        << lastError_.description;
    EXPECT_THAT(LinesSince(server, mark), ElementsAre("ULCK=7381", "UD=ABCDEFGHIJKL"));
    EXPECT_EQ(Get(24), Variant::String("ABCDEFGHIJKL"));
    EXPECT_THAT(StateAndValueEvents(), ElementsAre("UserIDChanged"));
}

// A text with a line end would make the camera run the rest as a command
// of its own: every text property refuses it before anything is sent.
class ControlCharacterSetTest : public ControlTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(ControlCharacterSetTest, TextWithControlCharacterIsAnInvalidValue) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::size_t mark = server.ReceivedLines().size();
    for (const char* text : {"ab\nTR=1", "ab\rSA=1", "\nLD=0", "tab\t"}) {
        EXPECT_EQ(Put(GetParam(), Variant::String(text)), automation::kException);
        EXPECT_EQ(lastError_.code, automation::kInvalidPropertyValue);
        EXPECT_THAT(lastError_.description, HasSubstr(GetErrorText(rc::kInvalidArgument)));
    }
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
    server.WithCamera([](sim::SimCamera& sim) { EXPECT_EQ(sim.Value(row::TR), 0); });
}

INSTANTIATE_TEST_SUITE_P(TextProperties, ControlCharacterSetTest,
                         ::testing::Values("AberrationInputName1", "AberrationInputName3",
                                           "UserID"));

TEST_F(ControlTest, InterlockedGreenExposureRereadsRedAndBlue) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    ASSERT_EQ(Put("TriggerMode", Variant::Long(1)), automation::kOk);
    ASSERT_EQ(Put("ExposureInterlockMode", Variant::Long(0)), automation::kOk);
    std::size_t mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("GreenExposure", Variant::Long(5000)), automation::kOk);
    EXPECT_THAT(LinesSince(server, mark), ElementsAre("PEG=5000"));

    ASSERT_EQ(Put("ExposureInterlockMode", Variant::Long(1)), automation::kOk);
    events_.names.clear();
    mark = server.ReceivedLines().size();
    ASSERT_EQ(Put("GreenExposure", Variant::Long(6000)), automation::kOk);
    EXPECT_THAT(LinesSince(server, mark), ElementsAre("PEG=6000", "PER?", "PEB?"));
    EXPECT_THAT(StateAndValueEvents(),
                ElementsAre("GreenExposureChanged", "RedExposureChanged", "BlueExposureChanged"));
}

TEST_F(ControlTest, ReadOnlyPropertiesRejectEverySet) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    for (const char* name : {"CommPort", "commclass", "FirmwareVersion", "ModelName"}) {
        EXPECT_EQ(Put(name, Variant::Long(1)), automation::kSetNotSupported) << name;
        EXPECT_EQ(lastError_.code, automation::kSetNotSupported) << name;
    }
    // Also when the control is called directly, as its panels do.
    try {
        control.SetProperty(11, Variant::Long(3));
        ADD_FAILURE() << "set of CommPort did not raise";
    } catch (const automation::AutomationException& raised) {
        EXPECT_EQ(raised.Error().code, automation::MakeHResult(0x800A017F));
    }
    EXPECT_EQ(Get("CommPort"), Variant::Long(0));
    EXPECT_EQ(Get("ModelName"), Variant::String("RZ-130LX"));
    EXPECT_THAT(events_.names, IsEmpty());
}

TEST_F(ControlTest, OfflineSetsStoreAndGetsAnswerTheLastValues) {
    sim::SimServer& server = StartSim(Model("RZ-130LX-FS"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    ASSERT_EQ(Put("MasterGain", Variant::Long(300)), automation::kOk);
    server.PullCable();
    EXPECT_EQ(Put("TriggerMode", Variant::Long(2)), automation::kException);
    ASSERT_FALSE(control.IsOnline());
    const std::size_t mark = server.ReceivedLines().size();

    // Offline, a set stores, reports and raises nothing.
    events_.names.clear();
    EXPECT_EQ(Put("BlackLevelMode", Variant::Long(1)), automation::kOk);
    EXPECT_THAT(events_.names, ElementsAre("BlackLevelModeChanged"));
    EXPECT_THAT(LinesSince(server, mark), IsEmpty());
    EXPECT_EQ(Get("MasterGain"), Variant::Long(300));
    EXPECT_EQ(Get("TriggerMode"), Variant::Long(2));
    EXPECT_EQ(Get("BlackLevelMode"), Variant::Long(1));
    EXPECT_EQ(Get("ModelName"), Variant::String("RZ-130LX-FS"));
    // The user ID needs the camera: offline it keeps the old text.
    EXPECT_EQ(Put("UserID", Variant::String("new")), automation::kOk);
    EXPECT_EQ(Get("UserID"), Variant::String(""));
}

}  // namespace
}  // namespace xkiv::control_test
