// The "Camera Controls" page: trigger, line rate and exposure, format, gain, black level and white
// balance.
#pragma once

#include "ui/page_base.h"

namespace xkiv::ui {

// Tab 0 of the Camera Control dialog. Every control follows its row of the
// binding table; the exceptions are the re-ranging of the edits when the
// model, the read-out, the gain mode or the black mode changes (when the user
// changed the mode on this page, the values that fell out of the new range
// are sent; otherwise they are only shown) and the time texts.
class CDialogChildControl final : public CDialogPage {
public:
    explicit CDialogChildControl(QWidget* parent = nullptr);

    void ValueChanged(int row, bool fromUser, bool updateControls) override;
    bool Initialised() const { return initialised_; }

    // Which edits ApplyBounds re-ranges.
    enum class Bounds { All, ReadOut, Gain, BlackLevel };
    void ApplyBounds(Bounds which);
    // Clamps the edit into its range; sends the value only when it was clamped.
    void ClampAndSend(int editId);
    // The line period text of v for the current model: "%.01fns", or empty.
    QString TimeText(std::int32_t value) const;

protected:
    void OnInitPage() override;
    void RunAction(PageAction action) override;

private:
    // After a re-ranging: ClampAndSend for the user's own change, else the edit shows the value
    // the camera object holds.
    void SettleEdit(int editId, bool ownEdit);
    void UpdateTimeText(int row);

    bool initialised_ = false;
};

}  // namespace xkiv::ui
