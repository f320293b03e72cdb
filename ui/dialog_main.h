// The main panel: three toggle buttons that open and close the other panels.
#pragma once

#include <QPushButton>
#include <array>

#include "ui/dialog_base.h"

namespace xkiv::ui {

// Panel 0, laid over the control's window: one push-like check button per
// other panel (Camera Control, Communication, About). A pressed button means
// the panel is open; clicking it changes the control's show flag, and every
// show or hide of a panel comes back here to set the button.
class CDialogMain : public CDialogAbstractOCX {
public:
    explicit CDialogMain(QWidget* parent = nullptr);

    void ShowPanel(int panelNumber, int showCommand) override;
    // The toggle of panel 1, 2 or 3; null for any other number.
    QPushButton* Toggle(int panelNumber) const;

protected:
    void OnInitDialog() override;

private:
    void Clicked(int panelNumber);

    // Indexed by panel number; entry 0 stays null.
    std::array<QPushButton*, 4> toggles_{};
};

}  // namespace xkiv::ui
