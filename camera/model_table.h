// The camera models, one row each: bounds, clock, features by firmware, and the product's names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace xkiv {

// The family text setup files (.cam) carry as their model check. Files
// written by every earlier release carry exactly this text, and a file whose
// text differs is refused, so it must not change when a model is added: a
// new model joins the family under this same text.
inline constexpr const char* kModelFamily = "RZ-130LX/RZ-150LX/RZ-130LX-FS/RZ-150LX-HR";

// In a feature's column: no firmware of the model has the feature.
inline constexpr std::int32_t kNeverFirmware = -1;

// One camera model, as its MD answer names it. Line rates are in pixel
// clocks: full for the whole sensor read out (SRO = 0), partial otherwise.
// The features arrive with a firmware version (VN) of each model.
struct ModelEntry {
    const char* name;
    const char* family;  // the settings files' identity, kModelFamily
    std::int32_t lineRateMinimumFull;
    std::int32_t lineRateMinimumPartial;
    std::int32_t lineRateMaximumFull;
    std::int32_t lineRateMaximumPartial;
    std::int32_t exposureMaximum;
    double clockPeriodNs;                 // the page's time texts: clocks times this
    std::int32_t cableFromFirmware;       // cable selection and APF control
    std::int32_t aberrationFromFirmware;  // chromatic aberration correction
    // The first firmware with every feature the model has: what the
    // simulator emulates unless told a version.
    std::int32_t fullFirmware;
};

// clang-format off
inline constexpr std::array kModels = {
    //          name            family        line rate min   line rate max        exposure  clock  cable  aberration      full
    ModelEntry{"RZ-130LX",    kModelFamily, 2633, 1609, 1347584, 823296, 1056720, 12.5, 16,  22,              22},
    ModelEntry{"RZ-150LX",    kModelFamily, 4944, 2921, 1201920, 597376, 1194752, 12.5, 56,  63,              63},
    ModelEntry{"RZ-130LX-FS", kModelFamily, 2500, 1476, 1280000, 755713, 1279560, 16.7, 168, 8,               168},
    ModelEntry{"RZ-150LX-HR", kModelFamily, 5238, 3190, 1201920, 597376, 1194752, 16.7, 168, kNeverFirmware,  168},
};
// clang-format on

// The bounds of a camera that names a model outside the table are the
// RZ-150LX's; it has no feature that depends on the model.
inline constexpr std::size_t kBoundsOfUnknownModel = 1;

// The model named so, or null.
constexpr const ModelEntry* FindModel(std::string_view name) {
    for (const ModelEntry& model : kModels) {
        if (name == model.name) {
            return &model;
        }
    }
    return nullptr;
}

// The model whose bounds a camera named so has.
constexpr const ModelEntry& BoundsOfModel(std::string_view name) {
    const ModelEntry* model = FindModel(name);
    return model != nullptr ? *model : kModels[kBoundsOfUnknownModel];
}

// The largest value a column takes over every model, for the fixed bounds
// that must hold whatever the model.
constexpr std::int32_t LargestOver(std::int32_t ModelEntry::*column) {
    std::int32_t largest = kModels[0].*column;
    for (const ModelEntry& model : kModels) {
        largest = model.*column > largest ? model.*column : largest;
    }
    return largest;
}

// "RZ-130LX/RZ-150LX/...": every model's name, as the About panel lists them.
inline std::string ModelNames() {
    std::string names;
    for (const ModelEntry& model : kModels) {
        names += names.empty() ? "" : "/";
        names += model.name;
    }
    return names;
}

// The names the product goes by: the host's version text and its desktop
// entry are generated from these at build time.
struct ProductNames {
    const char* productName;
    const char* fileDescription;
    const char* internalName;
    const char* desktopName;
};

inline constexpr ProductNames kProductNames{
    "RZ-130/150LX Control Tool",
    "RZ-130LX/RZ-150LX/RZ-150LX-HR Control Tool",
    "RZ-150(130)LX Control Tool",
    "RZ-150/130LX Control Tool",
};

}  // namespace xkiv
