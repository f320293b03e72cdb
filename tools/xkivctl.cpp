// xkivctl: drives the control through its dispatch interface from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "comm/result_code.h"
#include "tools/command_line.h"
#include "tools/command_table.h"
#include "tools/output.h"
#include "tools/session.h"

namespace xkiv::tools {
namespace {

void PrintUnknownName(Session& session, const UnknownName& unknown) {
    std::string message = "xkivctl: no property or method named " + unknown.name;
    const std::vector<std::string> closest = ClosestNames(session.Object(), unknown.name);
    for (std::size_t i = 0; i < closest.size(); ++i) {
        message += (i == 0 ? "; did you mean " : ", ") + closest[i];
    }
    std::fprintf(stderr, "%s%s\n", message.c_str(), closest.empty() ? "" : "?");
}

// Runs a command on the control; the run ends, and the profile is written,
// when the session goes out of scope here.
int RunWithControl(const Options& options, const Command& command) {
    Session session(options);
    try {
        session.Connect();
        Output output;
        Invocation run{options, command, &session, output};
        int status = command.handler(run);
        if (output.streamed) {
            return status;
        }
        if (output.result && *output.result != rc::kOk) {
            std::fprintf(stderr, "xkivctl: result %d: %s\n", *output.result,
                         output.resultText.c_str());
            status = kExitResultCode;
        }
        PrintOutput(options.json, options.command, output, session.Events().Take());
        return status;
    } catch (const automation::AutomationException& exception) {
        const automation::AutomationError& error = exception.Error();
        std::fprintf(stderr, "xkivctl: error 0x%08X: %s\n", static_cast<unsigned>(error.code),
                     error.description.c_str());
        if (options.json) {
            PrintJsonError(options.command, error, session.Events().Take());
        }
        return kExitAutomationError;
    } catch (const UnknownName& unknown) {
        PrintUnknownName(session, unknown);
        return kExitAutomationError;
    }
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
    if (command->needs == Needs::Nothing) {
        Output output;
        Invocation run{options, *command, nullptr, output};
        return command->handler(run);
    }
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
