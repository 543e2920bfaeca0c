#include "QtDocumentUser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringDecoder>

#include "MessageBoxes.h"
#include "UiActivity.h"

namespace q417 {

namespace {

const QString kCaption = QStringLiteral("Q417 Host");

// The document's messages hold site texts (8-bit) and file paths (UTF-8 on this system): a text
// that is valid UTF-8 is taken as such, any other byte string as Latin-1.
QString MessageText(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString utf8 = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return decoder.hasError() ? QString::fromLatin1(text) : utf8;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            break;
    }
    return QMessageBox::Warning;
}

}  // namespace

QtDocumentUser::QtDocumentUser(UiActivity& activity) : activity_(activity) {}

SaveChoice QtDocumentUser::AskSaveChanges(const std::string& title) {
    UiActivity::Scope busy(activity_);
    switch (MessageBoxes::Ask(
        parent_, {QMessageBox::Warning, kCaption,
                  QStringLiteral("Save changes to %1?").arg(MessageText(title)),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes})) {
        case QMessageBox::Yes:
            return SaveChoice::Save;
        case QMessageBox::No:
            return SaveChoice::Discard;
        default:
            return SaveChoice::Cancel;
    }
}

std::optional<std::string> QtDocumentUser::AskSavePath() {
    UiActivity::Scope busy(activity_);
    QFileDialog dialog(parent_, QStringLiteral("Save As"), QString(),
                       QString::fromLatin1(kSiteFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

std::optional<std::string> QtDocumentUser::AskOpenPath() {
    UiActivity::Scope busy(activity_);
    const QString path = QFileDialog::getOpenFileName(parent_, QStringLiteral("Open"), QString(),
                                                      QString::fromLatin1(kSiteFileFilter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(path).toStdString();
}

bool QtDocumentUser::AskYesNo(Question question, const std::string& text) {
    UiActivity::Scope busy(activity_);
    // Quitting halfway through writing the readout is the one answer not to give by Enter.
    const QMessageBox::StandardButton byEnter =
        question == Question::QuitDuringUpload ? QMessageBox::No : QMessageBox::Yes;
    return MessageBoxes::Ask(parent_, {QMessageBox::Warning, kCaption, MessageText(text),
                                       QMessageBox::Yes | QMessageBox::No, byEnter}) ==
           QMessageBox::Yes;
}

void QtDocumentUser::ShowMessage(const std::string& text, MessageIcon icon) {
    UiActivity::Scope busy(activity_);
    (void)MessageBoxes::Ask(parent_, {BoxIcon(icon), kCaption, MessageText(text)});
}

}  // namespace q417
