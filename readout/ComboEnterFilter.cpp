#include "ComboEnterFilter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace q417 {

void ComboEnterFilter::InstallOn(QWidget& form) {
    for (QComboBox* combo : form.findChildren<QComboBox*>()) {
        if (combo->isEditable() && combo->window() == form.window()) {
            combo->installEventFilter(new ComboEnterFilter(combo));
        }
    }
}

bool ComboEnterFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (enter && combo != nullptr && combo->lineEdit() != nullptr) {
            combo->lineEdit()->deselect();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace q417
