// Message boxes, wait cursor, progress windows and event processing on Qt.
#include "ui/qt_ui_services.h"

#include <QApplication>
#include <QMessageBox>

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
                    QMessageBox::Ok, mainWindow_ ? mainWindow_() : nullptr);
    box.setObjectName(QStringLiteral("MessageBox"));
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

}  // namespace xkiv::ui
