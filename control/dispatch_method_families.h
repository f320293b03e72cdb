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
