// The control object: construction, window lifecycle, connecting, errors and notifications.
#include "control/control.h"

#include <array>
#include <chrono>
#include <utility>

#include "camera/failure_detail.h"
#include "control/dispatch_events.h"
#include "control/dispatch_methods.h"
#include "control/dispatch_properties.h"
#include "control/protocol_trace.h"
#include "control/type_library.h"
#include "platform/hot_path.h"

namespace xkiv {

namespace {

using automation::AutomationError;
using automation::AutomationException;
using automation::HResult;

// What the control knows of each panel, by panel number. The name is also
// the panel's profile section; the flag sits there under kShowKey.
struct PanelInfo {
    int templateId;
    const char* name;
    std::int32_t defaultShow;
};

// Dialog templates of the panels.
constexpr int kMainTemplate = 225;
constexpr int kAboutTemplate = 222;
constexpr int kCommunicationTemplate = 223;
constexpr int kControlTemplate = 232;

// Show flags as the profile stores them.
constexpr std::int32_t kShown = 1;
constexpr std::int32_t kHidden = 0;

constexpr std::array<PanelInfo, kPanelCount> kPanels = {{
    {kMainTemplate, "MainDialog", kShown},
    {kAboutTemplate, "AboutDialog", kHidden},
    {kCommunicationTemplate, "CommunicationDialog", kHidden},
    {kControlTemplate, "ControlDialog", kHidden},
}};

constexpr const char* kShowKey = "Show";

constexpr const char* kDesignTimeText = "Design Time of KIV Camera Control";
constexpr automation::Bounds kInitialSize{0, 0, 180, 40};

constexpr const char* kNoCameraMessage =
    "\r\n\r\nUnable to find a camera model.\r\nStart with the default model.";

constexpr const char* kPartlyAppliedNote =
    "\nThe camera took the values before this one: its settings are partly updated.";

// Automation error codes of the result codes that have their own; every
// other failure is a device input/output error.
struct ErrorMapping {
    ResultCode code;
    HResult error;
};

constexpr std::array<ErrorMapping, 5> kErrorMappings = {{
    {rc::kUnknownCommand, automation::kInvalidPropertyValue},
    {rc::kBadParameter, automation::kInvalidPropertyValue},
    {rc::kInvalidArgument, automation::kInvalidPropertyValue},
    {rc::kFileAccess, automation::kPathFileAccessError},
    {rc::kUnmatchedFile, automation::kPathFileAccessError},
}};

HResult AutomationCodeOf(ResultCode code) {
    for (const ErrorMapping& mapping : kErrorMappings) {
        if (mapping.code == code) {
            return mapping.error;
        }
    }
    return automation::kDeviceIoError;
}

// The failures that concern one row's value carry its mnemonic.
bool NamesTheRow(int row, ResultCode code) {
    return IsValidRow(row) && code >= rc::kBadParameter && code <= rc::kReceivedOutOfRange;
}

}  // namespace

CXKivRZ150LXCtrl::CXKivRZ150LXCtrl(CXKivRZ150LX& module)
    : CCamera(module.Profile(), module.Ui(), module.GetClock()),
      module_(module),
      methods_(std::make_unique<ControlMethods>(*this)) {
    for (int panel = 0; panel < kPanelCount; ++panel) {
        const PanelInfo& info = kPanels[panel];
        showPanel_[panel] = module_.Profile().GetInt(info.name, kShowKey, info.defaultShow);
    }
    // The main panel carries the control's face: it is always shown.
    showPanel_[kPanelMain] = kShown;
}

CXKivRZ150LXCtrl::~CXKivRZ150LXCtrl() {
    for (int panel = 0; panel < kPanelCount; ++panel) {
        // A flag left as it was is not written over what another run stored.
        const PanelInfo& info = kPanels[panel];
        if (showPanel_[panel] != module_.Profile().GetInt(info.name, kShowKey, info.defaultShow)) {
            module_.Profile().WriteInt(info.name, kShowKey, showPanel_[panel]);
        }
    }
    DestroyPanels();
    // The camera object's destructor then closes the port and saves the
    // values; it flushes the profile, so the flags above are written too.
}

const automation::TypeLibraryInfo& CXKivRZ150LXCtrl::TypeLibrary() const {
    return XKivTypeLibrary();
}

bool CXKivRZ150LXCtrl::CreateControlWindow(automation::ControlSite& site) {
    if (windowCreated_) {
        return true;
    }
    parentWindow_ = site.ParentWindow();
    const ResultCode result = OpenCommunication(GetClass(), GetPort());
    if (result != rc::kOk) {
        // The control goes on offline with the values it has.
        // The device and the system's reason follow the product's text, which
        // alone would blame another program for a device that is not there.
        const std::string detail = FailureDetail(LastFailureCause());
        module_.Ui().ShowMessage(
            GetErrorText(result) + (detail.empty() ? "" : "\r\n" + detail) + kNoCameraMessage,
            MessageIcon::Stop);
    }
    CreatePanels();
    windowCreated_ = true;
    return true;
}

void CXKivRZ150LXCtrl::DestroyControlWindow() {
    DestroyPanels();
    parentWindow_ = nullptr;
    windowCreated_ = false;
}

void CXKivRZ150LXCtrl::DestroyPanels() {
    for (std::unique_ptr<Panel>& panel : panels_) {
        if (panel != nullptr && panel->HasWindow()) {
            panel->DestroyWindow();
        }
        panel.reset();
    }
}

void CXKivRZ150LXCtrl::Draw(automation::DrawingSurface& surface, const automation::Bounds& bounds) {
    if (Panel* main = GetPanel(kPanelMain); main != nullptr && main->HasWindow()) {
        main->MoveWindow(bounds.left, bounds.top, bounds.width, bounds.height);
        return;
    }
    surface.FillWhite(bounds);
    surface.Ellipse(bounds);
    const int centreX = bounds.left + bounds.width / 2;
    const int centreY = bounds.top + bounds.height / 2;
    surface.DrawCentredText({centreX - 120, centreY - 20, 240, 40}, kDesignTimeText);
}

automation::Bounds CXKivRZ150LXCtrl::InitialSize() const {
    return kInitialSize;
}

std::vector<automation::Verb> CXKivRZ150LXCtrl::Verbs() const {
    return {automation::Verb::Edit, automation::Verb::Properties};
}

bool CXKivRZ150LXCtrl::DoVerb(automation::Verb verb) {
    if (verb == automation::Verb::Edit) {
        // The control is active in place as soon as its window exists.
        return windowCreated_;
    }
    PanelFactory* factory = module_.GetPanelFactory();
    return factory != nullptr && factory->ShowPropertyPages(*this);
}

std::vector<automation::Guid> CXKivRZ150LXCtrl::PropertyPages() const {
    return {kPropertyPageClassId};
}

ResultCode CXKivRZ150LXCtrl::OpenCommunication(int commClass, int port) {
    // The camera object's connection runs every step through the virtual
    // notifications, so the events fire in the order the host expects.
    return Connect(commClass, port);
}

ResultCode CXKivRZ150LXCtrl::RemoveNetworkPort(int index) {
    const bool connectedThere = IsOnline() && GetClass() == kNetworkClass && GetPort() == index;
    const ResultCode result = CComm::RemoveNetworkPort(index);
    if (result == rc::kOk) {
        if (connectedThere) {
            GoOffline();
        }
        CommPortChanged();
    }
    return result;
}

void CXKivRZ150LXCtrl::RaiseCameraError(int row, ResultCode code, bool partlyApplied) {
    // Offline is shown by the panels themselves, and a cancel is what the
    // user asked for: neither is an error report.
    if (code == rc::kOk || code == rc::kOffline || code == rc::kCancelled) {
        return;
    }
    std::string description = GetErrorText(code);
    if (NamesTheRow(row, code)) {
        description = "\"" + Mnemonic(row) + "\" : " + description;
    }
    if (partlyApplied) {
        description += kPartlyAppliedNote;
    }
    AutomationError error{AutomationCodeOf(code), description, 0};
    error.resultCode = code;
    if (const FailureCause& cause = LastFailureCause(); cause.code == code) {
        error.subject = cause.subject;
        error.detail = FailureDetail(cause);
        error.systemError =
            cause.error.category() == std::generic_category() ? cause.error.value() : 0;
    } else if (IsValidRow(row)) {
        error.subject = RowName(row);
        if (code == rc::kBadParameter) {
            error.detail = error.subject + ": the camera refused " + CurrentValueText(row);
        }
    }
    ForgetFailureCause();
    throw AutomationException(std::move(error));
}

std::string CXKivRZ150LXCtrl::CurrentValueText(int row) const {
    return DescribeValue(row, HasFlag(row, PF_STRING) ? Text(row) : std::to_string(Value(row)),
                         *this);
}

std::string CXKivRZ150LXCtrl::DescribeRefusedValue(const automation::MemberInfo& member,
                                                   const automation::Variant& value) {
    const PropertyEntry* entry = FindProperty(member.dispid);
    return RefusedValueDetail(std::string(member.name), entry != nullptr ? entry->row : -1,
                              value.ToText().value_or(value.Describe()), *this);
}

void CXKivRZ150LXCtrl::CreatePanels() {
    PanelFactory* factory = module_.GetPanelFactory();
    if (factory == nullptr) {
        return;
    }
    for (int number = 0; number < kPanelCount; ++number) {
        if (panels_[number] != nullptr) {
            continue;
        }
        std::unique_ptr<Panel> panel = factory->CreatePanel(number);
        if (panel == nullptr) {
            continue;
        }
        const PanelInfo& info = kPanels[number];
        void* parent = number == kPanelMain || panels_[kPanelMain] == nullptr
                           ? parentWindow_
                           : panels_[kPanelMain]->Window();
        panels_[number] = std::move(panel);
        panels_[number]->Create(number, info.templateId, parent, *this, info.name,
                                number == kPanelMain);
        showPanel_[number] = showPanel_[number] == 1 ? 1 : 0;
        const int command = showPanel_[number] != 0 ? kShowPanel : kHidePanel;
        panels_[number]->ShowPanel(number, command);
        // The main panel keeps a toggle for each of the others.
        if (number != kPanelMain && panels_[kPanelMain] != nullptr) {
            panels_[kPanelMain]->ShowPanel(number, command);
        }
        SetModifiedFlag(true);
    }
}

Panel* CXKivRZ150LXCtrl::GetPanel(int panelNumber) {
    return panelNumber >= 0 && panelNumber < kPanelCount ? panels_[panelNumber].get() : nullptr;
}

std::int32_t CXKivRZ150LXCtrl::ShowFlag(int panelNumber) const {
    return panelNumber >= 0 && panelNumber < kPanelCount ? showPanel_[panelNumber] : 0;
}

void CXKivRZ150LXCtrl::SetShowFlag(int panelNumber, bool shown) {
    if (panelNumber < 0 || panelNumber >= kPanelCount) {
        return;
    }
    showPanel_[panelNumber] = shown ? 1 : 0;
    const int command = shown ? kShowPanel : kHidePanel;
    if (panels_[panelNumber] != nullptr) {
        panels_[panelNumber]->ShowPanel(panelNumber, command);
    }
    if (panelNumber != kPanelMain && panels_[kPanelMain] != nullptr) {
        panels_[kPanelMain]->ShowPanel(panelNumber, command);
    }
    SetModifiedFlag(true);
}

bool CXKivRZ150LXCtrl::IsModelRZ150LX_HR() const {
    return Text(row::MD) == "RZ-150LX-HR";
}

bool CXKivRZ150LXCtrl::IsModelRZ130LX_FS() const {
    return Text(row::MD) == "RZ-130LX-FS";
}

automation::Variant CXKivRZ150LXCtrl::InvokeMember(const automation::MemberInfo& member,
                                                   automation::InvokeKind kind,
                                                   std::vector<automation::Variant>& args) {
    if (member.kind == automation::MemberKind::Method) {
        return methods_->Invoke(member, args);
    }
    if (kind == automation::InvokeKind::PropertyPut) {
        if (args.size() != 1) {
            throw AutomationException(AutomationError{automation::kBadParamCount, {}, 0});
        }
        SetProperty(member.dispid, args.front());
        return {};
    }
    return GetProperty(member.dispid);
}

template <typename Fn>
void CXKivRZ150LXCtrl::ForEachPanel(Fn fn) {
    for (const std::unique_ptr<Panel>& panel : panels_) {
        if (panel != nullptr) {
            fn(*panel);
        }
    }
}

void CXKivRZ150LXCtrl::OnlineChanged(bool online) {
    CCamera::OnlineChanged(online);
    FireEvent(kEventOnlineStatusChanged);
    ForEachPanel([online](Panel& panel) { panel.OnlineChanged(online); });
}

void CXKivRZ150LXCtrl::SynchronizedChanged(bool synchronized) {
    CCamera::SynchronizedChanged(synchronized);
    FireEvent(kEventSynchronizationStatusChanged);
    ForEachPanel([synchronized](Panel& panel) { panel.SynchronizedChanged(synchronized); });
}

void CXKivRZ150LXCtrl::SendingChanged(bool sending) {
    CCamera::SendingChanged(sending);
    FireEvent(kEventSendingToCameraStatusChanged);
    ForEachPanel([sending](Panel& panel) { panel.SendingChanged(sending, false); });
}

XKIV_HOT void CXKivRZ150LXCtrl::ReceivingChanged(bool receiving) {
    CCamera::ReceivingChanged(receiving);
    FireEvent(kEventReceivingFromCameraStatusChanged);
    ForEachPanel([receiving](Panel& panel) { panel.ReceivingChanged(receiving, false); });
}

void CXKivRZ150LXCtrl::CommPortChanged() {
    CCamera::CommPortChanged();
    FireEvent(kEventCommPortChanged);
    ForEachPanel([](Panel& panel) { panel.CommPortChanged(); });
}

XKIV_HOT void CXKivRZ150LXCtrl::ValueChanged(int row, bool refresh) {
    CCamera::ValueChanged(row, refresh);
    if (const automation::DispId event = EventOfRow(row); event != automation::kDispidUnknown) {
        FireEvent(event);
    }
    // Panels refresh their controls from the property gets, which needs
    // their windows.
    ForEachPanel([row, refresh](Panel& panel) {
        if (panel.HasWindow()) {
            panel.ValueChanged(row, refresh, true);
        }
    });
}

void CXKivRZ150LXCtrl::SetTrace(std::function<void(const std::string& line)> sink) {
    if (!sink) {
        SetLinkObserver({});
        return;
    }
    SetLinkObserver([this, sink = std::move(sink)](const LinkTraffic& traffic) {
        sink(TraceTimeStamp(std::chrono::system_clock::now()) + ' ' +
             DescribeTraffic(traffic, *this));
    });
}

XKIV_HOT void CXKivRZ150LXCtrl::LogMessage(const std::string& text, bool sent) {
    CCamera::LogMessage(text, sent);
    // Log lines go to the panels only; the host never sees them.
    ForEachPanel([&text, sent](Panel& panel) { panel.LogMessage(text, !sent); });
}

}  // namespace xkiv
