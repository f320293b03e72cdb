// Page mechanics: building the controls from the tables, refresh and enable passes, ranges, spins
// and hints.
#include "ui/page_base.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdlib>

#include "control/control.h"
#include "ui/accessibility.h"

namespace xkiv::ui {

namespace {

// A Qt button class that reports mouse moves with its hover value.
template <typename Base>
class Hovering : public Base, public HoverSource {
public:
    explicit Hovering(QWidget* parent) : Base(parent) { this->setMouseTracking(true); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        Base::mouseMoveEvent(event);
        PostHover(*this);
    }
};

using CheckBoxEX = Hovering<QCheckBox>;
using RadioButtonEX = Hovering<QRadioButton>;

constexpr int kListHeight = 12;

// The longest text a time text shows: the longest exposure of the slowest
// clock, eight digits before the point.
constexpr const char* kLongestTimeText = "00000000.0ns";

// The page's font, smaller where the longest time text would not leave one
// average character free in a place widthPixels wide: side by side, the
// exposure times would otherwise run into each other.
QFont TimeTextFont(const QFont& pageFont, int widthPixels, int gapPixels) {
    const int needed = QFontMetrics(pageFont).horizontalAdvance(QLatin1String(kLongestTimeText));
    const int room = widthPixels - gapPixels;
    if (needed <= room || room <= 0) {
        return pageFont;
    }
    QFont smaller = pageFont;
    smaller.setPointSizeF(pageFont.pointSizeF() * room / needed);
    return smaller;
}

}  // namespace

CSpinButton::CSpinButton(CNEdit& edit, QWidget* parent)
    : QWidget(parent), edit_(edit), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    up_->setObjectName(QStringLiteral("Up"));
    down_->setObjectName(QStringLiteral("Down"));
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    edit_.installEventFilter(this);
}

void CSpinButton::NameAfter(const QString& editName) {
    setAccessibleName(editName);
    up_->setAccessibleName(editName + QStringLiteral(" up"));
    down_->setAccessibleName(editName + QStringLiteral(" down"));
}

void CSpinButton::SetRange(int low, int high) {
    low_ = low;
    high_ = high;
}

