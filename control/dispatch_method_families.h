// What the files of the dispatch method families share; private to control/dispatch_methods*.cpp.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/automation.h"

namespace xkiv {

class CCamera;

namespace method_families {

// A parameter as the type library names it.
struct Param {
    const char* name;
    automation::ParamType type;
};

inline constexpr Param kMinMax{"nMinMax", automation::ParamType::Long};
inline constexpr Param kIndex{"nIndex", automation::ParamType::Long};

// The type library's description of a method; its help text is "Method "
// and the name split into words. returnsResultCode marks a long result that is
// a result code of the camera layer.
automation::MemberInfo DescribeMethod(automation::DispId dispid, const char* name,
                                      automation::ParamType result,
                                      std::vector<automation::ParamInfo> params,
                                      bool returnsResultCode = false);

// Adds the descriptions of the range and name questions.
void AddRangeAndNameMembers(std::vector<automation::MemberInfo>& members);

// The answer of the range or name question with this dispid under the
// camera's current values; nothing when dispid is neither.
std::optional<automation::Variant> AnswerRangeOrName(automation::DispId dispid,
                                                     std::int32_t argument, const CCamera& camera);

// The entry of a dispatch table with this dispid, or null.
template <typename Table>
auto FindByDispid(const Table& table, automation::DispId dispid) -> decltype(&table[0]) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [dispid](const auto& entry) { return entry.dispid == dispid; });
    return found != table.end() ? &*found : nullptr;
}

// Writes value through an out-parameter the caller may have left out.
inline void Store(std::int32_t* target, std::int32_t value) {
    if (target != nullptr) {
        *target = value;
    }
}

}  // namespace method_families
}  // namespace xkiv
