// The class registry: which module serves which class, ProgID and type library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation.h"
#include "platform/ini_document.h"

namespace xkiv::automation {

// What a module records about one of its classes when it registers.
struct ClassEntry {
    Guid clsid;
    std::string progId;  // empty for a class without one
    std::string displayName;
    std::string modulePath;
    std::string threading;  // "Apartment", "Free", "Both"
    std::uint32_t miscStatus = 0;
    Guid typeLibrary;
    std::string typeLibraryVersion;  // "major.minor", e.g. "1.26"

    bool operator==(const ClassEntry& other) const = default;
};

// Stands in for the classes part of the system registry: an INI file with
// one section per class ("CLSID {...}": ProgID, DisplayName, Module,
// ThreadingModel, MiscStatus, TypeLib, Version), one per ProgID
// ("ProgID <name>": CLSID) and one per type library version
// ("TypeLib {...} 1.26": Name, Module). Section names compare without regard
// to case, so identifiers match in either case.
//
// Lookups read the per-user file first and then, in order, the shared
// files below it (those of the system's data folders), so that a package can
// register a class for every user while a user's own registration wins.
// A file that names modules to load must be one nobody but its owner and
// root could have written, owned by root or this user (OwnershipProblem):
// any other is passed over by lookups, and stderr says why. Changes only
// ever write the per-user file.
//
// Nothing is cached: every lookup reads the file as it is now, and every
// change reads it, changes it and replaces it whole and atomically, so that
// modules registering one after another keep each other's entries. A change
// returns false, leaving the file as it was, when the file cannot be read or
// written or the entry cannot be recorded; removing an entry that is not
// there succeeds. A damaged file reads as far as it can be understood.
class ClassRegistry {
public:
    // The per-user file and the shared files of the system's data folders.
    ClassRegistry();
    // The given file only, or with the given shared files looked up after it.
    explicit ClassRegistry(std::filesystem::path file,
                           std::vector<std::filesystem::path> sharedFiles = {});

    // $XDG_DATA_HOME/KIV/classes.ini, with ~/.local/share when XDG_DATA_HOME
    // is unset, empty or relative; the home folder is $HOME, else the user's
    // password entry.
    static std::filesystem::path DefaultPath();
    // KIV/classes.ini in each absolute folder of $XDG_DATA_DIRS, in its
    // order; /usr/local/share and /usr/share when it is unset or empty.
    static std::vector<std::filesystem::path> SharedPaths();

    const std::filesystem::path& Path() const { return file_; }
    const std::vector<std::filesystem::path>& SharedFiles() const { return sharedFiles_; }

    bool RegisterTypeLibrary(const TypeLibraryInfo& library, const std::string& modulePath);
    bool UnregisterTypeLibrary(const Guid& id, std::uint16_t major, std::uint16_t minor);

    // Records the class and its ProgID, replacing an earlier registration of
    // the same class (its old ProgID goes with it) and taking the ProgID over
    // from another class that held it. A ProgID starts with a letter and holds
    // letters, digits, '.', '_' and '-' only; the class identifier is not
    // the null identifier.
    bool RegisterClass(const ClassEntry& entry);
    // Removes the class and every ProgID that leads to it.
    bool UnregisterClass(const Guid& clsid);

    // The class by identifier text (braces optional) or by ProgID, from the
    // first file that knows it.
    std::optional<ClassEntry> FindClass(std::string_view clsidOrProgId) const;
    // Every registered class, in the files' order; a class that an earlier
    // file holds is not listed again.
    std::vector<ClassEntry> Classes() const;

    // Why the file cannot be read (it is not a regular file, or unreadable),
    // with its path; empty when it can be read or does not exist.
    std::string ReadProblem() const;

private:
    // The file as it is now; nullopt when it exists but cannot be read or is
    // not a regular file (refused without waiting on it).
    std::optional<IniDocument> Read() const;
    bool Save(const IniDocument& document) const;
    // The per-user file followed by the shared ones.
    std::vector<std::filesystem::path> LookupFiles() const;

    std::filesystem::path file_;
    std::vector<std::filesystem::path> sharedFiles_;
};

}  // namespace xkiv::automation
