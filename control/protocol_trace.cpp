// The protocol trace's text: raw lines escaped, their meaning decoded from the tables.
#include "control/protocol_trace.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <optional>
#include <tuple>
#include <utility>

#include "camera/camera.h"
#include "control/dispatch_properties.h"
#include "platform/text.h"

namespace xkiv {

namespace {

// The raw line's column; a longer line keeps kMinimumGap spaces before its meaning.
constexpr std::size_t kRawColumnWidth = 14;
constexpr std::size_t kMinimumGap = 3;
// How much of a line that never ended a trace shows.
constexpr std::size_t kMaxShownBytes = 64;

// Names of the rows, found once in the property table: the property that
// holds a row's value, or for a text row its text.
const std::array<const char*, kParameterCount>& PropertyNames() {
    static const std::array<const char*, kParameterCount> names = [] {
        std::array<const char*, kParameterCount> found{};
        for (const PropertyEntry& property : PropertyTable()) {
            const bool holdsValue =
                property.get == GetKind::Value ||
                (property.get == GetKind::Text && HasFlag(property.row, PF_STRING));
            if (IsValidRow(property.row) && holdsValue && found[property.row] == nullptr) {
                found[property.row] = property.name;
            }
        }
        return found;
    }();
    return names;
}

// The trace shows every byte beyond printable ASCII as a number: a line on
// the wire is ASCII, and anything else in it is worth seeing as bytes.
std::string Escaped(std::string_view bytes) {
    return EscapeControls(bytes, KeptText::Ascii);
}

std::string_view WithoutLineEnd(std::string_view bytes) {
    if (bytes.ends_with("\r\n")) {
        bytes.remove_suffix(2);
    }
    return bytes;
}

// "103 "Bad Parameter !!"": a result code and its fixed text, on one line.
std::string DescribeResult(ResultCode code) {
    return std::to_string(code) + " \"" + Escaped(GetErrorText(code)) + '"';
}

// NAME=value, NAME=index,value, NAME? or NAME?index of a known row, read as
// an assignment (op ":=") or a reported value (op "="); empty otherwise.
std::string DescribeAssignment(std::string_view line, const char* op,
                               const ParameterValues& values) {
    const std::size_t split = line.find_first_of("=?");
    const int row = RowOfMnemonic(line.substr(0, std::min(split, line.size())));
    if (split == std::string_view::npos || row < 0) {
        return {};
    }
    std::string_view rest = line.substr(split + 1);
    std::string name = RowName(row);
    if (line[split] == '?') {
        return name + (rest.empty() ? "" : '[' + Escaped(rest) + ']') + " ?";
    }
    if (HasFlag(row, PF_INDEXED)) {
        if (const std::size_t comma = rest.find(','); comma != std::string_view::npos) {
            name += '[' + Escaped(rest.substr(0, comma)) + ']';
            rest.remove_prefix(comma + 1);
        }
    }
    return name + ' ' + op + ' ' + DescribeValue(row, rest, values);
}

std::string DescribeAnswer(std::string_view line, const char* expectedName,
                           const ParameterValues& values) {
    std::string answer;
    ResultCode judged = JudgeAnswer(std::string(line), expectedName, answer);
    if (judged == rc::kOk && expectedName == nullptr) {
        judged = answer == kCompleteAnswer ? rc::kOk : rc::kInvalidAnswer;
    }
    if (judged != rc::kOk) {
        return DescribeResult(judged);
    }
    return expectedName != nullptr ? DescribeAssignment(line, "=", values) : std::string();
}

// The raw column and the meaning of a wait that ended without a whole line.
std::pair<std::string, std::string> DescribeNoAnswer(const LinkTraffic& traffic) {
    const std::string_view bytes = traffic.bytes;
    std::string raw =
        Escaped(bytes.substr(0, kMaxShownBytes)) + (bytes.size() > kMaxShownBytes ? "..." : "");
    std::string meaning;
    if (traffic.result == rc::kInvalidAnswer) {
        meaning = "no line end after " + std::to_string(bytes.size()) + " bytes; ";
    } else if (traffic.transportResult != rc::kOk && traffic.transportResult != rc::kReadTimeout) {
        meaning = "reading failed: " + DescribeResult(traffic.transportResult) + "; ";
    } else if (bytes.empty()) {
        raw = "(no answer within " + std::to_string(traffic.timeoutMs) + " ms)";
    } else {
        meaning = "no line end within " + std::to_string(traffic.timeoutMs) + " ms; ";
    }
    return {raw.empty() ? "(no answer)" : raw, meaning + DescribeResult(traffic.result)};
}

}  // namespace

std::string RowName(int row) {
    if (!IsValidRow(row)) {
        return {};
    }
    const char* property = PropertyNames()[row];
    return property != nullptr ? property : Entry(row).profile.key;
}

std::string DescribeValue(int row, std::string_view value, const ParameterValues& values) {
    if (HasFlag(row, PF_STRING)) {
        return '"' + Escaped(value) + '"';
    }
    std::string text = Escaped(value);
    if (const std::optional<std::int32_t> number = ParseWholeDecimal(value)) {
        if (const std::string name = ValueNameOf(row, *number, values); !name.empty()) {
            text += " (" + name + ')';
        }
    }
    return text;
}

std::string DescribeTraffic(const LinkTraffic& traffic, const ParameterValues& values) {
    std::string raw;
    std::string meaning;
    switch (traffic.kind) {
        case LinkTraffic::Kind::Command: {
            const std::string_view line = WithoutLineEnd(traffic.bytes);
            raw = Escaped(line);
            meaning = DescribeAssignment(line, ":=", values);
            if (traffic.result != rc::kOk) {
                meaning += (meaning.empty() ? "" : "; ") + std::string("write failed: ") +
                           DescribeResult(traffic.result);
            }
            break;
        }
        case LinkTraffic::Kind::Answer: {
            const std::string_view line = WithoutLineEnd(traffic.bytes);
            raw = Escaped(line);
            meaning = DescribeAnswer(line, traffic.expectedName, values);
            break;
        }
        case LinkTraffic::Kind::NoAnswer:
            std::tie(raw, meaning) = DescribeNoAnswer(traffic);
            break;
    }
    std::string text = (traffic.kind == LinkTraffic::Kind::Command ? "-> " : "<- ") + raw;
    if (!meaning.empty()) {
        text.append(std::max(kMinimumGap, kRawColumnWidth - std::min(kRawColumnWidth, raw.size())),
                    ' ');
        text += meaning;
    }
    return text;
}

std::string TraceTimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(milliseconds.count()));
    return text;
}

}  // namespace xkiv
