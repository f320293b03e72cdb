// xkivctl diff: the settings that differ between two settings files, or a file and the camera.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_files.h"
#include "camera/failure_detail.h"
#include "control/protocol_trace.h"
#include "tools/commands.h"

namespace xkiv::tools {

namespace {

// Leaves a failure for the end of the run, which prints it and exits with
// kExitResultCode.
void Fail(ResultCode result, Output& output) {
    output.result = result;
    output.resultText = GetErrorText(result);
}

// Reads one side from a settings file; says on err why it cannot.
bool ReadFileSide(const std::string& path, std::vector<SetupValue>& values, Output& output,
                  std::FILE* err) {
    int failedRow = 0;
    std::error_code error;
    const ResultCode result = ReadSetupValues(path, values, failedRow, &error);
    if (result == rc::kOk) {
        return true;
    }
    const std::string detail = FailureDetail({result, path, error, failedRow});
    std::fprintf(err, "xkivctl: %s\n", detail.c_str());
    output.extra["file"] = path;
    output.extra["detail"] = detail;
    Fail(result, output);
    return false;
}

// The camera's side: its values read first when it is online, else the
// stored values of the last run. What the side is called, or nullopt when
// it could not be read.
std::optional<std::string> ReadCameraSide(Session& session, std::vector<SetupValue>& values,
                                          Output& output) {
    session.Connect();
    CXKivRZ150LXCtrl& control = session.Control();
    std::string side = "camera";
    if (control.IsOnline()) {
        const ResultCode read =
            session.CallChecked("ReadAllFromCamera", {}).ToLong().value_or(rc::kOk);
        if (read != rc::kOk) {
            Fail(read, output);
            return std::nullopt;
        }
    } else {
        std::fprintf(session.Output().err, "xkivctl: offline: comparing with the stored values\n");
        side = "stored values";
    }
    int failedRow = 0;
    if (const ResultCode result = ReadSetupValues(control.SetupDocument(), values, failedRow);
        result != rc::kOk) {
        Fail(result, output);
        return std::nullopt;
    }
    return side;
}

std::string WireText(const SetupValue& value) {
    return HasFlag(value.row, PF_STRING) ? value.text : std::to_string(value.value);
}

std::string SideText(const std::optional<SetupValue>& value, const ParameterValues& names) {
    return value ? DescribeValue(value->row, WireText(*value), names) : "(absent)";
}

// side: the value, null when absent; sideName: the value's name, when it has one.
void AddSideJson(Json& json, const char* side, const std::optional<SetupValue>& value,
                 const ParameterValues& names) {
    if (!value) {
        json[side] = nullptr;
        return;
    }
    if (HasFlag(value->row, PF_STRING)) {
        json[side] = value->text;
        return;
    }
    json[side] = value->value;
    if (const std::string name = ValueNameOf(value->row, value->value, names); !name.empty()) {
        json[std::string(side) + "Name"] = name;
    }
}

void PrintDifferences(const std::vector<SetupDifference>& differences, const ParameterValues& names,
                      Output& output) {
    Json& list = output.extra["differences"] = Json::array();
    for (const SetupDifference& difference : differences) {
        const std::string name = RowName(difference.row);
        Json json = {{"name", name}};
        AddSideJson(json, "a", difference.a, names);
        AddSideJson(json, "b", difference.b, names);
        list.push_back(std::move(json));
        output.text += name + ": " + SideText(difference.a, names) + " | " +
                       SideText(difference.b, names) + "\n";
    }
}

}  // namespace

int RunDiff(Invocation& run) {
    const std::vector<std::string>& args = run.options.args;
    std::vector<SetupValue> a;
    std::vector<SetupValue> b;
    std::FILE* err = run.session->Output().err;
    if (!ReadFileSide(args[0], a, run.output, err)) {
        return kExitResultCode;
    }
    std::optional<std::string> side;
    if (args.size() > 1) {
        if (!ReadFileSide(args[1], b, run.output, err)) {
            return kExitResultCode;
        }
        side = args[1];
    } else {
        side = ReadCameraSide(*run.session, b, run.output);
        if (!side) {
            return kExitResultCode;
        }
    }
    run.output.extra["a"] = args[0];
    run.output.extra["b"] = *side;
    const std::vector<SetupDifference> differences = CompareSetups(a, b);
    PrintDifferences(differences, run.session->Control(), run.output);
    return differences.empty() ? kExitOk : kExitDifferent;
}

}  // namespace xkiv::tools
