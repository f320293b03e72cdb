// The progress window of long camera and file operations.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>

#include "platform/ui_services.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace xkiv::ui {

// A modeless window with an information line, a smooth bar and a Cancel
// button (hidden unless the caller offers cancelling). The title shows the
// share done: "In Progress ( 50.0%)". Cancel only records the request; the
// caller decides when to stop. Waiting events are processed at each step
// only when the caller asks for it.
class CDialogProgress : public QDialog {
public:
    explicit CDialogProgress(QWidget* parent = nullptr);

    void SetInfoText(const QString& text);
    void SetRange(int lower, int upper);
    void SetPosition(int position);
    void StepIt();
    void ShowCancelButton();

    bool pumpMessages = false;
    bool cancelRequested = false;

private:
    QString caption_ = QStringLiteral("In Progress");
    QLabel* info_;
    QPushButton* cancel_;
    QProgressBar* bar_;
};

// The progress indicator the camera code drives: a CDialogProgress that
// disables the application's main window for as long as it lives and gives
// it back when destroyed, on every path.
class QtProgress final : public ProgressIndicator {
public:
    explicit QtProgress(QWidget* mainWindow);
    ~QtProgress() override;
    QtProgress(const QtProgress&) = delete;
    QtProgress& operator=(const QtProgress&) = delete;

    void SetInfoText(const std::string& text) override;
    void SetRange(int lower, int upper) override;
    void SetPosition(int position) override;
    void StepIt() override;
    void ShowCancelButton() override;
    void SetPumpMessages(bool pump) override;
    bool CancelRequested() const override;

private:
    std::unique_ptr<CDialogProgress> dialog_;
    QPointer<QWidget> mainWindow_;
    bool reenableMainWindow_ = false;
};

}  // namespace xkiv::ui
