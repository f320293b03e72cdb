// The user-interface services of a Python camera: progress to a callback or the console, messages
// to stderr.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/console_ui.h"
#include "platform/ui_services.h"

namespace xkiv::python {

namespace py = pybind11;

// An exception raised by a Python callback while the control was working,
// kept until the call into the control returns and then raised there: it
// must not unwind through the control.
class PendingError {
public:
    // Keeps the Python error being handled unless one is kept already.
    // Needs the GIL.
    void Keep(py::error_already_set& error);
    bool Pending() const { return error_.has_value(); }
    // Raises the kept error (throws); does nothing without one.
    void RaiseIfAny();

private:
    std::optional<py::error_already_set> error_;
};

// Progress goes to progress(position, total, text) when a callable is given
// (position counted from 0, called when the range is set and on every step;
// returning False or raising cancels a cancellable operation), otherwise to
// the console bar on stderr as xkivctl shows it. Messages are console lines
// on stderr, or collected while Collect() is on.
class PythonUiServices final : public UiServices {
public:
    PythonUiServices(py::object progress, PendingError& pending);
    ~PythonUiServices() override;
    PythonUiServices(const PythonUiServices&) = delete;
    PythonUiServices& operator=(const PythonUiServices&) = delete;

    std::unique_ptr<ProgressIndicator> CreateProgress() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void PumpMessages() override {}

    // The progress callback, for the garbage collector; dropping it leaves
    // the console bar.
    const py::object& ProgressCallback() const { return progress_; }
    void DropProgressCallback() { progress_ = py::none(); }

    void Collect(bool on) { collecting_ = on; }
    std::vector<std::string> TakeCollected() { return std::exchange(collected_, {}); }

private:
    ConsoleUiServices console_{"xkiv"};
    py::object progress_;
    PendingError& pending_;
    bool collecting_ = false;
    std::vector<std::string> collected_;
};

}  // namespace xkiv::python
