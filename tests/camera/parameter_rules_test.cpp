// Checks the evaluation of conditions and bounds and the lookups over the parameter table.
#include "camera/parameter_table.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace xkiv {
namespace {

// Current values as 80 integers and 80 texts. Reading a row outside the table throws, so a
// lookup that lets such a row through fails its test.
class TestValues : public ParameterValues {
public:
    std::int32_t Value(int row) const override { return values_.at(row); }
    const std::string& Text(int row) const override { return texts_.at(row); }

    TestValues& Set(int row, std::int32_t value) {
        values_.at(row) = value;
        return *this;
    }
    TestValues& SetText(int row, std::string text) {
        texts_.at(row) = std::move(text);
        return *this;
    }
    TestValues& Camera(std::string model, std::int32_t firmware) {
        return SetText(row::MD, std::move(model)).Set(row::VN, firmware);
    }
    // A camera with the aberration rows, moving average on.
    TestValues& AberrationOn() { return Camera("RZ-130LX", 22).Set(row::MAV, 1); }

private:
    std::array<std::int32_t, kParameterCount> values_{};
    std::array<std::string, kParameterCount> texts_;
};

// ---- Conditions and rules ---------------------------------------------------------------------

// An operation number outside the list.
constexpr ConditionOp Unlisted(std::int32_t op) {
    return static_cast<ConditionOp>(op);
}

struct OpCase {
    ConditionOp op;
    std::int32_t value;
    std::int32_t operand;
    bool expected;
};

TEST(ParameterRules, IntegerOps) {
    const OpCase cases[] = {
        {ConditionOp::True, 5, 0, true},      {ConditionOp::False, 5, 5, false},
        {ConditionOp::Equals, 5, 5, true},    {ConditionOp::Equals, 5, 6, false},
        {ConditionOp::Differs, 5, 6, true},   {ConditionOp::Differs, 5, 5, false},
        {ConditionOp::Less, -1, 0, true},     {ConditionOp::Less, 0, 0, false},
        {ConditionOp::AtMost, 0, 0, true},    {ConditionOp::AtMost, 1, 0, false},
        {ConditionOp::Greater, 1, 0, true},   {ConditionOp::Greater, 0, 0, false},
        {ConditionOp::AtLeast, 0, 0, true},   {ConditionOp::AtLeast, -5, -4, false},
        {ConditionOp::NoBitSet, 4, 3, true},  {ConditionOp::NoBitSet, 6, 3, false},
        {ConditionOp::AnyBitSet, 6, 3, true}, {ConditionOp::AnyBitSet, 4, 3, false},
        {Unlisted(99), 6, 3, true},           {Unlisted(99), 4, 3, false},
        {Unlisted(-7), 6, 2, true},           {ConditionOp::Less, INT_MIN, INT_MAX, true},
    };
    for (const OpCase& c : cases) {
        const ConditionNode node{c.op, row::AL, c.operand, nullptr, nullptr, nullptr};
        EXPECT_EQ(Evaluate(&node, TestValues().Set(row::AL, c.value)), c.expected)
            << "op " << static_cast<int>(c.op) << " value " << c.value << " operand " << c.operand;
    }
    EXPECT_TRUE(Evaluate(static_cast<const ConditionNode*>(nullptr), TestValues()));
}

TEST(ParameterRules, RowComparisonAndTextOps) {
    TestValues values;
    values.Set(row::KPR, 7).Set(row::KPG, 7).Set(row::KPB, 8).SetText(row::MD, "RZ-130LX");
    values.Set(row::TR, 2);
    const ConditionNode sameRows{
        ConditionOp::RowEquals, row::KPR, row::KPG, nullptr, nullptr, nullptr};
    const ConditionNode otherRows{
        ConditionOp::RowEquals, row::KPR, row::KPB, nullptr, nullptr, nullptr};
    const ConditionNode differentRows{
        ConditionOp::RowDiffers, row::KPR, row::KPB, nullptr, nullptr, nullptr};
    EXPECT_TRUE(Evaluate(&sameRows, values));
    EXPECT_FALSE(Evaluate(&otherRows, values));
    EXPECT_TRUE(Evaluate(&differentRows, values));

    const ConditionNode model{ConditionOp::TextEquals, row::MD, 0, "RZ-130LX", nullptr, nullptr};
    const ConditionNode modelLower{
        ConditionOp::TextEquals, row::MD, 0, "rz-130lx", nullptr, nullptr};
    const ConditionNode notModel{
        ConditionOp::TextDiffers, row::MD, 0, "RZ-130LX", nullptr, nullptr};
    const ConditionNode triggerName{ConditionOp::TextEquals, row::TR, 0, "PWC", nullptr, nullptr};
    EXPECT_TRUE(Evaluate(&model, values));
    EXPECT_FALSE(Evaluate(&modelLower, values));
    EXPECT_FALSE(Evaluate(&notModel, values));
    EXPECT_TRUE(Evaluate(&triggerName, values));
}

TEST(ParameterRules, LogicalOps) {
    const ConditionNode yes{ConditionOp::True, 0, 0, nullptr, nullptr, nullptr};
    const ConditionNode no{ConditionOp::False, 0, 0, nullptr, nullptr, nullptr};
    const TestValues values;
    const struct {
        ConditionNode node;
        bool expected;
    } cases[] = {
        {{ConditionOp::Not, 0, 0, nullptr, &no, nullptr}, true},
        {{ConditionOp::Not, 0, 0, nullptr, &yes, nullptr}, false},
        {{ConditionOp::Or, 0, 0, nullptr, &no, &yes}, true},
        {{ConditionOp::Or, 0, 0, nullptr, &no, &no}, false},
        {{ConditionOp::And, 0, 0, nullptr, &yes, &yes}, true},
        {{ConditionOp::And, 0, 0, nullptr, &yes, &no}, false},
        {{ConditionOp::Not, 0, 0, nullptr, nullptr, nullptr}, false},
        {{ConditionOp::And, 0, 0, nullptr, nullptr, nullptr}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Evaluate(&c.node, values), c.expected) << "op " << static_cast<int>(c.node.op);
    }
}

TEST(ParameterRules, RangeRuleWalksItsBranches) {
    const ConditionNode yes{ConditionOp::True, 0, 0, nullptr, nullptr, nullptr};
    const ConditionNode no{ConditionOp::False, 0, 0, nullptr, nullptr, nullptr};
    const RangeRule leafTrue{&yes, 11, 12, nullptr, nullptr};
    const RangeRule leafFalse{&no, 21, 22, nullptr, nullptr};
    const RangeRule noCondition{nullptr, 31, 32, &leafFalse, &leafFalse};
    const RangeRule toTrueBranch{&yes, 41, 42, &leafFalse, &leafTrue};
    const RangeRule toFalseBranch{&no, 51, 52, &leafFalse, &leafTrue};
    const TestValues values;
    EXPECT_EQ(Evaluate(static_cast<const RangeRule*>(nullptr), values), 0);
    EXPECT_EQ(Evaluate(&leafTrue, values), 11);
    EXPECT_EQ(Evaluate(&leafFalse, values), 22);
    EXPECT_EQ(Evaluate(&noCondition, values), 31);
    EXPECT_EQ(Evaluate(&toTrueBranch, values), 22);
    EXPECT_EQ(Evaluate(&toFalseBranch, values), 11);
}

// ---- Bounds by model and mode -----------------------------------------------------------------

struct ModelBoundsCase {
    const char* model;
    std::int32_t sro;
    std::int32_t lineRateMin;
    std::int32_t lineRateMax;
    std::int32_t exposureMax;
};

TEST(ParameterRules, LineRateAndExposureBoundsByModel) {
    const ModelBoundsCase cases[] = {
        {"RZ-130LX", 0, 2633, 1347584, 1056720},    {"RZ-130LX", 1, 1609, 823296, 1056720},
        {"RZ-150LX-HR", 0, 5238, 1201920, 1194752}, {"RZ-150LX-HR", 2, 3190, 597376, 1194752},
        {"RZ-130LX-FS", 0, 2500, 1280000, 1279560}, {"RZ-130LX-FS", 1, 1476, 755713, 1279560},
        {"RZ-150LX", 0, 4944, 1201920, 1194752},    {"RZ-150LX", 1, 2921, 597376, 1194752},
        {"RZ-999", 0, 4944, 1201920, 1194752},      {"", -1, 2921, 597376, 1194752},
        {"rz-130lx", 0, 4944, 1201920, 1194752},
    };
    for (const ModelBoundsCase& c : cases) {
        TestValues values;
        values.Camera(c.model, 100).Set(row::SRO, c.sro);
        EXPECT_EQ(EffectiveMinimum(row::LR, false, values), c.lineRateMin) << c.model << c.sro;
        EXPECT_EQ(EffectiveMaximum(row::LR, false, values), c.lineRateMax) << c.model << c.sro;
        for (int row : {row::PER, row::PEG, row::PEB}) {
            EXPECT_EQ(EffectiveMinimum(row, false, values), 800) << c.model;
            EXPECT_EQ(EffectiveMaximum(row, false, values), c.exposureMax) << c.model;
        }
    }
}

struct ModeBoundsCase {
    int row;
    int modeRow;
    std::int32_t mode;
    std::int32_t minimum;
    std::int32_t maximum;
};

TEST(ParameterRules, GainAndBlackLevelBoundsByMode) {
    const ModeBoundsCase cases[] = {
        {row::GA, row::GM, 0, 0, 802},     {row::GA, row::GM, 1, -402, 1404},
        {row::GAR, row::GM, 0, -402, 602}, {row::GAR, row::GM, 1, -402, 1404},
        {row::GAB, row::GM, 0, -402, 602}, {row::GAB, row::GM, 5, -402, 1404},
        {row::BL, row::BLM, 0, 0, 127},    {row::BL, row::BLM, 1, 0, 127},
        {row::BLR, row::BLM, 0, -64, 63},  {row::BLR, row::BLM, 1, 0, 127},
        {row::BLB, row::BLM, 0, -64, 63},  {row::BLB, row::BLM, -1, 0, 127},
    };
    for (const ModeBoundsCase& c : cases) {
        // The other mode row set the other way shows the rule reads the right one.
        TestValues values;
        values.Set(c.modeRow, c.mode).Set(c.modeRow == row::GM ? row::BLM : row::GM, 1 - c.mode);
        EXPECT_EQ(EffectiveMinimum(c.row, false, values), c.minimum) << Mnemonic(c.row) << c.mode;
        EXPECT_EQ(EffectiveMaximum(c.row, false, values), c.maximum) << Mnemonic(c.row) << c.mode;
    }
}

// ---- Support and enable conditions ------------------------------------------------------------

struct SupportCase {
    const char* model;
    std::int32_t firmware;
    bool cable;
    bool aberration;
};

TEST(ParameterRules, SupportAtEachFirmwareBoundary) {
    const SupportCase cases[] = {
        {"RZ-130LX", 15, false, false},     {"RZ-130LX", 16, true, false},
        {"RZ-130LX", 21, true, false},      {"RZ-130LX", 22, true, true},
        {"RZ-130LX-FS", 7, false, false},   {"RZ-130LX-FS", 8, false, true},
        {"RZ-130LX-FS", 167, false, true},  {"RZ-130LX-FS", 168, true, true},
        {"RZ-150LX", 55, false, false},     {"RZ-150LX", 56, true, false},
        {"RZ-150LX", 62, true, false},      {"RZ-150LX", 63, true, true},
        {"RZ-150LX-HR", 167, false, false}, {"RZ-150LX-HR", 168, true, false},
        {"RZ-150LX-HR", 999, true, false},  {"RZ-150LX-HR", INT_MAX, true, false},
        {"RZ-999", 999, false, false},      {"RZ-130LX ", 999, false, false},
    };
    for (const SupportCase& c : cases) {
        TestValues values;
        values.Camera(c.model, c.firmware);
        const std::string where = std::string(c.model) + " VN " + std::to_string(c.firmware);
        EXPECT_EQ(Evaluate(&kCableSupport, values), c.cable) << where;
        EXPECT_EQ(Evaluate(&kAberrationSupport, values), c.aberration) << where;
        EXPECT_EQ(IsSupported(row::SCB, values), c.cable) << where;
        EXPECT_EQ(IsSupported(row::HPFC, values), c.cable) << where;
        for (int row = row::MAV; row <= row::CABTB; ++row) {
            if (row != row::HPFC) {
                EXPECT_EQ(IsSupported(row, values), c.aberration) << where << " " << row;
            }
        }
        // Rows that do not depend on the model are supported whatever it is.
        EXPECT_TRUE(IsSupported(row::LR, values)) << where;
        EXPECT_TRUE(IsSupported(row::EepromArea, values)) << where;
    }
}

TEST(ParameterRules, AberrationOnNeedsSupportAndMovingAverage) {
    EXPECT_TRUE(Evaluate(&kAberrationOn, TestValues().AberrationOn()));
    EXPECT_FALSE(Evaluate(&kAberrationOn, TestValues().AberrationOn().Set(row::MAV, 0)));
    EXPECT_FALSE(Evaluate(&kAberrationOn, TestValues().AberrationOn().Set(row::MAV, 2)));
    EXPECT_FALSE(
        Evaluate(&kAberrationOn, TestValues().Camera("RZ-150LX-HR", 999).Set(row::MAV, 1)));
}

struct EnableCase {
    const char* what;
    int row;
    std::vector<std::pair<int, std::int32_t>> settings;
    bool expected;
};

TEST(ParameterRules, EnableConditions) {
    const EnableCase cases[] = {
        {"TG, no shutter", row::TG, {{row::TR, 0}}, true},
        {"TG, shutter select", row::TG, {{row::TR, 1}}, true},
        {"TG, PWC", row::TG, {{row::TR, 2}}, false},
        {"LR, internal", row::LR, {{row::TG, 0}}, true},
        {"LR, external", row::LR, {{row::TG, 1}}, false},
        {"AR, external", row::AR, {{row::TG, 1}}, false},
        {"EI, shutter select", row::EI, {{row::TR, 1}}, true},
        {"EI, PWC", row::EI, {{row::TR, 2}}, false},
        {"PER, individual", row::PER, {{row::TR, 1}, {row::EI, 0}}, true},
        {"PEB, interlocked", row::PEB, {{row::TR, 1}, {row::EI, 1}}, false},
        {"PEB, no shutter", row::PEB, {{row::TR, 0}, {row::EI, 0}}, false},
        {"PEG, interlocked", row::PEG, {{row::TR, 1}, {row::EI, 1}}, true},
        {"AH, no shutter", row::AH, {{row::TR, 0}}, false},
        {"AW, one push", row::AW, {{row::WB, 0}}, true},
        {"AW, 4000K", row::AW, {{row::WB, 1}}, false},
        {"KSR, knee on", row::KSR, {{row::KN, 1}}, true},
        {"KPB, knee off", row::KPB, {{row::KN, 0}}, false},
        {"shading type, user", row::ShadingType, {{row::SDC, 2}}, true},
        {"SDR, factory", row::SDR, {{row::SDC, 1}}, false},
        {"PGR, user", row::PGR, {{row::PGC, 2}}, true},
        {"PGR, off", row::PGR, {{row::PGC, 0}}, false},
        {"PBR, user", row::PBR, {{row::PBC, 2}}, true},
        {"PBR, factory", row::PBR, {{row::PBC, 1}}, false},
        {"SA, factory area", row::SA, {{row::EepromArea, 0}}, false},
        {"SA, user area", row::SA, {{row::EepromArea, 2}}, true},
        {"LD, factory area", row::LD, {{row::EepromArea, 0}}, true},
        {"GA always", row::GA, {}, true},
    };
    for (const EnableCase& c : cases) {
        TestValues values;
        for (const auto& [row, value] : c.settings) {
            values.Set(row, value);
        }
        EXPECT_EQ(IsEnabled(c.row, values), c.expected) << c.what;
    }
}

TEST(ParameterRules, AberrationRowsEnableByLeftSide) {
    struct Case {
        std::int32_t left;
        bool area, second, third;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, true, false, false}, {-1, true, false, false},
        {2, true, true, false},   {-2, true, true, false}, {3, true, true, true},
        {-3, true, true, true},   {4, true, false, false},
    };
    for (const Case& c : cases) {
        TestValues red;
        red.AberrationOn().Set(row::CABLR, c.left);
        EXPECT_EQ(IsEnabled(row::CABAR, red), c.area) << c.left;
        EXPECT_EQ(IsEnabled(row::CABSR, red), c.second) << c.left;
        EXPECT_EQ(IsEnabled(row::CABTR, red), c.third) << c.left;
        EXPECT_FALSE(IsEnabled(row::CABAB, red)) << c.left;

        TestValues blue;
        blue.AberrationOn().Set(row::CABLB, c.left);
        EXPECT_EQ(IsEnabled(row::CABAB, blue), c.area) << c.left;
        EXPECT_EQ(IsEnabled(row::CABSB, blue), c.second) << c.left;
        EXPECT_EQ(IsEnabled(row::CABTB, blue), c.third) << c.left;
        EXPECT_FALSE(IsEnabled(row::CABTR, blue)) << c.left;
    }
    TestValues off;
    off.AberrationOn().Set(row::MAV, 0).Set(row::CABLR, 3);
    EXPECT_FALSE(IsEnabled(row::CABTR, off));
    EXPECT_FALSE(IsEnabled(row::MAVCG, off));
    EXPECT_TRUE(IsEnabled(row::MAV, off));
}

