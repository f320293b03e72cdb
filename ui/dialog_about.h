// The About panel: product and version, the camera's identity, the user ID and the manuals.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include "ui/custom_controls.h"
#include "ui/dialog_base.h"

namespace xkiv::ui {

// Panel 1. Shows the connected camera's model, camera ID, firmware and FPGA
// versions (kept current by the notifications, also while hidden), lets the
// user edit and save the camera's user ID once editing is enabled, and
// opens the manuals: the PDF files of the process's current folder and the
// product's documentation.
class CDialogAbout : public CDialogAbstractOCX {
public:
    explicit CDialogAbout(QWidget* parent = nullptr);

    void OnlineChanged(bool online) override;
    void ValueChanged(int row, bool refresh, bool fromControl) override;

    // "Version 1.26 (x64)": the version of this build.
    static QString VersionText();
    // The firmware or FPGA version, kept in hundredths, as shown: 123 as "1.23".
    static QString HundredthsText(int hundredths);

protected:
    void OnInitDialog() override;

private:
    void BuildControls();
    void UpdateControls();
    void SetEditMode(int mode);
    void SaveUserId();
    void ViewHelpFile();

    int editMode_ = 0;  // 0 protected, 1 editable
    QString modelName_;
    QString cameraId_;
    QString userId_;
    int firmwareVersion_ = 0;
    int fpgaVersion_ = 0;

    QLineEdit* modelEdit_ = nullptr;
    QLineEdit* cameraIdEdit_ = nullptr;
    QLineEdit* firmwareEdit_ = nullptr;
    QLineEdit* fpgaEdit_ = nullptr;
    CMMMEdit* userIdEdit_ = nullptr;
    CButtonEX* saveButton_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    CComboBoxEX* helpList_ = nullptr;
    QLabel* statusBar_ = nullptr;
};

// The modal dialog that names the three chromatic aberration data sets; each
// name holds at most 16 characters. The names change only on OK.
class CNameDialog : public QDialog {
public:
    static constexpr int kMaximumLength = 16;

    explicit CNameDialog(QWidget* parent = nullptr);
    int exec() override;

    QString name1;
    QString name2;
    QString name3;

private:
    QLineEdit* edits_[3];
};

}  // namespace xkiv::ui
