// One control for Python: connect, invoke by member, events, progress and close.
#include "python/camera_object.h"

#include <cstdlib>
#include <mutex>
#include <set>
#include <utility>

#include "comm/result_code.h"
#include "control/protocol_trace.h"
#include "control/type_library.h"
#include "platform/automation_help.h"
#include "python/member_text.h"
#include "python/values.h"

namespace xkiv::python {

using automation::AutomationError;
using automation::HResult;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::ParamType;
using automation::Variant;

namespace {

// Controls are made one at a time: a control takes its device list from
// the environment while it is made.
std::mutex& ConstructionLock() {
    static std::mutex lock;
    return lock;
}

[[noreturn]] void Raise(py::handle type, py::tuple args) {
    PyErr_SetObject(type.ptr(), args.ptr());
    throw py::error_already_set();
}

// Which AutomationError a failure raises, by the control's result code, and
// the keyword that carries its subject.
struct ErrorKind {
    ResultCode first;
    ResultCode last;
    py::handle ErrorClasses::*type;
    const char* subject;
};

constexpr ErrorKind kErrorKinds[] = {
    {rc::kPortNotFound, rc::kReadFailed, &ErrorClasses::cameraOffline, "device"},
    {rc::kWriteTimeout, rc::kReadTimeout, &ErrorClasses::timeout, nullptr},
    {rc::kTimeout, rc::kTimeout, &ErrorClasses::timeout, nullptr},
    {rc::kBadParameter, rc::kBadParameter, &ErrorClasses::refused, "property"},
    {rc::kFileAccess, rc::kUnmatchedFile, &ErrorClasses::fileError, "filename"},
};

py::object TextOrNone(const std::string& text) {
    return text.empty() ? py::object(py::none()) : py::object(DecodedText(text));
}

[[noreturn]] void RaiseAutomationError(HResult hr, const AutomationError& error) {
    const HResult code = hr == automation::kException ? error.code : hr;
    const std::string description =
        error.description.empty() ? automation::DescribeFailure(code) : error.description;
    py::handle type = Errors().automationError;
    py::dict extra;
    for (const ErrorKind& kind : kErrorKinds) {
        if (error.resultCode >= kind.first && error.resultCode <= kind.last) {
            type = Errors().*kind.type;
            if (kind.subject != nullptr) {
                extra[kind.subject] = TextOrNone(error.subject);
            }
            if (type.is(Errors().fileError)) {
                extra["errno"] = error.systemError != 0 ? py::object(py::int_(error.systemError))
                                                        : py::object(py::none());
            }
            break;
        }
    }
    const py::object raised = type(static_cast<std::uint32_t>(code), DecodedText(description),
                                   TextOrNone(error.detail), **extra);
    PyErr_SetObject(type.ptr(), raised.ptr());
    throw py::error_already_set();
}

std::string JoinedSuggestions(const std::vector<std::string>& names) {
    const std::string suggestion = automation::DidYouMean(names);
    return suggestion.empty() ? "" : "; " + suggestion;
}

// The cameras not yet closed, for the close at exit. Changed and read with
// the GIL held.
std::set<CameraObject*>& OpenCameras() {
    static std::set<CameraObject*> cameras;
    return cameras;
}

// Keeps a running call's count on its camera whatever way the call ends.
class BusyCount {
public:
    explicit BusyCount(int& count) : count_(++count) {}
    ~BusyCount() { --count_; }
    BusyCount(const BusyCount&) = delete;
    BusyCount& operator=(const BusyCount&) = delete;

private:
    int& count_;
};

}  // namespace

ErrorClasses& Errors() {
    static ErrorClasses errors;
    return errors;
}

std::map<automation::DispId, py::handle>& PropertyEnums() {
    static std::map<automation::DispId, py::handle> enums;
    return enums;
}

CameraObject::CameraObject(const ConnectOptions& options, py::object progress, py::object trace)
    : trace_(std::move(trace)), ui_(std::move(progress), pending_) {
    {
        py::gil_scoped_release released;
        const std::lock_guard construction(ConstructionLock());
        const std::lock_guard call(lock_);
        module_ = std::make_unique<CXKivRZ150LX>();
        module_->SetUiServices(&ui_);
        if (options.device) {
            // Its class then lists just this device, as xkivctl does.
            ::setenv("XKIV_SERIAL_PORTS", options.device->c_str(), 1);
        }
        control_ = std::make_unique<CXKivRZ150LXCtrl>(*module_);
        cookie_ = control_->Advise(*this);
        if (!trace_.is_none()) {
            control_->SetTrace([this](const std::string& line) { Trace(line); });
        }
    }
    try {
        Connect(options);
    } catch (...) {
        DestroyControl();
        throw;
    }
    OpenCameras().insert(this);
}

CameraObject::~CameraObject() {
    OpenCameras().erase(this);
    if (!closed_) {
        // Called while Python frees the object: whatever error is on its
        // way stays, and a warning turned into an error cannot be raised.
        const py::error_scope kept;
        if (PyErr_WarnEx(PyExc_ResourceWarning,
                         "unclosed xkiv.Camera: closed now, which writes its profile; use a "
                         "with block or close()",
                         1) != 0) {
            PyErr_WriteUnraisable(nullptr);
        }
    }
    // Nobody can catch a failure here: the console line says it.
    DestroyControl();
}

void CameraObject::CloseAllAtExit() {
    // A copy: closing takes each camera off the list.
    const std::set<CameraObject*> open = OpenCameras();
    for (CameraObject* camera : open) {
        if (PyErr_WarnEx(PyExc_ResourceWarning,
                         "xkiv.Camera still open at exit: closed now, which writes its profile",
                         1) != 0) {
            PyErr_WriteUnraisable(nullptr);
        }
        try {
            camera->Close(true);
        } catch (py::error_already_set& error) {
            error.discard_as_unraisable("closing an xkiv.Camera at exit");
        }
    }
}

template <typename Work>
CameraObject::ControlCall CameraObject::WithControl(Work&& work) {
    ControlCall done;
    py::gil_scoped_release released;
    const std::lock_guard call(lock_);
    if (!control_ || closeRequested_) {
        return done;
    }
    done.ran = true;
    {
        const BusyCount busy(busy_);
        work(*control_);
    }
    if (busy_ == 0 && closeRequested_) {
        done.closeFailures = DestroyLocked(true);
        done.closedAfter = true;
    }
    return done;
}

std::vector<std::string> CameraObject::DestroyLocked(bool collect) {
    // Whatever the control does while it goes (a trace line, a message)
    // finds the camera closing: a callback cannot start a call or a close.
    closeRequested_ = true;
    closed_ = true;
    ui_.Collect(collect);
    control_->Unadvise(cookie_);
    control_.reset();
    ui_.Collect(false);
    return ui_.TakeCollected();
}

void CameraObject::DestroyControl() {
    py::gil_scoped_release released;
    const std::lock_guard call(lock_);
    if (control_) {
        (void)DestroyLocked(false);
    }
}

void CameraObject::Connect(const ConnectOptions& options) {
    if (options.offline) {
        return;
    }
    if (options.search) {
        const py::tuple found =
            CallByName("AutoSelectCommunication", {py::none(), py::none(), py::int_(1)});
        if (found[0].cast<std::int32_t>() == 0) {
            Raise(Errors().cameraOffline,
                  py::make_tuple(static_cast<std::uint32_t>(automation::kDeviceIoError),
                                 "no camera found"));
        }
        return;
    }
    // Without a choice the port stored in the profile is opened.
    const bool stored = !options.device && !options.commClass && !options.port;
    const std::int32_t commClass = stored           ? GetLong("CommClass")
                                   : options.device ? CComm::ClassOfDevice(*options.device)
                                                    : options.commClass.value_or(0);
    const std::int32_t port = stored ? GetLong("CommPort") : options.port.value_or(0);
    CallByName("StartCommunication", {py::int_(commClass), py::int_(port)});
}

void CameraObject::Trace(const std::string& line) {
    py::gil_scoped_acquire gil;
    if (trace_.is_none()) {
        return;
    }
    try {
        if (PyCallable_Check(trace_.ptr())) {
            trace_(DecodedText(line));
        } else {
            trace_.attr("write")(DecodedText(line + "\n"));
        }
    } catch (py::error_already_set& error) {
        pending_.Keep(error);
    }
}

std::int32_t CameraObject::GetLong(const char* property) {
    return Get(*XKivTypeLibrary().dispatch->Find(property)).cast<std::int32_t>();
}

py::object CameraObject::CallByName(const char* method, const std::vector<py::object>& args) {
    return CallWith(*XKivTypeLibrary().dispatch->Find(method), args, false);
}

Variant CameraObject::Invoke(const MemberInfo& member, InvokeKind kind,
                             std::vector<Variant>& args) {
    Variant result;
    AutomationError error;
    HResult hr = automation::kOk;
    const ControlCall call = WithControl([&](CXKivRZ150LXCtrl& control) {
        hr = control.Invoke(member.dispid, kind, args, &result, &error);
    });
    if (!call.ran) {
        throw py::value_error("the camera is closed");
    }
    if (call.closedAfter) {
        OpenCameras().erase(this);
        // The call's own failure comes first; the close's goes with it as a
        // warning.
        ReportCloseFailures(call.closeFailures, pending_.Pending() || hr != automation::kOk);
    }
    pending_.RaiseIfAny();
    if (hr != automation::kOk) {
        RaiseAutomationError(hr, error);
    }
    return result;
}

py::object CameraObject::Get(const MemberInfo& property) {
    std::vector<Variant> none;
    py::object value = FromVariant(Invoke(property, InvokeKind::PropertyGet, none));
    const auto found = PropertyEnums().find(property.dispid);
    if (found == PropertyEnums().end()) {
        return value;
    }
    // A value without a name (another model's, a camera's surprise) stays an int.
    const py::object member = found->second.attr("_value2member_map_").attr("get")(value);
    return member.is_none() ? value : member;
}

std::vector<const MemberInfo*> CameraObject::SettingProperties() {
    std::vector<const MemberInfo*> properties;
    const ControlCall call = WithControl([&](CXKivRZ150LXCtrl& control) {
        // Row order is the order of a write of everything and of a settings
        // file; support follows the current values, as for those.
        for (int row = 0; row < kParameterCount; ++row) {
            const MemberInfo* member = XKivTypeLibrary().dispatch->Find(RowName(row));
            if (HasFlag(row, PF_PROFILE) && control.IsRowSupported(row) && member != nullptr &&
                member->kind == automation::MemberKind::Property && !member->readOnly) {
                properties.push_back(member);
            }
        }
    });
    if (!call.ran) {
        throw py::value_error("the camera is closed");
    }
    return properties;
}

py::dict CameraObject::Settings() {
    py::dict settings;
    for (const MemberInfo* property : SettingProperties()) {
        settings[py::str(property->name)] = Get(*property);
    }
    return settings;
}

void CameraObject::Apply(const py::dict& settings) {
    const std::vector<const MemberInfo*> properties = SettingProperties();
    std::map<std::string, const MemberInfo*, std::less<>> byName;
    for (const MemberInfo* property : properties) {
        byName.try_emplace(std::string(property->name), property);
    }
    std::vector<std::string> names;
    for (const auto& [key, value] : settings) {
        const std::string name = py::str(key);
        if (!byName.contains(name)) {
            std::vector<std::string> known;
            for (const MemberInfo* property : properties) {
                known.emplace_back(property->name);
            }
            throw py::key_error("no setting named " + name +
                                JoinedSuggestions(automation::ClosestNames(known, name)));
        }
    }
    for (const MemberInfo* property : properties) {
        const py::str name(property->name);
        if (settings.contains(name)) {
            Set(*property, settings[name]);
        }
    }
}

py::tuple CameraObject::Range(const std::string& name) {
    const automation::InterfaceInfo& dispatch = *XKivTypeLibrary().dispatch;
    const MemberInfo* property = dispatch.Find(name);
    if (property == nullptr || property->kind != automation::MemberKind::Property) {
        throw py::value_error("no property named " + name +
                              JoinedSuggestions(automation::ClosestNames(dispatch, name)));
    }
    std::optional<std::pair<std::int32_t, std::int32_t>> bounds;
    const ControlCall call = WithControl(
        [&](CXKivRZ150LXCtrl& control) { bounds = control.PropertyBounds(property->dispid); });
    if (!call.ran) {
        throw py::value_error("the camera is closed");
    }
    if (!bounds) {
        throw py::value_error(std::string(property->name) +
                              " has no range: a set does not clamp it");
    }
    return py::make_tuple(bounds->first, bounds->second);
}

void CameraObject::Set(const MemberInfo& property, py::handle value) {
    std::vector<Variant> args{ToVariant(value, property.type, nullptr, std::string(property.name))};
    Invoke(property, InvokeKind::PropertyPut, args);
}

py::object CameraObject::Call(const MemberInfo& method, const py::args& args,
                              const py::kwargs& kwargs) {
    const std::size_t count = method.params.size();
    if (args.size() > count) {
        throw py::type_error(std::string(method.name) + "() takes " + std::to_string(count) +
                             " arguments but " + std::to_string(args.size()) + " were given");
    }
    std::vector<py::object> values(count);
    for (std::size_t i = 0; i < args.size(); ++i) {
        values[i] = args[i];
    }
    bool raw = false;
    for (const auto& [key, value] : kwargs) {
        const std::string name = py::str(key);
        std::size_t index = 0;
        // The Python name, or the type library's as older scripts use it.
        while (index < count && method.params[index].name != name &&
               PythonParamName(method.params[index].name) != name) {
            ++index;
        }
        if (name == "raw" && method.returnsResultCode) {
            raw = PyObject_IsTrue(value.ptr()) == 1;
        } else if (index == count || values[index]) {
            throw py::type_error(std::string(method.name) + "() got " +
                                 (index == count ? "an unexpected" : "a second") + " argument '" +
                                 name + "'");
        } else {
            values[index] = py::reinterpret_borrow<py::object>(value);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!values[i]) {
            throw py::type_error(std::string(method.name) + "() is missing argument '" +
                                 PythonParamName(method.params[i].name) + "'");
        }
    }
    return CallWith(method, std::move(values), raw);
}

py::object CameraObject::CallWith(const MemberInfo& method, std::vector<py::object> values,
                                  bool raw) {
    // The referenced integers stay in place while the control writes them.
    std::vector<std::int32_t> refs(values.size(), 0);
    std::vector<Variant> args;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const automation::ParamInfo& param = method.params[i];
        args.push_back(ToVariant(values[i], param.type, &refs[i],
                                 std::string(method.name) + "() " + PythonParamName(param.name)));
    }
    const Variant result = Invoke(method, InvokeKind::Method, args);
    if (method.returnsResultCode && !raw) {
        const ResultCode code = result.ToLong().value_or(0);
        if (code != rc::kOk) {
            Raise(Errors().resultError, py::make_tuple(code, DecodedText(GetErrorText(code))));
        }
    }
    py::list returned;
    returned.append(FromVariant(result));
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (method.params[i].type == ParamType::LongRef) {
            returned.append(py::int_(refs[i]));
        }
    }
    if (returned.size() == 1) {
        return returned[0];
    }
    return py::tuple(returned);
}

