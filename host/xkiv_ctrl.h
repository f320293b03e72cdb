// The window of the embedded control: created by class identifier, driven by dispatch identifier.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "platform/class_registry.h"
#include "platform/component_loader.h"

namespace xkiv::host {

// The control's class identifier, under which its module registers it.
inline constexpr std::string_view kControlClassId = "{DC56EC68-16C6-4915-AD79-6AB08B938A30}";

// Dispatch identifiers of the control's properties that the host sets.
inline constexpr automation::DispId kShowAboutWindow = 1;
inline constexpr automation::DispId kShowCommunicationWindow = 2;
inline constexpr automation::DispId kShowControlWindow = 3;

// A child window of the host that the control lives in: it is the control's
// site, asks the control to draw itself into its bounds, and owns the
// control created from its module. Nothing of the control is linked: the
// component runtime finds the module through the class registry.
class CXKivCtrl final : public QWidget, private automation::ControlSite {
public:
    explicit CXKivCtrl(QWidget* parent);
    ~CXKivCtrl() override;

    // Creates the control of class clsid with this window as its site,
    // placed at geometry. False, with the reason, when the class is not
    // registered, its module cannot be loaded or the control refuses its
    // window; the window then stays empty.
    bool Create(std::string_view clsid, const QRect& geometry,
                const automation::ClassRegistry& registry, std::string* reason);
    bool HasControl() const { return control_ != nullptr; }

    // Sets a boolean property by dispatch identifier; the result is not used.
    void SetBoolProperty(automation::DispId dispid, bool value);

    // Destroys the control's window (its panels save their places) and then
    // the control; harmless twice.
    void Destroy();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void* ParentWindow() override { return this; }

    std::unique_ptr<automation::ComponentHandle> control_;
};

}  // namespace xkiv::host
