// Conversion of dialog-template units to pixels for the dialog font.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace xkiv::ui {

// The dialogs are laid out in template units: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its
// line height. Converting through one pair of base values keeps every
// window's proportions on any font and scale (Qt handles device pixels).
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const { return units * baseX_ / 4; }
    int Y(int units) const { return units * baseY_ / 8; }
    QRect Rect(int left, int top, int width, int height) const;
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }
    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

private:
    int baseX_;
    int baseY_;
};

}  // namespace xkiv::ui
