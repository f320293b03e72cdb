// Evaluation of the parameter table's conditions and bounds, and the lookups over its rows.
#include "camera/parameter_table.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/hot_path.h"

namespace xkiv {
namespace {

// What an out-of-range row number reads as: no flags, no mnemonic, no names, no bounds.
// Row numbers arrive from the automation interface, so they are never trusted.
constexpr ParameterEntry kAbsentEntry{0, "",      0,       0,       0, nullptr, nullptr,
                                      0, nullptr, nullptr, nullptr, 0, 0,       {"", ""}};

// A condition naming a row outside the table reads it as 0.
std::int32_t ValueOf(int row, const ParameterValues& values) {
    return IsValidRow(row) ? values.Value(row) : 0;
}

bool Offered(const ValueName& name, const ParameterValues& values) {
    return Evaluate(name.condition, values);
}

// The offered entry at position, or null.
const ValueName* OfferedAt(int row, int position, const ParameterValues& values) {
    if (position < 0) {
        return nullptr;
    }
    const ParameterEntry& entry = Entry(row);
    for (int i = 0; i < entry.valueNameCount; ++i) {
        const ValueName& name = entry.valueNames[i];
        if (Offered(name, values) && position-- == 0) {
            return &name;
        }
    }
    return nullptr;
}

// The first offered entry with this value, or null.
const ValueName* OfferedWithValue(int row, std::int32_t value, const ParameterValues& values) {
    const ParameterEntry& entry = Entry(row);
    for (int i = 0; i < entry.valueNameCount; ++i) {
        const ValueName& name = entry.valueNames[i];
        if (name.value == value && Offered(name, values)) {
            return &name;
        }
    }
    return nullptr;
}

bool HasValueNames(int row) {
    return Entry(row).valueNameCount > 0;
}

// ---- Bounds of the aberration detail rows ----------------------------------------------------

struct AberrationColour {
    std::int64_t level;  // |left side|, 0 to 3 for any value the camera takes
    std::int64_t area;
    std::int64_t second;
    std::int64_t third;
};

AberrationColour ColourOf(int row, const ParameterValues& values) {
    const AberrationRows& rows = row == row::CABAR || row == row::CABSR || row == row::CABTR
                                     ? kRedAberration
                                     : kBlueAberration;
    // 64-bit arithmetic: the values may come unchecked from a profile, and neither
    // |INT32_MIN| nor INT32_MAX + 1 may overflow.
    return {std::llabs(static_cast<std::int64_t>(values.Value(rows.leftSide))),
            values.Value(rows.area), values.Value(rows.second), values.Value(rows.third)};
}

// x when it is a valid pixel position 1..8, else the fallback.
std::int32_t ClampPixel(std::int64_t x, std::int32_t fallback) {
    return x >= 1 && x <= 8 ? static_cast<std::int32_t>(x) : fallback;
}

std::int32_t SpecialMinimum(int row, const ParameterValues& values) {
    const AberrationColour c = ColourOf(row, values);
    switch (row) {
        case row::CABAR:
        case row::CABAB:
            return c.level <= 1 ? 1 : ClampPixel(c.second + 1, 1);
        case row::CABSR:
        case row::CABSB:
            return c.level <= 2 ? 1 : ClampPixel(c.third + 1, 1);
        default:
            return 1;
    }
}

std::int32_t SpecialMaximum(int row, const ParameterValues& values) {
    const AberrationColour c = ColourOf(row, values);
    switch (row) {
        case row::CABAR:
        case row::CABAB:
            return 8;
        case row::CABSR:
        case row::CABSB:
            return c.level <= 1 ? 7 : ClampPixel(c.area - 1, 7);
        default:
            return c.level <= 2 ? 6 : ClampPixel(c.second - 1, 6);
    }
}

// "a", "a or b", "a, b or c".
std::string JoinAlternatives(const std::vector<std::string_view>& names) {
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            joined += i + 1 == names.size() ? " or " : ", ";
        }
        joined += names[i];
    }
    return joined;
}

