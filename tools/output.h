// What a command produced, printed as NAME=value lines or as one JSON object.
#pragma once

#include <cstdint>
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
    std::vector<std::pair<std::string, std::string>> values;  // NAME=value lines
    std::optional<std::int32_t> result;
    std::string resultText;
    std::vector<std::pair<std::string, std::int32_t>> outParams;
    Json extra = Json::object();  // command-specific JSON members (list)
    std::string text;             // command-specific text (list)
    bool streamed = false;        // printed as it came (watch): nothing is left to print
};

// A variant as its natural JSON type.
Json ToJson(const automation::Variant& value);

// Prints the command's output on stdout: text, or one JSON object with the
// events that fired.
void PrintOutput(bool json, const std::string& command, const Output& output,
                 const std::vector<std::string>& events);

// Prints an automation error as one JSON object on stdout.
void PrintJsonError(const std::string& command, const automation::AutomationError& error,
                    const std::vector<std::string>& events);

}  // namespace xkiv::tools
