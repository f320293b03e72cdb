// What camera and control code ask of the user interface: progress, messages, wait cursor.
#pragma once

#include <memory>
#include <string>

#include "platform/function_ref.h"
#include "platform/hot_path.h"

namespace xkiv {

// The progress window of one long operation. Callers follow one protocol:
// create it (no other window takes input while it lives), set the
// information text, set the range 0..steps, call StepIt() once per item; a
// caller that lets the user cancel also turns on message pumping, shows the
// Cancel button and stops when CancelRequested() turns true. Destroying it
// gives the other windows back, on every path.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;
    virtual void SetInfoText(const std::string& text) = 0;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPosition(int position) = 0;
    // Advances by one and, while pumping is on, processes waiting events.
    virtual void StepIt() = 0;
    virtual void ShowCancelButton() = 0;
    virtual void SetPumpMessages(bool pump) = 0;
    virtual bool CancelRequested() const = 0;
};

// Whether the user cancelled the operation that progress shows; false
// without a progress window.
inline bool Cancelled(const std::unique_ptr<ProgressIndicator>& progress) {
    return progress != nullptr && progress->CancelRequested();
}

enum class MessageIcon { Information, Warning, Stop, Question };

// The user-interface services of the module: a window implementation in the
// user interface, a console one for the command line, a recording one in the
// tests, and a silent one for headless use.
class UiServices {
public:
    virtual ~UiServices() = default;
    virtual std::unique_ptr<ProgressIndicator> CreateProgress() = 0;
    // A message box titled with the application name.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Processes the window events that are waiting, then returns.
    virtual void PumpMessages() = 0;
    // Runs a blocking call (transport I/O, a sleep) so that the user
    // interface stays alive meanwhile: windows paint and answer the window
    // system, and only a progress window takes input. Returns when the call
    // has ended. The call must touch no window and fire no notification.
    // By default it runs at once in the calling thread.
    XKIV_HOT virtual void RunBlocking(FunctionRef<void()> call) { call(); }
};

// Services that show nothing: for processes without a user.
UiServices& SilentUiServices();

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(UiServices& services) : services_(services) { services_.BeginWaitCursor(); }
    ~WaitCursor() { services_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UiServices& services_;
};

// The progress window's title: caption and the share done, " (%5.1f%%)",
// computed in single precision as the window shows it: "In Progress ( 50.0%)".
std::string FormatProgressTitle(const std::string& caption, int lower, int upper, int position);

}  // namespace xkiv
