// Checks the constant data of the parameter table: flags, bounds, value names, time-outs, keys.
#include "camera/parameter_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace xkiv {
namespace {

int RowOf(const std::string& mnemonic) {
    for (int row = 0; row < kParameterCount; ++row) {
        if (mnemonic == kParameterTable[row].mnemonic) {
            return row;
        }
    }
    return -1;
}

TEST(ParameterTable, MnemonicsAreUniqueAndOnlyLocalRowsHaveNone) {
    std::set<std::string> seen;
    for (int row = 0; row < kParameterCount; ++row) {
        const std::string mnemonic = kParameterTable[row].mnemonic;
        if (row == row::ShadingType || row == row::EepromArea) {
            EXPECT_EQ(mnemonic, "") << row;
        } else {
            EXPECT_TRUE(seen.insert(mnemonic).second) << mnemonic;
        }
    }
    EXPECT_EQ(RowOf("MAVCG"), 61);
    EXPECT_EQ(RowOf("CABTB"), 75);
}

struct FlagCase {
    const char* mnemonic;
    std::uint32_t flags;
};

TEST(ParameterTable, FlagsOfSampleRows) {
    const FlagCase cases[] = {
        {"EB", 0x01000006},    {"ST", 0x80000002},    {"VN", 0x00000102},    {"ID", 0x00000103},
        {"MD", 0x00000703},    {"UD", 0x00000107},    {"ULCK", 0x01000004},  {"SRO", 0x00000706},
        {"LR", 0x00000306},    {"AR", 0x00000004},    {"AHRS", 0x00000002},  {"SCB", 0x0000030e},
        {"MAV", 0x0000071e},   {"MAVCG", 0x0000030e}, {"CABR", 0x0000000e},  {"HPFC", 0x0000031e},
        {"CABN2", 0x0000070f}, {"CABLB", 0x0000074e}, {"CABTB", 0x0000035e}, {"EA", 0x00000102},
        {"SA", 0x00000004},
    };
    for (const FlagCase& c : cases) {
        const int row = RowOf(c.mnemonic);
        ASSERT_GE(row, 0) << c.mnemonic;
        EXPECT_EQ(kParameterTable[row].flags, c.flags) << c.mnemonic;
    }
    EXPECT_EQ(kParameterTable[row::ShadingType].flags, PF_PROFILE);
    EXPECT_EQ(kParameterTable[row::EepromArea].flags, PF_PROFILE);
}

// The rows a bulk read covers follow from their flags alone.
TEST(ParameterTable, CameraDataRowsAreTheBulkSet) {
    const std::vector<std::string> expected = {
        "VN",    "PV",    "ID",    "MD",    "UD",    "BI",    "BA",    "TS",    "SRO",   "TR",
        "TG",    "TI",    "TP",    "ARST",  "LR",    "AL",    "EI",    "PER",   "PEG",   "PEB",
        "GM",    "GA",    "GAR",   "GAB",   "SGR",   "SGG",   "SGB",   "WB",    "BLM",   "BL",
        "BLR",   "BLB",   "KN",    "KSR",   "KSG",   "KSB",   "KPR",   "KPG",   "KPB",   "SDC",
        "PGC",   "PBC",   "NR",    "SCB",   "MAV",   "MAVCG", "HPFC",  "CABN1", "CABN2", "CABN3",
        "CABLR", "CABLB", "CABAR", "CABAB", "CABSR", "CABSB", "CABTR", "CABTB", "EA"};
    std::vector<std::string> bulk;
    for (const ParameterEntry& entry : kParameterTable) {
        if ((entry.flags & (PF_CAMERA_DATA | PF_READABLE)) == (PF_CAMERA_DATA | PF_READABLE) &&
            (entry.flags & PF_NO_BULK) == 0) {
            bulk.emplace_back(entry.mnemonic);
        }
    }
    EXPECT_EQ(bulk, expected);
}

struct RangeCase {
    int row;
    std::int32_t minimum;
    std::int32_t maximum;
};

TEST(ParameterTable, FixedBounds) {
    const RangeCase cases[] = {
        {row::EB, 0, 1},
        {row::ST, 0, 0},
        {row::VN, 0, 999},
        {row::ID, 0, 12},
        {row::MD, 0, 12},
        {row::UD, 0, 12},
        {row::ULCK, 0, 9999},
        {row::TS, 0, 4},
        {row::ARST, 0, 1},
        {row::LR, 0, 1347584},
        {row::AL, 0, 1023},
        {row::PER, 800, 1279560},
        {row::GA, 0, 1404},
        {row::BLR, 0, 127},
        {row::KSG, 0, 65535},
        {row::KPB, 0, 1023},
        {row::MAVCG, 0, 2},
        {row::CABR, -32768, 32768},
        {row::CABB, -32768, 32768},
        {row::CABN3, 0, 16},
        {row::CABLR, -3, 3},
        {row::CABLB, -3, 3},
        {row::CABAR, 1, 8},
        {row::CABSB, 1, 7},
        {row::CABTR, 1, 6},
        {row::WB, 0, 3},
        {row::EepromArea, 0, 2},
        {row::AR, 0, 0},
    };
    for (const RangeCase& c : cases) {
        EXPECT_EQ(kParameterTable[c.row].minimum, c.minimum) << kParameterTable[c.row].profile.key;
        EXPECT_EQ(kParameterTable[c.row].maximum, c.maximum) << kParameterTable[c.row].profile.key;
    }
}

TEST(ParameterTable, OnlyTheAberrationDetailRowsAreIndexedByTheFilterSelection) {
    for (int row = 0; row < kParameterCount; ++row) {
        const bool indexed = row >= row::CABLR && row <= row::CABTB;
        EXPECT_EQ((kParameterTable[row].flags & PF_INDEXED) != 0, indexed) << row;
        EXPECT_EQ(kParameterTable[row].indexRow, indexed ? row::MAVCG : 0) << row;
    }
}

struct TimeoutCase {
    int row;
    std::uint32_t write;
    std::uint32_t read;
};

TEST(ParameterTable, Timeouts) {
    const TimeoutCase cases[] = {
        {row::EB, 1000, 1000},
        {row::ST, 0, 1000},
        {row::MD, 0, 1000},
        {row::UD, 1000, 1000},
        {row::AR, 5000, 0},
        {row::AH, 5000, 0},
        {row::AW, 5000, 0},
        {row::AHRS, 0, 10000},
        {row::PBS, 0, 10000},
        {row::SDR, 20000, 0},
        {row::PGR, 60000, 0},
        {row::PBR, 60000, 0},
        {row::ShadingType, 1000, 1000},
        {row::EepromArea, 0, 0},
        {row::LD, 10000, 0},
        {row::SA, 20000, 0},
        {row::EA, 0, 1000},
        {row::CABTB, 1000, 1000},
    };
    for (const TimeoutCase& c : cases) {
        EXPECT_EQ(kParameterTable[c.row].writeTimeout, c.write)
            << kParameterTable[c.row].profile.key;
        EXPECT_EQ(kParameterTable[c.row].readTimeout, c.read) << kParameterTable[c.row].profile.key;
    }
}

using Names = std::vector<std::pair<std::int32_t, std::string>>;

struct NameListCase {
    Names names;
    std::vector<int> rows;
};

TEST(ParameterTable, ValueNameLists) {
    const NameListCase cases[] = {
        {{{0, "Off"}, {1, "On"}}, {row::BI, row::KN, row::NR, row::MAV, row::HPFC}},
        {{{0, "Off"}, {1, "Sub-Sampling"}, {2, "Windowing"}}, {row::SRO}},
        {{{0, "24 bits"}, {1, "30 bits"}}, {row::BA}},
        {{{0, "Off"}, {1, "Color Bar"}, {2, "Gray Pattern 1"}, {3, "Gray Pattern 2"}, {4, "White"}},
         {row::TS}},
        {{{0, "No Shutter"}, {1, "Shutter Select"}, {2, "PWC"}}, {row::TR}},
        {{{0, "Internal"}, {1, "External"}}, {row::TG}},
        {{{0, "Camera Link"}, {1, "Hirose 12pin"}}, {row::TI}},
        {{{0, "Active Low"}, {1, "Acitve High"}}, {row::TP}},
        {{{0, "Off"}, {1, "Auto Reset"}, {2, "Auto Interval"}}, {row::ARST}},
        {{{0, "Independent"}, {1, "Interlocked"}}, {row::EI}},
        {{{0, "Not Yet Finished"},
          {1, "Succeeded"},
          {2, "Too Bright"},
          {3, "Too Dark"},
          {4, "Time Out"}},
         {row::AHRS, row::AWRS, row::SDS, row::PGS, row::PBS}},
        {{{0, "Master Tracking"}, {1, "Individual"}}, {row::GM, row::BLM}},
        {{{0, "Low"}, {1, "High"}}, {row::SGR, row::SGG, row::SGB}},
        {{{0, "One Push AWB"}, {1, "4000K"}, {2, "4600K"}, {3, "5600K"}}, {row::WB}},
        {{{0, "Off"}, {1, "Factory Area"}, {2, "User Area"}}, {row::SDC, row::PGC, row::PBC}},
        {{{0, "Flat"}, {1, "Color"}}, {row::ShadingType, row::SDR}},
        {{{0, "1-5m"}, {1, "5-10m"}, {2, "10-15m"}}, {row::SCB}},
        {{{-3, "L3"}, {-2, "L2"}, {-1, "L1"}, {0, "0"}, {1, "R1"}, {2, "R2"}, {3, "R3"}},
         {row::CABLR, row::CABLB}},
        {{{0, "Factory Area"}, {1, "User1 Area"}, {2, "User2 Area"}},
         {row::EepromArea, row::LD, row::SA, row::EA}},
    };
    std::set<int> rowsWithNames;
    for (const NameListCase& c : cases) {
        for (int row : c.rows) {
            rowsWithNames.insert(row);
            const ParameterEntry& entry = kParameterTable[row];
            Names actual;
            for (int i = 0; i < entry.valueNameCount; ++i) {
                actual.emplace_back(entry.valueNames[i].value, entry.valueNames[i].name);
                ASSERT_NE(entry.valueNames[i].condition, nullptr);
                EXPECT_EQ(entry.valueNames[i].condition->op, ConditionOp::True);
            }
            EXPECT_EQ(actual, c.names) << kParameterTable[row].profile.key;
        }
    }
    for (int row = 0; row < kParameterCount; ++row) {
        if (rowsWithNames.count(row) == 0) {
            EXPECT_EQ(kParameterTable[row].valueNameCount, 0) << kParameterTable[row].profile.key;
        }
    }
}

TEST(ParameterTable, ProfileRowsAndTheirSectionsAndKeys) {
    using Key = std::pair<std::string, std::string>;
    std::vector<Key> expected = {{"General", "Model Name"}};
    const std::pair<const char*, std::vector<const char*>> sections[] = {
        {"Format", {"V Binning", "Bit Allocation", "Test Pattern", "Sensor Read Out"}},
        {"Trigger",
         {"Trigger Mode", "Trigger Origin", "Trigger Input", "Trigger Polarity",
          "Auto Reset Mode"}},
        {"Exposure",
         {"Line Rate", "Line Rate Reference", "Exposure Mode", "Exposure Red", "Exposure Green",
          "Exposure Blue"}},
        {"Gain",
         {"Gain Mode", "Master Gain", "Red Gain", "Blue Gain", "Red Sensor Gain",
          "Green Sensor Gain", "Blue Sensor Gain", "White Balance Mode", "Black Level Mode",
          "Master Black Level", "Red Black Level", "Blue Black Level", "Knee Mode",
          "Red Knee Slope", "Green Knee Slope", "Blue Knee Slope", "Red Knee Point",
          "Green Knee Point", "Blue Knee Point"}},
        {"Others",
         {"Shading Mode",
          "Shading Type",
          "Pixel Gain Mode",
          "Pixel Black Mode",
          "Noise Reduction",
          "Cable Selection",
          "Moving Average Control",
          "FIR Filter Selection",
          "APF Control",
          "Aberration Input Name 1",
          "Aberration Input Name 2",
          "Aberration Input Name 3",
          "Aberration Left Red",
          "Aberration Left Blue",
          "Aberration Area Red",
          "Aberration Area Blue",
          "Aberration Second Pixel Red",
          "Aberration Second Pixel Blue",
          "Aberration Third Pixel Red",
          "Aberration Third Pixel Blue"}},
        {"User Area", {"EEPROM Area"}},
    };
    for (const auto& [section, keys] : sections) {
        for (const char* key : keys) {
            expected.emplace_back(section, key);
        }
    }
    std::vector<Key> stored;
    for (int row = 0; row < kParameterCount; ++row) {
        if ((kParameterTable[row].flags & PF_PROFILE) != 0) {
            stored.emplace_back(kParameterTable[row].profile.section,
                                kParameterTable[row].profile.key);
        }
    }
    EXPECT_EQ(stored, expected);
}

TEST(ParameterTable, KeysOfRowsOutsideTheProfile) {
    const std::pair<int, std::pair<std::string, std::string>> cases[] = {
        {row::EB, {"General", "Echo"}},
        {row::ULCK, {"General", "Unlock"}},
        {row::UD, {"General", "User ID"}},
        {row::AR, {"Exposure", "One Push Line Rate Set"}},
        {row::AHRS, {"Exposure", "AWBS Result"}},
        {row::CABR, {"Others", "Red Chromatic Aberration"}},
        {row::PBR, {"Others", "Pixel Black One Push"}},
        {row::EA, {"User Area", "Power Up Setting"}},
    };
    for (const auto& [row, key] : cases) {
        EXPECT_EQ(kParameterTable[row].profile.section, key.first);
        EXPECT_EQ(kParameterTable[row].profile.key, key.second);
    }
}

}  // namespace
}  // namespace xkiv
