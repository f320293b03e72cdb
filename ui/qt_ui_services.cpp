// Message boxes, wait cursor, progress windows and event processing on Qt.
#include "ui/qt_ui_services.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

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
    : applicationName_(std::move(applicationName)), mainWindow_(std::move(mainWindow)) {}

std::unique_ptr<ProgressIndicator> QtUiServices::CreateProgress() {
    return std::make_unique<QtProgress>(mainWindow_ ? mainWindow_() : nullptr);
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
                    QMessageBox::Ok, MessageOwner());
    box.setObjectName(QStringLiteral("MessageBox"));
    FitTitle(box);
    box.exec();
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
}

QWidget* QtUiServices::MessageOwner() const {
    // The panel in use: the box opens over it, not over the host's strip.
    if (QWidget* active = QApplication::activeWindow(); active != nullptr && active->isVisible()) {
        return active;
    }
    return mainWindow_ ? mainWindow_() : nullptr;
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

}  // namespace xkiv::ui
