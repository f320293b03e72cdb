// The table of the camera's parameters and the rules evaluated over it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "camera/model_table.h"

namespace xkiv {

// Row numbers of the parameter table, named after their mnemonics. ShadingType
// and EepromArea have no mnemonic: they are local settings.
namespace row {
// Ten rows a line, so that row numbers can be read off.
// clang-format off
enum : int {
    EB, ST, HP, VN, PV, ID, MD, UD, ULCK, BI,
    BA, TS, SRO, TR, TG, TI, TP, ARST, LR, AR,
    AL, EI, PER, PEG, PEB, AH, AHRS, GM, GA, GAR,
    GAB, SGR, SGG, SGB, WB, AW, AWRS, BLM, BL, BLR,
    BLB, KN, KSR, KSG, KSB, KPR, KPG, KPB, SDC, ShadingType,
    SDR, SDS, PGC, PGR, PGS, PBC, PBR, PBS, NR, SCB,
    MAV, MAVCG, CABR, CABB, HPFC, CABN1, CABN2, CABN3, CABLR, CABLB,
    CABAR, CABAB, CABSR, CABSB, CABTR, CABTB, EepromArea, LD, SA, EA,
    Count
};
// clang-format on
}  // namespace row

inline constexpr int kParameterCount = row::Count;

// Flag bits of a row.
inline constexpr std::uint32_t PF_STRING = 0x1;            // value is text, not an integer
inline constexpr std::uint32_t PF_READABLE = 0x2;          // may be queried
inline constexpr std::uint32_t PF_WRITABLE = 0x4;          // may be set / sent
inline constexpr std::uint32_t PF_MODEL_DEPENDENT = 0x8;   // support condition gates it
inline constexpr std::uint32_t PF_NO_RANGE_CHECK = 0x10;   // queried values stored unchecked
inline constexpr std::uint32_t PF_NO_ANSWER = 0x20;        // a set awaits no answer
inline constexpr std::uint32_t PF_INDEXED = 0x40;          // carries indexRow's value as index
inline constexpr std::uint32_t PF_CAMERA_DATA = 0x100;     // part of read-all, write-all, files
inline constexpr std::uint32_t PF_PROFILE = 0x200;         // persisted in the profile
inline constexpr std::uint32_t PF_HAS_DEPENDENTS = 0x400;  // other rows' rules depend on it
// A row added after settings files were written: a file that lacks its key
// leaves the camera's value as it is instead of being refused.
inline constexpr std::uint32_t PF_MAY_BE_ABSENT = 0x800;
inline constexpr std::uint32_t PF_QUIET = 0x1000000;     // never logged, no sending light
inline constexpr std::uint32_t PF_NO_BULK = 0x80000000;  // never part of read-all/write-all

// What a condition node tests. Row comparisons read the current value of the
// node's row (and of the operand row for the row-to-row operations); the text
// operations compare the display text of the node's row with its text. An
// operation outside this list behaves as AnyBitSet. The operations are numbered
// from 0 in the order listed.
enum class ConditionOp : std::int32_t {
    True,         // always holds
    False,        // never holds
    RowEquals,    // value(row) == value(operand row)
    RowDiffers,   // value(row) != value(operand row)
    Equals,       // value(row) == operand
    Differs,      // value(row) != operand
    Less,         // value(row) < operand
    AtMost,       // value(row) <= operand
    Greater,      // value(row) > operand
    AtLeast,      // value(row) >= operand
    NoBitSet,     // (value(row) AND operand) == 0
    AnyBitSet,    // (value(row) AND operand) != 0
    TextEquals,   // display text of row == text, case-sensitive
    TextDiffers,  // display text of row != text
    Not,          // NOT left
    Or,           // left OR right, both evaluated
    And,          // left AND right, both evaluated
    // The model MD names has the feature of modelColumn from the firmware
    // version value(row) on; false for a model outside the model table.
    ModelFeature,
};

// A condition over the current values; an absent node is true.
struct ConditionNode {
    ConditionOp op;
    std::int32_t row;
    std::int32_t operand;  // a constant, or a second row for RowEquals / RowDiffers
    const char* text;      // for TextEquals / TextDiffers
    const ConditionNode* left;
    const ConditionNode* right;
    std::int32_t ModelEntry::*modelColumn = nullptr;  // for ModelFeature
};

// A conditional bound: a decision tree over conditions ending in values. A
// value may be a column of the model table, read from the row of the model
// MD names (BoundsOfModel).
struct RangeRule {
    const ConditionNode* condition;
    std::int32_t valueIfTrue;
    std::int32_t valueIfFalse;
    const RangeRule* branchIfTrue;
    const RangeRule* branchIfFalse;
    std::int32_t ModelEntry::*modelIfTrue = nullptr;
    std::int32_t ModelEntry::*modelIfFalse = nullptr;
};

// One enumerated value of a row with its display name, offered while its
// condition holds.
struct ValueName {
    std::int32_t value;
    const char* name;
    const ConditionNode* condition;
};

// Profile section and key of a row; the key is also the row's display name.
struct ParameterKey {
    const char* section;
    const char* key;
};

// One row of the table. For a text row, maximum is the maximum length.
struct ParameterEntry {
    std::uint32_t flags;
    const char* mnemonic;  // empty for a local-only row
    std::int32_t indexRow;
    std::int32_t minimum;
    std::int32_t maximum;
    const RangeRule* minimumRule;
    const RangeRule* maximumRule;
    std::int32_t valueNameCount;
    const ValueName* valueNames;
    const ConditionNode* enableCondition;
    const ConditionNode* supportCondition;
    std::uint32_t writeTimeout;  // milliseconds a set waits for its answer
    std::uint32_t readTimeout;   // milliseconds a query waits for its answer
    ParameterKey profile;        // where the row persists, and its display name
    // The value before the profile has one; the minimum when not given.
    std::optional<std::int32_t> firstRun = std::nullopt;
};

extern const std::array<ParameterEntry, kParameterCount> kParameterTable;

// Named conditions of the table, for callers that ask them directly.
extern const ConditionNode kCableSupport;
extern const ConditionNode kAberrationSupport;
extern const ConditionNode kAberrationOn;

// The current values the rules are evaluated against: the camera object's
// mirror, or the simulator's camera state.
class ParameterValues {
public:
    virtual ~ParameterValues() = default;
    virtual std::int32_t Value(int row) const = 0;
    virtual const std::string& Text(int row) const = 0;
};

// Values where every row reads as 0 and every text as empty, for rules
// evaluated without a camera.
const ParameterValues& NoParameterValues();

const ParameterEntry& Entry(int row);
bool IsValidRow(int row);
bool HasFlag(int row, std::uint32_t flag);

bool Evaluate(const ConditionNode* node, const ParameterValues& values);
std::int32_t Evaluate(const RangeRule* rule, const ParameterValues& values);

// Whether the camera supports the row: its support condition for a
// PF_MODEL_DEPENDENT row, true otherwise.
bool IsSupported(int row, const ParameterValues& values);
bool IsEnabled(int row, const ParameterValues& values);

// Effective bounds. byList asks for list positions of a row with value names.
std::int32_t EffectiveMinimum(int row, bool byList, const ParameterValues& values);
std::int32_t EffectiveMaximum(int row, bool byList, const ParameterValues& values);
// True for the aberration detail rows CABAR to CABTB, whose bounds come from
// the other aberration rows of their colour.
bool HasSpecialBounds(int row);

// The rows of one colour's aberration correction: its left-side value and the detail
// rows that follow it. The left side's magnitude decides how many of area > second
// pixel > third pixel bound one another.
struct AberrationRows {
    int leftSide;
    int area;
    int second;
    int third;
};

inline constexpr AberrationRows kRedAberration{row::CABLR, row::CABAR, row::CABSR, row::CABTR};
inline constexpr AberrationRows kBlueAberration{row::CABLB, row::CABAB, row::CABSB, row::CABTB};

int OfferedValueNameCount(int row, const ParameterValues& values);
// Position of value among the offered entries, or -1.
int PositionOfValue(int row, std::int32_t value, const ParameterValues& values);
// Value of the position-th offered entry, or -1.
std::int32_t ValueAtPosition(int row, int position, const ParameterValues& values);
// Name of the position-th offered entry, or the empty text.
std::string ValueNameAt(int row, int position, const ParameterValues& values);
// Name of the offered entry with this value, or the empty text.
std::string ValueNameOf(int row, std::int32_t value, const ParameterValues& values);
std::string Mnemonic(int row);
// The row whose command name this is, or -1. Local rows have no name and never match.
int RowOfMnemonic(std::string_view name);
// The text a row shows: its text value for a PF_STRING row, else the name of
// its current value (empty when the value has no name).
std::string DisplayText(int row, const ParameterValues& values);
// "Trigger Mode: No Shutter, Shutter Select or PWC." and the like.
std::string RangeDescription(int row, const ParameterValues& values);

}  // namespace xkiv
