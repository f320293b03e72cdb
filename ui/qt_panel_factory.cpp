// The panel adapter and the table of panel makers.
#include "ui/qt_panel_factory.h"

#include "control/control.h"
#include "ui/dialog_about.h"
#include "ui/dialog_comm.h"
#include "ui/dialog_function.h"
#include "ui/dialog_main.h"
#include "ui/property_page.h"

namespace xkiv::ui {

QtPanel::QtPanel(CDialogAbstractOCX* widget) : widget_(widget) {}

QtPanel::~QtPanel() {
    DestroyWindow();
}

bool QtPanel::Create(int panelNumber, int templateId, void* parentWindow, CXKivRZ150LXCtrl& control,
                     const std::string& name, bool isMain) {
    if (widget_ == nullptr) {
        return false;
    }
    created_ = widget_->Create(panelNumber, templateId, static_cast<QWidget*>(parentWindow),
                               control, name, isMain);
    return created_;
}

void QtPanel::ShowPanel(int panelNumber, int showCommand) {
    if (HasWindow()) {
        widget_->ShowPanel(panelNumber, showCommand);
    }
}

bool QtPanel::HasWindow() const {
    return created_ && widget_ != nullptr;
}

void QtPanel::DestroyWindow() {
    if (widget_ != nullptr) {
        widget_->SavePosition();
        delete widget_.data();
    }
    created_ = false;
}

void* QtPanel::Window() {
    return HasWindow() ? static_cast<QWidget*>(widget_.data()) : nullptr;
}

void QtPanel::MoveWindow(int left, int top, int width, int height) {
    // The host asks from its paint: moving an unmoved window or asking for
    // another paint would make every paint cause the next.
    const QRect place(left, top, width, height);
    if (HasWindow() && widget_->geometry() != place) {
        widget_->setGeometry(place);
    }
}

void QtPanel::OnlineChanged(bool online) {
    if (HasWindow()) {
        widget_->OnlineChanged(online);
    }
}

void QtPanel::SynchronizedChanged(bool synchronized) {
    if (HasWindow()) {
        widget_->SynchronizedChanged(synchronized);
    }
}

void QtPanel::SendingChanged(bool sending, bool immediate) {
    if (HasWindow()) {
        widget_->SendingChanged(sending, immediate);
    }
}

void QtPanel::ReceivingChanged(bool receiving, bool immediate) {
    if (HasWindow()) {
        widget_->ReceivingChanged(receiving, immediate);
    }
}

void QtPanel::CommPortChanged() {
    if (HasWindow()) {
        widget_->CommPortChanged();
    }
}

void QtPanel::ValueChanged(int row, bool refresh, bool fromControl) {
    if (HasWindow()) {
        widget_->ValueChanged(row, refresh, fromControl);
    }
}

void QtPanel::LogMessage(const std::string& text, bool received) {
    if (HasWindow()) {
        widget_->LogMessage(text, received);
    }
}

QtPanelFactory::QtPanelFactory() {
    makers_[kPanelMain] = [] { return new CDialogMain; };
    makers_[kPanelAbout] = [] { return new CDialogAbout; };
    makers_[kPanelCommunication] = [] { return new CDialogComm; };
    makers_[kPanelControl] = [] { return new CDialogFunction; };
}

void QtPanelFactory::SetPanelMaker(int panelNumber, PanelMaker maker) {
    if (panelNumber >= 0 && panelNumber < kPanelCount) {
        makers_[panelNumber] = std::move(maker);
    }
}

std::unique_ptr<Panel> QtPanelFactory::CreatePanel(int panelNumber) {
    if (panelNumber < 0 || panelNumber >= kPanelCount || !makers_[panelNumber]) {
        return nullptr;
    }
    CDialogAbstractOCX* widget = makers_[panelNumber]();
    if (panelNumber == kPanelMain) {
        mainPanel_ = widget;
    }
    return std::make_unique<QtPanel>(widget);
}

QWidget* QtPanelFactory::MainWindow() const {
    return mainPanel_ != nullptr ? mainPanel_->window() : nullptr;
}

}  // namespace xkiv::ui

namespace xkiv::ui {

bool QtPanelFactory::ShowPropertyPages(CXKivRZ150LXCtrl& control) {
    PropertyFrame frame(control, MainWindow());
    frame.exec();
    return true;
}

}  // namespace xkiv::ui