// ---- Bounds of the aberration detail rows -----------------------------------------------------

struct DetailCase {
    std::int32_t left, area, second, third;
    std::int32_t areaMin, secondMin, secondMax, thirdMax;
};

TEST(ParameterRules, AberrationDetailBounds) {
    const DetailCase cases[] = {
        {0, 8, 5, 2, 1, 1, 7, 6},
        {-1, 8, 5, 2, 1, 1, 7, 6},
        {2, 8, 5, 2, 6, 1, 7, 6},
        {-2, 4, 5, 2, 6, 1, 3, 6},
        {3, 8, 5, 2, 6, 3, 7, 4},
        {-3, 6, 4, 1, 5, 2, 5, 3},
        // Values outside 1..8 fall back to the widest bound.
        {3, 1, 8, 8, 1, 1, 7, 7},
        {3, 0, 0, 0, 1, 1, 7, 6},
        {INT_MIN, INT_MAX, INT_MAX, INT_MAX, 1, 1, 7, 6},
        {3, INT_MIN, INT_MIN, INT_MIN, 1, 1, 7, 6},
    };
    for (const DetailCase& c : cases) {
        for (int colour = 0; colour < 2; ++colour) {
            TestValues values;
            values.Set(row::CABLR + colour, c.left)
                .Set(row::CABAR + colour, c.area)
                .Set(row::CABSR + colour, c.second)
                .Set(row::CABTR + colour, c.third);
            // The other colour's rows hold values that would change the result if read.
            values.Set(row::CABLB - colour, 3).Set(row::CABSB - colour, 2);
            const std::string where = "colour " + std::to_string(colour) + " left " +
                                      std::to_string(c.left) + " area " + std::to_string(c.area);
            for (bool byList : {false, true}) {
                EXPECT_EQ(EffectiveMinimum(row::CABAR + colour, byList, values), c.areaMin)
                    << where;
                EXPECT_EQ(EffectiveMaximum(row::CABAR + colour, byList, values), 8) << where;
                EXPECT_EQ(EffectiveMinimum(row::CABSR + colour, byList, values), c.secondMin)
                    << where;
                EXPECT_EQ(EffectiveMaximum(row::CABSR + colour, byList, values), c.secondMax)
                    << where;
                EXPECT_EQ(EffectiveMinimum(row::CABTR + colour, byList, values), 1) << where;
                EXPECT_EQ(EffectiveMaximum(row::CABTR + colour, byList, values), c.thirdMax)
                    << where;
            }
        }
    }
    for (int row = 0; row < kParameterCount; ++row) {
        EXPECT_EQ(HasSpecialBounds(row), row >= row::CABAR && row <= row::CABTB) << row;
    }
}

