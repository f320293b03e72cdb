// The constant parameter table: 80 rows, their conditions, bounds, value names and profile keys.
#include "camera/parameter_table.h"

#include <cstddef>
#include <iterator>

namespace xkiv {
namespace {

// ---- Conditions -------------------------------------------------------------------------------

enum Op : std::int32_t {
    kTrue = 0,
    kEquals = 4,
    kDiffers = 5,
    kAtLeast = 9,
    kTextEquals = 12,
    kOr = 15,
    kAnd = 16,
};

constexpr ConditionNode kAlways{kTrue, 0, 0, nullptr, nullptr, nullptr};

constexpr ConditionNode Is(int row, std::int32_t value) {
    return {kEquals, row, value, nullptr, nullptr, nullptr};
}
constexpr ConditionNode IsNot(int row, std::int32_t value) {
    return {kDiffers, row, value, nullptr, nullptr, nullptr};
}
constexpr ConditionNode FirmwareAtLeast(std::int32_t version) {
    return {kAtLeast, row::VN, version, nullptr, nullptr, nullptr};
}
// Model names are matched against the display text of MD, which is its text value.
constexpr ConditionNode ModelIs(const char* model) {
    return {kTextEquals, row::MD, 0, model, nullptr, nullptr};
}
constexpr ConditionNode Or(const ConditionNode& left, const ConditionNode& right) {
    return {kOr, 0, 0, nullptr, &left, &right};
}
constexpr ConditionNode And(const ConditionNode& left, const ConditionNode& right) {
    return {kAnd, 0, 0, nullptr, &left, &right};
}

constexpr ConditionNode kModel130 = ModelIs("RZ-130LX");
constexpr ConditionNode kModel150 = ModelIs("RZ-150LX");
constexpr ConditionNode kModel130Fs = ModelIs("RZ-130LX-FS");
constexpr ConditionNode kModel150Hr = ModelIs("RZ-150LX-HR");

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

// Firmware versions from which each model has the cable compensation rows.
constexpr ConditionNode kVn56 = FirmwareAtLeast(56);
constexpr ConditionNode kVn168 = FirmwareAtLeast(168);
constexpr ConditionNode kVn16 = FirmwareAtLeast(16);
constexpr ConditionNode kCable150 = And(kModel150, kVn56);
constexpr ConditionNode kCable150Hr = And(kModel150Hr, kVn168);
constexpr ConditionNode kCable130Fs = And(kModel130Fs, kVn168);
constexpr ConditionNode kCable130 = And(kModel130, kVn16);
constexpr ConditionNode kCable150Or150Hr = Or(kCable150, kCable150Hr);
constexpr ConditionNode kCable150To130Fs = Or(kCable150Or150Hr, kCable130Fs);

// Firmware versions from which each model has the chromatic aberration rows; the
// RZ-150LX-HR never has them.
constexpr ConditionNode kVn22 = FirmwareAtLeast(22);
constexpr ConditionNode kVn8 = FirmwareAtLeast(8);
constexpr ConditionNode kVn63 = FirmwareAtLeast(63);
constexpr ConditionNode kAberration130 = And(kModel130, kVn22);
constexpr ConditionNode kAberration130Fs = And(kModel130Fs, kVn8);
constexpr ConditionNode kAberration150 = And(kModel150, kVn63);
constexpr ConditionNode kAberration130Or130Fs = Or(kAberration130, kAberration130Fs);

constexpr ConditionNode kMavOn = Is(row::MAV, 1);

}  // namespace

constexpr ConditionNode kCableSupport = Or(kCable150To130Fs, kCable130);
constexpr ConditionNode kAberrationSupport = Or(kAberration130Or130Fs, kAberration150);
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
constexpr RangeRule Else(const ConditionNode& condition, std::int32_t ifTrue,
                         const RangeRule& otherwise) {
    return {&condition, ifTrue, 0, nullptr, &otherwise};
}
constexpr RangeRule Branch(const ConditionNode& condition, const RangeRule& ifTrue,
                           const RangeRule& ifFalse) {
    return {&condition, 0, 0, &ifTrue, &ifFalse};
}

// The line rate bounds depend on the model and on whether the sensor reads out fully
// (SRO = 0) or partly. The RZ-150LX has no branch of its own: it and any unknown model
// share the last one.
constexpr ConditionNode kFullReadOut = Is(row::SRO, 0);

constexpr RangeRule kLineRateMin130 = Value(kFullReadOut, 2633, 1609);
constexpr RangeRule kLineRateMin150Hr = Value(kFullReadOut, 5238, 3190);
constexpr RangeRule kLineRateMin130Fs = Value(kFullReadOut, 2500, 1476);
constexpr RangeRule kLineRateMinOther = Value(kFullReadOut, 4944, 2921);
constexpr RangeRule kLineRateMinFsOrOther =
    Branch(kModel130Fs, kLineRateMin130Fs, kLineRateMinOther);
constexpr RangeRule kLineRateMinHrOrLater =
    Branch(kModel150Hr, kLineRateMin150Hr, kLineRateMinFsOrOther);
constexpr RangeRule kLineRateMin = Branch(kModel130, kLineRateMin130, kLineRateMinHrOrLater);

constexpr RangeRule kLineRateMax130 = Value(kFullReadOut, 1347584, 823296);
constexpr RangeRule kLineRateMax150Hr = Value(kFullReadOut, 1201920, 597376);
constexpr RangeRule kLineRateMax130Fs = Value(kFullReadOut, 1280000, 755713);
constexpr RangeRule kLineRateMaxOther = Value(kFullReadOut, 1201920, 597376);
constexpr RangeRule kLineRateMaxFsOrOther =
    Branch(kModel130Fs, kLineRateMax130Fs, kLineRateMaxOther);
constexpr RangeRule kLineRateMaxHrOrLater =
    Branch(kModel150Hr, kLineRateMax150Hr, kLineRateMaxFsOrOther);
constexpr RangeRule kLineRateMax = Branch(kModel130, kLineRateMax130, kLineRateMaxHrOrLater);

// The exposure minimum is 800 on every model; only the maximum needs a rule.
constexpr std::int32_t kExposureMinimum = 800;
constexpr RangeRule kExposureMaxFsOrOther = Value(kModel130Fs, 1279560, 1194752);
constexpr RangeRule kExposureMaxHrOrLater = Else(kModel150Hr, 1194752, kExposureMaxFsOrOther);
constexpr RangeRule kExposureMax = Else(kModel130, 1056720, kExposureMaxHrOrLater);

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
constexpr ParameterEntry Fixed(std::uint32_t flags, const char* mnemonic, std::int32_t minimum,
                               std::int32_t maximum, Timeouts timeouts,
                               const ConditionNode* enable = &kAlways,
                               const ConditionNode* support = &kAlways) {
    return {
        flags,  mnemonic, IndexRowFor(flags), minimum,      maximum, nullptr, nullptr, 0, nullptr,
        enable, support,  timeouts.write,     timeouts.read};
}

// A row with a value-name list; its fixed bounds are the list's first and last values.
template <std::size_t N>
constexpr ParameterEntry Named(std::uint32_t flags, const char* mnemonic,
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
            timeouts.read};
}

