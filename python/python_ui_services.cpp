// Progress callbacks and console messages for the Python module.
#include "python/python_ui_services.h"

#include <utility>

#include "python/values.h"

namespace xkiv::python {

namespace {

class CallbackProgress final : public ProgressIndicator {
public:
    CallbackProgress(py::object& callback, PendingError& pending)
        : callback_(callback), pending_(pending) {}

    // The text comes before the range: it is reported with the next step.
    void SetInfoText(const std::string& text) override { text_ = text; }
    void SetRange(int lower, int upper) override {
        lower_ = lower;
        upper_ = upper;
        position_ = lower;
        Report();
    }
    void SetPosition(int position) override {
        position_ = position;
        Report();
    }
    void StepIt() override {
        ++position_;
        Report();
    }
    void ShowCancelButton() override {}
    void SetPumpMessages(bool) override {}
    bool CancelRequested() const override { return cancel_; }

private:
    // Called with the GIL released: the control works without it.
    void Report() {
        py::gil_scoped_acquire gil;
        if (pending_.Pending()) {
            return;
        }
        try {
            const py::object answer =
                callback_(position_ - lower_, upper_ - lower_, DecodedText(text_));
            cancel_ = cancel_ || answer.is(py::bool_(false));
        } catch (py::error_already_set& error) {
            pending_.Keep(error);
            cancel_ = true;
        }
    }

    py::object& callback_;
    PendingError& pending_;
    std::string text_;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    bool cancel_ = false;
};

}  // namespace

void PendingError::Keep(py::error_already_set& error) {
    if (!error_) {
        error_.emplace(std::move(error));
    }
}

void PendingError::RaiseIfAny() {
    if (error_) {
        py::error_already_set error = std::move(*error_);
        error_.reset();
        throw error;
    }
}

PythonUiServices::PythonUiServices(py::object progress, PendingError& pending)
    : progress_(std::move(progress)), pending_(pending) {}

PythonUiServices::~PythonUiServices() = default;

std::unique_ptr<ProgressIndicator> PythonUiServices::CreateProgress() {
    if (progress_.is_none()) {
        return console_.CreateProgress();
    }
    return std::make_unique<CallbackProgress>(progress_, pending_);
}

void PythonUiServices::ShowMessage(const std::string& text, MessageIcon icon) {
    if (collecting_) {
        collected_.push_back(text);
        return;
    }
    console_.ShowMessage(text, icon);
}

}  // namespace xkiv::python
