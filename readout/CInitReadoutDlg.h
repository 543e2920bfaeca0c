#pragma once

#include <QDialog>
#include <memory>

#include "LinkRequester.h"
#include "ReadoutContext.h"
#include "ReadoutSettings.h"

namespace Ui {
class CInitReadoutDlg;
}

namespace q417 {

// "Initialize Readout": the readout's calibration constants, calibration units and serial
// number, the initialise command, the battery reset, and the way on to the Calibration dialog.
// Held by the Setup page; its window exists while it runs.
class CInitReadoutDlg : public QDialog {
    Q_OBJECT

  public:
    CInitReadoutDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                    QWidget* parent = nullptr);
    ~CInitReadoutDlg() override;

    // Shows what the link holds now, then runs the dialog.
    int exec() override;
    // Results of jobs still on their way are not shown once the dialog has closed.
    void done(int result) override;

  private:
    void LoadFromLink();
    void UpdateReadout();
    void ResetBattery();
    void OnLinkResult(const LinkEvent& event);

    ReadoutContext context_;
    int* statusNeedsRefresh_;
    std::unique_ptr<Ui::CInitReadoutDlg> ui_;
    LinkRequester requester_;
    ReadoutSettings pendingSettings_;  // the request of the last write
};

inline constexpr const char* kSerialTooLongMessage = "Serial number must less than 9 characters.";
inline constexpr const char* kSerialCommaMessage =
    "A serial number cannot hold a comma: it is written into every line of the site file.";
inline constexpr const char* kInvalidMultiplierMessage = "Invalid multiplier.";
inline constexpr const char* kResetBatteryQuestion =
    "Are you sure you want to reset all battery values?";

}  // namespace q417
