// Whole-file reads, atomic replacement and locks on POSIX file systems.
#include "platform/file_access.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/sysmacros.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "platform/console_ui.h"
#include "platform/interrupt.h"

namespace xkiv {

namespace {

// Marks the temporary files this writer creates; what follows it is the
// owner's process id and a random part.
constexpr std::string_view kTemporaryMark = ".xkiv-tmp.";

class FileErrorCategoryImpl final : public std::error_category {
public:
    const char* name() const noexcept override { return "xkiv-file"; }
    std::string message(int value) const override {
        return static_cast<FileError>(value) == FileError::NotRegularFile ? "not a regular file"
                                                                          : "unknown file error";
    }
};

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// "process 1234 (xkivctl)" for the process that holds the flock() lock on
// the file with this device and inode, as /proc/locks lists it; empty when
// the system does not tell.
std::string FlockHolder(dev_t device, ino_t inode) {
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", ::major(device), ::minor(device),
                  static_cast<unsigned long long>(inode));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 00:2b:1837 0 EOF"; waiters are
        // listed with "->" after the number.
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        fields >> number >> kind >> mode >> access >> pid >> file;
        if (kind == "FLOCK" && file == wanted && pid != "-1") {
            std::ifstream comm("/proc/" + pid + "/comm");
            std::string name;
            std::getline(comm, name);
            return "process " + pid + (name.empty() ? "" : " (" + name + ")");
        }
    }
    return {};
}

std::string LockHolderText(dev_t device, ino_t inode) {
    const std::string holder = FlockHolder(device, inode);
    return holder.empty() ? "another process" : holder;
}

// Says on stderr, once the wait has lasted kLockNoticeDelay, which file is
// locked and by whom; the notice comes from a thread of its own, which
// blocks every signal so that signals reach the waiting thread.
class LockWaitNotice {
public:
    static constexpr std::chrono::seconds kLockNoticeDelay{2};

    template <typename HolderText>
    LockWaitNotice(const std::filesystem::path& guardedFile, HolderText holderText) {
        sigset_t all;
        sigset_t previous;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &previous);
        thread_ = std::thread([this, guardedFile, holderText] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!done_.wait_for(lock, kLockNoticeDelay, [this] { return finished_; })) {
                SayOnStderr(guardedFile.string() + " is locked by " + holderText() +
                            "; waiting for it (Ctrl+C ends the wait)");
            }
        });
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    ~LockWaitNotice() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }
    LockWaitNotice(const LockWaitNotice&) = delete;
    LockWaitNotice& operator=(const LockWaitNotice&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Takes the exclusive lock on the open lock file, waiting as FileLock
// promises.
bool AcquireLock(int fd, const struct stat& info, const std::filesystem::path& guardedFile,
                 std::error_code& error) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    if (errno != EWOULDBLOCK) {
        error = LastError();
        return false;
    }
    const LockWaitNotice notice(guardedFile, [device = info.st_dev, inode = info.st_ino] {
        return LockHolderText(device, inode);
    });
    // Blocking: only a signal or the holder's release wakes it. A signal
    // that requests an interrupt ends the wait; any other one resumes it.
    for (;;) {
        if (InterruptRequested()) {
            error = std::make_error_code(std::errc::interrupted);
            return false;
        }
        if (::flock(fd, LOCK_EX) == 0) {
            return true;
        }
        if (errno != EINTR) {
            error = LastError();
            return false;
        }
    }
}

// Whether gid is the private group of user uid: the user's own primary
// group, with no member but the user.
bool IsPrivateGroupOf(gid_t gid, uid_t uid) {
    std::vector<char> buffer(16384);
    passwd user{};
    passwd* foundUser = nullptr;
    if (::getpwuid_r(uid, &user, buffer.data(), buffer.size(), &foundUser) != 0 ||
        foundUser == nullptr || user.pw_gid != gid) {
        return false;
    }
    const std::string userName = user.pw_name;
    group entry{};
    group* foundGroup = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &foundGroup) != 0 ||
        foundGroup == nullptr) {
        return false;
    }
    for (char** member = entry.gr_mem; *member != nullptr; ++member) {
        if (userName != *member) {
            return false;
        }
    }
    return true;
}

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

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
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

// The owner's process id of a temporary file name of ours, else 0.
pid_t TemporaryOwner(const std::string& name) {
    const auto mark = name.rfind(kTemporaryMark);
    if (name.empty() || name.front() != '.' || mark == std::string::npos) {
        return 0;
    }
    const char* first = name.data() + mark + kTemporaryMark.size();
    const char* last = name.data() + name.size();
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(first, last, pid);
    return error == std::errc() && end != last && *end == '.' && pid > 0 ? pid : 0;
}

