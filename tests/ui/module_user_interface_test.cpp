// The module a Qt host loads gives the control its panels, and creates the property page by its
// class.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QWidget>

#include "control/type_library.h"
#include "platform/class_registry.h"
#include "platform/component_loader.h"
#include "tests/support/simulator_test.h"
#include "tests/support/test_files.h"

namespace xkiv::ui_test {
namespace {

class HostWindowSite final : public automation::ControlSite {
public:
    void* ParentWindow() override { return &window; }
    QWidget window;
};

class ModuleInQtHost : public test::SimulatorTest {
protected:
    ModuleInQtHost()
        : SimulatorTest("xkiv-ui-module", test::ClientClock::Real),
          data_("XDG_DATA_HOME", (dir_ / "data").string()),
          config_("XDG_CONFIG_HOME", (dir_ / "config").string()) {}

    test::ScopedEnvironment data_;
    test::ScopedEnvironment config_;
};

TEST_F(ModuleInQtHost, ControlGetsItsPanelsAndThePageIsCreatedByClass) {
    sim::SimServer& server = StartSim(test::Model("RZ-150LX"));
    test::ScopedEnvironment ports("XKIV_SERIAL_PORTS", server.DevicePath());
    std::string error;
    ASSERT_EQ(automation::RegisterModule(XKIV_CONTROL_MODULE_PATH, &error), automation::kOk)
        << error;
    automation::HResult result = automation::kOk;
    auto control = automation::CreateComponent("XKIVRZ150LX.XKivRZ150LXCtrl.1", &result);
    ASSERT_NE(control, nullptr) << result;
    {
        HostWindowSite site;
        ASSERT_TRUE((*control)->CreateControlWindow(site));
        EXPECT_NE(site.window.findChild<QPushButton*>(QStringLiteral("AboutToggle")), nullptr);
        EXPECT_EQ((*control)->InitialSize().width, 180);
        (*control)->DestroyControlWindow();
    }

    auto page = automation::CreateComponent("XKIVRZ150LX.XKivRZ150LXPropPage.1", &result);
    ASSERT_NE(page, nullptr) << result;
    automation::PropertyPage* face = (*page)->AsPropertyPage();
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->Title(), "General");
    QWidget frame;
    face->SetObject(control->Get());
    ASSERT_TRUE(face->CreatePageWindow(&frame));
    EXPECT_EQ(static_cast<QWidget*>(face->PageWindow())->parentWidget(), &frame);
    page.reset();
    control.reset();
    EXPECT_EQ(automation::UnregisterModule(XKIV_CONTROL_MODULE_PATH, &error), automation::kOk);
}

}  // namespace
}  // namespace xkiv::ui_test
