// xkivctl: drives the control through its dispatch interface from the command line.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "comm/result_code.h"
#include "control/control.h"
#include "platform/component_loader.h"
#include "tools/console_ui.h"
#include "tools/json_writer.h"

namespace xkiv::tools {
namespace {

using automation::AutomationError;
using automation::DispatchObject;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamType;
using automation::Variant;

constexpr int kExitOk = 0;
constexpr int kExitAutomationError = 1;
constexpr int kExitResultCode = 2;
constexpr int kExitUsage = 64;

const char* const kUsage =
    "Usage: xkivctl [OPTIONS] COMMAND [ARGS]\n"
    "Reads and changes the settings of an RZ line-scan camera through the control's\n"
    "automation interface.\n"
    "\n"
    "Commands:\n"
    "  list                      every property and method, with values, ranges and names\n"
    "  get NAME...               print properties as NAME=value\n"
    "  set NAME=VALUE...         set properties in order; prints what was stored\n"
    "  call METHOD [ARG...]      invoke a method; prints its result and out-parameters\n"
    "  watch                     print events as they fire until interrupted\n"
    "  search                    look for the camera on every port\n"
    "  read-all | write-all      read every setting from / write every setting to the camera\n"
    "  save FILE.cam | load FILE.cam     settings file\n"
    "  report FILE.txt           camera data report of the current settings and all areas\n"
    "  aberration-save FILE.csv | aberration-load FILE.csv\n"
    "  area-load N | area-store N        the camera's settings areas (0 factory, 1, 2)\n"
    "  onepush awb|awb-shutter|shading [flat|color]|pixel-gain|pixel-black|line-rate\n"
    "  register [MODULE] | unregister [MODULE]   the control module in the class registry\n"
    "\n"
    "Options:\n"
    "  --device PATH             use this serial device\n"
    "  --class N --port N        use this port of the class (0 serial, 1 Camera Link)\n"
    "  --search                  look for the camera on every port first\n"
    "  --offline                 work on the stored values, open no port\n"
    "  --json                    one JSON object per command on stdout\n"
    "  --events                  print the events a command fires, on stderr\n"
    "  --interval SECONDS        how often watch reads the camera (default 2)\n"
    "  --help                    this text; COMMAND --help for a command\n"
    "\n"
    "Without a connection option the stored port is opened, as the control does at start.\n"
    "Exit status: 0 success, 1 automation error, 2 a method's failing result, 64 usage.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"list",
     "xkivctl list\n  Lists every property and method with dispid, type and help text,\n"
     "  and each property's current value, range and value names.\n"},
    {"get", "xkivctl get NAME...\n  Prints each property as NAME=value.\n"},
    {"set",
     "xkivctl set NAME=VALUE...\n  Sets the properties in the order given and prints "
     "what was stored\n  after clamping to the camera's bounds.\n"},
    {"call",
     "xkivctl call METHOD [ARG...]\n  Invokes a method with its in-arguments in order; "
     "out-parameters are\n  printed after the result (pnClass=0).\n"},
    {"watch",
     "xkivctl watch [--interval SECONDS]\n  Connects, then reads the camera every "
     "interval and prints the events of\n  what changed, until interrupted.\n"},
    {"search",
     "xkivctl search\n  Tries every port, serial ports first, until a camera "
     "answers.\n"},
    {"read-all", "xkivctl read-all\n  Reads every setting from the camera.\n"},
    {"write-all", "xkivctl write-all\n  Writes every setting to the camera.\n"},
    {"save", "xkivctl save FILE.cam\n  Writes the settings to a settings file.\n"},
    {"load", "xkivctl load FILE.cam\n  Applies a settings file to the camera.\n"},
    {"report",
     "xkivctl report FILE.txt\n  Writes the camera data report (reads all three "
     "areas).\n"},
    {"aberration-save",
     "xkivctl aberration-save FILE.csv\n  Reads the chromatic aberration "
     "tables from the camera into a file.\n"},
    {"aberration-load",
     "xkivctl aberration-load FILE.csv\n  Sends the chromatic aberration "
     "tables of a file to the camera.\n"},
    {"area-load",
     "xkivctl area-load N\n  Makes the camera load settings area N (0 factory, "
     "1 user 1, 2 user 2).\n"},
    {"area-store",
     "xkivctl area-store N\n  Stores the camera's settings in user area N (1 or "
     "2).\n"},
    {"onepush",
     "xkivctl onepush awb|awb-shutter|shading [flat|color]|pixel-gain|pixel-black|"
     "line-rate\n  Runs a one-push calibration and waits for its result.\n"},
};

