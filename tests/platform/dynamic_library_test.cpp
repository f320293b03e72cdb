// Tests of run-time library loading: by plain name, by path, symbols, failures, unsafe files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/library.h"
#include "tests/support/test_files.h"

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(DynamicLibraryTest, LoadsByPlainNameAndFindsFunctions) {
    auto library = DynamicLibrary::Load("libm.so.6");
    ASSERT_NE(library, nullptr);

    using CosFn = double (*)(double);
    const auto cosine = library->Entry<CosFn>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(library->Symbol("xkiv_no_such_symbol"), nullptr);
}

TEST(DynamicLibraryTest, MissingLibraryGivesNullAndTheLoadersReason) {
    for (const std::string name : {"libxkiv-no-such-library.so", "/nonexistent/folder/libx.so"}) {
        std::string error;
        bool refused = true;
        EXPECT_EQ(DynamicLibrary::Load(name, &error, &refused), nullptr) << name;
        EXPECT_NE(error.find("libx"), std::string::npos) << error;
        EXPECT_FALSE(refused) << name;
        EXPECT_EQ(DynamicLibrary::Load(name), nullptr) << "without an error text";
    }
}

// A file the dynamic loader must not be given: it would map a short file
// and fault at the first touch, block on a FIFO, load from wherever the
// current folder is, or run code someone else could have put there.
struct UnsafeFileCase {
    const char* name;
    // Makes the file from an intact library copy; returns the path to load.
    std::function<std::string(const fs::path& library)> make;
    const char* reason;
    bool needsRoot;  // changing a file's owner
};

std::string CutTo(const fs::path& library, std::size_t size) {
    const std::string cut = library.string() + ".cut" + std::to_string(size);
    test::WriteFile(cut, test::ReadFile(library).substr(0, size));
    return cut;
}

std::string WithMode(const fs::path& library, mode_t mode, uid_t owner, gid_t group) {
    if (::chown(library.c_str(), owner, group) != 0 || ::chmod(library.c_str(), mode) != 0) {
        ADD_FAILURE() << "cannot change " << library;
    }
    return library.string();
}

const UnsafeFileCase kUnsafeFiles[] = {
    {"CutAt3000", [](const fs::path& l) { return CutTo(l, 3000); }, "beyond the end", false},
    {"CutAt8000", [](const fs::path& l) { return CutTo(l, 8000); }, "beyond the end", false},
    {"CutAt16000", [](const fs::path& l) { return CutTo(l, 16000); }, "beyond the end", false},
    {"CutAt20000", [](const fs::path& l) { return CutTo(l, 20000); }, "beyond the end", false},
    {"CutInsideTheHeader", [](const fs::path& l) { return CutTo(l, 40); }, "not an ELF", false},
    {"NotElf",
     [](const fs::path& l) {
         test::WriteFile(l, "#!/bin/sh\n");
         return l.string();
     },
     "not an ELF file", false},
    {"Fifo",
     [](const fs::path& l) {
         fs::remove(l);
         EXPECT_EQ(::mkfifo(l.c_str(), 0600), 0);
         return l.string();
     },
     "not a regular file", false},
    {"Folder", [](const fs::path& l) { return l.parent_path().string(); }, "not a regular file",
     false},
    {"RelativePath", [](const fs::path& l) { return fs::relative(l).string(); },
     "not an absolute path", false},
    {"WritableByEveryUser",
     [](const fs::path& l) { return WithMode(l, 0757, ::geteuid(), ::getegid()); },
     "writable by every user", false},
    {"WritableByASharedGroup",
     [](const fs::path& l) { return WithMode(l, 0775, ::geteuid(), 100); }, "writable by its group",
     true},
    {"OwnedByAnotherUser", [](const fs::path& l) { return WithMode(l, 0755, 65534, 65534); },
     "belongs to another user", true},
};

class UnsafeLibraryFileTest : public ::testing::TestWithParam<UnsafeFileCase> {};

TEST_P(UnsafeLibraryFileTest, IsRefusedWithTheFileNamed) {
    const UnsafeFileCase& c = GetParam();
    if (c.needsRoot && ::geteuid() != 0) {
        GTEST_SKIP() << "changing a file's owner needs root";
    }
    const test::TemporaryFolder folder("xkiv-unsafe-library");
    const fs::path library = folder.Path() / "libcopy.so";
    fs::copy_file(XKIV_TEST_COMPONENT_PATH, library);
    ASSERT_NE(DynamicLibrary::Load(library.string()), nullptr) << "the intact copy loads";

    const std::string path = c.make(library);
    std::string error;
    bool refused = false;
    EXPECT_EQ(DynamicLibrary::Load(path, &error, &refused), nullptr);
    EXPECT_TRUE(refused);
    EXPECT_THAT(error, HasSubstr("refusing to load " + path));
    EXPECT_THAT(error, HasSubstr(c.reason));
}

INSTANTIATE_TEST_SUITE_P(Files, UnsafeLibraryFileTest, ::testing::ValuesIn(kUnsafeFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xkiv
