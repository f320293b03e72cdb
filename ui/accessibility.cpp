// The accessibility factory of the control's widgets and the frames that adopt their controls.
#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

#include "ui/custom_controls.h"
#include "ui/dialog_main.h"
#include "ui/page_base.h"

namespace xkiv::ui {

namespace {

// A drop-down list. Qt names a list on Linux by its current entry and
// leaves its caption to a relation that not every reader follows; here the
// name is the caption and the entry is the value.
class AccessibleList final : public QAccessibleWidget {
public:
    explicit AccessibleList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
            case QAccessible::Name:
                return widget()->accessibleName().isEmpty() ? BuddyName(*widget())
                                                            : widget()->accessibleName();
            case QAccessible::Value:
                return List().currentText();
            default:
                return QAccessibleWidget::text(kind);
        }
    }

    // The entries, as Qt's own list offers them.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(List().view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == List().view() ? 0 : -1;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = List().view()->isVisible();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
        } else if (List().view()->isVisible()) {
            List().hidePopup();
        } else {
            List().showPopup();
        }
    }

private:
    QComboBox& List() const { return *static_cast<QComboBox*>(widget()); }
};

// A main-panel toggle. Qt's toggle action on a checkable button only flips
// the check state; here press and toggle both click, which opens or closes
// the panel and sets the state through the control.
class AccessibleToggle final : public QAccessibleWidget {
public:
    explicit AccessibleToggle(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button().isChecked();
        state.pressed = Button().isChecked();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() || action == toggleAction()) {
            if (Button().isEnabled()) {
                Button().click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton& Button() const { return *static_cast<QAbstractButton*>(widget()); }
};

// The role a panel or page plays: a panel window is a dialog, the main
// panel (a strip inside the host's window) a tool bar, a page of the Camera
// Control dialog a property page. Qt would call each a plain client area.
QAccessible::Role PanelRole(const CDialogAncestorOCX& dialog) {
    if (dialog.isWindow()) {
        return QAccessible::Dialog;
    }
    if (dynamic_cast<const CDialogMain*>(&dialog) != nullptr) {
        return QAccessible::ToolBar;
    }
    return dynamic_cast<const CDialogPage*>(&dialog) != nullptr ? QAccessible::PropertyPage
                                                                : QAccessible::Pane;
}

QAccessibleInterface* ControlInterfaces(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    if (auto* dialog = dynamic_cast<CDialogAncestorOCX*>(widget)) {
        return new QAccessibleWidget(widget, PanelRole(*dialog));
    }
    if (auto* list = dynamic_cast<CComboBoxEX*>(widget); list != nullptr && !list->isEditable()) {
        return new AccessibleList(list);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget);
        button != nullptr && dynamic_cast<CDialogMain*>(widget->parentWidget()) != nullptr) {
        return new AccessibleToggle(button);
    }
    // The Camera Control dialog's hint line, found by its name as the pages find it.
    if (qobject_cast<QLabel*>(widget) != nullptr &&
        widget->objectName() == QLatin1String("StatusLine")) {
        return new QAccessibleWidget(widget, QAccessible::StatusBar);
    }
    return nullptr;
}

// Instances alive; all on the user-interface thread.
int gFactoryUsers = 0;

}  // namespace

AccessibilityFactory::AccessibilityFactory() {
    if (gFactoryUsers++ == 0) {
        QAccessible::installFactory(&ControlInterfaces);
    }
}

AccessibilityFactory::~AccessibilityFactory() {
    if (--gFactoryUsers == 0) {
        QAccessible::removeFactory(&ControlInterfaces);
    }
}

QString BuddyName(const QWidget& control) {
    for (const QLabel* label : control.window()->findChildren<QLabel*>()) {
        if (label->buddy() == &control) {
            QString name = label->text();
            name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
            return name.trimmed();
        }
    }
    return {};
}

void AdoptFramedControls(QWidget& dialog) {
    const QList<QGroupBox*> frames = dialog.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
    if (frames.isEmpty()) {
        return;
    }
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow() || qobject_cast<QGroupBox*>(control) != nullptr) {
            continue;
        }
        const QRect place = control->geometry();
        QGroupBox* owner = nullptr;
        for (QGroupBox* frame : frames) {
            const QRect area = frame->geometry();
            if (area.contains(place) &&
                (owner == nullptr ||
                 area.width() * area.height() < owner->width() * owner->height())) {
                owner = frame;
            }
        }
        if (owner == nullptr) {
            continue;
        }
        // A new parent hides the widget: one that was not hidden on purpose
        // shows again, at once when its frame is on screen already.
        const bool hiddenOnPurpose =
            control->isHidden() && control->testAttribute(Qt::WA_WState_ExplicitShowHide);
        control->setParent(owner);
        control->setGeometry(place.translated(-owner->pos()));
        if (!hiddenOnPurpose && owner->isVisible()) {
            control->show();
        }
    }
    for (QGroupBox* frame : frames) {
        // Mouse moves over a frame's empty parts reach the dialog as before.
        frame->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        frame->setMouseTracking(dialog.hasMouseTracking());
    }
}

}  // namespace xkiv::ui
