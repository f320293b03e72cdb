// The table of the control's 70 events and the row-to-event lookup.
#include "control/dispatch_events.h"

#include <array>

#include "camera/parameter_table.h"

namespace xkiv {

namespace {

using automation::DispId;

constexpr std::array<EventEntry, 70> kEvents = {{
    {kEventOnlineStatusChanged, "OnlineStatusChanged", -1},
    {kEventSynchronizationStatusChanged, "SynchronizationStatusChanged", -1},
    {kEventSendingToCameraStatusChanged, "SendingToCameraStatusChanged", -1},
    {kEventReceivingFromCameraStatusChanged, "ReceivingFromCameraStatusChanged", -1},
    {kEventCommPortChanged, "CommPortChanged", -1},
    {6, "FirmwareVersionChanged", row::VN},
    {7, "FPGAVersionChanged", row::PV},
    {8, "CameraIDChanged", row::ID},
    {9, "ModelNameChanged", row::MD},
    {10, "UserIDChanged", row::UD},
    {11, "TriggerModeChanged", row::TR},
    {12, "TriggerOriginChanged", row::TG},
    {13, "TriggerInputChanged", row::TI},
    {14, "TriggerPolarityChanged", row::TP},
    {15, "AutoResetModeChanged", row::ARST},
    {16, "LineRateChanged", row::LR},
    {17, "AutoLineRateReferenceChanged", row::AL},
    {18, "ExposureInterlockModeChanged", row::EI},
    {19, "RedExposureChanged", row::PER},
    {20, "GreenExposureChanged", row::PEG},
    {21, "BlueExposureChanged", row::PEB},
    {22, "OnePushAWBShutterResultChanged", row::AHRS},
    {23, "BinningChanged", row::BI},
    {24, "BitAllocationChanged", row::BA},
    {25, "TestPatternChanged", row::TS},
    {26, "SensorReadOutModeChanged", row::SRO},
    {27, "MasterGainChanged", row::GA},
    {28, "RedGainChanged", row::GAR},
    {29, "BlueGainChanged", row::GAB},
    {30, "GainModeChanged", row::GM},
    {31, "RedSensorGainModeChanged", row::SGR},
    {32, "GreenSensorGainModeChanged", row::SGG},
    {33, "BlueSensorGainModeChanged", row::SGB},
    {34, "WhiteBalanceModeChanged", row::WB},
    {35, "OnePushAWBResultChanged", row::AWRS},
    {36, "NoiseReductionChanged", row::NR},
    {37, "MasterBlackLevelChanged", row::BL},
    {38, "RedBlackLevelChanged", row::BLR},
    {39, "BlueBlackLevelChanged", row::BLB},
    {40, "BlackLevelModeChanged", row::BLM},
    {41, "KneeModeChanged", row::KN},
    {42, "RedKneeSlopeChanged", row::KSR},
    {43, "GreenKneeSlopeChanged", row::KSG},
    {44, "BlueKneeSlopeChanged", row::KSB},
    {45, "RedKneePointChanged", row::KPR},
    {46, "GreenKneePointChanged", row::KPG},
    {47, "BlueKneePointChanged", row::KPB},
    {48, "ShadingCorrectionModeChanged", row::SDC},
    {49, "ShadingCorrectionRecalibrationTypeChanged", row::ShadingType},
    {50, "OnePushShadingCorrectionResultChanged", row::SDS},
    {51, "PixelGainCorrectionModeChanged", row::PGC},
    {52, "OnePushPixelGainCorrectionResultChanged", row::PGS},
    {53, "PixelBlackCorrectionModeChanged", row::PBC},
    {54, "OnePushPixelBlackCorrectionResultChanged", row::PBS},
    // The camera's power-up area, not the local EEPROM Area row: the local
    // row has no event.
    {55, "EEPROMAreaChanged", row::EA},
    {56, "AberrationSelectionChanged", row::MAVCG},
    {57, "CableSelectionChanged", row::SCB},
    {58, "APFControlChanged", row::HPFC},
    {59, "MovingAverageControlChanged", row::MAV},
    {60, "AberrationInputName1Changed", row::CABN1},
    {61, "AberrationInputName2Changed", row::CABN2},
    {62, "AberrationInputName3Changed", row::CABN3},
    {63, "AberrationLeftSidePixelRedChanged", row::CABLR},
    {64, "AberrationLeftSidePixelBlueChanged", row::CABLB},
    {65, "AberrationAreaNumberRedChanged", row::CABAR},
    {66, "AberrationAreaNumberBlueChanged", row::CABAB},
    {67, "AberrationSecondPixelRedChanged", row::CABSR},
    {68, "AberrationSecondPixelBlueChanged", row::CABSB},
    {69, "AberrationThirdPixelRedChanged", row::CABTR},
    {70, "AberrationThirdPixelBlueChanged", row::CABTB},
}};

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

}  // namespace

std::span<const EventEntry> EventTable() {
    return kEvents;
}

DispId EventOfRow(int row) {
    return IsValidRow(row) ? kRowEvents[static_cast<std::size_t>(row)] : automation::kDispidUnknown;
}

}  // namespace xkiv
