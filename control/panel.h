// What the control requires of each of its panels, and the factory that makes them.
#pragma once

#include <memory>
#include <string>

namespace xkiv {

class CXKivRZ150LXCtrl;

// Panel numbers, also the indices of ShowPanel and the show flags.
inline constexpr int kPanelMain = 0;
inline constexpr int kPanelAbout = 1;
inline constexpr int kPanelCommunication = 2;
inline constexpr int kPanelControl = 3;
inline constexpr int kPanelCount = 4;

// Show commands of ShowPanel.
inline constexpr int kShowPanel = 5;
inline constexpr int kHidePanel = 0;

// A panel of the control. The user interface provides the classes; the
// control creates them through the module's PanelFactory and relays every
// camera notification to them in panel order.
class Panel {
public:
    virtual ~Panel() = default;
    // Creates the panel's window; parentWindow is the control's window for
    // the main panel and the main panel's window for the others.
    virtual bool Create(int panelNumber, int templateId, void* parentWindow,
                        CXKivRZ150LXCtrl& control, const std::string& name, bool isMain) = 0;
    virtual void ShowPanel(int panelNumber, int showCommand) = 0;
    virtual bool HasWindow() const = 0;
    virtual void DestroyWindow() = 0;
    virtual void* Window() = 0;
    // Places the panel's window inside its parent (the control's drawing
    // bounds for the main panel).
    virtual void MoveWindow(int /*left*/, int /*top*/, int /*width*/, int /*height*/) {}

    virtual void OnlineChanged(bool online) = 0;
    virtual void SynchronizedChanged(bool synchronized) = 0;
    virtual void SendingChanged(bool sending, bool immediate) = 0;
    virtual void ReceivingChanged(bool receiving, bool immediate) = 0;
    virtual void CommPortChanged() = 0;
    virtual void ValueChanged(int row, bool refresh, bool fromControl) = 0;
    virtual void LogMessage(const std::string& text, bool received) = 0;
};

// Makes the panel of a given number; installed in the module by the user
// interface. A process without windows installs none and gets no panels.
class PanelFactory {
public:
    virtual ~PanelFactory() = default;
    virtual std::unique_ptr<Panel> CreatePanel(int panelNumber) = 0;
    // Opens the control's property pages in a frame for the user; false when
    // the process has no windows.
    virtual bool ShowPropertyPages(CXKivRZ150LXCtrl& /*control*/) { return false; }
};

}  // namespace xkiv
