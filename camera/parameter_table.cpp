// The constant parameter table: its rows, their conditions, bounds, value names and profile keys.
#include "camera/parameter_table.h"

#include <cstddef>
#include <iterator>

namespace xkiv {
namespace {

// ---- Conditions -------------------------------------------------------------------------------

constexpr ConditionNode kAlways{ConditionOp::True, 0, 0, nullptr, nullptr, nullptr};

constexpr ConditionNode Is(int row, std::int32_t value) {
    return {ConditionOp::Equals, row, value, nullptr, nullptr, nullptr};
}
constexpr ConditionNode IsNot(int row, std::int32_t value) {
    return {ConditionOp::Differs, row, value, nullptr, nullptr, nullptr};
}
// The model MD names has the feature of the model table's column from its firmware version.
constexpr ConditionNode ModelHasFrom(std::int32_t ModelEntry::*column) {
    return {ConditionOp::ModelFeature, row::VN, 0, nullptr, nullptr, nullptr, column};
}
constexpr ConditionNode Or(const ConditionNode& left, const ConditionNode& right) {
    return {ConditionOp::Or, 0, 0, nullptr, &left, &right};
}
constexpr ConditionNode And(const ConditionNode& left, const ConditionNode& right) {
    return {ConditionOp::And, 0, 0, nullptr, &left, &right};
}

constexpr ConditionNode kTrIsNoShutter = Is(row::TR, 0);
constexpr ConditionNode kShutterSelect = Is(row::TR, 1);
constexpr ConditionNode kTgEnable = Or(kTrIsNoShutter, kShutterSelect);
constexpr ConditionNode kInternalTrigger = Is(row::TG, 0);
constexpr ConditionNode kEiIndependent = Is(row::EI, 0);
constexpr ConditionNode kExposureIndividual = And(kShutterSelect, kEiIndependent);
constexpr ConditionNode kAwEnable = Is(row::WB, 0);
constexpr ConditionNode kKneeOn = Is(row::KN, 1);
constexpr ConditionNode kShadingUser = Is(row::SDC, 2);
constexpr ConditionNode kPixelGainUser = Is(row::PGC, 2);
constexpr ConditionNode kPixelBlackUser = Is(row::PBC, 2);
constexpr ConditionNode kUserAreaSelected = IsNot(row::EepromArea, 0);

constexpr ConditionNode kMavOn = Is(row::MAV, 1);

}  // namespace

constexpr ConditionNode kCableSupport = ModelHasFrom(&ModelEntry::cableFromFirmware);
constexpr ConditionNode kAberrationSupport = ModelHasFrom(&ModelEntry::aberrationFromFirmware);
constexpr ConditionNode kAberrationOn = And(kAberrationSupport, kMavOn);

namespace {

// The detail rows of one colour follow its left-side value: any non-zero value uses the
// area, a magnitude of 2 or 3 adds the second pixel, a magnitude of 3 the third.
constexpr ConditionNode kLeftRedSet = IsNot(row::CABLR, 0);
constexpr ConditionNode kLeftRedPlus2 = Is(row::CABLR, 2);
constexpr ConditionNode kLeftRedMinus2 = Is(row::CABLR, -2);
constexpr ConditionNode kLeftRedPlus3 = Is(row::CABLR, 3);
constexpr ConditionNode kLeftRedMinus3 = Is(row::CABLR, -3);
constexpr ConditionNode kLeftRedMagnitude2 = Or(kLeftRedPlus2, kLeftRedMinus2);
constexpr ConditionNode kLeftRedMagnitude3 = Or(kLeftRedPlus3, kLeftRedMinus3);
constexpr ConditionNode kLeftRedMagnitude2Or3 = Or(kLeftRedMagnitude2, kLeftRedMagnitude3);
constexpr ConditionNode kAreaRed = And(kAberrationOn, kLeftRedSet);
constexpr ConditionNode kSecondRed = And(kAberrationOn, kLeftRedMagnitude2Or3);
constexpr ConditionNode kThirdRed = And(kAberrationOn, kLeftRedMagnitude3);

constexpr ConditionNode kLeftBlueSet = IsNot(row::CABLB, 0);
constexpr ConditionNode kLeftBluePlus2 = Is(row::CABLB, 2);
constexpr ConditionNode kLeftBlueMinus2 = Is(row::CABLB, -2);
constexpr ConditionNode kLeftBluePlus3 = Is(row::CABLB, 3);
constexpr ConditionNode kLeftBlueMinus3 = Is(row::CABLB, -3);
constexpr ConditionNode kLeftBlueMagnitude2 = Or(kLeftBluePlus2, kLeftBlueMinus2);
constexpr ConditionNode kLeftBlueMagnitude3 = Or(kLeftBluePlus3, kLeftBlueMinus3);
constexpr ConditionNode kLeftBlueMagnitude2Or3 = Or(kLeftBlueMagnitude2, kLeftBlueMagnitude3);
constexpr ConditionNode kAreaBlue = And(kAberrationOn, kLeftBlueSet);
constexpr ConditionNode kSecondBlue = And(kAberrationOn, kLeftBlueMagnitude2Or3);
constexpr ConditionNode kThirdBlue = And(kAberrationOn, kLeftBlueMagnitude3);

// ---- Conditional bounds -----------------------------------------------------------------------

constexpr RangeRule Value(const ConditionNode& condition, std::int32_t ifTrue,
                          std::int32_t ifFalse) {
    return {&condition, ifTrue, ifFalse, nullptr, nullptr};
}

// The line rate bounds depend on the model and on whether the sensor reads out fully
// (SRO = 0) or partly.
constexpr ConditionNode kFullReadOut = Is(row::SRO, 0);

constexpr RangeRule ByReadOut(std::int32_t ModelEntry::*full, std::int32_t ModelEntry::*partial) {
    return {&kFullReadOut, 0, 0, nullptr, nullptr, full, partial};
}
constexpr RangeRule OfModel(std::int32_t ModelEntry::*column) {
    return {nullptr, 0, 0, nullptr, nullptr, column, nullptr};
}

constexpr RangeRule kLineRateMin =
    ByReadOut(&ModelEntry::lineRateMinimumFull, &ModelEntry::lineRateMinimumPartial);
constexpr RangeRule kLineRateMax =
    ByReadOut(&ModelEntry::lineRateMaximumFull, &ModelEntry::lineRateMaximumPartial);
constexpr std::int32_t kLineRateLargest = LargestOver(&ModelEntry::lineRateMaximumFull);

// The exposure minimum is 800 on every model; only the maximum needs a rule.
constexpr std::int32_t kExposureMinimum = 800;
constexpr RangeRule kExposureMax = OfModel(&ModelEntry::exposureMaximum);
constexpr std::int32_t kExposureLargest = LargestOver(&ModelEntry::exposureMaximum);

// Gains and black levels widen when the colours are set individually (GM / BLM != 0).
constexpr ConditionNode kGainTracking = Is(row::GM, 0);
constexpr ConditionNode kBlackTracking = Is(row::BLM, 0);
constexpr RangeRule kMasterGainMin = Value(kGainTracking, 0, -402);
constexpr RangeRule kMasterGainMax = Value(kGainTracking, 802, 1404);
constexpr RangeRule kColourGainMin = Value(kGainTracking, -402, -402);
constexpr RangeRule kColourGainMax = Value(kGainTracking, 602, 1404);
constexpr RangeRule kMasterBlackMin = Value(kBlackTracking, 0, 0);
constexpr RangeRule kMasterBlackMax = Value(kBlackTracking, 127, 127);
constexpr RangeRule kColourBlackMin = Value(kBlackTracking, -64, 0);
constexpr RangeRule kColourBlackMax = Value(kBlackTracking, 63, 127);

// ---- Value names ------------------------------------------------------------------------------

constexpr ValueName kOffOn[] = {{0, "Off", &kAlways}, {1, "On", &kAlways}};
constexpr ValueName kReadOut[] = {
    {0, "Off", &kAlways}, {1, "Sub-Sampling", &kAlways}, {2, "Windowing", &kAlways}};
constexpr ValueName kBitAllocation[] = {{0, "24 bits", &kAlways}, {1, "30 bits", &kAlways}};
constexpr ValueName kTestPattern[] = {{0, "Off", &kAlways},
                                      {1, "Color Bar", &kAlways},
                                      {2, "Gray Pattern 1", &kAlways},
                                      {3, "Gray Pattern 2", &kAlways},
                                      {4, "White", &kAlways}};
constexpr ValueName kTriggerMode[] = {
    {0, "No Shutter", &kAlways}, {1, "Shutter Select", &kAlways}, {2, "PWC", &kAlways}};
constexpr ValueName kTriggerOrigin[] = {{0, "Internal", &kAlways}, {1, "External", &kAlways}};
constexpr ValueName kTriggerInput[] = {{0, "Camera Link", &kAlways}, {1, "Hirose 12pin", &kAlways}};
constexpr ValueName kPolarity[] = {{0, "Active Low", &kAlways}, {1, "Acitve High", &kAlways}};
constexpr ValueName kAutoReset[] = {
    {0, "Off", &kAlways}, {1, "Auto Reset", &kAlways}, {2, "Auto Interval", &kAlways}};
constexpr ValueName kExposureMode[] = {{0, "Independent", &kAlways}, {1, "Interlocked", &kAlways}};
constexpr ValueName kOnePushResult[] = {{0, "Not Yet Finished", &kAlways},
                                        {1, "Succeeded", &kAlways},
                                        {2, "Too Bright", &kAlways},
                                        {3, "Too Dark", &kAlways},
                                        {4, "Time Out", &kAlways}};
constexpr ValueName kTracking[] = {{0, "Master Tracking", &kAlways}, {1, "Individual", &kAlways}};
constexpr ValueName kSensorGain[] = {{0, "Low", &kAlways}, {1, "High", &kAlways}};
constexpr ValueName kWhiteBalance[] = {{0, "One Push AWB", &kAlways},
                                       {1, "4000K", &kAlways},
                                       {2, "4600K", &kAlways},
                                       {3, "5600K", &kAlways}};
constexpr ValueName kCorrectionSource[] = {
    {0, "Off", &kAlways}, {1, "Factory Area", &kAlways}, {2, "User Area", &kAlways}};
constexpr ValueName kShadingType[] = {{0, "Flat", &kAlways}, {1, "Color", &kAlways}};
constexpr ValueName kCable[] = {
    {0, "1-5m", &kAlways}, {1, "5-10m", &kAlways}, {2, "10-15m", &kAlways}};
constexpr ValueName kLeftSide[] = {{-3, "L3", &kAlways}, {-2, "L2", &kAlways}, {-1, "L1", &kAlways},
                                   {0, "0", &kAlways},   {1, "R1", &kAlways},  {2, "R2", &kAlways},
                                   {3, "R3", &kAlways}};
constexpr ValueName kEepromArea[] = {
    {0, "Factory Area", &kAlways}, {1, "User1 Area", &kAlways}, {2, "User2 Area", &kAlways}};

// ---- Row builders -----------------------------------------------------------------------------

struct Timeouts {
    std::uint32_t write;
    std::uint32_t read;
};
constexpr Timeouts kSetting{1000, 1000};
constexpr Timeouts kStatus{0, 1000};
constexpr Timeouts kResult{0, 10000};
constexpr Timeouts kLocalOnly{0, 0};
constexpr Timeouts Command(std::uint32_t writeMs) {
    return {writeMs, 0};
}

constexpr std::int32_t IndexRowFor(std::uint32_t flags) {
    return (flags & PF_INDEXED) != 0 ? row::MAVCG : 0;
}

// A row with fixed bounds (for a text row: 0 and its length).
constexpr ParameterEntry Fixed(std::uint32_t flags, const char* mnemonic, ParameterKey profile,
                               std::int32_t minimum, std::int32_t maximum, Timeouts timeouts,
                               const ConditionNode* enable = &kAlways,
                               const ConditionNode* support = &kAlways) {
    return {
        flags,  mnemonic, IndexRowFor(flags), minimum,       maximum, nullptr, nullptr, 0, nullptr,
        enable, support,  timeouts.write,     timeouts.read, profile};
}

// A row with a value-name list; its fixed bounds are the list's first and last values.
template <std::size_t N>
constexpr ParameterEntry Named(std::uint32_t flags, const char* mnemonic, ParameterKey profile,
                               const ValueName (&names)[N], Timeouts timeouts,
                               const ConditionNode* enable = &kAlways,
                               const ConditionNode* support = &kAlways) {
    return {flags,
            mnemonic,
            IndexRowFor(flags),
            names[0].value,
            names[N - 1].value,
            nullptr,
            nullptr,
            static_cast<std::int32_t>(N),
            names,
            enable,
            support,
            timeouts.write,
            timeouts.read,
            profile};
}

constexpr ParameterEntry WithMaximum(ParameterEntry entry, std::int32_t maximum) {
    entry.maximum = maximum;
    return entry;
}

// The value a row takes before the profile has one, instead of its minimum.
constexpr ParameterEntry StartsAt(ParameterEntry entry, std::int32_t firstRun) {
    entry.firstRun = firstRun;
    return entry;
}
constexpr ParameterEntry StartsAtMaximum(ParameterEntry entry) {
    return StartsAt(entry, entry.maximum);
}

// A setting added after settings files were written: those files still load, and the
// camera keeps its value for it. No row of today needs it.
[[maybe_unused]] constexpr ParameterEntry AddedLater(ParameterEntry entry) {
    entry.flags |= PF_MAY_BE_ABSENT;
    return entry;
}

// A row whose bounds come from rules. Its fixed bounds are then used only as the first-run
// default (the fixed minimum) and as a description of the widest range: the minimum is 0
// (or the one minimum every model shares), the maximum the largest any rule gives.
constexpr ParameterEntry Ruled(std::uint32_t flags, const char* mnemonic, ParameterKey profile,
                               std::int32_t minimum, std::int32_t maximum,
                               const RangeRule* minimumRule, const RangeRule* maximumRule,
                               Timeouts timeouts, const ConditionNode* enable = &kAlways) {
    return {flags,         mnemonic,    IndexRowFor(flags), minimum,
            maximum,       minimumRule, maximumRule,        0,
            nullptr,       enable,      &kAlways,           timeouts.write,
            timeouts.read, profile};
}

// The flag words of the kinds of row, each held against its documented value.

// A setting the camera keeps in its data set and the profile keeps between runs.
constexpr std::uint32_t kSettingFlags = PF_READABLE | PF_WRITABLE | PF_CAMERA_DATA | PF_PROFILE;
// A setting that other rows' conditions, bounds or labels depend on.
constexpr std::uint32_t kLeadingSetting = kSettingFlags | PF_HAS_DEPENDENTS;
// Settings only some models and firmware versions have.
constexpr std::uint32_t kModelSetting = kSettingFlags | PF_MODEL_DEPENDENT;
constexpr std::uint32_t kUncheckedModelSetting = kModelSetting | PF_NO_RANGE_CHECK;
constexpr std::uint32_t kLeadingUncheckedModelSetting = kUncheckedModelSetting | PF_HAS_DEPENDENTS;
constexpr std::uint32_t kModelText16 = PF_STRING | kModelSetting | PF_HAS_DEPENDENTS;
// The aberration rows held once per FIR filter selection.
constexpr std::uint32_t kIndexedLeading = kModelSetting | PF_INDEXED | PF_HAS_DEPENDENTS;
constexpr std::uint32_t kIndexedUnchecked = kUncheckedModelSetting | PF_INDEXED;
// A model-dependent value that is neither in the camera data set nor in the profile.
constexpr std::uint32_t kModelUnsavedSetting = PF_READABLE | PF_WRITABLE | PF_MODEL_DEPENDENT;
// Identification and status the camera reports.
constexpr std::uint32_t kStatusData = PF_READABLE | PF_CAMERA_DATA;
constexpr std::uint32_t kTextReadOnly = PF_STRING | kStatusData;
constexpr std::uint32_t kModelText = kTextReadOnly | PF_PROFILE | PF_HAS_DEPENDENTS;
constexpr std::uint32_t kUserText = kTextReadOnly | PF_WRITABLE;
constexpr std::uint32_t kStatusOnly = PF_READABLE;
constexpr std::uint32_t kStatusNoBulk = PF_READABLE | PF_NO_BULK;
// Commands, and the echo and unlock exchanges that never reach the log.
constexpr std::uint32_t kCommand = PF_WRITABLE;
constexpr std::uint32_t kQuietCommand = PF_WRITABLE | PF_QUIET;
constexpr std::uint32_t kQuietSetting = PF_READABLE | PF_WRITABLE | PF_QUIET;
// A local setting: never sent, kept in the profile.
constexpr std::uint32_t kLocal = PF_PROFILE;

static_assert(kSettingFlags == 0x00000306 && kLeadingSetting == 0x00000706);
static_assert(kModelSetting == 0x0000030e && kUncheckedModelSetting == 0x0000031e &&
              kLeadingUncheckedModelSetting == 0x0000071e && kModelText16 == 0x0000070f);
static_assert(kIndexedLeading == 0x0000074e && kIndexedUnchecked == 0x0000035e &&
              kModelUnsavedSetting == 0x0000000e);
static_assert(kStatusData == 0x00000102 && kTextReadOnly == 0x00000103 &&
              kModelText == 0x00000703 && kUserText == 0x00000107 && kStatusOnly == 0x00000002 &&
              kStatusNoBulk == 0x80000002);
static_assert(kCommand == 0x00000004 && kQuietCommand == 0x01000004 &&
              kQuietSetting == 0x01000006 && kLocal == 0x00000200);

// Profile sections, in the order the profile and settings files list them.
constexpr const char* kGeneral = "General";
constexpr const char* kFormat = "Format";
constexpr const char* kTrigger = "Trigger";
constexpr const char* kExposure = "Exposure";
constexpr const char* kGain = "Gain";
constexpr const char* kOthers = "Others";
constexpr const char* kUserArea = "User Area";

constexpr std::int32_t kIdLength = 12;
constexpr std::int32_t kInputNameLength = 16;

}  // namespace

constexpr std::array<ParameterEntry, kParameterCount> kParameterTable = {{
    Fixed(kQuietSetting, "EB", {kGeneral, "Echo"}, 0, 1, kSetting),
    Fixed(kStatusNoBulk, "ST", {kGeneral, "Camera Status"}, 0, 0, kStatus),
    Fixed(kStatusNoBulk, "HP", {kGeneral, "Help"}, 0, 0, kStatus),
    Fixed(kStatusData, "VN", {kGeneral, "Firmware Version"}, 0, 999, kStatus),
    Fixed(kStatusData, "PV", {kGeneral, "FPGA Version"}, 0, 999, kStatus),
    Fixed(kTextReadOnly, "ID", {kGeneral, "Camera ID"}, 0, kIdLength, kStatus),
    Fixed(kModelText, "MD", {kGeneral, "Model Name"}, 0, kIdLength, kStatus),
    Fixed(kUserText, "UD", {kGeneral, "User ID"}, 0, kIdLength, kSetting),
    Fixed(kQuietCommand, "ULCK", {kGeneral, "Unlock"}, 0, 9999, kSetting),
    Named(kSettingFlags, "BI", {kFormat, "V Binning"}, kOffOn, kSetting),
    Named(kSettingFlags, "BA", {kFormat, "Bit Allocation"}, kBitAllocation, kSetting),
    Named(kSettingFlags, "TS", {kFormat, "Test Pattern"}, kTestPattern, kSetting),
    Named(kLeadingSetting, "SRO", {kFormat, "Sensor Read Out"}, kReadOut, kSetting),
    Named(kLeadingSetting, "TR", {kTrigger, "Trigger Mode"}, kTriggerMode, kSetting),
    Named(kLeadingSetting, "TG", {kTrigger, "Trigger Origin"}, kTriggerOrigin, kSetting,
          &kTgEnable),
    Named(kSettingFlags, "TI", {kTrigger, "Trigger Input"}, kTriggerInput, kSetting),
    Named(kSettingFlags, "TP", {kTrigger, "Trigger Polarity"}, kPolarity, kSetting),
    // ARST's fixed maximum is 1 although three names are listed.
    WithMaximum(Named(kSettingFlags, "ARST", {kTrigger, "Auto Reset Mode"}, kAutoReset, kSetting),
                1),
    // 0 as the fixed minimum makes a first run without a profile start LR at 0.
    Ruled(kSettingFlags, "LR", {kExposure, "Line Rate"}, 0, kLineRateLargest, &kLineRateMin,
          &kLineRateMax, kSetting, &kInternalTrigger),
    Fixed(kCommand, "AR", {kExposure, "One Push Line Rate Set"}, 0, 0, Command(5000),
          &kInternalTrigger),
    Fixed(kSettingFlags, "AL", {kExposure, "Line Rate Reference"}, 0, 1023, kSetting),
    Named(kLeadingSetting, "EI", {kExposure, "Exposure Mode"}, kExposureMode, kSetting,
          &kShutterSelect),
    Ruled(kSettingFlags, "PER", {kExposure, "Exposure Red"}, kExposureMinimum, kExposureLargest,
          nullptr, &kExposureMax, kSetting, &kExposureIndividual),
    Ruled(kSettingFlags, "PEG", {kExposure, "Exposure Green"}, kExposureMinimum, kExposureLargest,
          nullptr, &kExposureMax, kSetting, &kShutterSelect),
    Ruled(kSettingFlags, "PEB", {kExposure, "Exposure Blue"}, kExposureMinimum, kExposureLargest,
          nullptr, &kExposureMax, kSetting, &kExposureIndividual),
    Fixed(kCommand, "AH", {kExposure, "One Push AWB By Exposure"}, 0, 0, Command(5000),
          &kShutterSelect),
    Named(kStatusOnly, "AHRS", {kExposure, "AWBS Result"}, kOnePushResult, kResult),
    Named(kLeadingSetting, "GM", {kGain, "Gain Mode"}, kTracking, kSetting),
    Ruled(kSettingFlags, "GA", {kGain, "Master Gain"}, 0, 1404, &kMasterGainMin, &kMasterGainMax,
          kSetting),
    Ruled(kSettingFlags, "GAR", {kGain, "Red Gain"}, 0, 1404, &kColourGainMin, &kColourGainMax,
          kSetting),
    Ruled(kSettingFlags, "GAB", {kGain, "Blue Gain"}, 0, 1404, &kColourGainMin, &kColourGainMax,
          kSetting),
    Named(kSettingFlags, "SGR", {kGain, "Red Sensor Gain"}, kSensorGain, kSetting),
    Named(kSettingFlags, "SGG", {kGain, "Green Sensor Gain"}, kSensorGain, kSetting),
    Named(kSettingFlags, "SGB", {kGain, "Blue Sensor Gain"}, kSensorGain, kSetting),
    Named(kLeadingSetting, "WB", {kGain, "White Balance Mode"}, kWhiteBalance, kSetting),
    Fixed(kCommand, "AW", {kGain, "One Push AWB By Gain"}, 0, 0, Command(5000), &kAwEnable),
    Named(kStatusOnly, "AWRS", {kGain, "White Balance Result"}, kOnePushResult, kResult),
    Named(kLeadingSetting, "BLM", {kGain, "Black Level Mode"}, kTracking, kSetting),
    Ruled(kSettingFlags, "BL", {kGain, "Master Black Level"}, 0, 127, &kMasterBlackMin,
          &kMasterBlackMax, kSetting),
    Ruled(kSettingFlags, "BLR", {kGain, "Red Black Level"}, 0, 127, &kColourBlackMin,
          &kColourBlackMax, kSetting),
    Ruled(kSettingFlags, "BLB", {kGain, "Blue Black Level"}, 0, 127, &kColourBlackMin,
          &kColourBlackMax, kSetting),
    Named(kLeadingSetting, "KN", {kGain, "Knee Mode"}, kOffOn, kSetting),
    Fixed(kSettingFlags, "KSR", {kGain, "Red Knee Slope"}, 0, 65535, kSetting, &kKneeOn),
    Fixed(kSettingFlags, "KSG", {kGain, "Green Knee Slope"}, 0, 65535, kSetting, &kKneeOn),
    Fixed(kSettingFlags, "KSB", {kGain, "Blue Knee Slope"}, 0, 65535, kSetting, &kKneeOn),
    Fixed(kSettingFlags, "KPR", {kGain, "Red Knee Point"}, 0, 1023, kSetting, &kKneeOn),
    Fixed(kSettingFlags, "KPG", {kGain, "Green Knee Point"}, 0, 1023, kSetting, &kKneeOn),
    Fixed(kSettingFlags, "KPB", {kGain, "Blue Knee Point"}, 0, 1023, kSetting, &kKneeOn),
    Named(kLeadingSetting, "SDC", {kOthers, "Shading Mode"}, kCorrectionSource, kSetting),
    Named(kLocal, "", {kOthers, "Shading Type"}, kShadingType, kSetting, &kShadingUser),
    Named(kCommand, "SDR", {kOthers, "One Push Shading Correction"}, kShadingType, Command(20000),
          &kShadingUser),
    Named(kStatusOnly, "SDS", {kOthers, "Shading Result"}, kOnePushResult, kResult),
    Named(kLeadingSetting, "PGC", {kOthers, "Pixel Gain Mode"}, kCorrectionSource, kSetting),
    Fixed(kCommand, "PGR", {kOthers, "One Push Pixel Gain"}, 0, 0, Command(60000), &kPixelGainUser),
    Named(kStatusOnly, "PGS", {kOthers, "Pixel Gain Result"}, kOnePushResult, kResult),
    Named(kLeadingSetting, "PBC", {kOthers, "Pixel Black Mode"}, kCorrectionSource, kSetting),
    Fixed(kCommand, "PBR", {kOthers, "Pixel Black One Push"}, 0, 0, Command(60000),
          &kPixelBlackUser),
    Named(kStatusOnly, "PBS", {kOthers, "Pixel Black Result"}, kOnePushResult, kResult),
    Named(kSettingFlags, "NR", {kOthers, "Noise Reduction"}, kOffOn, kSetting),
    Named(kModelSetting, "SCB", {kOthers, "Cable Selection"}, kCable, kSetting, &kAlways,
          &kCableSupport),
    Named(kLeadingUncheckedModelSetting, "MAV", {kOthers, "Moving Average Control"}, kOffOn,
          kSetting, &kAberrationSupport, &kAberrationSupport),
    Fixed(kModelSetting, "MAVCG", {kOthers, "FIR Filter Selection"}, 0, 2, kSetting, &kAberrationOn,
          &kAberrationSupport),
    // The shift range is symmetric: its upper bound is 32768, not 32767.
    Fixed(kModelUnsavedSetting, "CABR", {kOthers, "Red Chromatic Aberration"}, -32768, 32768,
          kSetting, &kAberrationOn, &kAberrationSupport),
    Fixed(kModelUnsavedSetting, "CABB", {kOthers, "Blue Chromatic Aberration"}, -32768, 32768,
          kSetting, &kAberrationOn, &kAberrationSupport),
    Named(kUncheckedModelSetting, "HPFC", {kOthers, "APF Control"}, kOffOn, kSetting, &kAlways,
          &kCableSupport),
    Fixed(kModelText16, "CABN1", {kOthers, "Aberration Input Name 1"}, 0, kInputNameLength,
          kSetting, &kAberrationOn, &kAberrationSupport),
    Fixed(kModelText16, "CABN2", {kOthers, "Aberration Input Name 2"}, 0, kInputNameLength,
          kSetting, &kAberrationOn, &kAberrationSupport),
    Fixed(kModelText16, "CABN3", {kOthers, "Aberration Input Name 3"}, 0, kInputNameLength,
          kSetting, &kAberrationOn, &kAberrationSupport),
    Named(kIndexedLeading, "CABLR", {kOthers, "Aberration Left Red"}, kLeftSide, kSetting,
          &kAberrationOn, &kAberrationSupport),
    Named(kIndexedLeading, "CABLB", {kOthers, "Aberration Left Blue"}, kLeftSide, kSetting,
          &kAberrationOn, &kAberrationSupport),
    // The fixed bounds of the detail rows CABAR to CABTB describe their widest range; the
    // effective bounds come from the left-side value and the neighbouring detail rows.
    // The aberration areas start at their widest setting.
    StartsAtMaximum(Fixed(kIndexedUnchecked, "CABAR", {kOthers, "Aberration Area Red"}, 1, 8,
                          kSetting, &kAreaRed, &kAberrationSupport)),
    // The aberration areas start at their widest setting.
    StartsAtMaximum(Fixed(kIndexedUnchecked, "CABAB", {kOthers, "Aberration Area Blue"}, 1, 8,
                          kSetting, &kAreaBlue, &kAberrationSupport)),
    Fixed(kIndexedUnchecked, "CABSR", {kOthers, "Aberration Second Pixel Red"}, 1, 7, kSetting,
          &kSecondRed, &kAberrationSupport),
    Fixed(kIndexedUnchecked, "CABSB", {kOthers, "Aberration Second Pixel Blue"}, 1, 7, kSetting,
          &kSecondBlue, &kAberrationSupport),
    Fixed(kIndexedUnchecked, "CABTR", {kOthers, "Aberration Third Pixel Red"}, 1, 6, kSetting,
          &kThirdRed, &kAberrationSupport),
    Fixed(kIndexedUnchecked, "CABTB", {kOthers, "Aberration Third Pixel Blue"}, 1, 6, kSetting,
          &kThirdBlue, &kAberrationSupport),
    Named(kLocal, "", {kUserArea, "EEPROM Area"}, kEepromArea, kLocalOnly),
    Named(kCommand, "LD", {kUserArea, "Load Area"}, kEepromArea, Command(10000)),
    Named(kCommand, "SA", {kUserArea, "Save Area"}, kEepromArea, Command(20000),
          &kUserAreaSelected),
    Named(kStatusData, "EA", {kUserArea, "Power Up Setting"}, kEepromArea, kStatus),
}};

namespace {

// Checks of the table's shape that the compiler can make once and for all.
constexpr std::uint32_t kUsedFlagBits = PF_STRING | PF_READABLE | PF_WRITABLE | PF_MODEL_DEPENDENT |
                                        PF_NO_RANGE_CHECK | PF_NO_ANSWER | PF_INDEXED |
                                        PF_CAMERA_DATA | PF_PROFILE | PF_HAS_DEPENDENTS |
                                        PF_MAY_BE_ABSENT | PF_QUIET | PF_NO_BULK;

constexpr bool RowIsWellFormed(const ParameterEntry& entry) {
    const bool indexed = (entry.flags & PF_INDEXED) != 0;
    const bool text = (entry.flags & PF_STRING) != 0;
    return (entry.flags & ~kUsedFlagBits) == 0 && (entry.flags & PF_NO_ANSWER) == 0 &&
           entry.mnemonic != nullptr && entry.indexRow == (indexed ? row::MAVCG : 0) &&
           entry.minimum <= entry.maximum &&
           (entry.valueNameCount > 0) == (entry.valueNames != nullptr) &&
           !(text && entry.valueNameCount > 0) && entry.enableCondition != nullptr &&
           entry.supportCondition != nullptr;
}

constexpr bool TableIsWellFormed() {
    int indexedRows = 0;
    int localRows = 0;
    for (const ParameterEntry& entry : kParameterTable) {
        if (!RowIsWellFormed(entry)) {
            return false;
        }
        indexedRows += (entry.flags & PF_INDEXED) != 0 ? 1 : 0;
        localRows += entry.mnemonic[0] == '\0' ? 1 : 0;
    }
    return indexedRows == 8 && localRows == 2 &&
           kParameterTable[row::ShadingType].mnemonic[0] == '\0' &&
           kParameterTable[row::EepromArea].mnemonic[0] == '\0';
}

constexpr bool KeysAreComplete() {
    for (const ParameterEntry& entry : kParameterTable) {
        const ParameterKey& key = entry.profile;
        if (key.section == nullptr || key.key == nullptr || key.key[0] == '\0') {
            return false;
        }
    }
    return true;
}

static_assert(TableIsWellFormed());
static_assert(KeysAreComplete());
static_assert(std::size(kLeftSide) == 7 && kParameterTable[row::CABLR].minimum == -3 &&
              kParameterTable[row::CABLR].maximum == 3);

}  // namespace

}  // namespace xkiv
