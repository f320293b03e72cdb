// Wires the Qt panels and services into the module when the host runs a Qt application.
#include "module/user_interface.h"

#include <QApplication>
#include <memory>

#include "ui/property_page.h"
#include "ui/qt_panel_factory.h"
#include "ui/qt_ui_services.h"

namespace xkiv {

namespace {
bool RunsQtWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}
}  // namespace

bool InstallUserInterface(CXKivRZ150LX& module) {
    static std::unique_ptr<ui::QtPanelFactory> factory;
    static std::unique_ptr<ui::QtUiServices> services;
    if (!RunsQtWidgets()) {
        return false;
    }
    if (factory == nullptr) {
        factory = std::make_unique<ui::QtPanelFactory>();
        ui::QtPanelFactory* panels = factory.get();
        services = std::make_unique<ui::QtUiServices>(module.ApplicationName(),
                                                      [panels] { return panels->MainWindow(); });
        module.SetPanelFactory(factory.get());
        module.SetUiServices(services.get());
    }
    return true;
}

std::unique_ptr<automation::ComponentControl> CreatePropertyPage() {
    if (!RunsQtWidgets()) {
        return nullptr;
    }
    return std::make_unique<ui::PropertyPageComponent>();
}

}  // namespace xkiv
