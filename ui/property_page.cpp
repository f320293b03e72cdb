// The property page's bound check boxes, its frame and its component face.
#include "ui/property_page.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "control/type_library.h"
#include "ui/dialog_units.h"

namespace xkiv::ui {

namespace {

struct BoxInfo {
    const char* objectName;
    const char* caption;
    const char* property;
    int top;  // template units
};

constexpr std::array<BoxInfo, 4> kBoxes = {{
    {"ControlWindow", "Control Window", "ShowControlWindow", 10},
    {"AnotherControlWindow", "Another Control Window", nullptr, 22},
    {"CommunicationWindow", "Communication Window", "ShowCommunicationWindow", 22},
    {"AboutWindow", "About Window", "ShowAboutWindow", 34},
}};

automation::Variant Invoke(automation::DispatchObject& object, const char* name,
                           automation::InvokeKind kind, std::vector<automation::Variant> args) {
    automation::Variant result;
    object.InvokeByName(name, kind, args, &result, nullptr);
    return result;
}

}  // namespace

CXKivRZ150LXPP::CXKivRZ150LXPP(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PropertyPage"));
    const DialogUnits units(font());
    setFixedSize(units.Size(250, 62));
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(kBoxes[i].caption), this);
        box->setObjectName(QString::fromLatin1(kBoxes[i].objectName));
        box->setGeometry(units.Rect(10, kBoxes[i].top, 120, 10));
        box->setVisible(kBoxes[i].property != nullptr);
        bindings_[i] = {box, kBoxes[i].property};
    }
}

void CXKivRZ150LXPP::SetObject(automation::DispatchObject* object) {
    object_ = object;
    for (const Binding& binding : bindings_) {
        bool value = false;
        if (object_ != nullptr && binding.property != nullptr) {
            value = Invoke(*object_, binding.property, automation::InvokeKind::PropertyGet, {})
                        .ToBool()
                        .value_or(false);
        }
        binding.box->setChecked(value);
    }
}

void CXKivRZ150LXPP::Apply() {
    if (object_ == nullptr) {
        return;
    }
    for (const Binding& binding : bindings_) {
        if (binding.property != nullptr) {
            Invoke(*object_, binding.property, automation::InvokeKind::PropertyPut,
                   {automation::Variant::Bool(binding.box->isChecked())});
        }
    }
}

PropertyFrame::PropertyFrame(automation::DispatchObject& object, QWidget* parent)
    : QDialog(parent), page_(new CXKivRZ150LXPP) {
    setObjectName(QStringLiteral("PropertyFrame"));
    setWindowTitle(QStringLiteral("XKivRZ150LX Control Properties"));
    auto* tabs = new QTabWidget(this);
    tabs->addTab(page_, QString::fromLatin1(CXKivRZ150LXPP::kTitle));
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    page_->SetObject(&object);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        page_->Apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            [this] { page_->Apply(); });
}

PropertyPageComponent::PropertyPageComponent() = default;

PropertyPageComponent::~PropertyPageComponent() {
    DestroyControlWindow();
}

const automation::TypeLibraryInfo& PropertyPageComponent::TypeLibrary() const {
    // The page is reached through its page interface; it dispatches nothing.
    static const automation::InterfaceInfo kNoMembers("_DXKivRZ150LXPropPage", {});
    static const automation::TypeLibraryInfo kLibrary{
        XKivTypeLibrary().name,   kTypeLibraryId, kTypeLibraryMajorVersion,
        kTypeLibraryMinorVersion, &kNoMembers,    &kNoMembers};
    return kLibrary;
}

bool PropertyPageComponent::CreateControlWindow(automation::ControlSite& site) {
    return CreatePageWindow(site.ParentWindow());
}

void PropertyPageComponent::DestroyControlWindow() {
    delete page_.data();
}

void PropertyPageComponent::SetObject(automation::DispatchObject* object) {
    object_ = object;
    if (page_ != nullptr) {
        page_->SetObject(object);
    }
}

bool PropertyPageComponent::CreatePageWindow(void* parentWindow) {
    if (page_ == nullptr) {
        page_ = new CXKivRZ150LXPP(static_cast<QWidget*>(parentWindow));
        page_->SetObject(object_);
    }
    return true;
}

void* PropertyPageComponent::PageWindow() {
    return static_cast<QWidget*>(page_.data());
}

void PropertyPageComponent::Apply() {
    if (page_ != nullptr) {
        page_->Apply();
    }
}

automation::Variant PropertyPageComponent::InvokeMember(const automation::MemberInfo&,
                                                        automation::InvokeKind,
                                                        std::vector<automation::Variant>&) {
    throw automation::AutomationException(
        automation::AutomationError{automation::kMemberNotFound, {}, 0});
}

}  // namespace xkiv::ui
