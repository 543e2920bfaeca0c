#include "ReadOnlyFields.h"

#include <QLineEdit>
#include <QPalette>

namespace q417 {

void MarkReadOnlyFields(QWidget& form) {
    for (QLineEdit* field : form.findChildren<QLineEdit*>()) {
        if (field->isReadOnly() && field->window() == form.window()) {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            field->setPalette(palette);
        }
    }
}

}  // namespace q417
