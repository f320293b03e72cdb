// Tests of run-time library loading: by plain name, by path, symbols, failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/library.h"

namespace xkiv {
namespace {

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
        EXPECT_EQ(DynamicLibrary::Load(name, &error), nullptr) << name;
        EXPECT_NE(error.find("libx"), std::string::npos) << error;
        EXPECT_EQ(DynamicLibrary::Load(name), nullptr) << "without an error text";
    }
}

TEST(DynamicLibraryTest, FileThatIsNotALibraryFailsToLoad) {
    std::string error;
    EXPECT_EQ(DynamicLibrary::Load("/proc/self/status", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace xkiv
