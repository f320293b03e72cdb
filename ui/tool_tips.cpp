// The maximum width of a panel's tool tips, through the tip window's style.
#include "ui/tool_tips.h"

#include <QVariant>

namespace xkiv::ui {

namespace {
constexpr const char* kWidthProperty = "toolTipMaximumWidth";
}

void SetToolTipWidth(QWidget& panel, int maximumWidth) {
    // A tip window takes the style sheet of the widget it is shown over.
    panel.setStyleSheet(panel.styleSheet() +
                        QStringLiteral("QToolTip { max-width: %1px; }").arg(maximumWidth));
    panel.setProperty(kWidthProperty, maximumWidth);
}

int ToolTipWidth(const QWidget& panel) {
    return panel.property(kWidthProperty).toInt();
}

}  // namespace xkiv::ui
