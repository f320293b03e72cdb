// The per-user profile kept in an INI file.
#include "platform/profile_store.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace xkiv {

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::filesystem::path HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (!home.empty()) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

// The whole text must be a decimal number that fits 32 bits.
std::optional<std::int32_t> ParseInt(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ProfileStore::ProfileStore(std::filesystem::path file)
    : file_(std::move(file)), document_(IniDocument::Load(file_).value_or(IniDocument{})) {}

ProfileStore::~ProfileStore() {
    Flush();
}

std::filesystem::path ProfileStore::DefaultPath(const std::string& root,
                                                const std::string& application) {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory
    // rules ask: it would make the profile depend on the current folder.
    std::filesystem::path config = EnvironmentValue("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative()) {
        config = HomeFolder() / ".config";
    }
    return config / root / (application + ".ini");
}

std::int32_t ProfileStore::GetInt(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const {
    auto text = pending_.Find(section, key);
    if (!text) {
        text = document_.Find(section, key);
    }
    if (!text) {
        return defaultValue;
    }
    return ParseInt(*text).value_or(defaultValue);
}

std::string ProfileStore::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    if (auto text = pending_.Find(section, key)) {
        return *text;
    }
    return document_.Get(section, key, defaultValue);
}

void ProfileStore::WriteInt(const std::string& section, const std::string& key,
                            std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void ProfileStore::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
    if (pending_.Set(section, key, value)) {
        dirty_ = true;
    }
}

bool ProfileStore::Flush() {
    if (!dirty_) {
        return true;
    }
    // Merge into the file as it is now, so that keys another owner wrote
    // since this store was read survive.
    auto onDisk = IniDocument::Load(file_);
    if (!onDisk) {
        return false;
    }
    onDisk->Merge(pending_);
    if (!onDisk->SaveAtomically(file_)) {
        return false;
    }
    document_ = std::move(*onDisk);
    pending_ = IniDocument{};
    dirty_ = false;
    return true;
}

}  // namespace xkiv
