// The per-user profile: integers and texts by section and key in an INI file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "platform/ini_document.h"

namespace xkiv {

// Stands in for the registry profile of the control module. Values are read
// from the file once at construction; writes are kept in memory and Flush()
// merges them into the file as it is on disk at that moment (so two owners of
// the same profile do not erase each other's keys) and replaces the file
// whole and atomically (temporary file, fsync, rename). A missing or damaged
// file reads as empty: every lookup gives its default.
class ProfileStore {
public:
    explicit ProfileStore(std::filesystem::path file);
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;
    // Flushes pending writes; a failure is lost, so owners flush explicitly.
    ~ProfileStore();

    // $XDG_CONFIG_HOME/<root>/<application>.ini, with ~/.config when
    // XDG_CONFIG_HOME is unset, empty or relative; the home folder is $HOME,
    // else the user's password entry.
    static std::filesystem::path DefaultPath(const std::string& root,
                                             const std::string& application);

    const std::filesystem::path& Path() const { return file_; }

    // Section and key names compare without regard to case.
    std::int32_t GetInt(const std::string& section, const std::string& key,
                        std::int32_t defaultValue) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    void WriteInt(const std::string& section, const std::string& key, std::int32_t value);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    // Writes pending changes to the file; false when the file could not be
    // written (the old file is then left as it was).
    bool Flush();

private:
    std::filesystem::path file_;
    IniDocument document_;
    IniDocument pending_;
    bool dirty_ = false;
};

}  // namespace xkiv
