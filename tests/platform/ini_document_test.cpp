// Tests of the ordered INI document: lookup, parsing, writing and file saving.
#include "platform/ini_document.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

using test::TemporaryFolder;

std::size_t EntryCount(const TemporaryFolder& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()));
}

TEST(IniDocumentTest, KeepsSectionsAndKeysInOrderOfFirstWrite) {
    IniDocument document;
    document.Set("Trigger", "Trigger Mode", "1");
    document.Set("Gain", "Master Gain", "100");
    document.Set("Trigger", "Trigger Input", "0");
    document.Set("TRIGGER", "trigger mode", "2");

    EXPECT_EQ(document.Serialize(),
              "[Trigger]\r\nTrigger Mode=2\r\nTrigger Input=0\r\n[Gain]\r\nMaster Gain=100\r\n");
}

TEST(IniDocumentTest, LookupIgnoresCaseAndKeepsFirstSpelling) {
    IniDocument document;
    document.Set("Comm", "Port", "3");
    document.Set("COMM", "PORT", "4");

    EXPECT_EQ(document.Find("comm", "port"), "4");
    ASSERT_EQ(document.Sections().size(), 1u);
    EXPECT_EQ(document.Sections()[0].name, "Comm");
    ASSERT_EQ(document.Sections()[0].entries.size(), 1u);
    EXPECT_EQ(document.Sections()[0].entries[0].key, "Port");
}

TEST(IniDocumentTest, MissingSectionOrKeyGivesCallersDefault) {
    IniDocument document;
    document.Set("Comm", "Port", "3");

    EXPECT_EQ(document.Get("Comm", "Class", "fallback"), "fallback");
    EXPECT_EQ(document.Get("Other", "Port", ""), "");
    EXPECT_FALSE(document.Find("Other", "Port").has_value());
}

struct ParseCase {
    const char* name;
    const char* text;
    const char* expected;  // serialized form of the parsed document
};

class IniParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(IniParseTest, ReadsWhatPrivateProfileReaderReads) {
    EXPECT_EQ(IniDocument::Parse(GetParam().text).Serialize(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniParseTest,
    testing::Values(
        ParseCase{"LineFeeds", "[A]\nx=1\ny=2\n", "[A]\r\nx=1\r\ny=2\r\n"},
        ParseCase{"CarriageReturnLineFeeds", "[A]\r\nx=1\r\ny=2\r\n", "[A]\r\nx=1\r\ny=2\r\n"},
        ParseCase{"NoFinalLineEnd", "[A]\r\nx=1", "[A]\r\nx=1\r\n"},
        ParseCase{"BlankLinesAndComments", "\r\n; note\r\n[A]\r\n\r\n  ; x=9\r\nx=1\r\n",
                  "[A]\r\nx=1\r\n"},
        ParseCase{"TrimsAroundNamesAndValues", "  [ A ]  \n\t key \t=  some value \t\n",
                  "[A]\r\nkey=some value\r\n"},
        ParseCase{"KeyBeforeAnySectionIgnored", "x=1\n[A]\ny=2\n", "[A]\r\ny=2\r\n"},
        ParseCase{"MalformedLinesSkipped", "[A]\ngarbage\n=novalue\nx=1\n[\n]\n", "[A]\r\nx=1\r\n"},
        ParseCase{"KeysUnderMalformedHeaderDropped", "[A]\nx=1\n[B\ny=2\n[]\nz=3\n",
                  "[A]\r\nx=1\r\n"},
        ParseCase{"RepeatedKeyKeepsFirst", "[A]\nx=1\nX=2\n", "[A]\r\nx=1\r\n"},
        ParseCase{"RepeatedSectionContinuesFirst", "[A]\nx=1\n[B]\n[a]\ny=2\n",
                  "[A]\r\nx=1\r\ny=2\r\n[B]\r\n"},
        ParseCase{"ValueMayHoldEqualsAndSemicolon", "[A]\nx=a=b;c\n", "[A]\r\nx=a=b;c\r\n"},
        ParseCase{"EmptyValue", "[A]\nx=\n", "[A]\r\nx=\r\n"},
        ParseCase{"StrayCarriageReturnInValueRemoved", "[A]\nx=a\rb\n", "[A]\r\nx=ab\r\n"},
        ParseCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[A]\nx=1\n", "[A]\r\nx=1\r\n"},
        ParseCase{"TextAfterHeaderIgnored", "[A] trailing\nx=1\n", "[A]\r\nx=1\r\n"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(IniDocumentTest, SetRefusesNamesThatWouldNotReadBackTheSame) {
    const struct {
        const char* section;
        const char* key;
    } refused[] = {{"", "k"},    {"S", ""},    {" S", "k"}, {"S", "k "}, {"S]", "k"},
                   {"S\n", "k"}, {"S", "a=b"}, {"S", "[k"}, {"S", ";k"}, {"S", "a\rb"}};
    for (const auto& name : refused) {
        IniDocument document;
        EXPECT_FALSE(document.Set(name.section, name.key, "v")) << name.section << "/" << name.key;
        EXPECT_TRUE(document.Empty());
    }
}

TEST(IniDocumentTest, LineBreaksInValueCannotInjectLines) {
    IniDocument document;
    ASSERT_TRUE(document.Set("S", "k", "v\r\n[Evil]\r\nx=1\n"));

    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_FALSE(reread.HasSection("Evil"));
    EXPECT_EQ(reread.Find("S", "k"), "v[Evil]x=1");
    ASSERT_EQ(reread.Sections().size(), 1u);
    EXPECT_EQ(reread.Sections()[0].entries.size(), 1u);
}

TEST(IniDocumentTest, RoundTripKeepsEveryEntry) {
    IniDocument document;
    document.Set("General", "Model Name", "RZ-150LX-HR");
    document.Set("Others", "Aberration Input Name 1", "[odd] ;name=with=signs");
    document.Set("Others", "Empty", "");
    document.Set("Comm", "Devices", "/dev/ttyUSB0:/dev/serial/by-id/usb-x");

    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_EQ(reread.Serialize(), document.Serialize());
    EXPECT_EQ(reread.Find("others", "aberration input name 1"), "[odd] ;name=with=signs");
}

TEST(IniDocumentTest, MergeOverwritesKnownKeysAndAppendsNewOnes) {
    IniDocument base = IniDocument::Parse("[A]\nx=1\ny=2\n[B]\nz=3\n");
    const IniDocument changes = IniDocument::Parse("[b]\nZ=4\n[C]\nw=5\n[A]\nv=6\n");
    base.Merge(changes);
    EXPECT_EQ(base.Serialize(), "[A]\r\nx=1\r\ny=2\r\nv=6\r\n[B]\r\nz=4\r\n[C]\r\nw=5\r\n");
}

// Whatever bytes a damaged file holds, parsing succeeds and what it gives
// writes and reads back unchanged.
TEST(IniDocumentTest, ArbitraryBytesParseToAStableDocument) {
    std::mt19937 generator(20240611);
    const std::string alphabet = "[]=; \t\r\nabAB\xEF\xBB\xBF\x01";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 200);
    for (int round = 0; round < 2000; ++round) {
        std::string text(length(generator), ' ');
        for (char& c : text) {
            c = alphabet[pick(generator)];
        }
        const std::string once = IniDocument::Parse(text).Serialize();
        ASSERT_EQ(IniDocument::Parse(once).Serialize(), once) << "input: " << text;
    }
}

TEST(IniFileTest, MissingFileLoadsEmptyAndFolderFailsToLoad) {
    TemporaryFolder folder;
    const auto missing = IniDocument::Load(folder.Path() / "missing.ini");
    ASSERT_TRUE(missing.has_value());
    EXPECT_TRUE(missing->Empty());
    EXPECT_FALSE(IniDocument::Load(folder.Path()).has_value());
}

TEST(IniFileTest, SaveWritesCrLfText) {
    TemporaryFolder folder;
    const fs::path file = folder.Path() / "settings.cam";
    IniDocument document;
    document.Set("Gain", "Master Gain", "100");

    ASSERT_TRUE(document.SaveAtomically(file));
    EXPECT_EQ(ReadFile(file), "[Gain]\r\nMaster Gain=100\r\n");
    EXPECT_EQ(IniDocument::Load(file)->Find("gain", "master gain"), "100");
}

TEST(IniFileTest, FailedSaveLeavesOldFileAndNoTemporaryFile) {
    TemporaryFolder folder;
    IniDocument document;
    document.Set("A", "x", "new");

    // A folder where the file should be: the rename cannot replace it.
    const fs::path blocked = folder.Path() / "blocked.ini";
    fs::create_directory(blocked);
    WriteFile(blocked / "inside", "old");
    EXPECT_FALSE(document.SaveAtomically(blocked));
    EXPECT_EQ(ReadFile(blocked / "inside"), "old");
    EXPECT_EQ(EntryCount(folder), 1u);

    // A regular file where the folder should be: nothing can be created.
    WriteFile(folder.Path() / "plain", "old");
    EXPECT_FALSE(document.SaveAtomically(folder.Path() / "plain" / "x.ini"));
    EXPECT_EQ(ReadFile(folder.Path() / "plain"), "old");
    EXPECT_EQ(EntryCount(folder), 2u);
}

TEST(IniFileTest, ReplacementKeepsPermissionsAndSymbolicLink) {
    TemporaryFolder folder;
    const fs::path real = folder.Path() / "real.ini";
    const fs::path link = folder.Path() / "link.ini";
    WriteFile(real, "[A]\r\nx=old\r\n");
    ::chmod(real.c_str(), 0600);
    fs::create_symlink(real, link);
    IniDocument document;
    document.Set("A", "x", "new");

    ASSERT_TRUE(document.SaveAtomically(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "[A]\r\nx=new\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(EntryCount(folder), 2u);
}

}  // namespace
}  // namespace xkiv
