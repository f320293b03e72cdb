// CDialogCorrection: the guided sequence of the camera's four one-push corrections.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace xkiv::ui {

class CDialogAncestorOCX;

// Leads through pixel black correction, white balance, pixel gain and
// shading correction. "Start" runs the step's correction (its own message
// tells the outcome); on success the camera is switched to the result in
// its user area and the next step follows; "Skip" moves on without
// running. Past the last step the dialog closes. Property sets go through
// the page, which shows their errors.
class CDialogCorrection final : public QDialog {
public:
    static constexpr int kStepCount = 4;

    CDialogCorrection(CDialogAncestorOCX& page, QWidget* parent);

    int Step() const { return step_; }
    int ShadingType() const { return shadingType_; }
    void Start();
    void Skip();

private:
    void ShowStep();
    // Runs the current step's correction; whether it succeeded and its
    // success setting was made.
    bool RunStep();

    CDialogAncestorOCX& page_;
    int step_ = 0;
    int shadingType_ = 0;
    QLabel* title_;
    QLabel* text_;
    QPushButton* start_;
    QPushButton* skip_;
    QRadioButton* flat_;
    QRadioButton* color_;
};

}  // namespace xkiv::ui
