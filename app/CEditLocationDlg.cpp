#include "CEditLocationDlg.h"

#include <QFontMetrics>
#include <QLineEdit>

#include "ReadOnlyFields.h"
#include "SiteText.h"
#include "SiteTextValidator.h"
#include "ui_CEditLocationDlg.h"

namespace q417 {

namespace {

// Wide enough to show `sample` whole: the text plus the frame and margins the field adds to its
// own width, which it sizes for 17 'x'.
[[nodiscard]] int FieldWidth(const QLineEdit& field, const QString& sample) {
    const QFontMetrics metrics(field.font());
    const int frame = field.sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    return metrics.horizontalAdvance(sample) + frame + 2;  // and the cursor
}

}  // namespace

CEditLocationDlg::CEditLocationDlg(QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CEditLocationDlg>()),
      locationValidator_(new SiteTextValidator(kMaxLocationLength, this)) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // A comma would split the site's comma-separated line; a line break or a zero would end it.
    ui_->locationEdit->setValidator(locationValidator_);
    ui_->siteEdit->setFixedWidth(FieldWidth(*ui_->siteEdit, QStringLiteral("00000")));
    ui_->locationEdit->setMinimumWidth(
        FieldWidth(*ui_->locationEdit, QString(kMaxLocationLength, QLatin1Char('M'))));
    // The site's ID is changed in the list, not here.
    MarkReadOnlyFields(*this);
}

CEditLocationDlg::~CEditLocationDlg() = default;

int CEditLocationDlg::exec() {
    LoadFromMembers();
    return QDialog::exec();
}

void CEditLocationDlg::LoadFromMembers() {
    ui_->locationEdit->setMaxLength(kMaxLocationLength);
    // A text that arrives with characters the field refuses is shown as it could be typed.
    QString location = locationText;
    locationValidator_->fixup(location);
    ui_->locationEdit->setText(location);
    ui_->siteEdit->setText(siteText);
    ui_->locationEdit->setFocus();
    ui_->locationEdit->selectAll();
}

void CEditLocationDlg::accept() {
    locationText = ui_->locationEdit->text();
    siteText = ui_->siteEdit->text();
    QDialog::accept();
}

}  // namespace q417
