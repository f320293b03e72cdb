// Creating controls and registering modules on POSIX systems (dlopen, dladdr).
#include <dlfcn.h>
#include <link.h>

#include <system_error>
#include <utility>

#include "platform/component_loader.h"

namespace xkiv::automation {

namespace {

void SetResult(HResult* result, HResult value) {
    if (result != nullptr) {
        *result = value;
    }
}

void SetReason(std::string* reason, std::string text) {
    if (reason != nullptr) {
        *reason = std::move(text);
    }
}

// The module loaded, or null with kModuleNotFound and the loader's reason.
std::unique_ptr<DynamicLibrary> LoadModule(const std::string& modulePath, HResult* result,
                                           std::string* reason) {
    // An empty name would make the loader hand out the running program.
    std::string error = "no module path";
    auto library = modulePath.empty() ? nullptr : DynamicLibrary::Load(modulePath, &error);
    if (!library) {
        SetResult(result, kModuleNotFound);
        SetReason(reason, "Cannot load the module " + modulePath + ": " + error);
    }
    return library;
}

HResult CallServerEntry(const std::string& modulePath, const char* entryName, std::string* reason) {
    HResult result = kOk;
    // A path the user names is taken from the current folder, once: the
    // loader itself takes only absolute paths.
    std::error_code error;
    const std::string path = modulePath.find('/') == std::string::npos
                                 ? modulePath
                                 : std::filesystem::absolute(modulePath, error).string();
    const auto library = LoadModule(path, &result, reason);
    if (!library) {
        return result;
    }
    const auto entry = library->Entry<RegisterServerFunction>(entryName);
    if (entry == nullptr) {
        SetReason(reason, "The module " + modulePath + " does not export " + entryName);
        return kEntryPointNotFound;
    }
    result = entry();
    SetReason(reason, result == kOk ? std::string() : std::string(entryName) + " failed");
    return result;
}

}  // namespace

ComponentHandle::ComponentHandle(std::unique_ptr<DynamicLibrary> library,
                                 ComponentControl* instance, DestroyInstanceFunction destroy)
    : library_(std::move(library)), instance_(instance), destroy_(destroy) {}

ComponentHandle::~ComponentHandle() {
    // The instance's code and its vtable live in the module: it must be gone
    // before the module is unloaded.
    destroy_(instance_);
    library_.reset();
}

std::unique_ptr<ComponentHandle> CreateComponent(std::string_view clsidOrProgId, HResult* result,
                                                 const ClassRegistry& registry,
                                                 std::string* reason) {
    const auto entry = registry.FindClass(clsidOrProgId);
    if (!entry) {
        SetResult(result, kClassNotRegistered);
        const std::string problem = registry.ReadProblem();
        SetReason(reason, "The class " + std::string(clsidOrProgId) + " is not registered" +
                              (problem.empty() ? "" : " (" + problem + ")"));
        return nullptr;
    }
    // The registry must name its module by an absolute path: a plain name or
    // a relative path would load whatever the search order or the current
    // folder offers.
    if (!std::filesystem::path(entry->modulePath).is_absolute()) {
        SetResult(result, kModuleNotFound);
        SetReason(reason, "The class registry names the module of " + entry->clsid.ToString() +
                              " by a relative path, which is refused: " + entry->modulePath);
        return nullptr;
    }
    auto library = LoadModule(entry->modulePath, result, reason);
    if (!library) {
        return nullptr;
    }
    // Both entry points are required before anything is created: an instance
    // that could not be handed back would leak or be freed by the wrong heap.
    const auto create = library->Entry<CreateInstanceFunction>(kCreateInstanceEntry);
    const auto destroy = library->Entry<DestroyInstanceFunction>(kDestroyInstanceEntry);
    if (create == nullptr || destroy == nullptr) {
        SetResult(result, kEntryPointNotFound);
        SetReason(reason, "The module " + entry->modulePath + " does not export " +
                              (create == nullptr ? kCreateInstanceEntry : kDestroyInstanceEntry));
        return nullptr;
    }
    ComponentControl* instance = nullptr;
    const HResult created = create(entry->clsid.ToString().c_str(), &instance);
    if (created != kOk || instance == nullptr) {
        if (created == kOk) {
            // The factory claims success but gave nothing to own.
            SetResult(result, kUnexpected);
        } else {
            // Whatever the factory left in the out-pointer on failure is not
            // ours to hand back.
            SetResult(result, created);
        }
        SetReason(reason, "The module " + entry->modulePath + " did not create the class " +
                              entry->clsid.ToString());
        return nullptr;
    }
    SetResult(result, kOk);
    SetReason(reason, {});
    return std::make_unique<ComponentHandle>(std::move(library), instance, destroy);
}

HResult RegisterModule(const std::string& modulePath, std::string* reason) {
    return CallServerEntry(modulePath, kRegisterServerEntry, reason);
}

HResult UnregisterModule(const std::string& modulePath, std::string* reason) {
    return CallServerEntry(modulePath, kUnregisterServerEntry, reason);
}

std::filesystem::path ModulePathOf(const void* address) {
    Dl_info info{};
    link_map* module = nullptr;
    if (::dladdr1(address, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
        module == nullptr) {
        return {};
    }
    // The running program has no name in the loader's list (dladdr would
    // report its argv[0], which need not be a path at all).
    std::error_code error;
    if (module->l_name == nullptr || *module->l_name == '\0') {
        auto program = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::filesystem::path() : program;
    }
    // A module loaded by a relative path is reported as such; the registry
    // needs a path that works from any folder.
    auto path = std::filesystem::absolute(module->l_name, error);
    return error ? std::filesystem::path() : path.lexically_normal();
}

}  // namespace xkiv::automation
