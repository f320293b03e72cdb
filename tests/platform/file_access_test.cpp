// Tests of the atomic file writer and the guarded whole-file read.
#include "platform/file_access.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TemporaryFolder;
using test::WriteFile;

bool HasTemporary(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".xkiv-tmp.") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// What stands at the target before the write, and what must hold after it.
struct TargetCase {
    const char* name;
    std::function<fs::path(const fs::path& folder)> prepare;  // returns the target
    bool written;
    std::function<void(const fs::path& folder)> check;
};

class AtomicWriteTest : public testing::TestWithParam<TargetCase> {};

TEST_P(AtomicWriteTest, ReplacesOnlyRegularFilesAndCreatesNoFolders) {
    const TargetCase& c = GetParam();
    TemporaryFolder folder("atomic-test");
    const fs::path target = c.prepare(folder.Path());

    std::error_code error;
    EXPECT_EQ(WriteFileAtomically(target, "new", &error), c.written) << error.message();
    EXPECT_EQ(!error, c.written);
    c.check(folder.Path());
    EXPECT_FALSE(HasTemporary(folder.Path()));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AtomicWriteTest,
    testing::Values(
        TargetCase{"MissingFileIsCreated", [](const fs::path& f) { return f / "x.cam"; }, true,
                   [](const fs::path& f) { EXPECT_EQ(ReadFile(f / "x.cam"), "new"); }},
        TargetCase{"RegularFileIsReplaced",
                   [](const fs::path& f) {
                       WriteFile(f / "x.cam", "old");
                       return f / "x.cam";
                   },
                   true, [](const fs::path& f) { EXPECT_EQ(ReadFile(f / "x.cam"), "new"); }},
        TargetCase{"MissingFolderIsNotCreated",
                   [](const fs::path& f) { return f / "no" / "such" / "x.cam"; }, false,
                   [](const fs::path& f) { EXPECT_FALSE(fs::exists(f / "no")); }},
        TargetCase{"FolderIsKept",
                   [](const fs::path& f) {
                       fs::create_directory(f / "x.cam");
                       return f / "x.cam";
                   },
                   false, [](const fs::path& f) { EXPECT_TRUE(fs::is_directory(f / "x.cam")); }},
        TargetCase{"FifoIsKept",
                   [](const fs::path& f) {
                       ::mkfifo((f / "x.cam").c_str(), 0600);
                       return f / "x.cam";
                   },
                   false, [](const fs::path& f) { EXPECT_TRUE(fs::is_fifo(f / "x.cam")); }},
        TargetCase{"DeviceBehindLinkIsKept",
                   [](const fs::path& f) {
                       fs::create_symlink("/dev/null", f / "x.cam");
                       return f / "x.cam";
                   },
                   false,
                   [](const fs::path& f) {
                       EXPECT_TRUE(fs::is_symlink(f / "x.cam"));
                       EXPECT_TRUE(fs::is_character_file("/dev/null"));
                   }}),
    [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

TEST(AtomicFileTest, TemporaryExistsFromOpenAndGoesWhenAbandoned) {
    TemporaryFolder folder("atomic-test");
    WriteFile(folder.Path() / "x.csv", "old");
    {
        AtomicFile file(folder.Path() / "x.csv");
        ASSERT_TRUE(file.Open());
        EXPECT_TRUE(HasTemporary(folder.Path()));
    }
    EXPECT_FALSE(HasTemporary(folder.Path()));
    EXPECT_EQ(ReadFile(folder.Path() / "x.csv"), "old");
}

TEST(AtomicFileTest, StaleTemporariesOfGoneProcessesAreRemoved) {
    TemporaryFolder folder("atomic-test");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string gone = ".x.cam.xkiv-tmp." + std::to_string(child) + ".0badf00d";
    const std::string running = ".y.cam.xkiv-tmp." + std::to_string(::getppid()) + ".0badf00d";
    const std::string foreign = ".x.cam.tmp" + std::to_string(child);
    for (const std::string& name : {gone, running, foreign}) {
        WriteFile(folder.Path() / name, "half");
    }

    ASSERT_TRUE(WriteFileAtomically(folder.Path() / "z.cam", "new"));
    EXPECT_FALSE(fs::exists(folder.Path() / gone));
    EXPECT_TRUE(fs::exists(folder.Path() / running));
    EXPECT_TRUE(fs::exists(folder.Path() / foreign));
}

// Opening a FIFO for reading waits for a writer; the read must refuse it
// at once. The child is killed by its alarm if it hangs.
TEST(ReadRegularFileTest, SpecialFilesAreRefusedWithoutWaiting) {
    TemporaryFolder folder("read-test");
    const fs::path fifo = folder.Path() / "profile.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(5);
        std::error_code error;
        const bool refused = !ReadRegularFile(fifo, error) && error == FileError::NotRegularFile &&
                             !ReadRegularFile(folder.Path(), error) &&
                             error == FileError::NotRegularFile;
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace xkiv
