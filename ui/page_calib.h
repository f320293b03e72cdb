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
    // Re-ranges the colour's area, second and third pixel edits; with settle
    // (the user's own change on this page) also brings their values into the
    // new bounds and sends them. Values that arrived from the camera, a file
    // or the initial refresh are only re-ranged: their chain is the camera's.
    void RecheckAberrationBounds(Colour colour, bool settle);
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

    std::array<std::array<QLabel*, kCellsPerColour>, 2> cells_{};
    std::array<std::array<int, kCellsPerColour>, 2> cellColours_{};
};

}  // namespace xkiv::ui