// ---- Value names and texts --------------------------------------------------------------------

struct ListBoundsCase {
    int row;
    std::int32_t fixedMin, fixedMax, listMax;
};

TEST(ParameterRules, BoundsByValueOrByListPosition) {
    const ListBoundsCase cases[] = {
        {row::TS, 0, 4, 4},   {row::ARST, 0, 1, 2}, {row::CABLR, -3, 3, 6},
        {row::AHRS, 0, 4, 4}, {row::WB, 0, 3, 3},   {row::EepromArea, 0, 2, 2},
    };
    const TestValues values;
    for (const ListBoundsCase& c : cases) {
        EXPECT_EQ(EffectiveMinimum(c.row, false, values), c.fixedMin) << Mnemonic(c.row);
        EXPECT_EQ(EffectiveMaximum(c.row, false, values), c.fixedMax) << Mnemonic(c.row);
        EXPECT_EQ(EffectiveMinimum(c.row, true, values), 0) << Mnemonic(c.row);
        EXPECT_EQ(EffectiveMaximum(c.row, true, values), c.listMax) << Mnemonic(c.row);
    }
    // A row without names keeps its value bounds when asked by position.
    EXPECT_EQ(EffectiveMinimum(row::AL, true, values), 0);
    EXPECT_EQ(EffectiveMaximum(row::AL, true, values), 1023);
    EXPECT_EQ(EffectiveMaximum(row::GA, true, values), 802);
}

