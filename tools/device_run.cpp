// Runs xkivctl's command on one camera, or on several cameras, each in a thread of its own.
#include "tools/device_run.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "comm/result_code.h"
#include "platform/automation_help.h"
#include "tools/commands.h"

namespace xkiv::tools {

namespace {

std::string UnknownNameMessage(Session& session, const UnknownName& unknown) {
    const std::string suggestion = automation::DidYouMean(
        automation::ClosestNames(*session.Object().TypeLibrary().dispatch, unknown.name));
    return "no property or method named " + unknown.name +
           (suggestion.empty() ? "" : "; " + suggestion);
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

// A stream into memory: one camera's stdout or stderr while several run.
class MemoryStream {
public:
    MemoryStream() : file_(::open_memstream(&data_, &size_)) {}
    ~MemoryStream() {
        Close();
        std::free(data_);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Null when no memory was left for it.
    std::FILE* File() const { return file_; }
    // What was written; the stream is closed.
    std::string Take() {
        Close();
        return data_ != nullptr ? std::string(data_, size_) : std::string();
    }

private:
    void Close() {
        if (file_ != nullptr) {
            std::fclose(file_);
            file_ = nullptr;
        }
    }
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// One camera of a run on several.
struct DeviceSlot {
    MemoryStream out;
    MemoryStream err;
    std::unique_ptr<Session> session;
    DeviceOutcome outcome;
};

// Refuses what cannot run on several cameras, before any is touched.
void CheckSeveral(const Options& options, const Command& command) {
    if ((command.traits & kOneDevice) != 0) {
        throw UsageError{options.command + " works on one camera: name one --device"};
    }
    if (ChoosesItsPort(options)) {
        throw UsageError{options.args[0] + " chooses its own port: name one --device"};
    }
    if ((command.traits & kWritesFile) != 0 && options.args[0].find("{id}") == std::string::npos &&
        options.args[0].find("{device}") == std::string::npos) {
        throw UsageError{options.command +
                         ": several cameras need {id} or {device} in the file name"};
    }
}

DeviceOutcome RunGuarded(const Options& options, const Command& command, Session& session) {
    try {
        return RunOnDevice(options, command, session);
    } catch (const UsageError& error) {
        std::fprintf(session.Output().err, "xkivctl: %s\n", error.message.c_str());
        return {kExitUsage, error.message};
    }
}

// Each line of text with prefix before it; a line of xkivctl's own keeps the
// program's name first.
void PrintPrefixed(std::FILE* to, std::string_view text, const std::string& device) {
    constexpr std::string_view kProgram = "xkivctl: ";
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.starts_with(kProgram)) {
            line.remove_prefix(kProgram.size());
            std::fputs(kProgram.data(), to);
        }
        std::fprintf(to, "%s: %.*s\n", device.c_str(), static_cast<int>(line.size()), line.data());
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

void PrintSummary(const Options& options, const std::vector<std::unique_ptr<DeviceSlot>>& slots) {
    const auto failed = std::count_if(slots.begin(), slots.end(),
                                      [](const auto& slot) { return !slot->outcome.why.empty(); });
    if (failed == 0) {
        return;
    }
    std::fprintf(stderr, "xkivctl: %ld of %zu devices failed\n", static_cast<long>(failed),
                 slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        // One line a camera: a message's own line breaks become spaces.
        std::string why = slots[i]->outcome.why;
        std::replace(why.begin(), why.end(), '\n', ' ');
        if (!why.empty()) {
            std::fprintf(stderr, "xkivctl: failed: %s: %s\n", options.devices[i].c_str(),
                         why.c_str());
        }
    }
}

// JSON output lists the run's events and text output does not, so they
// are named only for JSON.
std::vector<std::string> EventsToPrint(const Printing& printing, Session& session) {
    if (printing.json) {
        return session.Events().Take();
    }
    session.Events().Clear();
    return {};
}

}  // namespace

DeviceOutcome RunOnDevice(const Options& options, const Command& command, Session& session) {
    Output output;
    const Printing printing{session.Output().out, options.json,
                            options.severalDevices ? session.Device() : std::string(),
                            options.command};
    std::FILE* err = session.Output().err;
    Outcome outcome = RunHandler(session, {options, command, &session, output});
    if (output.streamed) {
        return {outcome.status, outcome.complaint};
    }
    if (const int signal = InterruptSignal(); signal != 0) {
        // A signal ends the run with the shell's status for it; what failed
        // then is the interrupted exchange.
        outcome.status = 128 + signal;
        outcome.failure = Failure{outcome.status, "interrupted"};
        outcome.complaint = "interrupted";
    }
    if (outcome.failure) {
        Complain(err, outcome.complaint, outcome.failure->detail);
        PrintFailure(printing, output, *outcome.failure, EventsToPrint(printing, session));
        return {outcome.status, outcome.complaint};
    }
    if (output.result && *output.result != rc::kOk) {
        outcome.complaint = "result " + std::to_string(*output.result) + ": " + output.resultText;
        std::fprintf(err, "xkivctl: %s\n", outcome.complaint.c_str());
        outcome.status = kExitResultCode;
    }
    PrintOutput(printing, output, EventsToPrint(printing, session));
    // The answer reaches the caller now, not after the control has been
    // destroyed and the profile written.
    std::fflush(printing.out);
    return {outcome.status, outcome.complaint};
}

int RunOnEveryDevice(const Options& options, const Command& command) {
    CheckSeveral(options, command);
    FileClaims claims;
    std::vector<std::unique_ptr<DeviceSlot>> slots;
    // Made one after another: a control takes its device from the
    // environment while it is made.
    for (const std::string& device : options.devices) {
        auto slot = std::make_unique<DeviceSlot>();
        const Console console{slot->out.File() ? slot->out.File() : stdout,
                              slot->err.File() ? slot->err.File() : stderr};
        slot->session = std::make_unique<Session>(options, device, console, &claims);
        slots.push_back(std::move(slot));
    }
    std::vector<std::thread> threads;
    for (const auto& slot : slots) {
        threads.emplace_back([&options, &command, raw = slot.get()] {
            raw->outcome = RunGuarded(options, command, *raw->session);
            raw->session.reset();
        });
    }
    int worst = kExitOk;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        threads[i].join();
        DeviceSlot& slot = *slots[i];
        const std::string out = slot.out.Take();
        if (options.json) {
            std::fputs(out.c_str(), stdout);
        } else {
            PrintPrefixed(stdout, out, options.devices[i]);
        }
        PrintPrefixed(stderr, slot.err.Take(), options.devices[i]);
        worst = std::max(worst, slot.outcome.status);
    }
    std::fflush(stdout);
    PrintSummary(options, slots);
    return worst;
}

}  // namespace xkiv::tools
