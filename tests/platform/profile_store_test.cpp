// Tests of the per-user profile file: persistence, merging, failures, location.
#include "platform/profile_store.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScopedEnvironment;
using test::WriteFile;

class ProfileStoreTest : public testing::Test {
protected:
    test::TemporaryFolder temporary_{"profile-test"};
    const fs::path& folder_ = temporary_.Path();
    fs::path file_ = folder_ / "KIV" / "XKivRZ150LX Control.ini";
};

TEST_F(ProfileStoreTest, ValuesSurviveIntoTheNextStore) {
    {
        ProfileStore store(file_);
        store.WriteInt("Gain", "Master Gain", -12);
        store.WriteString("Others", "Aberration Input Name 1", "Lens A");
        EXPECT_EQ(store.GetInt("gain", "master gain", 0), -12);  // visible before the flush
    }
    ProfileStore reread(file_);
    EXPECT_EQ(reread.GetInt("Gain", "Master Gain", 0), -12);
    EXPECT_EQ(reread.GetString("Others", "Aberration Input Name 1", ""), "Lens A");
    EXPECT_EQ(ReadFile(file_),
              "[Gain]\r\nMaster Gain=-12\r\n[Others]\r\nAberration Input Name 1=Lens A\r\n");
}

TEST_F(ProfileStoreTest, IntegerLookupAcceptsOnlyWholeDecimalNumbers) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {{"42", 42},
                 {"-3", -3},
                 {"+7", 7},
                 {"0", 0},
                 {"2147483647", 2147483647},
                 {"-2147483648", std::numeric_limits<std::int32_t>::min()},
                 {"2147483648", -1},
                 {"abc", -1},
                 {"12abc", -1},
                 {"", -1},
                 {"0x10", -1},
                 {"1.5", -1}};
    ProfileStore store(file_);
    for (const auto& c : cases) {
        store.WriteString("S", "k", c.text);
        EXPECT_EQ(store.GetInt("S", "k", -1), c.expected) << '"' << c.text << '"';
    }
}

TEST_F(ProfileStoreTest, MissingOrDamagedFileGivesDefaults) {
    EXPECT_EQ(ProfileStore(file_).GetInt("Comm", "Port", 5), 5);

    fs::create_directories(file_.parent_path());
    WriteFile(file_, std::string("\0\xff[Comm\nPort=3\n=\n[[[\n", 21) + "[Gain]\r\nBad");
    ProfileStore store(file_);
    EXPECT_EQ(store.GetInt("Comm", "Port", 5), 5);
    EXPECT_EQ(store.GetString("Gain", "Bad", "none"), "none");
}

TEST_F(ProfileStoreTest, StoresSharingAFileKeepEachOthersKeys) {
    ProfileStore first(file_);
    ProfileStore second(file_);
    first.WriteInt("Comm", "Class", 1);
    second.WriteInt("Comm", "Port", 4);
    ASSERT_TRUE(first.Flush());
    ASSERT_TRUE(second.Flush());

    ProfileStore reread(file_);
    EXPECT_EQ(reread.GetInt("Comm", "Class", 0), 1);
    EXPECT_EQ(reread.GetInt("Comm", "Port", 0), 4);
}

TEST_F(ProfileStoreTest, UnwritableLocationFailsWithoutCreatingAnything) {
    WriteFile(folder_ / "plain", "old");
    ProfileStore store(folder_ / "plain" / "profile.ini");
    store.WriteInt("Comm", "Port", 1);
    EXPECT_FALSE(store.Flush());
    EXPECT_EQ(ReadFile(folder_ / "plain"), "old");
    EXPECT_EQ(store.GetInt("Comm", "Port", 0), 1);  // kept for a later attempt
}

// A save that fails half-way (here the file-size limit, which holds for root
// too) must leave the previous profile as it was and no temporary file.
TEST_F(ProfileStoreTest, FailedSaveLeavesPreviousFileIntact) {
    fs::create_directories(file_.parent_path());
    const std::string old = "[Comm]\r\nPort=2\r\n";
    WriteFile(file_, old);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8, 8};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ProfileStore store(file_);
        store.WriteString("Others", "Aberration Input Name 1", std::string(4096, 'x'));
        const bool flushed = store.Flush();
        // Leave without the destructor's second attempt.
        ::_exit(flushed ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";
    EXPECT_EQ(ReadFile(file_), old);
    for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find("xkiv-tmp"), std::string::npos);
    }
}

