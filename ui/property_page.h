// The control's property page "General", its frame, and the page as a component.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <array>

#include "platform/component_control.h"

namespace xkiv::ui {

// Three check boxes bound by name to the control's ShowControlWindow,
// ShowCommunicationWindow and ShowAboutWindow; a fourth box of the page
// ("Another Control Window") stays hidden and bound to nothing. The page
// reads the properties when it gets its object and writes them on Apply.
class CXKivRZ150LXPP : public QWidget {
public:
    static constexpr const char* kTitle = "General";

    explicit CXKivRZ150LXPP(QWidget* parent = nullptr);
    void SetObject(automation::DispatchObject* object);
    void Apply();

private:
    struct Binding {
        QCheckBox* box;
        const char* property;  // null: bound to nothing
    };
    std::array<Binding, 4> bindings_{};
    automation::DispatchObject* object_ = nullptr;
};

// The frame in which a user edits the control's properties: the page in a
// tab, with OK, Cancel and Apply.
class PropertyFrame : public QDialog {
public:
    PropertyFrame(automation::DispatchObject& object, QWidget* parent = nullptr);
    CXKivRZ150LXPP& Page() { return *page_; }

private:
    CXKivRZ150LXPP* page_;
};

// The page created by its class identifier, for a container that builds its
// own frame.
class PropertyPageComponent final : public automation::ComponentControl,
                                    public automation::PropertyPage {
public:
    PropertyPageComponent();
    ~PropertyPageComponent() override;

    const automation::TypeLibraryInfo& TypeLibrary() const override;
    bool CreateControlWindow(automation::ControlSite& site) override;
    void DestroyControlWindow() override;
    automation::PropertyPage* AsPropertyPage() override { return this; }

    std::string Title() const override { return CXKivRZ150LXPP::kTitle; }
    void SetObject(automation::DispatchObject* object) override;
    bool CreatePageWindow(void* parentWindow) override;
    void* PageWindow() override;
    void Apply() override;

protected:
    automation::Variant InvokeMember(const automation::MemberInfo& member,
                                     automation::InvokeKind kind,
                                     std::vector<automation::Variant>& args) override;

private:
    QPointer<CXKivRZ150LXPP> page_;
    automation::DispatchObject* object_ = nullptr;
};

}  // namespace xkiv::ui
