// An ordered INI document with the lookup rules of private-profile files.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/file_access.h"
#include "platform/text.h"

namespace xkiv {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// Sections and keys in the order of their first write; section and key
// names compare without regard to ASCII case and keep the spelling of their
// first write. The text form is "[Section]" and "key=value" lines with CR LF
// line ends, so files are interchangeable with those the Windows
// private-profile calls write. Reading is forgiving: a damaged file never
// fails, its malformed lines are skipped.
class IniDocument {
public:
    // The value of section/key, or nullopt when either is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // The value of section/key, or defaultValue when either is missing.
    std::string Get(std::string_view section, std::string_view key,
                    std::string_view defaultValue) const;
    bool HasSection(std::string_view section) const;

    // Sets section/key, appending the section and the key when they are new.
    // CR and LF are removed from the value so that it stays on its line.
    // Returns false, changing nothing, for a name that cannot be written and
    // read back as the same name: an empty or untrimmed name, a line break,
    // a section name with ']', a key with '=' or one starting with '[' or ';'.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // Sets every entry of other in this document, in other's order.
    void Merge(const IniDocument& other);

    const std::vector<IniSection>& Sections() const { return sections_; }
    bool Empty() const { return sections_.empty(); }

    // Reads the text form. CR LF and LF line ends are accepted; blank lines,
    // lines starting with ';' and lines that are neither a section header nor
    // a key=value pair are skipped, and so are key lines before the first
    // section or under a malformed header. Spaces and tabs around names and
    // values are trimmed. A lone CR inside a value stays in it, for the
    // caller to judge (a settings file refuses it as a control character);
    // Serialize() drops it. A repeated key keeps its first value, as a
    // private-profile lookup finds the first one; a repeated section
    // continues the first one.
    static IniDocument Parse(std::string_view text);
    std::string Serialize() const;

    // Reads a file: an empty document when the file does not exist, nullopt
    // when it exists but cannot be read or is not a regular file (a FIFO or
    // device is refused without waiting on it); error says why.
    static std::optional<IniDocument> Load(const std::filesystem::path& file,
                                           std::error_code* error = nullptr);
    // Replaces file whole through WriteFileAtomically: on failure the old
    // file is left as it was and the result is false. The folder must exist.
    bool SaveAtomically(const std::filesystem::path& file, std::error_code* error = nullptr) const;

private:
    struct SectionIndex {
        std::size_t position;
        std::map<std::string, std::size_t, FoldedLess> keys;  // key -> entry position
    };

    const IniEntry* FindEntry(std::string_view section, std::string_view key) const;
    // Appends the entry when the key is new; keeps the first value otherwise
    // when keepFirst is set.
    void Store(std::string_view section, std::string_view key, std::string_view value,
               bool keepFirst);

    std::vector<IniSection> sections_;
    std::map<std::string, SectionIndex, FoldedLess> index_;  // section -> position and keys
};

}  // namespace xkiv
