#include "HostMessage.h"

#include <QMessageBox>

namespace q417 {

namespace {

const QString kCaption = QStringLiteral("Q417 Host");

QMessageBox::Icon Icon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Stop:
            return QMessageBox::Critical;
        case BoxIcon::Plain:
            return QMessageBox::NoIcon;
        case BoxIcon::Default:
        case BoxIcon::Exclamation:
            break;
    }
    return QMessageBox::Warning;
}

}  // namespace

void ShowHostMessage(QWidget* parent, const QString& text, BoxIcon icon) {
    QMessageBox box(Icon(icon), kCaption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // file names and site texts are never markup
    box.exec();
}

bool AskHostYesNo(QWidget* parent, const QString& text, bool defaultNo) {
    QMessageBox box(Icon(BoxIcon::Default), kCaption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace q417
