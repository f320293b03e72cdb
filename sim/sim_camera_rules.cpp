// The simulated camera's rules: bounds, clamping, and set commands that do more than store.
#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "sim/sim_camera.h"
#include "sim/sim_camera_private.h"

namespace xkiv::sim {

namespace {

constexpr int kFactoryArea = 0;

// Rows a settings area holds: the writable camera data, except the user ID, which names the
// camera rather than a setting and survives loading an area.
bool IsAreaRow(int r) {
    return HasFlag(r, PF_CAMERA_DATA | PF_WRITABLE) && r != row::UD;
}

// Integer rows whose value must stay inside bounds that follow other rows.
bool HasMovingBounds(int r) {
    return HasFlag(r, PF_READABLE | PF_WRITABLE) && !HasFlag(r, PF_STRING) &&
           Entry(r).valueNameCount == 0;
}

}  // namespace

// A one-push command, the row its result is read from, and what success changes.
struct SimCamera::OnePushCommand {
    int commandRow;
    int resultRow;
    void (SimCamera::*onSuccess)();
};

const std::array<SimCamera::OnePushCommand, 5>& SimCamera::OnePushCommands() {
    static constexpr std::array<OnePushCommand, 5> kCommands{{
        {row::AH, row::AHRS, &SimCamera::BalanceExposure},
        {row::AW, row::AWRS, &SimCamera::BalanceGain},
        {row::SDR, row::SDS, nullptr},
        {row::PGR, row::PGS, nullptr},
        {row::PBR, row::PBS, nullptr},
    }};
    return kCommands;
}

// Set commands that do more than store their value.
struct SimCamera::CommandAction {
    int row;
    std::string (SimCamera::*action)(const Command&);
};

bool SimCamera::IsOnePushCommand(const std::string& mnemonic) {
    const int r = RowOfMnemonic(mnemonic);
    const auto& commands = OnePushCommands();
    return std::any_of(commands.begin(), commands.end(),
                       [r](const OnePushCommand& c) { return c.commandRow == r; });
}

const SimCamera::CommandAction* SimCamera::FindAction(int r) {
    static constexpr std::array<CommandAction, 11> kActions{{
        {row::ULCK, &SimCamera::Unlock},
        {row::AR, &SimCamera::SetLineRateAutomatically},
        {row::AH, &SimCamera::StartOnePush},
        {row::AW, &SimCamera::StartOnePush},
        {row::SDR, &SimCamera::StartOnePush},
        {row::PGR, &SimCamera::StartOnePush},
        {row::PBR, &SimCamera::StartOnePush},
        {row::CABR, &SimCamera::WriteAberration},
        {row::CABB, &SimCamera::WriteAberration},
        {row::LD, &SimCamera::LoadArea},
        {row::SA, &SimCamera::StoreArea},
    }};
    const auto found = std::find_if(kActions.begin(), kActions.end(),
                                    [r](const CommandAction& a) { return a.row == r; });
    return found != kActions.end() ? &*found : nullptr;
}

std::string SimCamera::Apply(const Command& command) {
    if (const CommandAction* special = FindAction(command.row)) {
        return (this->*special->action)(command);
    }
    if (command.index >= 0) {
        current_.indexed[command.index][command.row] = command.value;
    } else {
        current_.values[command.row] = command.value;
    }
    ClampToBounds();
    return kComplete;
}

bool SimCamera::InBounds(int r, std::int32_t value, const ParameterValues& view) const {
    if (Entry(r).valueNameCount > 0) {
        return PositionOfValue(r, value, view) >= 0;
    }
    return value >= EffectiveMinimum(r, false, view) && value <= EffectiveMaximum(r, false, view);
}

// A change of SRO, GM, BLM or an aberration row moves other rows' bounds; like the camera,
// the simulator pulls the values that fall outside back to the nearest bound, so that it never
// reports a value its own bounds refuse. The aberration bounds chain (third < second < area),
// so a change can take a few passes to settle.
void SimCamera::ClampToBounds() {
    constexpr int kMaxPasses = 8;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        bool changed = false;
        for (int r = 0; r < kParameterCount; ++r) {
            if (!HasMovingBounds(r)) {
                continue;
            }
            if (!HasFlag(r, PF_INDEXED)) {
                changed |= ClampRow(r, current_.values[r], *this);
                continue;
            }
            for (int index = 0; index < kIndexCount; ++index) {
                changed |= ClampRow(r, current_.indexed[index][r], IndexView(*this, index));
            }
        }
        if (!changed) {
            return;
        }
    }
}

