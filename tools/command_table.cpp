// xkivctl's command table and the usage and help texts it gives.
#include "tools/command_table.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "tools/commands.h"

namespace xkiv::tools {

namespace {

constexpr Arguments kAnyArguments{0, kMany, nullptr};
constexpr Arguments kFileName{1, 1, "a file name"};
constexpr Arguments kAreaNumber{1, 1, "an area number"};

// The help of every command that takes a file name ends with this.
constexpr const char* kFilePatternHelp =
    "  {id} and {device} in the file name stand for the camera ID and the device;\n"
    "  with several cameras a file that is written needs one of them.\n";

// clang-format off
constexpr std::array kCommands = {
    Command{"list", "list",
            "xkivctl list\n  Lists every property and method with dispid, type and help text,\n"
            "  and each property's current value, range and value names.\n",
            Needs::Camera, kAnyArguments, RunList},
    Command{"get", "get NAME...",
            "xkivctl get NAME...\n  Prints each property as NAME=value.\n",
            Needs::Camera, {1, kMany, "at least one property name"}, RunGet},
    Command{"set", "set NAME=VALUE...",
            "xkivctl set NAME=VALUE...\n  Sets the properties in the order given and prints "
            "what was stored\n  after clamping to the camera's bounds.\n",
            Needs::Camera, {1, kMany, "at least one NAME=VALUE"}, RunSet},
    Command{"call", "call METHOD [ARG...]",
            "xkivctl call METHOD [ARG...]\n  Invokes a method with its in-arguments in order; "
            "out-parameters are\n  printed after the result (pnClass=0).\n",
            Needs::Camera, {1, kMany, "a method name"}, RunCall},
    Command{"watch", "watch",
            "xkivctl watch [--interval SECONDS]\n  Connects, then reads the camera every "
            "interval and prints the events of\n  what changed, until interrupted.\n",
            Needs::Camera, kAnyArguments, RunWatch, nullptr, ShortcutArgs::None,
            kExitAutomationError, kOneDevice},
    Command{"search", "search",
            "xkivctl search\n  Tries every port, serial ports first, until a camera answers.\n",
            Needs::Control, kAnyArguments, RunSearch, nullptr, ShortcutArgs::None,
            kExitAutomationError, kOneDevice},
    Command{"read-all", "read-all",
            "xkivctl read-all\n  Reads every setting from the camera.\n",
            Needs::Camera, kAnyArguments, RunShortcut, "ReadAllFromCamera"},
    Command{"write-all", "write-all",
            "xkivctl write-all\n  Writes every setting to the camera.\n",
            Needs::Camera, kAnyArguments, RunShortcut, "WriteAllToCamera"},
    Command{"save", "save FILE.cam",
            "xkivctl save FILE.cam\n  Writes the settings to a settings file.\n",
            Needs::Camera, kFileName, RunShortcut, "WriteAllToFile", ShortcutArgs::FileName,
            kExitAutomationError, kWritesFile},
    Command{"load", "load FILE.cam",
            "xkivctl load FILE.cam\n  Applies a settings file to the camera.\n",
            Needs::Camera, kFileName, RunShortcut, "ReadAllFromFile", ShortcutArgs::FileName},
    Command{"report", "report FILE.txt",
            "xkivctl report FILE.txt\n  Writes the camera data report (reads all three areas).\n",
            Needs::Camera, kFileName, RunShortcut, "WriteCameraDataToFile", ShortcutArgs::FileName,
            kExitAutomationError, kWritesFile},
    Command{"aberration-save", "aberration-save FILE.csv",
            "xkivctl aberration-save FILE.csv\n  Reads the chromatic aberration tables from the "
            "camera into a file.\n",
            Needs::Camera, kFileName, RunShortcut, "WriteChromaticAberrationToFile",
            ShortcutArgs::FileNameWithProgress, kExitAutomationError, kWritesFile},
    Command{"aberration-load", "aberration-load FILE.csv",
            "xkivctl aberration-load FILE.csv\n  Sends the chromatic aberration tables of a file "
            "to the camera.\n",
            Needs::Camera, kFileName, RunShortcut, "ReadChromaticAberrationFromFile",
            ShortcutArgs::FileNameWithProgress},
    Command{"area-load", "area-load N",
            "xkivctl area-load N\n  Makes the camera load settings area N (0 factory, 1 user 1, "
            "2 user 2).\n",
            Needs::Camera, kAreaNumber, RunAreaLoad, "LoadSettings"},
    Command{"area-store", "area-store N",
            "xkivctl area-store N\n  Stores the camera's settings in user area N (1 or 2).\n",
            Needs::Camera, kAreaNumber, RunAreaStore, "StoreSettings"},
    Command{"onepush",
            "onepush awb|awb-shutter|shading [flat|color]|pixel-gain|pixel-black|line-rate",
            "xkivctl onepush awb|awb-shutter|shading [flat|color]|pixel-gain|pixel-black|"
            "line-rate\n  Runs a one-push calibration and waits for its result.\n",
            Needs::Camera, {1, kMany, "a kind"}, RunOnePush},
    Command{"diff", "diff A.cam [B.cam]",
            "xkivctl diff A.cam [B.cam]\n  Prints each setting that differs between two settings files, or between\n"
            "  a settings file and the camera (read whole first; with --offline, the\n"
            "  stored values), as NAME: value in A | value in B or the camera; a\n"
            "  setting only one side has shows (absent) on the other.\n"
            "  Exit status: 0 the same, 1 different, 2 trouble (a file that cannot be\n"
            "  read or is not a settings file, no camera, a failed read).\n",
            Needs::Control, {1, 2, "one or two settings files"}, RunDiff, nullptr,
            ShortcutArgs::None, kExitResultCode},
    Command{"register", "register [MODULE]",
            "xkivctl register [MODULE]\n  Records the control module (by default the one beside "
            "xkivctl) in the\n  user's class registry, through the module's own register entry "
            "point.\n",
            Needs::Nothing, kAnyArguments, RunRegister, nullptr, ShortcutArgs::None,
            kExitAutomationError, kOneDevice},
    Command{"unregister", "unregister [MODULE]",
            "xkivctl unregister [MODULE]\n  Removes the control's classes from the user's class "
            "registry, through\n  the module's own unregister entry point.\n",
            Needs::Nothing, kAnyArguments, RunRegister, nullptr, ShortcutArgs::None,
            kExitAutomationError, kOneDevice},
};
// clang-format on

// The column at which the overview's summaries start, after the indent.
constexpr std::size_t kSummaryColumn = 26;

// One line of the usage's overview: the commands it names, their synopses joined by " | ", and
// what they do, which starts at summaryColumn (after the indent). A line without a summary is
// the synopses alone.
struct OverviewLine {
    std::array<const char*, 2> commands;  // the second nullptr when the line names one
    const char* summary = nullptr;
    // Lines of two long synopses start their summary further right.
    std::size_t summaryColumn = kSummaryColumn;
};

// clang-format off
constexpr std::array kOverview = {
    OverviewLine{{"list"}, "every property and method, with values, ranges and names"},
    OverviewLine{{"get"}, "print properties as NAME=value"},
    OverviewLine{{"set"}, "set properties in order; prints what was stored"},
    OverviewLine{{"call"}, "invoke a method; prints its result and out-parameters"},
    OverviewLine{{"watch"}, "print events as they fire until interrupted"},
    OverviewLine{{"search"}, "look for the camera on every port"},
    OverviewLine{{"read-all", "write-all"}, "read every setting from / write every setting to the camera"},
    OverviewLine{{"save", "load"}, "settings file", 34},
    OverviewLine{{"report"}, "camera data report of the current settings and all areas"},
    OverviewLine{{"aberration-save", "aberration-load"}},
    OverviewLine{{"area-load", "area-store"}, "the camera's settings areas (0 factory, 1, 2)", 34},
    OverviewLine{{"onepush"}},
    OverviewLine{{"diff"}, "settings that differ between two files, or a file and the camera"},
    OverviewLine{{"register", "unregister"}, "the control module in the class registry", 42},
};
// clang-format on

constexpr const Command* FindRow(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

// The synopses of a line's commands, joined by " | ".
std::string OverviewSynopses(const OverviewLine& line) {
    std::string synopses;
    for (const char* name : line.commands) {
        if (name != nullptr) {
            synopses += (synopses.empty() ? "" : " | ") + std::string(FindRow(name)->synopsis);
        }
    }
    return synopses;
}

// Whether a line names commands of the table only, and its synopses leave at least two spaces
// before its summary.
constexpr bool OverviewLineFits(const OverviewLine& line) {
    std::size_t width = 0;
    for (const char* name : line.commands) {
        if (name == nullptr) {
            continue;
        }
        if (FindRow(name) == nullptr) {
            return false;
        }
        width += (width == 0 ? 0 : 3) + std::string_view(FindRow(name)->synopsis).size();
    }
    return line.summary == nullptr || width + 2 <= line.summaryColumn;
}

constexpr int OverviewLinesNaming(std::string_view name) {
    int count = 0;
    for (const OverviewLine& line : kOverview) {
        for (const char* named : line.commands) {
            count += named != nullptr && name == named;
        }
    }
    return count;
}

// Whether COMMAND --help starts "xkivctl NAME", so that it tells of that command.
constexpr bool HelpNamesItsCommand(const Command& command) {
    constexpr std::string_view kStart = "xkivctl ";
    const std::string_view help = command.help;
    const std::string_view name = command.name;
    const std::size_t end = kStart.size() + name.size();
    return help.starts_with(kStart) && help.substr(kStart.size()).starts_with(name) &&
           help.size() > end && (help[end] == ' ' || help[end] == '\n');
}

static_assert(std::all_of(kOverview.begin(), kOverview.end(), OverviewLineFits),
              "each overview line names commands of the table and leaves room for its summary");
static_assert(std::all_of(kCommands.begin(), kCommands.end(),
                          [](const Command& command) {
                              return OverviewLinesNaming(command.name) == 1 &&
                                     HelpNamesItsCommand(command);
                          }),
              "each command is on one overview line and has a help of its own");

std::string CommandOverview() {
    std::string overview;
    for (const OverviewLine& entry : kOverview) {
        std::string line = OverviewSynopses(entry);
        if (entry.summary != nullptr) {
            line.resize(entry.summaryColumn, ' ');
            line += entry.summary;
        }
        overview += "  " + line + "\n";
    }
    return overview;
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(const std::string& name) {
    return FindRow(name);
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const Command& command : kCommands) {
        names.emplace_back(command.name);
    }
    return names;
}

std::string UsageText() {
    return "Usage: xkivctl [OPTIONS] COMMAND [ARGS]\n"
           "Reads and changes the settings of an RZ line-scan camera through the control's\n"
           "automation interface.\n"
           "\n"
           "Commands:\n" +
           CommandOverview() + "\n" + kOptionsHelp +
           "\n"
           "Without a connection option the stored port is opened, as the control does at "
           "start.\n"
           "\n"
           "With several cameras (--device more than once, or --devices) the command runs on\n"
           "all at once, one connection each; each output line starts with its device, --json\n"
           "gives one object per camera. The exit status is the highest of the cameras', and\n"
           "stderr ends with the cameras that failed and why. The profile is left as it is.\n"
           "\n"
           "Exit status:\n"
           "  0       success; diff: the same settings\n"
           "  1       automation error, unknown name or no camera reached; settings that\n"
           "          could not be saved; diff: the settings differ\n"
           "  2       a method's failing result code; search: no camera found;\n"
           "          diff: any failure\n"
           "  64      usage: unknown command or option, missing or out-of-range argument\n"
           "  128+N   interrupted by signal N: 130 for Ctrl+C, 143 for SIGTERM\n"
           "\n"
           "Examples:\n"
           "  $ xkivctl --device /dev/ttyUSB0 get ModelName FirmwareVersion\n"
           "  $ xkivctl --device /dev/ttyUSB0 set TriggerMode=pwc\n"
           "  $ xkivctl --device /dev/ttyUSB0 save line4.cam\n"
           "  $ xkivctl --offline list\n"
           "  $ xkivctl --device tcp://10.0.0.5:2001 get ModelName\n"
           "  $ xkivctl --devices rig.txt save 'rig/{id}.cam'\n";
}

void CheckArguments(const Command& command, const std::vector<std::string>& args) {
    const Arguments& wanted = command.arguments;
    if (args.size() < wanted.minimum || args.size() > wanted.maximum) {
        throw UsageError{std::string(command.name) + " needs " + wanted.wanted};
    }
}

std::string HelpText(const Command& command) {
    return std::string(command.help) +
           (command.shortcutArgs != ShortcutArgs::None ? kFilePatternHelp : "");
}

}  // namespace xkiv::tools
