// Link label, hover-reporting controls and the numeric edits.
#include "ui/custom_controls.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QUrl>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace xkiv::ui {

namespace {

std::function<void()>& BeepHandler() {
    static std::function<void()> handler;
    return handler;
}

// The longest prefix of text that reads as a real number; 0 without one.
double LeadingNumber(const QString& text) {
    const std::string bytes = text.trimmed().toStdString();
    double value = 0;
    const auto [end, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    return error == std::errc() ? value : 0.0;
}

}  // namespace

QEvent::Type HoverEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void HoverSource::PostHover(QWidget& self) const {
    // The frame a control sits in is not the dialog that shows its hints.
    QWidget* parent = self.parentWidget();
    while (qobject_cast<QGroupBox*>(parent) != nullptr) {
        parent = parent->parentWidget();
    }
    if (hoverMessage_ != 0 && parent != nullptr) {
        QCoreApplication::postEvent(parent, new HoverEvent(hoverMessage_, hoverValue_));
    }
}

void SetBeepHandler(std::function<void()> handler) {
    BeepHandler() = std::move(handler);
}

void Beep() {
    if (BeepHandler()) {
        BeepHandler()();
    } else {
        QApplication::beep();
    }
}

CLabel::CLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void CLabel::SetLink() {
    link_ = true;
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

QUrl CLabel::UrlOf(const QString& text) {
    const QUrl url(text);
    if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1) {
        return url;
    }
    return QUrl::fromLocalFile(QFileInfo(QDir::current(), text).absoluteFilePath());
}

void CLabel::mousePressEvent(QMouseEvent* event) {
    if (link_ && event->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(UrlOf(linkTarget_.isEmpty() ? text() : linkTarget_));
    }
    QLabel::mousePressEvent(event);
}

CButtonEX::CButtonEX(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setMouseTracking(true);
}

void CButtonEX::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    PostHover(*this);
}

CComboBoxEX::CComboBoxEX(QWidget* parent) : QComboBox(parent) {
    setMouseTracking(true);
}

void CComboBoxEX::mouseMoveEvent(QMouseEvent* event) {
    QComboBox::mouseMoveEvent(event);
    PostHover(*this);
}

CMMMEdit::CMMMEdit(QWidget* parent) : QLineEdit(parent) {
    setMouseTracking(true);
}

void CMMMEdit::mouseMoveEvent(QMouseEvent* event) {
    QLineEdit::mouseMoveEvent(event);
    PostHover(*this);
}

CNEdit::CNEdit(QWidget* parent) : CMMMEdit(parent) {}

bool CNEdit::AcceptsCharacter(QChar character) const {
    if (character >= u'0' && character <= u'9') {
        return true;
    }
    if (character == u'\b') {
        return true;
    }
    // The text that remains once the selection is replaced.
    QString work = text();
    if (hasSelectedText()) {
        work.remove(selectionStart(), selectedText().size());
    }
    if (character == u'.') {
        return decimals && !work.contains(u'.');
    }
    if (character == u'-') {
        return negatives && !work.contains(u'-');
    }
    return false;
}

void CNEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ValidateEntry();
        CMMMEdit::keyPressEvent(event);
        return;
    }
    // Keys without text (arrows, Delete, Home, End, Escape's dialog use) are
    // not typed characters.
    const QString typed = event->text();
    if (typed.isEmpty() || key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        CMMMEdit::keyPressEvent(event);
        return;
    }
    for (const QChar character : typed) {
        if (!AcceptsCharacter(character)) {
            Beep();
            event->accept();
            return;
        }
    }
    CMMMEdit::keyPressEvent(event);
}

void CNEdit::focusOutEvent(QFocusEvent* event) {
    CMMMEdit::focusOutEvent(event);
    ValidateEntry();
}

double CNEdit::Value() const {
    return LeadingNumber(text());
}

bool CNEdit::ReadClampWrite() {
    double value = Value();
    bool clamped = false;
    if (rangeOn) {
        if (minimum > value) {
            value = minimum;
            clamped = true;
        } else if (value > maximum) {
            value = maximum;
            clamped = true;
        }
    }
    SetValueReal(value);
    return clamped;
}

bool CNEdit::ClampValue() {
    return ReadClampWrite();
}

void CNEdit::ValidateEntry() {
    if (ReadClampWrite()) {
        Beep();
    }
}

void CNEdit::SetValueReal(double value) {
    if (!decimals) {
        // Truncated toward zero; values beyond the integer range stop at its ends.
        const double limited =
            std::isnan(value) ? 0.0 : std::fmax(INT_MIN, std::fmin(INT_MAX, value));
        SetValueInt(static_cast<int>(limited));
        return;
    }
    char buffer[64];
    const auto result = value == 0.0 ? std::to_chars(buffer, buffer + sizeof buffer, 0)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                     std::chars_format::fixed, 3);
    WriteIfChanged(QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer)));
}

void CNEdit::SetValueInt(int value) {
    if (decimals) {
        SetValueReal(value);
        return;
    }
    WriteIfChanged(QString::number(value));
}

void CNEdit::WriteIfChanged(const QString& newText) {
    // An unchanged value raises no change notification.
    if (text() != newText) {
        setText(newText);
    }
}

bool CanRefreshEdit(bool editing, const QLineEdit& edit, const std::optional<QString>& newText,
                    int minimumLength) {
    if (!editing || !edit.hasFocus()) {
        return true;
    }
    const QString current = edit.text();
    if (current.isEmpty()) {
        return false;
    }
    if (newText && *newText == current) {
        return false;
    }
    return minimumLength == 0 || current.size() >= minimumLength;
}

}  // namespace xkiv::ui
