// Tests of the class registry files: records, lookups, removal, location, shared files and
// failures.
#include "platform/class_registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace xkiv::automation {
namespace {

namespace fs = std::filesystem;
using xkiv::test::ReadFile;
using xkiv::test::ScopedEnvironment;
using xkiv::test::TemporaryFolder;
using xkiv::test::WriteFile;

const Guid kControlId = *Guid::Parse("{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}");
const Guid kPageId = *Guid::Parse("{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0FA}");
const Guid kLibraryId = *Guid::Parse("{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0FB}");

ClassEntry ControlEntry() {
    return {kControlId,
            "XKIVRZ150LX.XKivRZ150LXCtrl.1",
            "XKivRZ150LX Control",
            "/opt/kiv/libXKivRZ150LX.so",
            "Apartment",
            0x00020191,
            kLibraryId,
            "1.26"};
}

ClassEntry PageEntry() {
    return {kPageId,
            "XKIVRZ150LX.XKivRZ150LXPropPage.1",
            "XKivRZ150LX Property Page",
            "/opt/kiv/libXKivRZ150LX.so",
            "Apartment",
            0,
            {},
            ""};
}

class ClassRegistryTest : public ::testing::Test {
protected:
    fs::path File() const { return folder_.Path() / "KIV" / "classes.ini"; }

