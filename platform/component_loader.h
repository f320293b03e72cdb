// Creation of controls from their modules by class identifier or ProgID, and module registration.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/class_registry.h"
#include "platform/component_control.h"
#include "platform/library.h"

// The entry points every component module exports with C linkage. They are
// declared here so that a module's definitions are checked against the
// signatures the loader calls, and so that they stay exported when the
// module is built with hidden visibility.
#if defined(__GNUC__)
#define XKIV_COMPONENT_ENTRY __attribute__((visibility("default")))
#else
#define XKIV_COMPONENT_ENTRY
#endif

extern "C" {
// Records the module's type library and classes in the class registry:
// kOk, kTypeLibRegistrationFailed or kClassRegistrationFailed.
XKIV_COMPONENT_ENTRY xkiv::automation::HResult XKivRegisterServer(void);
// Removes them again; the same three results.
XKIV_COMPONENT_ENTRY xkiv::automation::HResult XKivUnregisterServer(void);
// Creates an instance of the class named by its identifier text into *out;
// the instance belongs to the module and goes back through
// XKivDestroyInstance.
XKIV_COMPONENT_ENTRY xkiv::automation::HResult XKivCreateInstance(
    const char* clsid, xkiv::automation::ComponentControl** out);
XKIV_COMPONENT_ENTRY void XKivDestroyInstance(xkiv::automation::ComponentControl* object);
}

namespace xkiv::automation {

// Failures of loading a module, with the codes the Windows loader reports.
inline constexpr HResult kModuleNotFound = MakeHResult(0x8007007E);      // cannot be loaded
inline constexpr HResult kEntryPointNotFound = MakeHResult(0x8007007F);  // lacks an entry point
inline constexpr HResult kClassNotAvailable = MakeHResult(0x80040111);   // module lacks the class
inline constexpr HResult kUnexpected = MakeHResult(0x8000FFFF);  // success without an instance

using RegisterServerFunction = HResult (*)();
using CreateInstanceFunction = HResult (*)(const char*, ComponentControl**);
using DestroyInstanceFunction = void (*)(ComponentControl*);

inline constexpr const char* kRegisterServerEntry = "XKivRegisterServer";
inline constexpr const char* kUnregisterServerEntry = "XKivUnregisterServer";
inline constexpr const char* kCreateInstanceEntry = "XKivCreateInstance";
inline constexpr const char* kDestroyInstanceEntry = "XKivDestroyInstance";

// One control created from its module. Owns the loaded module and the
// instance: destruction hands the instance back to the module's
// XKivDestroyInstance while the module is still loaded, and only then
// releases the module. Neither copyable nor movable, like the library.
class ComponentHandle {
public:
    ComponentHandle(std::unique_ptr<DynamicLibrary> library, ComponentControl* instance,
                    DestroyInstanceFunction destroy);
    ComponentHandle(const ComponentHandle&) = delete;
    ComponentHandle& operator=(const ComponentHandle&) = delete;
    ~ComponentHandle();

    ComponentControl& operator*() const { return *instance_; }
    ComponentControl* operator->() const { return instance_; }
    ComponentControl* Get() const { return instance_; }
    // The module the instance came from, for further entry points.
    const DynamicLibrary& Library() const { return *library_; }

private:
    std::unique_ptr<DynamicLibrary> library_;
    ComponentControl* instance_;
    DestroyInstanceFunction destroy_;
};

// Creates the class registered under the identifier text or ProgID. Null on
// failure, with the reason in *result (when given): kClassNotRegistered for
// an unknown class, kModuleNotFound when its module cannot be loaded,
// kEntryPointNotFound when the module lacks XKivCreateInstance or
// XKivDestroyInstance, else the failure the module's factory reports. The
// loader's own explanation goes to *reason when given.
std::unique_ptr<ComponentHandle> CreateComponent(std::string_view clsidOrProgId, HResult* result,
                                                 const ClassRegistry& registry = ClassRegistry(),
                                                 std::string* reason = nullptr);

// What a registration tool does: loads the module and calls its
// XKivRegisterServer or XKivUnregisterServer. The entry point's result, or
// kModuleNotFound / kEntryPointNotFound.
HResult RegisterModule(const std::string& modulePath, std::string* reason = nullptr);
HResult UnregisterModule(const std::string& modulePath, std::string* reason = nullptr);

// The absolute path of the loaded module (shared library or executable) that
// holds the given address, e.g. of one of the module's own variables: what a
// module records as its Module path when it registers. Empty when no module
// holds the address.
std::filesystem::path ModulePathOf(const void* address);

}  // namespace xkiv::automation
