// A component module for the loader tests: one small control behind the four entry points.
//
// The control "XKivTest.Component.1" has a read-write Long property Value, a
// read-only String property Label, a method Raise that raises an automation
// error and a method Ping that fires event 1. XKivTestSetObserver lets a test
// hear when the instance is destroyed and when the module is unloaded. Built
// a second time without XKivDestroyInstance (XKIV_TEST_COMPONENT_WITHOUT_DESTROY).
#include <memory>
#include <string>
#include <vector>

#include "platform/class_registry.h"
#include "platform/component_loader.h"

namespace {

using namespace xkiv::automation;

constexpr const char* kClassId = "{6B1D3E20-41A7-4C55-9E0B-5A2F7C9D1E34}";
constexpr const char* kProgId = "XKivTest.Component.1";
constexpr const char* kTypeLibraryId = "{6B1D3E21-41A7-4C55-9E0B-5A2F7C9D1E34}";
constexpr DispId kValue = 1;
constexpr DispId kLabel = 2;
constexpr DispId kRaise = 3;
constexpr DispId kPing = 4;
constexpr DispId kPinged = 1;

using ObserverFunction = void (*)(const char*);
ObserverFunction observer = nullptr;

// Its address names this module to ModulePathOf.
const char kModuleAnchor = 0;

void Notify(const char* what) {
    if (observer != nullptr) {
        observer(what);
    }
}

__attribute__((destructor)) void ReportUnload() {
    Notify("module unloaded");
}

const TypeLibraryInfo& Library() {
    static const InterfaceInfo dispatch(
        "_DXKivTest", {{kValue, "Value", MemberKind::Property, ParamType::Long, {}, false, ""},
                       {kLabel, "Label", MemberKind::Property, ParamType::String, {}, true, ""},
                       {kRaise, "Raise", MemberKind::Method, ParamType::Void, {}, false, ""},
                       {kPing, "Ping", MemberKind::Method, ParamType::Void, {}, false, ""}});
    static const InterfaceInfo events(
        "_DXKivTestEvents",
        {{kPinged, "Pinged", MemberKind::Method, ParamType::Void, {}, false, ""}});
    static const TypeLibraryInfo library{
        "XKivTestLib", *Guid::Parse(kTypeLibraryId), 1, 26, &dispatch, &events};
    return library;
}

class TestControl final : public ComponentControl {
public:
    ~TestControl() override { Notify("instance destroyed"); }
    const TypeLibraryInfo& TypeLibrary() const override { return Library(); }
    bool CreateControlWindow(ControlSite& /*site*/) override { return true; }
    void DestroyControlWindow() override {}

protected:
    Variant InvokeMember(const MemberInfo& member, InvokeKind kind,
                         std::vector<Variant>& args) override {
        switch (member.dispid) {
            case kValue:
                if (kind == InvokeKind::PropertyPut) {
                    value_ = *args[0].ToLong();
                }
                return Variant::Long(value_);
            case kLabel:
                return Variant::String("test component");
            case kRaise:
                throw AutomationException({kDeviceIoError, "raised inside the module", 7});
            case kPing:
                FireEvent(kPinged);
                return {};
            default:
                return {};
        }
    }

private:
    std::int32_t value_ = 0;
};

}  // namespace

extern "C" {

XKIV_COMPONENT_ENTRY void XKivTestSetObserver(ObserverFunction function) {
    observer = function;
}

HResult XKivRegisterServer(void) {
    ClassRegistry registry;
    const std::string modulePath = ModulePathOf(&kModuleAnchor).string();
    if (!registry.RegisterTypeLibrary(Library(), modulePath)) {
        return kTypeLibRegistrationFailed;
    }
    ClassEntry entry{
        *Guid::Parse(kClassId), kProgId, "XKiv Test Component", modulePath, "Apartment", 0x00020191,
        Library().id,           "1.26"};
    return registry.RegisterClass(entry) ? kOk : kClassRegistrationFailed;
}

HResult XKivUnregisterServer(void) {
    ClassRegistry registry;
    if (!registry.UnregisterTypeLibrary(Library().id, 1, 26)) {
        return kTypeLibRegistrationFailed;
    }
    return registry.UnregisterClass(*Guid::Parse(kClassId)) ? kOk : kClassRegistrationFailed;
}

HResult XKivCreateInstance(const char* clsid, ComponentControl** out) {
    if (clsid == nullptr || out == nullptr) {
        return kUnexpected;
    }
    *out = nullptr;
    if (Guid::Parse(clsid) != Guid::Parse(kClassId)) {
        return kClassNotAvailable;
    }
    *out = std::make_unique<TestControl>().release();
    return kOk;
}

#ifndef XKIV_TEST_COMPONENT_WITHOUT_DESTROY
void XKivDestroyInstance(ComponentControl* object) {
    std::unique_ptr<ComponentControl> owned(object);
}
#endif
}
