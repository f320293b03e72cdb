// What assistive technology sees of the panels: roles, names and actions where Qt's own fall short.
#pragma once

#include <QString>

class QWidget;

namespace xkiv::ui {

// Installs, once per process, the accessibility factory of the control's
// widgets: the panels are dialogs (the main panel a tool bar, the pages
// property pages), a drop-down list is named after its caption rather than
// its current entry, a main-panel toggle's press and toggle actions click
// it, and the Camera Control status line is a named status bar.
void InstallAccessibility();

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
