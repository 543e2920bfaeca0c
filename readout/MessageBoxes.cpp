#include "MessageBoxes.h"

#include <QCoreApplication>

namespace q417 {

QMessageBox::StandardButton MessageBoxes::Ask(QWidget* parent, const BoxContent& box) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        const QList<MessageBoxes*> replacements =
            app->findChildren<MessageBoxes*>(Qt::FindDirectChildrenOnly);
        if (!replacements.isEmpty()) {
            return replacements.last()->Show(parent, box);
        }
    }
    QMessageBox shown(box.icon, box.title, box.text, box.buttons, parent);
    shown.setTextFormat(box.textFormat);
    if (box.defaultButton != QMessageBox::NoButton) {
        shown.setDefaultButton(box.defaultButton);
    }
    return static_cast<QMessageBox::StandardButton>(shown.exec());
}

}  // namespace q417
