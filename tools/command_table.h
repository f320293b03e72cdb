// The commands of xkivctl: one row each, from which usage, help and dispatch are derived.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/command_line.h"
#include "tools/output.h"
#include "tools/session.h"

namespace xkiv::tools {

struct Command;

// What a running command works with. session is null for commands that
// need no control.
struct Invocation {
    const Options& options;
    const Command& command;
    Session* session;
    Output& output;
};

// Runs a command and gives its exit status; throws UsageError, UnknownName
// or an automation error.
using CommandHandler = int (*)(Invocation&);

// What a command needs before it runs.
enum class Needs {
    Nothing,  // no control (the class registry)
    Control,  // the control, which finds its camera itself (search)
    Camera,   // the control, connected as the options say
};

// How many arguments a command takes, and what it says when they do not fit.
struct Arguments {
    std::size_t minimum;
    std::size_t maximum;
    const char* wanted;
};
inline constexpr std::size_t kMany = SIZE_MAX;

// The arguments a shortcut passes on to its method after the command's own.
enum class ShortcutArgs { None, FileName, FileNameWithProgress };

// What else a command row says about the command, as bits.
enum CommandTraits : std::uint32_t {
    kOneDevice = 1U << 0,   // runs on one camera only (it streams, or chooses no camera)
    kWritesFile = 1U << 1,  // its file argument is written: several cameras need {id} or {device}
};

struct Command {
    const char* name;
    // The command as the usage's overview shows it.
    const char* synopsis;
    // COMMAND --help, starting "xkivctl NAME".
    const char* help;
    Needs needs;
    Arguments arguments;
    CommandHandler handler;
    // Shortcuts: the method the command runs, and what it passes on.
    const char* method = nullptr;
    ShortcutArgs shortcutArgs = ShortcutArgs::None;
    // The exit status when an automation error or an unknown name ends it.
    int errorStatus = kExitAutomationError;
    std::uint32_t traits = 0;
};

std::span<const Command> Commands();
const Command* FindCommand(const std::string& name);
// Every command's name, for suggestions.
std::vector<std::string> CommandNames();

// Throws UsageError when the command's arguments are too few or too many.
void CheckArguments(const Command& command, const std::vector<std::string>& args);

// xkivctl --help.
std::string UsageText();
// xkivctl COMMAND --help.
std::string HelpText(const Command& command);

}  // namespace xkiv::tools