// Removes the temporary files of ours in folder whose writer has gone: a
// process that no longer exists cannot finish them. Files of other users and
// of running processes stay.
void RemoveStaleTemporaries(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path& path = it->path();
        const pid_t owner = TemporaryOwner(path.filename().string());
        if (owner == 0 || owner == ::getpid()) {
            continue;
        }
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid()) {
            continue;
        }
        if (::kill(owner, 0) != 0 && errno == ESRCH) {
            ::unlink(path.c_str());
        }
    }
}

std::string RandomPart() {
    // One a thread: cameras that save at once each draw their own names.
    thread_local std::mt19937 generator{std::random_device{}()};
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(generator()));
    return text;
}

}  // namespace

const std::error_category& FileErrorCategory() {
    static const FileErrorCategoryImpl category;
    return category;
}

std::error_code make_error_code(FileError error) {
    return {static_cast<int>(error), FileErrorCategory()};
}

std::string LockHolder(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? FlockHolder(info.st_dev, info.st_ino) : std::string();
}

std::string OwnershipProblem(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return LastError().message();
    }
    if (info.st_uid != 0 && info.st_uid != ::geteuid()) {
        return "it belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    }
    if ((info.st_mode & S_IWOTH) != 0) {
        return "it is writable by every user";
    }
    if ((info.st_mode & S_IWGRP) != 0 && !IsPrivateGroupOf(info.st_gid, info.st_uid)) {
        return "it is writable by its group (gid " + std::to_string(info.st_gid) + ")";
    }
    return {};
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& file,
                                           std::error_code& error) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = LastError();
        return std::nullopt;
    }
    std::string data;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = LastError();
    } else if (!S_ISREG(info.st_mode)) {
        error = FileError::NotRegularFile;
    } else {
        error.clear();
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                error = LastError();
            }
            if (got <= 0) {
                break;
            }
            data.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    if (error) {
        return std::nullopt;
    }
    return data;
}

AtomicFile::AtomicFile(std::filesystem::path file) : file_(std::move(file)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail(std::error_code error) {
    error_ = error;
    failed_ = true;
    Discard();
    return false;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool AtomicFile::Open() {
    if (fd_ >= 0) {
        return true;
    }
    if (failed_) {
        return false;
    }
    target_ = ResolveLink(file_);
    if (target_.filename().empty()) {
        return Fail(std::make_error_code(std::errc::is_a_directory));
    }
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return Fail(LastError());
    }
    // Renaming over a device, FIFO or socket would replace the node itself.
    if (exists && !S_ISREG(existing.st_mode)) {
        return Fail(FileError::NotRegularFile);
    }
    const std::filesystem::path folder = FolderOf(target_);
    RemoveStaleTemporaries(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path temporary =
            folder / ("." + target_.filename().string() + std::string(kTemporaryMark) +
                      std::to_string(::getpid()) + "." + RandomPart());
        // 0666 lets the umask decide, as for any file the user creates.
        fd_ = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(temporary);
            break;
        }
        if (errno != EEXIST) {
            return Fail(LastError());
        }
    }
    if (fd_ < 0) {
        return Fail(std::make_error_code(std::errc::file_exists));
    }
    // A replaced file keeps its permissions (a profile the user made private
    // stays private).
    if (exists) {
        (void)::fchmod(fd_, existing.st_mode & 07777);
    }
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (!Open()) {
        return false;
    }
    return WriteAll(fd_, bytes) || Fail(LastError());
}

bool AtomicFile::Commit() {
    if (!Open()) {
        return false;
    }
    if (::fsync(fd_) != 0) {
        return Fail(LastError());
    }
    const int fd = std::exchange(fd_, -1);
    // A failing close reports a delayed write error.
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return Fail(LastError());
    }
    temporary_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::error_code* error) {
    AtomicFile out(file);
    const bool written = out.Write(bytes) && out.Commit();
    if (error != nullptr) {
        *error = out.Error();
    }
    return written;
}

FileLock::FileLock(const std::filesystem::path& lockFile,
                   const std::filesystem::path& guardedFile) {
    fd_ = ::open(lockFile.c_str(),
                 O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error_ = LastError();
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        error_ = LastError();
    } else if (!S_ISREG(info.st_mode)) {
        error_ = FileError::NotRegularFile;
    } else if (AcquireLock(fd_, info, guardedFile, error_)) {
        return;
    }
    ::close(fd_);
    fd_ = -1;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        // Closing releases the lock.
        ::close(fd_);
    }
}

}  // namespace xkiv
