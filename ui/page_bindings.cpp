// The binding, decoration and enable tables of the "Camera Controls" and "Calibration ..." pages.
#include "ui/page_bindings.h"

#include "camera/parameter_table.h"

namespace xkiv::ui {

namespace {

constexpr Place kNone{0, 0, 0, 0};

constexpr Binding List(int id, const char* name, const char* label, int row, const char* property,
                       Place place, int caption, Place captionPlace) {
    return {id,    name, BindKind::List, label,        row, property,         row,
            place, 0,    caption,        captionPlace, 0,   RefreshRule::Any, PageAction::None};
}

constexpr Binding Edit(int id, const char* name, BindKind kind, const char* label, int row,
                       const char* property, Place place, int spin, int caption, Place captionPlace,
                       RefreshRule refresh = RefreshRule::Any) {
    return {id,    name, kind,    label,        row, property, row,
            place, spin, caption, captionPlace, 0,   refresh,  PageAction::None};
}

constexpr Binding Button(int id, const char* name, const char* label, int hover, Place place,
                         PageAction action, int row = -1) {
    return {id,    name, BindKind::Button, label, row, nullptr, hover, place, 0, 0,
            kNone, 0,    RefreshRule::Any, action};
}

constexpr Binding Check(int id, const char* name, const char* label, int row, const char* property,
                        Place place) {
    return {id,    name, BindKind::Check,  label,           row, property, row, place, 0, 0,
            kNone, 0,    RefreshRule::Any, PageAction::None};
}

// A control under a column caption, named for a screen reader by its row and column.
constexpr Binding Spoken(const char* name, Binding binding) {
    binding.spokenName = name;
    return binding;
}

// Label column and list column of the two-column rows.
constexpr Place LabelAt(int left, int top, int width) {
    return {left, top + 2, width, 8};
}

// clang-format off
constexpr std::array kControlBindings = {
    List(221, "TriggerMode", "Trigger Mode", row::TR, "TriggerMode", {78, 14, 78, 60}, 220, LabelAt(14, 14, 62)),
    List(227, "TriggerSource", "Trigger Source", row::TG, "TriggerOrigin", {78, 30, 78, 60}, 226, LabelAt(14, 30, 62)),
    List(225, "TriggerInput", "Trigger Input", row::TI, "TriggerInput", {78, 46, 78, 60}, 224, LabelAt(14, 46, 62)),
    List(223, "TriggerPolarity", "Trigger Polarity", row::TP, "TriggerPolarity", {78, 62, 78, 60}, 222, LabelAt(14, 62, 62)),
    List(229, "AutoResetMode", "Auto Reset Mode", row::ARST, "AutoResetMode", {78, 78, 78, 60}, 228, LabelAt(14, 78, 62)),
    Edit(252, "LineRate", BindKind::EditU, "Line Rate", row::LR, "LineRate", {50, 114, 48, 12}, 253, 251, LabelAt(14, 114, 36), RefreshRule::LongValue),
    Edit(255, "Reference", BindKind::EditU, "Reference", row::AL, "AutoLineRateReference", {50, 130, 48, 12}, 256, 254, LabelAt(14, 130, 36)),
    Button(208, "AutoSet", "Auto Set", row::AR, {108, 129, 48, 14}, PageAction::AutoLineRate, row::AR),
    Check(260, "Interlock", "RB Interlocked with G", row::EI, "ExposureInterlockMode", {12, 147, 95, 10}),
    Button(207, "AwbByExposure", "AWB by Exp.", row::AH, {108, 145, 48, 14}, PageAction::AwbByExposure, row::AH),
    Spoken("Red Exposure", Edit(243, "RedExposure", BindKind::EditU, "Red", row::PER, "RedExposure", {14, 172, 44, 12}, 244, 242, {14, 162, 44, 8}, RefreshRule::LongValue)),
    Spoken("Green Exposure", Edit(246, "GreenExposure", BindKind::EditU, "Green", row::PEG, "GreenExposure", {62, 172, 44, 12}, 247, 245, {62, 162, 44, 8}, RefreshRule::LongValue)),
    Spoken("Blue Exposure", Edit(249, "BlueExposure", BindKind::EditU, "Blue", row::PEB, "BlueExposure", {110, 172, 44, 12}, 250, 248, {110, 162, 44, 8}, RefreshRule::LongValue)),
    List(233, "Binning", "Binning", row::BI, "Binning", {78, 218, 70, 60}, 232, LabelAt(14, 218, 62)),
    List(235, "BitAllocation", "Bit Allocation", row::BA, "BitAllocation", {78, 234, 70, 60}, 234, LabelAt(14, 234, 62)),
    List(237, "SensorReadOut", "Sensor Read Out", row::SRO, "SensorReadOutMode", {222, 218, 68, 60}, 236, LabelAt(158, 218, 62)),
    List(239, "TestPattern", "Test Pattern", row::TS, "TestPattern", {222, 234, 68, 60}, 238, LabelAt(158, 234, 62)),
    List(212, "GainMode", "Gain Mode", row::GM, "GainMode", {220, 14, 70, 60}, 211, LabelAt(176, 14, 43)),
    Spoken("Red Gain", Edit(217, "RedGain", BindKind::EditI, "Red", row::GAR, "RedGain", {178, 38, 36, 12}, 218, 216, {178, 29, 36, 8}, RefreshRule::Signed)),
    Spoken("Green Gain", Edit(214, "MasterGain", BindKind::EditI, "Green", row::GA, "MasterGain", {216, 38, 36, 12}, 215, 213, {216, 29, 36, 8}, RefreshRule::SignedWhenNegative)),
    Spoken("Blue Gain", Edit(240, "BlueGain", BindKind::EditI, "Blue", row::GAB, "BlueGain", {254, 38, 36, 12}, 241, 219, {254, 29, 36, 8}, RefreshRule::Signed)),
    Spoken("Red Sensor Gain", List(257, "RedSensorGain", "", row::SGR, "RedSensorGainMode", {178, 54, 36, 60}, 0, kNone)),
    Spoken("Green Sensor Gain", List(258, "GreenSensorGain", "", row::SGG, "GreenSensorGainMode", {216, 54, 36, 60}, 0, kNone)),
    Spoken("Blue Sensor Gain", List(259, "BlueSensorGain", "", row::SGB, "BlueSensorGainMode", {254, 54, 36, 60}, 0, kNone)),
    List(286, "BlackMode", "Black Mode", row::BLM, "BlackLevelMode", {220, 86, 70, 60}, 231, LabelAt(176, 86, 43)),
    Spoken("Red Black Level", Edit(291, "RedBlackLevel", BindKind::EditI, "Red", row::BLR, "RedBlackLevel", {178, 112, 36, 12}, 292, 290, {178, 103, 36, 8}, RefreshRule::SignedWhenNegative)),
    Spoken("Green Black Level", Edit(288, "MasterBlackLevel", BindKind::EditU, "Green", row::BL, "MasterBlackLevel", {216, 112, 36, 12}, 289, 287, {216, 103, 36, 8}, RefreshRule::Any)),
    Spoken("Blue Black Level", Edit(294, "BlueBlackLevel", BindKind::EditI, "Blue", row::BLB, "BlueBlackLevel", {254, 112, 36, 12}, 295, 293, {254, 103, 36, 8}, RefreshRule::SignedWhenNegative)),
    List(284, "WhiteBalanceMode", "Mode", row::WB, "WhiteBalanceMode", {220, 146, 70, 60}, 283, LabelAt(176, 146, 43)),
    Button(285, "AwbByGain", "AWB by Gain", row::AW, {220, 166, 70, 14}, PageAction::AwbByGain, row::AW),
};

constexpr std::array kControlDecorations = {
    Decoration{0, DecorationKind::Frame, "Trigger Control", {7, 3, 156, 96}},
    Decoration{0, DecorationKind::Frame, "Line Rate Control", {7, 102, 156, 100}},
    Decoration{0, DecorationKind::Frame, "Image Format Control", {7, 206, 289, 47}},
    Decoration{0, DecorationKind::Frame, "Gain Control", {171, 3, 125, 69}},
    Decoration{0, DecorationKind::Frame, "Black Level Control", {171, 75, 125, 56}},
    Decoration{0, DecorationKind::Frame, "White Balance Control", {171, 134, 125, 68}},
    Decoration{279, DecorationKind::TimeText, "", {100, 116, 58, 8}},
    Decoration{280, DecorationKind::TimeText, "", {10, 188, 48, 8}},
    Decoration{281, DecorationKind::TimeText, "", {58, 188, 48, 8}},
    Decoration{282, DecorationKind::TimeText, "", {106, 188, 48, 8}},
};

constexpr Binding Radio(int id, const char* name, int item, Place place) {
    return {id, name, BindKind::Radio, "", row::MAVCG, "AberrationSelection", row::MAVCG, place,
            0,  0,    kNone,           item, RefreshRule::Any, PageAction::None};
}

constexpr Binding NameEdit(int id, const char* name, int row, const char* property, Place place) {
    return {id, name, BindKind::NameEdit, "", row, property, row, place, 0, 0, kNone, 0,
            RefreshRule::Any, PageAction::None};
}

constexpr Binding PositionList(int id, const char* name, const char* label, int row,
                               const char* property, Place place, int caption, Place captionPlace) {
    return {id,      name,         BindKind::PositionList, label, row, property, row, place, 0,
            caption, captionPlace, 0, RefreshRule::Any, PageAction::None};
}

constexpr std::array kCalibBindings = {
    List(279, "KneeMode", "Knee Mode", row::KN, "KneeMode", {70, 14, 60, 60}, 245, LabelAt(14, 14, 54)),
    Spoken("Red Knee Point", Edit(258, "RedKneePoint", BindKind::EditU, "Red", row::KPR, "RedKneePoint", {50, 40, 36, 12}, 259, 257, {50, 30, 36, 8})),
    Spoken("Green Knee Point", Edit(261, "GreenKneePoint", BindKind::EditU, "Green", row::KPG, "GreenKneePoint", {88, 40, 36, 12}, 262, 260, {88, 30, 36, 8})),
    Spoken("Blue Knee Point", Edit(264, "BlueKneePoint", BindKind::EditU, "Blue", row::KPB, "BlueKneePoint", {126, 40, 36, 12}, 265, 263, {126, 30, 36, 8})),
    Spoken("Red Knee Slope", Edit(249, "RedKneeSlope", BindKind::EditU, "", row::KSR, "RedKneeSlope", {50, 55, 36, 12}, 250, 0, kNone)),
    Spoken("Green Knee Slope", Edit(252, "GreenKneeSlope", BindKind::EditU, "", row::KSG, "GreenKneeSlope", {88, 55, 36, 12}, 253, 0, kNone)),
    Spoken("Blue Knee Slope", Edit(255, "BlueKneeSlope", BindKind::EditU, "", row::KSB, "BlueKneeSlope", {126, 55, 36, 12}, 256, 0, kNone)),
    List(267, "NoiseReduction", "Noise Reduction", row::NR, "NoiseReduction", {236, 14, 54, 60}, 240, LabelAt(176, 14, 58)),
    List(248, "CableSelect", "CL Cable Select", row::SCB, "CableSelection", {236, 32, 54, 60}, 244, LabelAt(176, 32, 58)),
    List(254, "ApfControl", "APF Control", row::HPFC, "APFControl", {236, 50, 54, 60}, 251, LabelAt(176, 50, 58)),
    List(275, "PixelBlackCorrection", "Pixel Black Correction", row::PBC, "PixelBlackCorrectionMode", {90, 85, 62, 60}, 274, LabelAt(14, 85, 76)),
    List(271, "ShadingCorrection", "Shading Correction", row::SDC, "ShadingCorrectionMode", {90, 103, 62, 60}, 270, LabelAt(14, 103, 76)),
    List(273, "PixelGainCorrection", "Pixel Gain Correction", row::PGC, "PixelGainCorrectionMode", {232, 85, 58, 60}, 272, LabelAt(158, 85, 74)),
    Button(276, "StartCalibration", "Start Calibration...", -3, {181, 101, 98, 15}, PageAction::StartCalibration),
    Check(284, "AberrationEnable", " Enable", row::MAV, "MovingAverageControl", {14, 136, 44, 10}),
    Spoken("Aberration Set 1", Radio(287, "AberrationSet1", 0, {62, 135, 10, 10})),
    Spoken("Aberration Set 2", Radio(290, "AberrationSet2", 1, {62, 149, 10, 10})),
    Spoken("Aberration Set 3", Radio(293, "AberrationSet3", 2, {62, 163, 10, 10})),
    Spoken("Aberration Set 1 Name", NameEdit(288, "AberrationName1", row::CABN1, "AberrationInputName1", {74, 134, 83, 12})),
    Spoken("Aberration Set 2 Name", NameEdit(291, "AberrationName2", row::CABN2, "AberrationInputName2", {74, 148, 83, 12})),
    Spoken("Aberration Set 3 Name", NameEdit(294, "AberrationName3", row::CABN3, "AberrationInputName3", {74, 162, 83, 12})),
    Button(289, "ChangeName", "Change Name", -4, {162, 134, 58, 14}, PageAction::ChangeName, row::CABN1),
    Button(268, "SaveToFile", "Save To File", -1, {226, 134, 62, 14}, PageAction::SaveAberration, row::CABR),
    Button(269, "LoadFromFile", "Load From File", -2, {226, 150, 62, 14}, PageAction::LoadAberration, row::CABB),
    Spoken("R-ch Left Side Pixel", PositionList(311, "RedLeftSide", "R-ch", row::CABLR, "AberrationLeftSidePixelRedIndex", {44, 188, 44, 80}, 277, LabelAt(14, 188, 26))),
    Spoken("B-ch Left Side Pixel", PositionList(322, "BlueLeftSide", "B-ch", row::CABLB, "AberrationLeftSidePixelBlueIndex", {44, 203, 44, 80}, 278, LabelAt(14, 203, 26))),
    Spoken("R-ch Area", Edit(299, "RedArea", BindKind::EditU, "Area", row::CABAR, "AberrationAreaNumberRed", {94, 188, 50, 12}, 266, 281, {94, 178, 50, 8})),
    Spoken("B-ch Area", Edit(300, "BlueArea", BindKind::EditU, "", row::CABAB, "AberrationAreaNumberBlue", {94, 203, 50, 12}, 286, 0, kNone)),
    Spoken("R-ch 2'nd Pixel Block", Edit(301, "RedSecondPixel", BindKind::EditU, "2'nd Pixel Block", row::CABSR, "AberrationSecondPixelRed", {156, 188, 60, 12}, 292, 282, {156, 178, 60, 8})),
    Spoken("B-ch 2'nd Pixel Block", Edit(302, "BlueSecondPixel", BindKind::EditU, "", row::CABSB, "AberrationSecondPixelBlue", {156, 203, 60, 12}, 295, 0, kNone)),
    Spoken("R-ch 3'rd Pixel Block", Edit(303, "RedThirdPixel", BindKind::EditU, "3'rd Pixel Block", row::CABTR, "AberrationThirdPixelRed", {228, 188, 60, 12}, 296, 297, {228, 178, 60, 8})),
    Spoken("B-ch 3'rd Pixel Block", Edit(304, "BlueThirdPixel", BindKind::EditU, "", row::CABTB, "AberrationThirdPixelBlue", {228, 203, 60, 12}, 298, 0, kNone)),
};

constexpr std::array kCalibDecorations = {
    Decoration{0, DecorationKind::Frame, "Knee Control", {7, 3, 156, 69}},
    Decoration{0, DecorationKind::Frame, "Others", {169, 3, 127, 69}},
    Decoration{0, DecorationKind::Frame, "Calibrations", {7, 74, 289, 48}},
    Decoration{0, DecorationKind::Frame, "Chromatic Aberration", {7, 124, 289, 129}},
    Decoration{0, DecorationKind::Label, "Point", {14, 42, 34, 8}},
    Decoration{0, DecorationKind::Label, "Slope", {14, 57, 34, 8}},
    Decoration{280, DecorationKind::Label, "Left Side Pixel", {40, 178, 52, 8}, row::CABLR},
    Decoration{0, DecorationKind::Label, "R-ch", {14, 225, 24, 8}},
    Decoration{0, DecorationKind::Label, "B-ch", {14, 238, 24, 8}},
};

// clang-format on

struct ButtonHintEntry {
    int hover;
    const char* text;
};

constexpr std::array kButtonHints = {
    ButtonHintEntry{-1, "Upload Chromatic Aberration From Camera, Then Save Into File"},
    ButtonHintEntry{-2, "Read Chromatic Aberration From File, Then Download To Camera"},
    ButtonHintEntry{-3, "Start Calibrations"},
    ButtonHintEntry{-4, "Change Input Names"},
};

}  // namespace

const PageTables& ControlPageTables() {
    static const PageTables tables{kControlBindings, kControlDecorations};
    return tables;
}

const PageTables& CalibPageTables() {
    static const PageTables tables{kCalibBindings, kCalibDecorations};
    return tables;
}

const char* ButtonHint(int hover) {
    for (const ButtonHintEntry& entry : kButtonHints) {
        if (entry.hover == hover) {
            return entry.text;
        }
    }
    return nullptr;
}

}  // namespace xkiv::ui
