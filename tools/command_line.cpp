// Parses xkivctl's options with CLI11; the command and its arguments are what remains.
#include "tools/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

// The options that take a value, as CLI11 collects them; numbers are
// converted afterwards so that the messages stay our own.
struct ValueOptions {
    std::vector<std::string> devices;
    std::string devicesFile;
    std::string commClass;
    std::string port;
    std::string interval;
};

constexpr const char* kValueOptionNames[] = {"--devices", "--device", "--class", "--port",
                                             "--interval"};
constexpr const char* kFlagNames[] = {"--json",    "--events", "--trace",
                                      "--offline", "--search", "--help"};

// CLI11 names the option whose value is missing at the start of its message.
UsageError MissingValue(const CLI::ParseError& error) {
    const std::string message = error.what();
    for (const char* name : kValueOptionNames) {
        if (message.starts_with(std::string(name) + ":")) {
            return UsageError{std::string(name) + " needs a value"};
        }
    }
    return UsageError{message};
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
        const std::vector<std::string> listed = ReadDeviceFile(values.devicesFile);
        if (listed.empty()) {
            throw UsageError{values.devicesFile + " names no device"};
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
    std::vector<std::string> names(std::begin(kValueOptionNames), std::end(kValueOptionNames));
    names.insert(names.end(), std::begin(kFlagNames), std::end(kFlagNames));
    return names;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    ValueOptions values;
    CLI::App app;
    // Help is a command-line option of its own, answered from the command table.
    app.set_help_flag();
    app.allow_extras();
    app.add_flag("--json", options.json);
    app.add_flag("--events", options.events);
    app.add_flag("--trace", options.trace);
    app.add_flag("--offline", options.offline);
    app.add_flag("--search", options.search);
    app.add_flag("--help,-h", options.help);
    // Each --device takes one value and adds it; repeated, it names several cameras.
    app.add_option("--device", values.devices)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* devicesFile = app.add_option("--devices", values.devicesFile)->take_last();
    CLI::Option* commClass = app.add_option("--class", values.commClass)->take_last();
    CLI::Option* port = app.add_option("--port", values.port)->take_last();
    CLI::Option* interval = app.add_option("--interval", values.interval)->take_last();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        throw MissingValue(error);
    }
    CollectDevices(values, devicesFile->count() > 0, options);
    // Class 0 is the serial ports, class 1 the Camera Link serial channels.
    if (commClass->count() > 0) {
        options.commClass = ParseInt(values.commClass, "--class", 0, 1);
    }
    if (port->count() > 0) {
        options.port = ParseInt(values.port, "--port", 0, INT32_MAX);
    }
    if (interval->count() > 0) {
        options.interval = ParseInt(values.interval, "--interval", 1, kMaxIntervalSeconds);
    }
    for (const std::string& arg : app.remaining()) {
        if (arg.starts_with("--")) {
            throw UnknownOption(arg);
        }
        if (options.command.empty()) {
            options.command = arg;
        } else {
            options.args.push_back(arg);
        }
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
