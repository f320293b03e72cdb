// Typing into the numeric edits: the character filter, validation with clamping, formats and beeps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "ui/custom_controls.h"

namespace xkiv::ui_test {
namespace {

struct TypingCase {
    const char* name;
    bool decimals;
    bool negatives;
    const char* start;  // text before typing
    int selectFrom;     // selection start, -1 for none (cursor at the end)
    int selectLength;
    const char* typed;
    const char* expected;  // text after typing
    int beeps;
};

class NumericEditTyping : public ::testing::TestWithParam<TypingCase> {};

TEST_P(NumericEditTyping, FiltersEveryCharacter) {
    const TypingCase& c = GetParam();
    int beeps = 0;
    ui::SetBeepHandler([&beeps] { ++beeps; });
    ui::CNEdit edit;
    edit.decimals = c.decimals;
    edit.negatives = c.negatives;
    edit.setText(QString::fromLatin1(c.start));
    if (c.selectFrom >= 0) {
        edit.setSelection(c.selectFrom, c.selectLength);
    } else {
        edit.end(false);
    }
    QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
    EXPECT_EQ(edit.text().toStdString(), c.expected);
    EXPECT_EQ(beeps, c.beeps);
    ui::SetBeepHandler(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumericEditTyping,
    ::testing::Values(
        TypingCase{"DigitsPass", false, false, "", -1, 0, "0123456789", "0123456789", 0},
        TypingCase{"LettersBeep", false, false, "1", -1, 0, "a2Z", "12", 2},
        TypingCase{"PointWithoutDecimalsBeeps", false, false, "1", -1, 0, ".5", "15", 1},
        TypingCase{"OnePointWithDecimals", true, false, "", -1, 0, "1.5.", "1.5", 1},
        TypingCase{"PointReplacingTheSelectedPoint", true, false, "1.5", 1, 2, ".", "1.", 0},
        TypingCase{"MinusWithoutNegativesBeeps", false, false, "", -1, 0, "-1", "1", 1},
        TypingCase{"MinusAnywhereOnce", false, true, "12", -1, 0, "--", "12-", 1},
        TypingCase{"TabIsNoCharacter", false, false, "1", -1, 0, "\t", "1", 0},
        TypingCase{"SpaceBeeps", false, true, "1", -1, 0, " ", "1", 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct ValidateCase {
    const char* name;
    bool decimals;
    bool rangeOn;
    const char* text;
    const char* expected;
    bool clamped;
};

class NumericEditValidation : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(NumericEditValidation, ReturnReadsClampsAndRewrites) {
    const ValidateCase& c = GetParam();
    int beeps = 0;
    ui::SetBeepHandler([&beeps] { ++beeps; });
    ui::CNEdit edit;
    edit.decimals = c.decimals;
    edit.negatives = true;
    edit.rangeOn = c.rangeOn;
    edit.minimum = 0;
    edit.maximum = 100;
    edit.setText(QString::fromLatin1(c.text));
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text().toStdString(), c.expected);
    EXPECT_EQ(beeps, c.clamped ? 1 : 0);

    // ClampValue does the same without the sound.
    edit.setText(QString::fromLatin1(c.text));
    EXPECT_EQ(edit.ClampValue(), c.clamped);
    EXPECT_EQ(edit.text().toStdString(), c.expected);
    EXPECT_EQ(beeps, c.clamped ? 1 : 0);
    ui::SetBeepHandler(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumericEditValidation,
    ::testing::Values(ValidateCase{"AboveTheRange", false, true, "150", "100", true},
                      ValidateCase{"AboveTheRangeWithDecimals", true, true, "150", "100.000", true},
                      ValidateCase{"BelowTheRange", false, true, "-5", "0", true},
                      ValidateCase{"OutsideWithRangeOff", false, false, "150", "150", false},
                      ValidateCase{"EmptyReadsAsZero", false, true, "", "0", false},
                      ValidateCase{"TrailingMinusIsIgnored", false, true, "12-", "12", false},
                      ValidateCase{"ZeroWithDecimals", true, true, "0.0", "0", false},
                      ValidateCase{"RealWithDecimals", true, true, "2.5", "2.500", false},
                      ValidateCase{"RealTruncatedWithout", false, true, "99.9", "99", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumericEdit, UnchangedValueWritesNothing) {
    ui::CNEdit edit;
    edit.setText(QStringLiteral("42"));
    int changes = 0;
    QObject::connect(&edit, &QLineEdit::textChanged, [&changes] { ++changes; });
    edit.SetValueInt(42);
    edit.SetValueReal(42.7);
    EXPECT_EQ(changes, 0);
    edit.SetValueInt(43);
    EXPECT_EQ(changes, 1);
}

struct RefreshCase {
    const char* name;
    bool editing;
    bool focused;
    const char* current;
    const char* newText;  // null: none given
    int minimumLength;
    bool expected;
};

class RefreshGuard : public ::testing::TestWithParam<RefreshCase> {};

TEST_P(RefreshGuard, KeepsWhatTheUserIsTyping) {
    const RefreshCase& c = GetParam();
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    (c.focused ? edit : other)->setFocus();
    QApplication::processEvents();
    edit->setText(QString::fromLatin1(c.current));
    const std::optional<QString> newText =
        c.newText != nullptr ? std::optional<QString>(QString::fromLatin1(c.newText))
                             : std::nullopt;
    EXPECT_EQ(ui::CanRefreshEdit(c.editing, *edit, newText, c.minimumLength), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefreshGuard,
    ::testing::Values(RefreshCase{"NotEditing", false, true, "", "5", 0, true},
                      RefreshCase{"FocusElsewhere", true, false, "", "5", 0, true},
                      RefreshCase{"EmptyWhileTyping", true, true, "", "5", 0, false},
                      RefreshCase{"SameText", true, true, "5", "5", 0, false},
                      RefreshCase{"OtherText", true, true, "4", "5", 0, true},
                      RefreshCase{"TooShort", true, true, "4", nullptr, 2, false},
                      RefreshCase{"LongEnough", true, true, "45", nullptr, 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xkiv::ui_test

namespace xkiv::ui_test {
namespace {

// Collects the hover events its controls post.
class HoverParent final : public QWidget {
public:
    std::vector<std::pair<int, int>> hovers;

protected:
    bool event(QEvent* event) override {
        if (event->type() == ui::HoverEvent::EventType()) {
            const auto* hover = static_cast<ui::HoverEvent*>(event);
            hovers.emplace_back(hover->Message(), hover->Value());
            return true;
        }
        return QWidget::event(event);
    }
};

TEST(HoverControls, ReportTheirRowToTheParentOnlyWhenAsked) {
    HoverParent parent;
    auto* button = new ui::CButtonEX(QStringLiteral("b"), &parent);
    auto* list = new ui::CComboBoxEX(&parent);
    auto* edit = new ui::CNuEdit(&parent);
    list->move(0, 40);
    edit->move(0, 80);
    parent.resize(200, 120);
    parent.show();
    QTest::mouseMove(button, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_TRUE(parent.hovers.empty());

    button->SetHover(ui::kHoverMessage, 13);
    list->SetHover(ui::kHoverMessage, 28);
    edit->SetHover(ui::kHoverMessage, 18);
    for (QWidget* control : std::initializer_list<QWidget*>{button, list, edit}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), control->mapToGlobal(QPointF(4, 4)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(control, &move);
    }
    QApplication::processEvents();
    EXPECT_EQ(parent.hovers,
              (std::vector<std::pair<int, int>>{{1124, 13}, {1124, 28}, {1124, 18}}));
}

}  // namespace
}  // namespace xkiv::ui_test
