#include "HostMessage.h"

#include <QMessageBox>

#include "MessageBoxes.h"

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
    // File names and site texts are never markup.
    (void)MessageBoxes::Ask(parent, {Icon(icon), kCaption, text, QMessageBox::Ok,
                                     QMessageBox::NoButton, Qt::PlainText});
}

bool ShowRefusal(QWidget* parent, const std::optional<std::string>& refusal, QWidget& field) {
    if (!refusal) {
        return false;
    }
    ShowHostMessage(parent, QString::fromLatin1(*refusal), BoxIcon::Stop);
    field.setFocus();
    return true;
}

bool AskHostYesNo(QWidget* parent, const QString& text, bool defaultNo) {
    return MessageBoxes::Ask(
               parent, {Icon(BoxIcon::Default), kCaption, text, QMessageBox::Yes | QMessageBox::No,
                        defaultNo ? QMessageBox::No : QMessageBox::Yes, Qt::PlainText}) ==
           QMessageBox::Yes;
}

}  // namespace q417
