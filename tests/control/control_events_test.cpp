// Event order and automation errors of the control: connecting, sets, failures, lost cable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/sim_camera.h"
#include "tests/control/control_fixture.h"

namespace xkiv::control_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr const char* kOnline = "OnlineStatusChanged";
constexpr const char* kSynchronized = "SynchronizationStatusChanged";
constexpr const char* kSending = "SendingToCameraStatusChanged";
constexpr const char* kReceiving = "ReceivingFromCameraStatusChanged";

TEST_F(ControlTest, OpeningAPortFiresTheIdentificationEventsInOrder) {
    sim::SimServer& server = StartSim(Model("RZ-150LX"));
    CXKivRZ150LXCtrl& control = MakeControl(server.DevicePath());
    ASSERT_EQ(control.OpenCommunication(0, 0), rc::kOk);
    // Every query switches the receiving light on and off before its answer. The first-run
    // values outside the model's bounds are then brought into them, locally.
    EXPECT_THAT(events_.names, ElementsAreArray({kOnline,
                                                 kSynchronized,
                                                 kOnline,
                                                 kReceiving,
                                                 kReceiving,
                                                 "ModelNameChanged",
                                                 kReceiving,
                                                 kReceiving,
                                                 "FirmwareVersionChanged",
                                                 kReceiving,
                                                 kReceiving,
                                                 "FPGAVersionChanged",
                                                 kReceiving,
                                                 kReceiving,
                                                 "CameraIDChanged",
                                                 kReceiving,
                                                 kReceiving,
                                                 "UserIDChanged",
                                                 "LineRateChanged",
                                                 "AberrationSecondPixelRedChanged",
                                                 "AberrationSecondPixelBlueChanged",
                                                 kOnline,
                                                 "CommPortChanged",
                                                 kReceiving,
                                                 kReceiving,
                                                 "ModelNameChanged"}));
    EXPECT_TRUE(control.IsOnline());
    EXPECT_EQ(Get("ModelName"), Variant::String("RZ-150LX"));
}

TEST_F(ControlTest, OpeningAMissingPortEndsOfflineAfterTheCommPortEvent) {
    CXKivRZ150LXCtrl& control = MakeControl((dir_ / "no-such-device").string());
    EXPECT_NE(control.OpenCommunication(0, 0), rc::kOk);
    EXPECT_THAT(events_.names, ElementsAre(kOnline, kSynchronized, kOnline, kOnline, kSynchronized,
                                           "CommPortChanged"));
    EXPECT_FALSE(control.IsOnline());
}

TEST_F(ControlTest, ASetFiresItsLightsThenItsEvent) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    ASSERT_EQ(Put("NoiseReduction", Variant::Long(1)), automation::kOk);
    // A set lights the sending lamp only; its answer is collected unlit.
    EXPECT_THAT(events_.names, ElementsAre(kSending, kSending, "NoiseReductionChanged"));
}

struct ErrorCase {
    int row;
    ResultCode code;
    std::uint32_t error;
    const char* prefix;  // what comes before the code's text
};