constexpr ParameterEntry WithMaximum(ParameterEntry entry, std::int32_t maximum) {
    entry.maximum = maximum;
    return entry;
}

// A row whose bounds come from rules. Its fixed bounds are then used only as the first-run
// default (the fixed minimum) and as a description of the widest range: the minimum is 0
// (or the one minimum every model shares), the maximum the largest any rule gives.
constexpr ParameterEntry Ruled(std::uint32_t flags, const char* mnemonic, std::int32_t minimum,
                               std::int32_t maximum, const RangeRule* minimumRule,
                               const RangeRule* maximumRule, Timeouts timeouts,
                               const ConditionNode* enable = &kAlways) {
    return {flags,        mnemonic,    IndexRowFor(flags), minimum,
            maximum,      minimumRule, maximumRule,        0,
            nullptr,      enable,      &kAlways,           timeouts.write,
            timeouts.read};
}

constexpr std::uint32_t kQuietInt = 0x01000006;
constexpr std::uint32_t kStatusNoBulk = 0x80000002;
constexpr std::uint32_t kStatusData = 0x00000102;
constexpr std::uint32_t kTextReadOnly = 0x00000103;
constexpr std::uint32_t kModelText = 0x00000703;
constexpr std::uint32_t kUserText = 0x00000107;
constexpr std::uint32_t kQuietCommand = 0x01000004;
constexpr std::uint32_t kSettingFlags = 0x00000306;
constexpr std::uint32_t kLeadingSetting = 0x00000706;
constexpr std::uint32_t kCommand = 0x00000004;
constexpr std::uint32_t kStatusOnly = 0x00000002;
constexpr std::uint32_t kLocal = 0x00000200;
constexpr std::uint32_t kModelSetting = 0x0000030e;
constexpr std::uint32_t kLeadingUncheckedModelSetting = 0x0000071e;
constexpr std::uint32_t kModelCommand = 0x0000000e;
constexpr std::uint32_t kUncheckedModelSetting = 0x0000031e;
constexpr std::uint32_t kModelText16 = 0x0000070f;
constexpr std::uint32_t kIndexedLeading = 0x0000074e;
constexpr std::uint32_t kIndexedUnchecked = 0x0000035e;

