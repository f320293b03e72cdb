// The host's one window: a strip that carries the control and asks before quitting.
#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>

#include "host/version_info.h"
#include "host/xkiv_ctrl.h"
#include "platform/class_registry.h"

class QContextMenuEvent;

namespace xkiv::host {

inline constexpr const char* kAboutEntry = "&About Tarnview...";
inline constexpr const char* kQuitQuestion = "Are you sure you want to quit this application ?";

class CControlDialog final : public QDialog {
public:
    // Asks the quit question with the given title and text; true for Yes.
    using QuitQuestion = std::function<bool(const QString& title, const QString& text)>;

    explicit CControlDialog(const automation::ClassRegistry& registry = automation::ClassRegistry(),
                            QWidget* parent = nullptr);
    ~CControlDialog() override;

    // The embedded control's window (empty when the control is not there).
    CXKivCtrl& Control() { return *control_; }
    // Replaces the message box that asks before quitting.
    void SetQuitQuestion(QuitQuestion question) { quitQuestion_ = std::move(question); }
    // The About entry: opens the control's About panel.
    void ShowAbout();
    // Ends the dialog as an agreed close does, without the quit question
    // (a termination signal): the modal windows over it are dismissed first.
    void EndWithoutQuestion();

    // Enter and Escape end the dialog only once quitting has been agreed.
    void accept() override;
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CXKivCtrl* control_;
    QuitQuestion quitQuestion_;
    bool mayClose_ = false;
};

// The program's icon, drawn for this program.
QIcon TarnviewIcon();

}  // namespace xkiv::host
