// The range and name questions of the dispatch interface: bounds and value names of rows.
#include "control/dispatch_method_families.h"

#include "camera/camera.h"
#include "control/member_table.h"

namespace xkiv {
namespace method_families {
namespace {

using automation::DispId;
using automation::ParamType;
using automation::Variant;

std::int32_t EvaluateBound(const Bound& bound, const CCamera& camera) {
    switch (bound.kind) {
        case BoundKind::Constant:
            return bound.value;
        case BoundKind::RowMinimum:
            return camera.GetMinimum(bound.value, false);
        case BoundKind::RowMaximum:
            return camera.GetMaximum(bound.value, false);
        case BoundKind::LastOfferedName:
            return camera.GetValueNameCount(bound.value) - 1;
    }
    return 0;
}

}  // namespace

std::optional<Variant> AnswerRangeOrName(DispId dispid, std::int32_t argument,
                                         const CCamera& camera) {
    if (const RangeQuestion* range = FindByDispid(RangeQuestionTable(), dispid)) {
        const bool minimum = argument == 0;
        return Variant::Long(EvaluateBound(minimum ? range->minimum : range->maximum, camera));
    }
    if (const NameQuestion* names = FindByDispid(NameQuestionTable(), dispid)) {
        // The table's lookup gives the empty text for a position outside the
        // offered entries, negative ones included.
        return Variant::String(camera.GetValueName(names->row, argument));
    }
    return std::nullopt;
}

}  // namespace method_families
}  // namespace xkiv
