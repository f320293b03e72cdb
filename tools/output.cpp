// Text and JSON output of xkivctl's commands.
#include "tools/output.h"

#include <cstdio>

#include "platform/text.h"

namespace xkiv::tools {

namespace {

void MakeValidUtf8(Json& json) {
    if (json.is_string()) {
        json = ValidUtf8(json.get_ref<const std::string&>());
    } else if (json.is_structured()) {
        for (Json& element : json) {
            MakeValidUtf8(element);
        }
    }
}

Json ValuesJson(const Output& output) {
    Json values = Json::object();
    for (const auto& [name, value] : output.values) {
        values[name] = ToJson(value);
    }
    return values;
}

// The object's first members: the device (when several cameras run) and the command.
Json Head(const Printing& printing) {
    Json object = Json::object();
    if (!printing.device.empty()) {
        object["device"] = printing.device;
    }
    object["command"] = printing.command.empty() ? Json(nullptr) : Json(printing.command);
    return object;
}

void PrintJson(std::FILE* out, Json& object, const std::vector<std::string>& events) {
    object["events"] = events;
    MakeValidUtf8(object);
    std::fprintf(out, "%s\n", object.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
}

// A text from the camera or a file is shown with its control characters
// escaped, so that it cannot drive the terminal or forge a line.
void PrintValues(std::FILE* out, const Output& output) {
    for (const auto& [name, value] : output.values) {
        const std::string raw = value.ToText().value_or("");
        const std::string text =
            value.Type() == automation::VarType::String ? EscapeControls(raw, KeptText::Utf8) : raw;
        if (name == "result" && output.result) {
            std::fprintf(out, "result=%s (%s)\n", text.c_str(), output.resultText.c_str());
        } else {
            std::fprintf(out, "%s=%s\n", name.c_str(), text.c_str());
        }
    }
}

}  // namespace

std::string ValidUtf8(const std::string& text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length > 0) {
            valid.append(text, i, length);
            i += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[i++]);
        valid += static_cast<char>(0xC0 | (byte >> 6));
        valid += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return valid;
}

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

void PrintOutput(const Printing& printing, const Output& output,
                 const std::vector<std::string>& events) {
    std::FILE* out = printing.out;
    if (printing.json) {
        Json object = Head(printing);
        if (!output.values.empty()) {
            object["values"] = ValuesJson(output);
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
        PrintJson(out, object, events);
        return;
    }
    std::fputs(output.text.c_str(), out);
    PrintValues(out, output);
    for (const auto& [name, value] : output.outParams) {
        std::fprintf(out, "%s=%d\n", name.c_str(), value);
    }
}

void Complain(std::FILE* err, const std::string& complaint, const std::string& detail) {
    std::fprintf(err, "xkivctl: %s\n", complaint.c_str());
    if (!detail.empty()) {
        std::fprintf(err, "xkivctl: %s\n", detail.c_str());
    }
}

void PrintFailure(const Printing& printing, const Output& output, const Failure& failure,
                  const std::vector<std::string>& events) {
    if (!printing.json) {
        PrintValues(printing.out, output);
        return;
    }
    Json object = Head(printing);
    if (!output.values.empty()) {
        object["values"] = ValuesJson(output);
    }
    object["error"] = {{"code", failure.code},
                       {"description", failure.description},
                       {"detail", failure.detail.empty() ? Json(nullptr) : Json(failure.detail)}};
    PrintJson(printing.out, object, events);
}

}  // namespace xkiv::tools
