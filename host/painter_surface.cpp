// Drawing requests of a control carried out with QPainter.
#include "host/painter_surface.h"

namespace xkiv::host {

namespace {
QRect RectOf(const automation::Bounds& bounds) {
    return {bounds.left, bounds.top, bounds.width, bounds.height};
}
}  // namespace

void PainterSurface::FillWhite(const automation::Bounds& bounds) {
    painter_.fillRect(RectOf(bounds), Qt::white);
}

void PainterSurface::Ellipse(const automation::Bounds& bounds) {
    painter_.setBrush(Qt::NoBrush);
    // The ellipse lies inside the bounds, its right and bottom edges included.
    painter_.drawEllipse(RectOf(bounds).adjusted(0, 0, -1, -1));
}

void PainterSurface::DrawCentredText(const automation::Bounds& bounds, const std::string& text) {
    painter_.drawText(RectOf(bounds), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                      QString::fromStdString(text));
}

}  // namespace xkiv::host