void CSpinButton::Step(int delta) {
    if (!isEnabled()) {
        return;
    }
    const long long current = static_cast<long long>(edit_.Value());
    const long long next = std::clamp<long long>(current + delta, low_, high_);
    edit_.SetValueInt(static_cast<int>(next));
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSpinButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

CDialogPage::CDialogPage(const PageTables& tables, QWidget* parent)
    : CDialogAncestorOCX(parent), tables_(tables) {
    setMouseTracking(true);
}

void CDialogPage::Initialise(CXKivRZ150LXCtrl& control, int templateId) {
    SetControl(control, templateId);
    setFixedSize(Units().Size(303, 260));
    BuildDecorations();
    for (const Binding& binding : tables_.bindings) {
        BuildBinding(binding);
        byRow_.emplace(binding.row, &binding);
    }
    OnInitPage();
    AdoptFramedControls(*this);
}

QLabel* CDialogPage::AddLabel(int id, const char* text, Place place, Qt::Alignment alignment) {
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setGeometry(Units().Rect(place.left, place.top, place.width, place.height));
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (id != 0) {
        controls_[id] = label;
    }
    return label;
}

void CDialogPage::BuildDecorations() {
    const DialogUnits units = Units();
    for (const Decoration& decoration : tables_.decorations) {
        const Place& p = decoration.place;
        switch (decoration.kind) {
            case DecorationKind::Frame: {
                auto* frame = new QGroupBox(QString::fromLatin1(decoration.text), this);
                frame->setGeometry(units.Rect(p.left, p.top, p.width, p.height));
                frame->setAttribute(Qt::WA_TransparentForMouseEvents);
                break;
            }
            case DecorationKind::Label:
                AddLabel(decoration.id, decoration.text, p, Qt::AlignLeft);
                break;
            case DecorationKind::CentredLabel:
                AddLabel(decoration.id, decoration.text, p, Qt::AlignHCenter);
                break;
            case DecorationKind::RightLabel:
                AddLabel(decoration.id, decoration.text, p, Qt::AlignRight);
                break;
            case DecorationKind::TimeText: {
                QLabel* label = AddLabel(decoration.id, decoration.text, p, Qt::AlignRight);
                label->setObjectName(QStringLiteral("Time%1").arg(decoration.id));
                label->setFont(TimeTextFont(font(), label->width(), units.BaseX()));
                break;
            }
        }
    }
}

void CDialogPage::BuildBinding(const Binding& binding) {
    const DialogUnits units = Units();
    const Place& p = binding.place;
    // A caption beside its control starts at the left like every row
    // caption; a column caption above its control is centred over it.
    const bool beside = binding.captionPlace.left + binding.captionPlace.width <= p.left;
    QLabel* caption = binding.caption == 0
                          ? nullptr
                          : AddLabel(binding.caption, binding.label, binding.captionPlace,
                                     beside ? Qt::AlignLeft : Qt::AlignHCenter);
    const QString spokenName =
        QString::fromLatin1(binding.spokenName != nullptr ? binding.spokenName : binding.label)
            .trimmed();
    QWidget* widget = nullptr;
    switch (binding.kind) {
        case BindKind::List:
        case BindKind::PositionList: {
            auto* list = new CComboBoxEX(this);
            list->setGeometry(units.Rect(p.left, p.top, p.width, kListHeight));
            list->SetHover(kHoverMessage, binding.hover);
            connect(list, &QComboBox::currentIndexChanged, this,
                    [this, &binding](int index) { ListChanged(binding, index); });
            widget = list;
            break;
        }
        case BindKind::EditU:
        case BindKind::EditI: {
            CNEdit* edit = binding.kind == BindKind::EditU ? static_cast<CNEdit*>(new CNuEdit(this))
                                                           : new CNiEdit(this);
            edit->setGeometry(units.Rect(p.left, p.top, p.width - kSpinWidth, p.height));
            edit->SetHover(kHoverMessage, binding.hover);
            auto* spin = new CSpinButton(*edit, this);
            spin->setObjectName(QString::fromLatin1(binding.objectName) + QStringLiteral("Spin"));
            spin->setGeometry(
                units.Rect(p.left + p.width - kSpinWidth, p.top, kSpinWidth, p.height));
            spin->NameAfter(spokenName);
            controls_[binding.spin] = spin;
            spins_[binding.id] = spin;
            connect(edit, &QLineEdit::textChanged, this,
                    [this, &binding, edit] { EditChanged(binding, *edit); });
            widget = edit;
            break;
        }
        case BindKind::Check: {
            auto* check = new CheckBoxEX(this);
            check->setText(QString::fromLatin1(binding.label));
            check->setGeometry(units.Rect(p.left, p.top, p.width, p.height));
            check->SetHover(kHoverMessage, binding.hover);
            connect(check, &QCheckBox::toggled, this, [this, &binding](bool on) {
                if (!refreshing) {
                    Acting([&] {
                        SetProperty(binding.property, automation::Variant::Long(on ? 1 : 0));
                    });
                }
            });
            widget = check;
            break;
        }
        case BindKind::Radio: {
            auto* radio = new RadioButtonEX(this);
            radio->setGeometry(units.Rect(p.left, p.top, p.width, p.height));
            radio->SetHover(kHoverMessage, binding.hover);
            connect(radio, &QRadioButton::toggled, this, [this, &binding](bool on) {
                if (on && !refreshing) {
                    Acting([&] {
                        SetProperty(binding.property, automation::Variant::Long(binding.item));
                    });
                }
            });
            widget = radio;
            break;
        }
        case BindKind::NameEdit: {
            auto* edit = new CMMMEdit(this);
            edit->setReadOnly(true);
            edit->setGeometry(units.Rect(p.left, p.top, p.width, p.height));
            edit->SetHover(kHoverMessage, binding.hover);
            widget = edit;
            break;
        }
        case BindKind::Button: {
            auto* button = new CButtonEX(QString::fromLatin1(binding.label), this);
            button->setGeometry(units.Rect(p.left, p.top, p.width, p.height));
            button->SetHover(kHoverMessage, binding.hover);
            button->setAutoDefault(false);
            const PageAction action = binding.action;
            connect(button, &QPushButton::clicked, this, [this, action] { RunAction(action); });
            widget = button;
            break;
        }
    }
    widget->setObjectName(QString::fromLatin1(binding.objectName));
    widget->setAccessibleName(spokenName);
    if (caption != nullptr) {
        caption->setBuddy(widget);
    }
    controls_[binding.id] = widget;
}

QWidget* CDialogPage::ControlById(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

const Binding* CDialogPage::BindingById(int id) const {
    for (const Binding& binding : tables_.bindings) {
        if (binding.id == id) {
            return &binding;
        }
    }
    return nullptr;
}

void CDialogPage::DetachControls() {
    for (const auto& [id, widget] : controls_) {
        widget->blockSignals(true);
    }
}

CNEdit* CDialogPage::EditById(int id) const {
    return dynamic_cast<CNEdit*>(ControlById(id));
}

CSpinButton* CDialogPage::SpinOf(int editId) const {
    const auto found = spins_.find(editId);
    return found == spins_.end() ? nullptr : found->second;
}

void CDialogPage::FillList(QComboBox& list, int row) {
    const QSignalBlocker blocker(list);
    list.clear();
    const int count = Control().GetValueNameCount(row);
    for (int position = 0; position < count; ++position) {
        list.addItem(QString::fromStdString(Control().GetValueName(row, position)));
    }
}

void CDialogPage::SetEditRange(int editId) {
    const Binding* binding = BindingById(editId);
    CNEdit* edit = EditById(editId);
    if (binding == nullptr || edit == nullptr) {
        return;
    }
    const std::int32_t low = Control().GetMinimum(binding->row, false);
    const std::int32_t high = Control().GetMaximum(binding->row, false);
    SpinOf(editId)->SetRange(low, high);
    edit->rangeOn = true;
    edit->minimum = low;
    edit->maximum = high;
}

void CDialogPage::EnablePass() {
    const CCamera& camera = Control();
    const auto enable = [this](int id, bool enabled) {
        if (QWidget* widget = id != 0 ? ControlById(id) : nullptr;
            widget != nullptr && widget->isEnabled() != enabled) {
            widget->setEnabled(enabled);
        }
    };
    for (const Binding& binding : tables_.bindings) {
        if (IsValidRow(binding.row)) {
            const bool enabled = IsEnabled(binding.row, camera);
            for (const int id : {binding.id, binding.spin, binding.caption}) {
                enable(id, enabled);
            }
        }
    }
    for (const Decoration& decoration : tables_.decorations) {
        if (IsValidRow(decoration.enableRow)) {
            enable(decoration.id, IsEnabled(decoration.enableRow, camera));
        }
    }
}

std::int32_t CDialogPage::PropertyValue(const char* property) {
    return GetProperty(property).ToLong().value_or(0);
}

std::int32_t CDialogPage::EditNumber(const QLineEdit& edit) {
    const std::string text = edit.text().toStdString();
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

void CDialogPage::RefreshRowControls(int row) {
    const auto [first, last] = byRow_.equal_range(row);
    for (auto it = first; it != last; ++it) {
        RefreshBinding(*it->second);
    }
}

void CDialogPage::RefreshBinding(const Binding& binding) {
    QWidget* widget = ControlById(binding.id);
    switch (binding.kind) {
        case BindKind::List:
        case BindKind::PositionList: {
            auto* list = static_cast<QComboBox*>(widget);
            const int index = PropertyValue(binding.property);
            if (list->currentIndex() != index) {
                const QSignalBlocker blocker(list);
                list->setCurrentIndex(index);
            }
            break;
        }
        case BindKind::Check: {
            const QSignalBlocker blocker(widget);
            static_cast<QCheckBox*>(widget)->setChecked(PropertyValue(binding.property) != 0);
            break;
        }
        case BindKind::Radio: {
            const QSignalBlocker blocker(widget);
            static_cast<QRadioButton*>(widget)->setChecked(PropertyValue(binding.property) ==
                                                           binding.item);
            break;
        }
        case BindKind::NameEdit: {
            const QString text =
                QString::fromStdString(GetProperty(binding.property).ToText().value_or(""));
            auto* edit = static_cast<QLineEdit*>(widget);
            if (edit->text() != text) {
                edit->setText(text);
            }
            break;
        }
        case BindKind::EditU:
        case BindKind::EditI: {
            auto* edit = static_cast<CNEdit*>(widget);
            std::optional<QString> newText;
            int minimumLength = 0;
            switch (binding.refresh) {
                case RefreshRule::Any:
                    break;
                case RefreshRule::LongValue:
                    minimumLength = 5;
                    break;
                case RefreshRule::Signed:
                    newText = QStringLiteral("-");
                    break;
                case RefreshRule::SignedWhenNegative:
                    if (edit->minimum < 0 || edit->maximum < 0) {
                        newText = QStringLiteral("-");
                    }
                    break;
            }
            if (CanRefreshEdit(*edit, newText, minimumLength)) {
                edit->SetValueInt(PropertyValue(binding.property));
            }
            break;
        }
        case BindKind::Button:
            break;
    }
}

void CDialogPage::ListChanged(const Binding& binding, int index) {
    if (refreshing || index < 0) {
        return;
    }
    if (binding.kind == BindKind::PositionList) {
        ResultCode result = rc::kOk;
        Acting([&] { result = Control().SetValuePosition(binding.row, index); });
        if (!Reporting([&] { Control().RaiseCameraError(binding.row, result); })) {
            return;
        }
        Control().SetModifiedFlag();
        update();
        return;
    }
    Acting([&] { SetProperty(binding.property, automation::Variant::Long(index)); });
}

void CDialogPage::EditChanged(const Binding& binding, const QLineEdit& edit) {
    const bool outer = editing;
    editing = true;
    if (!refreshing) {
        Acting([&] { SetProperty(binding.property, automation::Variant::Long(EditNumber(edit))); });
    }
    editing = outer;
}

void CDialogPage::SetStatusText(const QString& text) {
    auto* status = window()->findChild<QLabel*>(QStringLiteral("StatusLine"));
    if (status != nullptr && status->text() != text) {
        status->setText(text);
    }
}

QString CDialogPage::HintOf(int hover) const {
    if (hover >= 0 && hover < kParameterCount) {
        return QString::fromStdString(Control().GetRangeDescription(hover));
    }
    const char* hint = ButtonHint(hover);
    return hint == nullptr ? QString() : QString::fromLatin1(hint);
}

bool CDialogPage::event(QEvent* event) {
    if (event->type() == HoverEvent::EventType()) {
        const auto* hover = static_cast<HoverEvent*>(event);
        if (hover->Message() == kHoverMessage && HasControl()) {
            SetStatusText(HintOf(hover->Value()));
        }
        return true;
    }
    return CDialogAncestorOCX::event(event);
}

void CDialogPage::mouseMoveEvent(QMouseEvent* event) {
    SetStatusText({});
    CDialogAncestorOCX::mouseMoveEvent(event);
}

}  // namespace xkiv::ui
