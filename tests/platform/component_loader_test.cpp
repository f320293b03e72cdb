// Tests of creating controls from their modules and of module registration.
#include "platform/component_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace xkiv::automation {
namespace {

namespace fs = std::filesystem;
using xkiv::test::ScopedEnvironment;
using xkiv::test::TemporaryFolder;
using xkiv::test::WriteFile;

// What the test module (test_component_module.cpp) registers.
constexpr const char* kModulePath = XKIV_TEST_COMPONENT_PATH;
constexpr const char* kModuleWithoutDestroyPath = XKIV_TEST_COMPONENT_WITHOUT_DESTROY_PATH;
constexpr const char* kClassId = "{6B1D3E20-41A7-4C55-9E0B-5A2F7C9D1E34}";
constexpr const char* kProgId = "XKivTest.Component.1";
constexpr DispId kValue = 1, kLabel = 2, kRaise = 3, kPing = 4;

// What the test module reports through its observer.
std::vector<std::string> moduleEvents;
void RecordModuleEvent(const char* what) {
    moduleEvents.push_back(what);
}
using SetObserverFunction = void (*)(void (*)(const char*));

// Every test registers into a registry of its own, the default one as the
// module's XKivRegisterServer finds it through XDG_DATA_HOME.
class ComponentLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegisterModule(kModulePath), kOk); }

    ClassEntry EntryFor(const std::string& clsid, const std::string& modulePath) {
        return {*Guid::Parse(clsid), "", "", modulePath, "Apartment", 0, {}, ""};
    }

    TemporaryFolder folder_;
    ScopedEnvironment data_{"XDG_DATA_HOME", folder_.Path().c_str()};
    ClassRegistry registry_;
};

TEST_F(ComponentLoaderTest, RegistrationRecordsTheModuleAndUnregistrationRemovesIt) {
    const auto entry = registry_.FindClass(kProgId);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->clsid.ToString(), kClassId);
    EXPECT_EQ(fs::path(entry->modulePath), fs::canonical(kModulePath));
    EXPECT_EQ(entry->miscStatus, 0x00020191u);
    EXPECT_EQ(registry_.Path(), folder_.Path() / "KIV" / "classes.ini");

    ASSERT_EQ(UnregisterModule(kModulePath), kOk);
    EXPECT_FALSE(registry_.FindClass(kProgId));
    HResult result = kOk;
    EXPECT_EQ(CreateComponent(kProgId, &result), nullptr);
    EXPECT_EQ(result, kClassNotRegistered);
}

TEST_F(ComponentLoaderTest, CreatesTheControlByClassIdOrProgId) {
    for (const char* key : {kProgId, kClassId, "6b1d3e20-41a7-4c55-9e0b-5a2f7c9d1e34"}) {
        HResult result = kUnexpected;
        const auto handle = CreateComponent(key, &result);
        ASSERT_NE(handle, nullptr) << key;
        EXPECT_EQ(result, kOk);

        std::vector<Variant> args = {Variant::String("42")};
        ASSERT_EQ((*handle)->Invoke(kValue, InvokeKind::PropertyPut, args, nullptr, nullptr), kOk);
        std::vector<Variant> none;
        Variant value;
        ASSERT_EQ((**handle).InvokeByName("value", InvokeKind::PropertyGet, none, &value, nullptr),
                  kOk);
        EXPECT_EQ(value, Variant::Long(42));
        ASSERT_EQ(handle->Get()->Invoke(kLabel, InvokeKind::PropertyGet, none, &value, nullptr),
                  kOk);
        EXPECT_EQ(value, Variant::String("test component"));
    }
}

TEST_F(ComponentLoaderTest, ErrorsAndEventsCrossTheModuleBoundary) {
    const auto handle = CreateComponent(kProgId, nullptr, registry_);
    ASSERT_NE(handle, nullptr);
    ComponentControl& control = **handle;

    // The module throws its own copy of the exception type; the caller's
    // dispatch boundary must still recognise it.
    std::vector<Variant> none;
    AutomationError error;
    EXPECT_EQ(control.Invoke(kRaise, InvokeKind::Method, none, nullptr, &error), kException);
    EXPECT_EQ(error.code, kDeviceIoError);
    EXPECT_EQ(error.description, "raised inside the module");
    EXPECT_EQ(error.helpContext, 7u);

    struct Sink : EventSink {
        void OnEvent(DispId dispid) override { heard.push_back(dispid); }
        std::vector<DispId> heard;
    } sink;
    control.Advise(sink);
    EXPECT_EQ(control.Invoke(kPing, InvokeKind::Method, none, nullptr, nullptr), kOk);
    EXPECT_EQ(sink.heard, std::vector<DispId>{1});
}

