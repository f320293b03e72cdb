// Pictures of the Camera Control pages and the correction dialog for every model, online and
// offline.
#include <QDir>
#include <QTabWidget>

#include "tests/ui/ui_fixture.h"
#include "ui/dialog_function.h"
#include "ui/dialog_onepush.h"

namespace xkiv::ui_test {
namespace {

class ControlPanelScreenshots : public UiTest, public ::testing::WithParamInterface<const char*> {
protected:
    ControlPanelScreenshots() : UiTest() {}

    void Shoot(const QString& state) {
        auto* dialog = static_cast<ui::CDialogFunction*>(PanelWindow(kPanelControl));
        dialog->show();
        const QString model = QString::fromLatin1(GetParam());
        const QDir folder(QStringLiteral(XKIV_SCREENSHOT_DIR));
        folder.mkpath(QStringLiteral("."));
        const char* pages[] = {"controls", "calibration"};
        for (int tab = 0; tab < 2; ++tab) {
            dialog->Tabs()->setCurrentIndex(tab);
            const QString file = QStringLiteral("%1-%2-%3.png").arg(model, pages[tab], state);
            EXPECT_TRUE(dialog->grab().save(folder.filePath(file)));
        }
        ui::CDialogCorrection correction(*dialog->CalibPage(), dialog);
        correction.show();
        EXPECT_TRUE(correction.grab().save(
            folder.filePath(QStringLiteral("%1-correction-%2.png").arg(model, state))));
    }
};

TEST_P(ControlPanelScreenshots, OnlineAndOffline) {
    sim::SimServer& server = StartSim(test::Model(GetParam()));
    CXKivRZ150LXCtrl& control = Open(server.DevicePath());
    ASSERT_TRUE(control.IsOnline());
    Shoot(QStringLiteral("online"));
    server.PullCable();
    // The failed write takes the camera offline and raises the link error.
    EXPECT_THROW(control.SetProperty(27, automation::Variant::Long(1)),
                 automation::AutomationException);
    ASSERT_FALSE(control.IsOnline());
    Shoot(QStringLiteral("offline"));
}

INSTANTIATE_TEST_SUITE_P(Models, ControlPanelScreenshots,
                         ::testing::Values("RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace xkiv::ui_test
