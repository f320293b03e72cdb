// The composition root of the module's user interface.
#pragma once

#include <memory>

#include "control/module.h"
#include "platform/component_control.h"

namespace xkiv {

// Installs the Qt panel factory and the Qt user-interface services in the
// module when the process runs a Qt Widgets application, once; a process
// without one keeps no panels and the silent services. Whether the Qt
// user interface is installed.
bool InstallUserInterface(CXKivRZ150LX& module);

// The control's property page as a component; null without a Qt Widgets
// application.
std::unique_ptr<automation::ComponentControl> CreatePropertyPage();

}  // namespace xkiv