// Something other than a regular file where the profile belongs: the store
// reads defaults at once (a FIFO would otherwise block the read), refuses to
// write and says where and why.
TEST_F(ProfileStoreTest, UnusableProfilePathIsRefusedWithPathAndReason) {
    const struct {
        const char* name;
        void (*prepare)(const fs::path& file);
        const char* reason;
    } cases[] = {
        {"folder", [](const fs::path& f) { fs::create_directories(f); }, "not a regular file"},
        {"fifo",
         [](const fs::path& f) {
             fs::create_directories(f.parent_path());
             ::mkfifo(f.c_str(), 0600);
         },
         "not a regular file"},
        {"file as folder", [](const fs::path& f) { WriteFile(f.parent_path(), "x"); }, ""},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder_ / "KIV");
        c.prepare(file_);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(5);
            ProfileStore store(file_);
            const bool readRefused = !store.FailureText().empty();
            store.WriteInt("Gain", "Master Gain", 77);
            const bool refused = readRefused && !store.Flush() &&
                                 store.GetInt("Gain", "Master Gain", 0) == 77 &&
                                 store.FailureText().find(file_.string()) != std::string::npos &&
                                 store.FailureText().find(c.reason) != std::string::npos;
            ::_exit(refused ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": " << status;
    }
}

TEST_F(ProfileStoreTest, UnchangedProfileIsNotRewritten) {
    fs::create_directories(file_.parent_path());
    WriteFile(file_, "[Gain]\r\nMaster Gain=5\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    {
        ProfileStore store(file_);
        store.WriteInt("gain", "master gain", 5);
        EXPECT_TRUE(store.Flush());
    }
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
}

// Processes that read the profile, change one key each and write back at
// the same moment all keep their change.
TEST_F(ProfileStoreTest, ConcurrentWritersKeepEveryChange) {
    constexpr int kWriters = 8;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kWriters; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            ProfileStore store(file_);
            store.WriteInt("Writers", "Key " + std::to_string(i), i);
            char byte;
            // Returns when the parent closes its end; what it read does not matter.
            [[maybe_unused]] const ssize_t ignored = ::read(start[0], &byte, 1);
            ::_exit(store.Flush() ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ProfileStore reread(file_);
    for (int i = 0; i < kWriters; ++i) {
        EXPECT_EQ(reread.GetInt("Writers", "Key " + std::to_string(i), -1), i);
    }
}

TEST(ProfileStoreLocationTest, DefaultPathFollowsXdgConfigHome) {
    ScopedEnvironment home("HOME", "/home/tester");
    const struct {
        const char* xdg;
        const char* expected;
    } cases[] = {{"/cfg", "/cfg/KIV/XKivRZ150LX Control.ini"},
                 {nullptr, "/home/tester/.config/KIV/XKivRZ150LX Control.ini"},
                 {"", "/home/tester/.config/KIV/XKivRZ150LX Control.ini"},
                 {"relative/cfg", "/home/tester/.config/KIV/XKivRZ150LX Control.ini"}};
    for (const auto& c : cases) {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(ProfileStore::DefaultPath("KIV", "XKivRZ150LX Control"), fs::path(c.expected))
            << (c.xdg != nullptr ? c.xdg : "(unset)");
    }
}

TEST(ProfileStoreLocationTest, WithoutHomeUsesThePasswordEntry) {
    ScopedEnvironment home("HOME", nullptr);
    ScopedEnvironment xdg("XDG_CONFIG_HOME", nullptr);
    const fs::path path = ProfileStore::DefaultPath("KIV", "App");
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.filename(), "App.ini");
    EXPECT_EQ(path.parent_path().parent_path().filename(), ".config");
}

}  // namespace
}  // namespace xkiv
