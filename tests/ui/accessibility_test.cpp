// Every window as a screen reader walks it: names, roles, frames that contain their controls, and
// the main panel's toggles pressed through their accessible action.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <memory>
#include <set>

#include "tests/ui/ui_fixture.h"
#include "ui/dialog_about.h"
#include "ui/dialog_function.h"
#include "ui/dialog_onepush.h"
#include "ui/dialog_progress.h"
#include "ui/property_page.h"

namespace xkiv::ui_test {
namespace {

// What a user operates; each must carry a name.
const std::set<QAccessible::Role> kInteractive = {
    QAccessible::Button,     QAccessible::CheckBox,       QAccessible::RadioButton,
    QAccessible::ComboBox,   QAccessible::EditableText,   QAccessible::SpinBox,
    QAccessible::List,       QAccessible::PageTab,        QAccessible::Slider,
    QAccessible::ButtonMenu, QAccessible::ButtonDropDown,
};

struct Node {
    QAccessibleInterface* face;
    std::vector<QAccessibleInterface*> groupings;  // the frames above it in the tree
};

// The visible part of the tree below root, depth first.
void Walk(QAccessibleInterface* face, std::vector<QAccessibleInterface*> groupings,
          std::vector<Node>& nodes) {
    if (face == nullptr || face->state().invisible) {
        return;
    }
    nodes.push_back({face, groupings});
    if (face->role() == QAccessible::Grouping) {
        groupings.push_back(face);
    }
    for (int i = 0; i < face->childCount(); ++i) {
        Walk(face->child(i), groupings, nodes);
    }
}

std::string Describe(QAccessibleInterface* face) {
    QObject* object = face->object();
    return std::string(object != nullptr ? object->metaObject()->className() : "?") + " '" +
           (object != nullptr ? object->objectName().toStdString() : "") + "' role " +
           std::to_string(face->role()) + " name '" + face->text(QAccessible::Name).toStdString() +
           "'";
}

// One window of the user interface as the test opens it.
struct WindowCase {
    const char* name;
    QAccessible::Role role;  // of the window, or of the main panel in the host's window
    std::function<QWidget*(class AccessibleWindows&)> open;
};

class AccessibleWindows : public UiTest, public ::testing::WithParamInterface<WindowCase> {
public:
    QWidget* Panel(int panel) {
        control_->SetShowFlag(panel, true);
        return PanelWindow(panel);
    }
    QWidget* ControlPage(int tab) {
        auto* dialog = static_cast<ui::CDialogFunction*>(Panel(kPanelControl));
        dialog->Tabs()->setCurrentIndex(tab);
        return dialog;
    }
    QWidget* Host() {
        host_->setWindowTitle(QStringLiteral("Host"));
        return host_.get();
    }
    // A stand-alone dialog shown without its modal loop, owned by the test.
    template <typename Dialog, typename... Args>
    QWidget* Own(Args&&... args) {
        auto dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
        QWidget* window = dialog.get();
        window->show();
        owned_.push_back(std::move(dialog));
        return window;
    }
    ui::CDialogFunction& Function() {
        return *static_cast<ui::CDialogFunction*>(PanelWindow(kPanelControl));
    }

