// The Camera Control pages and the correction dialog against a simulated camera: typing, enabling,
// re-ranging, time texts, the aberration map, hints and the correction steps.
#include <QCheckBox>
#include <QComboBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <utility>

#include "tests/ui/ui_fixture.h"
#include "ui/dialog_function.h"
#include "ui/dialog_onepush.h"
#include "ui/icons.h"

namespace xkiv::ui_test {
namespace {

using Settings = std::vector<std::pair<const char*, int>>;

class ControlPagesTest : public UiTest {
protected:
    CXKivRZ150LXCtrl& OpenModel(const char* model, const sim::CameraConfig* config = nullptr) {
        sim::CameraConfig camera = config != nullptr ? *config : test::Model(model);
        camera.model = model;
        camera.onePushMs = 0;
        server_ = &StartSim(camera);
        CXKivRZ150LXCtrl& control = Open(server_->DevicePath());
        Dialog()->show();
        Dialog()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Dialog()));
        return control;
    }
    ui::CDialogFunction* Dialog() {
        return static_cast<ui::CDialogFunction*>(PanelWindow(kPanelControl));
    }
    template <typename W = QWidget>
    W* Widget(const char* name) {
        W* widget = Find<W>(kPanelControl, name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Set(const char* property, int value) {
        std::vector<automation::Variant> args{automation::Variant::Long(value)};
        control_->InvokeByName(property, automation::InvokeKind::PropertyPut, args, nullptr,
                               nullptr);
    }
    void Apply(const Settings& settings) {
        for (const auto& [property, value] : settings) {
            Set(property, value);
        }
    }
    std::size_t Mark() const { return server_->ReceivedLines().size(); }
    std::vector<std::string> Sent(std::size_t mark) const { return LinesSince(*server_, mark); }
    std::string Line(int row) const {
        std::string line = control_->FormatSetCommand(row);
        return line.substr(0, line.size() - 2);
    }
    QString Status() { return Widget<QLabel>("StatusLine")->text(); }

    sim::SimServer* server_ = nullptr;
};

// Typing into an edit: what the camera receives at every keystroke and what
// the edit keeps.
struct TypingCase {
    const char* name;
    const char* model;
    const char* edit;
    const char* typed;
    Qt::Key key;  // pressed after typing; Qt::Key_unknown for none
    const char* text;
    const char* lastLine;
};

class PageTyping : public ControlPagesTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(PageTyping, SendsEveryKeystrokeAndKeepsTheText) {
    const TypingCase& c = GetParam();
    OpenModel(c.model);
    auto* edit = Widget<QLineEdit>(c.edit);
    edit->setFocus();
    edit->selectAll();
    const std::size_t mark = Mark();
    QTest::keyClicks(edit, QString::fromLatin1(c.typed));
    if (c.key != Qt::Key_unknown) {
        QTest::keyClick(edit, c.key);
    }
    EXPECT_EQ(edit->text().toStdString(), c.text);
    const std::vector<std::string> sent = Sent(mark);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), c.lastLine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageTyping,
    ::testing::Values(
        TypingCase{"LineRateBelowMinimumKeepsText", "RZ-130LX", "LineRate", "3", Qt::Key_unknown,
                   "3", "LR=2633"},
        TypingCase{"FifthCharacterShowsClamped", "RZ-130LX", "LineRate", "00001", Qt::Key_unknown,
                   "2633", "LR=2633"},
        TypingCase{"LoneMinusSendsZero", "RZ-150LX", "RedGain", "-", Qt::Key_unknown, "-", "GAR=0"},
        TypingCase{"UpKeyStepsTheSpin", "RZ-150LX", "Reference", "41", Qt::Key_Up, "42", "AL=42"},
        TypingCase{"DownKeyStopsAtMinimum", "RZ-150LX", "Reference", "0", Qt::Key_Down, "0",
                   "AL=0"}),
    [](const auto& info) { return std::string(info.param.name); });

// Which controls the rows' enable conditions leave enabled.
struct EnableCase {
    const char* name;
    const char* model;
    Settings settings;
    std::vector<const char*> enabled;
    std::vector<const char*> disabled;
};

class PageEnabling : public ControlPagesTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(PageEnabling, FollowsTheRowConditions) {
    const EnableCase& c = GetParam();
    OpenModel(c.model);
    Apply(c.settings);
    for (const char* name : c.enabled) {
        EXPECT_TRUE(Widget(name)->isEnabled()) << name;
    }
    for (const char* name : c.disabled) {
        EXPECT_FALSE(Widget(name)->isEnabled()) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageEnabling,
    ::testing::Values(
        EnableCase{"Pwc",
                   "RZ-150LX",
                   {{"TriggerOrigin", 0}, {"TriggerMode", 2}},
                   {"LineRate", "AutoSet", "TriggerMode"},
                   {"TriggerSource", "Interlock", "RedExposure", "GreenExposure", "BlueExposure",
                    "AwbByExposure", "GreenExposureSpin"}},
        EnableCase{"ExternalTrigger",
                   "RZ-150LX",
                   {{"TriggerMode", 0}, {"TriggerOrigin", 1}},
                   {"Reference", "TriggerSource"},
                   {"LineRate", "LineRateSpin", "AutoSet"}},
        EnableCase{"ShutterSelectInterlocked",
                   "RZ-150LX",
                   {{"TriggerMode", 1}, {"ExposureInterlockMode", 1}},
                   {"GreenExposure", "AwbByExposure", "Interlock"},
                   {"RedExposure", "BlueExposure"}},
        EnableCase{"WhiteBalancePreset", "RZ-150LX", {{"WhiteBalanceMode", 1}}, {}, {"AwbByGain"}},
        EnableCase{"KneeOff",
                   "RZ-150LX",
                   {{"KneeMode", 0}},
                   {"KneeMode"},
                   {"RedKneePoint", "BlueKneeSlope"}},
        EnableCase{"KneeOn", "RZ-150LX", {{"KneeMode", 1}}, {"RedKneePoint", "BlueKneeSlope"}, {}},
        EnableCase{"AberrationUnsupported",
                   "RZ-150LX-HR",
                   {{"MovingAverageControl", 1}},
                   {"StartCalibration", "RedCell0"},
                   {"AberrationEnable", "AberrationSet1", "RedLeftSide", "RedArea", "SaveToFile"}},
        EnableCase{"LeftSideOne",
                   "RZ-150LX",
                   {{"MovingAverageControl", 1}, {"AberrationLeftSidePixelRed", 1}},
                   {"RedLeftSide", "RedArea"},
                   {"RedSecondPixel", "RedThirdPixel"}},
        EnableCase{"LeftSideZero",
                   "RZ-150LX",
                   {{"MovingAverageControl", 1}, {"AberrationLeftSidePixelRed", 0}},
                   {"RedLeftSide"},
                   {"RedArea", "RedSecondPixel", "RedThirdPixel"}},
        EnableCase{"LeftSideMinusThree",
                   "RZ-150LX",
                   {{"MovingAverageControl", 1}, {"AberrationLeftSidePixelRed", -3}},
                   {"RedArea", "RedSecondPixel", "RedThirdPixel"},
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A mode the user chooses on the page re-ranges the edits and sends only the values that fell
// out; the same mode set by a program sends nothing beyond its own line.
struct RangeCase {
    const char* name;
    Settings before;
    const char* list;      // the mode list on the page
    const char* property;  // its property, set instead when byProgram
    int value;
    bool byProgram;
    std::vector<std::string> sent;
};

class PageReRanging : public ControlPagesTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(PageReRanging, SendsOnlyValuesOutOfTheNewRange) {
    const RangeCase& c = GetParam();
    OpenModel("RZ-130LX");
    Apply(c.before);
    const std::size_t mark = Mark();
    if (c.byProgram) {
        Set(c.property, c.value);
    } else {
        Widget<QComboBox>(c.list)->setCurrentIndex(c.value);
    }
    EXPECT_EQ(Sent(mark), c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageReRanging,
    ::testing::Values(
        RangeCase{"ReadOutClampsLineRate",
                  {{"SensorReadOutMode", 0}, {"LineRate", 1000000}},
                  "SensorReadOut",
                  "SensorReadOutMode",
                  1,
                  false,
                  {"SRO=1", "LR=823296"}},
        RangeCase{"ReadOutKeepsLineRateInRange",
                  {{"SensorReadOutMode", 0}, {"LineRate", 5000}},
                  "SensorReadOut",
                  "SensorReadOutMode",
                  1,
                  false,
                  {"SRO=1"}},
        RangeCase{"GainModeClampsOnlyOutOfRange",
                  {{"GainMode", 1}, {"MasterGain", 1404}, {"RedGain", 1000}, {"BlueGain", 100}},
                  "GainMode",
                  "GainMode",
                  0,
                  false,
                  {"GM=0", "GA=802", "GAR=602"}},
        RangeCase{"GainModeByProgramSendsItsLineOnly",
                  {{"GainMode", 1}, {"MasterGain", 1404}, {"RedGain", 1000}, {"BlueGain", 100}},
                  "GainMode",
                  "GainMode",
                  0,
                  true,
                  {"GM=0"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The period texts under the line rate and exposure edits.
struct TimeCase {
    const char* name;
    const char* model;
    const char* property;
    int value;
    const char* label;
    const char* text;
};

class PageTimeTexts : public ControlPagesTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(PageTimeTexts, ShowValueTimesClockPeriod) {
    const TimeCase& c = GetParam();
    OpenModel(c.model);
    Set(c.property, c.value);
    EXPECT_EQ(Widget<QLabel>(c.label)->text().toStdString(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageTimeTexts,
    ::testing::Values(TimeCase{"LineRate130", "RZ-130LX", "LineRate", 2633, "Time279", "32912.5ns"},
                      TimeCase{"Exposure130Fs", "RZ-130LX-FS", "GreenExposure", 800, "Time281",
                               "13360.0ns"},
                      TimeCase{"UnknownModel", "RZ-999", "LineRate", 5000, "Time279", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The red area map and the bound check of a left-side change.
struct AberrationCase {
    const char* name;
    Settings before;
    int leftPosition;           // list position chosen on the page; -1 for none
    std::vector<int> sentRows;  // rows whose set lines follow, after the left side's
    const char* map;            // colour index of the 16 red cells
};

class AberrationPage : public ControlPagesTest,
                       public ::testing::WithParamInterface<AberrationCase> {};

TEST_P(AberrationPage, SettlesBoundsAndPaintsTheMap) {
    const AberrationCase& c = GetParam();
    OpenModel("RZ-150LX");
    Apply(c.before);
    const std::size_t mark = Mark();
    if (c.leftPosition >= 0) {
        Widget<QComboBox>("RedLeftSide")->setCurrentIndex(c.leftPosition);
        std::vector<std::string> expected{Line(row::CABLR)};
        for (const int row : c.sentRows) {
            expected.push_back(Line(row));
        }
        EXPECT_EQ(Sent(mark), expected);
    }
    std::string map;
    for (int cell = 0; cell < ui::CDialogChildCalib::kCellsPerColour; ++cell) {
        map += static_cast<char>(
            '0' + Dialog()->CalibPage()->CellColourIndex(ui::CDialogChildCalib::Colour::Red, cell));
    }
    EXPECT_EQ(map, c.map);
}

const Settings kAberrationOn{{"MovingAverageControl", 1}, {"AberrationSelection", 0}};

Settings With(Settings settings, const Settings& more) {
    settings.insert(settings.end(), more.begin(), more.end());
    return settings;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AberrationPage,
    ::testing::Values(AberrationCase{"RightOneArea3",
                                     With(kAberrationOn, {{"AberrationLeftSidePixelRed", 1},
                                                          {"AberrationAreaNumberRed", 3}}),
                                     -1,
                                     {},
                                     "1110000000000111"},
                      AberrationCase{"LeftThree642",
                                     With(kAberrationOn, {{"AberrationLeftSidePixelRed", -3},
                                                          {"AberrationAreaNumberRed", 8},
                                                          {"AberrationSecondPixelRed", 4},
                                                          {"AberrationThirdPixelRed", 2},
                                                          {"AberrationAreaNumberRed", 6}}),
                                     -1,
                                     {},
                                     "3322110000112233"},
                      AberrationCase{"R1ToR2RaisesAreaOnly",
                                     With(kAberrationOn, {{"AberrationLeftSidePixelRed", 2},
                                                          {"AberrationAreaNumberRed", 8},
                                                          {"AberrationSecondPixelRed", 5},
                                                          {"AberrationLeftSidePixelRed", 1},
                                                          {"AberrationAreaNumberRed", 3}}),
                                     5,
                                     {row::CABAR},
                                     "2222210000122222"}),
    [](const auto& info) { return std::string(info.param.name); });

// The status line while the mouse rests on a control or a cell.
struct HintCase {
    const char* name;
    const char* widget;
    bool overCell;  // the move reaches the page at the widget's place
    const char* hint;
};

class PageHints : public ControlPagesTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(PageHints, PutTheHintIntoTheStatusLine) {
    const HintCase& c = GetParam();
    OpenModel("RZ-130LX");
    Apply(With(kAberrationOn, {{"SensorReadOutMode", 0},
                               {"AberrationLeftSidePixelRed", 1},
                               {"AberrationAreaNumberRed", 3}}));
    QWidget* widget = Widget(c.widget);
    QWidget* target = c.overCell ? widget->parentWidget() : widget;
    const QPoint at = c.overCell ? widget->geometry().center() : widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QCoreApplication::processEvents();
    EXPECT_EQ(Status().toStdString(), c.hint);
    // An empty part of the page clears the line.
    QWidget* page = widget->parentWidget();
    QMouseEvent away(QEvent::MouseMove, QPoint(2, 2), page->mapToGlobal(QPoint(2, 2)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page, &away);
    EXPECT_TRUE(Status().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageHints,
    ::testing::Values(HintCase{"List", "TriggerMode", false,
                               "Trigger Mode: No Shutter, Shutter Select or PWC."},
                      HintCase{"Edit", "LineRate", false, "Line Rate, from 2633 to 1347584."},
                      HintCase{"Button", "SaveToFile", false,
                               "Upload Chromatic Aberration From Camera, Then Save Into File"},
                      HintCase{"YellowCell", "RedCell2", true, "Pixel correction"},
                      HintCase{"WhiteCell", "RedCell3", true, "No correction"}),
    [](const auto& info) { return std::string(info.param.name); });

// The correction sequence: what each way through it sends.
struct CorrectionCase {
    const char* name;
    std::map<std::string, int> results;  // one-push outcomes by command
    const char* presses;                 // S skip, T start, C choose "Color"
    int step;                            // step afterwards (4: closed)
    std::vector<std::string> sent;
};

class CorrectionDialog : public ControlPagesTest,
                         public ::testing::WithParamInterface<CorrectionCase> {};

TEST_P(CorrectionDialog, RunsTheStepsInOrder) {
    const CorrectionCase& c = GetParam();
    sim::CameraConfig config;
    config.onePushResults = c.results;
    OpenModel("RZ-150LX", &config);
    Set("PixelBlackCorrectionMode", 0);
    Set("ShadingCorrectionMode", 0);
    ui::CDialogCorrection dialog(*Dialog()->CalibPage(), Dialog());
    dialog.show();
    const std::size_t mark = Mark();
    for (const char* press = c.presses; *press != '\0'; ++press) {
        switch (*press) {
            case 'S':
                QTest::mouseClick(dialog.findChild<QPushButton*>("Skip"), Qt::LeftButton);
                break;
            case 'C':
                QTest::mouseClick(dialog.findChild<QRadioButton*>("Color"), Qt::LeftButton);
                break;
            default:
                QTest::mouseClick(dialog.findChild<QPushButton*>("Start"), Qt::LeftButton);
                break;
        }
    }
    EXPECT_EQ(dialog.Step(), c.step);
    EXPECT_EQ(dialog.isVisible(), c.step < ui::CDialogCorrection::kStepCount);
    std::vector<std::string> sent = Sent(mark);
    // Keep the commands; the result queries in between depend on timing.
    std::erase_if(sent,
                  [](const std::string& line) { return line.find('?') != std::string::npos; });
    EXPECT_EQ(sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionDialog,
    ::testing::Values(CorrectionCase{"SkipFourTimes", {}, "SSSS", 4, {}},
                      CorrectionCase{"TooDarkStays", {{"PBR", 3}}, "T", 0, {"PBR=0"}},
                      CorrectionCase{"BlackSucceeds", {}, "T", 1, {"PBR=0", "PBC=2"}},
                      CorrectionCase{
                          "FlatDisabledBeforeShading", {}, "CSSST", 4, {"SDR=0", "SDC=2"}},
                      CorrectionCase{"ShadingWithColor", {}, "SSSCT", 4, {"SDR=1", "SDC=2"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The one-push buttons: the command each sends first.
struct ButtonCase {
    const char* name;
    const char* button;
    const char* command;
};

class PageButtons : public ControlPagesTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(PageButtons, SendTheirCommand) {
    const ButtonCase& c = GetParam();
    OpenModel("RZ-150LX");
    Apply({{"TriggerMode", 1}, {"TriggerOrigin", 0}, {"WhiteBalanceMode", 0}});
    const std::size_t mark = Mark();
    QTest::mouseClick(Widget<QPushButton>(c.button), Qt::LeftButton);
    const std::vector<std::string> sent = Sent(mark);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), c.command);
}

INSTANTIATE_TEST_SUITE_P(Cases, PageButtons,
                         ::testing::Values(ButtonCase{"AutoSet", "AutoSet", "AR=0"},
                                           ButtonCase{"AwbByExposure", "AwbByExposure", "AH=0"},
                                           ButtonCase{"AwbByGain", "AwbByGain", "AW=0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlPagesTest, AberrationDataGoesToAFileAndBack) {
    OpenModel("RZ-150LX");
    Apply(kAberrationOn);
    const QString path = QString::fromStdString((dir_ / "lens.csv").string());
    modal_.fileAnswers = {path, path};
    QTest::mouseClick(Widget<QPushButton>("SaveToFile"), Qt::LeftButton);
    ASSERT_TRUE(std::filesystem::exists(dir_ / "lens.csv"));
    const std::size_t mark = Mark();
    QTest::mouseClick(Widget<QPushButton>("LoadFromFile"), Qt::LeftButton);
    EXPECT_EQ(modal_.fileDialogs, 2);
    std::vector<std::string> sent = Sent(mark);
    std::erase_if(sent,
                  [](const std::string& line) { return line.find('?') != std::string::npos; });
    EXPECT_FALSE(sent.empty());
    EXPECT_TRUE(modal_.messages.empty());
}

TEST_F(ControlPagesTest, OpensOnTheFirstTabAndTheBarFollowsTheLink) {
    OpenModel("RZ-150LX");
    EXPECT_EQ(Dialog()->Tabs()->currentIndex(), 0);
    EXPECT_TRUE(Status().isEmpty());
    const auto barIs = [this](ui::BarId bar) {
        return Widget<QLabel>("OnlineBar")->pixmap().toImage() == ui::StatusBar(bar).toImage();
    };
    EXPECT_TRUE(barIs(ui::BarId::Green));
    control_->SetShowFlag(kPanelControl, false);
    server_->PullCable();
    Set("TriggerMode", 1);
    EXPECT_TRUE(barIs(ui::BarId::Red));
}

TEST_F(ControlPagesTest, OpeningThePanelOnlyIdentifiesTheCamera) {
    OpenModel("RZ-150LX");
    for (const std::string& line : Sent(0)) {
        EXPECT_NE(line.find('?'), std::string::npos) << "sent: " << line;
    }
}

// Answers the name dialog: fills in the names and ends it with OK or Cancel.
class NameDialogAnswer final : public QObject {
public:
    explicit NameDialogAnswer(bool accept) : accept_(accept) { qApp->installEventFilter(this); }
    ~NameDialogAnswer() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog != nullptr &&
            dialog->objectName() == QStringLiteral("NameDialog")) {
            dialog->findChild<QLineEdit*>(QStringLiteral("Name2"))->setText(QStringLiteral("Wide"));
            QPushButton* button = dialog->findChild<QPushButton*>(
                accept_ ? QStringLiteral("OkButton") : QStringLiteral("CancelButton"));
            QTimer::singleShot(0, button, [button] { button->click(); });
        }
        return false;
    }

private:
    bool accept_;
};

class ChangeName : public ControlPagesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ChangeName, OkSendsAllThreeNamesInOrderCancelNothing) {
    const bool accept = GetParam();
    OpenModel("RZ-150LX");
    Apply(kAberrationOn);
    const std::size_t mark = Mark();
    {
        NameDialogAnswer answer(accept);
        QTest::mouseClick(Widget<QPushButton>("ChangeName"), Qt::LeftButton);
    }
    const std::vector<std::string> expected =
        accept ? std::vector<std::string>{Line(row::CABN1), Line(row::CABN2), Line(row::CABN3)}
               : std::vector<std::string>{};
    EXPECT_EQ(Sent(mark), expected);
    EXPECT_EQ(Widget<QLineEdit>("AberrationName2")->text() == QStringLiteral("Wide"), accept);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChangeName, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ok" : "Cancel"; });

}  // namespace
}  // namespace xkiv::ui_test
