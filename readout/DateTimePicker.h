#pragma once

#include <QDateTimeEdit>
#include <QString>
#include <optional>
#include <vector>

class QFocusEvent;
class QKeyEvent;

namespace q417 {

// A date or time picker whose fields are whole, as a date-time picker control's are: a click
// selects the field under it, Left and Right step from field to field, typed digits replace
// the field's number ("15" gives 15), Up and Down step it, and Tab moves on to the next control
// rather than through the fields. When the shown text is not one this picker can take apart
// (a display format it does not know), it edits as Qt's own date-time edit does.
class DateTimePicker : public QDateTimeEdit {
    Q_OBJECT

  public:
    explicit DateTimePicker(QWidget* parent = nullptr);

    // The selected field, counted from 0 in the display format's order.
    [[nodiscard]] int FieldIndex() const { return field_; }

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Kind { Day, WeekDay, Month, Year, Hour, Minute, Second, Other };
    struct Field {
        Kind kind = Kind::Other;
        int start = 0;  // position in the shown text
        int length = 0;
    };
    // The outcome of the digits typed so far into a field.
    struct Entry {
        bool refused = false;            // no value of the field reads so
        std::optional<QDateTime> value;  // nothing yet: the digits may still become one
    };

    // The fields of the shown text, in order; none when the text cannot be taken apart.
    [[nodiscard]] std::vector<Field> Fields() const;
    [[nodiscard]] int FieldAt(int position) const;
    [[nodiscard]] Entry Enter(Kind kind, const QString& digits) const;
    // Selects field index (kept within the fields) with the cursor at its start, where the
    // arrows' steps act.
    void SelectField(int index);
    // The field was chosen anew: digits typed before no longer count.
    void StartField(int index);
    // False when the selected field is not one this picker types into.
    bool TypeDigit(int digit);

    int field_ = 0;
    QString typed_;  // digits typed into the selected field since it was chosen
};

}  // namespace q417
