// What a command produced, printed as NAME=value lines or as one JSON object.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/automation.h"

namespace xkiv::tools {

// Members keep the order they were added in.
using Json = nlohmann::ordered_json;

struct Output {
    // NAME=value lines: properties got or set, and a method's result.
    std::vector<std::pair<std::string, automation::Variant>> values;
    std::optional<std::int32_t> result;
    std::string resultText;
    std::vector<std::pair<std::string, std::int32_t>> outParams;
    Json extra = Json::object();  // command-specific JSON members (list)
    std::string text;             // command-specific text (list)
    bool streamed = false;        // printed as it came (watch): nothing is left to print
};

// What ended a command early: an automation error, an unknown name, an
// unreachable camera or an interrupt.
struct Failure {
    std::int64_t code;
    std::string description;
    // The culprit and the reason (AutomationError::detail), or empty.
    std::string detail = {};
};

// A variant as its natural JSON type.
Json ToJson(const automation::Variant& value);

// Where and how a command's output is printed. device, when not empty, is
// the first member of the JSON object (several cameras at once).
struct Printing {
    std::FILE* out = stdout;
    bool json = false;
    std::string device;
    std::string command;
};

// Prints the command's output: text, or one JSON object with the events
// that fired.
void PrintOutput(const Printing& printing, const Output& output,
                 const std::vector<std::string>& events);

// Prints what a failed command had already done (the values it set); with
// json, in one object with the failure's code, description and detail (null
// when there is none). An empty command is null in JSON.
void PrintFailure(const Printing& printing, const Output& output, const Failure& failure,
                  const std::vector<std::string>& events);

// Says what failed on err, and its detail, when there is one, on a second
// line.
void Complain(std::FILE* err, const std::string& complaint, const std::string& detail);

// Text that is valid UTF-8: a byte that is not part of a UTF-8 sequence
// stands for the character of the same number (Latin-1).
std::string ValidUtf8(const std::string& text);

}  // namespace xkiv::tools
