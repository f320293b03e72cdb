// The custom controls of the panels: link label, hover-reporting controls and numeric edits.
#pragma once

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <functional>
#include <optional>

namespace xkiv::ui {

// The hover message the pages ask for: the first user message plus 100.
inline constexpr int kHoverMessage = 1124;

// Posted to a control's parent on every mouse move over it when the
// control's hover message is set; carries the message and the control's
// hover value (the parameter row it stands for).
class HoverEvent : public QEvent {
public:
    static QEvent::Type EventType();
    HoverEvent(int message, int value) : QEvent(EventType()), message_(message), value_(value) {}
    int Message() const { return message_; }
    int Value() const { return value_; }

private:
    int message_;
    int value_;
};

// The hover notification shared by CButtonEX, CComboBoxEX and CMMMEdit:
// message 0 means none.
class HoverSource {
public:
    void SetHover(int message, int value) {
        hoverMessage_ = message;
        hoverValue_ = value;
    }
    int HoverMessage() const { return hoverMessage_; }
    int HoverValue() const { return hoverValue_; }

protected:
    void PostHover(QWidget& self) const;

private:
    int hoverMessage_ = 0;
    int hoverValue_ = 0;
};

// The refusal and clamp sound of the numeric edits: QApplication::beep()
// unless replaced (a test counts the beeps; null restores the default).
void SetBeepHandler(std::function<void()> handler);
void Beep();

// A label that can become a link: blue, underlined, a hand cursor, and a
// click opens its link target (its own text when the target is empty)
// through QDesktopServices, never through a shell command.
class CLabel : public QLabel {
public:
    explicit CLabel(const QString& text = {}, QWidget* parent = nullptr);
    void SetLink();
    void SetLinkTarget(const QString& target) { linkTarget_ = target; }
    const QString& LinkTarget() const { return linkTarget_; }
    bool IsLink() const { return link_; }
    // What a click opens: a URL, or a file name taken relative to the
    // process's current folder.
    static QUrl UrlOf(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString linkTarget_;
    bool link_ = false;
};

class CButtonEX : public QPushButton, public HoverSource {
public:
    explicit CButtonEX(const QString& text = {}, QWidget* parent = nullptr);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

class CComboBoxEX : public QComboBox, public HoverSource {
public:
    explicit CComboBoxEX(QWidget* parent = nullptr);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

class CMMMEdit : public QLineEdit, public HoverSource {
public:
    explicit CMMMEdit(QWidget* parent = nullptr);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// The numeric edit. Typing is filtered character by character (digits,
// backspace, one "." with decimals, one "-" with negatives; anything else
// beeps and never reaches the edit). Return and the loss of focus validate
// the text: it is read as the longest numeric prefix, clamped to the range
// when the range is on (with a beep) and written back in the edit's format.
// Deliberately not a QSpinBox, which rewrites the text while the user types.
class CNEdit : public CMMMEdit {
public:
    explicit CNEdit(QWidget* parent = nullptr);

    void SetValueInt(int value);
    void SetValueReal(double value);
    // Reads, clamps and writes back the text without the beep; whether the
    // value was clamped.
    bool ClampValue();
    void ValidateEntry();
    // The value the text reads as: the longest numeric prefix, 0 without one.
    double Value() const;

    // The range and format fields, set directly by the pages.
    bool rangeOn = false;
    double minimum = 0;
    double maximum = 0;
    bool decimals = false;
    bool negatives = false;

    // Whether a typed character is accepted with the current text and
    // selection.
    bool AcceptsCharacter(QChar character) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Reads and writes back the text; whether the value was clamped.
    bool ReadClampWrite();
    void WriteIfChanged(const QString& text);
};

// Signed and unsigned integer edits.
class CNiEdit : public CNEdit {
public:
    explicit CNiEdit(QWidget* parent = nullptr) : CNEdit(parent) { negatives = true; }
};

class CNuEdit : public CNEdit {
public:
    explicit CNuEdit(QWidget* parent = nullptr) : CNEdit(parent) { negatives = false; }
};

// Whether a refresh may write newText into edit now: always, unless the
// user is editing and the edit has the focus; then not while the edit is
// empty or already shows newText, nor while it holds fewer than
// minimumLength characters (0: any length).
bool CanRefreshEdit(bool editing, const QLineEdit& edit, const std::optional<QString>& newText,
                    int minimumLength);

}  // namespace xkiv::ui
