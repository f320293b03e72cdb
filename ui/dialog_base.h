// The base classes of the control's dialogs: the control link and the panel protocol.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <optional>
#include <string>

#include "platform/automation.h"
#include "ui/dialog_units.h"

namespace xkiv {
class CXKivRZ150LXCtrl;
}

namespace xkiv::ui {

// Root of every dialog that works on the control: the panels and the pages
// of the Camera Control dialog. Holds the control (borrowed; it owns its
// panels), receives the camera notifications the control relays (all do
// nothing by default) and offers the refresh guard of the edits. Enter
// does nothing in these dialogs; Tab moves between the controls.
class CDialogAncestorOCX : public QWidget {
public:
    explicit CDialogAncestorOCX(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    CXKivRZ150LXCtrl& Control() const { return *control_; }
    bool HasControl() const { return control_ != nullptr; }
    void SetControl(CXKivRZ150LXCtrl& control, int templateId);
    int TemplateId() const { return template_; }

    virtual void OnlineChanged(bool) {}
    virtual void SynchronizedChanged(bool) {}
    virtual void SendingChanged(bool, bool) {}
    virtual void ReceivingChanged(bool, bool) {}
    virtual void CommPortChanged() {}
    virtual void LogMessage(const std::string&, bool) {}
    virtual void ValueChanged(int, bool, bool) {}

    // Whether a refresh may write newText into edit now (see CanRefreshEdit).
    bool CanRefreshEdit(const QLineEdit& edit, const std::optional<QString>& newText,
                        int minimumLength) const;

    // Template units of this dialog's font.
    DialogUnits Units() const { return DialogUnits(font()); }

    // Property access by name through the control's dispatch interface. A
    // failing set or get shows the error's description in a message box
    // and returns false / an empty variant: the handler stops there.
    automation::Variant GetProperty(const char* name);
    bool SetProperty(const char* name, const automation::Variant& value);
    // Runs a call on the control; an automation error it raises is shown
    // in a message box. Whether it completed.
    template <typename Fn>
    bool Reporting(Fn&& call) {
        try {
            call();
            return true;
        } catch (const automation::AutomationException& error) {
            ShowError(error.Error());
            return false;
        }
    }
    void ShowMessage(const std::string& text);

    bool editing = false;
    bool refreshing = false;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Escape; whether this dialog dealt with it. A page does not: Escape
    // goes on to the panel that holds it, which hides.
    virtual bool CancelRequested() { return false; }

private:
    void ShowError(const automation::AutomationError& error);

    CXKivRZ150LXCtrl* control_ = nullptr;
    int template_ = 0;
};

// Base of the four panels. A panel is created once with the control's
// window; its position is read from the profile ("Left"/"Top" under the
// panel's name) when it is created and written when it is destroyed. The
// main panel is a child of the control's window and positions the host's
// top-level window; the others are top-level windows owned by the main
// panel. Escape and the close box hide a panel (never destroy it) and tell
// the control, which releases the main panel's toggle.
class CDialogAbstractOCX : public CDialogAncestorOCX {
public:
    explicit CDialogAbstractOCX(QWidget* parent = nullptr);
    ~CDialogAbstractOCX() override;

    // Records the panel's identity, takes its place under parent (null: a
    // top-level window of its own), places it, then runs OnInitDialog.
    bool Create(int panelNumber, int templateId, QWidget* parent, CXKivRZ150LXCtrl& control,
                const std::string& name, bool isMain);
    // Shows (5) or hides (0) this panel when the number is its own.
    virtual void ShowPanel(int panelNumber, int showCommand);
    // Writes the positioning window's place to the profile; once.
    void SavePosition();

    int PanelNumber() const { return panelNumber_; }
    const std::string& Name() const { return name_; }
    bool IsMain() const { return isMain_; }
    // The window whose place the panel keeps: the host's top-level window
    // for the main panel, the panel itself for the others.
    QWidget* PositioningWindow();
    // The place a stored coordinate gives: stored unless negative or within
    // 10 pixels of the screen's far edge, then 100.
    static int PlaceOnScreen(int stored, int screenExtent);

protected:
    // The panel's own initialisation, after it has been placed.
    virtual void OnInitDialog() {}
    // Sets the window's title, fixed client size (template units) and icon.
    void SetTemplateGeometry(const QString& title, int widthUnits, int heightUnits);
    bool CancelRequested() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RestorePosition();

    int panelNumber_ = -1;
    std::string name_;
    bool isMain_ = false;
    bool positionSaved_ = false;
};

}  // namespace xkiv::ui
