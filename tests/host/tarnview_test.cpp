// Tarnview's window with the control created from the built module by its class identifier.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "host/control_dialog.h"
#include "platform/component_loader.h"
#include "tests/support/simulator_test.h"
#include "tests/support/test_files.h"

namespace xkiv::host {
namespace {

constexpr std::array<const char*, 3> kToggles = {"AboutToggle", "CommunicationToggle",
                                                 "ControlToggle"};
constexpr std::array<const char*, 3> kPanels = {"AboutDialog", "CommunicationDialog",
                                                "ControlDialog"};

class TarnviewTest : public test::SimulatorTest {
protected:
    TarnviewTest()
        : SimulatorTest("xkiv-host", test::ClientClock::Real),
          data_("XDG_DATA_HOME", (dir_ / "data").string()),
          shared_("XDG_DATA_DIRS", (dir_ / "shared").string()),
          config_("XDG_CONFIG_HOME", (dir_ / "config").string()) {
        UseSerialPorts({StartSim(test::Model("RZ-150LX")).DevicePath()});
    }

    void Register() {
        std::string error;
        ASSERT_EQ(automation::RegisterModule(XKIV_CONTROL_MODULE_PATH, &error), automation::kOk)
            << error;
    }

    // The dialog on screen, answering the quit question with answer.
    std::unique_ptr<CControlDialog> Open(const bool* answer = nullptr) {
        auto dialog = std::make_unique<CControlDialog>();
        dialog->SetQuitQuestion([this, answer](const QString& title, const QString& text) {
            questions_.push_back((title + "|" + text).toStdString());
            return answer != nullptr && *answer;
        });
        dialog->show();
        return dialog;
    }

    template <typename T>
    static T* Find(const QWidget& dialog, const char* name) {
        return dialog.findChild<T*>(QString::fromLatin1(name));
    }

    test::ScopedEnvironment data_;
    test::ScopedEnvironment shared_;
    test::ScopedEnvironment config_;
    std::vector<std::string> questions_;
};

TEST_F(TarnviewTest, ControlIsCreatedByClassAndItsPanelsFollowTheWindow) {
    Register();
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("RZ-150/130LX Control Tool"));
    ASSERT_TRUE(dialog->Control().HasControl());
    EXPECT_EQ(dialog->Control().geometry().top(), 1);
    for (const char* name : kToggles) {
        const auto* button = Find<QPushButton>(*dialog, name);
        ASSERT_NE(button, nullptr) << name;
        // Whole inside the window, not clipped at its bottom.
        const QRect place(button->mapTo(dialog.get(), QPoint(0, 0)), button->size());
        EXPECT_TRUE(dialog->rect().contains(place)) << name;
    }

    // The About entry of the window's menu opens the About panel alone.
    QTimer::singleShot(0, dialog.get(), [&dialog] {
        auto* menu = Find<QMenu>(*dialog, "SystemMenu");
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&About Tarnview..."));
        menu->actions()[0]->trigger();
        menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                                dialog->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(dialog.get(), &menuEvent);
    const std::array<bool, 3> aboutOnly = {true, false, false};
    for (std::size_t i = 0; i < kPanels.size(); ++i) {
        EXPECT_EQ(Find<QPushButton>(*dialog, kToggles[i])->isChecked(), aboutOnly[i])
            << kToggles[i];
        auto* panel = Find<QWidget>(*dialog, kPanels[i]);
        EXPECT_EQ(panel != nullptr && panel->isVisible(), aboutOnly[i]) << kPanels[i];
    }

    // Minimising hides every panel and pops every button out.
    for (const char* name : kToggles) {
        if (!Find<QPushButton>(*dialog, name)->isChecked()) {
            QTest::mouseClick(Find<QPushButton>(*dialog, name), Qt::LeftButton);
        }
    }
    ASSERT_TRUE(Find<QWidget>(*dialog, "ControlDialog")->isVisible());
    dialog->setWindowState(Qt::WindowMinimized);
    for (std::size_t i = 0; i < kPanels.size(); ++i) {
        EXPECT_FALSE(Find<QPushButton>(*dialog, kToggles[i])->isChecked()) << kToggles[i];
        EXPECT_FALSE(Find<QWidget>(*dialog, kPanels[i])->isVisible()) << kPanels[i];
    }
}

// Only the close request answered with Yes ends the program; Enter and
// Escape never do.
TEST_F(TarnviewTest, OnlyTheAgreedCloseRequestEndsTheDialog) {
    Register();
    const struct {
        const char* name;
        bool answer;
        std::function<void(CControlDialog&)> request;
        bool asks;
        bool ends;
    } cases[] = {
        {"Enter", true, [](CControlDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, false,
         false},
        {"Escape", true, [](CControlDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false,
         false},
        {"close answered No", false, [](CControlDialog& d) { d.close(); }, true, false},
        {"close answered Yes", true, [](CControlDialog& d) { d.close(); }, true, true},
    };
    for (const auto& c : cases) {
        questions_.clear();
        auto dialog = Open(&c.answer);
        c.request(*dialog);
        EXPECT_EQ(dialog->isVisible(), !c.ends) << c.name;
        const std::vector<std::string> expected =
            c.asks ? std::vector<std::string>{QCoreApplication::applicationName().toStdString() +
                                              "|Are you sure you want to quit this application ?"}
                   : std::vector<std::string>{};
        EXPECT_EQ(questions_, expected) << c.name;
    }
}

TEST_F(TarnviewTest, UnregisteredControlLeavesAnEmptyWindowAndSaysHowToRegister) {
    ::testing::internal::CaptureStderr();
    auto dialog = Open();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->Control().HasControl());
    EXPECT_EQ(Find<QPushButton>(*dialog, "AboutToggle"), nullptr);
    EXPECT_NE(said.find("not registered"), std::string::npos) << said;
    EXPECT_NE(said.find("xkivctl register"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    dialog->ShowAbout();  // harmless without the control
}

}  // namespace
}  // namespace xkiv::host
