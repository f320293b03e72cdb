// Run-time library loading on POSIX systems (dlopen, dlsym, dlclose).
#include <dlfcn.h>

#include "platform/library.h"

namespace xkiv {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& nameOrPath,
                                                     std::string* error) {
    // RTLD_NOW reports a library with unresolved dependencies here rather than
    // at its first call; RTLD_LOCAL keeps two libraries that export the same
    // Camera Link names from binding to each other's functions.
    void* handle = ::dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        if (error != nullptr) {
            const char* reason = ::dlerror();
            *error = reason != nullptr ? reason : "cannot load " + nameOrPath;
        }
        return nullptr;
    }
    return std::make_unique<DynamicLibrary>(handle, PassKey{});
}

DynamicLibrary::DynamicLibrary(void* handle, PassKey) : handle_(handle) {}

DynamicLibrary::~DynamicLibrary() {
    ::dlclose(handle_);
}

void* DynamicLibrary::Symbol(const char* name) const {
    return ::dlsym(handle_, name);
}

}  // namespace xkiv
