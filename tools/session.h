// One run's control: created headless, connected as the options say, invoked by name.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "control/control.h"
#include "platform/console_ui.h"
#include "tools/command_line.h"

namespace xkiv::tools {

// Collects the events the control fires, by name, and prints them on
// stderr as they come when asked to.
class EventRecorder final : public automation::EventSink {
public:
    EventRecorder(const automation::InterfaceInfo& events, std::FILE* print)
        : events_(events), print_(print) {}
    void OnEvent(automation::DispId dispid) override;
    // The names of the events fired since the last call, in order.
    std::vector<std::string> Take();
    void Clear() { fired_.clear(); }

private:
    const automation::InterfaceInfo& events_;
    std::FILE* print_;                       // where events go as they come; null: nowhere
    std::vector<automation::DispId> fired_;  // named when taken: events fire at every exchange
};

// No name of the dispatch interface matched.
struct UnknownName {
    std::string name;
};

// Where a run's output goes: stdout and stderr, or one camera's buffers when
// several run at once.
struct Console {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// The files the cameras of one run write, so that no two write the same.
class FileClaims {
public:
    // Gives path to device: the empty text, or the device that has it already.
    std::string Claim(const std::string& path, const std::string& device);

private:
    std::mutex mutex_;
    std::map<std::string, std::string> owners_;
};

// Owns the control for one command; its destruction writes the profile.
class Session {
public:
    // device: the camera's serial device or network port; empty for the
    // options' --class/--port, --search, --offline or the stored port. With
    // claims (several cameras at once) the session has a module of its own,
    // whose profile is read but never written, and the files it writes are
    // claimed there first.
    Session(const Options& options, std::string device = {}, Console console = {},
            FileClaims* claims = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    automation::DispatchObject& Object() { return *control_; }
    CXKivRZ150LXCtrl& Control() { return *control_; }
    EventRecorder& Events() { return *recorder_; }
    CXKivRZ150LX& Module() { return module_; }
    const std::string& Device() const { return device_; }
    const Console& Output() const { return console_; }

    // The file name pattern with {id} replaced by the camera ID and {device}
    // by the device, each made fit for a file name. A written file is
    // claimed for this camera; throws an automation error when the camera ID
    // is empty or another camera of the run writes the same file.
    std::string FileName(const std::string& pattern, bool written);

    // Opens the port the options choose, or the stored one; an automation
    // error when no camera answers there.
    void Connect();

    // Runs a method; an automation error is thrown as such.
    automation::Variant CallChecked(std::string_view method, std::vector<automation::Variant> args);
    // Invokes a member by name; throws UnknownName or the automation error.
    void Invoke(std::string_view name, automation::InvokeKind kind,
                std::vector<automation::Variant>& args, automation::Variant* result);
    // Looks for the camera on every port; 1 when one answered.
    std::int32_t Search();

private:
    std::int32_t GetLong(std::string_view property);

    const Options& options_;
    std::string device_;
    Console console_;
    FileClaims* claims_;
    std::unique_ptr<CXKivRZ150LX> ownModule_;
    CXKivRZ150LX& module_;
    ConsoleUiServices ui_;
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
    std::unique_ptr<EventRecorder> recorder_;
};

// SIGINT and SIGTERM end the exchange in progress and let the run end
// normally, so that the profile is written.
void InstallInterruptHandlers();
// The signal that interrupted the run, or 0.
int InterruptSignal();

// Text in lower case, for names compared without regard to case.
std::string Folded(std::string text);

}  // namespace xkiv::tools
