#include "StatusPane.h"

namespace q417 {

StatusPane::StatusPane(int blanks, const QStringList& texts, QWidget* parent)
    : QLabel(QString(blanks, QLatin1Char(' ')), parent) {
    setTextFormat(Qt::PlainText);
    setFixedWidth(0);
    Hold(text());
    for (const QString& sample : texts) {
        Hold(sample);
    }
}

void StatusPane::SetPaneText(const QString& text) {
    Hold(text);
    setText(text);
}

void StatusPane::Hold(const QString& text) {
    const QMargins margins = contentsMargins();
    const int needed =
        fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + 2 * margin();
    if (needed > minimumWidth()) {
        setFixedWidth(needed);
    }
}

}  // namespace q417
