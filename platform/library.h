// Run-time loading of shared libraries and lookup of their entry points.
#pragma once

#include <memory>
#include <string>

namespace xkiv {

// One loaded shared library. The library stays loaded exactly as long as the
// object lives: destruction releases it, and every entry point looked up
// through it becomes invalid then. Neither copyable nor movable, since the
// entry points a caller holds are tied to this handle.
class DynamicLibrary {
    struct PassKey {
        explicit PassKey() = default;
    };

public:
    // Loads a library by file path (when the text holds a '/') or by plain
    // name through the system's library search order, resolving every symbol
    // at once and keeping them out of the global namespace. A path is loaded
    // only when it is absolute and names a regular file, an ELF shared
    // library of this machine whose loadable segments all lie within the
    // file, that nobody but its owner and root may write and that belongs to
    // root or to this user (OwnershipProblem); it is examined without
    // blocking, so a FIFO is refused at once. Null on failure, with the
    // reason, naming the file, in *error, and in *refused whether the file
    // was there but refused (as opposed to missing or failing in the loader).
    static std::unique_ptr<DynamicLibrary> Load(const std::string& nameOrPath,
                                                std::string* error = nullptr,
                                                bool* refused = nullptr);

    DynamicLibrary(void* handle, PassKey);
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary();

    // The address of the named symbol, or null when the library has none.
    void* Symbol(const char* name) const;

    // The named function as the given function-pointer type, or null. The
    // caller vouches that the symbol has that signature.
    template <typename Function>
    Function Entry(const char* name) const {
        return reinterpret_cast<Function>(Symbol(name));
    }

private:
    void* handle_;
};

}  // namespace xkiv
