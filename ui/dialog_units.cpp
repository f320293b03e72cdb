// Dialog-template units from the average character size of the dialog font.
#include "ui/dialog_units.h"

#include <QFontMetrics>

namespace xkiv::ui {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width over both alphabets, rounded to the nearest pixel.
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (alphabet / 26 + 1) / 2;
    baseY_ = metrics.height();
}

QRect DialogUnits::Rect(int left, int top, int width, int height) const {
    // Right and bottom edges are converted as edges, so that adjacent
    // controls stay adjacent after rounding.
    const int x = X(left);
    const int y = Y(top);
    return {x, y, X(left + width) - x, Y(top + height) - y};
}

}  // namespace xkiv::ui
