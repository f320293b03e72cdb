// What assistive technology sees of the panels: roles, names and actions where Qt's own fall short.
#pragma once

#include <QString>

class QWidget;

namespace xkiv::ui {

// Keeps the accessibility factory of the control's widgets installed while
// at least one instance lives: the panels are dialogs (the main panel a tool
// bar, the pages property pages), a drop-down list is named after its
// caption rather than its current entry, a main-panel toggle's press and
// toggle actions click it, and the Camera Control status line is a named
// status bar. The last one to go removes the factory, so that a host that
// unloads the module leaves Qt no pointer into it.
class AccessibilityFactory {
public:
    AccessibilityFactory();
    ~AccessibilityFactory();
    AccessibilityFactory(const AccessibilityFactory&) = delete;
    AccessibilityFactory& operator=(const AccessibilityFactory&) = delete;
};

// The accessible name of a control without one of its own: the text of
// the label whose buddy it is, without its mnemonic marks; empty when no
// label names it.
QString BuddyName(const QWidget& control);

// Makes every frame (QGroupBox) among dialog's children the parent of the
// other children that lie wholly inside it, the smallest frame winning, so
// that a frame contains its controls for keyboard and screen reader. Each
// control keeps its place on screen and its visibility.
void AdoptFramedControls(QWidget& dialog);

}  // namespace xkiv::ui
