#include "CCalibrationDlg.h"

#include <QFile>
#include <algorithm>
#include <array>

#include "CReadoutLink.h"
#include "CalibrationLog.h"
#include "HostMessage.h"
#include "LinkJob.h"
#include "ReadOnlyFields.h"
#include "ui_CCalibrationDlg.h"

namespace q417 {

CCalibrationDlg::CCalibrationDlg(const ReadoutContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      ui_(std::make_unique<Ui::CCalibrationDlg>()),
      requester_(context.dispatcher, this,
                 [this](const LinkMessage& message) { OnCapture(message); }) {
    // The form starts with "0 PSI", "cal_output.csv", "default" and Save disabled.
    ui_->setupUi(this);
    MarkReadOnlyFields(*this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // The fields of both groups line up, as one column.
    const std::array labels{ui_->referenceLabel, ui_->pressureLabel, ui_->temperatureLabel,
                            ui_->outputFileLabel, ui_->averagingLabel};
    int labelWidth = 0;
    for (QLabel* label : labels) {
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    }
    for (QLabel* label : labels) {
        label->setMinimumWidth(labelWidth);
    }
    // The reference is what the technician types first; Enter then captures.
    ui_->referenceEdit->setFocus();
    ui_->referenceEdit->selectAll();
    connect(ui_->captureButton, &QPushButton::clicked, this, &CCalibrationDlg::Capture);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CCalibrationDlg::SaveCalibrationPoint);
}

CCalibrationDlg::~CCalibrationDlg() = default;

void CCalibrationDlg::done(int result) {
    requester_.Withdraw();
    QDialog::done(result);
}

void CCalibrationDlg::Capture() {
    // Without a word the technician would wait for a capture that never comes.
    if (!context_.link.SubmitJob(JOB_CAPTURE, requester_.Id())) {
        ShowHostMessage(this, QString::fromLatin1(kCaptureBusyMessage), BoxIcon::Exclamation);
    }
}

void CCalibrationDlg::OnCapture(const LinkMessage& message) {
    if (message.message != WM_LINK_CAPTURE) {
        return;
    }
    if (message.lParam != kCaptureDone) {
        // The link still holds the previous capture's texts: they must not be saved as this
        // point's, nor stand in the fields as if they were.
        ui_->pressureEdit->clear();
        ui_->temperatureEdit->clear();
        ui_->saveButton->setEnabled(false);
        ShowHostMessage(this, QString::fromLatin1(kCaptureFailedMessage), BoxIcon::Exclamation);
        return;
    }
    const ReadoutSettings settings = context_.link.Settings();
    ui_->pressureEdit->setText(
        QString::fromLatin1(CalibrationSignalText(settings.calPressureText)));
    ui_->temperatureEdit->setText(
        QString::fromLatin1(CalibrationSignalText(settings.calTemperatureText)));
    ui_->saveButton->setEnabled(true);
}

void CCalibrationDlg::SaveCalibrationPoint() {
    const QString fileName = ui_->outputFileEdit->text();
    // The signals as the link holds them now, not as the fields show them.
    const ReadoutSettings settings = context_.link.Settings();
    const CalibrationPoint point{CalibrationTimeStamp(CalendarNow(context_)),
                                 ui_->referenceEdit->text().toLatin1().toStdString(),
                                 CalibrationSignalText(settings.calPressureText),
                                 CalibrationSignalText(settings.calTemperatureText)};
    if (!AppendCalibrationPoint(QFile::encodeName(fileName).toStdString(), point)) {
        // Save stays enabled: the technician may correct the name and save this point.
        ShowHostMessage(this, QString::fromLatin1(kCalibrationNotSavedMessage).arg(fileName),
                        BoxIcon::Exclamation);
        return;
    }
    ui_->saveButton->setEnabled(false);
}

}  // namespace q417
