// The user-interface services on Qt Widgets: message boxes, wait cursor, progress, event
// processing.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "platform/ui_services.h"

namespace xkiv::ui {

// What the camera and control code ask of the user interface, shown with
// Qt Widgets. Message boxes carry the application name as title, are wide
// enough to show it and open over the active window (the panel in use),
// else over the application's main window, which mainWindow names (it may
// answer null) and which a progress window disables while it lives.
class QtUiServices final : public UiServices {
public:
    QtUiServices(std::string applicationName, std::function<QWidget*()> mainWindow);

    std::unique_ptr<ProgressIndicator> CreateProgress() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void PumpMessages() override;

    // The text a message box shows: line ends as Qt draws them.
    static QString DisplayText(const std::string& text);

private:
    // The window a message box belongs to: the active window (the panel the
    // user works in), else the main window.
    QWidget* MessageOwner() const;

    std::string applicationName_;
    std::function<QWidget*()> mainWindow_;
};

}  // namespace xkiv::ui
