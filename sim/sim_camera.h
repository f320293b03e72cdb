// The simulated camera: its settings, areas, tables and the rules it answers command lines by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "camera/parameter_table.h"
#include "platform/clock.h"
#include "sim/sim_server.h"

namespace xkiv::sim {

// The camera's answers, without their CR LF.
inline constexpr const char* kComplete = "COMPLETE";
inline constexpr const char* kBadParameters = "Bad Parameters!!";
inline constexpr const char* kUnknownCommand = "Unknown Command!!";

// Number of selections (MAVCG 0..2) the indexed aberration rows are kept for.
inline constexpr int kIndexCount = 3;
// Number of values in each chromatic aberration correction table (CABR, CABB).
inline constexpr int kAberrationTableSize = 112;
// The line rate the one-push line-rate set (AR) settles on, within the current bounds.
inline constexpr std::int32_t kAutoLineRate = 20000;

// Checks a configuration; false with a reason in error when the camera cannot be built from it.
bool ValidateCameraConfig(const CameraConfig& config, std::string* error);

// The firmware version a configuration stands for: its own, or for -1 the first version of the
// model that has every feature the model gets.
int ResolveFirmware(const CameraConfig& config);

// One camera of a given model and firmware. It answers command lines by the parameter table:
// bounds and support conditions are evaluated over its own current values, which it offers as
// ParameterValues (indexed rows read at the current MAVCG selection). Not thread-safe: the
// server serialises access.
class SimCamera final : public ParameterValues {
public:
    // The clock is borrowed and times the one-push commands; it must outlive the camera.
    explicit SimCamera(const CameraConfig& config, Clock& clock = SystemClock());
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // Handles one command line (without its line end) and returns the answer line ending in
    // CR LF. Every line gets exactly one answer.
    std::string HandleLine(const std::string& line);

    // Whether the camera echoes each command line before its answer (EB = 1).
    bool EchoEnabled() const { return current_.values[row::EB] != 0; }

    // Finishes the one-push commands whose time has come. HandleLine does this first;
    // callers that inspect the state directly call it before they look.
    void Settle();

    std::int32_t Value(int row) const override;
    const std::string& Text(int row) const override;
    // An indexed row's value for one MAVCG selection.
    std::int32_t IndexedValue(int row, int index) const;
    // The value of a row in settings area 0 (factory), 1 or 2; indexed rows at index.
    std::int32_t AreaValue(int area, int row, int index = 0) const;
    // The value at position in the CABR or CABB correction table.
    std::int32_t AberrationValue(int row, int position) const;

    // Direct changes of the state, bypassing the command rules (test set-up, WithCamera).
    void SetValue(int row, std::int32_t value);
    void SetIndexedValue(int row, int index, std::int32_t value);
    void SetText(int row, const std::string& text);

    // Whether mnemonic names a one-push command with a result row (AH, AW, SDR, PGR, PBR).
    static bool IsOnePushCommand(const std::string& mnemonic);

private:
    // Current values or one settings area. Indexed rows live in indexed, one array per
    // selection; values holds every other integer row.
    struct Settings {
        std::array<std::int32_t, kParameterCount> values{};
        std::array<std::string, kParameterCount> texts;
        std::array<std::array<std::int32_t, kParameterCount>, kIndexCount> indexed{};
    };
    struct Command;
    struct OnePushCommand;
    struct CommandAction;
    class IndexView;

    static Settings FactorySettings();
    // Copies the rows a settings area holds (IsAreaRow) from one set of settings to another.
    static void CopyAreaRows(const Settings& from, Settings& to);
    static const std::array<OnePushCommand, 5>& OnePushCommands();
    static const CommandAction* FindAction(int row);
    void InitialiseIdentity(const CameraConfig& config);

    std::string Query(int row, const std::string& argument);
    std::string Set(int row, const std::string& argument, bool unlocked);
    std::string SetTextValue(int row, const std::string& text, bool unlocked);
    std::string Apply(const Command& command);
    std::optional<int> ParseIndex(int row, const std::string& text) const;

    bool InBounds(int row, std::int32_t value, const ParameterValues& view) const;
    void ClampToBounds();
    bool ClampRow(int row, std::int32_t& value, const ParameterValues& view) const;
    std::int32_t Clamped(int row, std::int64_t value) const;
    int Selection() const;

    // Actions of the set commands that do more than store a value.
    std::string Unlock(const Command& command);
    std::string SetLineRateAutomatically(const Command& command);
    std::string StartOnePush(const Command& command);
    std::string LoadArea(const Command& command);
    std::string StoreArea(const Command& command);
    std::string WriteAberration(const Command& command);

    void FinishOnePush(std::size_t slot);
    int OnePushOutcome(int commandRow) const;
    void BalanceExposure();
    void BalanceGain();
    std::int32_t NextAberration(int row, std::optional<std::int32_t> value);

    CameraConfig config_;
    Clock& clock_;
    Settings current_;
    std::array<Settings, 3> areas_;
    std::array<std::array<std::int32_t, kAberrationTableSize>, 2> aberration_{};
    std::string cursorMnemonic_;  // the mnemonic of the last line; other lines reset the cursor
    int cursor_ = 0;
    bool unlocked_ = false;  // set by ULCK with the unlock code, for the next line only
    std::array<std::optional<std::int64_t>, 5> onePushStartMs_;  // per one-push command
};

}  // namespace xkiv::sim
