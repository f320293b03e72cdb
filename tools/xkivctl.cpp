// xkivctl: drives the control through its dispatch interface from the command line.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
        throw UsageError{"unknown command " + options.command + " (see xkivctl --help)"};
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
