// Answers the modal dialogs a test opens: message boxes are recorded and closed, file dialogs
// get the names the test gives.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace xkiv::test {

// Answers the modal dialogs that open while it lives: a message box is
// recorded and closed; a file dialog gets the next of fileAnswers (an
// empty name cancels it). Reacts to the dialogs' show events; nothing polls.
class ModalAnswerer final : public QObject {
public:
    ModalAnswerer() { qApp->installEventFilter(this); }
    ~ModalAnswerer() override { qApp->removeEventFilter(this); }

    std::vector<std::string> messages;
    std::vector<QString> fileAnswers;
    int fileDialogs = 0;
    // Sees every window as it is shown first; true when it has dealt with it.
    std::function<bool(QObject*)> onShow;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) {
            return false;
        }
        if (onShow && onShow(watched)) {
            return false;
        }
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            messages.push_back(box->text().toStdString());
            QTimer::singleShot(0, box, [box] { box->accept(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(watched)) {
            ++fileDialogs;
            const QString answer = fileAnswers.empty() ? QString() : fileAnswers.front();
            if (!fileAnswers.empty()) {
                fileAnswers.erase(fileAnswers.begin());
            }
            QTimer::singleShot(0, dialog, [dialog, answer] {
                if (answer.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->selectFile(answer);
                    static_cast<QDialog*>(dialog)->accept();
                }
            });
        }
        return false;
    }
};

}  // namespace xkiv::test
