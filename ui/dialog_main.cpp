// The main panel's toggle buttons and their show protocol.
#include "ui/dialog_main.h"

#include "control/control.h"
#include "ui/icons.h"
#include "ui/tool_tips.h"

namespace xkiv::ui {

namespace {

struct ToggleInfo {
    int panel;
    const char* objectName;
    IconId icon;
    int left;  // template units; each button is 16 x 14
    const char* toolTip;
    const char* spokenName;  // the panel's title, for a screen reader
};

constexpr std::array<ToggleInfo, 3> kToggles = {{
    {kPanelControl, "ControlToggle", IconId::Control, 0, "Click to open control dialog",
     "Camera Control"},
    {kPanelCommunication, "CommunicationToggle", IconId::Communication, 16,
     "Click to open communication dialog", "Communication"},
    {kPanelAbout, "AboutToggle", IconId::About, 32, "Click to open about dialog",
     "About This Control"},
}};

// A pressed toggle (its panel open): sunken in a frame of the palette's
// highlight on a light tint of it, plain to see beside a released one and
// its focus frame, with the icon still clear on it.
QString PressedLook(const QPalette& colours) {
    const QColor highlight = colours.color(QPalette::Highlight);
    const QColor button = colours.color(QPalette::Button);
    // A third of the highlight over the button colour.
    const auto mix = [](int highlightPart, int buttonPart) {
        return (highlightPart * 35 + buttonPart * 65) / 100;
    };
    const QColor tint(mix(highlight.red(), button.red()), mix(highlight.green(), button.green()),
                      mix(highlight.blue(), button.blue()));
    return QStringLiteral(
               "QPushButton:checked { background-color: %1; border: 2px inset %2;"
               " border-radius: 2px; }")
        .arg(tint.name(), highlight.name());
}

}  // namespace

CDialogMain::CDialogMain(QWidget* parent) : CDialogAbstractOCX(parent) {}

void CDialogMain::OnInitDialog() {
    const DialogUnits units = Units();
    resize(units.Size(170, 21));
    SetToolTipWidth(*this, 400);
    setStyleSheet(styleSheet() + PressedLook(palette()));
    setAccessibleName(QStringLiteral("Panels"));
    for (const ToggleInfo& info : kToggles) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(info.objectName));
        button->setCheckable(true);
        button->setGeometry(units.Rect(info.left, 0, 16, 14));
        button->setIcon(ModuleIcon(info.icon));
        const int side = std::min(button->width(), button->height()) - 6;
        button->setIconSize(QSize(side, side));
        button->setToolTip(QString::fromLatin1(info.toolTip));
        button->setAccessibleName(QString::fromLatin1(info.spokenName));
        // Enter in the host's window is not a click on the focused toggle.
        button->setAutoDefault(false);
        const int panel = info.panel;
        connect(button, &QPushButton::clicked, this, [this, panel] { Clicked(panel); });
        toggles_[panel] = button;
    }
    // A child window shows with its parent; one created under a window that
    // is already on screen has to be shown itself.
    show();
}

QPushButton* CDialogMain::Toggle(int panelNumber) const {
    return panelNumber > kPanelMain && panelNumber < kPanelCount ? toggles_[panelNumber] : nullptr;
}

void CDialogMain::ShowPanel(int panelNumber, int showCommand) {
    if (QPushButton* button = Toggle(panelNumber)) {
        button->setChecked(showCommand == kShowPanel);
    }
}

void CDialogMain::Clicked(int panelNumber) {
    if (!HasControl()) {
        return;
    }
    // The button has toggled itself already; the control shows or hides the
    // panel and sets the button again through ShowPanel.
    Control().SetShowFlag(panelNumber, Toggle(panelNumber)->isChecked());
}

}  // namespace xkiv::ui
