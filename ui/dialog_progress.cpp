// The progress window: title with the share done, Cancel request, modal over the panel in use.
#include "ui/dialog_progress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

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
    connect(cancel_, &QPushButton::clicked, this, [this] { RequestCancel(); });
}

void CDialogProgress::RequestCancel() {
    if (cancel_->isHidden()) {
        return;
    }
    cancelRequested = true;
    // Shows that the request was taken; the operation ends at its next step.
    cancel_->setEnabled(false);
}

void CDialogProgress::reject() {
    RequestCancel();
}

void CDialogProgress::closeEvent(QCloseEvent* event) {
    RequestCancel();
    event->ignore();
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

namespace {

// How long a new progress window may take to appear before the operation
// starts anyway.
constexpr int kExposeWaitMs = 1000;

// Ends a wait once the window has been exposed, and so painted.
class ExposeWatcher final : public QObject {
public:
    explicit ExposeWatcher(QEventLoop& loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            // Queued, so that the expose is painted before the wait ends.
            QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QEventLoop& loop_;
};

// Serves window events other than user input until window is on screen and
// painted, at most kExposeWaitMs.
void WaitUntilExposed(QWidget& window) {
    QWindow* handle = window.windowHandle();
    if (handle == nullptr || handle->isExposed()) {
        return;
    }
    QEventLoop loop;
    ExposeWatcher watcher(loop);
    handle->installEventFilter(&watcher);
    QTimer::singleShot(kExposeWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    handle->removeEventFilter(&watcher);
}

}  // namespace

QtProgress::QtProgress(QWidget* parent) : dialog_(new CDialogProgress(parent)) {
    // Modal rather than disabling the other windows: they keep their looks,
    // and as the newest modal window it takes input even while the host
    // runs its own window modally.
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->show();
    WaitUntilExposed(*dialog_);
}

QtProgress::~QtProgress() {
    delete dialog_.data();
}

void QtProgress::SetInfoText(const std::string& text) {
    if (dialog_ != nullptr) {
        dialog_->SetInfoText(QString::fromStdString(text));
    }
}

void QtProgress::SetRange(int lower, int upper) {
    if (dialog_ != nullptr) {
        dialog_->SetRange(lower, upper);
    }
}

void QtProgress::SetPosition(int position) {
    if (dialog_ != nullptr) {
        dialog_->SetPosition(position);
    }
}

void QtProgress::StepIt() {
    if (dialog_ != nullptr) {
        dialog_->StepIt();
    }
}

void QtProgress::ShowCancelButton() {
    if (dialog_ != nullptr) {
        dialog_->ShowCancelButton();
    }
}

void QtProgress::SetPumpMessages(bool pump) {
    if (dialog_ != nullptr) {
        dialog_->pumpMessages = pump;
    }
}

bool QtProgress::CancelRequested() const {
    return dialog_ != nullptr && dialog_->cancelRequested;
}

}  // namespace xkiv::ui
