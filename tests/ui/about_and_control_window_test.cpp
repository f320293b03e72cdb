// The About panel's user ID and texts, the progress window, and the control's window, drawing,
// verbs and page.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "control/dispatch_methods.h"
#include "host/painter_surface.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialog_about.h"
#include "ui/dialog_progress.h"

namespace xkiv::ui_test {
namespace {

struct UserIdCase {
    const char* name;
    bool online;
    const char* typed;
    std::vector<std::string> sent;  // what the camera receives
    const char* message;            // null: none
};

class SaveUserId : public UiTest, public ::testing::WithParamInterface<UserIdCase> {};

TEST_P(SaveUserId, SendsWhatRemainsAfterLeadingSpacesOnlyWhileOnline) {
    const UserIdCase& c = GetParam();
    sim::SimServer& server = StartSim(test::Model("RZ-150LX"));
    CXKivRZ150LXCtrl& control = Open(server.DevicePath());
    if (!c.online) {
        server.PullCable();
        (void)control.OpenCommunication(0, 0);
    }
    modal_.messages.clear();
    auto* edit = Find<QLineEdit>(kPanelAbout, "UserID");
    auto* save = Find<QPushButton>(kPanelAbout, "SaveUserIdButton");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(save->isEnabled());
    QTest::mouseClick(Find<QRadioButton>(kPanelAbout, "EnableUserId"), Qt::LeftButton);
    EXPECT_FALSE(edit->isReadOnly());
    ASSERT_TRUE(save->isEnabled());

    const std::size_t mark = server.ReceivedLines().size();
    edit->setText(QString::fromLatin1(c.typed));
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(LinesSince(server, mark), c.sent);
    if (c.message != nullptr) {
        ASSERT_EQ(modal_.messages.size(), 1u);
        EXPECT_EQ(modal_.messages[0], c.message);
    } else {
        EXPECT_TRUE(modal_.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveUserId,
    ::testing::Values(
        UserIdCase{"LeadingSpacesGo", true, "  line 4", {"ULCK=7381", "UD=line 4"}, nullptr},
        UserIdCase{"SpacesOnlySendEmpty", true, "   ", {"ULCK=7381", "UD="}, nullptr},
        UserIdCase{
            "EmptyIsRefused", true, "", {}, "A valid User ID must contain some characters !!"},
        UserIdCase{"OfflineSendsNothing", false, "line 4", {}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UiTest, ProtectingTheUserIdBringsBackTheStoredOne) {
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    auto* edit = Find<QLineEdit>(kPanelAbout, "UserID");
    const QString stored = QString::fromStdString(control.Text(row::UD));
    QTest::mouseClick(Find<QRadioButton>(kPanelAbout, "EnableUserId"), Qt::LeftButton);
    edit->setText(QStringLiteral("typed"));
    QTest::mouseClick(Find<QRadioButton>(kPanelAbout, "ProtectUserId"), Qt::LeftButton);
    EXPECT_EQ(edit->text(), stored);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(Find<QLineEdit>(kPanelAbout, "ModelName")->text(), QStringLiteral("RZ-150LX"));
}

TEST(AboutTexts, VersionAndHundredths) {
    EXPECT_EQ(ui::CDialogAbout::VersionText(), QStringLiteral("Version 1.26 (x64)"));
    EXPECT_EQ(ui::CDialogAbout::HundredthsText(100), QStringLiteral("1.00"));
    EXPECT_EQ(ui::CDialogAbout::HundredthsText(0), QStringLiteral("0.00"));
    EXPECT_EQ(ui::CDialogAbout::HundredthsText(123), QStringLiteral("1.23"));
}

TEST(ProgressWindow, TitleShowsTheShareDone) {
    ui::CDialogProgress dialog;
    dialog.SetRange(0, 80);
    dialog.StepIt();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("In Progress (  1.3%)"));
    for (int step = 2; step <= 80; ++step) {
        dialog.StepIt();
    }
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("In Progress (100.0%)"));
}

// The progress window blocks the others by its modality; none is disabled,
// so none turns grey, and a failure leaves no window blocked.
TEST_F(UiTest, ProgressWindowIsModalOverThePanelAndDisablesNothing) {
    sim::SimServer& server = StartSim(test::Model("RZ-150LX"));
    Open(server.DevicePath());
    control_->SetShowFlag(kPanelCommunication, true);
    QWidget* comm = PanelWindow(kPanelCommunication);
    comm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(comm));
    bool modalOverPanel = false;
    bool othersEnabled = false;
    modal_.onShow = [&](QObject* watched) {
        if (watched->objectName() == QLatin1String("ProgressDialog")) {
            auto* progress = static_cast<QWidget*>(watched);
            modalOverPanel = progress->windowModality() == Qt::ApplicationModal &&
                             progress->parentWidget() == comm;
            othersEnabled = host_->isEnabled() && comm->isEnabled();
        }
        return false;
    };
    server.PullCable();
    modal_.messages.clear();
    QTest::mouseClick(Find<QPushButton>(kPanelCommunication, "SynchronizeProgramButton"),
                      Qt::LeftButton);
    EXPECT_TRUE(modalOverPanel);
    EXPECT_TRUE(othersEnabled);
    EXPECT_FALSE(modal_.messages.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UiTest, WithoutACameraTheStartSaysSoOnce) {
    OpenOffline();
    ASSERT_EQ(modal_.messages.size(), 1u);
    // The device and the system's reason follow the product's text.
    EXPECT_EQ(modal_.messages[0],
              ui::QtUiServices::DisplayText(GetErrorText(rc::kPortInUse)).toStdString() + "\n" +
                  (dir_ / "no-camera").string() + ": No such file or directory" +
                  "\n\nUnable to find a camera model.\nStart with the default model.");
    EXPECT_NE(PanelWindow(kPanelMain), nullptr);
}

TEST_F(UiTest, DrawingShowsTheDesignTimePictureUntilTheMainPanelExists) {
    CXKivRZ150LXCtrl& control = MakeControl({(dir_ / "no-camera").string()});
    EXPECT_EQ(control.InitialSize().width, 180);
    EXPECT_EQ(control.InitialSize().height, 40);
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        host::PainterSurface surface(painter);
        control.Draw(surface, {0, 0, 300, 100});
    }
    const QRgb white = qRgb(255, 255, 255);
    EXPECT_EQ(image.pixel(1, 1), white);    // filled outside the ellipse
    EXPECT_NE(image.pixel(150, 0), white);  // the ellipse touches the top
    EXPECT_NE(image.pixel(0, 50), white);   // and the left edge
    int inked = 0;                          // the text across the centre
    for (int x = 30; x < 270; ++x) {
        for (int y = 40; y < 60; ++y) {
            inked += image.pixel(x, y) != white;
        }
    }
    EXPECT_GT(inked, 50);

    host_ = std::make_unique<QWidget>();
    site_ = std::make_unique<HostSite>(*host_);
    ASSERT_TRUE(control.CreateControlWindow(*site_));
    QImage after(300, 100, QImage::Format_RGB32);
    after.fill(Qt::red);
    {
        QPainter painter(&after);
        host::PainterSurface surface(painter);
        control.Draw(surface, {10, 5, 280, 60});
    }
    EXPECT_EQ(after.pixel(150, 50), qRgb(255, 0, 0));  // nothing drawn
    EXPECT_EQ(PanelWindow(kPanelMain)->geometry(), QRect(10, 5, 280, 60));
}

TEST_F(UiTest, PropertiesVerbOpensThePageWhichWritesOnApply) {
    CXKivRZ150LXCtrl& control = OpenOffline();
    EXPECT_EQ(control.Verbs(), (std::vector<automation::Verb>{automation::Verb::Edit,
                                                              automation::Verb::Properties}));
    control.SetShowFlag(kPanelCommunication, true);
    bool pageRead = false;
    modal_.onShow = [&pageRead](QObject* watched) {
        if (watched->objectName() != QLatin1String("PropertyFrame")) {
            return false;
        }
        auto* frame = static_cast<QDialog*>(watched);
        QTimer::singleShot(0, frame, [frame, &pageRead] {
            auto* about = frame->findChild<QCheckBox*>(QStringLiteral("AboutWindow"));
            pageRead =
                frame->findChild<QCheckBox*>(QStringLiteral("CommunicationWindow"))->isChecked() &&
                !about->isChecked() &&
                !frame->findChild<QCheckBox*>(QStringLiteral("AnotherControlWindow"))->isVisible();
            about->setChecked(true);
            frame->findChild<QCheckBox*>(QStringLiteral("CommunicationWindow"))->setChecked(false);
            frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        return true;
    };
    EXPECT_TRUE(control.DoVerb(automation::Verb::Properties));
    EXPECT_TRUE(pageRead);
    EXPECT_EQ(control.ShowFlag(kPanelAbout), 1);
    EXPECT_EQ(control.ShowFlag(kPanelCommunication), 0);
    EXPECT_TRUE(Find<QPushButton>(kPanelMain, "AboutToggle")->isChecked());
}

}  // namespace
}  // namespace xkiv::ui_test
