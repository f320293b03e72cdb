// What an operator sees and does: time texts that read apart, Escape from inside a page, the
// pressed toggles, the About panel's read-only fields, message boxes and local help files.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include "tests/ui/ui_fixture.h"
#include "ui/dialog_function.h"

namespace xkiv::ui_test {
namespace {

// The three exposure time texts at the model's longest exposure.
class ExposureTimeTexts : public UiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExposureTimeTexts, ReadApartAtTheLongestExposure) {
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model(GetParam())).DevicePath());
    for (const char* property : {"RedExposure", "GreenExposure", "BlueExposure"}) {
        std::vector<automation::Variant> args{
            automation::Variant::Long(control.GetMaximum(row::PER, false))};
        ASSERT_EQ(control.InvokeByName(property, automation::InvokeKind::PropertyPut, args, nullptr,
                                       nullptr),
                  automation::kOk);
    }
    QWidget* page = Find(kPanelControl, "TriggerMode")->window();
    int previousRight = -1;
    for (const char* name : {"Time280", "Time281", "Time282"}) {
        auto* text = Find<QLabel>(kPanelControl, name);
        ASSERT_NE(text, nullptr) << name;
        const QFontMetrics metrics(text->font());
        const int width = metrics.horizontalAdvance(text->text());
        EXPECT_LE(width, text->width()) << text->text().toStdString() << " is cut";
        // Right-aligned in its place.
        const int right = text->mapTo(page, QPoint(text->width(), 0)).x();
        const int left = right - width;
        if (previousRight >= 0) {
            EXPECT_GE(left - previousRight, metrics.horizontalAdvance(QLatin1Char(' ')))
                << text->text().toStdString() << " runs into its neighbour";
        }
        previousRight = right;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, ExposureTimeTexts,
                         ::testing::Values("RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"));

// Escape with the focus on a control inside a page or a panel hides the panel.
struct EscapeCase {
    const char* name;
    int panel;
    int tab;  // Camera Control page; -1 for the other panels
    const char* control;
};

class EscapeInsidePanels : public UiTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeInsidePanels, HidesThePanel) {
    const EscapeCase& c = GetParam();
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model("RZ-130LX", 22)).DevicePath());
    control.SetShowFlag(c.panel, true);
    QWidget* panel = PanelWindow(c.panel);
    if (c.tab >= 0) {
        static_cast<ui::CDialogFunction*>(panel)->Tabs()->setCurrentIndex(c.tab);
    }
    QWidget* focused = Find(c.panel, c.control);
    ASSERT_NE(focused, nullptr);
    ASSERT_TRUE(focused->isEnabled());
    ASSERT_TRUE(panel->isVisible());
    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(control.ShowFlag(c.panel), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, EscapeInsidePanels,
    ::testing::Values(EscapeCase{"LineRateEdit", kPanelControl, 0, "LineRate"},
                      EscapeCase{"TriggerModeList", kPanelControl, 0, "TriggerMode"},
                      EscapeCase{"AutoSetButton", kPanelControl, 0, "AutoSet"},
                      EscapeCase{"GainModeList", kPanelControl, 0, "GainMode"},
                      EscapeCase{"CalibrationButton", kPanelControl, 1, "StartCalibration"},
                      EscapeCase{"AberrationCheck", kPanelControl, 1, "AberrationEnable"},
                      EscapeCase{"Tabs", kPanelControl, 0, "Tabs"},
                      EscapeCase{"PortList", kPanelCommunication, -1, "PortList"},
                      EscapeCase{"UserIdEdit", kPanelAbout, -1, "UserID"}),
    [](const auto& info) { return std::string(info.param.name); });

// The average colour of a widget as it paints itself.
QColor AverageColour(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    long long red = 0, green = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            red += pixel.red();
            green += pixel.green();
            blue += pixel.blue();
        }
    }
    const long long count = static_cast<long long>(image.width()) * image.height();
    return QColor(static_cast<int>(red / count), static_cast<int>(green / count),
                  static_cast<int>(blue / count));
}

int Distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