const MemberInfo& CameraObject::EventNamed(const std::string& event) const {
    const automation::InterfaceInfo& events = *XKivTypeLibrary().events;
    const MemberInfo* member = events.Find(event);
    if (!member) {
        throw py::value_error("no event named " + event +
                              JoinedSuggestions(automation::ClosestNames(events, event)));
    }
    return *member;
}

void CameraObject::On(const std::string& event, py::object callback) {
    if (!PyCallable_Check(callback.ptr())) {
        throw py::type_error("the callback of " + event + " is not callable");
    }
    const automation::DispId dispid = EventNamed(event).dispid;
    callbacks_[dispid].push_back(std::move(callback));
    UpdateHooked(dispid);
}

void CameraObject::Off(const std::string& event, py::object callback) {
    const automation::DispId dispid = EventNamed(event).dispid;
    std::vector<py::object>& list = callbacks_[dispid];
    if (callback.is_none()) {
        list.clear();
        UpdateHooked(dispid);
        return;
    }
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->equal(callback)) {
            list.erase(it);
            UpdateHooked(dispid);
            return;
        }
    }
    throw py::value_error("that callback is not connected to " + event);
}

void CameraObject::UpdateHooked(automation::DispId dispid) {
    if (dispid >= 0 && static_cast<std::size_t>(dispid) < kEventSlots) {
        hooked_[static_cast<std::size_t>(dispid)].store(!callbacks_[dispid].empty(),
                                                        std::memory_order_relaxed);
    }
}

