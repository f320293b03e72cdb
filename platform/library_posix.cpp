// Run-time library loading on POSIX systems (dlopen, dlsym, dlclose), with the checks a file
// must pass before the dynamic loader may map it.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_access.h"
#include "platform/library.h"

namespace xkiv {

namespace {

constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kNativeData =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

// Reads exactly size bytes at offset; false when the file is shorter.
bool ReadAt(int fd, void* buffer, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// Whether [offset, offset + length) lies within a file of fileSize bytes.
bool WithinFile(std::uint64_t offset, std::uint64_t length, std::uint64_t fileSize) {
    return offset <= fileSize && length <= fileSize - offset;
}

// Why the open file is not a shared library of this machine that the loader
// can map whole, or empty. The loader maps each loadable segment from the
// file, and a page mapped beyond the end of a short file faults at the first
// touch: every segment must lie within the file.
std::string ElfProblem(int fd, std::uint64_t fileSize) {
    ElfW(Ehdr) header{};
    if (!ReadAt(fd, &header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        return "not an ELF file";
    }
    if (header.e_ident[EI_CLASS] != kNativeClass || header.e_ident[EI_DATA] != kNativeData ||
        header.e_type != ET_DYN || header.e_phentsize != sizeof(ElfW(Phdr))) {
        return "not a shared library for this machine";
    }
    const std::uint64_t tableSize = std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr));
    if (header.e_phnum == 0 || header.e_phnum == PN_XNUM ||
        !WithinFile(header.e_phoff, tableSize, fileSize)) {
        return "its program header table lies beyond the end of the file";
    }
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    if (!ReadAt(fd, segments.data(), tableSize, static_cast<off_t>(header.e_phoff))) {
        return "its program header table cannot be read";
    }
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type == PT_LOAD &&
            !WithinFile(segment.p_offset, segment.p_filesz, fileSize)) {
            return "a loadable segment extends beyond the end of the file (" +
                   std::to_string(fileSize) + " bytes): it is truncated";
        }
    }
    return {};
}

// Why path must not be handed to the dynamic loader, or empty when it may;
// *missing tells a file that is not there from one that is refused. Opened
// without blocking, so that a FIFO is refused at once instead of waiting
// for a writer.
std::string LibraryFileProblem(const std::string& path, bool* missing) {
    *missing = false;
    if (path.front() != '/') {
        return "not an absolute path";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *missing = errno == ENOENT || errno == ENOTDIR;
        return std::strerror(errno);
    }
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        problem = "not a regular file";
    } else {
        problem = ElfProblem(fd, static_cast<std::uint64_t>(info.st_size));
    }
    ::close(fd);
    return problem.empty() ? OwnershipProblem(path) : problem;
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& nameOrPath,
                                                     std::string* error, bool* refused) {
    const auto fail = [&](std::string reason, bool refusal) {
        if (error != nullptr) {
            *error = std::move(reason);
        }
        if (refused != nullptr) {
            *refused = refusal;
        }
        return nullptr;
    };
    if (refused != nullptr) {
        *refused = false;
    }
    // A plain name goes through the system's library search order, which the
    // system's administrator configures; a path is checked first.
    if (nameOrPath.find('/') != std::string::npos) {
        bool missing = false;
        const std::string problem = LibraryFileProblem(nameOrPath, &missing);
        if (!problem.empty()) {
            return fail(
                (missing ? "cannot load " : "refusing to load ") + nameOrPath + ": " + problem,
                !missing);
        }
    }
    // RTLD_NOW reports a library with unresolved dependencies here rather than
    // at its first call; RTLD_LOCAL keeps two libraries that export the same
    // Camera Link names from binding to each other's functions.
    void* handle = ::dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        return fail(reason != nullptr ? reason : "cannot load " + nameOrPath, false);
    }
    return std::make_unique<DynamicLibrary>(handle, PassKey{});
}

DynamicLibrary::DynamicLibrary(void* handle, PassKey) : handle_(handle) {}

DynamicLibrary::~DynamicLibrary() {
    ::dlclose(handle_);
}

void* DynamicLibrary::Symbol(const char* name) const {
    return ::dlsym(handle_, name);
}

}  // namespace xkiv