// Methods whose long result is a result code of the camera layer.
const std::set<std::string> kResultCodeMethods = {"StartCommunication",
                                                  "ReadAllFromCamera",
                                                  "WriteAllToCamera",
                                                  "ReadAllFromFile",
                                                  "WriteAllToFile",
                                                  "WriteCameraDataToFile",
                                                  "LoadSettings",
                                                  "StoreSettings",
                                                  "DoOnePushAutoLineRateSet",
                                                  "DoOnePushAWBShutter",
                                                  "DoOnePushAWB",
                                                  "DoOnePushShadingCorrection",
                                                  "DoOnePushPixelGainCorrection",
                                                  "DoOnePushPixelBlackCorrection",
                                                  "ReadChromaticAberrationFromFile",
                                                  "WriteChromaticAberrationToFile"};

struct Options {
    bool json = false;
    bool events = false;
    bool offline = false;
    bool search = false;
    bool help = false;
    int interval = 2;
    std::optional<std::string> device;
    std::optional<int> commClass;
    std::optional<int> port;
    std::string command;
    std::vector<std::string> args;
};

// A usage error: the message goes to stderr and the exit status is 64.
struct UsageError {
    std::string message;
};

std::string Folded(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

int ParseInt(const std::string& text, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        throw UsageError{std::string(what) + " must be a number: " + text};
    }
    return static_cast<int>(value);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    auto value = [&](int& i, const char* name) -> std::string {
        if (i + 1 >= argc) {
            throw UsageError{std::string(name) + " needs a value"};
        }
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--events") {
            options.events = true;
        } else if (arg == "--offline") {
            options.offline = true;
        } else if (arg == "--search") {
            options.search = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--device") {
            options.device = value(i, "--device");
        } else if (arg == "--class") {
            options.commClass = ParseInt(value(i, "--class"), "--class");
        } else if (arg == "--port") {
            options.port = ParseInt(value(i, "--port"), "--port");
        } else if (arg == "--interval") {
            options.interval = std::max(1, ParseInt(value(i, "--interval"), "--interval"));
        } else if (arg.starts_with("--")) {
            throw UsageError{"unknown option " + arg};
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.args.push_back(arg);
        }
    }
    const int connections = options.device.has_value() + options.search + options.offline +
                            (options.commClass.has_value() || options.port.has_value());
    if (connections > 1) {
        throw UsageError{"choose one of --device, --class/--port, --search and --offline"};
    }
    return options;
}

std::string TypeName(ParamType type) {
    switch (type) {
        case ParamType::Long:
            return "long";
        case ParamType::Bool:
            return "boolean";
        case ParamType::String:
            return "string";
        case ParamType::LongRef:
            return "long*";
        case ParamType::Void:
            break;
    }
    return "void";
}

// Collects the events the control fires, by name, and prints them on
// stderr as they come when asked to.
class EventRecorder final : public automation::EventSink {
public:
    EventRecorder(const automation::InterfaceInfo& events, bool print)
        : events_(events), print_(print) {}
    void OnEvent(automation::DispId dispid) override {
        const MemberInfo* member = events_.Find(dispid);
        const std::string name = member ? member->name : "Event" + std::to_string(dispid);
        fired_.push_back(name);
        if (print_) {
            std::fprintf(stderr, "event: %s\n", name.c_str());
        }
    }
    std::vector<std::string> Take() { return std::exchange(fired_, {}); }

private:
    const automation::InterfaceInfo& events_;
    bool print_;
    std::vector<std::string> fired_;
};

class HeadlessSite final : public automation::ControlSite {
public:
    void* ParentWindow() override { return nullptr; }
};

// What one command produced, printed at the end as text or one JSON object.
struct Output {
    std::vector<std::pair<std::string, std::string>> values;  // NAME=value lines
    std::optional<std::int32_t> result;
    std::string resultText;
    std::vector<std::pair<std::string, std::int32_t>> outParams;
    JsonWriter extra;  // command-specific JSON members (list)
    std::string text;  // command-specific text (list)
};