    TemporaryFolder folder_;
    ClassRegistry registry_{File()};
};

TEST_F(ClassRegistryTest, ClassIsFoundByIdentifierInAnyFormAndByProgId) {
    ASSERT_TRUE(registry_.RegisterClass(ControlEntry()));
    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    for (const char* key :
         {"{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}", "1f2e3d4c-5b6a-4978-8695-a4b3c2d1e0f9",
          "XKIVRZ150LX.XKivRZ150LXCtrl.1", "xkivrz150lx.xkivrz150lxctrl.1"}) {
        EXPECT_EQ(registry_.FindClass(key), ControlEntry()) << key;
    }
    EXPECT_EQ(registry_.FindClass("XKIVRZ150LX.XKivRZ150LXPropPage.1"), PageEntry());
    EXPECT_EQ(registry_.Classes(), (std::vector<ClassEntry>{ControlEntry(), PageEntry()}));
    for (const char* key : {"", "XKIVRZ150LX.Other.1", "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0FF}"}) {
        EXPECT_FALSE(registry_.FindClass(key)) << key;
    }

    const std::string text = ReadFile(File());
    for (const char* line : {"[CLSID {1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}]\r\n",
                             "MiscStatus=0x00020191\r\n", "ThreadingModel=Apartment\r\n",
                             "[ProgID XKIVRZ150LX.XKivRZ150LXCtrl.1]\r\n"
                             "CLSID={1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST_F(ClassRegistryTest, ReRegistrationReplacesTheClassAndItsProgId) {
    ASSERT_TRUE(registry_.RegisterClass(ControlEntry()));
    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    ClassEntry renamed = ControlEntry();
    renamed.progId = "XKIVRZ150LX.XKivRZ150LXCtrl.2";
    renamed.modulePath = "/usr/lib/libXKivRZ150LX.so";
    ASSERT_TRUE(registry_.RegisterClass(renamed));
    EXPECT_FALSE(registry_.FindClass("XKIVRZ150LX.XKivRZ150LXCtrl.1"));
    EXPECT_EQ(registry_.FindClass("XKIVRZ150LX.XKivRZ150LXCtrl.2"), renamed);

    // The page takes the control's ProgID over: the name leads to the page.
    ClassEntry page = PageEntry();
    page.progId = renamed.progId;
    ASSERT_TRUE(registry_.RegisterClass(page));
    EXPECT_EQ(registry_.FindClass(renamed.progId), page);
    EXPECT_EQ(registry_.Classes().size(), 2u);
}

TEST_F(ClassRegistryTest, UnregisterRemovesClassAndProgIdAndKeepsTheRest) {
    ASSERT_TRUE(registry_.RegisterClass(ControlEntry()));
    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    ASSERT_TRUE(registry_.UnregisterClass(kControlId));
    EXPECT_FALSE(registry_.FindClass(kControlId.ToString()));
    EXPECT_FALSE(registry_.FindClass(ControlEntry().progId));
    EXPECT_EQ(ReadFile(File()).find(ControlEntry().progId), std::string::npos);
    EXPECT_EQ(registry_.FindClass(PageEntry().progId), PageEntry());
    EXPECT_TRUE(registry_.UnregisterClass(kControlId)) << "removing a missing class succeeds";
}

TEST_F(ClassRegistryTest, TypeLibraryVersionsAreRecordedAndRemovedOneByOne) {
    const InterfaceInfo dispatch("_DXKivRZ150LX", {});
    const TypeLibraryInfo library{"XKivRZ150LXLib", kLibraryId, 1, 26, &dispatch, &dispatch};
    TypeLibraryInfo older = library;
    older.minorVersion = 25;
    ASSERT_TRUE(registry_.RegisterTypeLibrary(library, "/opt/kiv/libXKivRZ150LX.so"));
    ASSERT_TRUE(registry_.RegisterTypeLibrary(older, "/opt/kiv/old.so"));
    const std::string section = "TypeLib " + kLibraryId.ToString() + " 1.26";
    auto document = IniDocument::Load(File());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->Find(section, "Name"), "XKivRZ150LXLib");
    EXPECT_EQ(document->Find(section, "Module"), "/opt/kiv/libXKivRZ150LX.so");

    ASSERT_TRUE(registry_.UnregisterTypeLibrary(kLibraryId, 1, 26));
    ASSERT_TRUE(registry_.UnregisterTypeLibrary(kLibraryId, 1, 26));
    document = IniDocument::Load(File());
    EXPECT_FALSE(document->HasSection(section));
    EXPECT_TRUE(document->HasSection("TypeLib " + kLibraryId.ToString() + " 1.25"));
}

TEST_F(ClassRegistryTest, EntriesThatCannotBeRecordedAreRefused) {
    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    const std::string before = ReadFile(File());
    for (const char* progId : {"Has Space.1", "1Starts.With.Digit", "Bracket]X", "Semi;colon",
                               "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}"}) {
        ClassEntry entry = ControlEntry();
        entry.progId = progId;
        EXPECT_FALSE(registry_.RegisterClass(entry)) << progId;
    }
    ClassEntry nullClass = ControlEntry();
    nullClass.clsid = Guid{};
    EXPECT_FALSE(registry_.RegisterClass(nullClass));
    EXPECT_EQ(ReadFile(File()), before);

    ClassEntry withoutProgId = ControlEntry();
    withoutProgId.progId.clear();
    EXPECT_TRUE(registry_.RegisterClass(withoutProgId));
    EXPECT_EQ(registry_.FindClass(kControlId.ToString()), withoutProgId);
}

TEST_F(ClassRegistryTest, RegistriesSharingTheFileKeepEachOthersEntries) {
    ClassRegistry other(File());
    ASSERT_TRUE(registry_.RegisterClass(ControlEntry()));
    ASSERT_TRUE(other.RegisterClass(PageEntry()));
    ASSERT_TRUE(registry_.UnregisterTypeLibrary(kLibraryId, 1, 26));
    EXPECT_EQ(registry_.Classes().size(), 2u);
}

TEST_F(ClassRegistryTest, DamagedFileIsReadAsFarAsItGoes) {
    WriteFile(File(), std::string("\x01\xff garbage\r\n[CLSID not-a-guid]\r\nModule=/x.so\r\n") +
                          "[ProgID Broken.1]\r\nCLSID=nonsense\r\n[ProgID Dangling.1]\r\n" +
                          "CLSID={1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0FF}\r\n" +
                          "[CLSID {1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}]\r\nMiscStatus=zz\r\n" +
                          "TypeLib=bad\r\n[unterminated\r\n=\r\n" +
                          // Parses as an identifier, but no lookup finds it.
                          "[CLSID 1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0FA]\r\nModule=/y.so\r\n");
    for (const char* key : {"Broken.1", "Dangling.1", "not-a-guid"}) {
        EXPECT_FALSE(registry_.FindClass(key)) << key;
    }
    const auto partial = registry_.FindClass(kControlId.ToString());
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->miscStatus, 0u);
    EXPECT_EQ(partial->typeLibrary, Guid{});
    EXPECT_EQ(registry_.Classes().size(), 1u);

    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    EXPECT_EQ(registry_.FindClass(PageEntry().progId), PageEntry());
    EXPECT_TRUE(registry_.FindClass(kControlId.ToString()));
}

TEST_F(ClassRegistryTest, UnusableLocationsFailWithoutHarm) {
    // A plain file where the folder should be, and a folder or a FIFO where
    // the file should be (refused at once: it cannot be read, so it must not
    // be replaced either).
    WriteFile(folder_.Path() / "plain", "old");
    fs::create_directories(folder_.Path() / "folder.ini" / "inside");
    ASSERT_EQ(::mkfifo((folder_.Path() / "fifo.ini").c_str(), 0600), 0);
    for (const fs::path& file : {folder_.Path() / "plain" / "classes.ini",
                                 folder_.Path() / "folder.ini", folder_.Path() / "fifo.ini"}) {
        ClassRegistry registry(file);
        EXPECT_FALSE(registry.RegisterClass(ControlEntry())) << file;
        EXPECT_FALSE(registry.FindClass(ControlEntry().progId)) << file;
        EXPECT_TRUE(registry.Classes().empty()) << file;
        EXPECT_NE(registry.ReadProblem().find(file.string()), std::string::npos) << file;
    }
    EXPECT_TRUE(fs::is_fifo(folder_.Path() / "fifo.ini"));
    EXPECT_FALSE(ClassRegistry(folder_.Path() / "folder.ini").UnregisterClass(kControlId));
    EXPECT_EQ(ReadFile(folder_.Path() / "plain"), "old");
    EXPECT_TRUE(fs::is_directory(folder_.Path() / "folder.ini" / "inside"));
}

// A save that fails half-way (here the file-size limit, which holds for root
// too) reports false and leaves the registry as it was.
TEST_F(ClassRegistryTest, FailedSaveReportsFalseAndKeepsTheOldFile) {
    ASSERT_TRUE(registry_.RegisterClass(PageEntry()));
    const std::string before = ReadFile(File());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size(), before.size()};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ClassEntry big = ControlEntry();
        big.displayName.assign(4096, 'x');
        ::_exit(registry_.RegisterClass(big) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(File().parent_path()), fs::directory_iterator()),
              1);
}

