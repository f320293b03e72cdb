// The control of one xkivctl run.
#include "tools/session.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "camera/parameter_table.h"
#include "platform/automation_help.h"
#include "platform/hot_path.h"
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

// text with every character that does not belong in a file name (a path
// separator, a colon, a space) made '_', runs of them made one, none at the
// ends; a text of dots alone would climb up the folders and becomes '_'.
std::string FileNamePart(const std::string& text) {
    std::string part;
    for (const char c : text) {
        const bool kept = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
        if (kept) {
            part += c;
        } else if (!part.empty() && part.back() != '_') {
            part += '_';
        }
    }
    while (!part.empty() && part.back() == '_') {
        part.pop_back();
    }
    if (part.find_first_not_of('.') == std::string::npos) {
        return "_";
    }
    return part;
}

void ReplaceAll(std::string& text, const std::string& field, const std::string& value) {
    for (std::size_t at = text.find(field); at != std::string::npos;
         at = text.find(field, at + value.size())) {
        text.replace(at, field.size(), value);
    }
}

automation::AutomationException FileError(const std::string& description) {
    return automation::AutomationException({automation::kPathFileAccessError, description, 0});
}

std::string EventName(const automation::InterfaceInfo& events, automation::DispId dispid) {
    const MemberInfo* member = events.Find(dispid);
    return member ? std::string(member->name) : "Event" + std::to_string(dispid);
}

}  // namespace

std::string FileClaims::Claim(const std::string& path, const std::string& device) {
    std::error_code error;
    const std::string key = std::filesystem::absolute(path, error).lexically_normal().string();
    const std::lock_guard lock(mutex_);
    const auto [owner, claimed] = owners_.try_emplace(key, device);
    return claimed ? std::string() : owner->second;
}

XKIV_HOT void EventRecorder::OnEvent(automation::DispId dispid) {
    fired_.push_back(dispid);
    if (print_ != nullptr) {
        std::fprintf(print_, "event: %s\n", EventName(events_, dispid).c_str());
    }
}

std::vector<std::string> EventRecorder::Take() {
    std::vector<std::string> names;
    names.reserve(fired_.size());
    for (const automation::DispId dispid : fired_) {
        names.push_back(EventName(events_, dispid));
    }
    fired_.clear();
    return names;
}

Session::Session(const Options& options, std::string device, Console console, FileClaims* claims)
    : options_(options),
      device_(std::move(device)),
      console_(console),
      claims_(claims),
      ownModule_(claims != nullptr ? std::make_unique<CXKivRZ150LX>() : nullptr),
      module_(ownModule_ ? *ownModule_ : TheModule()),
      ui_("xkivctl", console.err) {
    if (ownModule_) {
        // The profile keeps the values of one camera: several cameras at
        // once would overwrite each other's in an order nobody chose.
        module_.Profile().KeepInMemory();
    }
    module_.SetUiServices(&ui_);
    if (!device_.empty()) {
        // Its class then lists just this device; it is read here, while the
        // control is made.
        ::setenv("XKIV_SERIAL_PORTS", device_.c_str(), 1);
    }
    control_ = std::make_unique<CXKivRZ150LXCtrl>(module_);
    recorder_ = std::make_unique<EventRecorder>(
        *control_->TypeLibrary().events, options.events && !options.json ? console.err : nullptr);
    control_->Advise(*recorder_);
    if (options.trace) {
        // As it happens and on stderr, so that --json output stays clean.
        control_->SetTrace([err = console.err](const std::string& line) {
            std::fprintf(err, "%s\n", line.c_str());
        });
    }
}

Session::~Session() {
    control_.reset();
    module_.SetUiServices(nullptr);
}

std::string Session::FileName(const std::string& pattern, bool written) {
    std::string name = pattern;
    if (name.find("{id}") != std::string::npos) {
        const std::string& id = control_->Text(row::ID);
        if (id.empty()) {
            throw FileError("the camera ID is empty: {id} cannot name the file " + pattern);
        }
        ReplaceAll(name, "{id}", FileNamePart(id));
    }
    const std::string port = device_.empty()
                                 ? control_->GetPortName(control_->GetClass(), control_->GetPort())
                                 : device_;
    ReplaceAll(name, "{device}", FileNamePart(port));
    if (written && claims_ != nullptr) {
        if (const std::string owner = claims_->Claim(name, device_); !owner.empty()) {
            throw FileError(name + " is written for " + owner +
                            " already; put {device} into the file name");
        }
    }
    return name;
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
    // The device of --device is its class's only port.
    const bool stored = device_.empty() && !options_.commClass && !options_.port;
    const std::int32_t commClass = stored            ? GetLong("CommClass")
                                   : device_.empty() ? options_.commClass.value_or(0)
                                                     : CComm::ClassOfDevice(device_);
    const std::int32_t port = stored ? GetLong("CommPort") : options_.port.value_or(0);
    CallChecked("StartCommunication", {Variant::Long(commClass), Variant::Long(port)});
}

std::int32_t Session::GetLong(std::string_view property) {
    std::vector<Variant> none;
    Variant value;
    Invoke(property, InvokeKind::PropertyGet, none, &value);
    return value.ToLong().value_or(0);
}

Variant Session::CallChecked(std::string_view method, std::vector<Variant> args) {
    Variant result;
    Invoke(method, InvokeKind::Method, args, &result);
    return result;
}

void Session::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args,
                     Variant* result) {
    AutomationError error;
    const automation::HResult hr = control_->InvokeByName(name, kind, args, result, &error);
    if (hr == automation::kUnknownName) {
        throw UnknownName{std::string(name)};
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