class Session {
public:
    explicit Session(const Options& options) : options_(options) {
        TheModule().SetUiServices(&ui_);
        if (options.device) {
            // The serial class then lists just this device.
            ::setenv("XKIV_SERIAL_PORTS", options.device->c_str(), 1);
        }
        control_ = std::make_unique<CXKivRZ150LXCtrl>(TheModule());
        recorder_ = std::make_unique<EventRecorder>(*control_->TypeLibrary().events,
                                                    options.events && !options.json);
        control_->Advise(*recorder_);
    }
    ~Session() { TheModule().SetUiServices(nullptr); }

    DispatchObject& Object() { return *control_; }
    EventRecorder& Events() { return *recorder_; }

    void Connect(const std::string& command) {
        if (options_.offline) {
            return;
        }
        if (options_.device) {
            CallChecked("StartCommunication", {Variant::Long(0), Variant::Long(0)});
        } else if (options_.commClass || options_.port) {
            CallChecked("StartCommunication", {Variant::Long(options_.commClass.value_or(0)),
                                               Variant::Long(options_.port.value_or(0))});
        } else if (options_.search && command != "search") {
            Search();
        } else if (!options_.search) {
            control_->CreateControlWindow(site_);
        }
    }

    // Runs a method; an automation error is thrown as such.
    Variant CallChecked(const std::string& method, std::vector<Variant> args) {
        Variant result;
        Invoke(method, InvokeKind::Method, args, &result);
        return result;
    }

    void Invoke(const std::string& name, InvokeKind kind, std::vector<Variant>& args,
                Variant* result) {
        AutomationError error;
        const automation::HResult hr = control_->InvokeByName(name, kind, args, result, &error);
        if (hr == automation::kUnknownName) {
            throw UnknownName{name};
        }
        if (hr != automation::kOk) {
            if (error.description.empty()) {
                error.description = DescribeFailure(hr);
            }
            error.code = hr == automation::kException ? error.code : hr;
            throw automation::AutomationException(error);
        }
    }

    std::int32_t Search() {
        std::int32_t commClass = 0;
        std::int32_t port = 0;
        const Variant found =
            CallChecked("AutoSelectCommunication",
                        {Variant::LongRef(&commClass), Variant::LongRef(&port), Variant::Long(1)});
        return found.ToLong().value_or(0) != 0 ? 1 : 0;
    }

    struct UnknownName {
        std::string name;
    };

private:
    static std::string DescribeFailure(automation::HResult hr) {
        switch (static_cast<std::uint32_t>(hr)) {
            case 0x80020003:
                return "member not found";
            case 0x80020005:
                return "type mismatch";
            case 0x8002000E:
                return "wrong number of arguments";
            case 0x800A017F:
                return "the property is read-only";
        }
        return "automation call failed";
    }

    const Options& options_;
    ConsoleUiServices ui_;
    HeadlessSite site_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
    std::unique_ptr<EventRecorder> recorder_;
};

std::vector<std::string> ClosestNames(const DispatchObject& object, const std::string& name) {
    const std::string wanted = Folded(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const MemberInfo& member : object.TypeLibrary().dispatch->Members()) {
        const std::string candidate = Folded(member.name);
        std::size_t distance = EditDistance(wanted, candidate);
        if (!wanted.empty() && candidate.find(wanted) != std::string::npos) {
            distance = std::min<std::size_t>(distance, 1);
        }
        scored.emplace_back(distance, member.name);
    }
    std::sort(scored.begin(), scored.end());
    std::vector<std::string> closest;
    for (const auto& [distance, candidate] : scored) {
        if (closest.size() == 3 || distance > std::max<std::size_t>(3, wanted.size() / 2)) {
            break;
        }
        closest.push_back(candidate);
    }
    return closest;
}

const MemberInfo* FindMember(DispatchObject& object, const std::string& name) {
    return object.TypeLibrary().dispatch->Find(name);
}

// The Ask...Range and Ask...String methods that describe a property: its
// own name first, then without a colour or master prefix or a colour suffix
// (RedExposure is described by AskExposureRange).
std::vector<std::string> DescriptionBases(const std::string& property) {
    std::vector<std::string> bases = {property};
    for (const char* prefix : {"Red", "Green", "Blue", "Master"}) {
        if (property.starts_with(prefix) && property.size() > std::string(prefix).size()) {
            bases.push_back(property.substr(std::string(prefix).size()));
        }
    }
    for (const char* suffix : {"Red", "Blue"}) {
        if (property.ends_with(suffix) && property.size() > std::string(suffix).size()) {
            bases.push_back(property.substr(0, property.size() - std::string(suffix).size()));
        }
    }
    return bases;
}