constexpr std::int32_t kIdLength = 12;
constexpr std::int32_t kInputNameLength = 16;

}  // namespace

constexpr std::array<ParameterEntry, kParameterCount> kParameterTable = {{
    /*  0 EB    */ Fixed(kQuietInt, "EB", 0, 1, kSetting),
    /*  1 ST    */ Fixed(kStatusNoBulk, "ST", 0, 0, kStatus),
    /*  2 HP    */ Fixed(kStatusNoBulk, "HP", 0, 0, kStatus),
    /*  3 VN    */ Fixed(kStatusData, "VN", 0, 999, kStatus),
    /*  4 PV    */ Fixed(kStatusData, "PV", 0, 999, kStatus),
    /*  5 ID    */ Fixed(kTextReadOnly, "ID", 0, kIdLength, kStatus),
    /*  6 MD    */ Fixed(kModelText, "MD", 0, kIdLength, kStatus),
    /*  7 UD    */ Fixed(kUserText, "UD", 0, kIdLength, kSetting),
    /*  8 ULCK  */ Fixed(kQuietCommand, "ULCK", 0, 9999, kSetting),
    /*  9 BI    */ Named(kSettingFlags, "BI", kOffOn, kSetting),
    /* 10 BA    */ Named(kSettingFlags, "BA", kBitAllocation, kSetting),
    /* 11 TS    */ Named(kSettingFlags, "TS", kTestPattern, kSetting),
    /* 12 SRO   */ Named(kLeadingSetting, "SRO", kReadOut, kSetting),
    /* 13 TR    */ Named(kLeadingSetting, "TR", kTriggerMode, kSetting),
    /* 14 TG    */ Named(kLeadingSetting, "TG", kTriggerOrigin, kSetting, &kTgEnable),
    /* 15 TI    */ Named(kSettingFlags, "TI", kTriggerInput, kSetting),
    /* 16 TP    */ Named(kSettingFlags, "TP", kPolarity, kSetting),
    // ARST's fixed maximum is 1 although three names are listed.
    /* 17 ARST  */ WithMaximum(Named(kSettingFlags, "ARST", kAutoReset, kSetting), 1),
    // 0 as the fixed minimum makes a first run without a profile start LR at 0.
    /* 18 LR    */
    Ruled(kSettingFlags, "LR", 0, 1347584, &kLineRateMin, &kLineRateMax, kSetting,
          &kInternalTrigger),
    /* 19 AR    */ Fixed(kCommand, "AR", 0, 0, Command(5000), &kInternalTrigger),
    /* 20 AL    */ Fixed(kSettingFlags, "AL", 0, 1023, kSetting),
    /* 21 EI    */ Named(kLeadingSetting, "EI", kExposureMode, kSetting, &kShutterSelect),
    /* 22 PER   */
    Ruled(kSettingFlags, "PER", kExposureMinimum, 1279560, nullptr, &kExposureMax, kSetting,
          &kExposureIndividual),
    /* 23 PEG   */
    Ruled(kSettingFlags, "PEG", kExposureMinimum, 1279560, nullptr, &kExposureMax, kSetting,
          &kShutterSelect),
    /* 24 PEB   */
    Ruled(kSettingFlags, "PEB", kExposureMinimum, 1279560, nullptr, &kExposureMax, kSetting,
          &kExposureIndividual),
    /* 25 AH    */ Fixed(kCommand, "AH", 0, 0, Command(5000), &kShutterSelect),
    /* 26 AHRS  */ Named(kStatusOnly, "AHRS", kOnePushResult, kResult),
    /* 27 GM    */ Named(kLeadingSetting, "GM", kTracking, kSetting),
    /* 28 GA    */ Ruled(kSettingFlags, "GA", 0, 1404, &kMasterGainMin, &kMasterGainMax, kSetting),
    /* 29 GAR   */ Ruled(kSettingFlags, "GAR", 0, 1404, &kColourGainMin, &kColourGainMax, kSetting),
    /* 30 GAB   */ Ruled(kSettingFlags, "GAB", 0, 1404, &kColourGainMin, &kColourGainMax, kSetting),
    /* 31 SGR   */ Named(kSettingFlags, "SGR", kSensorGain, kSetting),
    /* 32 SGG   */ Named(kSettingFlags, "SGG", kSensorGain, kSetting),
    /* 33 SGB   */ Named(kSettingFlags, "SGB", kSensorGain, kSetting),
    /* 34 WB    */ Named(kLeadingSetting, "WB", kWhiteBalance, kSetting),
    /* 35 AW    */ Fixed(kCommand, "AW", 0, 0, Command(5000), &kAwEnable),
    /* 36 AWRS  */ Named(kStatusOnly, "AWRS", kOnePushResult, kResult),
    /* 37 BLM   */ Named(kLeadingSetting, "BLM", kTracking, kSetting),
    /* 38 BL    */ Ruled(kSettingFlags, "BL", 0, 127, &kMasterBlackMin, &kMasterBlackMax, kSetting),
    /* 39 BLR   */
    Ruled(kSettingFlags, "BLR", 0, 127, &kColourBlackMin, &kColourBlackMax, kSetting),
    /* 40 BLB   */
    Ruled(kSettingFlags, "BLB", 0, 127, &kColourBlackMin, &kColourBlackMax, kSetting),
    /* 41 KN    */ Named(kLeadingSetting, "KN", kOffOn, kSetting),
    /* 42 KSR   */ Fixed(kSettingFlags, "KSR", 0, 65535, kSetting, &kKneeOn),
    /* 43 KSG   */ Fixed(kSettingFlags, "KSG", 0, 65535, kSetting, &kKneeOn),
    /* 44 KSB   */ Fixed(kSettingFlags, "KSB", 0, 65535, kSetting, &kKneeOn),
    /* 45 KPR   */ Fixed(kSettingFlags, "KPR", 0, 1023, kSetting, &kKneeOn),
    /* 46 KPG   */ Fixed(kSettingFlags, "KPG", 0, 1023, kSetting, &kKneeOn),
    /* 47 KPB   */ Fixed(kSettingFlags, "KPB", 0, 1023, kSetting, &kKneeOn),
    /* 48 SDC   */ Named(kLeadingSetting, "SDC", kCorrectionSource, kSetting),
    /* 49 --    */ Named(kLocal, "", kShadingType, kSetting, &kShadingUser),
    /* 50 SDR   */ Named(kCommand, "SDR", kShadingType, Command(20000), &kShadingUser),
    /* 51 SDS   */ Named(kStatusOnly, "SDS", kOnePushResult, kResult),
    /* 52 PGC   */ Named(kLeadingSetting, "PGC", kCorrectionSource, kSetting),
    /* 53 PGR   */ Fixed(kCommand, "PGR", 0, 0, Command(60000), &kPixelGainUser),
    /* 54 PGS   */ Named(kStatusOnly, "PGS", kOnePushResult, kResult),
    /* 55 PBC   */ Named(kLeadingSetting, "PBC", kCorrectionSource, kSetting),
    /* 56 PBR   */ Fixed(kCommand, "PBR", 0, 0, Command(60000), &kPixelBlackUser),
    /* 57 PBS   */ Named(kStatusOnly, "PBS", kOnePushResult, kResult),
    /* 58 NR    */ Named(kSettingFlags, "NR", kOffOn, kSetting),
    /* 59 SCB   */ Named(kModelSetting, "SCB", kCable, kSetting, &kAlways, &kCableSupport),
    /* 60 MAV   */
    Named(kLeadingUncheckedModelSetting, "MAV", kOffOn, kSetting, &kAberrationSupport,
          &kAberrationSupport),
    /* 61 MAVCG */
    Fixed(kModelSetting, "MAVCG", 0, 2, kSetting, &kAberrationOn, &kAberrationSupport),
    // The shift range is symmetric: its upper bound is 32768, not 32767.
    /* 62 CABR  */
    Fixed(kModelCommand, "CABR", -32768, 32768, kSetting, &kAberrationOn, &kAberrationSupport),
    /* 63 CABB  */
    Fixed(kModelCommand, "CABB", -32768, 32768, kSetting, &kAberrationOn, &kAberrationSupport),
    /* 64 HPFC  */
    Named(kUncheckedModelSetting, "HPFC", kOffOn, kSetting, &kAlways, &kCableSupport),
    /* 65 CABN1 */
    Fixed(kModelText16, "CABN1", 0, kInputNameLength, kSetting, &kAberrationOn,
          &kAberrationSupport),
    /* 66 CABN2 */
    Fixed(kModelText16, "CABN2", 0, kInputNameLength, kSetting, &kAberrationOn,
          &kAberrationSupport),
    /* 67 CABN3 */
    Fixed(kModelText16, "CABN3", 0, kInputNameLength, kSetting, &kAberrationOn,
          &kAberrationSupport),
    /* 68 CABLR */
    Named(kIndexedLeading, "CABLR", kLeftSide, kSetting, &kAberrationOn, &kAberrationSupport),
    /* 69 CABLB */
    Named(kIndexedLeading, "CABLB", kLeftSide, kSetting, &kAberrationOn, &kAberrationSupport),
    // The fixed bounds of rows 70 to 75 describe their widest range; the effective bounds
    // come from the left-side value and the neighbouring detail rows.
    /* 70 CABAR */
    Fixed(kIndexedUnchecked, "CABAR", 1, 8, kSetting, &kAreaRed, &kAberrationSupport),
    /* 71 CABAB */
    Fixed(kIndexedUnchecked, "CABAB", 1, 8, kSetting, &kAreaBlue, &kAberrationSupport),
    /* 72 CABSR */
    Fixed(kIndexedUnchecked, "CABSR", 1, 7, kSetting, &kSecondRed, &kAberrationSupport),
    /* 73 CABSB */
    Fixed(kIndexedUnchecked, "CABSB", 1, 7, kSetting, &kSecondBlue, &kAberrationSupport),
    /* 74 CABTR */
    Fixed(kIndexedUnchecked, "CABTR", 1, 6, kSetting, &kThirdRed, &kAberrationSupport),
    /* 75 CABTB */
    Fixed(kIndexedUnchecked, "CABTB", 1, 6, kSetting, &kThirdBlue, &kAberrationSupport),
    /* 76 --    */ Named(kLocal, "", kEepromArea, kLocalOnly),
    /* 77 LD    */ Named(kCommand, "LD", kEepromArea, Command(10000)),
    /* 78 SA    */ Named(kCommand, "SA", kEepromArea, Command(20000), &kUserAreaSelected),
    /* 79 EA    */ Named(kStatusData, "EA", kEepromArea, kStatus),
}};

