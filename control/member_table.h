// The automation members that mirror parameter rows, declared once per row, and the tables built
// from them.
#pragma once

#include <cstdint>
#include <span>

#include "control/dispatch_properties.h"
#include "platform/automation.h"

namespace xkiv {

// One bound of a range question: a constant of the interface, or a bound the
// parameter table computes for a row under the current values (the row's
// conditional rule, or the special bounds of the aberration detail rows).
enum class BoundKind { Constant, RowMinimum, RowMaximum, LastOfferedName };

struct Bound {
    BoundKind kind = BoundKind::Constant;
    std::int32_t value = 0;  // the constant, or the row
};

constexpr Bound Constant(std::int32_t value) {
    return {BoundKind::Constant, value};
}
constexpr Bound MinimumOf(int row) {
    return {BoundKind::RowMinimum, row};
}
constexpr Bound MaximumOf(int row) {
    return {BoundKind::RowMaximum, row};
}
constexpr Bound LastNameOf(int row) {
    return {BoundKind::LastOfferedName, row};
}

// A range question of the dispatch interface: nMinMax 0 asks the minimum,
// anything else the maximum.
struct RangeQuestion {
    automation::DispId dispid;
    const char* name;
    Bound minimum;
    Bound maximum;
};

// A name question: the name of the row's nIndex-th offered value.
struct NameQuestion {
    automation::DispId dispid;
    const char* name;
    int row;
};

// The range and name questions, each in dispid order.
std::span<const RangeQuestion> RangeQuestionTable();
std::span<const NameQuestion> NameQuestionTable();

// The one parameter of every range question and of every name question.
inline constexpr automation::ParamInfo kMinMax{"nMinMax", automation::ParamType::Long};
inline constexpr automation::ParamInfo kIndex{"nIndex", automation::ParamType::Long};

// The type library's descriptions, constant data in dispid order: the
// properties, the events, and the range and name questions together.
std::span<const automation::MemberInfo> PropertyMembers();
std::span<const automation::MemberInfo> EventMembers();
std::span<const automation::MemberInfo> QuestionMembers();

}  // namespace xkiv
