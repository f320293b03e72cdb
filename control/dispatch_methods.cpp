// The control's dispatch methods: the table of the methods with their handlers, their
// type-library descriptions, and the dispatch by dispid to the method families.
#include "control/dispatch_methods.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "camera/parameter_table.h"
#include "control/control.h"
#include "control/dispatch_method_families.h"
#include "control/member_table.h"
#include "control/method_help.h"

namespace xkiv {

using automation::DispId;
using automation::MemberInfo;
using automation::ParamInfo;
using automation::ParamType;
using automation::Variant;

namespace {

using method_families::AnswerRangeOrName;
using method_families::FindByDispid;
using Param = automation::ParamInfo;

using Handler = Variant (*)(ControlMethods&, const std::vector<Variant>&);

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

// What a method returns; a result code travels as a long.
enum class MethodResult { Bool, Long, Text, ResultCode };

struct Method {
    DispId dispid;
    const char* name;
    MethodResult result;
    std::array<Param, kMaxParams> params;  // in order; the slots left over have an empty name
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

constexpr ParamType ResultType(MethodResult result) {
    switch (result) {
        case MethodResult::Bool:
            return ParamType::Bool;
        case MethodResult::Text:
            return ParamType::String;
        case MethodResult::Long:
        case MethodResult::ResultCode:
            break;
    }
    return ParamType::Long;
}

using Args = const std::vector<Variant>&;
using Methods = ControlMethods&;
constexpr MethodResult kBool = MethodResult::Bool;
constexpr MethodResult kLong = MethodResult::Long;
constexpr MethodResult kText = MethodResult::Text;
constexpr MethodResult kCode = MethodResult::ResultCode;

// clang-format off
constexpr std::array kMethods = {
    Method{100, "CheckOnline", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckOnline()); }},
    Method{101, "CheckSynchronized", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckSynchronized()); }},
    Method{102, "CheckSending", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckSending()); }},
    Method{103, "CheckReceiving", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckReceiving()); }},
    Method{104, "CheckModelAsRZ130LX", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckModelAsRZ130LX()); }},
    Method{105, "CheckModelAsRZ150LX", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckModelAsRZ150LX()); }},
    Method{106, "CheckModelAsRZ150LX_HR", kBool, {},
           [](Methods m, Args) { return Variant::Bool(m.CheckModelAsRZ150LX_HR()); }},
    Method{107, "AskCommClassRange", kLong, {kMinMax},
           [](Methods m, Args a) { return Variant::Long(m.AskCommClassRange(LongArg(a, 0))); }},
    Method{108, "AskCommClassString", kText, {kIndex},
           [](Methods m, Args a) { return Variant::String(m.AskCommClassString(LongArg(a, 0))); }},
    Method{109, "AskCommPortRange", kLong, {kClass, kMinMax},
           [](Methods m, Args a) { return Variant::Long(m.AskCommPortRange(LongArg(a, 0), LongArg(a, 1))); }},
    Method{110, "AskCommPortString", kText, {kClass, kIndex},
           [](Methods m, Args a) {
               return Variant::String(m.AskCommPortString(LongArg(a, 0), LongArg(a, 1)));
           }},
    Method{111, "StartCommunication", kCode, {kClass, kPort},
           [](Methods m, Args a) { return Variant::Long(m.StartCommunication(LongArg(a, 0), LongArg(a, 1))); }},
    Method{112, "AutoSelectCommunication", kLong, {kClassOut, kPortOut, kShowProgressBar},
           [](Methods m, Args a) {
               return Variant::Long(
                   m.AutoSelectCommunication(RefArg(a, 0), RefArg(a, 1), LongArg(a, 2)));
           }},
    Method{113, "ReadAllFromCamera", kCode, {},
           [](Methods m, Args) { return Variant::Long(m.ReadAllFromCamera()); }},
    Method{114, "WriteAllToCamera", kCode, {},
           [](Methods m, Args) { return Variant::Long(m.WriteAllToCamera()); }},
    Method{115, "ReadAllFromFile", kCode, {kFileName},
           [](Methods m, Args a) { return Variant::Long(m.ReadAllFromFile(TextArg(a, 0))); }},
    Method{116, "WriteAllToFile", kCode, {kFileName},
           [](Methods m, Args a) { return Variant::Long(m.WriteAllToFile(TextArg(a, 0))); }},
    Method{117, "WriteCameraDataToFile", kCode, {kFileName},
           [](Methods m, Args a) { return Variant::Long(m.WriteCameraDataToFile(TextArg(a, 0))); }},
    Method{122, "ReadCurrentEEPROMArea", kLong, {},
           [](Methods m, Args) { return Variant::Long(m.ReadCurrentEEPROMArea()); }},
    Method{123, "ReadCurrentEEPROMAreaString", kText, {},
           [](Methods m, Args) { return Variant::String(m.ReadCurrentEEPROMAreaString()); }},
    Method{124, "LoadSettings", kCode, {},
           [](Methods m, Args) { return Variant::Long(m.LoadSettings()); }},
    Method{125, "StoreSettings", kCode, {},
           [](Methods m, Args) { return Variant::Long(m.StoreSettings()); }},
    Method{180, "DoOnePushAutoLineRateSet", kCode, {kResultOut, kShowResultMessage},
           [](Methods m, Args a) {
               return Variant::Long(m.DoOnePushAutoLineRateSet(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{181, "DoOnePushAWBShutter", kCode, {kResultOut, kShowResultMessage},
           [](Methods m, Args a) {
               return Variant::Long(m.DoOnePushAWBShutter(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{182, "DoOnePushAWB", kCode, {kResultOut, kShowResultMessage},
           [](Methods m, Args a) { return Variant::Long(m.DoOnePushAWB(RefArg(a, 0), LongArg(a, 1))); }},
    Method{183, "DoOnePushShadingCorrection", kCode, {kType, kResultOut, kShowResultMessage},
           [](Methods m, Args a) {
               return Variant::Long(
                   m.DoOnePushShadingCorrection(LongArg(a, 0), RefArg(a, 1), LongArg(a, 2)));
           }},
    Method{184, "DoOnePushPixelGainCorrection", kCode, {kResultOut, kShowResultMessage},
           [](Methods m, Args a) {
               return Variant::Long(m.DoOnePushPixelGainCorrection(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{185, "DoOnePushPixelBlackCorrection", kCode, {kResultOut, kShowResultMessage},
           [](Methods m, Args a) {
               return Variant::Long(m.DoOnePushPixelBlackCorrection(RefArg(a, 0), LongArg(a, 1)));
           }},
    Method{197, "ReadChromaticAberrationFromFile", kCode, {kFileName, kShowProgressBar},
           [](Methods m, Args a) {
               return Variant::Long(m.ReadChromaticAberrationFromFile(TextArg(a, 0), LongArg(a, 1)));
           }},
    Method{198, "WriteChromaticAberrationToFile", kCode, {kFileName, kShowProgressBar},
           [](Methods m, Args a) {
               return Variant::Long(m.WriteChromaticAberrationToFile(TextArg(a, 0), LongArg(a, 1)));
           }},
};
// clang-format on

constexpr std::span<const Param> ParamsOf(const Method& method) {
    std::size_t count = 0;
    while (count < method.params.size() && !method.params[count].name.empty()) {
        ++count;
    }
    return {method.params.data(), count};
}

constexpr auto MethodNames() {
    std::array<std::string_view, kMethods.size()> names{};
    for (std::size_t i = 0; i < kMethods.size(); ++i) {
        names[i] = kMethods[i].name;
    }
    return names;
}

constexpr auto kMethodNames = MethodNames();
constexpr auto kMethodHelpChars =
    method_help::Write<method_help::TotalLength(kMethodNames)>(kMethodNames);
constexpr auto kMethodHelp = method_help::Views(kMethodNames, kMethodHelpChars);

constexpr auto BuildMethodMembers() {
    std::array<MemberInfo, kMethods.size()> members{};
    for (std::size_t i = 0; i < kMethods.size(); ++i) {
        const Method& method = kMethods[i];
        members[i] = {method.dispid,
                      method.name,
                      automation::MemberKind::Method,
                      ResultType(method.result),
                      ParamsOf(method),
                      false,
                      kMethodHelp[i],
                      method.result == MethodResult::ResultCode};
    }
    std::sort(members.begin(), members.end(),
              [](const MemberInfo& a, const MemberInfo& b) { return a.dispid < b.dispid; });
    return members;
}

constexpr auto kMethodMembers = BuildMethodMembers();

}  // namespace

std::span<const automation::MemberInfo> MethodMembers() {
    return kMethodMembers;
}

ControlMethods::ControlMethods(CXKivRZ150LXCtrl& control) : control_(control) {}

automation::Variant ControlMethods::Invoke(const automation::MemberInfo& member,
                                           std::vector<automation::Variant>& args) {
    if (std::optional<Variant> answer =
            AnswerRangeOrName(member.dispid, LongArg(args, 0), control_)) {
        return *answer;
    }
    if (const Method* method = FindByDispid(kMethods, member.dispid)) {
        return method->handler(*this, args);
    }
    // Only reachable when the member came from another interface's table.
    throw automation::AutomationException(
        {automation::kMemberNotFound, "No method " + std::string(member.name), 0});
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

}  // namespace xkiv
