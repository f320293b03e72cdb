// The four entry points of the control module: register, unregister, create and destroy.
#include <memory>
#include <string>

#include "control/control.h"
#include "control/type_library.h"
#include "module/user_interface.h"
#include "platform/class_registry.h"
#include "platform/component_loader.h"

namespace {

using xkiv::automation::ClassEntry;
using xkiv::automation::ClassRegistry;
using xkiv::automation::ComponentControl;
using xkiv::automation::Guid;
using xkiv::automation::HResult;

constexpr const char* kControlProgId = "XKIVRZ150LX.XKivRZ150LXCtrl.1";
constexpr const char* kPropertyPageProgId = "XKIVRZ150LX.XKivRZ150LXPropPage.1";
constexpr const char* kApartment = "Apartment";
// The control's miscellaneous status bits, as containers read them.
constexpr std::uint32_t kMiscRecomposeOnResize = 0x00000001;
constexpr std::uint32_t kMiscCantLinkInside = 0x00000010;
constexpr std::uint32_t kMiscInsideOut = 0x00000080;
constexpr std::uint32_t kMiscActivateWhenVisible = 0x00000100;
constexpr std::uint32_t kMiscSetClientSiteFirst = 0x00020000;
constexpr std::uint32_t kControlMiscStatus = kMiscSetClientSiteFirst | kMiscActivateWhenVisible |
                                             kMiscInsideOut | kMiscCantLinkInside |
                                             kMiscRecomposeOnResize;
static_assert(kControlMiscStatus == 0x00020191);
// Unspecified failure, for a failure that has no code of its own.
constexpr HResult kFailure = xkiv::automation::MakeHResult(0x80004005);

// Any object of this module: its address tells which file the module is.
constexpr char kModuleAnchor = 0;

// The path of this module file (not of the executable that loaded it).
std::string ModulePath() {
    return xkiv::automation::ModulePathOf(&kModuleAnchor).string();
}

ClassEntry ControlClass(const std::string& modulePath) {
    return {xkiv::kControlClassId,
            kControlProgId,
            xkiv::CXKivRZ150LX::kApplicationName,
            modulePath,
            kApartment,
            kControlMiscStatus,
            xkiv::kTypeLibraryId,
            xkiv::kTypeLibraryVersionText};
}

ClassEntry PropertyPageClass(const std::string& modulePath) {
    return {xkiv::kPropertyPageClassId,
            kPropertyPageProgId,
            xkiv::CXKivRZ150LX::kPropertyPageName,
            modulePath,
            kApartment,
            0,
            Guid{},
            std::string()};
}

}  // namespace

// Records the type library and the two classes in the user's class registry.
// 0, or 0x80040200 when the type library, 0x80040201 when a class cannot be
// registered.
extern "C" HResult XKivRegisterServer() {
    try {
        const std::string modulePath = ModulePath();
        ClassRegistry registry;
        if (modulePath.empty() ||
            !registry.RegisterTypeLibrary(xkiv::XKivTypeLibrary(), modulePath)) {
            return xkiv::automation::kTypeLibRegistrationFailed;
        }
        if (!registry.RegisterClass(ControlClass(modulePath)) ||
            !registry.RegisterClass(PropertyPageClass(modulePath))) {
            return xkiv::automation::kClassRegistrationFailed;
        }
        return xkiv::automation::kOk;
    } catch (...) {
        return kFailure;
    }
}

// Removes what XKivRegisterServer recorded; the same three results.
extern "C" HResult XKivUnregisterServer() {
    try {
        ClassRegistry registry;
        if (!registry.UnregisterTypeLibrary(xkiv::kTypeLibraryId, xkiv::kTypeLibraryMajorVersion,
                                            xkiv::kTypeLibraryMinorVersion)) {
            return xkiv::automation::kTypeLibRegistrationFailed;
        }
        if (!registry.UnregisterClass(xkiv::kControlClassId) ||
            !registry.UnregisterClass(xkiv::kPropertyPageClassId)) {
            return xkiv::automation::kClassRegistrationFailed;
        }
        return xkiv::automation::kOk;
    } catch (...) {
        return kFailure;
    }
}

// Creates a control on the module object of this process, or the control's
// property page (only in a process that runs a Qt application). clsid is the
// class identifier as text; any other identifier is a class this module
// does not serve. The caller owns *out and gives it back through
// XKivDestroyInstance, so that it is deleted by the module that made it.
extern "C" HResult XKivCreateInstance(const char* clsid, ComponentControl** out) {
    if (out == nullptr) {
        return kFailure;
    }
    *out = nullptr;
    const std::optional<Guid> requested =
        clsid != nullptr ? Guid::Parse(clsid) : std::optional<Guid>();
    if (requested && *requested == xkiv::kPropertyPageClassId) {
        // The page is a window: it exists only in a process with a user
        // interface.
        auto page = xkiv::CreatePropertyPage();
        if (page == nullptr) {
            return xkiv::automation::kClassNotAvailable;
        }
        *out = page.release();
        return xkiv::automation::kOk;
    }
    if (!requested || !(*requested == xkiv::kControlClassId)) {
        return xkiv::automation::kClassNotRegistered;
    }
    try {
        xkiv::InstallUserInterface(xkiv::TheModule());
        *out = std::make_unique<xkiv::CXKivRZ150LXCtrl>(xkiv::TheModule()).release();
        return xkiv::automation::kOk;
    } catch (...) {
        return kFailure;
    }
}

extern "C" void XKivDestroyInstance(ComponentControl* control) {
    // Takes back the ownership XKivCreateInstance handed out.
    std::unique_ptr<ComponentControl> owned(control);
}