// Names of the offered values from the effective minimum to the effective maximum, in
// ascending value order. Works from the list rather than counting through the range, so a
// wide range costs nothing.
std::vector<std::string_view> NamesInRange(int row, const ParameterValues& values) {
    const std::int32_t minimum = EffectiveMinimum(row, false, values);
    const std::int32_t maximum = EffectiveMaximum(row, false, values);
    const ParameterEntry& entry = Entry(row);
    std::vector<const ValueName*> inRange;
    for (int i = 0; i < entry.valueNameCount; ++i) {
        const ValueName& name = entry.valueNames[i];
        if (name.value >= minimum && name.value <= maximum && Offered(name, values)) {
            inRange.push_back(&name);
        }
    }
    // Stable, so that of two entries with one value the first in the list names it.
    std::stable_sort(inRange.begin(), inRange.end(),
                     [](const ValueName* a, const ValueName* b) { return a->value < b->value; });
    std::vector<std::string_view> names;
    for (std::size_t i = 0; i < inRange.size(); ++i) {
        if (i == 0 || inRange[i]->value != inRange[i - 1]->value) {
            names.emplace_back(inRange[i]->name != nullptr ? inRange[i]->name : "");
        }
    }
    return names;
}

}  // namespace

XKIV_HOT const ParameterEntry& Entry(int row) {
    return IsValidRow(row) ? kParameterTable[row] : kAbsentEntry;
}

XKIV_HOT bool IsValidRow(int row) {
    return row >= 0 && row < kParameterCount;
}

// True when the row has every bit of flag; an absent row has none.
XKIV_HOT bool HasFlag(int row, std::uint32_t flag) {
    return flag != 0 && (Entry(row).flags & flag) == flag;
}

XKIV_HOT bool Evaluate(const ConditionNode* node, const ParameterValues& values) {
    if (node == nullptr) {
        return true;
    }
    const std::int32_t value = ValueOf(node->row, values);
    switch (node->op) {
        case ConditionOp::True:
            return true;
        case ConditionOp::False:
            return false;
        case ConditionOp::RowEquals:
            return value == ValueOf(node->operand, values);
        case ConditionOp::RowDiffers:
            return value != ValueOf(node->operand, values);
        case ConditionOp::Equals:
            return value == node->operand;
        case ConditionOp::Differs:
            return value != node->operand;
        case ConditionOp::Less:
            return value < node->operand;
        case ConditionOp::AtMost:
            return value <= node->operand;
        case ConditionOp::Greater:
            return value > node->operand;
        case ConditionOp::AtLeast:
            return value >= node->operand;
        case ConditionOp::NoBitSet:
            return (value & node->operand) == 0;
        case ConditionOp::TextEquals:
        case ConditionOp::TextDiffers: {
            const bool same = DisplayText(node->row, values) ==
                              std::string_view(node->text != nullptr ? node->text : "");
            return node->op == ConditionOp::TextEquals ? same : !same;
        }
        case ConditionOp::Not:
            return !Evaluate(node->left, values);
        case ConditionOp::Or: {
            const bool left = Evaluate(node->left, values);
            const bool right = Evaluate(node->right, values);
            return left || right;
        }
        case ConditionOp::And: {
            const bool left = Evaluate(node->left, values);
            const bool right = Evaluate(node->right, values);
            return left && right;
        }
        case ConditionOp::ModelFeature: {
            const ModelEntry* model = FindModel(DisplayText(row::MD, values));
            if (model == nullptr || node->modelColumn == nullptr) {
                return false;
            }
            const std::int32_t from = model->*(node->modelColumn);
            return from != kNeverFirmware && value >= from;
        }
        case ConditionOp::AnyBitSet:
        default:  // an operation outside the list tests the bits as AnyBitSet does
            return (value & node->operand) != 0;
    }
}

namespace {

// A rule's end value: its constant, or the column of the model table.
std::int32_t EndValue(std::int32_t constant, std::int32_t ModelEntry::*column,
                      const ParameterValues& values) {
    return column != nullptr ? BoundsOfModel(DisplayText(row::MD, values)).*column : constant;
}

}  // namespace

XKIV_HOT std::int32_t Evaluate(const RangeRule* rule, const ParameterValues& values) {
    while (rule != nullptr) {
        if (rule->condition == nullptr) {
            return EndValue(rule->valueIfTrue, rule->modelIfTrue, values);
        }
        if (Evaluate(rule->condition, values)) {
            if (rule->branchIfTrue == nullptr) {
                return EndValue(rule->valueIfTrue, rule->modelIfTrue, values);
            }
            rule = rule->branchIfTrue;
        } else {
            if (rule->branchIfFalse == nullptr) {
                return EndValue(rule->valueIfFalse, rule->modelIfFalse, values);
            }
            rule = rule->branchIfFalse;
        }
    }
    return 0;
}

