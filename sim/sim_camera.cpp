// The simulated camera's state and the rules it answers command lines by.
#include "sim/sim_camera.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "camera/model_table.h"

namespace xkiv::sim {

// A parsed set command: row, MAVCG selection (-1 for a row without index) and value.
struct SimCamera::Command {
    int row;
    int index;
    std::int32_t value;
};

// The current values as the camera sees them while it handles a command for one MAVCG
// selection: indexed rows, and MAVCG itself, read at that selection. Bounds of the aberration
// rows are evaluated over this view, so a command for selection 2 is checked against the
// values of selection 2 whatever MAVCG currently is.
class SimCamera::IndexView final : public ParameterValues {
public:
    IndexView(const SimCamera& camera, int index) : camera_(camera), index_(index) {}
    std::int32_t Value(int row) const override {
        if (index_ < 0) {
            return camera_.Value(row);
        }
        if (row == row::MAVCG) {
            return index_;
        }
        return HasFlag(row, PF_INDEXED) ? camera_.IndexedValue(row, index_) : camera_.Value(row);
    }
    const std::string& Text(int row) const override { return camera_.Text(row); }

private:
    const SimCamera& camera_;
    int index_;
};

namespace {

constexpr int kTextLimit = 12;  // identity texts (model, camera ID, user ID) are 12 characters
constexpr int kFactoryArea = 0;

std::string Answer(const std::string& text) {
    return text + "\r\n";
}

// A signed decimal number as the camera takes it: optional minus, digits, nothing else, and
// within 32 bits. Anything else is a malformed number.
std::optional<std::int32_t> ParseNumber(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

bool IsPrintable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7f;
    });
}

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

std::string SimCamera::HandleLine(const std::string& line) {
    Settle();
    const bool unlocked = std::exchange(unlocked_, false);
    const std::size_t op = line.find_first_of("?=");
    const std::string name = line.substr(0, op);
    if (name != cursorMnemonic_) {
        cursorMnemonic_ = name;
        cursor_ = 0;
    }
    const int r = RowOfMnemonic(name);
    if (op == std::string::npos || r < 0 || !IsSupported(r, *this)) {
        return Answer(kUnknownCommand);
    }
    const std::string argument = line.substr(op + 1);
    return Answer(line[op] == '?' ? Query(r, argument) : Set(r, argument, unlocked));
}

std::string SimCamera::Query(int r, const std::string& argument) {
    if (!HasFlag(r, PF_READABLE)) {
        return kUnknownCommand;
    }
    const std::string name = Entry(r).mnemonic;
    if (HasFlag(r, PF_INDEXED)) {
        const std::optional<int> index = ParseIndex(r, argument);
        if (!index) {
            return kBadParameters;
        }
        return name + "=" + std::to_string(*index) + "," + std::to_string(IndexedValue(r, *index));
    }
    if (!argument.empty()) {
        return kBadParameters;
    }
    if (r == row::CABR || r == row::CABB) {
        return name + "=" + std::to_string(NextAberration(r, std::nullopt));
    }
    return name + "=" + (HasFlag(r, PF_STRING) ? Text(r) : std::to_string(Value(r)));
}

std::string SimCamera::Set(int r, const std::string& argument, bool unlocked) {
    if (!HasFlag(r, PF_WRITABLE)) {
        return kUnknownCommand;
    }
    if (HasFlag(r, PF_STRING)) {
        return SetTextValue(r, argument, unlocked);
    }
    Command command{r, -1, 0};
    std::string number = argument;
    if (HasFlag(r, PF_INDEXED)) {
        const std::size_t comma = argument.find(',');
        const std::optional<int> index =
            comma == std::string::npos ? std::nullopt : ParseIndex(r, argument.substr(0, comma));
        if (!index) {
            return kBadParameters;
        }
        command.index = *index;
        number = argument.substr(comma + 1);
    }
    const std::optional<std::int32_t> value = ParseNumber(number);
    if (!value || !InBounds(r, *value, IndexView(*this, command.index))) {
        return kBadParameters;
    }
    command.value = *value;
    return Apply(command);
}

std::string SimCamera::SetTextValue(int r, const std::string& text, bool unlocked) {
    // The user ID is the one text that is locked: only the line right after the unlock
    // command may change it.
    if (r == row::UD && !unlocked) {
        return kBadParameters;
    }
    if (text.size() > static_cast<std::size_t>(Entry(r).maximum) || !IsPrintable(text)) {
        return kBadParameters;
    }
    current_.texts[r] = text;
    return kComplete;
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

std::optional<int> SimCamera::ParseIndex(int r, const std::string& text) const {
    const int indexRow = Entry(r).indexRow;
    const std::optional<std::int32_t> index = ParseNumber(text);
    if (!index || *index < 0 || *index >= kIndexCount ||
        *index < EffectiveMinimum(indexRow, false, *this) ||
        *index > EffectiveMaximum(indexRow, false, *this)) {
        return std::nullopt;
    }
    return *index;
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

std::string SimCamera::LoadArea(const Command& command) {
    const Settings& area = areas_[command.value];
    for (int r = 0; r < kParameterCount; ++r) {
        if (!IsAreaRow(r)) {
            continue;
        }
        current_.values[r] = area.values[r];
        current_.texts[r] = area.texts[r];
        for (int index = 0; index < kIndexCount; ++index) {
            current_.indexed[index][r] = area.indexed[index][r];
        }
    }
    ClampToBounds();
    return kComplete;
}

std::string SimCamera::StoreArea(const Command& command) {
    // The factory area is read-only.
    if (command.value == kFactoryArea) {
        return kBadParameters;
    }
    Settings& area = areas_[command.value];
    for (int r = 0; r < kParameterCount; ++r) {
        if (!IsAreaRow(r)) {
            continue;
        }
        area.values[r] = current_.values[r];
        area.texts[r] = current_.texts[r];
        for (int index = 0; index < kIndexCount; ++index) {
            area.indexed[index][r] = current_.indexed[index][r];
        }
    }
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
