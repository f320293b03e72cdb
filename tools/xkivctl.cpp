// xkivctl: drives the control through its dispatch interface from the command line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation_help.h"
#include "platform/interrupt.h"
#include "tools/command_line.h"
#include "tools/command_table.h"
#include "tools/device_run.h"
#include "tools/output.h"
#include "tools/session.h"

namespace xkiv::tools {
namespace {

// Runs a command on the control of one camera. The run ends here: the
// control is destroyed and the profile written, which may wait for another
// process's lock on it; a signal that ends that wait ends the run with its
// status.
int RunWithControl(const Options& options, const Command& command) {
    auto session = std::make_unique<Session>(
        options, options.devices.empty() ? std::string() : options.devices.front());
    const int status = RunOnDevice(options, command, *session).status;
    const bool interruptedBefore = InterruptRequested();
    session.reset();
    if (!interruptedBefore && InterruptRequested()) {
        return 128 + InterruptSignal();
    }
    return status;
}

int Run(const Options& options) {
    if (options.command.empty()) {
        std::fputs(UsageText().c_str(), options.help ? stdout : stderr);
        return options.help ? kExitOk : kExitUsage;
    }
    const Command* command = FindCommand(options.command);
    if (command == nullptr) {
        throw UsageError{
            "unknown command " + options.command + " (see xkivctl --help)",
            automation::DidYouMean(automation::ClosestNames(CommandNames(), options.command))};
    }
    if (options.help) {
        std::fputs(HelpText(*command).c_str(), stdout);
        return kExitOk;
    }
    // Before the camera is touched.
    CheckArguments(*command, options.args);
    if (options.severalDevices) {
        InstallInterruptHandlers();
        return RunOnEveryDevice(options, *command);
    }
    if (command->needs == Needs::Nothing) {
        Output output;
        Invocation run{options, *command, nullptr, output};
        return command->handler(run);
    }
    InstallInterruptHandlers();
    return RunWithControl(options, *command);
}

// Says what is wrong with the command line: on stderr, and with --json as
// the error object of any other failure on stdout.
int ReportUsageError(const UsageError& error, bool json, const std::string& command) {
    Complain(stderr, error.message, error.detail);
    if (json) {
        PrintFailure(Printing{stdout, true, {}, command}, Output{},
                     Failure{kExitUsage, error.message, error.detail}, {});
    }
    return kExitUsage;
}

// Whether the command line asks for JSON, read without parsing it (it may
// not parse).
bool AsksForJson(int argc, char** argv) {
    return std::any_of(argv + 1, argv + argc,
                       [](const char* arg) { return std::string_view(arg) == "--json"; });
}

}  // namespace
}  // namespace xkiv::tools

int main(int argc, char** argv) {
    using namespace xkiv::tools;
    Options options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& error) {
        return ReportUsageError(error, AsksForJson(argc, argv), {});
    }
    try {
        const int status = Run(options);
        // The run's control saved the settings when Run destroyed it; say
        // when it could not, and fail the run.
        const std::string& failure = xkiv::TheModule().Profile().FailureText();
        if (!failure.empty()) {
            std::fprintf(stderr, "xkivctl: %s\n", failure.c_str());
            return status == kExitOk ? kExitAutomationError : status;
        }
        return status;
    } catch (const UsageError& error) {
        return ReportUsageError(error, options.json, options.command);
    }
}
