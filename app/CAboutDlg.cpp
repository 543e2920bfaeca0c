#include "CAboutDlg.h"

#include <QIcon>

#include "CHyperLink.h"
#include "CQ417HostApp.h"
#include "HostSettings.h"
#include "Q417Version.h"
#include "ui_CAboutDlg.h"

namespace q417 {

namespace {

constexpr int kIconSize = 32;

void ShowIcon(QLabel& label, const QString& path) {
    label.setFixedSize(kIconSize, kIconSize);
    label.setPixmap(QIcon(path).pixmap(QSize(kIconSize, kIconSize), label.devicePixelRatioF()));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ShowIcon(*ui_->iconLabel, QStringLiteral(":/icons/q417host.svg"));
    ShowIcon(*ui_->gaugeLabel, QStringLiteral(":/icons/gauge.svg"));
    ui_->versionLabel->setText(
        QStringLiteral("Q417 Host Version %1").arg(QString::fromLatin1(kVersion)));
    ui_->copyrightLabel->setText(QStringLiteral("Copyright (C) %1 %2")
                                     .arg(kCopyrightYear)
                                     .arg(QString::fromLatin1(kSettingsOrganization)));
    // The link's text sits inside the room of its focus frame; the lines above line up with it.
    for (QLabel* line : {ui_->versionLabel, ui_->noticeLabel, ui_->copyrightLabel}) {
        line->setIndent(ui_->linkLabel->margin());
    }
    ui_->linkLabel->Attach();
    ui_->linkLabel->ChangeStyle(0, CHyperLink::LinkHoverColour, true);
    // OK holds the focus at opening, so Enter or space closes the box rather than opening
    // the address.
    ui_->okButton->setFocus();
}

CAboutDlg::~CAboutDlg() = default;

CHyperLink& CAboutDlg::Link() {
    return *ui_->linkLabel;
}

}  // namespace q417
