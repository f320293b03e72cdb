// The dialog bases: control link, notifications, Enter and Escape, panel positions and show
// protocol.
#include "ui/dialog_base.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "control/control.h"
#include "ui/custom_controls.h"
#include "ui/icons.h"

namespace xkiv::ui {

namespace {

constexpr const char* kLeftKey = "Left";
constexpr const char* kTopKey = "Top";
constexpr int kDefaultPlace = 100;
constexpr int kEdgeMargin = 10;

}  // namespace

CDialogAncestorOCX::CDialogAncestorOCX(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags) {}

void CDialogAncestorOCX::SetControl(CXKivRZ150LXCtrl& control, int templateId) {
    control_ = &control;
    template_ = templateId;
}

bool CDialogAncestorOCX::CanRefreshEdit(const QLineEdit& edit,
                                        const std::optional<QString>& newText,
                                        int minimumLength) const {
    return ui::CanRefreshEdit(editing, edit, newText, minimumLength);
}

automation::Variant CDialogAncestorOCX::GetProperty(const char* name) {
    std::vector<automation::Variant> args;
    automation::Variant result;
    automation::AutomationError error;
    if (control_->InvokeByName(name, automation::InvokeKind::PropertyGet, args, &result, &error) !=
        automation::kOk) {
        ShowError(error);
        return {};
    }
    return result;
}

bool CDialogAncestorOCX::SetProperty(const char* name, const automation::Variant& value) {
    std::vector<automation::Variant> args{value};
    automation::AutomationError error;
    if (control_->InvokeByName(name, automation::InvokeKind::PropertyPut, args, nullptr, &error) !=
        automation::kOk) {
        ShowError(error);
        return false;
    }
    return true;
}

void CDialogAncestorOCX::ShowError(const automation::AutomationError& error) {
    // The published text first, then the device, file or value at fault.
    ShowMessage(error.detail.empty() ? error.description
                                     : error.description + "\n\n" + error.detail);
}

void CDialogAncestorOCX::ShowMessage(const std::string& text) {
    if (control_ != nullptr) {
        control_->Module().Ui().ShowMessage(text, MessageIcon::Warning);
    }
}

void CDialogAncestorOCX::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter neither closes the dialog nor presses a button for it.
            event->accept();
            return;
        case Qt::Key_Escape:
            event->setAccepted(CancelRequested());
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

CDialogAbstractOCX::CDialogAbstractOCX(QWidget* parent) : CDialogAncestorOCX(parent) {}

CDialogAbstractOCX::~CDialogAbstractOCX() {
    // A panel owned by the main panel is destroyed with it by Qt.
    SavePosition();
}

bool CDialogAbstractOCX::Create(int panelNumber, int templateId, QWidget* parent,
                                CXKivRZ150LXCtrl& control, const std::string& name, bool isMain) {
    panelNumber_ = panelNumber;
    isMain_ = isMain;
    name_ = name;
    SetControl(control, templateId);
    setObjectName(QString::fromStdString(name));
    if (isMain) {
        setParent(parent, Qt::Widget);
    } else {
        setParent(parent, Qt::Dialog);
    }
    RestorePosition();
    OnInitDialog();
    return true;
}

QWidget* CDialogAbstractOCX::PositioningWindow() {
    return isMain_ ? window() : this;
}

int CDialogAbstractOCX::PlaceOnScreen(int stored, int screenExtent) {
    return stored < 0 || stored >= screenExtent - kEdgeMargin ? kDefaultPlace : stored;
}

void CDialogAbstractOCX::RestorePosition() {
    ProfileStore& profile = Control().Module().Profile();
    const int left = profile.GetInt(name_, kLeftKey, -1);
    const int top = profile.GetInt(name_, kTopKey, -1);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize extent = screen != nullptr ? screen->geometry().size() : QSize(0, 0);
    PositioningWindow()->move(PlaceOnScreen(left, extent.width()),
                              PlaceOnScreen(top, extent.height()));
}

void CDialogAbstractOCX::SavePosition() {
    if (positionSaved_ || !HasControl() || panelNumber_ < 0) {
        return;
    }
    positionSaved_ = true;
    const QPoint place = PositioningWindow()->pos();
    ProfileStore& profile = Control().Module().Profile();
    profile.WriteInt(name_, kLeftKey, place.x());
    profile.WriteInt(name_, kTopKey, place.y());
}

void CDialogAbstractOCX::ShowPanel(int panelNumber, int showCommand) {
    if (panelNumber != panelNumber_) {
        return;
    }
    setVisible(showCommand == kShowPanel);
}

void CDialogAbstractOCX::SetTemplateGeometry(const QString& title, int widthUnits,
                                             int heightUnits) {
    // A frame's line runs through the middle of its caption, as the
    // templates place the controls inside the frames.
    setStyleSheet(styleSheet() +
                  QStringLiteral("QGroupBox { margin-top: 0.5em; border: 1px solid palette(mid);"
                                 " border-radius: 2px; }"
                                 "QGroupBox::title { subcontrol-origin: margin;"
                                 " subcontrol-position: top left; left: 6px; padding: 0 2px; }"));
    setWindowTitle(title);
    setWindowIcon(ModuleIcon(IconId::Dialog));
    setFixedSize(Units().Size(widthUnits, heightUnits));
}

bool CDialogAbstractOCX::CancelRequested() {
    if (!isMain_ && HasControl()) {
        // Clears the flag, hides this panel, releases the main panel's
        // toggle and marks the control modified.
        Control().SetShowFlag(panelNumber_, false);
    }
    return true;
}

void CDialogAbstractOCX::closeEvent(QCloseEvent* event) {
    // The close box hides; panels live as long as the control's window.
    event->ignore();
    CancelRequested();
}

}  // namespace xkiv::ui
