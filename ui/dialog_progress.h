// The progress window of long camera and file operations.
#pragma once

#include <QDialog>
#include <QPointer>

#include "platform/ui_services.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace xkiv::ui {

// A window with an information line, a smooth bar and a Cancel button
// (hidden unless the caller offers cancelling). The title shows the share
// done: "In Progress ( 50.0%)". Cancel, its close box and Escape only
// record the request when Cancel is offered; the caller decides when to
// stop, and the window never closes itself. Waiting events are processed
// at each step only when the caller asks for it.
class CDialogProgress : public QDialog {
public:
    explicit CDialogProgress(QWidget* parent = nullptr);

    void SetInfoText(const QString& text);
    void SetRange(int lower, int upper);
    void SetPosition(int position);
    void StepIt();
    void ShowCancelButton();
    void reject() override;

    bool pumpMessages = false;
    bool cancelRequested = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RequestCancel();

    QString caption_ = QStringLiteral("In Progress");
    QLabel* info_;
    QPushButton* cancel_;
    QProgressBar* bar_;
};

// The progress indicator the camera code drives: a CDialogProgress over the
// given window, application-modal for as long as it lives, so that the
// other windows keep their looks but take no input; it is on screen and
// painted before the constructor returns.
class QtProgress final : public ProgressIndicator {
public:
    explicit QtProgress(QWidget* parent);
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
    // Null once the window over which it stands has gone.
    QPointer<CDialogProgress> dialog_;
};

}  // namespace xkiv::ui