TEST(ClassRegistryLocationTest, DefaultPathFollowsXdgDataHome) {
    ScopedEnvironment home("HOME", "/home/tester");
    const struct {
        const char* xdg;
        const char* expected;
    } cases[] = {{"/data", "/data/KIV/classes.ini"},
                 {nullptr, "/home/tester/.local/share/KIV/classes.ini"},
                 {"", "/home/tester/.local/share/KIV/classes.ini"},
                 {"relative/data", "/home/tester/.local/share/KIV/classes.ini"}};
    for (const auto& c : cases) {
        ScopedEnvironment xdg("XDG_DATA_HOME", c.xdg);
        EXPECT_EQ(ClassRegistry::DefaultPath(), fs::path(c.expected))
            << (c.xdg != nullptr ? c.xdg : "(unset)");
        EXPECT_EQ(ClassRegistry().Path(), fs::path(c.expected));
    }
}

TEST(ClassRegistryLocationTest, SharedPathsFollowXdgDataDirs) {
    const struct {
        const char* dirs;
        std::vector<fs::path> expected;
    } cases[] = {
        {nullptr, {"/usr/local/share/KIV/classes.ini", "/usr/share/KIV/classes.ini"}},
        {"", {"/usr/local/share/KIV/classes.ini", "/usr/share/KIV/classes.ini"}},
        {"/opt/a:relative::/opt/b/", {"/opt/a/KIV/classes.ini", "/opt/b/KIV/classes.ini"}},
    };
    for (const auto& c : cases) {
        ScopedEnvironment dirs("XDG_DATA_DIRS", c.dirs);
        EXPECT_EQ(ClassRegistry::SharedPaths(), c.expected) << (c.dirs ? c.dirs : "(unset)");
        EXPECT_EQ(ClassRegistry().SharedFiles(), c.expected);
    }
}