void DescribeProperty(Session& session, const MemberInfo& property, JsonWriter& json,
                      std::string& text) {
    DispatchObject& object = session.Object();
    std::vector<Variant> none;
    Variant value;
    session.Invoke(property.name, InvokeKind::PropertyGet, none, &value);
    json.Member("value", value);
    text += " = " + value.Describe();
    for (const std::string& base : DescriptionBases(property.name)) {
        if (const MemberInfo* range = FindMember(object, "Ask" + base + "Range");
            range != nullptr && range->params.size() == 1) {
            const auto low = session.CallChecked(range->name, {Variant::Long(0)}).ToLong();
            const auto high = session.CallChecked(range->name, {Variant::Long(1)}).ToLong();
            json.Key("range").BeginArray().Value(*low).Value(*high).EndArray();
            text += "  range " + std::to_string(*low) + ".." + std::to_string(*high);
            break;
        }
    }
    for (const std::string& base : DescriptionBases(property.name)) {
        const MemberInfo* names = FindMember(object, "Ask" + base + "String");
        if (names == nullptr || names->params.size() != 1) {
            continue;
        }
        json.Key("names").BeginArray();
        text += "  names:";
        for (std::int32_t index = 0; index < 64; ++index) {
            const std::string name =
                session.CallChecked(names->name, {Variant::Long(index)}).ToText().value_or("");
            if (name.empty()) {
                break;
            }
            json.Value(name);
            text += (index ? ", " : " ") + name;
        }
        json.EndArray();
        break;
    }
}

void List(Session& session, Output& output) {
    const automation::TypeLibraryInfo& library = session.Object().TypeLibrary();
    output.text = library.name + " " + std::to_string(library.majorVersion) + "." +
                  std::to_string(library.minorVersion) + ", interface " + library.dispatch->Name() +
                  "\n";
    JsonWriter& json = output.extra;
    json.Key("properties").BeginArray();
    for (const MemberInfo& member : library.dispatch->Members()) {
        if (member.kind != MemberKind::Property) {
            continue;
        }
        json.BeginObject()
            .Member("dispid", member.dispid)
            .Member("name", member.name)
            .Member("type", TypeName(member.type))
            .Member("readOnly", member.readOnly)
            .Member("help", member.help);
        std::string line = "  " + std::to_string(member.dispid) + "  " + member.name + "  " +
                           TypeName(member.type) + (member.readOnly ? " (read-only)" : "");
        DescribeProperty(session, member, json, line);
        json.EndObject();
        output.text += line + "\n      " + member.help + "\n";
    }
    json.EndArray().Key("methods").BeginArray();
    output.text += "Methods:\n";
    for (const MemberInfo& member : library.dispatch->Members()) {
        if (member.kind != MemberKind::Method) {
            continue;
        }
        json.BeginObject()
            .Member("dispid", member.dispid)
            .Member("name", member.name)
            .Member("result", TypeName(member.type))
            .Key("params")
            .BeginArray();
        std::string signature;
        for (const automation::ParamInfo& param : member.params) {
            json.BeginObject()
                .Member("name", param.name)
                .Member("type", TypeName(param.type))
                .EndObject();
            signature += (signature.empty() ? "" : ", ") + TypeName(param.type) + " " + param.name;
        }
        json.EndArray().Member("help", member.help).EndObject();
        output.text += "  " + std::to_string(member.dispid) + "  " + TypeName(member.type) + " " +
                       member.name + "(" + signature + ")\n      " + member.help + "\n";
    }
    json.EndArray();
}

void Get(Session& session, const std::vector<std::string>& names, Output& output) {
    if (names.empty()) {
        throw UsageError{"get needs at least one property name"};
    }
    for (const std::string& name : names) {
        std::vector<Variant> none;
        Variant value;
        session.Invoke(name, InvokeKind::PropertyGet, none, &value);
        const MemberInfo* member = FindMember(session.Object(), name);
        output.values.emplace_back(member ? member->name : name, value.ToText().value_or(""));
    }
}

void Set(Session& session, const std::vector<std::string>& assignments, Output& output) {
    if (assignments.empty()) {
        throw UsageError{"set needs at least one NAME=VALUE"};
    }
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError{"expected NAME=VALUE, got " + assignment};
        }
        const std::string name = assignment.substr(0, equals);
        std::vector<Variant> args = {Variant::String(assignment.substr(equals + 1))};
        session.Invoke(name, InvokeKind::PropertyPut, args, nullptr);
        Get(session, {name}, output);
    }
}

