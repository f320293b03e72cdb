// The per-user profile kept in an INI file.
#include "platform/profile_store.h"

#include "platform/text.h"
#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace xkiv {

namespace {}  // namespace

ProfileStore::ProfileStore(std::filesystem::path file)
    : file_(std::move(file)), document_(IniDocument::Load(file_).value_or(IniDocument{})) {}

ProfileStore::~ProfileStore() {
    Flush();
}

std::filesystem::path ProfileStore::DefaultPath(const std::string& root,
                                                const std::string& application) {
    return UserBaseFolder("XDG_CONFIG_HOME", ".config") / root / (application + ".ini");
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
    return ParseWholeDecimal(*text).value_or(defaultValue);
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