TEST(ParameterRules, ValueNameLookups) {
    const TestValues values;
    EXPECT_EQ(OfferedValueNameCount(row::CABLR, values), 7);
    EXPECT_EQ(PositionOfValue(row::CABLR, -1, values), 2);
    EXPECT_EQ(PositionOfValue(row::CABLR, 3, values), 6);
    EXPECT_EQ(PositionOfValue(row::CABLR, 4, values), -1);
    EXPECT_EQ(ValueAtPosition(row::CABLR, 0, values), -3);
    EXPECT_EQ(ValueAtPosition(row::CABLR, 6, values), 3);
    EXPECT_EQ(ValueAtPosition(row::CABLR, 7, values), -1);
    EXPECT_EQ(ValueAtPosition(row::CABLR, -1, values), -1);
    EXPECT_EQ(ValueNameAt(row::TP, 1, values), "Acitve High");
    EXPECT_EQ(ValueNameAt(row::TP, 2, values), "");
    EXPECT_EQ(ValueNameAt(row::TP, -1, values), "");
    EXPECT_EQ(ValueNameOf(row::WB, 2, values), "4600K");
    EXPECT_EQ(ValueNameOf(row::WB, 4, values), "");
    EXPECT_EQ(ValueNameOf(row::CABLB, -2, values), "L2");
    // Rows without names have none to offer.
    EXPECT_EQ(OfferedValueNameCount(row::LR, values), 0);
    EXPECT_EQ(PositionOfValue(row::LR, 0, values), -1);
    EXPECT_EQ(ValueAtPosition(row::LR, 0, values), -1);
    EXPECT_EQ(ValueNameOf(row::LR, 0, values), "");
}

