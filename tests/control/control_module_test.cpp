// The built control module: register, create by ProgID, invoke, destroy, unregister.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "control/module.h"
#include "control/type_library.h"
#include "platform/class_registry.h"
#include "platform/component_loader.h"
#include "platform/profile_store.h"
#include "sim/sim_server.h"
#include "tests/support/test_files.h"

namespace xkiv::control_test {
namespace {

using automation::ClassRegistry;
using automation::HResult;
using automation::InvokeKind;
using automation::Variant;
using test::ScopedEnvironment;
using test::TemporaryFolder;

constexpr const char* kControlProgId = "XKIVRZ150LX.XKivRZ150LXCtrl.1";
constexpr const char* kPageProgId = "XKIVRZ150LX.XKivRZ150LXPropPage.1";

class Site final : public automation::ControlSite {
public:
    void* ParentWindow() override { return nullptr; }
};

class ControlModuleTest : public ::testing::Test {
protected:
    ControlModuleTest()
        : data_("XDG_DATA_HOME", (dir_ / "data").string()),
          config_("XDG_CONFIG_HOME", (dir_ / "config").string()) {}
    TemporaryFolder folder_{"xkiv-module"};
    const std::filesystem::path& dir_ = folder_.Path();
    ScopedEnvironment data_;
    ScopedEnvironment config_;
};

TEST_F(ControlModuleTest, RegisterCreateInvokeDestroyUnregister) {
    std::string error;
    auto server = sim::SimServer::Create(sim::CameraConfig{}, sim::LineConfig{}, &error);
    ASSERT_NE(server, nullptr) << error;
    ASSERT_TRUE(server->Start());
    ScopedEnvironment ports("XKIV_SERIAL_PORTS", server->DevicePath());

    const std::string module = XKIV_CONTROL_MODULE_PATH;
    ASSERT_EQ(automation::RegisterModule(module, &error), automation::kOk) << error;
    ClassRegistry registry;
    EXPECT_TRUE(registry.Path().string().starts_with(dir_.string()));
    const std::optional<automation::ClassEntry> control = registry.FindClass(kControlProgId);
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(control->clsid, kControlClassId);
    EXPECT_EQ(control->displayName, "XKivRZ150LX Control");
    EXPECT_EQ(control->threading, "Apartment");
    EXPECT_EQ(control->miscStatus, 0x00020191u);
    EXPECT_EQ(control->typeLibrary, kTypeLibraryId);
    EXPECT_EQ(control->typeLibraryVersion, "1.26");
    EXPECT_EQ(std::filesystem::canonical(control->modulePath), std::filesystem::canonical(module));
    const std::optional<automation::ClassEntry> page = registry.FindClass(kPageProgId);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->clsid, kPropertyPageClassId);
    EXPECT_EQ(page->displayName, "XKivRZ150LX Property Page");
    EXPECT_EQ(page->threading, "Apartment");

    {
        HResult result = automation::kOk;
        auto handle = automation::CreateComponent(kControlProgId, &result, registry, &error);
        ASSERT_NE(handle, nullptr) << error;
        automation::ComponentControl& instance = **handle;
        Site site;
        ASSERT_TRUE(instance.CreateControlWindow(site));

        std::vector<Variant> args{Variant::Long(7)};
        automation::AutomationError raised;
        ASSERT_EQ(
            instance.InvokeByName("tRIGGERmODE", InvokeKind::PropertyPut, args, nullptr, &raised),
            automation::kOk)
            << raised.description;
        std::vector<Variant> none;
        Variant value;
        ASSERT_EQ(instance.Invoke(27, InvokeKind::PropertyGet, none, &value, &raised),
                  automation::kOk);
        EXPECT_EQ(value, Variant::Long(2));
        ASSERT_EQ(
            instance.InvokeByName("ModelName", InvokeKind::PropertyGet, none, &value, &raised),
            automation::kOk);
        EXPECT_EQ(value, Variant::String("RZ-130LX"));
        instance.DestroyControlWindow();
    }
    const std::vector<std::string> lines = server->ReceivedLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TR=2"), 1);

    // The property page is a window: a process without a Qt application
    // cannot have it.
    HResult result = automation::kOk;
    EXPECT_EQ(automation::CreateComponent(kPageProgId, &result, registry), nullptr);
    EXPECT_EQ(result, automation::kClassNotAvailable);

    ASSERT_EQ(automation::UnregisterModule(module, &error), automation::kOk) << error;
    EXPECT_FALSE(registry.FindClass(kControlProgId).has_value());
    EXPECT_FALSE(registry.FindClass(kPageProgId).has_value());
    EXPECT_EQ(automation::CreateComponent(kControlProgId, &result, registry), nullptr);
    EXPECT_EQ(result, automation::kClassNotRegistered);
    server->Stop();
}

TEST_F(ControlModuleTest, ModuleObjectKnowsItsNameAndHost) {
    // The test program is the host here: the folder of its executable.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    CXKivRZ150LX& module = TheModule();
    EXPECT_EQ(&module, &TheModule());
    EXPECT_EQ(module.ApplicationName(), "XKivRZ150LX Control");
    EXPECT_EQ(module.HostFolder(), self.parent_path().string() + "/");
    EXPECT_EQ(module.Profile().Path(), ProfileStore::DefaultPath("KIV", "XKivRZ150LX Control"));
}

}  // namespace
}  // namespace xkiv::control_test