class RaiseCameraErrorTest : public ControlTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RaiseCameraErrorTest, MapsCodeAndNamesTheRow) {
    const ErrorCase& c = GetParam();
    CXKivRZ150LXCtrl& control = MakeControl((dir_ / "none").string());
    try {
        control.RaiseCameraError(c.row, c.code);
        ADD_FAILURE() << "nothing raised";
    } catch (const automation::AutomationException& raised) {
        EXPECT_EQ(raised.Error().code, automation::MakeHResult(c.error));
        EXPECT_EQ(raised.Error().description, c.prefix + GetErrorText(c.code));
        EXPECT_EQ(raised.Error().helpContext, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RaiseCameraErrorTest,
    ::testing::Values(ErrorCase{row::TR, rc::kBadParameter, 0x800A017C, "\"TR\" : "},
                      ErrorCase{row::TR, rc::kTimeout, 0x800A0039, ""},
                      ErrorCase{row::GA, rc::kUnknownCommand, 0x800A017C, ""},
                      ErrorCase{row::GA, rc::kOutOfRange, 0x800A0039, "\"GA\" : "},
                      ErrorCase{row::GA, rc::kInvalidArgument, 0x800A017C, "\"GA\" : "},
                      ErrorCase{row::LR, rc::kReceivedOutOfRange, 0x800A0039, "\"LR\" : "},
                      ErrorCase{-1, rc::kBadParameter, 0x800A017C, ""},
                      ErrorCase{-1, rc::kFileAccess, 0x800A004B, ""},
                      ErrorCase{row::TR, rc::kUnmatchedFile, 0x800A004B, ""},
                      ErrorCase{row::TR, rc::kWriteFailed, 0x800A0039, ""}));

TEST_F(RaiseCameraErrorTest, TheCameraRefusalNamesTheMnemonic) {
    CXKivRZ150LXCtrl& control = MakeControl((dir_ / "none").string());
    try {
        control.RaiseCameraError(row::TR, rc::kBadParameter);
        ADD_FAILURE() << "nothing raised";
    } catch (const automation::AutomationException& raised) {
        EXPECT_EQ(raised.Error().description, "\"TR\" : Bad Parameter !!");
    }
}

TEST_F(RaiseCameraErrorTest, SuccessAndOfflineRaiseNothing) {
    CXKivRZ150LXCtrl& control = MakeControl((dir_ / "none").string());
    EXPECT_NO_THROW(control.RaiseCameraError(row::TR, rc::kOk));
    EXPECT_NO_THROW(control.RaiseCameraError(row::TR, rc::kOffline));
}

TEST_F(ControlTest, ARejectedSetRaisesAfterItsEvent) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    // The camera left sub-sampling behind the control's back, so it refuses
    // a line rate that only sub-sampling allows.
    ASSERT_EQ(Put("SensorReadOutMode", Variant::Long(1)), automation::kOk);
    server.WithCamera([](sim::SimCamera& camera) { camera.SetValue(row::SRO, 0); });
    events_.names.clear();
    control.SetModifiedFlag(false);

    EXPECT_EQ(Put("LineRate", Variant::Long(2000)), automation::kException);
    EXPECT_EQ(lastError_.code, automation::kInvalidPropertyValue);
    EXPECT_EQ(lastError_.description, "\"LR\" : " + GetErrorText(rc::kBadParameter));
    EXPECT_THAT(events_.names, ElementsAre(kSending, kSending, "LineRateChanged"));
    // The value stays stored, unsynchronized; the camera stays online.
    EXPECT_EQ(Get("LineRate"), Variant::Long(2000));
    EXPECT_FALSE(control.IsRowSynchronized(row::LR));
    EXPECT_TRUE(control.IsOnline());
    // The error ends the set before the control is marked modified.
    EXPECT_FALSE(control.IsModified());
}

TEST_F(ControlTest, ATimedOutSetGoesOfflineBeforeItsEventAndError) {
    sim::LineConfig line;
    line.silentAfter = 6;  // the identification and the final model read
    sim::SimServer& server = StartSim(Model("RZ-130LX"), line);
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    EXPECT_EQ(Put("TriggerMode", Variant::Long(1)), automation::kException);
    EXPECT_EQ(lastError_.code, automation::kDeviceIoError);
    EXPECT_EQ(lastError_.description, GetErrorText(rc::kTimeout));
    EXPECT_THAT(events_.names,
                ElementsAre(kSending, kSending, kOnline, kSynchronized, "TriggerModeChanged"));
    EXPECT_FALSE(control.IsOnline());
}

TEST_F(ControlTest, APulledCableTakesTheCameraOffline) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    server.PullCable();
    EXPECT_EQ(Put("GainMode", Variant::Long(1)), automation::kException);
    EXPECT_EQ(lastError_.code, automation::kDeviceIoError);
    EXPECT_EQ(lastError_.description.find('"'), std::string::npos);
    EXPECT_THAT(StateAndValueEvents(), ElementsAre(kOnline, kSynchronized, "GainModeChanged"));
    EXPECT_FALSE(control.IsOnline());
    EXPECT_FALSE(control.IsSynchronized());
}

}  // namespace
}  // namespace xkiv::control_test
