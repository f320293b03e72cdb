// The user-interface services on Qt Widgets: message boxes, wait cursor, progress, event
// processing.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui_services.h"

namespace xkiv::ui {

class BlockingWorker;

// What the camera and control code ask of the user interface, shown with
// Qt Widgets. Message boxes carry the application name as title, are wide
// enough to show it and open over the panel in use, else over the
// application's main window, which mainWindow names (it may answer null).
// A progress window stands over the panel in use and is application-modal
// while it lives. Blocking calls run on one worker thread while the
// user-interface thread keeps serving its windows.
class QtUiServices final : public UiServices {
public:
    QtUiServices(std::string applicationName, std::function<QWidget*()> mainWindow);
    ~QtUiServices() override;

    std::unique_ptr<ProgressIndicator> CreateProgress() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void PumpMessages() override;
    // On the user-interface thread: the call runs on the worker thread while
    // a local event loop serves paints, timers and the window system; user
    // input is served only while a progress window is up (its modality
    // keeps it to that window), so no second operation can start. Called
    // again while waiting, or from another thread, the call runs at once
    // in the calling thread, after the worker's call has ended.
    void RunBlocking(FunctionRef<void()> call) override;

    // The text a message box shows: line ends as Qt draws them.
    static QString DisplayText(const std::string& text);

private:
    // The active window when it is one of this control's, else the main
    // window: message boxes and progress windows open over it.
    QWidget* PanelInUse() const;

    std::string applicationName_;
    std::function<QWidget*()> mainWindow_;
    std::unique_ptr<BlockingWorker> worker_;
    bool waiting_ = false;
};

}  // namespace xkiv::ui
