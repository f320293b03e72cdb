// The command line of xkivctl: its options, the command and the command's arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace xkiv::tools {

// Exit statuses of xkivctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitAutomationError = 1;
inline constexpr int kExitResultCode = 2;
inline constexpr int kExitUsage = 64;
// diff: the settings differ; its failures end with kExitResultCode.
inline constexpr int kExitDifferent = 1;

struct Options {
    bool json = false;
    bool events = false;
    bool trace = false;
    bool offline = false;
    bool search = false;
    bool help = false;
    int interval = 2;
    // --device, given once or more, and the lines of --devices FILE.
    std::vector<std::string> devices;
    // Several cameras at once: --devices, or --device more than once. Each
    // camera then runs the command on a connection of its own and its output
    // lines carry its device.
    bool severalDevices = false;
    std::optional<int> commClass;
    std::optional<int> port;
    std::string command;
    std::vector<std::string> args;
};

// A usage error: the message goes to stderr and the exit status is 64;
// detail (a suggestion) follows on a line of its own.
struct UsageError {
    std::string message;
    std::string detail = {};
};

// The options xkivctl knows, for suggestions.
std::vector<std::string> OptionNames();

// The options and the connection they choose; throws UsageError.
Options ParseOptions(int argc, char** argv);

// The devices a --devices file names: one a line; blank lines and lines
// that start with '#' are left out, spaces around a name too. Throws
// UsageError when the file cannot be read.
std::vector<std::string> ReadDeviceFile(const std::string& path);

// A decimal number within [minimum, maximum]; throws UsageError naming what
// it is for.
int ParseInt(const std::string& text, const char* what, int minimum, int maximum);

// The longest interval watch accepts: a day.
inline constexpr int kMaxIntervalSeconds = 86400;

// The options part of the usage text.
extern const char* const kOptionsHelp;

}  // namespace xkiv::tools
