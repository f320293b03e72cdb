// The class registry kept in INI files: the user's own, then the system's shared ones.
#include "platform/class_registry.h"

#include "platform/console_ui.h"
#include "platform/file_access.h"
#include "platform/text.h"
#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace xkiv::automation {

namespace {

constexpr std::string_view kClassPrefix = "CLSID ";
constexpr std::string_view kProgIdPrefix = "ProgID ";
constexpr std::string_view kTypeLibPrefix = "TypeLib ";

// Keys of a class section, in the order they are written.
constexpr const char* kProgIdKey = "ProgID";
constexpr const char* kDisplayNameKey = "DisplayName";
constexpr const char* kModuleKey = "Module";
constexpr const char* kThreadingKey = "ThreadingModel";
constexpr const char* kMiscStatusKey = "MiscStatus";
constexpr const char* kTypeLibKey = "TypeLib";
constexpr const char* kVersionKey = "Version";
// Key of a ProgID section.
constexpr const char* kClsidKey = "CLSID";
// Key of a type library section (with kModuleKey).
constexpr const char* kNameKey = "Name";

std::string ClassSection(const Guid& clsid) {
    return std::string(kClassPrefix) + clsid.ToString();
}

std::string ProgIdSection(std::string_view progId) {
    return std::string(kProgIdPrefix) + std::string(progId);
}

std::string TypeLibSection(const Guid& id, std::uint16_t major, std::uint16_t minor) {
    return std::string(kTypeLibPrefix) + id.ToString() + " " + std::to_string(major) + "." +
           std::to_string(minor);
}

std::string HexText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// "0x00020191" or "20191"; 0 when the text is not a hex number.
std::uint32_t ParseHex(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

// A ProgID must name one section and must not read as a class identifier,
// or a lookup by text could not tell the two apart.
bool IsValidProgId(std::string_view progId) {
    if (progId.empty()) {
        return true;
    }
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!isLetter(progId.front())) {
        return false;
    }
    for (const char c : progId) {
        const bool allowed =
            isLetter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

// A copy of document without the sections for which drop holds.
IniDocument Without(const IniDocument& document,
                    const std::function<bool(const IniSection&)>& drop) {
    IniDocument kept;
    for (const IniSection& section : document.Sections()) {
        if (drop(section)) {
            continue;
        }
        for (const IniEntry& entry : section.entries) {
            kept.Set(section.name, entry.key, entry.value);
        }
    }
    return kept;
}

std::optional<Guid> ProgIdTarget(const IniDocument& document, const IniSection& section) {
    return Guid::Parse(document.Get(section.name, kClsidKey, ""));
}

bool IsProgIdOf(const IniDocument& document, const IniSection& section, const Guid& clsid) {
    return StartsWithFolded(section.name, kProgIdPrefix) &&
           ProgIdTarget(document, section) == clsid;
}

ClassEntry ReadClass(const IniDocument& document, const std::string& section, const Guid& clsid) {
    ClassEntry entry;
    entry.clsid = clsid;
    entry.progId = document.Get(section, kProgIdKey, "");
    entry.displayName = document.Get(section, kDisplayNameKey, "");
    entry.modulePath = document.Get(section, kModuleKey, "");
    entry.threading = document.Get(section, kThreadingKey, "");
    entry.miscStatus = ParseHex(document.Get(section, kMiscStatusKey, ""));
    entry.typeLibrary = Guid::Parse(document.Get(section, kTypeLibKey, "")).value_or(Guid{});
    entry.typeLibraryVersion = document.Get(section, kVersionKey, "");
    return entry;
}

bool WriteClass(IniDocument& document, const ClassEntry& entry) {
    const std::string section = ClassSection(entry.clsid);
    const std::pair<const char*, std::string> values[] = {
        {kProgIdKey, entry.progId},
        {kDisplayNameKey, entry.displayName},
        {kModuleKey, entry.modulePath},
        {kThreadingKey, entry.threading},
        {kMiscStatusKey, HexText(entry.miscStatus)},
        {kTypeLibKey, entry.typeLibrary.ToString()},
        {kVersionKey, entry.typeLibraryVersion},
    };
    for (const auto& [key, value] : values) {
        if (!document.Set(section, key, value)) {
            return false;
        }
    }
    return entry.progId.empty() ||
           document.Set(ProgIdSection(entry.progId), kClsidKey, entry.clsid.ToString());
}

}  // namespace

ClassRegistry::ClassRegistry() : ClassRegistry(DefaultPath(), SharedPaths()) {}

ClassRegistry::ClassRegistry(std::filesystem::path file,
                             std::vector<std::filesystem::path> sharedFiles)
    : file_(std::move(file)), sharedFiles_(std::move(sharedFiles)) {}

std::filesystem::path ClassRegistry::DefaultPath() {
    return UserBaseFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share") / "KIV" /
           "classes.ini";
}

std::vector<std::filesystem::path> ClassRegistry::SharedPaths() {
    const char* value = std::getenv("XDG_DATA_DIRS");
    const std::string_view folders =
        value != nullptr && *value != '\0' ? value : "/usr/local/share:/usr/share";
    std::vector<std::filesystem::path> files;
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path folder(folders.substr(start, end - start));
        // Relative entries are invalid and ignored, as for XDG_DATA_HOME.
        if (folder.is_absolute()) {
            files.push_back(folder / "KIV" / "classes.ini");
        }
        start = end + 1;
    }
    return files;
}

std::vector<std::filesystem::path> ClassRegistry::LookupFiles() const {
    std::vector<std::filesystem::path> files{file_};
    files.insert(files.end(), sharedFiles_.begin(), sharedFiles_.end());
    return files;
}

std::optional<IniDocument> ClassRegistry::Read() const {
    return IniDocument::Load(file_);
}

bool ClassRegistry::Save(const IniDocument& document) const {
    // The registry's own folder is made on the first registration.
    std::error_code error;
    if (file_.has_parent_path()) {
        std::filesystem::create_directories(file_.parent_path(), error);
    }
    return !error && document.SaveAtomically(file_);
}

std::string ClassRegistry::ReadProblem() const {
    std::error_code error;
    if (IniDocument::Load(file_, &error)) {
        return {};
    }
    return "cannot read the class registry " + file_.string() + ": " + error.message();
}

bool ClassRegistry::RegisterTypeLibrary(const TypeLibraryInfo& library,
                                        const std::string& modulePath) {
    auto document = Read();
    if (!document) {
        return false;
    }
    const std::string section =
        TypeLibSection(library.id, library.majorVersion, library.minorVersion);
    return document->Set(section, kNameKey, library.name) &&
           document->Set(section, kModuleKey, modulePath) && Save(*document);
}

bool ClassRegistry::UnregisterTypeLibrary(const Guid& id, std::uint16_t major,
                                          std::uint16_t minor) {
    const auto document = Read();
    if (!document) {
        return false;
    }
    const std::string section = TypeLibSection(id, major, minor);
    if (!document->HasSection(section)) {
        return true;
    }
    return Save(
        Without(*document, [&](const IniSection& s) { return EqualsFolded(s.name, section); }));
}

bool ClassRegistry::RegisterClass(const ClassEntry& entry) {
    if (entry.clsid == Guid{} || !IsValidProgId(entry.progId)) {
        return false;
    }
    const auto document = Read();
    if (!document) {
        return false;
    }
    // The class's earlier record and every ProgID that led to it go, and so
    // does the new ProgID's record if another class held it; then the class
    // is written afresh.
    const std::string classSection = ClassSection(entry.clsid);
    const std::string progIdSection = ProgIdSection(entry.progId);
    IniDocument updated = Without(*document, [&](const IniSection& s) {
        return EqualsFolded(s.name, classSection) || IsProgIdOf(*document, s, entry.clsid) ||
               (!entry.progId.empty() && EqualsFolded(s.name, progIdSection));
    });
    return WriteClass(updated, entry) && Save(updated);
}

bool ClassRegistry::UnregisterClass(const Guid& clsid) {
    const auto document = Read();
    if (!document) {
        return false;
    }
    const std::string classSection = ClassSection(clsid);
    const auto drop = [&](const IniSection& s) {
        return EqualsFolded(s.name, classSection) || IsProgIdOf(*document, s, clsid);
    };
    bool present = false;
    for (const IniSection& section : document->Sections()) {
        present = present || drop(section);
    }
    return !present || Save(Without(*document, drop));
}

namespace {

// The file as it is now when it may name modules to load: nullopt when it
// cannot be read, or when someone else could have written it, which is said
// on stderr. A missing or empty file names nothing and needs no trust.
std::optional<IniDocument> LoadTrusted(const std::filesystem::path& file) {
    std::optional<IniDocument> document = IniDocument::Load(file);
    if (!document || document->Empty()) {
        return document;
    }
    if (const std::string problem = OwnershipProblem(file); !problem.empty()) {
        SayOnStderr("ignoring the class registry " + file.string() + ": " + problem);
        return std::nullopt;
    }
    return document;
}

std::optional<ClassEntry> FindIn(const IniDocument& document, std::string_view clsidOrProgId) {
    auto clsid = Guid::Parse(clsidOrProgId);
    if (!clsid) {
        if (clsidOrProgId.empty()) {
            return std::nullopt;
        }
        clsid = Guid::Parse(document.Get(ProgIdSection(clsidOrProgId), kClsidKey, ""));
    }
    if (!clsid) {
        return std::nullopt;
    }
    const std::string section = ClassSection(*clsid);
    if (!document.HasSection(section)) {
        return std::nullopt;
    }
    return ReadClass(document, section, *clsid);
}

}  // namespace

std::optional<ClassEntry> ClassRegistry::FindClass(std::string_view clsidOrProgId) const {
    // A file that cannot be read or trusted is passed over like one that is
    // missing.
    for (const std::filesystem::path& file : LookupFiles()) {
        if (const auto document = LoadTrusted(file)) {
            if (auto entry = FindIn(*document, clsidOrProgId)) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

std::vector<ClassEntry> ClassRegistry::Classes() const {
    std::vector<ClassEntry> classes;
    for (const std::filesystem::path& file : LookupFiles()) {
        const auto document = LoadTrusted(file);
        if (!document) {
            continue;
        }
        for (const IniSection& section : document->Sections()) {
            if (!StartsWithFolded(section.name, kClassPrefix)) {
                continue;
            }
            // Only a section a lookup finds: "CLSID {...}" in the identifier's
            // own form (the identifier parses without braces too).
            const auto clsid =
                Guid::Parse(std::string_view(section.name).substr(kClassPrefix.size()));
            if (!clsid || !EqualsFolded(section.name, ClassSection(*clsid))) {
                continue;
            }
            const bool listed =
                std::any_of(classes.begin(), classes.end(),
                            [&](const ClassEntry& known) { return known.clsid == *clsid; });
            if (!listed) {
                classes.push_back(ReadClass(*document, section.name, *clsid));
            }
        }
    }
    return classes;
}

}  // namespace xkiv::automation
