// How the simulated camera reads a command line and answers it: query or set, index, number.
#include <charconv>
#include <optional>
#include <string>
#include <utility>

#include "sim/sim_camera.h"
#include "sim/sim_camera_private.h"

namespace xkiv::sim {

namespace {

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

}  // namespace

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

}  // namespace xkiv::sim
