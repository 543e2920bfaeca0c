#include "CCalibrationDlg.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <array>

#include "CReadoutLink.h"
#include "CalibrationLog.h"
#include "HostMessage.h"
#include "LinkJob.h"
#include "ReadOnlyFields.h"
#include "ui_CCalibrationDlg.h"

namespace q417 {

namespace {

[[nodiscard]] std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

[[nodiscard]] QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

CCalibrationDlg::CCalibrationDlg(const ReadoutContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      ui_(std::make_unique<Ui::CCalibrationDlg>()),
      requester_(context.dispatcher, this, [this](const LinkEvent& event) { OnCapture(event); }),
      chooser_([this](const QString& proposed) { return ChooseFile(proposed); }) {
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
    // Room for a folder such as the one below; a longer one is shortened in the middle.
    ui_->folderLabel->setMinimumWidth(ui_->folderLabel->fontMetrics().horizontalAdvance(
        tr("Folder: %1").arg(QStringLiteral("/home/technician/calibration"))));
    // The reference is what the technician types first; Enter then captures.
    ui_->referenceEdit->setFocus();
    ui_->referenceEdit->selectAll();
    connect(ui_->captureButton, &QPushButton::clicked, this, &CCalibrationDlg::Capture);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CCalibrationDlg::SaveCalibrationPoint);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CCalibrationDlg::Browse);
    connect(ui_->outputFileEdit, &QLineEdit::textChanged, this, &CCalibrationDlg::ShowFolder);
    ShowFolder();
}

CCalibrationDlg::~CCalibrationDlg() = default;

void CCalibrationDlg::done(int result) {
    requester_.Withdraw();
    QDialog::done(result);
}

void CCalibrationDlg::SetFileChooser(FileChooser chooser) {
    chooser_ = std::move(chooser);
}

void CCalibrationDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The line's width is known only now.
    ShowFolder();
}

void CCalibrationDlg::Capture() {
    // Without a word the technician would wait for a capture that never comes.
    if (!context_.link.SubmitJob(JOB_CAPTURE, requester_.Id())) {
        ShowHostMessage(this, QString::fromLatin1(kCaptureBusyMessage), BoxIcon::Exclamation);
    }
}

void CCalibrationDlg::OnCapture(const LinkEvent& event) {
    const auto* capture = event.As<link_event::CaptureResult>();
    if (capture == nullptr) {
        return;
    }
    if (!capture->captured) {
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

void CCalibrationDlg::Browse() {
    const QString name = ui_->outputFileEdit->text();
    const QString folder =
        FromLocalPath(CalibrationFolder(LocalPath(name), LocalPath(QDir::currentPath())));
    // The name stays as it is unless the technician changes it in the chooser.
    QString fileName = QFileInfo(name).fileName();
    if (fileName.isEmpty()) {
        fileName = QString::fromLatin1(kDefaultCalibrationFile);
    }
    if (const std::optional<QString> chosen = chooser_(QDir(folder).filePath(fileName))) {
        ui_->outputFileEdit->setText(FromLocalPath(
            CalibrationFieldText(LocalPath(*chosen), LocalPath(QDir::currentPath()))));
    }
}

std::optional<QString> CCalibrationDlg::ChooseFile(const QString& proposed) {
    QFileDialog dialog(this, tr("Calibration File"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Points are added to the end of the file: choosing one that exists is the usual case.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters({tr("Comma-separated files (*.csv)"), tr("All files (*)")});
    const QFileInfo file(proposed);
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

void CCalibrationDlg::ShowFolder() {
    const QString folder = FromLocalPath(
        CalibrationFolder(LocalPath(ui_->outputFileEdit->text()), LocalPath(QDir::currentPath())));
    folderText_ = QFileInfo(folder).isDir() ? tr("Folder: %1").arg(folder)
                                            : tr("Folder: %1 (not found)").arg(folder);
    QLabel& label = *ui_->folderLabel;
    label.setToolTip(folderText_);
    // A long path is shortened in the middle, keeping its start and the folder's own name.
    label.setText(label.isVisible()
                      ? label.fontMetrics().elidedText(folderText_, Qt::ElideMiddle, label.width())
                      : folderText_);
}

}  // namespace q417
