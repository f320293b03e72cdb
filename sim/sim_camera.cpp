// The simulated camera's state: configuration, factory settings, identity and its values.
#include "sim/sim_camera.h"

#include <algorithm>
#include <array>

#include "camera/model_table.h"
#include "sim/sim_camera_private.h"

namespace xkiv::sim {

namespace {

constexpr int kTextLimit = 12;  // identity texts (model, camera ID, user ID) are 12 characters

// The firmware of a model outside the model table.
constexpr int kOtherModelFirmware = 100;

struct RowDefault {
    int row;
    std::int32_t value;
};

// Factory values other than 0; the line rate and exposures lie inside the bounds of
// every model with either read-out.
constexpr std::array<RowDefault, 12> kFactoryValues{{
    {row::LR, 10000},
    {row::AL, 512},
    {row::PER, 5000},
    {row::PEG, 5000},
    {row::PEB, 5000},
    {row::BL, 32},
    {row::KSR, 256},
    {row::KSG, 256},
    {row::KSB, 256},
    {row::KPR, 768},
    {row::KPG, 768},
    {row::KPB, 768},
}};

struct IndexedDefault {
    int row;
    std::array<std::int32_t, kIndexCount> values;
};

// Factory aberration settings per selection: selection 0 is off, 1 and 2 use two and three
// pixels so that the selections are told apart. Each set satisfies the rows' own bounds.
constexpr std::array<IndexedDefault, 8> kFactoryIndexed{{
    {row::CABLR, {0, 2, -3}},
    {row::CABLB, {0, -1, 3}},
    {row::CABAR, {8, 8, 8}},
    {row::CABAB, {8, 8, 7}},
    {row::CABSR, {1, 4, 5}},
    {row::CABSB, {1, 1, 4}},
    {row::CABTR, {1, 1, 2}},
    {row::CABTB, {1, 1, 2}},
}};

constexpr std::array<const char*, 3> kFactoryInputNames{"Input 1", "Input 2", "Input 3"};

// Correction tables that vary from value to value, so that a client that drops, repeats or
// reorders values is caught.
std::int32_t InitialAberration(int table, int position) {
    return table == 0 ? (position * 97 % 223 - 111) * 151 : (position * 61 % 211 - 105) * 157;
}

}  // namespace

bool ValidateCameraConfig(const CameraConfig& config, std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };
    auto badText = [](const std::string& text) {
        return text.size() > static_cast<std::size_t>(kTextLimit) || !IsPrintable(text);
    };
    if (config.model.empty() || badText(config.model)) {
        return fail("model name must be 1 to 12 printable characters");
    }
    if (badText(config.cameraId) || badText(config.userId)) {
        return fail("camera ID and user ID must be at most 12 printable characters");
    }
    if (config.firmware < -1 || config.firmware > 999 || config.fpga < 0 || config.fpga > 999) {
        return fail("firmware and FPGA versions must be 0 to 999");
    }
    if (config.unlockCode < 0 || config.unlockCode > 9999) {
        return fail("unlock code must be 0 to 9999");
    }
    if (config.onePushMs < 0) {
        return fail("one-push duration must not be negative");
    }
    auto badResult = [](int result) { return result < 0 || result > 4; };
    if (badResult(config.onePushResult)) {
        return fail("one-push result must be 0 to 4");
    }
    for (const auto& [mnemonic, result] : config.onePushResults) {
        if (!SimCamera::IsOnePushCommand(mnemonic)) {
            return fail("no one-push command " + mnemonic + " (AH, AW, SDR, PGR or PBR)");
        }
        if (badResult(result)) {
            return fail("one-push result must be 0 to 4");
        }
    }
    return true;
}

int ResolveFirmware(const CameraConfig& config) {
    if (config.firmware >= 0) {
        return config.firmware;
    }
    const ModelEntry* model = FindModel(config.model);
    return model != nullptr ? model->fullFirmware : kOtherModelFirmware;
}

SimCamera::SimCamera(const CameraConfig& config, Clock& clock)
    : config_(config), clock_(clock), current_(FactorySettings()) {
    areas_.fill(current_);
    InitialiseIdentity(config);
    for (int table = 0; table < 2; ++table) {
        for (int i = 0; i < kAberrationTableSize; ++i) {
            aberration_[table][i] = InitialAberration(table, i);
        }
    }
}

SimCamera::Settings SimCamera::FactorySettings() {
    Settings settings;
    for (const auto& d : kFactoryValues) {
        settings.values[d.row] = d.value;
    }
    for (const auto& d : kFactoryIndexed) {
        for (int index = 0; index < kIndexCount; ++index) {
            settings.indexed[index][d.row] = d.values[index];
        }
    }
    for (int i = 0; i < 3; ++i) {
        settings.texts[row::CABN1 + i] = kFactoryInputNames[i];
    }
    return settings;
}

void SimCamera::InitialiseIdentity(const CameraConfig& config) {
    current_.values[row::VN] = ResolveFirmware(config);
    current_.values[row::PV] = config.fpga;
    current_.texts[row::ID] = config.cameraId;
    current_.texts[row::MD] = config.model;
    current_.texts[row::UD] = config.userId;
}

int SimCamera::Selection() const {
    return std::clamp(current_.values[row::MAVCG], 0, kIndexCount - 1);
}

std::int32_t SimCamera::Value(int r) const {
    if (!IsValidRow(r)) {
        return 0;
    }
    return HasFlag(r, PF_INDEXED) ? current_.indexed[Selection()][r] : current_.values[r];
}

const std::string& SimCamera::Text(int r) const {
    static const std::string kEmpty;
    return IsValidRow(r) ? current_.texts[r] : kEmpty;
}

std::int32_t SimCamera::IndexedValue(int r, int index) const {
    if (!IsValidRow(r)) {
        return 0;
    }
    return current_.indexed[std::clamp(index, 0, kIndexCount - 1)][r];
}

std::int32_t SimCamera::AreaValue(int area, int r, int index) const {
    if (!IsValidRow(r)) {
        return 0;
    }
    const Settings& settings = areas_[std::clamp(area, 0, 2)];
    return HasFlag(r, PF_INDEXED) ? settings.indexed[std::clamp(index, 0, kIndexCount - 1)][r]
                                  : settings.values[r];
}

std::int32_t SimCamera::AberrationValue(int r, int position) const {
    return aberration_[r == row::CABR ? 0 : 1][position % kAberrationTableSize];
}

void SimCamera::SetValue(int r, std::int32_t value) {
    if (HasFlag(r, PF_INDEXED)) {
        current_.indexed[Selection()][r] = value;
    } else if (IsValidRow(r)) {
        current_.values[r] = value;
    }
}

void SimCamera::SetIndexedValue(int r, int index, std::int32_t value) {
    if (!IsValidRow(r)) {
        return;
    }
    current_.indexed[std::clamp(index, 0, kIndexCount - 1)][r] = value;
}

void SimCamera::SetText(int r, const std::string& text) {
    if (IsValidRow(r)) {
        current_.texts[r] = text;
    }
}

}  // namespace xkiv::sim
