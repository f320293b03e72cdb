// Tarnview's window with the control created from the built module by its class identifier.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>

#include "host/control_dialog.h"
#include "platform/component_loader.h"
#include "tests/support/modal_answerer.h"
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

// Enter and Escape on a focused main-panel toggle neither press it nor end
// the program: only a click or Space opens a panel.
TEST_F(TarnviewTest, KeysOnAFocusedToggleOpenNothing) {
    Register();
    const bool yes = true;
    auto dialog = Open(&yes);
    auto* toggle = Find<QPushButton>(*dialog, "ControlToggle");
    ASSERT_NE(toggle, nullptr);
    toggle->setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(toggle, key);
        EXPECT_FALSE(toggle->isChecked()) << key;
        EXPECT_FALSE(Find<QWidget>(*dialog, "ControlDialog")->isVisible()) << key;
        EXPECT_TRUE(dialog->isVisible()) << key;
    }
    QTest::keyClick(toggle, Qt::Key_Space);
    EXPECT_TRUE(Find<QWidget>(*dialog, "ControlDialog")->isVisible());
    EXPECT_TRUE(questions_.empty());
}

// Counts the paints of every widget by object name.
class PaintCounter final : public QObject {
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    std::map<QString, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched->objectName()];
        }
        return false;
    }
};

// A click as the window system delivers it: through the window, so that a
// window blocked by a modal one never sees it.
void ClickAsUser(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), widget->rect().center()));
}

QWidget* TopLevel(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name) && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// A long operation started from a panel of Tarnview, and the line of it
// during whose answer the user clicks Cancel.
struct LongOperation {
    const char* name;
    const char* panel;
    const char* button;
    const char* file;                // the file the operation asks for, if any
    std::vector<const char*> first;  // what the user clicks first (making the file, ...)
    std::size_t cancelAtLine;
    // Lines that may still go after Cancel: the rest of the port being
    // tried in a search, the settings put back after a report.
    std::function<bool(const std::string&)> mayFollow;
};

bool Nothing(const std::string&) {
    return false;
}

class LongOperationTest : public TarnviewTest,
                          public ::testing::WithParamInterface<LongOperation> {};

