// The mechanics shared by the Camera Control pages: controls built from a binding table, refresh,
// enable, ranges, hints.
#pragma once

#include <QLabel>
#include <QToolButton>
#include <QWidget>
#include <map>
#include <string>

#include "ui/custom_controls.h"
#include "ui/dialog_base.h"
#include "ui/page_bindings.h"

namespace xkiv::ui {

// The up/down control bound to a numeric edit: a click steps the edit's
// value by 1 within the spin's range and writes it as a plain integer; the
// Up and Down keys in the edit step it too. A separate control, because a
// spin box would rewrite the text while the user types.
class CSpinButton : public QWidget {
public:
    CSpinButton(CNEdit& edit, QWidget* parent);
    // Names the spin and its arrows for a screen reader after its edit:
    // "Line Rate", "Line Rate up", "Line Rate down".
    void NameAfter(const QString& editName);
    void SetRange(int low, int high);
    int Low() const { return low_; }
    int High() const { return high_; }
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CNEdit& edit_;
    QToolButton* up_;
    QToolButton* down_;
    int low_ = 0;
    int high_ = 0;
};

// A page of the Camera Control dialog. Creates its controls from the page
// tables, refreshes a row's controls from the property gets, enables
// controls by the rows' enable conditions, and sends user changes through
// the property sets. Hover hints go into the dialog's status line.
class CDialogPage : public CDialogAncestorOCX {
public:
    CDialogPage(const PageTables& tables, QWidget* parent);

    // Creates the controls for control and runs the page's initialisation.
    void Initialise(CXKivRZ150LXCtrl& control, int templateId);

    QWidget* ControlById(int id) const;
    // The binding of a control id, or null.
    const Binding* BindingById(int id) const;

    // Empties list and adds the names of the row's offered values.
    void FillList(QComboBox& list, int row);
    // Sets the edit's and its spin's range to the row's effective bounds.
    void SetEditRange(int editId);
    // Enables each control of the enable table by its row's condition.
    void EnablePass();
    // Puts text into the dialog's status line (empty clears it).
    void SetStatusText(const QString& text);
    // The hint of a hover value: the row's range description, a button's hint or empty.
    QString HintOf(int hover) const;

    // Stops the controls from reporting changes: the window is going, and
    // the focus leaving an edit must not send its text any more.
    void DetachControls();

    CNEdit* EditById(int id) const;
    CSpinButton* SpinOf(int editId) const;

protected:
    virtual void OnInitPage() = 0;
    // A button of the table was clicked.
    virtual void RunAction(PageAction) {}
    // The row's bound controls take the property's current value.
    void RefreshRowControls(int row);
    void RefreshBinding(const Binding& binding);
    // Runs body with refreshing set, restoring the previous state after (a
    // set inside body reports back while the outer refresh is still running).
    template <typename Fn>
    void Refreshing(Fn&& body) {
        const bool outer = refreshing;
        refreshing = true;
        body();
        refreshing = outer;
    }
    // Whether a change reported with fromUser is the result of the user's own action on this
    // page (typing, a spin step, a list choice, a click), and not a value that arrived from the
    // camera, a file, another page or a program. Only such a change may send a clamp.
    bool OwnEdit(bool fromUser) const { return fromUser && acting_; }
    // The edit's text as the C library reads a base-10 integer.
    static std::int32_t EditNumber(const QLineEdit& edit);
    std::int32_t PropertyValue(const char* property);

    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void BuildDecorations();
    void BuildBinding(const Binding& binding);
    QLabel* AddLabel(int id, const char* text, Place place, Qt::Alignment alignment);
    void ListChanged(const Binding& binding, int index);
    void EditChanged(const Binding& binding, const QLineEdit& edit);
    // Runs a user change of a control with acting set, restoring the previous state after.
    template <typename Fn>
    void Acting(Fn&& change) {
        const bool outer = acting_;
        acting_ = true;
        change();
        acting_ = outer;
    }

    const PageTables& tables_;
    std::map<int, QWidget*> controls_;
    std::map<int, CSpinButton*> spins_;
    std::multimap<int, const Binding*> byRow_;
    bool acting_ = false;
};

}  // namespace xkiv::ui
