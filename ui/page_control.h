// The "Camera Controls" page: trigger, line rate and exposure, format, gain, black level and white
// balance.
#pragma once

#include "ui/page_base.h"

namespace xkiv::ui {

// Tab 0 of the Camera Control dialog. Every control follows its row of the
// binding table; the exceptions are the re-ranging of the edits when the
// model, the read-out, the gain mode or the black mode changes (only values
// that fell out of the new range are sent) and the time texts.
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
    void UpdateTimeText(int row);

    bool initialised_ = false;
};

}  // namespace xkiv::ui
