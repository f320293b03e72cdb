// The control's dispatch methods: their type-library descriptions and what they do.
#include "control/dispatch_methods.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "camera/parameter_table.h"
#include "control/control.h"

namespace xkiv {

namespace {

using automation::DispId;
using automation::MemberInfo;
using automation::ParamInfo;
using automation::ParamType;
using automation::Variant;

// --- Range and name families -------------------------------------------------

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

// --- The other methods --------------------------------------------------------

using Handler = Variant (*)(ControlMethods&, const std::vector<Variant>&);

struct Param {
    const char* name;
    ParamType type;
};

constexpr Param kMinMax{"nMinMax", ParamType::Long};
constexpr Param kIndex{"nIndex", ParamType::Long};
constexpr Param kClass{"nClass", ParamType::Long};
constexpr Param kPort{"nPort", ParamType::Long};
constexpr Param kClassOut{"pnClass", ParamType::LongRef};
constexpr Param kPortOut{"pnPort", ParamType::LongRef};
constexpr Param kShowProgressBar{"nShowProgressBar", ParamType::Long};
constexpr Param kFileName{"bstrFileName", ParamType::String};
constexpr Param kResultOut{"pnResult", ParamType::LongRef};
constexpr Param kShowResultMessage{"nShowResultMessage", ParamType::Long};
constexpr Param kType{"nType", ParamType::Long};

constexpr int kMaxParams = 3;

struct Method {
    DispId dispid;
    const char* name;
    ParamType result;
    int paramCount;
    std::array<Param, kMaxParams> params;
    Handler handler;
};

// Arguments arrive converted to the member's parameter types; a missing or
// unconvertible one reads as 0, the empty text or no reference.
std::int32_t LongArg(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() ? args[index].ToLong().value_or(0) : 0;
}

std::int32_t* RefArg(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() ? args[index].Ref() : nullptr;
}

std::string TextArg(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() ? args[index].ToText().value_or(std::string()) : std::string();
}

using A = const std::vector<Variant>&;
using M = ControlMethods&;
constexpr ParamType kBool = ParamType::Bool;
constexpr ParamType kLong = ParamType::Long;
constexpr ParamType kText = ParamType::String;

// clang-format off
const std::array kMethods = {
    Method{100, "CheckOnline", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckOnline()); }},
    Method{101, "CheckSynchronized", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckSynchronized()); }},
    Method{102, "CheckSending", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckSending()); }},
    Method{103, "CheckReceiving", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckReceiving()); }},
    Method{104, "CheckModelAsRZ130LX", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckModelAsRZ130LX()); }},
    Method{105, "CheckModelAsRZ150LX", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckModelAsRZ150LX()); }},
    Method{106, "CheckModelAsRZ150LX_HR", kBool, 0, {},
           [](M m, A) { return Variant::Bool(m.CheckModelAsRZ150LX_HR()); }},
    Method{107, "AskCommClassRange", kLong, 1, {kMinMax},
           [](M m, A a) { return Variant::Long(m.AskCommClassRange(LongArg(a, 0))); }},
    Method{108, "AskCommClassString", kText, 1, {kIndex},
           [](M m, A a) { return Variant::String(m.AskCommClassString(LongArg(a, 0))); }},
    Method{109, "AskCommPortRange", kLong, 2, {kClass, kMinMax},
           [](M m, A a) { return Variant::Long(m.AskCommPortRange(LongArg(a, 0), LongArg(a, 1))); }},
    Method{110, "AskCommPortString", kText, 2, {kClass, kIndex},
           [](M m, A a) {
               return Variant::String(m.AskCommPortString(LongArg(a, 0), LongArg(a, 1)));
           }},
    Method{111, "StartCommunication", kLong, 2, {kClass, kPort},
           [](M m, A a) { return Variant::Long(m.StartCommunication(LongArg(a, 0), LongArg(a, 1))); }},
    Method{112, "AutoSelectCommunication", kLong, 3, {kClassOut, kPortOut, kShowProgressBar},
           [](M m, A a) {
               return Variant::Long(
                   m.AutoSelectCommunication(RefArg(a, 0), RefArg(a, 1), LongArg(a, 2)));
           }},
    Method{113, "ReadAllFromCamera", kLong, 0, {},
           [](M m, A) { return Variant::Long(m.ReadAllFromCamera()); }},
    Method{114, "WriteAllToCamera", kLong, 0, {},
           [](M m, A) { return Variant::Long(m.WriteAllToCamera()); }},
    Method{115, "ReadAllFromFile", kLong, 1, {kFileName},
           [](M m, A a) { return Variant::Long(m.ReadAllFromFile(TextArg(a, 0))); }},
    Method{116, "WriteAllToFile", kLong, 1, {kFileName},
           [](M m, A a) { return Variant::Long(m.WriteAllToFile(TextArg(a, 0))); }},
    Method{117, "WriteCameraDataToFile", kLong, 1, {kFileName},
           [](M m, A a) { return Variant::Long(m.WriteCameraDataToFile(TextArg(a, 0))); }},
    Method{122, "ReadCurrentEEPROMArea", kLong, 0, {},
           [](M m, A) { return Variant::Long(m.ReadCurrentEEPROMArea()); }},
    Method{123, "ReadCurrentEEPROMAreaString", kText, 0, {},
           [](M m, A) { return Variant::String(m.ReadCurrentEEPROMAreaString()); }},
    Method{124, "LoadSettings", kLong, 0, {},
           [](M m, A) { return Variant::Long(m.LoadSettings()); }},
    Method{125, "StoreSettings", kLong, 0, {},
           [](M m, A) { return Variant::Long(m.StoreSettings()); }},
    Method{180, "DoOnePushAutoLineRateSet", kLong, 2, {kResultOut, kShowResultMessage},
           [](M m, A a) {
               return Variant::Long(m.DoOnePushAutoLineRateSet(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{181, "DoOnePushAWBShutter", kLong, 2, {kResultOut, kShowResultMessage},
           [](M m, A a) {
               return Variant::Long(m.DoOnePushAWBShutter(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{182, "DoOnePushAWB", kLong, 2, {kResultOut, kShowResultMessage},
           [](M m, A a) { return Variant::Long(m.DoOnePushAWB(RefArg(a, 0), LongArg(a, 1))); }},
    Method{183, "DoOnePushShadingCorrection", kLong, 3, {kType, kResultOut, kShowResultMessage},
           [](M m, A a) {
               return Variant::Long(
                   m.DoOnePushShadingCorrection(LongArg(a, 0), RefArg(a, 1), LongArg(a, 2)));
           }},
    Method{184, "DoOnePushPixelGainCorrection", kLong, 2, {kResultOut, kShowResultMessage},
           [](M m, A a) {
               return Variant::Long(m.DoOnePushPixelGainCorrection(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{185, "DoOnePushPixelBlackCorrection", kLong, 2, {kResultOut, kShowResultMessage},
           [](M m, A a) {
               return Variant::Long(m.DoOnePushPixelBlackCorrection(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{197, "ReadChromaticAberrationFromFile", kLong, 2, {kFileName, kShowProgressBar},
           [](M m, A a) {
               return Variant::Long(m.ReadChromaticAberrationFromFile(TextArg(a, 0), LongArg(a, 1)));
           }},
    Method{198, "WriteChromaticAberrationToFile", kLong, 2, {kFileName, kShowProgressBar},
           [](M m, A a) {
               return Variant::Long(m.WriteChromaticAberrationToFile(TextArg(a, 0), LongArg(a, 1)));
           }},
};
// clang-format on

template <typename Table>
auto FindByDispid(const Table& table, DispId dispid) -> decltype(&table[0]) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [dispid](const auto& entry) { return entry.dispid == dispid; });
    return found != table.end() ? &*found : nullptr;
}

// "AskAPFControlRange" reads "Ask APF Control Range": a word starts at a
// capital after a small letter, and at the last capital of an acronym that
// a small letter follows. Digits stay with their word ("RZ150LX").
std::string SplitWords(std::string_view name) {
    const auto upper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
    const auto lower = [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; };
    std::string words;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i > 0 && upper(c)) {
            const bool afterSmall = lower(name[i - 1]);
            const bool endsAcronym =
                upper(name[i - 1]) && i + 1 < name.size() && lower(name[i + 1]);
            if (afterSmall || endsAcronym) {
                words += ' ';
            }
        }
        words += c;
    }
    return words;
}

MemberInfo Describe(DispId dispid, const char* name, ParamType result,
                    std::vector<ParamInfo> params) {
    return MemberInfo{dispid,
                      name,
                      automation::MemberKind::Method,
                      result,
                      std::move(params),
                      false,
                      "Method " + SplitWords(name)};
}

std::vector<MemberInfo> BuildMethodMembers() {
    std::vector<MemberInfo> members;
    for (const Method& method : kMethods) {
        std::vector<ParamInfo> params;
        for (int i = 0; i < method.paramCount; ++i) {
            params.push_back({method.params[i].name, method.params[i].type});
        }
        members.push_back(Describe(method.dispid, method.name, method.result, std::move(params)));
    }
    for (const RangeMethod& method : kRangeMethods) {
        members.push_back(
            Describe(method.dispid, method.name, kLong, {{kMinMax.name, kMinMax.type}}));
    }
    for (const NameMethod& method : kNameMethods) {
        members.push_back(
            Describe(method.dispid, method.name, kText, {{kIndex.name, kIndex.type}}));
    }
    std::sort(members.begin(), members.end(),
              [](const MemberInfo& a, const MemberInfo& b) { return a.dispid < b.dispid; });
    return members;
}

// --- One-push ------------------------------------------------------------------

constexpr std::int64_t kOnePushPollMs = 100;
constexpr std::int64_t kOnePushLimitMs = 10000;

// Values of the one-push result list.
constexpr std::int32_t kOnePushNotFinished = 0;
constexpr std::int32_t kOnePushSucceeded = 1;
constexpr std::int32_t kOnePushTimedOut = 4;

// What a one-push command's message starts with, and which rows change as a
// consequence of its success and are read back.
struct OnePushCommand {
    int row;
    const char* messagePrefix;
    std::array<int, 3> refreshRows;
    int refreshCount;
};

constexpr std::array kOnePushCommands = {
    OnePushCommand{row::AH, "One-Push AWB Shutter ", {row::PER, row::PEG, row::PEB}, 3},
    OnePushCommand{row::AW, "One-Push AWB ", {row::GA, row::GAR, row::GAB}, 3},
    OnePushCommand{row::SDR, "Shading Correction ", {}, 0},
    OnePushCommand{row::PGR, "Pixel Gain Correction  ", {}, 0},
    OnePushCommand{row::PBR, "Pixel Black Correction ", {}, 0},
};

const OnePushCommand* FindOnePushCommand(int commandRow) {
    const auto found = std::find_if(
        kOnePushCommands.begin(), kOnePushCommands.end(),
        [commandRow](const OnePushCommand& command) { return command.row == commandRow; });
    return found != kOnePushCommands.end() ? &*found : nullptr;
}

// Rows that a completed line-rate set changes in the camera.
constexpr std::array kLineRateRefreshRows = {row::LR, row::PER, row::PEG, row::PEB};

// Bounds of the list family that LoadSettings and StoreSettings clamp into.
constexpr std::int32_t kTestPatternLast = 4;
constexpr std::int32_t kSettingsAreaLast = 2;

void Store(std::int32_t* target, std::int32_t value) {
    if (target != nullptr) {
        *target = value;
    }
}

}  // namespace

const std::vector<automation::MemberInfo>& MethodMembers() {
    static const std::vector<MemberInfo> members = BuildMethodMembers();
    return members;
}

ControlMethods::ControlMethods(CXKivRZ150LXCtrl& control) : control_(control) {}

automation::Variant ControlMethods::Invoke(const automation::MemberInfo& member,
                                           std::vector<automation::Variant>& args) {
    if (const RangeMethod* range = FindByDispid(kRangeMethods, member.dispid)) {
        const bool minimum = LongArg(args, 0) == 0;
        return Variant::Long(EvaluateBound(minimum ? range->minimum : range->maximum, control_));
    }
    if (const NameMethod* names = FindByDispid(kNameMethods, member.dispid)) {
        // The table's lookup gives the empty text for a position outside the
        // offered entries, negative ones included.
        return Variant::String(control_.GetValueName(names->row, LongArg(args, 0)));
    }
    if (const Method* method = FindByDispid(kMethods, member.dispid)) {
        return method->handler(*this, args);
    }
    // Only reachable when the member came from another interface's table.
    throw automation::AutomationException(
        {automation::kMemberNotFound, "No method " + member.name, 0});
}

// --- Status and model ---------------------------------------------------------

bool ControlMethods::CheckOnline() const {
    return control_.IsOnline();
}
bool ControlMethods::CheckSynchronized() const {
    return control_.IsSynchronized();
}
bool ControlMethods::CheckSending() const {
    return control_.IsSending();
}
bool ControlMethods::CheckReceiving() const {
    return control_.IsReceiving();
}

bool ControlMethods::CheckModelAsRZ130LX() const {
    return control_.Text(row::MD) == "RZ-130LX";
}
bool ControlMethods::CheckModelAsRZ150LX() const {
    return control_.Text(row::MD) == "RZ-150LX";
}
bool ControlMethods::CheckModelAsRZ150LX_HR() const {
    return control_.Text(row::MD) == "RZ-150LX-HR";
}

// --- Communication ------------------------------------------------------------

std::int32_t ControlMethods::AskCommClassRange(std::int32_t nMinMax) const {
    return nMinMax == 0 ? 0 : control_.GetClassCount() - 1;
}

std::string ControlMethods::AskCommClassString(std::int32_t nIndex) const {
    if (nIndex < 0 || nIndex >= control_.GetClassCount()) {
        return {};
    }
    return control_.GetClassName(nIndex);
}

std::int32_t ControlMethods::AskCommPortRange(std::int32_t nClass, std::int32_t nMinMax) const {
    return nMinMax == 0 ? 0 : control_.GetPortCount(nClass) - 1;
}

std::string ControlMethods::AskCommPortString(std::int32_t nClass, std::int32_t nIndex) const {
    if (nClass < 0 || nClass >= control_.GetClassCount() || nIndex < 0 ||
        nIndex >= control_.GetPortCount(nClass)) {
        return {};
    }
    return control_.GetPortName(nClass, nIndex);
}

ResultCode ControlMethods::StartCommunication(std::int32_t nClass, std::int32_t nPort) {
    const ResultCode result = control_.OpenCommunication(nClass, nPort);
    control_.RaiseCameraError(-1, result);
    return result;
}

std::int32_t ControlMethods::AutoSelectCommunication(std::int32_t* pnClass, std::int32_t* pnPort,
                                                     std::int32_t nShowProgressBar) {
    // Destroyed on every return, which gives the main window back.
    std::unique_ptr<ProgressIndicator> progress;
    if (nShowProgressBar != 0) {
        progress = control_.Module().Ui().CreateProgress();
        progress->SetRange(0, CountSearchPorts());
        progress->SetPumpMessages(true);
        progress->ShowCancelButton();
    }
    // Every transport is searched, COM ports first. Bounding the classes by
    // the class count would leave the Camera Link ports out whenever no COM
    // port exists, because the count then is 1 and class 0 is the COM class.
    // Port counts are asked again for every port: the lists may change while
    // messages are pumped.
    for (int commClass = 0; commClass < kSearchedClasses; ++commClass) {
        for (int port = 0; port < control_.GetPortCount(commClass); ++port) {
            if (progress) {
                progress->SetInfoText("Checking " + control_.GetPortName(commClass, port) + " ...");
                progress->StepIt();
                if (progress->CancelRequested()) {
                    return 0;
                }
            }
            if (TryPort(commClass, port) == rc::kOk) {
                Store(pnClass, commClass);
                Store(pnPort, port);
                return 1;
            }
        }
    }
    return 0;
}

int ControlMethods::CountSearchPorts() const {
    int total = 0;
    for (int commClass = 0; commClass < kSearchedClasses; ++commClass) {
        total += control_.GetPortCount(commClass);
    }
    return total;
}

ResultCode ControlMethods::TryPort(int commClass, int port) {
    // OpenCommunication without its closing read of the model name: the
    // identification has just read it.
    control_.Current().Close();
    control_.OnlineChanged(false);
    control_.SynchronizedChanged(false);
    // Exchanges need the online flag, so it is set before identification.
    control_.OnlineChanged(true);
    control_.Current().Close();
    ResultCode result = control_.SelectAndOpen(commClass, port);
    if (result == rc::kOk) {
        result = control_.Identify();
    }
    if (result == rc::kOk) {
        control_.OnlineChanged(true);
    } else {
        control_.OnlineChanged(false);
        control_.SynchronizedChanged(false);
    }
    control_.CommPortChanged();
    return result;
}

// --- Bulk and file operations -------------------------------------------------

ResultCode ControlMethods::ReadAllFromCamera() {
    int failedRow = 0;
    const ResultCode result = control_.ReadAll(&failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::WriteAllToCamera() {
    int failedRow = 0;
    const ResultCode result = control_.WriteAll(&failedRow, true);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::ReadAllFromFile(const std::string& fileName) {
    int failedRow = 0;
    bool partlyApplied = false;
    const ResultCode result = control_.ReadSetupFile(fileName, &failedRow, &partlyApplied);
    control_.RaiseCameraError(failedRow, result, partlyApplied);
    return result;
}

ResultCode ControlMethods::WriteAllToFile(const std::string& fileName) {
    int failedRow = 0;
    const ResultCode result = control_.WriteSetupFile(fileName, &failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::WriteCameraDataToFile(const std::string& fileName) {
    int failedRow = 0;
    const ResultCode result = control_.WriteReport(fileName, &failedRow);
    control_.RaiseCameraError(failedRow, result);
    return result;
}

ResultCode ControlMethods::ReadChromaticAberrationFromFile(const std::string& fileName,
                                                           std::int32_t nShowProgressBar) {
    bool partlyApplied = false;
    const ResultCode result =
        control_.UploadAberration(fileName, nShowProgressBar != 0, &partlyApplied);
    // Both colours report as CABR.
    control_.RaiseCameraError(row::CABR, result, partlyApplied);
    return result;
}

ResultCode ControlMethods::WriteChromaticAberrationToFile(const std::string& fileName,
                                                          std::int32_t nShowProgressBar) {
    const ResultCode result = control_.DownloadAberration(fileName, nShowProgressBar != 0);
    control_.RaiseCameraError(row::CABR, result);
    return result;
}

// --- Settings areas -----------------------------------------------------------

std::int32_t ControlMethods::ReadCurrentEEPROMArea() {
    if (control_.IsOnline() && control_.ReadParameter(row::EA, true) != rc::kOk) {
        return 0;
    }
    return control_.Value(row::EA);
}

std::string ControlMethods::ReadCurrentEEPROMAreaString() {
    std::string text;
    if (control_.GetValueText(row::EA, text, true, false) != rc::kOk) {
        return {};
    }
    return text;
}

ResultCode ControlMethods::LoadSettings() {
    // LD makes the camera load the selected area; reading everything then
    // brings the mirror up to date.
    ResultCode result = control_.SetValue(row::LD, control_.Value(row::EepromArea), true, true);
    if (result == rc::kOk) {
        int failedRow = 0;
        result = control_.ReadAll(&failedRow);
    }
    if (result == rc::kOk) {
        const std::int32_t pattern = std::clamp(control_.Value(row::TS), 0, kTestPatternLast);
        result = control_.SetValue(row::TS, pattern, true, true);
    }
    control_.RaiseCameraError(-1, result);
    return result;
}

ResultCode ControlMethods::StoreSettings() {
    const std::int32_t area = std::clamp(control_.Value(row::EepromArea), 0, kSettingsAreaLast);
    const ResultCode result = control_.SetValue(row::SA, area, true, true);
    control_.RaiseCameraError(-1, result);
    return result;
}

// --- One-push -----------------------------------------------------------------

ResultCode ControlMethods::DoOnePushAutoLineRateSet(std::int32_t* pnResult,
                                                    std::int32_t nShowResultMessage) {
    const ResultCode result = control_.SetValue(row::AR, 0, true, true);
    control_.RaiseCameraError(row::AR, result);
    if (result == rc::kOk) {
        Store(pnResult, kOnePushSucceeded);
        for (const int changed : kLineRateRefreshRows) {
            ReadBack(changed);
        }
    } else {
        Store(pnResult, kOnePushTimedOut);
    }
    if (nShowResultMessage == 1) {
        if (result == rc::kOk) {
            control_.Module().Ui().ShowMessage("Completed.", MessageIcon::Information);
        } else {
            control_.Module().Ui().ShowMessage("Failed, " + GetErrorText(result),
                                               MessageIcon::Stop);
        }
    }
    return result;
}

ResultCode ControlMethods::DoOnePushAWBShutter(std::int32_t* pnResult,
                                               std::int32_t nShowResultMessage) {
    return RunOnePush(row::AH, 0, row::AHRS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushAWB(std::int32_t* pnResult, std::int32_t nShowResultMessage) {
    return RunOnePush(row::AW, 0, row::AWRS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushShadingCorrection(std::int32_t nType, std::int32_t* pnResult,
                                                      std::int32_t nShowResultMessage) {
    if (nType != control_.Value(row::ShadingType)) {
        // A local row: SetValue clamps and stores it and reports the change
        // without sending anything.
        control_.SetValue(row::ShadingType, nType, true, false);
        control_.SetModifiedFlag();
    }
    return RunOnePush(row::SDR, nType, row::SDS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushPixelGainCorrection(std::int32_t* pnResult,
                                                        std::int32_t nShowResultMessage) {
    return RunOnePush(row::PGR, 0, row::PGS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::DoOnePushPixelBlackCorrection(std::int32_t* pnResult,
                                                         std::int32_t nShowResultMessage) {
    return RunOnePush(row::PBR, 0, row::PBS, pnResult, nShowResultMessage);
}

ResultCode ControlMethods::RunOnePush(int commandRow, std::int32_t commandValue, int resultRow,
                                      std::int32_t* pnResult, std::int32_t nShowResultMessage) {
    std::int32_t outcome = kOnePushNotFinished;
    Store(pnResult, outcome);
    ResultCode result = rc::kOk;
    {
        WaitCursor waitCursor(control_.Module().Ui());
        // Disconnect-on-failure stays off: a lost answer while the camera
        // calibrates must not take it offline.
        result = control_.SetValue(commandRow, commandValue, true, false);
        if (result == rc::kOk) {
            result = PollOnePushResult(resultRow, outcome);
            Store(pnResult, outcome);
        }
        if (result == rc::kOk && outcome == kOnePushSucceeded) {
            if (const OnePushCommand* command = FindOnePushCommand(commandRow)) {
                for (int i = 0; i < command->refreshCount; ++i) {
                    ReadBack(command->refreshRows[i]);
                }
            }
        }
    }
    if (nShowResultMessage != 0) {
        ShowOnePushMessage(commandRow, resultRow, result, outcome);
    }
    return result;
}

ResultCode ControlMethods::PollOnePushResult(int resultRow, std::int32_t& outcome) {
    Clock& clock = control_.Module().GetClock();
    const std::int64_t start = clock.NowMs();
    for (;;) {
        if (clock.NowMs() - start > kOnePushLimitMs) {
            return rc::kTimeout;
        }
        clock.SleepMs(kOnePushPollMs);
        if (HasFlag(resultRow, PF_READABLE) && control_.IsOnline() &&
            control_.IsRowSupported(resultRow)) {
            // Polling reads are not reported: the result events fire only
            // when the result changes by other means.
            if (const ResultCode read = control_.ReadParameter(resultRow, false); read != rc::kOk) {
                return read;
            }
        }
        outcome = control_.Value(resultRow);
        if (outcome != kOnePushNotFinished) {
            return rc::kOk;
        }
    }
}

void ControlMethods::ShowOnePushMessage(int commandRow, int resultRow, ResultCode result,
                                        std::int32_t outcome) {
    const OnePushCommand* command = FindOnePushCommand(commandRow);
    std::string text = command != nullptr ? command->messagePrefix : "";
    MessageIcon icon = MessageIcon::Stop;
    if (result != rc::kOk) {
        text += "failed, " + GetErrorText(result);
    } else if (outcome != kOnePushSucceeded) {
        text += "failed. \r\n\"" + control_.GetValueName(resultRow, outcome) + "\".";
    } else {
        text += "completed.";
        icon = MessageIcon::Information;
    }
    control_.Module().Ui().ShowMessage(text, icon);
}

void ControlMethods::ReadBack(int changedRow) {
    // A follow-up read is a courtesy: a failure neither raises nor takes the
    // camera offline, and the mirror keeps its old value.
    if (control_.IsOnline() && control_.ReadParameter(changedRow, false) == rc::kOk) {
        control_.ValueChanged(changedRow, false);
    }
}

}  // namespace xkiv
