// xkivctl: drives the control through its dispatch interface from the command line.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "comm/result_code.h"
#include "tools/command_line.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/output.h"
#include "tools/session.h"

namespace xkiv::tools {
namespace {

std::string UnknownNameMessage(Session& session, const UnknownName& unknown) {
    std::string message = "no property or method named " + unknown.name;
    const std::vector<std::string> closest = ClosestNames(session.Object(), unknown.name);
    for (std::size_t i = 0; i < closest.size(); ++i) {
        message += (i == 0 ? "; did you mean " : ", ") + closest[i];
    }
    return message + (closest.empty() ? "" : "?");
}

// Runs the command's handler, connected first when it needs the camera.
// Failures come back as the failure and its exit status.
int RunHandler(Session& session, const Invocation& invocation, std::optional<Failure>& failure) {
    Invocation run = invocation;
    try {
        if (run.command.needs == Needs::Camera && !ChoosesItsPort(run.options)) {
            session.Connect();
        }
        return run.command.handler(run);
    } catch (const automation::AutomationException& exception) {
        const automation::AutomationError& error = exception.Error();
        std::fprintf(stderr, "xkivctl: error 0x%08X: %s\n", static_cast<unsigned>(error.code),
                     error.description.c_str());
        failure = Failure{static_cast<std::uint32_t>(error.code), error.description};
    } catch (const UnknownName& unknown) {
        const std::string message = UnknownNameMessage(session, unknown);
        std::fprintf(stderr, "xkivctl: %s\n", message.c_str());
        failure = Failure{static_cast<std::uint32_t>(automation::kUnknownName), message};
    }
    return kExitAutomationError;
}

// Runs a command on the control. The run ends here: when the session goes
// out of scope, the control is destroyed and the profile written.
int RunWithControl(const Options& options, const Command& command) {
    Session session(options);
    Output output;
    std::optional<Failure> failure;
    int status = RunHandler(session, {options, command, &session, output}, failure);
    if (output.streamed) {
        return status;
    }
    if (const int signal = InterruptSignal(); signal != 0) {
        // A signal ends the run with the shell's status for it.
        std::fprintf(stderr, "xkivctl: interrupted\n");
        status = 128 + signal;
        failure = Failure{status, "interrupted"};
    }
    if (failure) {
        PrintFailure(options.json, options.command, output, *failure, session.Events().Take());
        return status;
    }
    if (output.result && *output.result != rc::kOk) {
        std::fprintf(stderr, "xkivctl: result %d: %s\n", *output.result, output.resultText.c_str());
        status = kExitResultCode;
    }
    PrintOutput(options.json, options.command, output, session.Events().Take());
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
        return Run(ParseOptions(argc, argv));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "xkivctl: %s\n", error.message.c_str());
        return kExitUsage;
    }
}
