// Message boxes, wait cursor, progress windows and event processing on Qt.
#include "ui/qt_ui_services.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QThread>
#include <condition_variable>
#include <mutex>

#include "ui/blocking_worker.h"
#include "ui/dialog_progress.h"

namespace xkiv::ui {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Room beside a title for the window's icon and its title-bar buttons.
constexpr int kTitleBarExtra = 160;

// Widens box so that the window manager has room for its whole title: a
// message box sizes itself by its text, and a short text cut the title.
void FitTitle(QMessageBox& box) {
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtra;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

}  // namespace

QtUiServices::QtUiServices(std::string applicationName, std::function<QWidget*()> mainWindow)
    : applicationName_(std::move(applicationName)),
      mainWindow_(std::move(mainWindow)),
      worker_(std::make_unique<BlockingWorker>()) {}

QtUiServices::~QtUiServices() = default;

QWidget* QtUiServices::PanelInUse() const {
    QWidget* main = mainWindow_ ? mainWindow_() : nullptr;
    for (QWidget* window = QApplication::activeWindow(); window != nullptr && main != nullptr;
         window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr) {
        if (window == main) {
            return QApplication::activeWindow();
        }
    }
    return main;
}

std::unique_ptr<ProgressIndicator> QtUiServices::CreateProgress() {
    return std::make_unique<QtProgress>(PanelInUse());
}

QString QtUiServices::DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

void QtUiServices::ShowMessage(const std::string& text, MessageIcon icon) {
    // A message interrupts a wait: the box gets the normal cursor.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    QMessageBox box(BoxIcon(icon), QString::fromStdString(applicationName_), DisplayText(text),
                    QMessageBox::Ok, PanelInUse());
    box.setObjectName(QStringLiteral("MessageBox"));
    FitTitle(box);
    box.exec();
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
}

void QtUiServices::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiServices::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void QtUiServices::PumpMessages() {
    QCoreApplication::processEvents();
}

void QtUiServices::RunBlocking(FunctionRef<void()> call) {
    const QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread() || waiting_) {
        worker_->RunHere(call);
        return;
    }
    waiting_ = true;
    QEventLoop loop;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    worker_->Start(call, [&loop, &mutex, &ended, &finished] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        // Set only once the quit is posted: the loop may go right after.
        std::lock_guard lock(mutex);
        finished = true;
        ended.notify_all();
    });
    // A progress window's modality keeps input to it; without one, input
    // waits until the operation has ended.
    const bool progressUp = dynamic_cast<CDialogProgress*>(QApplication::activeModalWidget());
    loop.exec(progressUp ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the application quits: the call still ends
    // before anything it uses may go.
    std::unique_lock lock(mutex);
    ended.wait(lock, [&finished] { return finished; });
    waiting_ = false;
}

}  // namespace xkiv::ui
