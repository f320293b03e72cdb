// A control with its Qt panels in a host window, over a simulated camera, and a hand for modal
// dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/module.h"
#include "platform/clock.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/simulator_test.h"
#include "ui/custom_controls.h"
#include "ui/qt_panel_factory.h"
#include "ui/qt_ui_services.h"

namespace xkiv::ui_test {

using test::ModalAnswerer;

class HostSite final : public automation::ControlSite {
public:
    explicit HostSite(QWidget& window) : window_(window) {}
    void* ParentWindow() override { return &window_; }

private:
    QWidget& window_;
};

// Each test has its own profile; the control's one serial port is the
// device the test names. The host window is the control's site.
class UiTest : public test::SimulatorTest {
protected:
    UiTest() : SimulatorTest("xkiv-ui") {
        ui::SetBeepHandler([this] { ++beeps_; });
    }
    ~UiTest() override {
        DestroyControl();
        ui::SetBeepHandler(nullptr);
    }

    std::filesystem::path ProfilePath() const { return dir_ / "profile.ini"; }

    // A control whose serial ports are devices, not yet with a window.
    CXKivRZ150LXCtrl& MakeControl(const std::vector<std::string>& devices) {
        UseSerialPorts(devices);
        module_ = std::make_unique<CXKivRZ150LX>(ProfilePath(), clock_);
        factory_ = std::make_unique<ui::QtPanelFactory>();
        services_ = std::make_unique<ui::QtUiServices>(module_->ApplicationName(),
                                                       [this] { return factory_->MainWindow(); });
        module_->SetPanelFactory(factory_.get());
        module_->SetUiServices(services_.get());
        control_ = std::make_unique<CXKivRZ150LXCtrl>(*module_);
        return *control_;
    }

    // The control in the host window with its panels.
    CXKivRZ150LXCtrl& Open(const std::vector<std::string>& devices) {
        CXKivRZ150LXCtrl& control = MakeControl(devices);
        host_ = std::make_unique<QWidget>();
        host_->resize(300, 80);
        site_ = std::make_unique<HostSite>(*host_);
        EXPECT_TRUE(control.CreateControlWindow(*site_));
        host_->show();
        return control;
    }

    CXKivRZ150LXCtrl& Open(const std::string& device) {
        return Open(std::vector<std::string>{device});
    }
    // Without a camera: the start-up message has been answered.
    CXKivRZ150LXCtrl& OpenOffline() { return Open((dir_ / "no-camera").string()); }

    // Window, control and module go, in this order; the profile is written.
    void DestroyControl() {
        if (control_ != nullptr) {
            control_->DestroyControlWindow();
        }
        control_.reset();
        host_.reset();
        site_.reset();
        module_.reset();
    }

    // A widget of a panel by its object name.
    template <typename W = QWidget>
    W* Find(int panel, const char* name) {
        auto* window = static_cast<QWidget*>(control_->GetPanel(panel)->Window());
        return window == nullptr ? nullptr : window->findChild<W*>(QString::fromLatin1(name));
    }
    QWidget* PanelWindow(int panel) {
        return static_cast<QWidget*>(control_->GetPanel(panel)->Window());
    }

    ModalAnswerer modal_;
    int beeps_ = 0;
    std::unique_ptr<CXKivRZ150LX> module_;
    std::unique_ptr<ui::QtPanelFactory> factory_;
    std::unique_ptr<ui::QtUiServices> services_;
    std::unique_ptr<QWidget> host_;
    std::unique_ptr<HostSite> site_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
};

}  // namespace xkiv::ui_test
