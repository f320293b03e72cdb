// Tool tips of the panels: one text per control and a maximum tip width per panel.
#pragma once

#include <QString>
#include <QWidget>

namespace xkiv::ui {

// Sets the tip texts' maximum width for every tip shown over panel's
// controls (400 pixels in most panels).
void SetToolTipWidth(QWidget& panel, int maximumWidth);
// The width set on panel, or 0.
int ToolTipWidth(const QWidget& panel);

}  // namespace xkiv::ui