constexpr std::array<ParameterKey, kParameterCount> kParameterKeys = {{
    {"General", "Echo"},
    {"General", "Camera Status"},
    {"General", "Help"},
    {"General", "Firmware Version"},
    {"General", "FPGA Version"},
    {"General", "Camera ID"},
    {"General", "Model Name"},
    {"General", "User ID"},
    {"General", "Unlock"},
    {"Format", "V Binning"},
    {"Format", "Bit Allocation"},
    {"Format", "Test Pattern"},
    {"Format", "Sensor Read Out"},
    {"Trigger", "Trigger Mode"},
    {"Trigger", "Trigger Origin"},
    {"Trigger", "Trigger Input"},
    {"Trigger", "Trigger Polarity"},
    {"Trigger", "Auto Reset Mode"},
    {"Exposure", "Line Rate"},
    {"Exposure", "One Push Line Rate Set"},
    {"Exposure", "Line Rate Reference"},
    {"Exposure", "Exposure Mode"},
    {"Exposure", "Exposure Red"},
    {"Exposure", "Exposure Green"},
    {"Exposure", "Exposure Blue"},
    {"Exposure", "One Push AWB By Exposure"},
    {"Exposure", "AWBS Result"},
    {"Gain", "Gain Mode"},
    {"Gain", "Master Gain"},
    {"Gain", "Red Gain"},
    {"Gain", "Blue Gain"},
    {"Gain", "Red Sensor Gain"},
    {"Gain", "Green Sensor Gain"},
    {"Gain", "Blue Sensor Gain"},
    {"Gain", "White Balance Mode"},
    {"Gain", "One Push AWB By Gain"},
    {"Gain", "White Balance Result"},
    {"Gain", "Black Level Mode"},
    {"Gain", "Master Black Level"},
    {"Gain", "Red Black Level"},
    {"Gain", "Blue Black Level"},
    {"Gain", "Knee Mode"},
    {"Gain", "Red Knee Slope"},
    {"Gain", "Green Knee Slope"},
    {"Gain", "Blue Knee Slope"},
    {"Gain", "Red Knee Point"},
    {"Gain", "Green Knee Point"},
    {"Gain", "Blue Knee Point"},
    {"Others", "Shading Mode"},
    {"Others", "Shading Type"},
    {"Others", "One Push Shading Correction"},
    {"Others", "Shading Result"},
    {"Others", "Pixel Gain Mode"},
    {"Others", "One Push Pixel Gain"},
    {"Others", "Pixel Gain Result"},
    {"Others", "Pixel Black Mode"},
    {"Others", "Pixel Black One Push"},
    {"Others", "Pixel Black Result"},
    {"Others", "Noise Reduction"},
    {"Others", "Cable Selection"},
    {"Others", "Moving Average Control"},
    {"Others", "FIR Filter Selection"},
    {"Others", "Red Chromatic Aberration"},
    {"Others", "Blue Chromatic Aberration"},
    {"Others", "APF Control"},
    {"Others", "Aberration Input Name 1"},
    {"Others", "Aberration Input Name 2"},
    {"Others", "Aberration Input Name 3"},
    {"Others", "Aberration Left Red"},
    {"Others", "Aberration Left Blue"},
    {"Others", "Aberration Area Red"},
    {"Others", "Aberration Area Blue"},
    {"Others", "Aberration Second Pixel Red"},
    {"Others", "Aberration Second Pixel Blue"},
    {"Others", "Aberration Third Pixel Red"},
    {"Others", "Aberration Third Pixel Blue"},
    {"User Area", "EEPROM Area"},
    {"User Area", "Load Area"},
    {"User Area", "Save Area"},
    {"User Area", "Power Up Setting"},
}};

namespace {

// Checks of the table's shape that the compiler can make once and for all.
constexpr std::uint32_t kUsedFlagBits =
    PF_STRING | PF_READABLE | PF_WRITABLE | PF_MODEL_DEPENDENT | PF_NO_RANGE_CHECK | PF_NO_ANSWER |
    PF_INDEXED | PF_CAMERA_DATA | PF_PROFILE | PF_HAS_DEPENDENTS | PF_QUIET | PF_NO_BULK;

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
    for (const ParameterKey& key : kParameterKeys) {
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
