// The host window: placing the control, the About entry, minimising and the quit question.
#include "host/control_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <iostream>

// Q_INIT_RESOURCE declares its function in the enclosing namespace, so it is
// called from the global one; the resources live in a static library.
static void LoadHostResources() {
    Q_INIT_RESOURCE(host);
}

namespace xkiv::host {

namespace {

// The window's client area in dialog units of the dialog font.
constexpr int kWidthUnits = 178;
constexpr int kHeightUnits = 14;

QSize DialogUnitsToPixels(const QFont& font, int width, int height) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (alphabet / 26 + 1) / 2;
    return {width * baseX / 4, height * metrics.height() / 8};
}

bool AskWithMessageBox(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace

CControlDialog::CControlDialog(const automation::ClassRegistry& registry, QWidget* parent)
    : QDialog(parent), control_(new CXKivCtrl(this)) {
    setObjectName(QStringLiteral("TarnviewWindow"));
    setWindowTitle(QString::fromLatin1(kCaption));
    // A strip with a caption, a close box and a minimise box, not resizable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(TarnviewIcon());
    // The control starts one pixel row down; the client area grows by that
    // row so that the control keeps the whole height its buttons take.
    const QSize client = DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits);
    setFixedSize(client.width(), client.height() + 1);
    quitQuestion_ = [this](const QString& title, const QString& text) {
        return AskWithMessageBox(this, title, text);
    };

    // The control fills the client area below its first pixel row.
    QRect area = rect();
    area.setTop(1);
    std::string reason;
    if (!control_->Create(kControlClassId, area, registry, &reason)) {
        std::cerr << QCoreApplication::applicationName().toStdString() << ": " << reason
                  << "; register the control with: xkivctl register" << std::endl;
    }
}

CControlDialog::~CControlDialog() {
    // The control's panels are its own: they go before Qt deletes the
    // children of this window.
    control_->Destroy();
}

void CControlDialog::ShowAbout() {
    control_->SetBoolProperty(kShowAboutWindow, true);
}

void CControlDialog::EndWithoutQuestion() {
    mayClose_ = true;
    // A message box, a file dialog or the quit question itself would keep
    // its own event loop running; rejected, each returns to its caller.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* modal = qobject_cast<QDialog*>(window);
        if (modal != nullptr && modal != this && modal->isVisible() && modal->isModal()) {
            modal->reject();
        }
    }
    reject();
}

void CControlDialog::accept() {
    if (mayClose_) {
        QDialog::accept();
    }
}

void CControlDialog::reject() {
    if (mayClose_) {
        QDialog::reject();
    }
}

void CControlDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        control_->SetBoolProperty(kShowAboutWindow, false);
        control_->SetBoolProperty(kShowControlWindow, false);
        control_->SetBoolProperty(kShowCommunicationWindow, false);
    }
}

void CControlDialog::closeEvent(QCloseEvent* event) {
    if (!mayClose_ &&
        !quitQuestion_(QCoreApplication::applicationName(), QString::fromLatin1(kQuitQuestion))) {
        event->ignore();
        return;
    }
    mayClose_ = true;
    // The default handling ends the dialog through reject().
    QDialog::closeEvent(event);
}

void CControlDialog::contextMenuEvent(QContextMenuEvent* event) {
    // The window system offers a program no system menu of its own, so the
    // About entry lives in the window's context menu.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SystemMenu"));
    menu.addAction(QString::fromLatin1(kAboutEntry), this, &CControlDialog::ShowAbout);
    menu.exec(event->globalPos());
}

QIcon TarnviewIcon() {
    LoadHostResources();
    return QIcon(QStringLiteral(":/tarnview/tarnview.png"));
}

}  // namespace xkiv::host
