#include "DateTimePicker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

namespace q417 {

namespace {

constexpr int kYearDigits = 4;
constexpr int kFieldDigits = 2;

[[nodiscard]] bool IsFormatLetter(QChar c) {
    return QStringView(u"dMyhHmszt").contains(c);
}

}  // namespace

DateTimePicker::DateTimePicker(QWidget* parent) : QDateTimeEdit(parent) {
    lineEdit()->installEventFilter(this);
}

bool DateTimePicker::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain =
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            // The fields are Left and Right apart; Tab belongs to the dialog.
            const bool forward =
                key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier) == 0;
            if (QAbstractSpinBox::focusNextPrevChild(forward)) {
                return true;
            }
        }
    }
    return QDateTimeEdit::event(event);
}

void DateTimePicker::keyPressEvent(QKeyEvent* event) {
    const std::vector<Field> fields = Fields();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!fields.empty() && modifiers == Qt::NoModifier) {
        const int last = static_cast<int>(fields.size()) - 1;
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right: {
                const bool forward = (event->key() == Qt::Key_Right) != isRightToLeft();
                StartField(std::clamp(field_ + (forward ? 1 : -1), 0, last));
                return;
            }
            case Qt::Key_Home:
                StartField(0);
                return;
            case Qt::Key_End:
                StartField(last);
                return;
            case Qt::Key_Backspace:
            case Qt::Key_Delete:
                // A field is never left half empty: typing replaces it whole.
                return;
            default:
                break;
        }
        const QString text = event->text();
        if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9' &&
            TypeDigit(text[0].unicode() - u'0')) {
            return;
        }
    }
    typed_.clear();
    QDateTimeEdit::keyPressEvent(event);
}

void DateTimePicker::focusInEvent(QFocusEvent* event) {
    QDateTimeEdit::focusInEvent(event);
    const std::vector<Field> fields = Fields();
    if (fields.empty()) {
        return;
    }
    if (event->reason() == Qt::TabFocusReason) {
        field_ = 0;
    } else if (event->reason() == Qt::BacktabFocusReason) {
        field_ = static_cast<int>(fields.size()) - 1;
    }
    // A click chooses its own field once the button is released.
    StartField(field_);
}

bool DateTimePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The press has put the cursor where the click was; the whole field there is chosen.
        if (const int index = FieldAt(lineEdit()->cursorPosition()); index >= 0) {
            StartField(index);
        }
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

std::vector<DateTimePicker::Field> DateTimePicker::Fields() const {
    const QString format = displayFormat();
    const QDateTime value = dateTime();
    std::vector<Field> fields;
    QString shown;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            // Quoted text stands as it is; two quotes stand for one.
            qsizetype j = i + 1;
            if (j < format.size() && format[j] == u'\'') {
                shown += u'\'';
                i = j + 1;
                continue;
            }
            while (j < format.size()) {
                if (format[j] == u'\'') {
                    if (j + 1 < format.size() && format[j + 1] == u'\'') {
                        shown += u'\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                shown += format[j++];
            }
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        if (c == u'a' || c == u'A') {
            // am/pm: "a", "A", "ap" or "AP"
            run = i + 1 < format.size() && (format[i + 1] == u'p' || format[i + 1] == u'P') ? 2 : 1;
        } else if (IsFormatLetter(c)) {
            while (i + run < format.size() && format[i + run] == c) {
                ++run;
            }
        } else {
            shown += c;
            ++i;
            continue;
        }
        const QString token = format.mid(i, run);
        const QString text = locale().toString(value, token, calendar());
        Kind kind = Kind::Other;
        switch (c.unicode()) {
            case u'd':
                kind = run >= 3 ? Kind::WeekDay : Kind::Day;
                break;
            case u'M':
                kind = Kind::Month;
                break;
            case u'y':
                kind = Kind::Year;
                break;
            case u'h':
            case u'H':
                kind = Kind::Hour;
                break;
            case u'm':
                kind = Kind::Minute;
                break;
            case u's':
                kind = Kind::Second;
                break;
            default:
                break;
        }
        fields.push_back({kind, static_cast<int>(shown.size()), static_cast<int>(text.size())});
        shown += text;
        i += run;
    }
    // A text half typed through Qt's own editing, or formatted otherwise than the parts are.
    if (shown != lineEdit()->text()) {
        return {};
    }
    return fields;
}

int DateTimePicker::FieldAt(int position) const {
    const std::vector<Field> fields = Fields();
    int nearest = -1;
    int distance = 0;
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const Field& f = fields[i];
        const int d = position < f.start              ? f.start - position
                      : position > f.start + f.length ? position - (f.start + f.length)
                                                      : 0;
        if (nearest < 0 || d < distance) {
            nearest = i;
            distance = d;
        }
    }
    return nearest;
}

