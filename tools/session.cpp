// The control of one xkivctl run.
#include "tools/session.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/automation_help.h"
#include "platform/interrupt.h"

namespace xkiv::tools {

using automation::AutomationError;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::Variant;

namespace {

volatile std::sig_atomic_t interruptSignal = 0;

void OnInterrupt(int signal) {
    interruptSignal = signal;
    RequestInterrupt();
    ConsoleUiServices::RequestCancel();
}

}  // namespace

void EventRecorder::OnEvent(automation::DispId dispid) {
    const MemberInfo* member = events_.Find(dispid);
    const std::string name = member ? member->name : "Event" + std::to_string(dispid);
    fired_.push_back(name);
    if (print_) {
        std::fprintf(stderr, "event: %s\n", name.c_str());
    }
}

Session::Session(const Options& options) : options_(options) {
    TheModule().SetUiServices(&ui_);
    if (options.device) {
        // The serial class then lists just this device.
        ::setenv("XKIV_SERIAL_PORTS", options.device->c_str(), 1);
    }
    control_ = std::make_unique<CXKivRZ150LXCtrl>(TheModule());
    recorder_ = std::make_unique<EventRecorder>(*control_->TypeLibrary().events,
                                                options.events && !options.json);
    control_->Advise(*recorder_);
    if (options.trace) {
        // As it happens and on stderr, so that --json output stays clean.
        control_->SetTrace(
            [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    }
}

Session::~Session() {
    control_.reset();
    TheModule().SetUiServices(nullptr);
}

void Session::Connect() {
    if (options_.offline) {
        return;
    }
    if (options_.search) {
        if (Search() == 0) {
            throw automation::AutomationException(
                {automation::kDeviceIoError, "no camera found", 0});
        }
        return;
    }
    // The device of --device is the serial class's only port.
    const bool stored = !options_.device && !options_.commClass && !options_.port;
    const std::int32_t commClass = stored ? GetLong("CommClass") : options_.commClass.value_or(0);
    const std::int32_t port = stored ? GetLong("CommPort") : options_.port.value_or(0);
    CallChecked("StartCommunication", {Variant::Long(commClass), Variant::Long(port)});
}

std::int32_t Session::GetLong(const std::string& property) {
    std::vector<Variant> none;
    Variant value;
    Invoke(property, InvokeKind::PropertyGet, none, &value);
    return value.ToLong().value_or(0);
}

Variant Session::CallChecked(const std::string& method, std::vector<Variant> args) {
    Variant result;
    Invoke(method, InvokeKind::Method, args, &result);
    return result;
}

void Session::Invoke(const std::string& name, InvokeKind kind, std::vector<Variant>& args,
                     Variant* result) {
    AutomationError error;
    const automation::HResult hr = control_->InvokeByName(name, kind, args, result, &error);
    if (hr == automation::kUnknownName) {
        throw UnknownName{name};
    }
    if (hr != automation::kOk) {
        if (error.description.empty()) {
            error.description = automation::DescribeFailure(hr);
        }
        error.code = hr == automation::kException ? error.code : hr;
        throw automation::AutomationException(error);
    }
}

std::int32_t Session::Search() {
    std::int32_t commClass = 0;
    std::int32_t port = 0;
    const Variant found =
        CallChecked("AutoSelectCommunication",
                    {Variant::LongRef(&commClass), Variant::LongRef(&port), Variant::Long(1)});
    return found.ToLong().value_or(0) != 0 ? 1 : 0;
}

std::string Folded(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void InstallInterruptHandlers() {
    // Without SA_RESTART: the wait for the camera returns, and the exchange ends.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal() {
    return interruptSignal;
}

}  // namespace xkiv::tools
