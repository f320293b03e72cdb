// Parses xkivctl's options; the command and its arguments are what remains.
#include "tools/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "platform/automation_help.h"

namespace xkiv::tools {

const char* const kOptionsHelp =
    "Options:\n"
    "  --device PATH|ADDRESS     use this serial device or network port (tcp://HOST:PORT,\n"
    "                            rfc2217://HOST:PORT); more than once for several cameras\n"
    "  --devices FILE            run on every camera FILE names, one device a line\n"
    "  --class N --port N        use this port of the class (0 serial, 1 Camera Link,\n"
    "                            2 network)\n"
    "  --search                  look for the camera on every port first\n"
    "  --offline                 work on the stored values, open no port\n"
    "  --json                    one JSON object per command on stdout\n"
    "  --events                  print the events a command fires, on stderr\n"
    "  --trace                   print every line to and from the camera, on stderr\n"
    "  --interval SECONDS        how often watch reads the camera (default 2, at most a day)\n"
    "  --help                    this text; COMMAND --help for a command\n";

int ParseInt(const std::string& text, const char* what, int minimum, int maximum) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE) {
        throw UsageError{std::string(what) + " must be a number: " + text};
    }
    if (value < minimum || value > maximum) {
        throw UsageError{std::string(what) + " must be between " + std::to_string(minimum) +
                         " and " + std::to_string(maximum) + ": " + text};
    }
    return static_cast<int>(value);
}

namespace {

// The options that take a value, as given; numbers are converted
// afterwards so that the messages say which option and why.
struct ValueOptions {
    std::vector<std::string> devices;
    std::optional<std::string> devicesFile;
    std::optional<std::string> commClass;
    std::optional<std::string> port;
    std::optional<std::string> interval;
};

// Each option is named once here: the parser and the suggestions for a
// mistyped option take them from these tables.
// --device adds a camera each time it is given and is not in the table of
// the options that keep the last value given.
constexpr const char* kDeviceOption = "--device";
constexpr struct {
    const char* name;
    std::optional<std::string> ValueOptions::*value;
} kValueOptions[] = {{"--devices", &ValueOptions::devicesFile},
                     {"--class", &ValueOptions::commClass},
                     {"--port", &ValueOptions::port},
                     {"--interval", &ValueOptions::interval}};
constexpr struct {
    const char* name;
    bool Options::*flag;
} kFlags[] = {{"--json", &Options::json},     {"--events", &Options::events},
              {"--trace", &Options::trace},   {"--offline", &Options::offline},
              {"--search", &Options::search}, {"--help", &Options::help}};

bool* FlagOf(std::string_view name, Options& options) {
    if (name == "-h") {
        return &options.help;
    }
    for (const auto& [flagName, flag] : kFlags) {
        if (name == flagName) {
            return &(options.*flag);
        }
    }
    return nullptr;
}

bool IsValueOption(std::string_view name) {
    return name == kDeviceOption ||
           std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                       [name](const auto& option) { return name == option.name; });
}

// Stores the value of the value option name.
void StoreValue(std::string_view name, std::string value, ValueOptions& values) {
    if (name == kDeviceOption) {
        values.devices.push_back(std::move(value));
        return;
    }
    for (const auto& [optionName, field] : kValueOptions) {
        if (name == optionName) {
            values.*field = std::move(value);
        }
    }
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The devices of --device and --devices, each once.
void CollectDevices(const ValueOptions& values, bool fromFile, Options& options) {
    options.devices = values.devices;
    if (fromFile) {
        const std::vector<std::string> listed = ReadDeviceFile(*values.devicesFile);
        if (listed.empty()) {
            throw UsageError{*values.devicesFile + " names no device"};
        }
        options.devices.insert(options.devices.end(), listed.begin(), listed.end());
    }
    for (auto it = options.devices.begin(); it != options.devices.end(); ++it) {
        if (it->empty()) {
            throw UsageError{"--device needs a value"};
        }
        if (std::find(options.devices.begin(), it, *it) != it) {
            throw UsageError{*it + " is named twice: one connection a device"};
        }
    }
    options.severalDevices = fromFile || options.devices.size() > 1;
}

UsageError UnknownOption(const std::string& arg) {
    const std::string name = arg.substr(0, arg.find('='));
    return UsageError{"unknown option " + name,
                      automation::DidYouMean(automation::ClosestNames(OptionNames(), name))};
}

}  // namespace

std::vector<std::string> ReadDeviceFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw UsageError{"cannot read the device list " + path};
    }
    std::vector<std::string> devices;
    std::string line;
    while (std::getline(file, line)) {
        line = Trimmed(line);
        if (!line.empty() && !line.starts_with('#')) {
            devices.push_back(line);
        }
    }
    if (file.bad()) {
        throw UsageError{"cannot read the device list " + path};
    }
    return devices;
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names = {kDeviceOption};
    for (const auto& option : kValueOptions) {
        names.emplace_back(option.name);
    }
    for (const auto& flag : kFlags) {
        names.emplace_back(flag.name);
    }
    return names;
}

// Options come before, after or between the command and its arguments, a
// value either as --name=value or as the next argument; "--" ends them.
Options ParseOptions(int argc, char** argv) {
    Options options;
    ValueOptions values;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || !arg.starts_with('-') || arg == "-" ||
            (!arg.starts_with("--") && arg != "-h")) {
            (options.command.empty() ? options.command : options.args.emplace_back()) = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (bool* flag = FlagOf(name, options)) {
            if (equals != std::string_view::npos) {
                throw UsageError{std::string(name) + " takes no value"};
            }
            *flag = true;
            continue;
        }
        if (!IsValueOption(name)) {
            throw UnknownOption(std::string(arg));
        }
        if (equals != std::string_view::npos) {
            StoreValue(name, std::string(arg.substr(equals + 1)), values);
        } else if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--")) {
            StoreValue(name, argv[++i], values);
        } else {
            throw UsageError{std::string(name) + " needs a value"};
        }
    }
    CollectDevices(values, values.devicesFile.has_value(), options);
    // Class 0 is the serial ports, class 1 the Camera Link serial channels.
    if (values.commClass) {
        options.commClass = ParseInt(*values.commClass, "--class", 0, 1);
    }
    if (values.port) {
        options.port = ParseInt(*values.port, "--port", 0, INT32_MAX);
    }
    if (values.interval) {
        options.interval = ParseInt(*values.interval, "--interval", 1, kMaxIntervalSeconds);
    }
    const int connections = !options.devices.empty() + options.search + options.offline +
                            (options.commClass.has_value() || options.port.has_value());
    if (connections > 1) {
        throw UsageError{
            "choose one of --device/--devices, --class/--port, --search and --offline"};
    }
    return options;
}

}  // namespace xkiv::tools
