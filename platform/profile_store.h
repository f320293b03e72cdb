// The per-user profile: integers and texts by section and key in an INI file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/ini_document.h"

namespace xkiv {

// Stands in for the registry profile of the control module. Values are read
// from the file once at construction; writes that change a value are kept in
// memory as this process's changes, and Flush() writes back only those: under
// a lock between processes it reads the file as it is on disk at that moment,
// applies the changes and replaces the file whole and atomically (temporary
// file, fsync, rename), so that processes sharing the profile keep each
// other's changes. Without changes nothing is written. A missing or damaged
// file reads as empty: every lookup gives its default. Anything but a regular
// file at the path (a folder, FIFO or device) is refused without waiting on
// it; it reads as empty and cannot be written.
class ProfileStore {
public:
    explicit ProfileStore(std::filesystem::path file);
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;
    // Flushes the changes; a failure is lost, so owners flush explicitly.
    ~ProfileStore();

    // $XDG_CONFIG_HOME/<root>/<application>.ini, with ~/.config when
    // XDG_CONFIG_HOME is unset, empty or relative; the home folder is $HOME,
    // else the user's password entry.
    static std::filesystem::path DefaultPath(const std::string& root,
                                             const std::string& application);

    const std::filesystem::path& Path() const { return file_; }

    // Section and key names compare without regard to case.
    std::int32_t GetInt(std::string_view section, std::string_view key,
                        std::int32_t defaultValue) const;
    std::string GetString(std::string_view section, std::string_view key,
                          const std::string& defaultValue) const;
    // Records a change; writing the value the key already has is none.
    void WriteInt(std::string_view section, std::string_view key, std::int32_t value);
    void WriteString(std::string_view section, std::string_view key, const std::string& value);

    // Writes this process's changes to the file, creating the profile's
    // folder when missing. Waits for another process's lock on the file as
    // FileLock does: after 2 s stderr says who holds it, and a signal that
    // requests an interrupt ends the wait (a failure, "Interrupted system
    // call"). False when the file could not be read or written:
    // the old file is then left as it was, the changes are kept for a later
    // attempt, and FailureText() says why.
    bool Flush();
    // From now on Flush() writes nothing and succeeds: the changes stay in
    // memory. For a process that reads the profile but must not change it.
    void KeepInMemory() { inMemory_ = true; }
    // "cannot read|save the settings ... PATH: reason" for the last read or
    // write that failed; empty once a write has succeeded, or when none failed.
    const std::string& FailureText() const { return failure_; }

private:
    bool WriteChanges(std::error_code& error);

    std::filesystem::path file_;
    IniDocument document_;  // as read at construction, with this process's written changes
    IniDocument pending_;   // changes not yet written
    std::string failure_;
    bool inMemory_ = false;
};

}  // namespace xkiv
