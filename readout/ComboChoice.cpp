#include "ComboChoice.h"

#include <QComboBox>

namespace q417 {

void FillCombo(QComboBox& combo, const char* const* texts, int count) {
    combo.clear();
    for (int i = 0; i < count; ++i) {
        combo.addItem(QString::fromLatin1(texts[i]));
    }
}

int ChosenEntry(const QComboBox& combo) {
    const QString text = combo.currentText();
    return text.isEmpty() ? -1 : combo.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

}  // namespace q417
