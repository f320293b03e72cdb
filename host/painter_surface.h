// The control's drawing surface on a QPainter.
#pragma once

#include <QPainter>

#include "platform/component_control.h"

namespace xkiv::host {

// Lets a control draw through a container's QPainter: white fill, an
// ellipse with the painter's pen, one centred line of text. The host draws
// its control through it; the user interface's tests draw through it too.
class PainterSurface final : public automation::DrawingSurface {
public:
    explicit PainterSurface(QPainter& painter) : painter_(painter) {}

    void FillWhite(const automation::Bounds& bounds) override;
    void Ellipse(const automation::Bounds& bounds) override;
    void DrawCentredText(const automation::Bounds& bounds, const std::string& text) override;

private:
    QPainter& painter_;
};

}  // namespace xkiv::host
