// The member table: each parameter row's properties, event and questions in one row, and the
// property, event and question tables built from it at compile time.
#include "control/member_table.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "camera/parameter_table.h"
#include "control/dispatch_events.h"
#include "control/method_help.h"
#include "control/panel.h"
#include "platform/hot_path.h"

namespace xkiv {

namespace {

using automation::DispId;
using automation::ParamType;

// Dispid 0 is never published; a member with it is absent from the row.
constexpr DispId kAbsent = 0;

// A property of a row, without the row: the member row supplies it.
struct Property {
    DispId dispid = kAbsent;
    const char* name = nullptr;
    ParamType type = ParamType::Long;
    GetKind get = GetKind::Value;
    SetFamily set = SetFamily::ReadOnly;
    bool supportedOnly = false;
    FollowUp followUp = FollowUp::None;
    const char* help = nullptr;
};

struct Named {
    DispId dispid = kAbsent;
    const char* name = nullptr;
};

struct Range {
    DispId dispid = kAbsent;
    const char* name = nullptr;
    Bound minimum = {};
    Bound maximum = {};
};

// Everything the interface publishes about one parameter row. Hosts rely on
// the dispids: a new member takes a dispid no member of its interface uses
// (properties, methods and questions share the dispatch interface's space).
struct MemberRow {
    int row;
    Property value = {};   // the row's value
    Property text = {};    // its display text, set by name ("...String")
    Property index = {};   // its position among the offered names ("...Index")
    Named changed = {};    // the event its value change fires
    Range range = {};      // the question of its bounds
    Named names = {};      // the question of its value names
    Range positions = {};  // the question of its list positions
};

constexpr bool kSupportedOnly = true;

constexpr Property ReadOnly(DispId dispid, const char* name, ParamType type, GetKind get,
                            const char* help) {
    return {dispid, name, type, get, SetFamily::ReadOnly, false, FollowUp::None, help};
}

// An integer property set by one of the clamping families.
constexpr Property Long(DispId dispid, const char* name, SetFamily set, const char* help,
                        bool supportedOnly = false, FollowUp followUp = FollowUp::None) {
    return {dispid, name, ParamType::Long, GetKind::Value, set, supportedOnly, followUp, help};
}

// The display text of a row, set by name (or as text for a text row).
constexpr Property Text(DispId dispid, const char* name, const char* help) {
    return {dispid,          name,  ParamType::String, GetKind::Text,
            SetFamily::Text, false, FollowUp::None,    help};
}

// The position of a row's value in its list of names.
constexpr Property Index(DispId dispid, const char* name, const char* help) {
    return {dispid,         name, ParamType::Long, GetKind::Position, SetFamily::Position, false,
            FollowUp::None, help};
}

// The questions' constants are the interface's own where they differ from the
// row (AskAutoResetModeRange answers 1 although ARST lists three names); where
// the row's own bounds are the answer, they are read from the parameter table.
// clang-format off
constexpr std::array kMemberRows = {
    MemberRow{row::VN, ReadOnly(20, "FirmwareVersion", ParamType::Long, GetKind::Value, "Property Firmware Version"), {}, {},
              {6, "FirmwareVersionChanged"}},
    MemberRow{row::PV, ReadOnly(21, "FPGAVersion", ParamType::Long, GetKind::Value, "Property FPGA Version"), {}, {},
              {7, "FPGAVersionChanged"}},
    MemberRow{row::ID, ReadOnly(22, "CameraID", ParamType::String, GetKind::Text, "Property Camera ID"), {}, {},
              {8, "CameraIDChanged"}},
    MemberRow{row::MD, ReadOnly(23, "ModelName", ParamType::String, GetKind::Text, "Property Model Name"), {}, {},
              {9, "ModelNameChanged"}},
    MemberRow{row::UD, {24, "UserID", ParamType::String, GetKind::Text, SetFamily::UserId, false, FollowUp::None, "Property User ID"}, {}, {},
              {10, "UserIDChanged"}},
    MemberRow{row::EepromArea, Long(25, "EEPROMArea", SetFamily::Local, "Property EEPROM Area"),
              Text(26, "EEPROMAreaString", "Property EEPROM Area String"), {},
              {}, {120, "AskEEPROMAreaRange", Constant(0), Constant(2)}, {121, "AskEEPROMAreaString"}},
    MemberRow{row::TR, Long(27, "TriggerMode", SetFamily::List, "Property Trigger Mode"),
              Text(28, "TriggerModeString", "Property Trigger Mode String"), {},
              {11, "TriggerModeChanged"}, {130, "AskTriggerModeRange", Constant(0), Constant(2)}, {131, "AskTriggerModeString"}},
    MemberRow{row::TG, Long(29, "TriggerOrigin", SetFamily::List, "Property Trigger Origin"),
              Text(30, "TriggerOriginString", "Property Trigger Origin String"), {},
              {12, "TriggerOriginChanged"}, {132, "AskTriggerOriginRange", Constant(0), Constant(1)}, {133, "AskTriggerOriginString"}},
    MemberRow{row::TI, Long(31, "TriggerInput", SetFamily::List, "Property Trigger Input"),
              Text(32, "TriggerInputString", "Property Trigger Input String"), {},
              {13, "TriggerInputChanged"}, {134, "AskTriggerInputRange", Constant(0), Constant(1)}, {135, "AskTriggerInputString"}},
    MemberRow{row::TP, Long(33, "TriggerPolarity", SetFamily::List, "Property Trigger Polarity"),
              Text(34, "TriggerPolarityString", "Property Trigger Polarity String"), {},
              {14, "TriggerPolarityChanged"}, {136, "AskTriggerPolarityRange", Constant(0), Constant(1)}, {137, "AskTriggerPolarityString"}},
    MemberRow{row::ARST, Long(35, "AutoResetMode", SetFamily::List, "Property Auto Reset Mode"), {}, {},
              {15, "AutoResetModeChanged"}, {138, "AskAutoResetModeRange", Constant(0), Constant(1)}},
    MemberRow{row::LR, Long(36, "LineRate", SetFamily::Rule, "Property Line Rate"), {}, {},
              {16, "LineRateChanged"}, {139, "AskLineRateRange", MinimumOf(row::LR), MaximumOf(row::LR)}},
    MemberRow{row::AL, Long(78, "AutoLineRateReference", SetFamily::Fixed, "Property Auto Line Rate Reference"), {}, {},
              {17, "AutoLineRateReferenceChanged"}, {140, "AskAutoLineRateReferenceRange", MinimumOf(row::AL), MaximumOf(row::AL)}},
    MemberRow{row::EI, Long(37, "ExposureInterlockMode", SetFamily::List, "Property Exposure Interlock Mode"), {}, {},
              {18, "ExposureInterlockModeChanged"}, {141, "AskExposureInterlockModeRange", Constant(0), Constant(1)}},
    // The three exposures share one question: their rules are the same.
    MemberRow{row::PER, Long(38, "RedExposure", SetFamily::Rule, "Property Red Exposure"), {}, {},
              {19, "RedExposureChanged"}, {142, "AskExposureRange", MinimumOf(row::PER), MaximumOf(row::PER)}},
    MemberRow{row::PEG, Long(39, "GreenExposure", SetFamily::Rule, "Property Green Exposure", false, FollowUp::Green), {}, {},
              {20, "GreenExposureChanged"}},
    MemberRow{row::PEB, Long(40, "BlueExposure", SetFamily::Rule, "Property Blue Exposure"), {}, {},
              {21, "BlueExposureChanged"}},
    MemberRow{row::AHRS, {}, {}, {}, {22, "OnePushAWBShutterResultChanged"}},
    MemberRow{row::BI, Long(41, "Binning", SetFamily::List, "Property Binning"), {}, {},
              {23, "BinningChanged"}, {145, "AskBinningRange", Constant(0), Constant(1)}},
    MemberRow{row::BA, Long(42, "BitAllocation", SetFamily::List, "Property Bit Allocation"),
              Text(43, "BitAllocationString", "Property Bit Allocation String"), {},
              {24, "BitAllocationChanged"}, {146, "AskBitAllocationRange", Constant(0), Constant(1)}, {147, "AskBitAllocationString"}},
    MemberRow{row::TS, Long(44, "TestPattern", SetFamily::List, "Property Test Pattern"),
              Text(45, "TestPatternString", "Property Test Pattern String"), {},
              {25, "TestPatternChanged"}, {148, "AskTestPatternRange", Constant(0), Constant(4)}, {149, "AskTestPatternString"}},
    MemberRow{row::SRO, Long(46, "SensorReadOutMode", SetFamily::List, "Property Sensor Read Out Mode"),
              Text(47, "SensorReadOutModeString", "Property Sensor Read Out Mode String"), {},
              {26, "SensorReadOutModeChanged"}, {150, "AskSensorReadOutModeRange", Constant(0), Constant(2)}, {151, "AskSensorReadOutModeString"}},
    MemberRow{row::GA, Long(48, "MasterGain", SetFamily::Rule, "Property Master Gain"), {}, {},
              {27, "MasterGainChanged"}, {152, "AskMasterGainRange", MinimumOf(row::GA), MaximumOf(row::GA)}},
    MemberRow{row::GAR, Long(49, "RedGain", SetFamily::Rule, "Property Red Gain"), {}, {},
              {28, "RedGainChanged"}, {153, "AskRedGainRange", MinimumOf(row::GAR), MaximumOf(row::GAR)}},
    MemberRow{row::GAB, Long(50, "BlueGain", SetFamily::Rule, "Property Blue Gain"), {}, {},
              {29, "BlueGainChanged"}, {154, "AskBlueGainRange", MinimumOf(row::GAB), MaximumOf(row::GAB)}},
    MemberRow{row::GM, Long(51, "GainMode", SetFamily::List, "Property Gain Mode"),
              Text(52, "GainModeString", "Property Gain Mode String"), {},
              {30, "GainModeChanged"}, {155, "AskGainModeRange", Constant(0), Constant(1)}, {156, "AskGainModeString"}},
    // The three sensor gains share one question: they list the same names.
    MemberRow{row::SGR, Long(53, "RedSensorGainMode", SetFamily::List, "Property Red Sensor Gain Mode"), {}, {},
              {31, "RedSensorGainModeChanged"}, {157, "AskSensorGainModeRange", Constant(0), Constant(1)}},
    MemberRow{row::SGG, Long(54, "GreenSensorGainMode", SetFamily::List, "Property Green Sensor Gain Mode"), {}, {},
              {32, "GreenSensorGainModeChanged"}},
    MemberRow{row::SGB, Long(55, "BlueSensorGainMode", SetFamily::List, "Property Blue Sensor Gain Mode"), {}, {},
              {33, "BlueSensorGainModeChanged"}},
    MemberRow{row::WB, Long(56, "WhiteBalanceMode", SetFamily::List, "Property White Balance Mode"),
              Text(57, "WhiteBalanceModeString", "Property White Balance Mode String"), {},
              {34, "WhiteBalanceModeChanged"}, {158, "AskWhiteBalanceModeRange", Constant(0), Constant(3)}, {159, "AskWhiteBalanceModeString"}},
    // Every one-push result row shares the result questions of AWRS.
    MemberRow{row::AWRS, {}, {}, {},
              {35, "OnePushAWBResultChanged"}, {143, "AskOnePushResultRange", Constant(0), Constant(4)}, {144, "AskOnePushResultString"}},
    MemberRow{row::NR, Long(58, "NoiseReduction", SetFamily::List, "Property Noise Reduction"), {}, {},
              {36, "NoiseReductionChanged"}, {160, "AskNoiseReductionRange", Constant(0), Constant(1)}},
    MemberRow{row::BL, Long(59, "MasterBlackLevel", SetFamily::Rule, "Property Master Black Level"), {}, {},
              {37, "MasterBlackLevelChanged"}, {161, "AskMasterBlackLevelRange", MinimumOf(row::BL), MaximumOf(row::BL)}},
    MemberRow{row::BLR, Long(60, "RedBlackLevel", SetFamily::Rule, "Property Red Black Level"), {}, {},
              {38, "RedBlackLevelChanged"}, {162, "AskRedBlackLevelRange", MinimumOf(row::BLR), MaximumOf(row::BLR)}},
    MemberRow{row::BLB, Long(61, "BlueBlackLevel", SetFamily::Rule, "Property Blue Black Level"), {}, {},
              {39, "BlueBlackLevelChanged"}, {163, "AskBlueBlackLevelRange", MinimumOf(row::BLB), MaximumOf(row::BLB)}},
    MemberRow{row::BLM, Long(62, "BlackLevelMode", SetFamily::List, "Property Black Level Mode"),
              Text(63, "BlackLevelModeString", "Property Black Level Mode String"), {},
              {40, "BlackLevelModeChanged"}, {164, "AskBlackLevelModeRange", Constant(0), Constant(1)}, {165, "AskBlackLevelModeString"}},
    MemberRow{row::KN, Long(64, "KneeMode", SetFamily::List, "Property Knee Mode"), {}, {},
              {41, "KneeModeChanged"}, {166, "AskKneeModeRange", Constant(0), Constant(1)}},
    MemberRow{row::KSR, Long(65, "RedKneeSlope", SetFamily::Fixed, "Property Red Knee Slope"), {}, {},
              {42, "RedKneeSlopeChanged"}, {167, "AskKneeSlopeRange", MinimumOf(row::KSR), MaximumOf(row::KSR)}},
    MemberRow{row::KSG, Long(66, "GreenKneeSlope", SetFamily::Fixed, "Property Green Knee Slope"), {}, {},
              {43, "GreenKneeSlopeChanged"}},
    MemberRow{row::KSB, Long(67, "BlueKneeSlope", SetFamily::Fixed, "Property Blue Knee Slope"), {}, {},
              {44, "BlueKneeSlopeChanged"}},
    MemberRow{row::KPR, Long(68, "RedKneePoint", SetFamily::Fixed, "Property Red Knee Point"), {}, {},
              {45, "RedKneePointChanged"}, {168, "AskKneePointRange", MinimumOf(row::KPR), MaximumOf(row::KPR)}},
    MemberRow{row::KPG, Long(69, "GreenKneePoint", SetFamily::Fixed, "Property Green Knee Point"), {}, {},
              {46, "GreenKneePointChanged"}},
    MemberRow{row::KPB, Long(70, "BlueKneePoint", SetFamily::Fixed, "Property Blue Knee Point"), {}, {},
              {47, "BlueKneePointChanged"}},
    MemberRow{row::SDC, Long(71, "ShadingCorrectionMode", SetFamily::List, "Property Shading Correction Mode"),
              Text(72, "ShadingCorrectionModeString", "Property Shading Correction Mode String"), {},
              {48, "ShadingCorrectionModeChanged"}, {169, "AskShadingCorrectionModeRange", Constant(0), Constant(2)}, {170, "AskShadingCorrectionModeString"}},
    MemberRow{row::ShadingType, Long(73, "ShadingCorrectionRecalibrationType", SetFamily::Local, "Property Shading Correction Recalibration Type"), {}, {},
              {49, "ShadingCorrectionRecalibrationTypeChanged"}, {171, "AskShadingCorrectionRecalibrationTypeRange", Constant(0), Constant(1)},
              {172, "AskShadingCorrectionRecalibrationTypeString"}},
    MemberRow{row::SDS, {}, {}, {}, {50, "OnePushShadingCorrectionResultChanged"}},
    MemberRow{row::PGC, Long(74, "PixelGainCorrectionMode", SetFamily::List, "Property Pixel Gain Correction Mode"),
              Text(75, "PixelGainCorrectionModeString", "Property Pixel Gain Correction Mode String"), {},
              {51, "PixelGainCorrectionModeChanged"}, {173, "AskPixelGainCorrectionModeRange", Constant(0), Constant(2)}, {174, "AskPixelGainCorrectionModeString"}},
    MemberRow{row::PGS, {}, {}, {}, {52, "OnePushPixelGainCorrectionResultChanged"}},
    MemberRow{row::PBC, Long(76, "PixelBlackCorrectionMode", SetFamily::List, "Property Pixel Black Correction Mode"),
              Text(77, "PixelBlackCorrectionModeString", "Property Pixel Black Correction Mode String"), {},
              {53, "PixelBlackCorrectionModeChanged"}, {175, "AskPixelBlackCorrectionModeRange", Constant(0), Constant(2)}, {176, "AskPixelBlackCorrectionModeString"}},
    MemberRow{row::PBS, {}, {}, {}, {54, "OnePushPixelBlackCorrectionResultChanged"}},
    // The camera's power-up area, not the local EEPROM Area row: the local row has no event.
    MemberRow{row::EA, {}, {}, {}, {55, "EEPROMAreaChanged"}},
    // The selection was introduced as the chromatic aberration selection.
    MemberRow{row::MAVCG, Long(79, "AberrationSelection", SetFamily::Fixed, "Property Chromatic Aberration Selection", kSupportedOnly, FollowUp::Aberration), {}, {},
              {56, "AberrationSelectionChanged"}, {190, "AskAberrationSelectionRange", MinimumOf(row::MAVCG), MaximumOf(row::MAVCG)}},
    MemberRow{row::SCB, Long(80, "CableSelection", SetFamily::List, "Property Cable Selection", kSupportedOnly),
              Text(83, "CableSelectionString", "Property Cable Selection String"), {},
              {57, "CableSelectionChanged"}, {192, "AskCableSelectionRange", Constant(0), Constant(2)}, {193, "AskCableSelectionString"}},
    MemberRow{row::CABR, {}, {}, {}, {},
              {194, "AskChromaticAberrationRange", MinimumOf(row::CABR), MaximumOf(row::CABR)}},
    MemberRow{row::HPFC, Long(81, "APFControl", SetFamily::List, "Property APF Control", kSupportedOnly),
              Text(84, "APFControlString", "Property APF Control String"), {},
              {58, "APFControlChanged"}, {195, "AskAPFControlRange", Constant(0), Constant(1)}, {196, "AskAPFControlString"}},
    MemberRow{row::MAV, Long(85, "MovingAverageControl", SetFamily::List, "Property Moving Average Control", kSupportedOnly),
              Text(86, "MovingAverageControlString", "Property Moving Average Control String"), {},
              {59, "MovingAverageControlChanged"}, {199, "AskMovingAverageControlRange", Constant(0), Constant(1)}, {200, "AskMovingAverageControlString"}},
    MemberRow{row::CABN1, Text(87, "AberrationInputName1", "Property Aberration Input Name 1"), {}, {},
              {60, "AberrationInputName1Changed"}},
    MemberRow{row::CABN2, Text(88, "AberrationInputName2", "Property Aberration Input Name 2"), {}, {},
              {61, "AberrationInputName2Changed"}},
    MemberRow{row::CABN3, Text(89, "AberrationInputName3", "Property Aberration Input Name 3"), {}, {},
              {62, "AberrationInputName3Changed"}},
    // Both colours' left sides share the red side's questions: they list the same names.
    MemberRow{row::CABLR, Long(90, "AberrationLeftSidePixelRed", SetFamily::LeftSide, "Property Aberration Left Side Pixel Red", kSupportedOnly),
              Text(205, "AberrationLeftSidePixelRedString", "Property Aberration Left Side Pixel Red String"),
              Index(206, "AberrationLeftSidePixelRedIndex", "Property Aberration Left Side Pixel Red Index"),
              {63, "AberrationLeftSidePixelRedChanged"}, {201, "AskAberrationLeftSidePixelRange", Constant(-3), Constant(3)},
              {209, "AskAberrationLeftSidePixelString"}, {210, "AskAberrationLeftSidePixelIndex", Constant(0), LastNameOf(row::CABLR)}},
    MemberRow{row::CABLB, Long(91, "AberrationLeftSidePixelBlue", SetFamily::LeftSide, "Property Aberration Left Side Pixel Blue", kSupportedOnly),
              Text(207, "AberrationLeftSidePixelBlueString", "Property Aberration Left Side Pixel Blue String"),
              Index(208, "AberrationLeftSidePixelBlueIndex", "Property Aberration Left Side Pixel Blue Index"),
              {64, "AberrationLeftSidePixelBlueChanged"}},
    MemberRow{row::CABAR, Long(92, "AberrationAreaNumberRed", SetFamily::AberrationDetail, "Property Aberration Area Number Red", kSupportedOnly), {}, {},
              {65, "AberrationAreaNumberRedChanged"}, {202, "AskAberrationAreaNumberRedRange", MinimumOf(row::CABAR), Constant(8)}},
    MemberRow{row::CABAB, Long(93, "AberrationAreaNumberBlue", SetFamily::AberrationDetail, "Property Aberration Area Number Blue", kSupportedOnly), {}, {},
              {66, "AberrationAreaNumberBlueChanged"}, {211, "AskAberrationAreaNumberBlueRange", MinimumOf(row::CABAB), Constant(8)}},
    MemberRow{row::CABSR, Long(94, "AberrationSecondPixelRed", SetFamily::AberrationDetail, "Property Aberration Second Pixel Red", kSupportedOnly), {}, {},
              {67, "AberrationSecondPixelRedChanged"}, {203, "AskAberrationSecondPixelRedRange", MinimumOf(row::CABSR), MaximumOf(row::CABSR)}},
    MemberRow{row::CABSB, Long(95, "AberrationSecondPixelBlue", SetFamily::AberrationDetail, "Property Aberration Second Pixel Blue", kSupportedOnly), {}, {},
              {68, "AberrationSecondPixelBlueChanged"}, {212, "AskAberrationSecondPixelBlueRange", MinimumOf(row::CABSB), MaximumOf(row::CABSB)}},
    MemberRow{row::CABTR, Long(96, "AberrationThirdPixelRed", SetFamily::AberrationDetail, "Property Aberration Third Pixel Red", kSupportedOnly), {}, {},
              {69, "AberrationThirdPixelRedChanged"}, {204, "AskAberrationThirdPixelRedRange", Constant(1), MaximumOf(row::CABTR)}},
    MemberRow{row::CABTB, Long(97, "AberrationThirdPixelBlue", SetFamily::AberrationDetail, "Property Aberration Third Pixel Blue", kSupportedOnly), {}, {},
              {70, "AberrationThirdPixelBlueChanged"}, {213, "AskAberrationThirdPixelBlueRange", Constant(1), MaximumOf(row::CABTB)}},
};
// clang-format on

constexpr PropertyEntry PanelShow(DispId dispid, const char* name, int panel, const char* help) {
    return {dispid,           name,  ParamType::Bool, -1,  panel, GetKind::PanelFlag,
            SetFamily::Panel, false, FollowUp::None,  help};
}

// The properties that mirror no row: the panels' show flags and the port.
constexpr std::array kUnboundProperties = {
    PanelShow(1, "ShowAboutWindow", kPanelAbout, "Property Show About Window"),
    PanelShow(2, "ShowCommunicationWindow", kPanelCommunication,
              "Property Show Communication Window"),
    // The control panel was once the exposure window; its help text kept the old name.
    PanelShow(3, "ShowControlWindow", kPanelControl, "Property Show Exposure Window"),
    PropertyEntry{10, "CommClass", ParamType::Long, -1, -1, GetKind::CommClass, SetFamily::ReadOnly,
                  false, FollowUp::None, "Property Comm Class"},
    PropertyEntry{11, "CommPort", ParamType::Long, -1, -1, GetKind::CommPort, SetFamily::ReadOnly,
                  false, FollowUp::None, "Property Comm Port"},
};

// The events the state notifications fire rather than a row.
constexpr std::array kStateEvents = {
    EventEntry{kEventOnlineStatusChanged, "OnlineStatusChanged", -1},
    EventEntry{kEventSynchronizationStatusChanged, "SynchronizationStatusChanged", -1},
    EventEntry{kEventSendingToCameraStatusChanged, "SendingToCameraStatusChanged", -1},
    EventEntry{kEventReceivingFromCameraStatusChanged, "ReceivingFromCameraStatusChanged", -1},
    EventEntry{kEventCommPortChanged, "CommPortChanged", -1},
};

// ---- The tables built from the member rows ------------------------------------------------

template <typename Entry>
constexpr bool ByDispid(const Entry& a, const Entry& b) {
    return a.dispid < b.dispid;
}

template <typename Entry, std::size_t N>
constexpr bool DispidsUnique(const std::array<Entry, N>& sorted) {
    return std::adjacent_find(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
               return a.dispid == b.dispid;
           }) == sorted.end();
}

constexpr PropertyEntry Bind(const Property& property, int row) {
    return {
        property.dispid, property.name,          property.type,     row,          -1, property.get,
        property.set,    property.supportedOnly, property.followUp, property.help};
}

// Calls visit for each present property of the member rows.
template <typename Visit>
constexpr void ForEachRowProperty(Visit visit) {
    for (const MemberRow& member : kMemberRows) {
        for (const Property* property : {&member.value, &member.text, &member.index}) {
            if (property->dispid != kAbsent) {
                visit(Bind(*property, member.row));
            }
        }
    }
}

constexpr std::size_t CountProperties() {
    std::size_t count = kUnboundProperties.size();
    ForEachRowProperty([&count](const PropertyEntry&) { ++count; });
    return count;
}

constexpr auto BuildProperties() {
    std::array<PropertyEntry, CountProperties()> properties{};
    std::size_t next = 0;
    for (const PropertyEntry& property : kUnboundProperties) {
        properties[next++] = property;
    }
    ForEachRowProperty([&](const PropertyEntry& property) { properties[next++] = property; });
    std::sort(properties.begin(), properties.end(), ByDispid<PropertyEntry>);
    return properties;
}

constexpr std::size_t CountEvents() {
    std::size_t count = kStateEvents.size();
    for (const MemberRow& member : kMemberRows) {
        count += member.changed.dispid != kAbsent;
    }
    return count;
}

constexpr auto BuildEvents() {
    std::array<EventEntry, CountEvents()> events{};
    std::size_t next = 0;
    for (const EventEntry& event : kStateEvents) {
        events[next++] = event;
    }
    for (const MemberRow& member : kMemberRows) {
        if (member.changed.dispid != kAbsent) {
            events[next++] = {member.changed.dispid, member.changed.name, member.row};
        }
    }
    std::sort(events.begin(), events.end(), ByDispid<EventEntry>);
    return events;
}

constexpr std::size_t CountRanges() {
    std::size_t count = 0;
    for (const MemberRow& member : kMemberRows) {
        count += (member.range.dispid != kAbsent) + (member.positions.dispid != kAbsent);
    }
    return count;
}

constexpr auto BuildRanges() {
    std::array<RangeQuestion, CountRanges()> ranges{};
    std::size_t next = 0;
    for (const MemberRow& member : kMemberRows) {
        for (const Range* range : {&member.range, &member.positions}) {
            if (range->dispid != kAbsent) {
                ranges[next++] = {range->dispid, range->name, range->minimum, range->maximum};
            }
        }
    }
    std::sort(ranges.begin(), ranges.end(), ByDispid<RangeQuestion>);
    return ranges;
}

constexpr std::size_t CountNames() {
    std::size_t count = 0;
    for (const MemberRow& member : kMemberRows) {
        count += member.names.dispid != kAbsent;
    }
    return count;
}

constexpr auto BuildNames() {
    std::array<NameQuestion, CountNames()> names{};
    std::size_t next = 0;
    for (const MemberRow& member : kMemberRows) {
        if (member.names.dispid != kAbsent) {
            names[next++] = {member.names.dispid, member.names.name, member.row};
        }
    }
    std::sort(names.begin(), names.end(), ByDispid<NameQuestion>);
    return names;
}

constexpr auto kProperties = BuildProperties();
constexpr auto kEvents = BuildEvents();
constexpr auto kRanges = BuildRanges();
constexpr auto kNames = BuildNames();

static_assert(DispidsUnique(kProperties) && DispidsUnique(kEvents) && DispidsUnique(kRanges) &&
                  DispidsUnique(kNames),
              "a dispid names one member of its interface");

constexpr bool RowsValid() {
    for (const MemberRow& member : kMemberRows) {
        if (member.row < 0 || member.row >= kParameterCount) {
            return false;
        }
    }
    return true;
}
static_assert(RowsValid(), "every member row mirrors a parameter row");

constexpr std::array<DispId, kParameterCount> BuildRowEvents() {
    std::array<DispId, kParameterCount> events{};
    events.fill(automation::kDispidUnknown);
    for (const EventEntry& event : kEvents) {
        if (event.row >= 0) {
            events[static_cast<std::size_t>(event.row)] = event.dispid;
        }
    }
    return events;
}

constexpr std::array<DispId, kParameterCount> kRowEvents = BuildRowEvents();

// ---- The type library's descriptions of these tables ---------------------------------------

using automation::MemberInfo;
using automation::MemberKind;

constexpr auto BuildPropertyMembers() {
    std::array<MemberInfo, kProperties.size()> members{};
    for (std::size_t i = 0; i < kProperties.size(); ++i) {
        const PropertyEntry& property = kProperties[i];
        members[i] = {property.dispid,
                      property.name,
                      MemberKind::Property,
                      property.type,
                      {},
                      property.set == SetFamily::ReadOnly,
                      property.help};
    }
    return members;
}

constexpr auto BuildEventMembers() {
    std::array<MemberInfo, kEvents.size()> members{};
    for (std::size_t i = 0; i < kEvents.size(); ++i) {
        members[i] = {kEvents[i].dispid, kEvents[i].name, MemberKind::Method, ParamType::Void};
    }
    return members;
}

// The questions' names in the order BuildQuestionMembers describes them:
// the range questions, then the name questions.
constexpr auto QuestionNames() {
    std::array<std::string_view, kRanges.size() + kNames.size()> names{};
    std::size_t next = 0;
    for (const RangeQuestion& range : kRanges) {
        names[next++] = range.name;
    }
    for (const NameQuestion& question : kNames) {
        names[next++] = question.name;
    }
    return names;
}

constexpr auto kQuestionNames = QuestionNames();
constexpr auto kQuestionHelpChars =
    method_help::Write<method_help::TotalLength(kQuestionNames)>(kQuestionNames);
constexpr auto kQuestionHelp = method_help::Views(kQuestionNames, kQuestionHelpChars);

constexpr auto BuildQuestionMembers() {
    std::array<MemberInfo, kQuestionNames.size()> members{};
    for (std::size_t i = 0; i < members.size(); ++i) {
        const bool range = i < kRanges.size();
        const DispId dispid = range ? kRanges[i].dispid : kNames[i - kRanges.size()].dispid;
        members[i] = {dispid,
                      kQuestionNames[i],
                      MemberKind::Method,
                      range ? ParamType::Long : ParamType::String,
                      std::span<const automation::ParamInfo>(range ? &kMinMax : &kIndex, 1),
                      false,
                      kQuestionHelp[i]};
    }
    std::sort(members.begin(), members.end(), ByDispid<MemberInfo>);
    return members;
}

constexpr auto kPropertyMembers = BuildPropertyMembers();
constexpr auto kEventMembers = BuildEventMembers();
constexpr auto kQuestionMembers = BuildQuestionMembers();
static_assert(DispidsUnique(kQuestionMembers), "a question's dispid names one question");

// The published interface: hosts were built against these counts, so a
// change of either is a change of the interface.
static_assert(kParameterCount == 80, "the parameter table has the published 80 rows");
static_assert(kEvents.size() == 70, "the event interface publishes 70 events");

}  // namespace

std::span<const PropertyEntry> PropertyTable() {
    return kProperties;
}

const PropertyEntry* FindProperty(DispId dispid) {
    const auto found = std::lower_bound(
        kProperties.begin(), kProperties.end(), dispid,
        [](const PropertyEntry& entry, DispId wanted) { return entry.dispid < wanted; });
    return found != kProperties.end() && found->dispid == dispid ? &*found : nullptr;
}

std::span<const EventEntry> EventTable() {
    return kEvents;
}

XKIV_HOT DispId EventOfRow(int row) {
    return IsValidRow(row) ? kRowEvents[static_cast<std::size_t>(row)] : automation::kDispidUnknown;
}

std::span<const RangeQuestion> RangeQuestionTable() {
    return kRanges;
}

std::span<const NameQuestion> NameQuestionTable() {
    return kNames;
}

std::span<const automation::MemberInfo> PropertyMembers() {
    return kPropertyMembers;
}

std::span<const automation::MemberInfo> EventMembers() {
    return kEventMembers;
}

std::span<const automation::MemberInfo> QuestionMembers() {
    return kQuestionMembers;
}

}  // namespace xkiv