// Invokes a method with in-arguments from the command line; out-parameters
// are the caller's and printed afterwards.
void Call(Session& session, const std::string& method, const std::vector<std::string>& args,
          Output& output) {
    const MemberInfo* member = FindMember(session.Object(), method);
    if (member == nullptr || member->kind != MemberKind::Method) {
        throw Session::UnknownName{method};
    }
    std::vector<std::int32_t> outValues(member->params.size(), 0);
    std::vector<Variant> variants;
    std::size_t next = 0;
    for (std::size_t i = 0; i < member->params.size(); ++i) {
        if (member->params[i].type == ParamType::LongRef) {
            variants.push_back(Variant::LongRef(&outValues[i]));
        } else if (next < args.size()) {
            variants.push_back(Variant::String(args[next++]));
        } else {
            throw UsageError{member->name + " needs the argument " + member->params[i].name};
        }
    }
    if (next < args.size()) {
        throw UsageError{"too many arguments for " + member->name};
    }
    Variant result;
    session.Invoke(member->name, InvokeKind::Method, variants, &result);
    if (member->type != ParamType::Void) {
        const std::optional<std::int32_t> code = result.ToLong();
        if (kResultCodeMethods.contains(member->name) && code) {
            output.result = *code;
            output.resultText = GetErrorText(*code);
        }
        output.values.emplace_back("result", result.ToText().value_or(""));
    }
    for (std::size_t i = 0; i < member->params.size(); ++i) {
        if (member->params[i].type == ParamType::LongRef) {
            output.outParams.emplace_back(member->params[i].name, outValues[i]);
        }
    }
}

volatile std::sig_atomic_t stopWatching = 0;

void OnInterrupt(int) {
    stopWatching = 1;
    ConsoleUiServices::RequestCancel();
}

// Reads the camera every interval and prints the events of what changed.
int Watch(Session& session, const Options& options) {
    for (const std::string& event : session.Events().Take()) {
        std::printf("%s\n", event.c_str());
    }
    std::fflush(stdout);
    std::map<std::string, std::string> last;
    auto snapshot = [&] {
        std::map<std::string, std::string> values;
        for (const MemberInfo& member : session.Object().TypeLibrary().dispatch->Members()) {
            if (member.kind == MemberKind::Property) {
                std::vector<Variant> none;
                Variant value;
                session.Invoke(member.name, InvokeKind::PropertyGet, none, &value);
                values[member.name] = value.Describe();
            }
        }
        return values;
    };
    last = snapshot();
    while (!stopWatching) {
        for (int tenth = 0; tenth < options.interval * 10 && !stopWatching; ++tenth) {
            ::usleep(100000);
        }
        if (stopWatching) {
            break;
        }
        std::vector<Variant> none;
        Variant online;
        session.Invoke("CheckOnline", InvokeKind::Method, none, &online);
        if (online.ToBool().value_or(false)) {
            Variant ignored;
            AutomationError error;
            session.Object().InvokeByName("ReadAllFromCamera", InvokeKind::Method, none, &ignored,
                                          &error);
        }
        const std::map<std::string, std::string> now = snapshot();
        const std::vector<std::string> fired = session.Events().Take();
        for (const std::string& event : fired) {
            // A read-all fires every row's event; show those whose value moved.
            const std::string property =
                event.substr(0, event.size() - std::string("Changed").size());
            const bool valueEvent = event.ends_with("Changed") && last.contains(property);
            if (!valueEvent || last[property] != now.at(property)) {
                std::printf("%s\n", event.c_str());
            }
        }
        std::fflush(stdout);
        last = now;
    }
    return kExitOk;
}