bool CameraObject::MayHaveCallbacks(automation::DispId dispid) const {
    return dispid < 0 || static_cast<std::size_t>(dispid) >= kEventSlots ||
           hooked_[static_cast<std::size_t>(dispid)].load(std::memory_order_relaxed);
}

void CameraObject::OnEvent(automation::DispId dispid) {
    if (!MayHaveCallbacks(dispid)) {
        return;
    }
    py::gil_scoped_acquire gil;
    const auto found = callbacks_.find(dispid);
    if (found == callbacks_.end()) {
        return;
    }
    // A copy: a callback may connect or disconnect callbacks.
    const std::vector<py::object> callbacks = found->second;
    for (const py::object& callback : callbacks) {
        try {
            callback();
        } catch (py::error_already_set& error) {
            pending_.Keep(error);
        }
    }
}

void CameraObject::Close(bool warnOnly) {
    bool destroyed = false;
    std::vector<std::string> failures;
    {
        py::gil_scoped_release released;
        const std::lock_guard call(lock_);
        if (control_ && !closeRequested_) {
            if (busy_ > 0) {
                // A callback of a call on this camera: the call still uses
                // the control, which goes when the call returns.
                closeRequested_ = true;
                closed_ = true;
            } else {
                failures = DestroyLocked(true);
                destroyed = true;
            }
        }
    }
    if (!destroyed) {
        return;
    }
    OpenCameras().erase(this);
    pending_.RaiseIfAny();
    ReportCloseFailures(failures, warnOnly);
}

void CameraObject::ReportCloseFailures(const std::vector<std::string>& failures, bool warnOnly) {
    if (failures.empty()) {
        return;
    }
    std::string text;
    for (const std::string& failure : failures) {
        text += (text.empty() ? "" : "; ") + failure;
    }
    if (warnOnly) {
        if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 1) != 0) {
            throw py::error_already_set();
        }
        return;
    }
    Raise(Errors().profileError, py::make_tuple(DecodedText(text)));
}

int CameraObject::Traverse(visitproc visit, void* arg) const {
    Py_VISIT(trace_.ptr());
    Py_VISIT(ui_.ProgressCallback().ptr());
    for (const auto& [dispid, callbacks] : callbacks_) {
        for (const py::object& callback : callbacks) {
            Py_VISIT(callback.ptr());
        }
    }
    return 0;
}

void CameraObject::Clear() {
    // Called on a camera no longer reachable, so on no call in progress.
    trace_ = py::none();
    ui_.DropProgressCallback();
    for (auto& [dispid, callbacks] : callbacks_) {
        callbacks.clear();
        UpdateHooked(dispid);
    }
}

}  // namespace xkiv::python
