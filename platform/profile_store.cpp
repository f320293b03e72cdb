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

namespace {

IniDocument LoadProfile(const std::filesystem::path& file, std::string& failure) {
    std::error_code error;
    std::optional<IniDocument> document = IniDocument::Load(file, &error);
    if (!document) {
        failure = "cannot read the settings from " + file.string() + ": " + error.message();
        return {};
    }
    return std::move(*document);
}

}  // namespace

ProfileStore::ProfileStore(std::filesystem::path file) : file_(std::move(file)) {
    document_ = LoadProfile(file_, failure_);
}

ProfileStore::~ProfileStore() {
    Flush();
}

std::filesystem::path ProfileStore::DefaultPath(const std::string& root,
                                                const std::string& application) {
    return UserBaseFolder("XDG_CONFIG_HOME", ".config") / root / (application + ".ini");
}

std::int32_t ProfileStore::GetInt(std::string_view section, std::string_view key,
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

std::string ProfileStore::GetString(std::string_view section, std::string_view key,
                                    const std::string& defaultValue) const {
    if (auto text = pending_.Find(section, key)) {
        return *text;
    }
    return document_.Get(section, key, defaultValue);
}

void ProfileStore::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void ProfileStore::WriteString(std::string_view section, std::string_view key,
                               const std::string& value) {
    std::optional<std::string> current = pending_.Find(section, key);
    if (!current) {
        current = document_.Find(section, key);
    }
    if (current != value) {
        pending_.Set(section, key, value);
    }
}

bool ProfileStore::Flush() {
    if (pending_.Empty() || inMemory_) {
        return true;
    }
    std::error_code error;
    if (!WriteChanges(error)) {
        failure_ = "cannot save the settings to " + file_.string() + ": " + error.message();
        return false;
    }
    failure_.clear();
    return true;
}

bool ProfileStore::WriteChanges(std::error_code& error) {
    if (file_.has_parent_path() &&
        !std::filesystem::create_directories(file_.parent_path(), error) && error) {
        return false;
    }
    // Another process may be between reading and replacing the file: wait
    // for it, then merge into what it wrote.
    const FileLock lock(file_.parent_path() / ("." + file_.filename().string() + ".lock"), file_);
    if (!lock.Locked()) {
        error = lock.Error();
        return false;
    }
    const std::optional<IniDocument> onDisk = IniDocument::Load(file_, &error);
    if (!onDisk) {
        return false;
    }
    IniDocument merged = *onDisk;
    merged.Merge(pending_);
    if (merged.Serialize() != onDisk->Serialize() && !merged.SaveAtomically(file_, &error)) {
        return false;
    }
    document_.Merge(pending_);
    pending_ = IniDocument{};
    return true;
}

}  // namespace xkiv
