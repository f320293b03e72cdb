// Helpers of the Camera Link transport tests: environment, library folders, loaded libraries.
#pragma once

#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

namespace xkiv::testing_cl {

namespace fs = std::filesystem;

// The folders the build puts the test Camera Link libraries in.
inline fs::path LibraryDir() {
    return XKIV_CL_LIBRARY_DIR;
}
inline fs::path BrokenLibraryDir() {
    return XKIV_CL_BROKEN_LIBRARY_DIR;
}

// The transports read the variables at construction and at every Open.
using ScopedEnvironment = xkiv::test::ScopedEnvironment;

// The variables every Camera Link test controls, cleared so that nothing of
// the caller's environment leaks in.
class CleanClEnvironment : public ScopedEnvironment {
public:
    CleanClEnvironment() {
        for (const char* name : {"CLSERIALPATH", "XKIV_CL_SERIAL_PORTS", "XKIV_CL_ALLSERIAL_PORTS",
                                 "XKIV_CL_FAULTS"}) {
            Set(name, std::nullopt);
        }
    }
};

// True while the file is mapped into this process, that is, loaded.
inline bool IsLoaded(const fs::path& file) {
    const std::string wanted = fs::weakly_canonical(file).string();
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.find('/');
        if (slash != std::string::npos && line.compare(slash, std::string::npos, wanted) == 0) {
            return true;
        }
    }
    return false;
}

// True while any test Camera Link library is loaded, from whatever folder.
inline bool AnyClLibraryLoaded() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libclserial") != std::string::npos ||
            line.find("libclallserial") != std::string::npos ||
            line.find("xkiv-cl-copy") != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace xkiv::testing_cl