// An absent row is neither supported nor enabled, so nothing is ever sent or offered for it.
XKIV_HOT bool IsSupported(int row, const ParameterValues& values) {
    if (!IsValidRow(row)) {
        return false;
    }
    return !HasFlag(row, PF_MODEL_DEPENDENT) || Evaluate(Entry(row).supportCondition, values);
}

bool IsEnabled(int row, const ParameterValues& values) {
    return IsValidRow(row) && Evaluate(Entry(row).enableCondition, values);
}

bool HasSpecialBounds(int row) {
    return row >= row::CABAR && row <= row::CABTB;
}

std::int32_t EffectiveMinimum(int row, bool byList, const ParameterValues& values) {
    if (HasSpecialBounds(row)) {
        return SpecialMinimum(row, values);
    }
    if (byList && HasValueNames(row)) {
        return 0;
    }
    const ParameterEntry& entry = Entry(row);
    return entry.minimumRule != nullptr ? Evaluate(entry.minimumRule, values) : entry.minimum;
}

std::int32_t EffectiveMaximum(int row, bool byList, const ParameterValues& values) {
    if (HasSpecialBounds(row)) {
        return SpecialMaximum(row, values);
    }
    if (byList && HasValueNames(row)) {
        return OfferedValueNameCount(row, values) - 1;
    }
    const ParameterEntry& entry = Entry(row);
    return entry.maximumRule != nullptr ? Evaluate(entry.maximumRule, values) : entry.maximum;
}

int OfferedValueNameCount(int row, const ParameterValues& values) {
    const ParameterEntry& entry = Entry(row);
    return static_cast<int>(
        std::count_if(entry.valueNames, entry.valueNames + entry.valueNameCount,
                      [&](const ValueName& name) { return Offered(name, values); }));
}

XKIV_HOT int PositionOfValue(int row, std::int32_t value, const ParameterValues& values) {
    const ParameterEntry& entry = Entry(row);
    int position = 0;
    for (int i = 0; i < entry.valueNameCount; ++i) {
        const ValueName& name = entry.valueNames[i];
        if (!Offered(name, values)) {
            continue;
        }
        if (name.value == value) {
            return position;
        }
        ++position;
    }
    return -1;
}

std::int32_t ValueAtPosition(int row, int position, const ParameterValues& values) {
    const ValueName* name = OfferedAt(row, position, values);
    return name != nullptr ? name->value : -1;
}

std::string ValueNameAt(int row, int position, const ParameterValues& values) {
    const ValueName* name = OfferedAt(row, position, values);
    return name != nullptr && name->name != nullptr ? name->name : "";
}

std::string ValueNameOf(int row, std::int32_t value, const ParameterValues& values) {
    const ValueName* name = OfferedWithValue(row, value, values);
    return name != nullptr && name->name != nullptr ? name->name : "";
}

const ParameterValues& NoParameterValues() {
    class NoValues final : public ParameterValues {
    public:
        std::int32_t Value(int) const override { return 0; }
        const std::string& Text(int) const override { return empty_; }

    private:
        std::string empty_;
    };
    static const NoValues none;
    return none;
}

std::string Mnemonic(int row) {
    return Entry(row).mnemonic;
}

int RowOfMnemonic(std::string_view name) {
    if (name.empty()) {
        return -1;
    }
    for (int r = 0; r < kParameterCount; ++r) {
        if (name == Entry(r).mnemonic) {
            return r;
        }
    }
    return -1;
}

std::string DisplayText(int row, const ParameterValues& values) {
    if (!IsValidRow(row)) {
        return "";
    }
    if (HasFlag(row, PF_STRING)) {
        return values.Text(row);
    }
    return ValueNameOf(row, values.Value(row), values);
}

std::string RangeDescription(int row, const ParameterValues& values) {
    if (!IsValidRow(row)) {
        return "";
    }
    std::string description = Entry(row).profile.key;
    if (HasFlag(row, PF_PROFILE)) {
        if (HasValueNames(row)) {
            description += ": " + JoinAlternatives(NamesInRange(row, values));
        } else if (HasFlag(row, PF_STRING)) {
            description +=
                ", in " + std::to_string(EffectiveMaximum(row, false, values)) + " chracters";
        } else {
            description += ", from " + std::to_string(EffectiveMinimum(row, false, values)) +
                           " to " + std::to_string(EffectiveMaximum(row, false, values));
        }
    }
    return description + ".";
}

}  // namespace xkiv