void DateTimePicker::SelectField(int index) {
    const std::vector<Field> fields = Fields();
    if (fields.empty()) {
        return;
    }
    field_ = std::clamp(index, 0, static_cast<int>(fields.size()) - 1);
    const Field& f = fields[field_];
    // Selected from its end backwards, so the cursor (and with it Up and Down) is in the field.
    lineEdit()->setSelection(f.start + f.length, -f.length);
}

void DateTimePicker::StartField(int index) {
    typed_.clear();
    SelectField(index);
}

bool DateTimePicker::TypeDigit(int digit) {
    const std::vector<Field> fields = Fields();
    if (field_ < 0 || field_ >= static_cast<int>(fields.size())) {
        return false;
    }
    const Kind kind = fields[field_].kind;
    if (kind == Kind::Other) {
        return false;
    }
    if (kind == Kind::WeekDay) {
        return true;  // follows the date; nothing to type
    }
    const QString single = QString::number(digit);
    QString digits = typed_ + single;
    if (digits.size() > (kind == Kind::Year ? kYearDigits : kFieldDigits)) {
        digits = single;
    }
    Entry entry = Enter(kind, digits);
    if (entry.refused) {
        // A number the field cannot hold starts over with this digit.
        digits = single;
        entry = Enter(kind, digits);
    }
    typed_ = entry.refused ? QString() : digits;
    if (entry.value && *entry.value != dateTime()) {
        setDateTime(*entry.value);
    }
    SelectField(field_);
    return true;
}

DateTimePicker::Entry DateTimePicker::Enter(Kind kind, const QString& digits) const {
    const int n = digits.toInt();
    const QDateTime now = dateTime();
    int year = now.date().year();
    int month = now.date().month();
    int day = now.date().day();
    QTime time = now.time();
    // "0" may still become 01 to 09 where the field has no 0.
    const bool mayGrow = digits.size() < kFieldDigits;
    switch (kind) {
        case Kind::Day:
            if (n == 0) {
                return {!mayGrow, std::nullopt};
            }
            if (n > QDate(year, month, 1).daysInMonth()) {
                return {true, std::nullopt};
            }
            day = n;
            break;
        case Kind::Month:
            if (n == 0) {
                return {!mayGrow, std::nullopt};
            }
            if (n > 12) {
                return {true, std::nullopt};
            }
            month = n;
            break;
        case Kind::Year: {
            // Fewer than four digits replace the year's last ones: "31" in 2026 gives 2031.
            int scale = 1;
            for (qsizetype i = 0; i < digits.size(); ++i) {
                scale *= 10;
            }
            year = digits.size() < kYearDigits ? year - year % scale + n : n;
            break;
        }
        case Kind::Hour:
            if (n > 23) {
                return {true, std::nullopt};
            }
            time.setHMS(n, time.minute(), time.second(), time.msec());
            break;
        case Kind::Minute:
            if (n > 59) {
                return {true, std::nullopt};
            }
            time.setHMS(time.hour(), n, time.second(), time.msec());
            break;
        case Kind::Second:
            if (n > 59) {
                return {true, std::nullopt};
            }
            time.setHMS(time.hour(), time.minute(), n, time.msec());
            break;
        case Kind::WeekDay:
        case Kind::Other:
            return {true, std::nullopt};
    }
    // A day the new month or year lacks becomes its last one, as stepping the field does.
    const QDate date(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
    if (!date.isValid() || date < minimumDate() || date > maximumDate()) {
        return {true, std::nullopt};
    }
    QDateTime next = now;
    next.setDate(date);
    next.setTime(time);
    return {false, next};
}

}  // namespace q417