    ~AccessibleWindows() override { owned_.clear(); }

private:
    std::vector<std::unique_ptr<QWidget>> owned_;
};

TEST_P(AccessibleWindows, NameEveryControlAndFrameItsControls) {
    const WindowCase& c = GetParam();
    Open(StartSim(test::Model("RZ-130LX", 22)).DevicePath());
    QWidget* window = c.open(*this);
    ASSERT_NE(window, nullptr);
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    std::vector<Node> nodes;
    Walk(root, {}, nodes);

    std::vector<std::string> unnamed;
    std::vector<std::string> outsideTheirFrame;
    std::set<QAccessible::Role> roles;
    for (const Node& node : nodes) {
        roles.insert(node.face->role());
        if (!kInteractive.count(node.face->role())) {
            continue;
        }
        const QString name = node.face->text(QAccessible::Name).trimmed();
        // A list named by its current entry is as good as unnamed.
        if (name.isEmpty() || (node.face->role() == QAccessible::ComboBox &&
                               name == node.face->text(QAccessible::Value))) {
            unnamed.push_back(Describe(node.face));
        }
        for (const Node& frame : nodes) {
            if (frame.face->role() == QAccessible::Grouping &&
                frame.face->rect().contains(node.face->rect()) &&
                std::find(node.groupings.begin(), node.groupings.end(), frame.face) ==
                    node.groupings.end()) {
                outsideTheirFrame.push_back(Describe(node.face) + " in " + Describe(frame.face));
            }
        }
    }
    EXPECT_TRUE(unnamed.empty()) << ::testing::PrintToString(unnamed);
    EXPECT_TRUE(outsideTheirFrame.empty()) << ::testing::PrintToString(outsideTheirFrame);
    EXPECT_GT(nodes.size(), 2u);
    // The window (or the main panel in the host's window) plays its role, not a filler's.
    EXPECT_TRUE(root->role() == c.role || roles.count(c.role)) << Describe(root);
    EXPECT_FALSE(root->text(QAccessible::Name).isEmpty()) << Describe(root);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, AccessibleWindows,
    ::testing::Values(WindowCase{"HostWithMainPanel", QAccessible::ToolBar,
                                 [](AccessibleWindows& t) { return t.Host(); }},
                      WindowCase{"About", QAccessible::Dialog,
                                 [](AccessibleWindows& t) { return t.Panel(kPanelAbout); }},
                      WindowCase{"Communication", QAccessible::Dialog,
                                 [](AccessibleWindows& t) { return t.Panel(kPanelCommunication); }},
                      WindowCase{"CameraControls", QAccessible::Dialog,
                                 [](AccessibleWindows& t) { return t.ControlPage(0); }},
                      WindowCase{"Calibration", QAccessible::Dialog,
                                 [](AccessibleWindows& t) { return t.ControlPage(1); }},
                      WindowCase{"NameDialog", QAccessible::Dialog,
                                 [](AccessibleWindows& t) { return t.Own<ui::CNameDialog>(); }},
                      WindowCase{"CorrectionDialog", QAccessible::Dialog,
                                 [](AccessibleWindows& t) {
                                     t.ControlPage(1);
                                     return t.Own<ui::CDialogCorrection>(*t.Function().CalibPage(),
                                                                         nullptr);
                                 }},
                      WindowCase{
                          "Progress", QAccessible::Dialog,
                          [](AccessibleWindows& t) {
                              QWidget* progress = t.Own<ui::CDialogProgress>();
                              static_cast<ui::CDialogProgress*>(progress)->ShowCancelButton();
                              return progress;
                          }}),
    [](const auto& info) { return std::string(info.param.name); });

// A main-panel toggle pressed through its accessible action, as a screen
// reader presses it: the panel opens and closes exactly as on a click.
class AccessibleToggles : public UiTest, public ::testing::WithParamInterface<int> {};

TEST_P(AccessibleToggles, PressOpensAndClosesTheirPanel) {
    const int panel = GetParam();
    Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    QWidget* window = PanelWindow(panel);
    ASSERT_FALSE(window->isVisible());
    std::vector<Node> nodes;
    Walk(QAccessible::queryAccessibleInterface(host_.get()), {}, nodes);
    QAccessibleInterface* toggle = nullptr;
    for (const Node& node : nodes) {
        if (node.face->role() == QAccessible::Button &&
            node.face->text(QAccessible::Name) == window->windowTitle()) {
            toggle = node.face;
        }
    }
    ASSERT_NE(toggle, nullptr) << window->windowTitle().toStdString();
    QAccessibleActionInterface* actions = toggle->actionInterface();
    ASSERT_NE(actions, nullptr);
    // Press opens, toggle closes: both act as a click.
    for (const auto& [action, open] :
         {std::pair{QAccessibleActionInterface::pressAction(), true},
          std::pair{QAccessibleActionInterface::toggleAction(), false}}) {
        ASSERT_TRUE(actions->actionNames().contains(action)) << action.toStdString();
        actions->doAction(action);
        EXPECT_EQ(window->isVisible(), open) << action.toStdString();
        EXPECT_EQ(control_->ShowFlag(panel) != 0, open) << action.toStdString();
        EXPECT_EQ(toggle->state().checked, open) << action.toStdString();
    }
}

// The factory serves while a panel factory lives and is gone with the last
// one: a host may unload the module afterwards.
TEST(AccessibilityFactory, ServesWhileAPanelFactoryLives) {
    const auto listName = [] {
        QWidget window;
        auto* caption = new QLabel(QStringLiteral("Caption"), &window);
        auto* list = new ui::CComboBoxEX(&window);
        list->addItem(QStringLiteral("entry"));
        caption->setBuddy(list);
        return QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name);
    };
    if (listName() == QStringLiteral("Caption")) {
        // The module loaded by another test of this process keeps its own.
        GTEST_SKIP() << "a panel factory of the loaded module is alive";
    }
    auto first = std::make_unique<ui::QtPanelFactory>();
    { const ui::QtPanelFactory second; }
    EXPECT_EQ(listName(), QStringLiteral("Caption"));
    first.reset();
    // Qt's own list again, which names it by its entry on this platform.
    EXPECT_NE(listName(), QStringLiteral("Caption"));
}

INSTANTIATE_TEST_SUITE_P(Panels, AccessibleToggles,
                         ::testing::Values(kPanelAbout, kPanelCommunication, kPanelControl));

}  // namespace
}  // namespace xkiv::ui_test
