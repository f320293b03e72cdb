// A control with its Qt panels and message boxes installed, as a Qt host has it, for the
// programs that render or time the panels.
#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>

#include "control/control.h"
#include "control/module.h"
#include "platform/clock.h"
#include "ui/qt_panel_factory.h"
#include "ui/qt_ui_services.h"

namespace xkiv::test {

// The site a control's main panel is placed in: a plain window.
class WindowSite final : public automation::ControlSite {
public:
    void* ParentWindow() override { return &window; }
    QWidget window;
};

// The module with the Qt panel factory and message boxes installed, and one
// control of it; the caller creates the control's window in a site. Members
// are destroyed control first, module last.
struct QtControl {
    explicit QtControl(const std::filesystem::path& profile)
        : module(profile, SystemClock()),
          services(module.ApplicationName(), [this] { return factory.MainWindow(); }) {
        module.SetPanelFactory(&factory);
        module.SetUiServices(&services);
        control = std::make_unique<CXKivRZ150LXCtrl>(module);
    }
    QtControl(const QtControl&) = delete;
    QtControl& operator=(const QtControl&) = delete;

    CXKivRZ150LX module;
    ui::QtPanelFactory factory;
    ui::QtUiServices services;
    std::unique_ptr<CXKivRZ150LXCtrl> control;
};

}  // namespace xkiv::test
