// The Communication panel: its log, the traffic lamp, the port choice (network ports added and
// removed), results and settings areas.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "tests/support/patience.h"
#include "tests/support/ser2net_bridge.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialog_comm.h"

namespace xkiv::ui_test {
namespace {

class CommunicationTest : public UiTest {
protected:
    // Without a camera, with the panel shown.
    void OpenShown() {
        OpenOffline();
        control_->SetShowFlag(kPanelCommunication, true);
    }
    ui::CDialogComm& Comm() {
        return *static_cast<ui::CDialogComm*>(PanelWindow(kPanelCommunication));
    }
    template <typename W = QWidget>
    W* Widget(const char* name) {
        return Find<W>(kPanelCommunication, name);
    }
    void Click(const char* button) {
        QTest::mouseClick(Widget<QPushButton>(button), Qt::LeftButton);
    }
};

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(CommunicationTest, LogKeepsTheNewestLinesFirstAndWritesThemOldestFirst) {
    OpenOffline();
    Click("ClearButton");
    // An empty log offers no file dialog.
    Click("WriteLogButton");
    EXPECT_EQ(modal_.fileDialogs, 0);

    Comm().LogMessage("first\r\nline\r\n", false);
    for (int i = 1; i <= ui::CDialogComm::kLogLines; ++i) {
        Comm().LogMessage("line " + std::to_string(i) + "\r\n", true);
    }
    const QStringList lines = Comm().LogLines();
    ASSERT_EQ(lines.size(), ui::CDialogComm::kLogLines);
    EXPECT_EQ(lines.front(), QStringLiteral("line 512"));
    EXPECT_EQ(lines.back(), QStringLiteral("line 1"));
    Comm().LogMessage("a\rb\n", false);
    EXPECT_EQ(Comm().LogLines().front(), QStringLiteral("ab"));
    EXPECT_EQ(Comm().LogLines().back(), QStringLiteral("line 2"));

    const std::filesystem::path log = dir_ / "log.txt";
    modal_.fileAnswers = {QString::fromStdString(log.string())};
    Click("WriteLogButton");
    const std::vector<std::string> written = FileLines(log);
    ASSERT_EQ(written.size(), 512u);
    EXPECT_EQ(written.front(), "line 2");
    EXPECT_EQ(written.back(), "ab");

    // A target that cannot be replaced keeps what it is.
    std::filesystem::create_directory(dir_ / "folder.txt");
    EXPECT_FALSE(Comm().WriteLog(QString::fromStdString((dir_ / "folder.txt").string())));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.txt"));
}

TEST_F(CommunicationTest, TrafficLampGoesDarkAHundredMillisecondsAfterTheLastOff) {
    OpenShown();
    auto* lamp = Widget<QLabel>("TrafficLamp");
    auto* text = Widget<QLabel>("TrafficText");
    Comm().SendingChanged(true, false);
    EXPECT_TRUE(lamp->isVisible());
    EXPECT_EQ(text->text(), QStringLiteral("Sending"));
    Comm().SendingChanged(false, false);
    Comm().ReceivingChanged(true, false);
    EXPECT_EQ(text->text(), QStringLiteral("Receiving"));
    QElapsedTimer sinceLastOff;
    Comm().ReceivingChanged(false, false);
    sinceLastOff.start();
    EXPECT_TRUE(lamp->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([lamp] { return !lamp->isVisible(); }, test::kPatienceMs));
    // Never sooner; a busy machine can only make it later.
    EXPECT_GE(sinceLastOff.elapsed(), ui::CDialogComm::kTrafficHoldMs);
    EXPECT_TRUE(text->text().isEmpty());

    Comm().SendingChanged(true, false);
    Comm().SendingChanged(false, true);
    EXPECT_FALSE(lamp->isVisible());
}

TEST_F(CommunicationTest, ChoosingAClassOpensItsFirstPort) {
    sim::SimServer& first = StartSim(test::Model("RZ-130LX"));
    sim::SimServer& second = StartSim(test::Model("RZ-150LX-HR"));
    CXKivRZ150LXCtrl& control = Open({first.DevicePath(), second.DevicePath()});
    auto* classes = Widget<QComboBox>("ClassList");
    auto* ports = Widget<QComboBox>("PortList");
    ASSERT_EQ(ports->count(), 2);
    ports->setCurrentIndex(1);
    emit ports->activated(1);
    EXPECT_EQ(control.GetPort(), 1);
    EXPECT_EQ(control.Text(row::MD), "RZ-150LX-HR");

    classes->setCurrentIndex(0);
    emit classes->activated(0);
    EXPECT_EQ(control.GetPort(), 0);
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_TRUE(control.IsOnline());
    EXPECT_EQ(control.Text(row::MD), "RZ-130LX");
    EXPECT_EQ(Widget<QLabel>("OnlineText")->text(), QStringLiteral("Online"));
}

TEST_F(CommunicationTest, OfflineActionsSaySoAndLightTheErrorIndicator) {
    OpenShown();
    modal_.messages.clear();
    auto* indicator = Widget<QLabel>("ErrorIndicator");
    EXPECT_FALSE(indicator->isVisible());
    for (const char* button :
         {"SynchronizeCameraButton", "SynchronizeProgramButton", "LoadButton"}) {
        Click("ClearButton");
        Click(button);
        EXPECT_EQ(Comm().LogLines().value(0).toStdString(),
                  "Operation failed. The Camera is offline.")
            << button;
        EXPECT_TRUE(indicator->isVisible()) << button;
    }
    Click("ClearButton");
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_TRUE(Comm().LogLines().isEmpty());

    Click("AutoButton");
    ASSERT_FALSE(modal_.messages.empty());
    EXPECT_EQ(modal_.messages.back(), "Camera not found.");
    EXPECT_TRUE(host_->isEnabled());
}

TEST_F(CommunicationTest, StoreIsOfferedForTheUserAreasOnly) {
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    auto* areas = Widget<QComboBox>("AreaList");
    auto* store = Widget<QPushButton>("StoreButton");
    ASSERT_EQ(areas->count(), 3);
    EXPECT_EQ(areas->itemText(0), QStringLiteral("Factory Area"));
    for (const int area : {1, 0, 2}) {
        areas->setCurrentIndex(area);
        emit areas->activated(area);
        EXPECT_EQ(store->isEnabled(), area != 0) << area;
        EXPECT_TRUE(Widget<QPushButton>("LoadButton")->isEnabled());
        EXPECT_EQ(control.Value(row::EepromArea), area);
    }
}

// Network ports are typed into the panel and removed from it. Each step
// answers the address prompt (or cancels it) or removes the selected port,
// and states the classes offered, the ports listed, whether the camera is
// online and what the user is told. The list is kept in the profile: a
// later run without XKIV_SERIAL_PORTS lists it and reopens the address.
TEST_F(CommunicationTest, NetworkPortsAreAddedAndRemovedFromThePanel) {
    if (test::Ser2netBridge::Program().empty()) {
        GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    }
    using Mode = test::Ser2netBridge::Mode;
    sim::SimServer& sim = StartSim(test::Model("RZ-150LX"));
    test::Ser2netBridge bridge(dir_, sim.DevicePath(), Mode::Rfc2217);
    ASSERT_TRUE(bridge.Start());
    const test::Ser2netBridge neverStarted(dir_, sim.DevicePath(), Mode::Raw);
    const QString address = QString::fromStdString(bridge.Address());
    const QString refusing = QString::fromStdString(neverStarted.Address());

    QString typed;
    int prompts = 0;
    modal_.onShow = [&](QObject* window) {
        auto* prompt = qobject_cast<QInputDialog*>(window);
        if (prompt != nullptr) {
            ++prompts;
            QTimer::singleShot(0, prompt, [prompt, typed] {
                prompt->setTextValue(typed);
                typed.isNull() ? prompt->reject() : prompt->accept();
            });
        }
        return prompt != nullptr;
    };

    const std::string kUnusable =
        "Unable to use communication port.\nMake sure that no other programs are connected to "
        "this port.";
    // The product's text, then which address failed and why.
    const std::string kRefused = neverStarted.Address() + ": Connection refused";
    const std::string kUnusableAtStart =
        kUnusable + "\n" + kRefused +
        "\n\nUnable to find a camera model.\nStart with the default model.";
    const QString kRemove = QStringLiteral("<remove>");
    const QString kReopen = QStringLiteral("<reopen>");
    struct Step {
        const char* what;
        QString action;     // typed into the prompt (null cancels it), kRemove or kReopen
        QStringList ports;  // the network ports; empty: the serial class is chosen
        int port;
        bool online;
        std::string message;  // the last message box, empty for none
    };
    const std::vector<Step> steps = {
        {"cancelled", QString(), {}, 0, false, ""},
        {"no address",
         "ser2net:2001",
         {},
         0,
         false,
         "Not a network port. Write tcp://HOST:PORT (raw) or rfc2217://HOST:PORT (RFC 2217)."},
        {"bridge added and opened", " " + address + " ", {address}, 0, true, ""},
        {"added twice, listed once", address, {address}, 0, true, ""},
        {"refusing port added",
         refusing,
         {address, refusing},
         1,
         false,
         kUnusable + "\n\n" + kRefused},
        {"reopened from the profile", kReopen, {address, refusing}, 1, false, kUnusableAtStart},
        {"refusing port removed", kRemove, {address}, 0, false, ""},
        {"reopened on the remembered address", kReopen, {address}, 0, true, ""},
        {"last port removed", kRemove, {}, 0, false, ""},
    };
    OpenShown();
    EXPECT_EQ(Widget<QPushButton>("RemovePortButton")->text(), QString(QChar(0x2212)));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        modal_.messages.clear();
        if (step.action == kReopen) {
            DestroyControl();
            Open(std::vector<std::string>{});
            control_->SetShowFlag(kPanelCommunication, true);
        } else if (step.action == kRemove) {
            Click("RemovePortButton");
        } else {
            typed = step.action;
            Click("AddPortButton");
        }
        auto* classes = Widget<QComboBox>("ClassList");
        auto* ports = Widget<QComboBox>("PortList");
        const bool network = !step.ports.isEmpty();
        EXPECT_EQ(control_->GetClass(), network ? CComm::kNetworkClass : 0);
        EXPECT_EQ(classes->count(), network ? CComm::kNetworkClass + 1 : 1);
        EXPECT_EQ(classes->currentIndex(), control_->GetClass());
        if (network) {
            QStringList listed;
            for (int i = 0; i < ports->count(); ++i) {
                listed << ports->itemText(i);
            }
            EXPECT_EQ(listed, step.ports);
            EXPECT_EQ(ports->currentIndex(), step.port);
            EXPECT_EQ(control_->GetPort(), step.port);
        }
        EXPECT_EQ(Widget<QPushButton>("RemovePortButton")->isEnabled(), network);
        EXPECT_EQ(control_->IsOnline(), step.online);
        if (step.online) {
            EXPECT_EQ(control_->Text(row::MD), "RZ-150LX");
        }
        EXPECT_EQ(modal_.messages.empty() ? std::string() : modal_.messages.back(), step.message);
    }
    EXPECT_EQ(prompts, 5);
}

}  // namespace
}  // namespace xkiv::ui_test
