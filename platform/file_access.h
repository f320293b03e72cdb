// Whole-file reads and atomic replacement of the files the user can lose work in, locks, and
// whether a file may be trusted with code.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace xkiv {

// Failures of our own beside the system's error numbers.
enum class FileError {
    NotRegularFile = 1,  // the path names a folder, device, FIFO or socket
};
const std::error_category& FileErrorCategory();
std::error_code make_error_code(FileError error);

// Reads a whole regular file. A missing file gives nullopt with
// std::errc::no_such_file_or_directory; a folder, device, FIFO or socket is
// refused without waiting on it (FileError::NotRegularFile).
std::optional<std::string> ReadRegularFile(const std::filesystem::path& file,
                                           std::error_code& error);

// "process 1234 (xkivctl)" for the process that holds a flock() lock on the
// file (a serial device kept by another run), as /proc/locks tells; empty
// when nobody holds one or the system does not tell.
std::string LockHolder(const std::filesystem::path& file);

// Why a file that holds code, or names code to load, cannot be trusted, or
// empty when it can. As OpenSSH's strict modes judge: it must belong to
// root or to this process's user, and nobody else may write it (group write
// is allowed only for its owner's private group, which has no other
// members). The text says why ("it is writable by every user"); the caller
// names the file. A file that cannot be examined is refused with the
// system's reason.
std::string OwnershipProblem(const std::filesystem::path& file);

// Replaces one file whole: the new contents go to a temporary file beside the
// target, are flushed to disk and renamed over the target, so the target is
// either the old file or the new one, never a mix.
//
// The target, after following symbolic links (a link keeps pointing at the
// replaced file), must be missing or a regular file; its folder must exist,
// nothing is created but the file. The temporary is named
// ".NAME.xkiv-tmp.PID.RANDOM"; opening one also removes those of this naming
// left in the folder by processes that are gone (a crash mid-write). A
// writer that is not committed removes its temporary when destroyed.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path file);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // Checks the target and creates the temporary file: after this succeeds
    // the file can be written, so callers with a long preparation open first.
    bool Open();
    // Appends to the temporary file (opening it first when needed).
    bool Write(std::string_view bytes);
    // Flushes the temporary file and renames it over the target.
    bool Commit();

    // Why the last step failed.
    const std::error_code& Error() const { return error_; }

private:
    bool Fail(std::error_code error);
    void Discard();

    std::filesystem::path file_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool failed_ = false;
    std::error_code error_;
};

// Writes bytes to file through an AtomicFile. On failure the old file is left
// as it was, no temporary file stays behind, and error (when given) says why.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::error_code* error = nullptr);

// An exclusive lock between processes on a lock file, held for the object's
// life. The lock file is created when missing and never removed, so that
// every process locks the same file. While another process holds it the
// constructor waits; after 2 s it says on stderr that guardedFile (the file
// the lock protects) is locked, and by which process where /proc/locks
// tells, and keeps waiting. A signal whose handler requests an interrupt
// (RequestInterrupt) ends the wait, and no wait starts while an interrupt is
// pending: the lock is then not taken and Error() is
// std::errc::interrupted.
class FileLock {
public:
    FileLock(const std::filesystem::path& lockFile, const std::filesystem::path& guardedFile);
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    bool Locked() const { return fd_ >= 0; }
    const std::error_code& Error() const { return error_; }

private:
    int fd_ = -1;
    std::error_code error_;
};

}  // namespace xkiv

template <>
struct std::is_error_code_enum<xkiv::FileError> : std::true_type {};
