// The ordered INI document: lookup, text form and atomic file replacement.
#include "platform/ini_document.h"

#include "platform/text.h"

namespace xkiv {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name survives a write and a read unchanged only when trimming leaves it
// as it is and it holds nothing the line syntax gives a meaning.
bool IsWritableName(std::string_view name) {
    return !name.empty() && TrimBlanks(name, kBlanks) == name && !HasLineBreak(name);
}

bool IsWritableSection(std::string_view section) {
    return IsWritableName(section) && section.find(']') == std::string_view::npos;
}

bool IsWritableKey(std::string_view key) {
    return IsWritableName(key) && key.find('=') == std::string_view::npos && key.front() != '[' &&
           key.front() != ';';
}

std::string WithoutLineBreaks(std::string_view value) {
    std::string clean;
    clean.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            clean.push_back(c);
        }
    }
    return clean;
}

}  // namespace

const IniEntry* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
    const auto sectionIt = index_.find(section);
    if (sectionIt == index_.end()) {
        return nullptr;
    }
    const auto keyIt = sectionIt->second.keys.find(key);
    if (keyIt == sectionIt->second.keys.end()) {
        return nullptr;
    }
    return &sections_[sectionIt->second.position].entries[keyIt->second];
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
    const IniEntry* entry = FindEntry(section, key);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->value;
}

std::string IniDocument::Get(std::string_view section, std::string_view key,
                             std::string_view defaultValue) const {
    const IniEntry* entry = FindEntry(section, key);
    return entry != nullptr ? entry->value : std::string(defaultValue);
}

bool IniDocument::HasSection(std::string_view section) const {
    return index_.contains(section);
}

void IniDocument::Store(std::string_view section, std::string_view key, std::string_view value,
                        bool keepFirst) {
    auto [sectionIt, newSection] = index_.try_emplace(std::string(section));
    if (newSection) {
        sectionIt->second.position = sections_.size();
        sections_.push_back({std::string(section), {}});
    }
    if (key.empty()) {
        return;
    }
    auto& entries = sections_[sectionIt->second.position].entries;
    auto [keyIt, newKey] = sectionIt->second.keys.try_emplace(std::string(key), entries.size());
    if (newKey) {
        entries.push_back({std::string(key), std::string(value)});
    } else if (!keepFirst) {
        entries[keyIt->second].value = std::string(value);
    }
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsWritableSection(section) || !IsWritableKey(key)) {
        return false;
    }
    Store(section, key, WithoutLineBreaks(value), false);
    return true;
}

void IniDocument::Merge(const IniDocument& other) {
    for (const auto& section : other.sections_) {
        if (section.entries.empty()) {
            Store(section.name, {}, {}, true);
        }
        for (const auto& entry : section.entries) {
            Store(section.name, entry.key, entry.value, false);
        }
    }
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument document;
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    // Empty while no valid section header has been seen: key lines there
    // belong nowhere and are dropped.
    std::string section;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line =
            TrimBlanks(text.substr(0, end == std::string_view::npos ? text.size() : end), kBlanks);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string_view name = close == std::string_view::npos
                                              ? std::string_view{}
                                              : TrimBlanks(line.substr(1, close - 1), kBlanks);
            section = IsWritableSection(name) ? std::string(name) : std::string();
            if (!section.empty()) {
                document.Store(section, {}, {}, true);
            }
            continue;
        }
        const auto equals = line.find('=');
        if (section.empty() || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimBlanks(line.substr(0, equals), kBlanks);
        if (IsWritableKey(key)) {
            document.Store(section, key, TrimBlanks(line.substr(equals + 1), kBlanks), true);
        }
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string text;
    for (const auto& section : sections_) {
        text.append("[").append(section.name).append("]").append(kLineEnd);
        for (const auto& entry : section.entries) {
            // A lone CR read inside a value is never written back: it would
            // end the line for other readers.
            text.append(entry.key).append("=").append(WithoutLineBreaks(entry.value));
            text.append(kLineEnd);
        }
    }
    return text;
}

std::optional<IniDocument> IniDocument::Load(const std::filesystem::path& file,
                                             std::error_code* error) {
    std::error_code readError;
    const std::optional<std::string> text = ReadRegularFile(file, readError);
    if (error != nullptr) {
        *error = readError;
    }
    if (!text) {
        if (readError == std::errc::no_such_file_or_directory) {
            if (error != nullptr) {
                error->clear();
            }
            return IniDocument{};
        }
        return std::nullopt;
    }
    return Parse(*text);
}

bool IniDocument::SaveAtomically(const std::filesystem::path& file, std::error_code* error) const {
    return WriteFileAtomically(file, Serialize(), error);
}

}  // namespace xkiv