TEST_F(ComponentLoaderTest, InstanceIsDestroyedBeforeTheModuleIsReleased) {
    auto control = CreateComponent(kClassId, nullptr);
    ASSERT_NE(control, nullptr);
    const auto setObserver = control->Library().Entry<SetObserverFunction>("XKivTestSetObserver");
    ASSERT_NE(setObserver, nullptr);
    moduleEvents.clear();
    setObserver(&RecordModuleEvent);
    control.reset();
    EXPECT_EQ(moduleEvents, (std::vector<std::string>{"instance destroyed", "module unloaded"}));
}

TEST_F(ComponentLoaderTest, BrokenRegistrationsFailWithTheirOwnCodes) {
    WriteFile(folder_.Path() / "not-a-library.so", "text");
    // A registered module that anybody may replace is not loaded.
    fs::copy_file(kModulePath, folder_.Path() / "shared.so");
    fs::permissions(folder_.Path() / "shared.so", fs::perms::others_write, fs::perm_options::add);
    const struct {
        const char* clsid;
        std::string modulePath;
        HResult expected;
    } cases[] = {
        {"{00000000-0000-0000-0000-0000000000A1}", (folder_.Path() / "missing.so").string(),
         kModuleNotFound},
        {"{00000000-0000-0000-0000-0000000000A2}", (folder_.Path() / "not-a-library.so").string(),
         kModuleNotFound},
        {"{00000000-0000-0000-0000-0000000000A3}", "", kModuleNotFound},
        {"{00000000-0000-0000-0000-0000000000A4}", kModuleWithoutDestroyPath, kEntryPointNotFound},
        // Names that the search order or the current folder would resolve.
        {"{00000000-0000-0000-0000-0000000000A5}", "libm.so.6", kModuleNotFound},
        {"{00000000-0000-0000-0000-0000000000A8}", "./components/module.so", kModuleNotFound},
        {"{00000000-0000-0000-0000-0000000000A9}", (folder_.Path() / "shared.so").string(),
         kModuleNotFound},
        // The module is fine but does not make this class.
        {"{00000000-0000-0000-0000-0000000000A6}", kModulePath, kClassNotAvailable},
        {"{00000000-0000-0000-0000-0000000000A7}", kModulePath, kClassNotRegistered},
    };
    for (const auto& c : cases) {
        if (c.expected != kClassNotRegistered) {
            ASSERT_TRUE(registry_.RegisterClass(EntryFor(c.clsid, c.modulePath)));
        }
        HResult result = kOk;
        std::string reason;
        EXPECT_EQ(CreateComponent(c.clsid, &result, registry_, &reason), nullptr) << c.clsid;
        EXPECT_EQ(result, c.expected) << c.clsid;
        EXPECT_FALSE(reason.empty()) << c.clsid;
    }
}

TEST_F(ComponentLoaderTest, RegistrationToolReportsModuleFailures) {
    std::string reason;
    EXPECT_EQ(RegisterModule((folder_.Path() / "missing.so").string(), &reason), kModuleNotFound);
    EXPECT_NE(reason.find("missing.so"), std::string::npos) << reason;
    EXPECT_EQ(UnregisterModule("libm.so.6"), kEntryPointNotFound);

    // The module's own failure passes through: its registry cannot be written.
    WriteFile(folder_.Path() / "plain", "");
    ScopedEnvironment blocked("XDG_DATA_HOME", (folder_.Path() / "plain").c_str());
    EXPECT_EQ(RegisterModule(kModulePath), kTypeLibRegistrationFailed);
}

TEST(ModulePathTest, NamesTheModuleThatHoldsAnAddress) {
    static const int inThisProgram = 0;
    EXPECT_EQ(ModulePathOf(&inThisProgram), fs::read_symlink("/proc/self/exe"));
    EXPECT_EQ(ModulePathOf(nullptr), fs::path());

    const auto library = DynamicLibrary::Load(kModulePath);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(ModulePathOf(library->Symbol("XKivRegisterServer")), fs::canonical(kModulePath));
}

}  // namespace
}  // namespace xkiv::automation