std::vector<std::string> ShortcutCall(const std::string& command,
                                      const std::vector<std::string>& args) {
    auto one = [&](const char* what) {
        if (args.size() != 1) {
            throw UsageError{command + " needs " + what};
        }
        return args[0];
    };
    if (command == "read-all") {
        return {"ReadAllFromCamera"};
    }
    if (command == "write-all") {
        return {"WriteAllToCamera"};
    }
    if (command == "save") {
        return {"WriteAllToFile", one("a file name")};
    }
    if (command == "load") {
        return {"ReadAllFromFile", one("a file name")};
    }
    if (command == "report") {
        return {"WriteCameraDataToFile", one("a file name")};
    }
    if (command == "aberration-save") {
        return {"WriteChromaticAberrationToFile", one("a file name"), "1"};
    }
    if (command == "aberration-load") {
        return {"ReadChromaticAberrationFromFile", one("a file name"), "1"};
    }
    if (command == "onepush") {
        if (args.empty()) {
            throw UsageError{"onepush needs a kind"};
        }
        static const std::map<std::string, std::string> kOnePush = {
            {"awb", "DoOnePushAWB"},
            {"awb-shutter", "DoOnePushAWBShutter"},
            {"pixel-gain", "DoOnePushPixelGainCorrection"},
            {"pixel-black", "DoOnePushPixelBlackCorrection"},
            {"line-rate", "DoOnePushAutoLineRateSet"}};
        if (args[0] == "shading") {
            const std::string type = args.size() > 1 ? args[1] : "flat";
            if (type != "flat" && type != "color") {
                throw UsageError{"shading is flat or color"};
            }
            return {"DoOnePushShadingCorrection", type == "flat" ? "0" : "1", "1"};
        }
        const auto found = kOnePush.find(args[0]);
        if (found == kOnePush.end() || args.size() != 1) {
            throw UsageError{"unknown one-push kind " + args[0]};
        }
        return {found->second, "1"};
    }
    return {};
}

void WriteEvents(JsonWriter& json, const std::vector<std::string>& events) {
    json.Key("events").BeginArray();
    for (const std::string& event : events) {
        json.Value(event);
    }
    json.EndArray();
}

