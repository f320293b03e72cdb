// The control's window, its panels and their show flags, and the relay of notifications to them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/profile_store.h"
#include "tests/control/control_fixture.h"

namespace xkiv::control_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr const char* kNoCameraText =
    "\r\n\r\nUnable to find a camera model.\r\nStart with the default model.";

// The same call on each of the given panels, in that order.
std::vector<std::string> OnPanels(const std::string& call, std::vector<int> panels = {0, 1, 2, 3}) {
    std::vector<std::string> calls;
    for (const int panel : panels) {
        calls.push_back(std::to_string(panel) + ":" + call);
    }
    return calls;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(ControlTest, WithoutACameraTheWindowSaysSoAndStillCreatesThePanels) {
    CXKivRZ150LXCtrl& control = MakeControl((dir_ / "no-such-device").string());
    TestSite site;
    ASSERT_TRUE(control.CreateControlWindow(site));
    ASSERT_EQ(ui_.messages.size(), 1u);
    // The device and the system's reason follow the product's text.
    EXPECT_EQ(ui_.messages[0].text, GetErrorText(rc::kPortInUse) + "\r\n" +
                                        (dir_ / "no-such-device").string() +
                                        ": No such file or directory" + kNoCameraText);
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(control.IsOnline());
    for (int panel = 0; panel < kPanelCount; ++panel) {
        EXPECT_NE(control.GetPanel(panel), nullptr) << panel;
    }
    EXPECT_TRUE(control.HasWindow());
}

TEST_F(ControlTest, PanelsFollowTheStoredFlagsAndWriteThemBack) {
    {
        ProfileStore profile(ProfilePath());
        profile.WriteInt("MainDialog", "Show", 0);
        profile.WriteInt("AboutDialog", "Show", 2);
        profile.WriteInt("CommunicationDialog", "Show", 1);
        ASSERT_TRUE(profile.Flush());
    }
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = MakeControl(server.DevicePath());
    EXPECT_EQ(control.ShowFlag(kPanelMain), 1);
    TestSite site;
    ASSERT_TRUE(control.CreateControlWindow(site));
    EXPECT_THAT(ui_.messages, IsEmpty());
    // The camera answered before the panels were made, so they start online.
    EXPECT_TRUE(control.IsOnline());
    EXPECT_THAT(
        panels_.log,
        ElementsAreArray({"0:Create(0,225,MainDialog,main,parent)", "0:ShowPanel(0,5)",
                          "1:Create(1,222,AboutDialog,sub,parent)", "1:ShowPanel(1,0)",
                          "0:ShowPanel(1,0)", "2:Create(2,223,CommunicationDialog,sub,parent)",
                          "2:ShowPanel(2,5)", "0:ShowPanel(2,5)",
                          "3:Create(3,232,ControlDialog,sub,parent)", "3:ShowPanel(3,0)",
                          "0:ShowPanel(3,0)"}));
    EXPECT_TRUE(control.IsModified());
    EXPECT_EQ(Get("ShowAboutWindow"), Variant::Bool(false));
    EXPECT_EQ(Get("showcommunicationwindow"), Variant::Bool(true));

    panels_.log.clear();
    ASSERT_EQ(Put("ShowControlWindow", Variant::Bool(true)), automation::kOk);
    ASSERT_EQ(Put(2, Variant::Long(0)), automation::kOk);
    EXPECT_THAT(panels_.log, ElementsAreArray({"3:ShowPanel(3,5)", "0:ShowPanel(3,5)",
                                               "2:ShowPanel(2,0)", "0:ShowPanel(2,0)"}));
    EXPECT_EQ(Get(3), Variant::Bool(true));

    panels_.log.clear();
    control.DestroyControlWindow();
    control.DestroyControlWindow();
    EXPECT_EQ(panels_.log, OnPanels("DestroyWindow"));
    EXPECT_EQ(control.GetPanel(kPanelMain), nullptr);

    control_.reset();
    ProfileStore written(ProfilePath());
    EXPECT_EQ(written.GetInt("MainDialog", "Show", -1), 1);
    EXPECT_EQ(written.GetInt("AboutDialog", "Show", -1), 0);
    EXPECT_EQ(written.GetInt("CommunicationDialog", "Show", -1), 0);
    EXPECT_EQ(written.GetInt("ControlDialog", "Show", -1), 1);
}

TEST_F(ControlTest, NotificationsReachThePanelsInPanelOrder) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    panels_.panelWithoutWindow = kPanelCommunication;
    CXKivRZ150LXCtrl& control = MakeControl(server.DevicePath());
    TestSite site;
    ASSERT_TRUE(control.CreateControlWindow(site));
    ClearRecords();

    ASSERT_EQ(Put("TriggerMode", Variant::Long(1)), automation::kOk);
    // Log lines are marked received for answers; value changes need a window.
    EXPECT_EQ(panels_.log,
              Concat({OnPanels("Sending:1"), OnPanels("Sent:TR=1\r\n"), OnPanels("Sending:0"),
                      OnPanels("Received:COMPLETE\r\n"), OnPanels("Value(13,1,1)", {0, 1, 3})}));

    // The local EEPROM area reaches the panels but fires no event.
    ClearRecords();
    ASSERT_EQ(Put("EEPROMArea", Variant::Long(1)), automation::kOk);
    EXPECT_EQ(panels_.log, OnPanels("Value(76,1,1)", {0, 1, 3}));
    EXPECT_THAT(events_.names, IsEmpty());

    ClearRecords();
    server.PullCable();
    EXPECT_EQ(Put("TestPattern", Variant::Long(1)), automation::kException);
    EXPECT_THAT(panels_.log, Contains("3:Online:0"));
    EXPECT_THAT(panels_.log, Contains("3:Synchronized:0"));
    EXPECT_THAT(events_.names, Contains("OnlineStatusChanged"));
}

TEST_F(ControlTest, ModelChecksCompareTheWholeModelName) {
    sim::SimServer& server = StartSim(Model("RZ-150LX-HR"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    EXPECT_TRUE(control.IsModelRZ150LX_HR());
    EXPECT_FALSE(control.IsModelRZ130LX_FS());
}

}  // namespace
}  // namespace xkiv::control_test
