#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "LinkRequester.h"
#include "ReadoutContext.h"

namespace Ui {
class CCalibrationDlg;
}

namespace q417 {

// "Calibration": captures the readout's raw pressure and temperature signals at a reference
// pressure the technician applies, and appends each captured point to a calibration file.
// Lives while the command that opens it runs.
//
// The folder the file goes to is shown under its name: a bare name lands in the program's
// working directory, which the technician would otherwise not see. Browse chooses another
// folder or file, proposing the name the field holds.
class CCalibrationDlg : public QDialog {
    Q_OBJECT

  public:
    // Asked by Browse with the path of the field's file: the path chosen, nothing on cancel.
    using FileChooser = std::function<std::optional<QString>(const QString& proposed)>;

    explicit CCalibrationDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CCalibrationDlg() override;

    // A capture still on its way is not shown once the dialog has closed.
    void done(int result) override;

    // Replaces the file chooser (a file dialog by default).
    void SetFileChooser(FileChooser chooser);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Capture();
    void OnCapture(const LinkEvent& event);
    void SaveCalibrationPoint();
    void Browse();
    void ShowFolder();
    [[nodiscard]] std::optional<QString> ChooseFile(const QString& proposed);

    ReadoutContext context_;
    std::unique_ptr<Ui::CCalibrationDlg> ui_;
    LinkRequester requester_;
    FileChooser chooser_;
    QString folderText_;  // what the folder line says, before it is shortened to fit
};

inline constexpr const char* kDefaultCalibrationFile = "cal_output.csv";

inline constexpr const char* kCaptureFailedMessage =
    "The readout did not send its pressure and temperature signals. Nothing was captured.";
inline constexpr const char* kCaptureBusyMessage =
    "The readout is busy with another task, so nothing was captured. Try again in a moment.";
// %1: the file name as typed.
inline constexpr const char* kCalibrationNotSavedMessage =
    "The calibration point could not be written to \"%1\". Nothing was saved. Check the file "
    "name and that the file may be written, then save again.";

}  // namespace q417
