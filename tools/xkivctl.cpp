// xkivctl: drives the control through its dispatch interface from the command line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
    const std::string suggestion = automation::DidYouMean(
        automation::ClosestNames(*session.Object().TypeLibrary().dispatch, unknown.name));
    return "no property or method named " + unknown.name +
           (suggestion.empty() ? "" : "; " + suggestion);
}

// How a command's handler ended: its status, or what failed and the line
// that says so on stderr (the detail on a second line).
struct Outcome {
    int status = kExitOk;
    std::optional<Failure> failure;
    std::string complaint;
};

void Complain(const std::string& complaint, const std::string& detail) {
    std::fprintf(stderr, "xkivctl: %s\n", complaint.c_str());
    if (!detail.empty()) {
        std::fprintf(stderr, "xkivctl: %s\n", detail.c_str());
    }
}

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
        outcome.failure =
            Failure{static_cast<std::uint32_t>(error.code), error.description, error.detail};
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
        Complain(outcome.complaint, outcome.failure->detail);
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
    Complain(error.message, error.detail);
    if (json) {
        PrintFailure(true, command, Output{}, Failure{kExitUsage, error.message, error.detail}, {});
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
