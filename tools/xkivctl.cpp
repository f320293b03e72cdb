// xkivctl: drives the control through its dispatch interface from the command line.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/result_code.h"
#include "platform/automation_help.h"
#include "platform/interrupt.h"
#include "tools/command_line.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/output.h"
#include "tools/session.h"

namespace xkiv::tools {
namespace {

std::string UnknownNameMessage(Session& session, const UnknownName& unknown) {
    std::string message = "no property or method named " + unknown.name;
    const std::vector<std::string> closest =
        automation::ClosestNames(*session.Object().TypeLibrary().dispatch, unknown.name);
    for (std::size_t i = 0; i < closest.size(); ++i) {
        message += (i == 0 ? "; did you mean " : ", ") + closest[i];
    }
    return message + (closest.empty() ? "" : "?");
}

// How a command's handler ended: its status, or what failed and the line
// that says so on stderr.
struct Outcome {
    int status = kExitOk;
    std::optional<Failure> failure;
    std::string complaint;
};

// Runs the command's handler, connected first when it needs the camera.
Outcome RunHandler(Session& session, Invocation run) {
    Outcome outcome;
    try {
        if (run.command.needs == Needs::Camera && !ChoosesItsPort(run.options)) {
            session.Connect();
        }
        outcome.status = run.command.handler(run);
        return outcome;
    } catch (const automation::AutomationException& exception) {
        const automation::AutomationError& error = exception.Error();
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(error.code));
        outcome.failure = Failure{static_cast<std::uint32_t>(error.code), error.description};
        outcome.complaint = "error " + std::string(code) + ": " + error.description;
    } catch (const UnknownName& unknown) {
        const std::string message = UnknownNameMessage(session, unknown);
        outcome.failure = Failure{static_cast<std::uint32_t>(automation::kUnknownName), message};
        outcome.complaint = message;
    }
    outcome.status = run.command.errorStatus;
    return outcome;
}

// Runs a command on the control and prints what it produced.
int RunCommand(Session& session, const Options& options, const Command& command) {
    Output output;
    Outcome outcome = RunHandler(session, {options, command, &session, output});
    if (output.streamed) {
        return outcome.status;
    }
    if (const int signal = InterruptSignal(); signal != 0) {
        // A signal ends the run with the shell's status for it; what failed
        // then is the interrupted exchange.
        outcome.status = 128 + signal;
        outcome.failure = Failure{outcome.status, "interrupted"};
        outcome.complaint = "interrupted";
    }
    if (outcome.failure) {
        std::fprintf(stderr, "xkivctl: %s\n", outcome.complaint.c_str());
        PrintFailure(options.json, options.command, output, *outcome.failure,
                     session.Events().Take());
        return outcome.status;
    }
    if (output.result && *output.result != rc::kOk) {
        std::fprintf(stderr, "xkivctl: result %d: %s\n", *output.result, output.resultText.c_str());
        outcome.status = kExitResultCode;
    }
    PrintOutput(options.json, options.command, output, session.Events().Take());
    // The answer reaches the caller now, not after the control has been
    // destroyed and the profile written.
    std::fflush(stdout);
    return outcome.status;
}

// Runs a command on the control. The run ends here: the control is
// destroyed and the profile written, which may wait for another process's
// lock on it; a signal that ends that wait ends the run with its status.
int RunWithControl(const Options& options, const Command& command) {
    auto session = std::make_unique<Session>(options);
    const int status = RunCommand(*session, options, command);
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
