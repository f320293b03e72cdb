// The progress window: title with the share done, Cancel request, the main window disabled
// meanwhile.
#include "ui/dialog_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/icons.h"

namespace xkiv::ui {

CDialogProgress::CDialogProgress(QWidget* parent)
    : QDialog(parent),
      info_(new QLabel(QStringLiteral("Static Information here..."), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      bar_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("ProgressDialog"));
    info_->setObjectName(QStringLiteral("info"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    bar_->setObjectName(QStringLiteral("progress"));
    const DialogUnits units(font());
    setFixedSize(units.Size(186, 44));
    info_->setGeometry(units.Rect(7, 7, 164, 14));
    cancel_->setGeometry(units.Rect(144, 7, 35, 14));
    bar_->setGeometry(units.Rect(7, 27, 172, 10));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    setWindowTitle(caption_);
    setWindowIcon(ModuleIcon(IconId::Dialog));
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested = true; });
}

void CDialogProgress::SetInfoText(const QString& text) {
    info_->setText(text);
}

void CDialogProgress::SetRange(int lower, int upper) {
    bar_->setRange(lower, upper);
    bar_->setValue(lower);
}

void CDialogProgress::SetPosition(int position) {
    bar_->setValue(position);
}

void CDialogProgress::StepIt() {
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    setWindowTitle(QString::fromStdString(FormatProgressTitle(
        caption_.toStdString(), bar_->minimum(), bar_->maximum(), bar_->value())));
    if (pumpMessages) {
        QCoreApplication::processEvents();
    }
}

void CDialogProgress::ShowCancelButton() {
    cancel_->show();
}

QtProgress::QtProgress(QWidget* mainWindow)
    : dialog_(std::make_unique<CDialogProgress>()), mainWindow_(mainWindow) {
    // The dialog is not a child of the main window: disabling that window
    // would disable its children, the Cancel button with them.
    if (mainWindow_ != nullptr && mainWindow_->isEnabled()) {
        mainWindow_->setEnabled(false);
        reenableMainWindow_ = true;
    }
    dialog_->setEnabled(true);
    dialog_->show();
}

QtProgress::~QtProgress() {
    dialog_.reset();
    if (reenableMainWindow_ && mainWindow_ != nullptr) {
        mainWindow_->setEnabled(true);
    }
}

void QtProgress::SetInfoText(const std::string& text) {
    dialog_->SetInfoText(QString::fromStdString(text));
}

void QtProgress::SetRange(int lower, int upper) {
    dialog_->SetRange(lower, upper);
}

void QtProgress::SetPosition(int position) {
    dialog_->SetPosition(position);
}

void QtProgress::StepIt() {
    dialog_->StepIt();
}

void QtProgress::ShowCancelButton() {
    dialog_->ShowCancelButton();
}

void QtProgress::SetPumpMessages(bool pump) {
    dialog_->pumpMessages = pump;
}

bool QtProgress::CancelRequested() const {
    return dialog_->cancelRequested;
}

}  // namespace xkiv::ui
