// The table of the control's dispatch properties.
#include "control/dispatch_properties.h"

#include <algorithm>
#include <array>
#include <type_traits>

#include "camera/parameter_table.h"
#include "control/panel.h"

namespace xkiv {

namespace {

using automation::DispId;
using automation::ParamType;

constexpr PropertyEntry PanelShow(DispId dispid, const char* name, int panel, const char* help) {
    return {dispid, name, ParamType::Bool, -1,  panel, GetKind::PanelFlag, SetFamily::Panel, false,
            0,      0,    FollowUp::None,  help};
}

constexpr PropertyEntry ReadOnly(DispId dispid, const char* name, ParamType type, int row,
                                 GetKind get, const char* help) {
    return {dispid, name, type,           row, -1, get, SetFamily::ReadOnly, false,
            0,      0,    FollowUp::None, help};
}

// An integer property of a row, set by one of the clamping families.
constexpr PropertyEntry Long(DispId dispid, const char* name, int row, SetFamily set,
                             const char* help, bool supportedOnly = false,
                             FollowUp followUp = FollowUp::None) {
    return {dispid, name, ParamType::Long, row, -1, GetKind::Value, set, supportedOnly,
            0,      0,    followUp,        help};
}

constexpr PropertyEntry Fixed(DispId dispid, const char* name, int row, std::int32_t minimum,
                              std::int32_t maximum, const char* help, bool supportedOnly = false,
                              FollowUp followUp = FollowUp::None) {
    return {dispid,           name,          ParamType::Long, row,     -1,       GetKind::Value,
            SetFamily::Fixed, supportedOnly, minimum,         maximum, followUp, help};
}

// The display text of a row, set by name (or as text for a text row).
constexpr PropertyEntry Text(DispId dispid, const char* name, int row, const char* help) {
    return {dispid, name, ParamType::String, row, -1, GetKind::Text, SetFamily::Text, false,
            0,      0,    FollowUp::None,    help};
}

// The position of a row's value in its list of names.
constexpr PropertyEntry Index(DispId dispid, const char* name, int row, const char* help) {
    return {dispid, name, ParamType::Long, row, -1, GetKind::Position, SetFamily::Position, false,
            0,      0,    FollowUp::None,  help};
}

constexpr bool kSupportedOnly = true;

constexpr std::array kProperties = {
    PanelShow(1, "ShowAboutWindow", kPanelAbout, "Property Show About Window"),
    PanelShow(2, "ShowCommunicationWindow", kPanelCommunication,
              "Property Show Communication Window"),
    // The control panel was once the exposure window; its help text kept the old name.
    PanelShow(3, "ShowControlWindow", kPanelControl, "Property Show Exposure Window"),
    ReadOnly(10, "CommClass", ParamType::Long, -1, GetKind::CommClass, "Property Comm Class"),
    ReadOnly(11, "CommPort", ParamType::Long, -1, GetKind::CommPort, "Property Comm Port"),
    ReadOnly(20, "FirmwareVersion", ParamType::Long, row::VN, GetKind::Value,
             "Property Firmware Version"),
    ReadOnly(21, "FPGAVersion", ParamType::Long, row::PV, GetKind::Value, "Property FPGA Version"),
    ReadOnly(22, "CameraID", ParamType::String, row::ID, GetKind::Text, "Property Camera ID"),
    ReadOnly(23, "ModelName", ParamType::String, row::MD, GetKind::Text, "Property Model Name"),
    PropertyEntry{24, "UserID", ParamType::String, row::UD, -1, GetKind::Text, SetFamily::UserId,
                  false, 0, 0, FollowUp::None, "Property User ID"},
    Long(25, "EEPROMArea", row::EepromArea, SetFamily::Local, "Property EEPROM Area"),
    Text(26, "EEPROMAreaString", row::EepromArea, "Property EEPROM Area String"),
    Long(27, "TriggerMode", row::TR, SetFamily::List, "Property Trigger Mode"),
    Text(28, "TriggerModeString", row::TR, "Property Trigger Mode String"),
    Long(29, "TriggerOrigin", row::TG, SetFamily::List, "Property Trigger Origin"),
    Text(30, "TriggerOriginString", row::TG, "Property Trigger Origin String"),
    Long(31, "TriggerInput", row::TI, SetFamily::List, "Property Trigger Input"),
    Text(32, "TriggerInputString", row::TI, "Property Trigger Input String"),
    Long(33, "TriggerPolarity", row::TP, SetFamily::List, "Property Trigger Polarity"),
    Text(34, "TriggerPolarityString", row::TP, "Property Trigger Polarity String"),
    Long(35, "AutoResetMode", row::ARST, SetFamily::List, "Property Auto Reset Mode"),
    Long(36, "LineRate", row::LR, SetFamily::Rule, "Property Line Rate"),
    Long(37, "ExposureInterlockMode", row::EI, SetFamily::List, "Property Exposure Interlock Mode"),
    Long(38, "RedExposure", row::PER, SetFamily::Rule, "Property Red Exposure"),
    Long(39, "GreenExposure", row::PEG, SetFamily::Rule, "Property Green Exposure", false,
         FollowUp::Green),
    Long(40, "BlueExposure", row::PEB, SetFamily::Rule, "Property Blue Exposure"),
    Long(41, "Binning", row::BI, SetFamily::List, "Property Binning"),
    Long(42, "BitAllocation", row::BA, SetFamily::List, "Property Bit Allocation"),
    Text(43, "BitAllocationString", row::BA, "Property Bit Allocation String"),
    Long(44, "TestPattern", row::TS, SetFamily::List, "Property Test Pattern"),
    Text(45, "TestPatternString", row::TS, "Property Test Pattern String"),
    Long(46, "SensorReadOutMode", row::SRO, SetFamily::List, "Property Sensor Read Out Mode"),
    Text(47, "SensorReadOutModeString", row::SRO, "Property Sensor Read Out Mode String"),
    Long(48, "MasterGain", row::GA, SetFamily::Rule, "Property Master Gain"),
    Long(49, "RedGain", row::GAR, SetFamily::Rule, "Property Red Gain"),
    Long(50, "BlueGain", row::GAB, SetFamily::Rule, "Property Blue Gain"),
    Long(51, "GainMode", row::GM, SetFamily::List, "Property Gain Mode"),
    Text(52, "GainModeString", row::GM, "Property Gain Mode String"),
    Long(53, "RedSensorGainMode", row::SGR, SetFamily::List, "Property Red Sensor Gain Mode"),
    Long(54, "GreenSensorGainMode", row::SGG, SetFamily::List, "Property Green Sensor Gain Mode"),
    Long(55, "BlueSensorGainMode", row::SGB, SetFamily::List, "Property Blue Sensor Gain Mode"),
    Long(56, "WhiteBalanceMode", row::WB, SetFamily::List, "Property White Balance Mode"),
    Text(57, "WhiteBalanceModeString", row::WB, "Property White Balance Mode String"),
    Long(58, "NoiseReduction", row::NR, SetFamily::List, "Property Noise Reduction"),
    Long(59, "MasterBlackLevel", row::BL, SetFamily::Rule, "Property Master Black Level"),
    Long(60, "RedBlackLevel", row::BLR, SetFamily::Rule, "Property Red Black Level"),
    Long(61, "BlueBlackLevel", row::BLB, SetFamily::Rule, "Property Blue Black Level"),
    Long(62, "BlackLevelMode", row::BLM, SetFamily::List, "Property Black Level Mode"),
    Text(63, "BlackLevelModeString", row::BLM, "Property Black Level Mode String"),
    Long(64, "KneeMode", row::KN, SetFamily::List, "Property Knee Mode"),
    Fixed(65, "RedKneeSlope", row::KSR, 0, 65535, "Property Red Knee Slope"),
    Fixed(66, "GreenKneeSlope", row::KSG, 0, 65535, "Property Green Knee Slope"),
    Fixed(67, "BlueKneeSlope", row::KSB, 0, 65535, "Property Blue Knee Slope"),
    Fixed(68, "RedKneePoint", row::KPR, 0, 1023, "Property Red Knee Point"),
    Fixed(69, "GreenKneePoint", row::KPG, 0, 1023, "Property Green Knee Point"),
    Fixed(70, "BlueKneePoint", row::KPB, 0, 1023, "Property Blue Knee Point"),
    Long(71, "ShadingCorrectionMode", row::SDC, SetFamily::List,
         "Property Shading Correction Mode"),
    Text(72, "ShadingCorrectionModeString", row::SDC, "Property Shading Correction Mode String"),
    Long(73, "ShadingCorrectionRecalibrationType", row::ShadingType, SetFamily::Local,
         "Property Shading Correction Recalibration Type"),
    Long(74, "PixelGainCorrectionMode", row::PGC, SetFamily::List,
         "Property Pixel Gain Correction Mode"),
    Text(75, "PixelGainCorrectionModeString", row::PGC,
         "Property Pixel Gain Correction Mode String"),
    Long(76, "PixelBlackCorrectionMode", row::PBC, SetFamily::List,
         "Property Pixel Black Correction Mode"),
    Text(77, "PixelBlackCorrectionModeString", row::PBC,
         "Property Pixel Black Correction Mode String"),
    Fixed(78, "AutoLineRateReference", row::AL, 0, 1023, "Property Auto Line Rate Reference"),
    // The selection was introduced as the chromatic aberration selection.
    Fixed(79, "AberrationSelection", row::MAVCG, 0, 2, "Property Chromatic Aberration Selection",
          kSupportedOnly, FollowUp::Aberration),
    Long(80, "CableSelection", row::SCB, SetFamily::List, "Property Cable Selection",
         kSupportedOnly),
    Long(81, "APFControl", row::HPFC, SetFamily::List, "Property APF Control", kSupportedOnly),
    Text(83, "CableSelectionString", row::SCB, "Property Cable Selection String"),
    Text(84, "APFControlString", row::HPFC, "Property APF Control String"),
    Long(85, "MovingAverageControl", row::MAV, SetFamily::List, "Property Moving Average Control",
         kSupportedOnly),
    Text(86, "MovingAverageControlString", row::MAV, "Property Moving Average Control String"),
    Text(87, "AberrationInputName1", row::CABN1, "Property Aberration Input Name 1"),
    Text(88, "AberrationInputName2", row::CABN2, "Property Aberration Input Name 2"),
    Text(89, "AberrationInputName3", row::CABN3, "Property Aberration Input Name 3"),
    Long(90, "AberrationLeftSidePixelRed", row::CABLR, SetFamily::LeftSide,
         "Property Aberration Left Side Pixel Red", kSupportedOnly),
    Long(91, "AberrationLeftSidePixelBlue", row::CABLB, SetFamily::LeftSide,
         "Property Aberration Left Side Pixel Blue", kSupportedOnly),
    Long(92, "AberrationAreaNumberRed", row::CABAR, SetFamily::AberrationDetail,
         "Property Aberration Area Number Red", kSupportedOnly),
    Long(93, "AberrationAreaNumberBlue", row::CABAB, SetFamily::AberrationDetail,
         "Property Aberration Area Number Blue", kSupportedOnly),
    Long(94, "AberrationSecondPixelRed", row::CABSR, SetFamily::AberrationDetail,
         "Property Aberration Second Pixel Red", kSupportedOnly),
    Long(95, "AberrationSecondPixelBlue", row::CABSB, SetFamily::AberrationDetail,
         "Property Aberration Second Pixel Blue", kSupportedOnly),
    Long(96, "AberrationThirdPixelRed", row::CABTR, SetFamily::AberrationDetail,
         "Property Aberration Third Pixel Red", kSupportedOnly),
    Long(97, "AberrationThirdPixelBlue", row::CABTB, SetFamily::AberrationDetail,
         "Property Aberration Third Pixel Blue", kSupportedOnly),
    Text(205, "AberrationLeftSidePixelRedString", row::CABLR,
         "Property Aberration Left Side Pixel Red String"),
    Index(206, "AberrationLeftSidePixelRedIndex", row::CABLR,
          "Property Aberration Left Side Pixel Red Index"),
    Text(207, "AberrationLeftSidePixelBlueString", row::CABLB,
         "Property Aberration Left Side Pixel Blue String"),
    Index(208, "AberrationLeftSidePixelBlueIndex", row::CABLB,
          "Property Aberration Left Side Pixel Blue Index"),
};

static_assert(std::is_sorted(kProperties.begin(), kProperties.end(),
                             [](const PropertyEntry& a, const PropertyEntry& b) {
                                 return a.dispid < b.dispid;
                             }),
              "properties are kept in dispid order for the lookup");

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

}  // namespace xkiv
