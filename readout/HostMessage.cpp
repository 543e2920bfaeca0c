#include "HostMessage.h"

#include <QMessageBox>

namespace q417 {

namespace {

const QString kCaption = QStringLiteral("Q417 Host");

QMessageBox::Icon Icon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Exclamation:
            return QMessageBox::Warning;
        case BoxIcon::Stop:
            return QMessageBox::Critical;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowHostMessage(QWidget* parent, const QString& text, BoxIcon icon) {
    QMessageBox box(Icon(icon), kCaption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // file names and site texts are never markup
    box.exec();
}

bool AskHostYesNo(QWidget* parent, const QString& text, bool defaultNo) {
    QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace q417
