// One run's control: created headless, connected as the options say, invoked by name.
#pragma once

#include <memory>
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
    EventRecorder(const automation::InterfaceInfo& events, bool print)
        : events_(events), print_(print) {}
    void OnEvent(automation::DispId dispid) override;
    std::vector<std::string> Take() { return std::exchange(fired_, {}); }

private:
    const automation::InterfaceInfo& events_;
    bool print_;
    std::vector<std::string> fired_;
};

// No name of the dispatch interface matched.
struct UnknownName {
    std::string name;
};

// Owns the control for one command; its destruction writes the profile.
class Session {
public:
    explicit Session(const Options& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    automation::DispatchObject& Object() { return *control_; }
    CXKivRZ150LXCtrl& Control() { return *control_; }
    EventRecorder& Events() { return *recorder_; }

    // Opens the port the options choose, or the stored one; an automation
    // error when no camera answers there.
    void Connect();

    // Runs a method; an automation error is thrown as such.
    automation::Variant CallChecked(const std::string& method,
                                    std::vector<automation::Variant> args);
    // Invokes a member by name; throws UnknownName or the automation error.
    void Invoke(const std::string& name, automation::InvokeKind kind,
                std::vector<automation::Variant>& args, automation::Variant* result);
    // Looks for the camera on every port; 1 when one answered.
    std::int32_t Search();

private:
    std::int32_t GetLong(const std::string& property);

    const Options& options_;
    ConsoleUiServices ui_{"xkivctl"};
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
