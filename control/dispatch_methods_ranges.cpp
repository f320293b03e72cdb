// The range and name questions of the dispatch interface: bounds and value names of rows.
#include "control/dispatch_method_families.h"

#include <array>

#include "camera/camera.h"
#include "camera/parameter_table.h"

namespace xkiv {
namespace method_families {
namespace {

using automation::DispId;
using automation::ParamType;
using automation::Variant;

// One bound of a range question: a constant of the interface, or a bound the
// parameter table computes for a row under the current values (the row's
// conditional rule, or the special bounds of the aberration detail rows).
enum class BoundKind { Constant, RowMinimum, RowMaximum, LastOfferedName };

struct Bound {
    BoundKind kind;
    std::int32_t value;  // the constant, or the row
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

struct RangeMethod {
    DispId dispid;
    const char* name;
    Bound minimum;
    Bound maximum;
};

// The constants are the interface's own; they are deliberately not looked up
// in the parameter table (AskAutoResetModeRange answers 1 although ARST lists
// three names).
constexpr std::array kRangeMethods = {
    RangeMethod{120, "AskEEPROMAreaRange", Constant(0), Constant(2)},
    RangeMethod{130, "AskTriggerModeRange", Constant(0), Constant(2)},
    RangeMethod{132, "AskTriggerOriginRange", Constant(0), Constant(1)},
    RangeMethod{134, "AskTriggerInputRange", Constant(0), Constant(1)},
    RangeMethod{136, "AskTriggerPolarityRange", Constant(0), Constant(1)},
    RangeMethod{138, "AskAutoResetModeRange", Constant(0), Constant(1)},
    RangeMethod{139, "AskLineRateRange", MinimumOf(row::LR), MaximumOf(row::LR)},
    RangeMethod{140, "AskAutoLineRateReferenceRange", Constant(0), Constant(1023)},
    RangeMethod{141, "AskExposureInterlockModeRange", Constant(0), Constant(1)},
    RangeMethod{142, "AskExposureRange", MinimumOf(row::PER), MaximumOf(row::PER)},
    RangeMethod{143, "AskOnePushResultRange", Constant(0), Constant(4)},
    RangeMethod{145, "AskBinningRange", Constant(0), Constant(1)},
    RangeMethod{146, "AskBitAllocationRange", Constant(0), Constant(1)},
    RangeMethod{148, "AskTestPatternRange", Constant(0), Constant(4)},
    RangeMethod{150, "AskSensorReadOutModeRange", Constant(0), Constant(2)},
    RangeMethod{152, "AskMasterGainRange", MinimumOf(row::GA), MaximumOf(row::GA)},
    RangeMethod{153, "AskRedGainRange", MinimumOf(row::GAR), MaximumOf(row::GAR)},
    RangeMethod{154, "AskBlueGainRange", MinimumOf(row::GAB), MaximumOf(row::GAB)},
    RangeMethod{155, "AskGainModeRange", Constant(0), Constant(1)},
    RangeMethod{157, "AskSensorGainModeRange", Constant(0), Constant(1)},
    RangeMethod{158, "AskWhiteBalanceModeRange", Constant(0), Constant(3)},
    RangeMethod{160, "AskNoiseReductionRange", Constant(0), Constant(1)},
    RangeMethod{161, "AskMasterBlackLevelRange", MinimumOf(row::BL), MaximumOf(row::BL)},
    RangeMethod{162, "AskRedBlackLevelRange", MinimumOf(row::BLR), MaximumOf(row::BLR)},
    RangeMethod{163, "AskBlueBlackLevelRange", MinimumOf(row::BLB), MaximumOf(row::BLB)},
    RangeMethod{164, "AskBlackLevelModeRange", Constant(0), Constant(1)},
    RangeMethod{166, "AskKneeModeRange", Constant(0), Constant(1)},
    RangeMethod{167, "AskKneeSlopeRange", Constant(0), Constant(65535)},
    RangeMethod{168, "AskKneePointRange", Constant(0), Constant(1023)},
    RangeMethod{169, "AskShadingCorrectionModeRange", Constant(0), Constant(2)},
    RangeMethod{171, "AskShadingCorrectionRecalibrationTypeRange", Constant(0), Constant(1)},
    RangeMethod{173, "AskPixelGainCorrectionModeRange", Constant(0), Constant(2)},
    RangeMethod{175, "AskPixelBlackCorrectionModeRange", Constant(0), Constant(2)},
    RangeMethod{190, "AskAberrationSelectionRange", Constant(0), Constant(2)},
    RangeMethod{192, "AskCableSelectionRange", Constant(0), Constant(2)},
    RangeMethod{194, "AskChromaticAberrationRange", Constant(-32768), Constant(32768)},
    RangeMethod{195, "AskAPFControlRange", Constant(0), Constant(1)},
    RangeMethod{199, "AskMovingAverageControlRange", Constant(0), Constant(1)},
    RangeMethod{201, "AskAberrationLeftSidePixelRange", Constant(-3), Constant(3)},
    RangeMethod{202, "AskAberrationAreaNumberRedRange", MinimumOf(row::CABAR), Constant(8)},
    RangeMethod{203, "AskAberrationSecondPixelRedRange", MinimumOf(row::CABSR),
                MaximumOf(row::CABSR)},
    RangeMethod{204, "AskAberrationThirdPixelRedRange", Constant(1), MaximumOf(row::CABTR)},
    RangeMethod{210, "AskAberrationLeftSidePixelIndex", Constant(0), LastNameOf(row::CABLR)},
    RangeMethod{211, "AskAberrationAreaNumberBlueRange", MinimumOf(row::CABAB), Constant(8)},
    RangeMethod{212, "AskAberrationSecondPixelBlueRange", MinimumOf(row::CABSB),
                MaximumOf(row::CABSB)},
    RangeMethod{213, "AskAberrationThirdPixelBlueRange", Constant(1), MaximumOf(row::CABTB)},
};

struct NameMethod {
    DispId dispid;
    const char* name;
    int row;
};

constexpr std::array kNameMethods = {
    NameMethod{121, "AskEEPROMAreaString", row::EepromArea},
    NameMethod{131, "AskTriggerModeString", row::TR},
    NameMethod{133, "AskTriggerOriginString", row::TG},
    NameMethod{135, "AskTriggerInputString", row::TI},
    NameMethod{137, "AskTriggerPolarityString", row::TP},
    // Every one-push result row shares this list.
    NameMethod{144, "AskOnePushResultString", row::AWRS},
    NameMethod{147, "AskBitAllocationString", row::BA},
    NameMethod{149, "AskTestPatternString", row::TS},
    NameMethod{151, "AskSensorReadOutModeString", row::SRO},
    NameMethod{156, "AskGainModeString", row::GM},
    NameMethod{159, "AskWhiteBalanceModeString", row::WB},
    NameMethod{165, "AskBlackLevelModeString", row::BLM},
    NameMethod{170, "AskShadingCorrectionModeString", row::SDC},
    NameMethod{172, "AskShadingCorrectionRecalibrationTypeString", row::ShadingType},
    NameMethod{174, "AskPixelGainCorrectionModeString", row::PGC},
    NameMethod{176, "AskPixelBlackCorrectionModeString", row::PBC},
    NameMethod{193, "AskCableSelectionString", row::SCB},
    NameMethod{196, "AskAPFControlString", row::HPFC},
    NameMethod{200, "AskMovingAverageControlString", row::MAV},
    NameMethod{209, "AskAberrationLeftSidePixelString", row::CABLR},
};

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

void AddRangeAndNameMembers(std::vector<automation::MemberInfo>& members) {
    for (const RangeMethod& method : kRangeMethods) {
        members.push_back(DescribeMethod(method.dispid, method.name, ParamType::Long,
                                         {{kMinMax.name, kMinMax.type}}));
    }
    for (const NameMethod& method : kNameMethods) {
        members.push_back(DescribeMethod(method.dispid, method.name, ParamType::String,
                                         {{kIndex.name, kIndex.type}}));
    }
}

std::optional<Variant> AnswerRangeOrName(DispId dispid, std::int32_t argument,
                                         const CCamera& camera) {
    if (const RangeMethod* range = FindByDispid(kRangeMethods, dispid)) {
        const bool minimum = argument == 0;
        return Variant::Long(EvaluateBound(minimum ? range->minimum : range->maximum, camera));
    }
    if (const NameMethod* names = FindByDispid(kNameMethods, dispid)) {
        // The table's lookup gives the empty text for a position outside the
        // offered entries, negative ones included.
        return Variant::String(camera.GetValueName(names->row, argument));
    }
    return std::nullopt;
}

}  // namespace method_families
}  // namespace xkiv
