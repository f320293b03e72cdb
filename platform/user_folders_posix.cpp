// The home folder from the environment or the password database.
#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace xkiv {

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

std::filesystem::path UserBaseFolder(const char* variable,
                                     const std::filesystem::path& fallbackBelowHome) {
    const char* value = std::getenv(variable);
    std::filesystem::path folder = value != nullptr ? value : "";
    if (folder.empty() || folder.is_relative()) {
        folder = HomeFolder() / fallbackBelowHome;
    }
    return folder;
}

}  // namespace xkiv
