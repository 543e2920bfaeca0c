#pragma once

#include <QDialog>
#include <memory>

#include "LinkRequester.h"
#include "ReadoutContext.h"

namespace Ui {
class CCalibrationDlg;
}

namespace q417 {

// "Calibration": captures the readout's raw pressure and temperature signals at a reference
// pressure the technician applies, and appends each captured point to a calibration file.
// Lives while the command that opens it runs.
class CCalibrationDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CCalibrationDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CCalibrationDlg() override;

    // A capture still on its way is not shown once the dialog has closed.
    void done(int result) override;

  private:
    void Capture();
    void OnCapture(const LinkMessage& message);
    void SaveCalibrationPoint();

    ReadoutContext context_;
    std::unique_ptr<Ui::CCalibrationDlg> ui_;
    LinkRequester requester_;
};

inline constexpr const char* kCaptureFailedMessage =
    "The readout did not send its pressure and temperature signals. Nothing was captured.";
inline constexpr const char* kCaptureBusyMessage =
    "The readout is busy with another task, so nothing was captured. Try again in a moment.";
// %1: the file name as typed.
inline constexpr const char* kCalibrationNotSavedMessage =
    "The calibration point could not be written to \"%1\". Nothing was saved. Check the file "
    "name and that the file may be written, then save again.";

}  // namespace q417