// Tarnview runs its window modally; the operation keeps every window painted
// and takes Cancel (nothing else) through its progress window, which stops it
// at the end of the exchange under way; a cancelled search connects nowhere.
TEST_P(LongOperationTest, StaysAliveAndStopsAtCancelUnderTheModalHost) {
    const LongOperation& operation = GetParam();
    const bool search = std::string(operation.button) == "AutoButton";
    sim::SimServer& camera = StartSim(test::Model("RZ-130LX", 22));
    sim::SimServer* nextPort = search ? &StartSim(test::Model("RZ-150LX")) : nullptr;
    // The search starts offline at a port without a device.
    UseSerialPorts(search ? std::vector<std::string>{(dir_ / "missing").string(),
                                                     camera.DevicePath(), nextPort->DevicePath()}
                          : std::vector<std::string>{camera.DevicePath()});
    Register();
    // A stored line rate that every model takes: the pages have nothing to
    // bring into range while the camera's values arrive.
    std::filesystem::create_directories(dir_ / "config" / "KIV");
    std::ofstream(dir_ / "config" / "KIV" / "XKivRZ150LX Control.ini")
        << "[Exposure]\nLine Rate=10000\n";
    test::ModalAnswerer modal;
    for (int i = 0; operation.file != nullptr && i < 2; ++i) {
        modal.fileAnswers.push_back(QString::fromStdString((dir_ / operation.file).string()));
    }
    PaintCounter painted;
    const bool yes = true;
    CControlDialog dialog;
    dialog.SetQuitQuestion([&yes](const QString&, const QString&) { return yes; });

    std::size_t mark = 0;
    bool aboutShown = false;
    std::atomic<std::size_t> seen{0};
    std::promise<void> released;
    const std::shared_future<void> release = released.get_future().share();
    struct {
        bool progressShown = false;
        bool progressPainted = false;
        bool othersEnabled = false;
        bool logShown = true;
    } during;
    const auto atCancel = [&] {
        QWidget* progress = TopLevel("ProgressDialog");
        QWidget* panel = TopLevel(operation.panel);
        during.progressShown =
            progress != nullptr && progress->isModal() && progress->windowHandle()->isExposed();
        during.progressPainted = painted.paints[QStringLiteral("ProgressDialog")] > 0;
        during.othersEnabled = dialog.isEnabled() && panel != nullptr && panel->isEnabled();
        if (auto* log = panel->findChild<QListWidget*>(QStringLiteral("Log"))) {
            during.logShown = log->count() > 0;
        }
        // Blocked: nothing else starts beside the operation.
        ClickAsUser(dialog.findChild<QPushButton*>(QStringLiteral("AboutToggle")));
        if (progress != nullptr) {
            ClickAsUser(progress->findChild<QPushButton*>(QStringLiteral("cancel")));
        }
        released.set_value();
    };
    QTimer::singleShot(0, &dialog, [&] {
        const bool control = std::string(operation.panel) == "ControlDialog";
        dialog.Control().SetBoolProperty(control ? kShowControlWindow : kShowCommunicationWindow,
                                         true);
        QWidget* panel = TopLevel(operation.panel);
        ASSERT_NE(panel, nullptr);
        if (control) {
            panel->findChild<QTabWidget*>(QStringLiteral("Tabs"))->setCurrentIndex(1);
        }
        for (const char* name : operation.first) {
            // A check box is turned on (the process keeps the control's
            // module, and with it the values, from test to test).
            auto* button = panel->findChild<QAbstractButton*>(QString::fromLatin1(name));
            if (button == nullptr || !button->isChecked()) {
                ClickAsUser(button);
            }
        }
        mark = camera.ReceivedLines().size();
        aboutShown = TopLevel("AboutDialog") != nullptr;
        camera.SetLineGate([&, release](const std::string&) {
            if (++seen == operation.cancelAtLine) {
                QMetaObject::invokeMethod(qApp, atCancel, Qt::QueuedConnection);
                // Bounded only so that a broken build fails instead of hanging.
                release.wait_for(std::chrono::seconds(60));
            }
        });
        ClickAsUser(panel->findChild<QPushButton*>(QString::fromLatin1(operation.button)));
        dialog.close();
    });
    dialog.exec();

    ASSERT_EQ(release.wait_for(std::chrono::seconds(0)), std::future_status::ready)
        << "Cancel was never reached";
    EXPECT_TRUE(during.progressShown);
    EXPECT_TRUE(during.progressPainted);
    EXPECT_TRUE(during.othersEnabled);
    EXPECT_TRUE(during.logShown);
    const std::vector<std::string> after = LinesSince(camera, mark + operation.cancelAtLine);
    for (const std::string& line : after) {
        EXPECT_TRUE(operation.mayFollow(line)) << "sent after Cancel: " << line;
    }
    EXPECT_EQ(TopLevel("ProgressDialog"), nullptr);
    EXPECT_EQ(TopLevel("AboutDialog") != nullptr, aboutShown) << "a blocked window took a click";
    if (search) {
        EXPECT_TRUE(nextPort->ReceivedLines().empty()) << "the search went on";
        EXPECT_EQ(modal.messages.back(), "Camera not found.");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongOperationTest,
    ::testing::Values(
        LongOperation{
            "ReadAll", "CommunicationDialog", "SynchronizeProgramButton", nullptr, {}, 5, Nothing},
        LongOperation{
            "WriteAll", "CommunicationDialog", "SynchronizeCameraButton", nullptr, {}, 5, Nothing},
        LongOperation{"AreaLoad", "CommunicationDialog", "LoadButton", nullptr, {}, 5, Nothing},
        LongOperation{"Report",
                      "CommunicationDialog",
                      "WriteCameraDataButton",
                      "report.txt",
                      {},
                      8,
                      [](const std::string& line) {
                          return line.find('=') != std::string::npos && !line.starts_with("LD=");
                      }},
        LongOperation{"SetupFile",
                      "CommunicationDialog",
                      "ReadFileButton",
                      "setup.cam",
                      {"WriteFileButton"},
                      5,
                      Nothing},
        LongOperation{"AberrationDownload",
                      "ControlDialog",
                      "SaveToFile",
                      "aberration.csv",
                      {"AberrationEnable"},
                      5,
                      Nothing},
        LongOperation{"AberrationUpload",
                      "ControlDialog",
                      "LoadFromFile",
                      "aberration.csv",
                      {"AberrationEnable", "SaveToFile"},
                      5,
                      Nothing},
        LongOperation{"Search",
                      "CommunicationDialog",
                      "AutoButton",
                      nullptr,
                      {},
                      1,
                      [](const std::string& line) { return line.ends_with('?'); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Once shown, a window left alone paints nothing more: no paint asks for
// the next one.
TEST_F(TarnviewTest, AnIdleWindowPaintsNothing) {
    Register();
    auto dialog = Open();
    for (const auto dispid : {kShowAboutWindow, kShowCommunicationWindow, kShowControlWindow}) {
        dialog->Control().SetBoolProperty(dispid, true);
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    // Whatever the start left to paint is painted now.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::processEvents();
    }
    PaintCounter painted;
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(painted.paints.empty()) << painted.paints.begin()->first.toStdString();
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
