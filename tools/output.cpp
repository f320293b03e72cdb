// Text and JSON output of xkivctl's commands.
#include "tools/output.h"

#include <cstdio>

namespace xkiv::tools {

namespace {

void PrintJson(Json& object, const std::vector<std::string>& events) {
    object["events"] = events;
    // Bytes that are not UTF-8 never reach the output as such.
    std::printf("%s\n", object.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
}

}  // namespace

Json ToJson(const automation::Variant& value) {
    switch (value.Type()) {
        case automation::VarType::Long:
            return *value.ToLong();
        case automation::VarType::Bool:
            return *value.ToBool();
        case automation::VarType::String:
            return *value.ToText();
        default:
            return nullptr;
    }
}

void PrintOutput(bool json, const std::string& command, const Output& output,
                 const std::vector<std::string>& events) {
    if (json) {
        Json object = {{"command", command}};
        if (!output.values.empty()) {
            Json& values = object["values"] = Json::object();
            for (const auto& [name, value] : output.values) {
                values[name] = value;
            }
        }
        if (output.result) {
            object["resultCode"] = *output.result;
            object["resultText"] = output.resultText;
        }
        if (!output.outParams.empty()) {
            Json& out = object["out"] = Json::object();
            for (const auto& [name, value] : output.outParams) {
                out[name] = value;
            }
        }
        object.update(output.extra);
        PrintJson(object, events);
        return;
    }
    std::fputs(output.text.c_str(), stdout);
    for (const auto& [name, value] : output.values) {
        if (name == "result" && output.result) {
            std::printf("result=%s (%s)\n", value.c_str(), output.resultText.c_str());
        } else {
            std::printf("%s=%s\n", name.c_str(), value.c_str());
        }
    }
    for (const auto& [name, value] : output.outParams) {
        std::printf("%s=%d\n", name.c_str(), value);
    }
}

void PrintJsonError(const std::string& command, const automation::AutomationError& error,
                    const std::vector<std::string>& events) {
    Json object = {
        {"command", command},
        {"error",
         {{"code", static_cast<std::uint32_t>(error.code)}, {"description", error.description}}}};
    PrintJson(object, events);
}

}  // namespace xkiv::tools
