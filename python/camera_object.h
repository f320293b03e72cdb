// The object behind xkiv.Camera: one control, its members invoked with the GIL released, its events
// and progress.
#pragma once

#include <pybind11/pybind11.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "control/control.h"
#include "python/python_ui_services.h"

namespace xkiv::python {

namespace py = pybind11;

// How a camera connects when it is created, as xkivctl's options do.
struct ConnectOptions {
    std::optional<std::string> device;  // the serial class's only port
    std::optional<std::int32_t> commClass;
    std::optional<std::int32_t> port;
    bool search = false;   // look on every port
    bool offline = false;  // open nothing
};

// Owns one headless control on a module object of its own (its profile
// and user-interface services), so that cameras share no state: calls into
// different cameras run at the same time, each without the GIL. Calls into
// one camera hold its lock (the control is single-threaded; recursive, as an
// event callback may call back into the camera). Callbacks take the GIL
// back, and an exception they raise is raised when the call returns.
// Destroying the control writes what it changed into the profile, merged
// with the file as it is then: of two cameras that changed the same key,
// the one closed last wins.
//
// The control is reached only under the camera's lock, so a close() from
// another thread waits for the call in progress and a call that comes after
// it finds the camera closed (ValueError). A close() from a callback, which
// runs inside a call on this camera, lets that call finish and destroys the
// control when the outermost call returns. Cameras still open when the
// interpreter exits are closed then, and a camera collected unclosed warns
// (ResourceWarning) and is closed: the profile is written whatever its
// callbacks hold, and the garbage collector sees those callbacks (Traverse,
// Clear), so a callback that refers back to its camera is no leak.
class CameraObject final : public automation::EventSink {
public:
    // Creates the control and connects; raises AutomationError or
    // ResultError when the camera cannot be reached.
    // trace, when not None, receives every line that crosses the link, time
    // stamped and decoded: a callable is called with the line, anything
    // else is given the line and a newline through its write method.
    CameraObject(const ConnectOptions& options, py::object progress, py::object trace);
    ~CameraObject() override;
    CameraObject(const CameraObject&) = delete;
    CameraObject& operator=(const CameraObject&) = delete;

    py::object Get(const automation::MemberInfo& property);
    void Set(const automation::MemberInfo& property, py::handle value);
    // Positional or keyword arguments by parameter name; raw=True returns a
    // failing result code instead of raising ResultError.
    py::object Call(const automation::MemberInfo& method, const py::args& args,
                    const py::kwargs& kwargs);

    // The bounds a set of the named property clamps into now, as (min, max);
    // ValueError for a name that is no property or a property without bounds.
    py::tuple Range(const std::string& name);

    // Every setting a settings file keeps that the camera supports now and
    // a writable property holds, by property name, in the order a write of
    // everything sends them; list values as their enums.
    py::dict Settings();
    // Sets the mapping's properties in that order, each clamped as a set of
    // the property is. A name that is no such setting raises KeyError before
    // anything is set.
    void Apply(const py::dict& settings);

    // Event callbacks by event name (ValueError for an unknown one); off
    // without a callback removes every callback of the event.
    void On(const std::string& event, py::object callback);
    void Off(const std::string& event, py::object callback);

    // Destroys the control, which writes the profile. A profile that cannot
    // be written raises ProfileError, or warns when warnOnly (an exception
    // is already on its way). Inside a call on this camera (from one of its
    // callbacks) the control is destroyed when that call returns, which then
    // raises ProfileError (or warns) instead.
    void Close(bool warnOnly);
    // True once close() has run or been asked for.
    bool Closed() const { return closed_.load(); }

    // Closes every camera still open, warning (ResourceWarning) for each:
    // the interpreter is exiting.
    static void CloseAllAtExit();

    // The garbage collector's view of the Python objects the camera holds.
    int Traverse(visitproc visit, void* arg) const;
    void Clear();

    void OnEvent(automation::DispId dispid) override;

private:
    // What WithControl did.
    struct ControlCall {
        bool ran = false;                        // the camera was open
        std::vector<std::string> closeFailures;  // of a close done after the call
        bool closedAfter = false;
    };

    void Connect(const ConnectOptions& options);
    void Trace(const std::string& line);
    // Runs work on the control with the GIL released and the control lock
    // held; does not run it when the camera is closed or closing. The
    // outermost call on a camera whose close was asked for meanwhile
    // destroys the control after the work.
    template <typename Work>
    ControlCall WithControl(Work&& work);
    // Destroys the control; the lock is held and the GIL released. With
    // collect, the control's messages (a profile that cannot be written) are
    // returned instead of shown.
    std::vector<std::string> DestroyLocked(bool collect);
    // Destroys the control, if any, with its messages on the console.
    void DestroyControl();
    // Raises ProfileError for the messages of a close, or warns (warnOnly).
    static void ReportCloseFailures(const std::vector<std::string>& failures, bool warnOnly);
    std::int32_t GetLong(const char* property);
    py::object CallByName(const char* method, const std::vector<py::object>& args);
    // Invokes with the GIL released; raises a callback's pending error first,
    // then the automation error of a failed invoke, then the failure of a
    // close asked for during the call.
    automation::Variant Invoke(const automation::MemberInfo& member, automation::InvokeKind kind,
                               std::vector<automation::Variant>& args);
    py::object CallWith(const automation::MemberInfo& method, std::vector<py::object> values,
                        bool raw);
    const automation::MemberInfo& EventNamed(const std::string& event) const;
    // The properties of Settings, in their order.
    std::vector<const automation::MemberInfo*> SettingProperties();

    PendingError pending_;
    py::object trace_;
    PythonUiServices ui_;
    std::recursive_mutex lock_;
    std::unique_ptr<CXKivRZ150LX> module_;
    // Under lock_.
    std::unique_ptr<CXKivRZ150LXCtrl> control_;
    int busy_ = 0;                 // calls on this camera in progress
    bool closeRequested_ = false;  // destroy when the outermost call ends
    std::atomic<bool> closed_{false};
    std::uint32_t cookie_ = 0;
    std::map<automation::DispId, std::vector<py::object>> callbacks_;
    // Whether an event has callbacks, readable without the GIL: the control
    // fires several events per exchange, and only those with callbacks need
    // the interpreter. Dispids beyond the array always take the GIL.
    static constexpr std::size_t kEventSlots = 128;
    std::array<std::atomic<bool>, kEventSlots> hooked_{};
    void UpdateHooked(automation::DispId dispid);
    bool MayHaveCallbacks(automation::DispId dispid) const;
};

// The exception classes the module defines, set once at import; the module
// keeps them alive.
struct ErrorClasses {
    py::handle automationError;
    py::handle resultError;
    py::handle profileError;
    // The kinds of AutomationError a caller can catch apart.
    py::handle fileError;
    py::handle cameraOffline;
    py::handle timeout;
    py::handle refused;
};
ErrorClasses& Errors();

// The enum.IntEnum class of each list property, by dispid, made once at
// import; the module keeps them alive.
std::map<automation::DispId, py::handle>& PropertyEnums();

}  // namespace xkiv::python