void PrintOutput(const Options& options, const Output& output,
                 const std::vector<std::string>& events) {
    if (options.json) {
        JsonWriter json;
        json.BeginObject().Member("command", options.command);
        if (!output.values.empty()) {
            json.Key("values").BeginObject();
            for (const auto& [name, value] : output.values) {
                json.Member(name, value);
            }
            json.EndObject();
        }
        if (output.result) {
            json.Member("resultCode", *output.result).Member("resultText", output.resultText);
        }
        if (!output.outParams.empty()) {
            json.Key("out").BeginObject();
            for (const auto& [name, value] : output.outParams) {
                json.Member(name, value);
            }
            json.EndObject();
        }
        json.Raw(output.extra);
        WriteEvents(json, events);
        json.EndObject();
        std::printf("%s\n", json.Text().c_str());
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

// The control module beside this program: in the build tree, or installed.
std::string DefaultModulePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path bin = self.parent_path();
    for (const std::filesystem::path& candidate :
         {bin / ".." / "control" / "libXKivRZ150LX.so",
          bin / ".." / XKIV_INSTALL_LIBDIR / "libXKivRZ150LX.so",
          bin / ".." / "lib" / "libXKivRZ150LX.so"}) {
        if (std::filesystem::exists(candidate, error)) {
            return std::filesystem::weakly_canonical(candidate, error).string();
        }
    }
    return {};
}

// Calls the module's own register or unregister entry point.
int Register(const Options& options) {
    if (options.args.size() > 1) {
        throw UsageError{options.command + " takes at most one module path"};
    }
    const std::string module = options.args.empty() ? DefaultModulePath() : options.args[0];
    if (module.empty()) {
        throw UsageError{"no control module found beside xkivctl; name it"};
    }
    std::string reason;
    const bool registering = options.command == "register";
    const automation::HResult result = registering ? automation::RegisterModule(module, &reason)
                                                   : automation::UnregisterModule(module, &reason);
    if (result != automation::kOk) {
        std::fprintf(stderr, "xkivctl: error 0x%08X: %s%s%s\n", static_cast<unsigned>(result),
                     registering ? "registering " : "unregistering ", module.c_str(),
                     reason.empty() ? "" : (": " + reason).c_str());
        return kExitAutomationError;
    }
    std::printf("%s %s\n", registering ? "registered" : "unregistered", module.c_str());
    return kExitOk;
}

int Run(const Options& options) {
    if (options.command.empty() || (options.help && options.command.empty())) {
        std::fputs(kUsage, options.help ? stdout : stderr);
        return options.help ? kExitOk : kExitUsage;
    }
    static const std::set<std::string> kCommands = {"list",
                                                    "get",
                                                    "set",
                                                    "call",
                                                    "watch",
                                                    "search",
                                                    "read-all",
                                                    "write-all",
                                                    "save",
                                                    "load",
                                                    "report",
                                                    "aberration-save",
                                                    "aberration-load",
                                                    "area-load",
                                                    "area-store",
                                                    "onepush",
                                                    "register",
                                                    "unregister"};
    if (!kCommands.contains(options.command)) {
        throw UsageError{"unknown command " + options.command + " (see xkivctl --help)"};
    }
    if (options.help) {
        const auto help = kCommandHelp.find(options.command);
        std::fputs(help != kCommandHelp.end() ? help->second.c_str() : kUsage, stdout);
        return kExitOk;
    }
    if (options.command == "register" || options.command == "unregister") {
        return Register(options);
    }
    Session session(options);
    try {
        session.Connect(options.command);
        Output output;
        int status = kExitOk;
        const std::string& command = options.command;
        if (command == "list") {
            List(session, output);
        } else if (command == "get") {
            Get(session, options.args, output);
        } else if (command == "set") {
            Set(session, options.args, output);
        } else if (command == "call") {
            if (options.args.empty()) {
                throw UsageError{"call needs a method name"};
            }
            Call(session, options.args[0],
                 std::vector<std::string>(options.args.begin() + 1, options.args.end()), output);
        } else if (command == "watch") {
            std::signal(SIGINT, OnInterrupt);
            std::signal(SIGTERM, OnInterrupt);
            return Watch(session, options);
        } else if (command == "search") {
            std::signal(SIGINT, OnInterrupt);
            Call(session, "AutoSelectCommunication", {"1"}, output);
            if (output.values.empty() || output.values[0].second != "1") {
                status = kExitResultCode;
                std::fprintf(stderr, "xkivctl: no camera found\n");
            }
        } else if (command == "area-load" || command == "area-store") {
            if (options.args.size() != 1) {
                throw UsageError{command + " needs an area number"};
            }
            Set(session, {"EEPROMArea=" + options.args[0]}, output);
            output.values.clear();
            Call(session, command == "area-load" ? "LoadSettings" : "StoreSettings", {}, output);
        } else {
            const std::vector<std::string> call = ShortcutCall(command, options.args);
            Call(session, call[0], std::vector<std::string>(call.begin() + 1, call.end()), output);
        }
        if (output.result && *output.result != rc::kOk) {
            std::fprintf(stderr, "xkivctl: result %d: %s\n", *output.result,
                         output.resultText.c_str());
            status = kExitResultCode;
        }
        PrintOutput(options, output, session.Events().Take());
        return status;
    } catch (const automation::AutomationException& exception) {
        const AutomationError& error = exception.Error();
        std::fprintf(stderr, "xkivctl: error 0x%08X: %s\n", static_cast<unsigned>(error.code),
                     error.description.c_str());
        if (options.json) {
            JsonWriter json;
            json.BeginObject()
                .Member("command", options.command)
                .Key("error")
                .BeginObject()
                .Member("code", static_cast<std::int64_t>(static_cast<std::uint32_t>(error.code)))
                .Member("description", error.description)
                .EndObject();
            WriteEvents(json, session.Events().Take());
            json.EndObject();
            std::printf("%s\n", json.Text().c_str());
        }
        return kExitAutomationError;
    } catch (const Session::UnknownName& unknown) {
        std::string message = "xkivctl: no property or method named " + unknown.name;
        const std::vector<std::string> closest = ClosestNames(session.Object(), unknown.name);
        for (std::size_t i = 0; i < closest.size(); ++i) {
            message += (i == 0 ? "; did you mean " : ", ") + closest[i];
        }
        std::fprintf(stderr, "%s%s\n", message.c_str(), closest.empty() ? "" : "?");
        return kExitAutomationError;
    }
}

}  // namespace
}  // namespace xkiv::tools

int main(int argc, char** argv) {
    using namespace xkiv::tools;
    try {
        const int status = Run(ParseOptions(argc, argv));
        // The run's control saved the settings when Run destroyed it; say
        // when it could not, and fail the run.
        const std::string& failure = xkiv::TheModule().Profile().FailureText();
        if (!failure.empty()) {
            std::fprintf(stderr, "xkivctl: %s\n", failure.c_str());
            return status == kExitOk ? kExitAutomationError : status;
        }
        return status;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "xkivctl: %s\n", error.message.c_str());
        return kExitUsage;
    }
}
