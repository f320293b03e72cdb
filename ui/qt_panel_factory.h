// The Qt panel factory: the control's panels as Qt widgets behind the control's Panel interface.
#pragma once

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "control/panel.h"
#include "ui/accessibility.h"
#include "ui/dialog_base.h"

namespace xkiv::ui {

// Makes the widget of one panel, without a parent; Create places it.
using PanelMaker = std::function<CDialogAbstractOCX*()>;

// One panel as the control sees it. Owns its widget unless Qt has deleted it
// already with its parent (the main panel owns the other three windows, and
// the host's window owns the main panel): the widget is held by QPointer.
// Notifications reach the widget only while it exists.
class QtPanel final : public Panel {
public:
    explicit QtPanel(CDialogAbstractOCX* widget);
    ~QtPanel() override;

    bool Create(int panelNumber, int templateId, void* parentWindow, CXKivRZ150LXCtrl& control,
                const std::string& name, bool isMain) override;
    void ShowPanel(int panelNumber, int showCommand) override;
    bool HasWindow() const override;
    // Saves the position, then deletes the widget.
    void DestroyWindow() override;
    // The widget as a QWidget*.
    void* Window() override;
    void MoveWindow(int left, int top, int width, int height) override;

    void OnlineChanged(bool online) override;
    void SynchronizedChanged(bool synchronized) override;
    void SendingChanged(bool sending, bool immediate) override;
    void ReceivingChanged(bool receiving, bool immediate) override;
    void CommPortChanged() override;
    void ValueChanged(int row, bool refresh, bool fromControl) override;
    void LogMessage(const std::string& text, bool received) override;

    CDialogAbstractOCX* Widget() const { return widget_; }

private:
    QPointer<CDialogAbstractOCX> widget_;
    bool created_ = false;
};

// Makes the four panels. Each number has its maker in the factory's table
// (qt_panel_factory.cpp): 0 CDialogMain, 1 CDialogAbout, 2 CDialogComm and
// 3 the Camera Control dialog. Panel 3 plugs in there (or through
// SetPanelMaker); until its dialog exists a placeholder window stands in.
class QtPanelFactory final : public PanelFactory {
public:
    QtPanelFactory();

    std::unique_ptr<Panel> CreatePanel(int panelNumber) override;
    void SetPanelMaker(int panelNumber, PanelMaker maker);
    // Runs the property frame over the main window.
    bool ShowPropertyPages(CXKivRZ150LXCtrl& control) override;

    // The main panel made last, while its widget exists (else null).
    CDialogAbstractOCX* MainPanel() const { return mainPanel_; }
    // The top-level window that holds the main panel: the application's main
    // window for progress and message boxes. Null without a main panel.
    QWidget* MainWindow() const;

private:
    AccessibilityFactory accessibility_;
    std::array<PanelMaker, kPanelCount> makers_;
    QPointer<CDialogAbstractOCX> mainPanel_;
};

}  // namespace xkiv::ui