// The user's file wins over the shared ones, the first shared file over the
// later ones; changes write the user's file only.
TEST(SharedClassRegistryTest, UserFileFirstThenSharedFilesInOrder) {
    TemporaryFolder folder;
    const fs::path user = folder.Path() / "user.ini";
    const fs::path first = folder.Path() / "first.ini";
    const fs::path second = folder.Path() / "second.ini";
    const auto withModule = [](ClassEntry entry, const char* module) {
        entry.modulePath = module;
        return entry;
    };
    ASSERT_TRUE(ClassRegistry(second).RegisterClass(withModule(ControlEntry(), "/second.so")));
    ASSERT_TRUE(ClassRegistry(second).RegisterClass(PageEntry()));
    ClassRegistry registry(user, {folder.Path() / "missing.ini", folder.Path(), first, second});

    const struct {
        const char* step;
        std::function<bool()> change;
        const char* expectedModule;
    } cases[] = {
        {"only the last shared file", [] { return true; }, "/second.so"},
        {"an earlier shared file",
         [&] {
             return ClassRegistry(first).RegisterClass(withModule(ControlEntry(), "/first.so"));
         },
         "/first.so"},
        {"the user's file",
         [&] { return registry.RegisterClass(withModule(ControlEntry(), "/user.so")); },
         "/user.so"},
        {"unregistered by the user again", [&] { return registry.UnregisterClass(kControlId); },
         "/first.so"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.change()) << c.step;
        for (const char* key :
             {"XKIVRZ150LX.XKivRZ150LXCtrl.1", "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9}"}) {
            const auto found = registry.FindClass(key);
            ASSERT_TRUE(found) << c.step;
            EXPECT_EQ(found->modulePath, c.expectedModule) << c.step;
        }
        const auto classes = registry.Classes();
        ASSERT_EQ(classes.size(), 2U) << c.step;
        EXPECT_EQ(classes[0].modulePath, c.expectedModule) << c.step;
        EXPECT_EQ(classes[1], PageEntry()) << c.step;
    }
    // The shared files were never written by the user's registry.
    EXPECT_EQ(ClassRegistry(second).FindClass("XKIVRZ150LX.XKivRZ150LXCtrl.1")->modulePath,
              "/second.so");
    EXPECT_EQ(ClassRegistry(first).FindClass("XKIVRZ150LX.XKivRZ150LXCtrl.1")->modulePath,
              "/first.so");
}

// A registry file that someone else could have written names no module: it
// is passed over, as the user's planted file in a shared folder would be,
// and stderr says why.
TEST(SharedClassRegistryTest, FileOthersCouldHaveWrittenIsPassedOver) {
    TemporaryFolder folder;
    const fs::path user = folder.Path() / "user.ini";
    const fs::path shared = folder.Path() / "shared.ini";
    ClassEntry planted = ControlEntry();
    planted.modulePath = "/planted.so";
    const struct {
        const char* name;
        mode_t mode;
        uid_t owner;
        gid_t group;
        const char* said;  // null: the file is trusted
    } cases[] = {
        {"OwnFile", 0644, ::geteuid(), ::getegid(), nullptr},
        {"WritableByEveryUser", 0646, ::geteuid(), ::getegid(), "writable by every user"},
        {"WritableByASharedGroup", 0664, ::geteuid(), 100, "writable by its group"},
        {"OwnedByAnotherUser", 0644, 65534, 65534, "belongs to another user"},
    };
    ASSERT_TRUE(ClassRegistry(shared).RegisterClass(ControlEntry()));
    ASSERT_TRUE(ClassRegistry(user).RegisterClass(planted));
    const ClassRegistry registry(user, {shared});
    for (const auto& c : cases) {
        if ((c.owner != ::geteuid() || c.group != ::getegid()) && ::geteuid() != 0) {
            continue;  // changing a file's owner needs root
        }
        ASSERT_EQ(::chown(user.c_str(), c.owner, c.group), 0) << c.name;
        ASSERT_EQ(::chmod(user.c_str(), c.mode), 0) << c.name;
        ::testing::internal::CaptureStderr();
        const auto found = registry.FindClass("XKIVRZ150LX.XKivRZ150LXCtrl.1");
        const auto classes = registry.Classes();
        const std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(found->modulePath, c.said ? ControlEntry().modulePath : "/planted.so") << c.name;
        EXPECT_EQ(classes.front().modulePath, found->modulePath) << c.name;
        if (c.said != nullptr) {
            EXPECT_NE(said.find("ignoring the class registry " + user.string()), std::string::npos)
                << said;
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
        } else {
            EXPECT_EQ(said, "") << c.name;
        }
    }
}

}  // namespace
}  // namespace xkiv::automation
