// Fuzzes the class registry reader: a classes.ini of any content, every class listed and looked up.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/class_registry.h"

namespace {

// A private folder of this process for the registry file, in memory where
// the system offers it (the reader reads the file anew for every lookup),
// removed at exit.
class RegistryFolder {
public:
    RegistryFolder() {
        const bool inMemory = std::filesystem::is_directory("/dev/shm");
        std::string folder =
            inMemory ? "/dev/shm/xkiv-fuzz-registry.XXXXXX" : "/tmp/xkiv-fuzz-registry.XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) {
            __builtin_trap();
        }
        folder_ = folder;
    }
    ~RegistryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    RegistryFolder(const RegistryFolder&) = delete;
    RegistryFolder& operator=(const RegistryFolder&) = delete;

    std::filesystem::path File() const { return folder_ / "classes.ini"; }

private:
    std::filesystem::path folder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const RegistryFolder folder;
    static const std::filesystem::path file = folder.File();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const xkiv::automation::ClassRegistry registry(file);
    (void)registry.ReadProblem();
    // Each class listed is found again by its identifier, with the same
    // record; its ProgID leads to some class or to none, never to a crash.
    for (const xkiv::automation::ClassEntry& entry : registry.Classes()) {
        const auto found = registry.FindClass(entry.clsid.ToString());
        if (!found || !(*found == entry)) {
            __builtin_trap();
        }
        if (!entry.progId.empty()) {
            (void)registry.FindClass(entry.progId);
        }
    }
    return 0;
}