TEST(ParameterRules, DisplayText) {
    TestValues values;
    values.SetText(row::CABN2, "Lens B").Set(row::CABN2, 1).Set(row::TR, 2).Set(row::TS, 9);
    EXPECT_EQ(DisplayText(row::CABN2, values), "Lens B");
    EXPECT_EQ(DisplayText(row::TR, values), "PWC");
    EXPECT_EQ(DisplayText(row::TS, values), "");
    EXPECT_EQ(DisplayText(row::LR, values.SetText(row::LR, "ignored")), "");
    EXPECT_EQ(Mnemonic(row::MAVCG), "MAVCG");
    EXPECT_EQ(Mnemonic(row::ShadingType), "");
}

struct DescriptionCase {
    int row;
    std::vector<std::pair<int, std::int32_t>> settings;
    const char* expected;
};

TEST(ParameterRules, RangeDescriptions) {
    const DescriptionCase cases[] = {
        {row::TR, {}, "Trigger Mode: No Shutter, Shutter Select or PWC."},
        {row::TP, {}, "Trigger Polarity: Active Low or Acitve High."},
        {row::UD, {}, "User ID."},
        {row::EA, {}, "Power Up Setting."},
        {row::CABR, {}, "Red Chromatic Aberration."},
        {row::BI, {}, "V Binning: Off or On."},
        {row::ARST, {}, "Auto Reset Mode: Off or Auto Reset."},
        {row::CABLR, {}, "Aberration Left Red: L3, L2, L1, 0, R1, R2 or R3."},
        {row::EepromArea, {}, "EEPROM Area: Factory Area, User1 Area or User2 Area."},
        {row::MD, {}, "Model Name, in 12 chracters."},
        {row::CABN1, {}, "Aberration Input Name 1, in 16 chracters."},
        {row::AL, {}, "Line Rate Reference, from 0 to 1023."},
        {row::LR, {}, "Line Rate, from 4944 to 1201920."},
        {row::LR, {{row::SRO, 1}}, "Line Rate, from 2921 to 597376."},
        {row::GA, {{row::GM, 1}}, "Master Gain, from -402 to 1404."},
        {row::CABSR,
         {{row::CABLR, 3}, {row::CABAR, 6}, {row::CABTR, 2}},
         "Aberration Second Pixel Red, from 3 to 5."},
    };
    for (const DescriptionCase& c : cases) {
        TestValues values;
        for (const auto& [row, value] : c.settings) {
            values.Set(row, value);
        }
        EXPECT_EQ(RangeDescription(c.row, values), c.expected);
    }
    TestValues model;
    model.Camera("RZ-130LX", 22);
    EXPECT_EQ(RangeDescription(row::LR, model), "Line Rate, from 2633 to 1347584.");
}

