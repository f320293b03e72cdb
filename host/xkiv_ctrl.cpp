// Creates the control by class in a child window and sets its properties by dispatch identifier.
#include "host/xkiv_ctrl.h"

#include <QPainter>
#include <vector>

#include "host/painter_surface.h"

namespace xkiv::host {

CXKivCtrl::CXKivCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("XKivCtrl"));
}

CXKivCtrl::~CXKivCtrl() {
    Destroy();
}

bool CXKivCtrl::Create(std::string_view clsid, const QRect& geometry,
                       const automation::ClassRegistry& registry, std::string* reason) {
    setGeometry(geometry);
    automation::HResult result = automation::kOk;
    std::string why;
    control_ = automation::CreateComponent(clsid, &result, registry, &why);
    if (control_ == nullptr) {
        if (reason != nullptr) {
            *reason = result == automation::kClassNotRegistered
                          ? "the class " + std::string(clsid) + " is not registered"
                          : why;
        }
        return false;
    }
    if (!(*control_)->CreateControlWindow(*this)) {
        control_.reset();
        if (reason != nullptr) {
            *reason = "the control could not create its window";
        }
        return false;
    }
    update();
    return true;
}

void CXKivCtrl::SetBoolProperty(automation::DispId dispid, bool value) {
    if (control_ == nullptr) {
        return;
    }
    std::vector<automation::Variant> args{automation::Variant::Bool(value)};
    (void)(*control_)->Invoke(dispid, automation::InvokeKind::PropertyPut, args, nullptr, nullptr);
}

void CXKivCtrl::Destroy() {
    if (control_ != nullptr) {
        (*control_)->DestroyControlWindow();
        control_.reset();
    }
}

void CXKivCtrl::paintEvent(QPaintEvent* /*event*/) {
    if (control_ == nullptr) {
        return;
    }
    // The container's draw request: a control with a window moves its face
    // over the bounds, one without draws there.
    QPainter painter(this);
    PainterSurface surface(painter);
    (*control_)->Draw(surface, {0, 0, width(), height()});
}

}  // namespace xkiv::host