bool SimCamera::ClampRow(int r, std::int32_t& value, const ParameterValues& view) const {
    const std::int32_t minimum = EffectiveMinimum(r, false, view);
    const std::int32_t maximum = EffectiveMaximum(r, false, view);
    const std::int32_t clamped = value < minimum ? minimum : std::min(value, maximum);
    const bool changed = clamped != value;
    value = clamped;
    return changed;
}

std::int32_t SimCamera::Clamped(int r, std::int64_t value) const {
    const std::int64_t minimum = EffectiveMinimum(r, false, *this);
    const std::int64_t maximum = EffectiveMaximum(r, false, *this);
    return static_cast<std::int32_t>(std::max(minimum, std::min(value, maximum)));
}

std::string SimCamera::Unlock(const Command& command) {
    unlocked_ = command.value == config_.unlockCode;
    return kComplete;
}

std::string SimCamera::SetLineRateAutomatically(const Command&) {
    current_.values[row::LR] = Clamped(row::LR, kAutoLineRate);
    return kComplete;
}

void SimCamera::Settle() {
    const std::int64_t now = clock_.NowMs();
    for (std::size_t slot = 0; slot < onePushStartMs_.size(); ++slot) {
        if (onePushStartMs_[slot] && now - *onePushStartMs_[slot] >= config_.onePushMs) {
            onePushStartMs_[slot].reset();
            FinishOnePush(slot);
        }
    }
}

std::string SimCamera::StartOnePush(const Command& command) {
    const auto& commands = OnePushCommands();
    for (std::size_t slot = 0; slot < commands.size(); ++slot) {
        if (commands[slot].commandRow == command.row) {
            onePushStartMs_[slot] = clock_.NowMs();
            current_.values[commands[slot].resultRow] = 0;  // "Not Yet Finished"
        }
    }
    return kComplete;
}

void SimCamera::FinishOnePush(std::size_t slot) {
    const OnePushCommand& command = OnePushCommands()[slot];
    const int outcome = OnePushOutcome(command.commandRow);
    current_.values[command.resultRow] = outcome;
    if (outcome == 1 && command.onSuccess != nullptr) {
        (this->*command.onSuccess)();
    }
}

int SimCamera::OnePushOutcome(int commandRow) const {
    const auto found = config_.onePushResults.find(Entry(commandRow).mnemonic);
    return found != config_.onePushResults.end() ? found->second : config_.onePushResult;
}

// White balance by exposure: green moves a little and red and blue are set apart from it.
void SimCamera::BalanceExposure() {
    auto& v = current_.values;
    v[row::PEG] = Clamped(row::PEG, std::int64_t{v[row::PEG]} + 16);
    v[row::PER] = Clamped(row::PER, std::int64_t{v[row::PEG]} * 9 / 8);
    v[row::PEB] = Clamped(row::PEB, std::int64_t{v[row::PEG]} * 7 / 8);
}

// White balance by gain: the master gain moves a little, red and blue gains take fixed
// corrections.
void SimCamera::BalanceGain() {
    constexpr std::int32_t kRedGain = 64;
    constexpr std::int32_t kBlueGain = -48;
    auto& v = current_.values;
    v[row::GA] = Clamped(row::GA, std::int64_t{v[row::GA]} + 4);
    v[row::GAR] = Clamped(row::GAR, kRedGain);
    v[row::GAB] = Clamped(row::GAB, kBlueGain);
}

void SimCamera::CopyAreaRows(const Settings& from, Settings& to) {
    for (int r = 0; r < kParameterCount; ++r) {
        if (!IsAreaRow(r)) {
            continue;
        }
        to.values[r] = from.values[r];
        to.texts[r] = from.texts[r];
        for (int index = 0; index < kIndexCount; ++index) {
            to.indexed[index][r] = from.indexed[index][r];
        }
    }
}

std::string SimCamera::LoadArea(const Command& command) {
    CopyAreaRows(areas_[command.value], current_);
    ClampToBounds();
    return kComplete;
}

std::string SimCamera::StoreArea(const Command& command) {
    // The factory area is read-only.
    if (command.value == kFactoryArea) {
        return kBadParameters;
    }
    CopyAreaRows(current_, areas_[command.value]);
    current_.values[row::EA] = command.value;
    return kComplete;
}

std::string SimCamera::WriteAberration(const Command& command) {
    NextAberration(command.row, command.value);
    return kComplete;
}

// Each query reads, each set writes, the value at the cursor and moves the cursor on.
std::int32_t SimCamera::NextAberration(int r, std::optional<std::int32_t> value) {
    auto& table = aberration_[r == row::CABR ? 0 : 1];
    const int position = cursor_;
    cursor_ = (cursor_ + 1) % kAberrationTableSize;
    if (value) {
        table[position] = *value;
    }
    return table[position];
}

}  // namespace xkiv::sim