TEST_F(UiTest, APressedToggleStandsOutFromAReleasedOne) {
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    control.SetShowFlag(kPanelControl, true);
    auto* pressed = Find<QPushButton>(kPanelMain, "ControlToggle");
    auto* released = Find<QPushButton>(kPanelMain, "AboutToggle");
    ASSERT_TRUE(pressed->isChecked());
    ASSERT_FALSE(released->isChecked());
    const QColor highlight = pressed->palette().color(QPalette::Highlight);
    const QColor pressedColour = AverageColour(*pressed);
    const QColor releasedColour = AverageColour(*released);
    // Far apart, and the pressed one leans clearly toward the highlight.
    EXPECT_GE(Distance(pressedColour, releasedColour), 60)
        << pressedColour.name().toStdString() << " " << releasedColour.name().toStdString();
    EXPECT_LT(Distance(pressedColour, highlight) + 60, Distance(releasedColour, highlight));
}

// The About panel's fields: text the user cannot change is shown on the
// window's background without an edit frame; a writable field looks it.
struct FieldCase {
    const char* field;
    bool editUserId;  // "Enable To Edit User ID" chosen
    bool writable;
};

class AboutFields : public UiTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(AboutFields, LookAsWritableAsTheyAre) {
    const FieldCase& c = GetParam();
    Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    if (c.editUserId) {
        QTest::mouseClick(Find<QRadioButton>(kPanelAbout, "EnableUserId"), Qt::LeftButton);
    }
    auto* edit = Find<QLineEdit>(kPanelAbout, c.field);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->isReadOnly(), !c.writable);
    EXPECT_EQ(edit->hasFrame(), c.writable);
    // The empty right end of the field shows its background.
    const QImage image = edit->grab().toImage();
    const QColor background = image.pixelColor(image.width() - 4, image.height() / 2);
    const QColor window = PanelWindow(kPanelAbout)->palette().color(QPalette::Window);
    EXPECT_EQ(background == window, !c.writable) << background.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Fields, AboutFields,
                         ::testing::Values(FieldCase{"ModelName", false, false},
                                           FieldCase{"CameraID", false, false},
                                           FieldCase{"FirmwareVersion", false, false},
                                           FieldCase{"FPGAVersion", false, false},
                                           FieldCase{"UserID", false, false},
                                           FieldCase{"UserID", true, true}));

// A message box opens over the panel in use and is wide enough for its title.
class MessageBoxes : public UiTest, public ::testing::WithParamInterface<int> {};

TEST_P(MessageBoxes, OpenOverTheActivePanelWithTheirWholeTitle) {
    CXKivRZ150LXCtrl& control = Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    control.SetShowFlag(GetParam(), true);
    QWidget* panel = PanelWindow(GetParam());
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    QWidget* owner = nullptr;
    int width = 0;
    int titleWidth = 0;
    modal_.onShow = [&](QObject* shown) {
        auto* box = qobject_cast<QMessageBox*>(shown);
        if (box == nullptr) {
            return false;
        }
        // Measured once the box has laid itself out.
        QTimer::singleShot(0, box, [&, box] {
            owner = box->parentWidget();
            width = box->width();
            QFont bold = box->font();
            bold.setBold(true);
            titleWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
            box->accept();
        });
        return true;
    };
    services_->ShowMessage("Short.", MessageIcon::Warning);
    EXPECT_EQ(owner, panel);
    // The title, a window icon and the title bar's buttons.
    EXPECT_GE(width, titleWidth + 3 * QFontMetrics(panel->font()).height());
}

INSTANTIATE_TEST_SUITE_P(Panels, MessageBoxes,
                         ::testing::Values(kPanelAbout, kPanelCommunication, kPanelControl));

}  // namespace

// Records what QDesktopServices::openUrl is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

namespace {

TEST_F(UiTest, ViewHelpFileOpensTheLocalFileWhateverItsName) {
    const QString previous = QDir::currentPath();
    const QString folder = QString::fromStdString(dir_.string());
    ASSERT_TRUE(QDir::setCurrent(folder));
    const QString manual = QDir(folder).filePath(QStringLiteral("manual:v2.pdf"));
    ASSERT_TRUE(QFile(manual).open(QIODevice::WriteOnly));
    UrlRecorder recorder;
    for (const char* scheme : {"file", "manual"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "Open");
    }
    Open(StartSim(test::Model("RZ-150LX")).DevicePath());
    QTest::mouseClick(Find<QPushButton>(kPanelAbout, "ViewHelpButton"), Qt::LeftButton);
    for (const char* scheme : {"file", "manual"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QDir::setCurrent(previous);
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_EQ(recorder.opened[0], QUrl::fromLocalFile(manual));
}

}  // namespace
}  // namespace xkiv::ui_test

#include "operator_view_test.moc"
