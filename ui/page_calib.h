// The "Calibration ..." page: knee, others, correction sources and the chromatic aberration
// correction.
#pragma once

#include <QColor>
#include <array>

#include "ui/page_base.h"

namespace xkiv::ui {

// Tab 1 of the Camera Control dialog. Beyond the bound controls it keeps
// the aberration values of each colour consistent (area, then second
// pixel, then third pixel) and paints the 16 area cells of each colour
// from the left side, area, second and third pixel values.
class CDialogChildCalib final : public CDialogPage {
public:
    enum class Colour { Red = 0, Blue = 1 };
    static constexpr int kCellsPerColour = 16;

    explicit CDialogChildCalib(QWidget* parent = nullptr);

    void ValueChanged(int row, bool fromUser, bool updateControls) override;
    void RecheckAberrationBounds(Colour colour);
    void PaintAreaCells(Colour colour);
    // The correction colour index (0 white .. 3 light blue) of a cell.
    int CellColourIndex(Colour colour, int cell) const;
    QLabel* Cell(Colour colour, int cell) const { return cells_[Index(colour)][cell]; }

protected:
    void OnInitPage() override;
    void RunAction(PageAction action) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    static std::size_t Index(Colour colour) { return static_cast<std::size_t>(colour); }
    void BuildCells();
    // Shows, stores and writes a value that the bound check changed; the
    // change is not reported.
    void StoreChecked(int row, int editId, std::int32_t value);
    void ChangeNames();
    void TransferAberration(bool toFile);

    // Until the end of the initial refresh the bound check only re-ranges:
    // opening the panel must not write the mirror's values to the camera.
    bool initialised_ = false;
    std::array<std::array<QLabel*, kCellsPerColour>, 2> cells_{};
    std::array<std::array<int, kCellsPerColour>, 2> cellColours_{};
};

}  // namespace xkiv::ui
