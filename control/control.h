// CXKivRZ150LXCtrl: the automation control, which is also the camera object.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "control/module.h"
#include "control/panel.h"
#include "platform/component_control.h"

namespace xkiv {

class ControlMethods;
struct PropertyEntry;

// One control instance is one camera: it derives from the container-facing
// control base and from CCamera. Properties and methods of its dispatch
// interface read and change the camera object; every notification of the
// camera object fires the matching event and reaches the panels in panel
// order. Failures become automation errors only through RaiseCameraError.
class CXKivRZ150LXCtrl : public automation::ComponentControl, public CCamera {
public:
    // Reads the camera's last values, the port selection and the panels'
    // show flags from the module's profile. Opens nothing.
    explicit CXKivRZ150LXCtrl(CXKivRZ150LX& module = TheModule());
    // Writes the show flags, closes the port and saves the camera's values.
    ~CXKivRZ150LXCtrl() override;

    const automation::TypeLibraryInfo& TypeLibrary() const override;

    // Opens the stored port and identifies the camera (a message box says
    // when that fails; the control goes on offline), then creates the panels.
    bool CreateControlWindow(automation::ControlSite& site) override;
    void DestroyControlWindow() override;
    // Places the main panel over bounds; without one (no window yet) draws
    // the design-time picture.
    void Draw(automation::DrawingSurface& surface, const automation::Bounds& bounds) override;
    automation::Bounds InitialSize() const override;
    std::vector<automation::Verb> Verbs() const override;
    bool DoVerb(automation::Verb verb) override;
    std::vector<automation::Guid> PropertyPages() const override;
    bool HasWindow() const { return windowCreated_; }

    // Closes what is open, selects and opens the port, identifies the camera
    // and reads the model name once more; every step notifies, so the
    // events fire. The result code of the attempt.
    [[nodiscard]] ResultCode OpenCommunication(int commClass, int port);
    // Removes a network port (the Communication panel offers it); the
    // camera goes offline when the port is the one it is connected on.
    // Codes as CComm::RemoveNetworkPort.
    [[nodiscard]] ResultCode RemoveNetworkPort(int index);
    // Passes every line that crosses the link to sink as it crosses, quiet
    // exchanges included: one complete line without its newline, as time
    // stamp, direction, the line and its meaning (see DescribeTraffic). An
    // empty sink turns the trace off; without one tracing costs nothing.
    void SetTrace(std::function<void(const std::string& line)> sink);
    // Raises the automation error for a failing result code (throws
    // automation::AutomationException); returns normally for 0, 100 and 110
    // (cancelled by the user).
    // partlyApplied adds to the description that the camera took part of
    // what was being applied before it failed. Beside the published code
    // and text the error carries the result code, the device, file or
    // property at fault, the system's error number and the detail line
    // (FailureDetail) a user reads of them.
    void RaiseCameraError(int row, ResultCode code, bool partlyApplied = false);
    // Creates the panels that do not exist yet through the module's panel
    // factory (none without one).
    void CreatePanels();

    CXKivRZ150LX& Module() { return module_; }
    ControlMethods& Methods() { return *methods_; }
    // The panel of the given number, or null.
    Panel* GetPanel(int panelNumber);
    // 1 when the panel is to be shown, 0 when hidden.
    std::int32_t ShowFlag(int panelNumber) const;
    // The panel family of the Show... properties: store, ShowPanel on the
    // panel and on the main panel, mark modified.
    void SetShowFlag(int panelNumber, bool shown);

    bool IsModelRZ150LX_HR() const;
    bool IsModelRZ130LX_FS() const;

    // Property access by dispid (the dispatch table's gets and sets). A set
    // may raise through RaiseCameraError; a set of a read-only property
    // raises 0x800A017F.
    automation::Variant GetProperty(automation::DispId dispid);
    // The bounds a set of the property clamps into under the current values
    // (the model's, the firmware's, the other settings'), or nullopt for a
    // property a set does not clamp (texts, flags, the port selection).
    std::optional<std::pair<std::int32_t, std::int32_t>> PropertyBounds(
        automation::DispId dispid) const;
    void SetProperty(automation::DispId dispid, const automation::Variant& value);

    // The camera object's notifications: base behaviour, then the event,
    // then the panels.
    void OnlineChanged(bool online) override;
    void SynchronizedChanged(bool synchronized) override;
    void SendingChanged(bool sending) override;
    void ReceivingChanged(bool receiving) override;
    void CommPortChanged() override;
    void ValueChanged(int row, bool refresh) override;
    void LogMessage(const std::string& text, bool sent) override;

protected:
    // A text put to a numbered property: the property, the text and the
    // values it takes.
    std::string DescribeRefusedValue(const automation::MemberInfo& member,
                                     const automation::Variant& value) override;
    automation::Variant InvokeMember(const automation::MemberInfo& member,
                                     automation::InvokeKind kind,
                                     std::vector<automation::Variant>& args) override;

private:
    void SetByFamily(const PropertyEntry& entry, const automation::Variant& value);
    // The clamping families (list, rule, fixed, left side, aberration
    // detail, local): clamp, store, write unless local or unsupported,
    // report, raise, mark modified, then the entry's follow-up.
    void SetClamped(const PropertyEntry& entry, std::int32_t value);
    std::int32_t ClampForFamily(const PropertyEntry& entry, std::int32_t value) const;
    void SetFromText(const PropertyEntry& entry, const std::string& text);
    void SetFromPosition(const PropertyEntry& entry, std::int32_t position);
    void SetUserIdProperty(const std::string& text);
    void RunFollowUp(const PropertyEntry& entry);
    void ReadAndReport(int row);  // follow-up read: online only, no disconnect
    // The row's value as a user reads it: 2 (PWC), "text".
    std::string CurrentValueText(int row) const;
    // Calls fn on every existing panel in panel order.
    template <typename Fn>
    void ForEachPanel(Fn fn);
    void DestroyPanels();

    CXKivRZ150LX& module_;
    std::array<std::unique_ptr<Panel>, kPanelCount> panels_;
    std::array<std::int32_t, kPanelCount> showPanel_{};
    std::unique_ptr<ControlMethods> methods_;
    void* parentWindow_ = nullptr;  // the site's window, parent of the main panel
    bool windowCreated_ = false;
};

}  // namespace xkiv