// Row numbers reach the table from the automation interface; any of them must be harmless.
TEST(ParameterRules, RowsOutsideTheTableAreAbsent) {
    const TestValues values;
    for (int row : {-1, kParameterCount, 1000, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(IsValidRow(row));
        EXPECT_EQ(Entry(row).flags, 0u);
        EXPECT_STREQ(Entry(row).mnemonic, "");
        EXPECT_FALSE(HasFlag(row, PF_READABLE));
        EXPECT_FALSE(IsSupported(row, values));
        EXPECT_FALSE(IsEnabled(row, values));
        EXPECT_FALSE(HasSpecialBounds(row));
        EXPECT_EQ(EffectiveMinimum(row, false, values), 0);
        EXPECT_EQ(EffectiveMaximum(row, false, values), 0);
        EXPECT_EQ(EffectiveMaximum(row, true, values), 0);
        EXPECT_EQ(OfferedValueNameCount(row, values), 0);
        EXPECT_EQ(PositionOfValue(row, 0, values), -1);
        EXPECT_EQ(ValueAtPosition(row, 0, values), -1);
        EXPECT_EQ(ValueNameAt(row, 0, values), "");
        EXPECT_EQ(ValueNameOf(row, 0, values), "");
        EXPECT_EQ(Mnemonic(row), "");
        EXPECT_EQ(DisplayText(row, values), "");
        EXPECT_EQ(RangeDescription(row, values), "");
    }
    // A condition naming such a row reads it as 0 instead of asking the values.
    const ConditionNode farRow{ConditionOp::Equals, 500, 0, nullptr, nullptr, nullptr};
    const ConditionNode farOperandRow{
        ConditionOp::RowEquals, row::AL, -5, nullptr, nullptr, nullptr};
    const ConditionNode farText{ConditionOp::TextDiffers, -1, 0, "", nullptr, nullptr};
    EXPECT_TRUE(Evaluate(&farRow, values));
    EXPECT_TRUE(Evaluate(&farOperandRow, values));
    EXPECT_FALSE(Evaluate(&farText, values));
    EXPECT_TRUE(HasFlag(row::MD, PF_STRING | PF_PROFILE));
    EXPECT_FALSE(HasFlag(row::UD, PF_STRING | PF_PROFILE));
}

// Each model's row of the model table is what the rules read: a fictitious
// model added to the table gets its bounds and features without a rule of
// its own, and a name outside the table has the RZ-150LX's bounds and no
// model-dependent feature.
TEST(ModelTable, EachRowDrivesTheBoundsAndFeatures) {
    for (const ModelEntry& model : kModels) {
        TestValues values;
        values.Camera(model.name, 999);
        const std::string where = model.name;
        EXPECT_EQ(EffectiveMinimum(row::LR, false, values), model.lineRateMinimumFull) << where;
        EXPECT_EQ(EffectiveMaximum(row::LR, false, values), model.lineRateMaximumFull) << where;
        EXPECT_EQ(EffectiveMaximum(row::PER, false, values), model.exposureMaximum) << where;
        EXPECT_LE(model.exposureMaximum, Entry(row::PER).maximum) << where;
        EXPECT_LE(model.lineRateMaximumFull, Entry(row::LR).maximum) << where;
        values.Set(row::SRO, 1);
        EXPECT_EQ(EffectiveMinimum(row::LR, false, values), model.lineRateMinimumPartial) << where;
        EXPECT_EQ(EffectiveMaximum(row::LR, false, values), model.lineRateMaximumPartial) << where;
        EXPECT_STREQ(model.family, kModelFamily) << where;
        for (const auto& [condition, from] :
             {std::pair{&kCableSupport, model.cableFromFirmware},
              std::pair{&kAberrationSupport, model.aberrationFromFirmware}}) {
            values.Set(row::VN, from - 1);
            EXPECT_FALSE(Evaluate(condition, values)) << where << " VN " << from - 1;
            values.Set(row::VN, from);
            EXPECT_EQ(Evaluate(condition, values), from != kNeverFirmware) << where;
        }
    }
    TestValues unknown;
    unknown.Camera("RZ-999", 999);
    EXPECT_EQ(EffectiveMaximum(row::PER, false, unknown),
              BoundsOfModel("RZ-150LX").exposureMaximum);
    EXPECT_EQ(EffectiveMinimum(row::LR, false, unknown),
              BoundsOfModel("RZ-150LX").lineRateMinimumFull);
    EXPECT_FALSE(Evaluate(&kCableSupport, unknown));
}

// The texts written for people list the models by hand: the README's first
// paragraph, the software centre's description and the package's. Each list
// (in brackets, from the first model on, "and" before the last or not) names
// exactly the rows of the model table, in order.
TEST(ModelTable, TextsThatListTheModelsNameEveryRow) {
    std::vector<std::string> expected;
    for (const ModelEntry& model : kModels) {
        expected.emplace_back(model.name);
    }
    for (const char* file :
         {"README.md", "packaging/tarnview.metainfo.xml.in", "packaging/cpack.cmake"}) {
        std::ifstream in(std::string(XKIV_SOURCE_DIR) + "/" + file);
        std::string flat;
        for (char c; in.get(c);) {
            const bool blank = c == ' ' || c == '\n' || c == '\t';
            if (!blank || (!flat.empty() && flat.back() != ' ')) {
                flat += blank ? ' ' : c;
            }
        }
        const std::size_t open = flat.find("(" + expected.front());
        const std::size_t close = flat.find(')', open);
        ASSERT_NE(close, std::string::npos) << file;
        std::string names = flat.substr(open + 1, close - open - 1);
        for (std::size_t at = names.find(" and "); at != std::string::npos;
             at = names.find(" and ")) {
            names.replace(at, 5, ", ");
        }
        std::vector<std::string> listed;
        std::stringstream split(names);
        for (std::string name; std::getline(split, name, ',');) {
            listed.push_back(name.substr(name.find_first_not_of(' ')));
        }
        EXPECT_EQ(listed, expected) << file;
    }
}

}  // namespace
}  // namespace xkiv
