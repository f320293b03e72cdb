// Showing and hiding the panels through the toggles, Escape and the properties; their places in the
// profile.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "platform/profile_store.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialog_base.h"

namespace xkiv::ui_test {
namespace {

struct ToggleCase {
    const char* name;
    int panel;
    const char* toggle;
    const char* section;
    const char* property;
};

// How a panel is shown and hidden.
enum class Way { Toggle, EscapeKey, CloseBox, Property };

struct ShowHideCase {
    ToggleCase panel;
    Way hideBy;
};

std::string ShowHideName(const ::testing::TestParamInfo<ShowHideCase>& info) {
    static const char* const kWays[] = {"Toggle", "Escape", "CloseBox", "Property"};
    return std::string(info.param.panel.name) + "By" + kWays[static_cast<int>(info.param.hideBy)];
}

class ShowHide : public UiTest, public ::testing::WithParamInterface<ShowHideCase> {};

TEST_P(ShowHide, ButtonFlagWindowAndProfileAgree) {
    const ToggleCase& p = GetParam().panel;
    CXKivRZ150LXCtrl& control = Open((dir_ / "no-camera").string());
    modal_.messages.clear();
    auto* toggle = Find<QPushButton>(kPanelMain, p.toggle);
    ASSERT_NE(toggle, nullptr);
    QWidget* panel = PanelWindow(p.panel);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(panel->isVisible());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(control.ShowFlag(p.panel), 1);
    const QPoint shownAt = panel->pos();

    control.SetModifiedFlag(false);
    switch (GetParam().hideBy) {
        case Way::Toggle:
            QTest::mouseClick(toggle, Qt::LeftButton);
            break;
        case Way::EscapeKey:
            QTest::keyClick(panel, Qt::Key_Escape);
            break;
        case Way::CloseBox:
            EXPECT_FALSE(panel->close());
            break;
        case Way::Property: {
            std::vector<automation::Variant> args{automation::Variant::Bool(false)};
            ASSERT_EQ(control.InvokeByName(p.property, automation::InvokeKind::PropertyPut, args,
                                           nullptr, nullptr),
                      automation::kOk);
            break;
        }
    }
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(control.ShowFlag(p.panel), 0);
    EXPECT_TRUE(control.IsModified());
    // Hidden, not destroyed: the same window comes back at its place.
    EXPECT_EQ(PanelWindow(p.panel), panel);

    std::vector<automation::Variant> args{automation::Variant::Bool(true)};
    ASSERT_EQ(control.InvokeByName(p.property, automation::InvokeKind::PropertyPut, args, nullptr,
                                   nullptr),
              automation::kOk);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), shownAt);

    DestroyControl();
    ProfileStore profile(ProfilePath());
    EXPECT_EQ(profile.GetInt(p.section, "Show", -1), 1);
    EXPECT_TRUE(modal_.messages.empty());
}

constexpr ToggleCase kAbout{"About", kPanelAbout, "AboutToggle", "AboutDialog", "ShowAboutWindow"};
constexpr ToggleCase kCommunication{"Communication", kPanelCommunication, "CommunicationToggle",
                                    "CommunicationDialog", "ShowCommunicationWindow"};
constexpr ToggleCase kControl{"Control", kPanelControl, "ControlToggle", "ControlDialog",
                              "ShowControlWindow"};

INSTANTIATE_TEST_SUITE_P(Ways, ShowHide,
                         ::testing::Values(ShowHideCase{kAbout, Way::Toggle},
                                           ShowHideCase{kCommunication, Way::Toggle},
                                           ShowHideCase{kControl, Way::Toggle},
                                           ShowHideCase{kAbout, Way::EscapeKey},
                                           ShowHideCase{kCommunication, Way::EscapeKey},
                                           ShowHideCase{kControl, Way::CloseBox},
                                           ShowHideCase{kCommunication, Way::Property}),
                         ShowHideName);

struct PlaceCase {
    const char* name;
    int storedLeft;  // -2: nothing stored
    int storedTop;
    int expectedLeft;  // -1: screen width - 11, the last place kept
    int expectedTop;
};

class Places : public UiTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(Places, StoredPlacesAreKeptOnScreenAndWrittenBack) {
    const PlaceCase& c = GetParam();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const auto resolve = [&screen](int value, int extent) {
        return value == -1 ? extent - 11 : value == -3 ? extent - 10 : value;
    };
    {
        ProfileStore profile(ProfilePath());
        for (const char* section : {"MainDialog", "CommunicationDialog"}) {
            if (c.storedLeft != -2) {
                profile.WriteInt(section, "Left", resolve(c.storedLeft, screen.width()));
                profile.WriteInt(section, "Top", resolve(c.storedTop, screen.height()));
            }
        }
        profile.WriteInt("CommunicationDialog", "Show", 1);
        ASSERT_TRUE(profile.Flush());
    }
    Open((dir_ / "no-camera").string());
    const QPoint expected(resolve(c.expectedLeft, screen.width()),
                          resolve(c.expectedTop, screen.height()));
    // The main panel places the host's window, not itself inside it.
    EXPECT_EQ(host_->pos(), expected);
    EXPECT_EQ(PanelWindow(kPanelMain)->pos(), QPoint(0, 0));
    EXPECT_EQ(PanelWindow(kPanelCommunication)->pos(), expected);

    host_->move(120, 130);
    PanelWindow(kPanelCommunication)->move(140, 150);
    DestroyControl();
    ProfileStore written(ProfilePath());
    EXPECT_EQ(written.GetInt("MainDialog", "Left", 0), 120);
    EXPECT_EQ(written.GetInt("MainDialog", "Top", 0), 130);
    EXPECT_EQ(written.GetInt("CommunicationDialog", "Left", 0), 140);
    EXPECT_EQ(written.GetInt("CommunicationDialog", "Top", 0), 150);
}

INSTANTIATE_TEST_SUITE_P(Cases, Places,
                         ::testing::Values(PlaceCase{"NothingStored", -2, -2, 100, 100},
                                           PlaceCase{"Stored", 30, 40, 30, 40},
                                           PlaceCase{"NegativeLeft", -5, 40, 100, 40},
                                           PlaceCase{"JustInside", -1, -1, -1, -1},
                                           PlaceCase{"AtTheEdgeMargin", -3, 40, 100, 40},
                                           PlaceCase{"BeyondTheBottom", 30, 99999, 30, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UiTest, ButtonsFollowTheStoredFlagsAtStart) {
    {
        ProfileStore profile(ProfilePath());
        profile.WriteInt("AboutDialog", "Show", 1);
        profile.WriteInt("ControlDialog", "Show", 2);
        ASSERT_TRUE(profile.Flush());
    }
    Open((dir_ / "no-camera").string());
    EXPECT_TRUE(Find<QPushButton>(kPanelMain, "AboutToggle")->isChecked());
    EXPECT_FALSE(Find<QPushButton>(kPanelMain, "CommunicationToggle")->isChecked());
    EXPECT_FALSE(Find<QPushButton>(kPanelMain, "ControlToggle")->isChecked());
    EXPECT_TRUE(PanelWindow(kPanelAbout)->isVisible());
    EXPECT_FALSE(PanelWindow(kPanelControl)->isVisible());
}

}  // namespace
}  // namespace xkiv::ui_test
