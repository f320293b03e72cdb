// The ordered INI document: lookup, text form and atomic file replacement.
#include "platform/ini_document.h"

#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

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

// Owns a file descriptor for the length of one save.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    // Closes now so that a failing close (delayed write error) is seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates a new file beside target that no one else uses. The name starts
// with a dot so that a left-over file after a crash stays out of sight.
std::pair<int, std::filesystem::path> CreateTemporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path temporary = target;
        temporary.replace_filename("." + target.filename().string() + ".tmp" +
                                   std::to_string(::getpid()) + "-" + std::to_string(stamp) + "-" +
                                   std::to_string(counter++));
        // 0666 lets the umask decide, as for any file the user creates.
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            return {fd, temporary};
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {-1, {}};
}

// A symbolic link (a profile kept elsewhere) is kept: its target is replaced.
std::filesystem::path ResolveLink(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_symlink(file, error)) {
        auto resolved = std::filesystem::weakly_canonical(file, error);
        if (!error) {
            return resolved;
        }
    }
    return file;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The rename has happened; a file system that cannot sync a folder
        // still holds the new file, so the result does not change the outcome.
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

const IniEntry* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
    const auto sectionIt = index_.find(FoldCase(section));
    if (sectionIt == index_.end()) {
        return nullptr;
    }
    const auto keyIt = sectionIt->second.keys.find(FoldCase(key));
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
    return index_.contains(FoldCase(section));
}

void IniDocument::Store(std::string_view section, std::string_view key, std::string_view value,
                        bool keepFirst) {
    auto [sectionIt, newSection] = index_.try_emplace(FoldCase(section));
    if (newSection) {
        sectionIt->second.position = sections_.size();
        sections_.push_back({std::string(section), {}});
    }
    if (key.empty()) {
        return;
    }
    auto& entries = sections_[sectionIt->second.position].entries;
    auto [keyIt, newKey] = sectionIt->second.keys.try_emplace(FoldCase(key), entries.size());
    if (newKey) {
        entries.push_back({std::string(key), WithoutLineBreaks(value)});
    } else if (!keepFirst) {
        entries[keyIt->second].value = WithoutLineBreaks(value);
    }
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsWritableSection(section) || !IsWritableKey(key)) {
        return false;
    }
    Store(section, key, value, false);
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
            text.append(entry.key).append("=").append(entry.value).append(kLineEnd);
        }
    }
    return text;
}

std::optional<IniDocument> IniDocument::Load(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return IniDocument{};
    }
    if (error || std::filesystem::is_directory(status)) {
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(stream),
                           std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        return std::nullopt;
    }
    return Parse(text);
}

bool IniDocument::SaveAtomically(const std::filesystem::path& file) const {
    return WriteFileAtomically(file, Serialize());
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = ResolveLink(file);
    if (target.filename().empty()) {
        return false;
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return false;
    }

    auto [fd, temporary] = CreateTemporaryBeside(target);
    if (fd < 0) {
        return false;
    }
    FileDescriptor descriptor(fd);
    struct stat existing {};
    // A replaced file keeps its permissions (a profile the user made private
    // stays private).
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        (void)::fchmod(descriptor.Get(), existing.st_mode & 07777);
    }
    const bool written = WriteAll(descriptor.Get(), bytes) && ::fsync(descriptor.Get()) == 0;
    if (!descriptor.Close() || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

}  // namespace xkiv
