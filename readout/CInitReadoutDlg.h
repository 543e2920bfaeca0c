#pragma once

#include <QDialog>
#include <memory>

#include "LinkRequester.h"
#include "ReadoutContext.h"

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
    explicit CInitReadoutDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CInitReadoutDlg() override;

    // Shows what the link holds now, then runs the dialog.
    int exec() override;
    // Results of jobs still on their way are not shown once the dialog has closed.
    void done(int result) override;

  Q_SIGNALS:
    // A job of this dialog has ended, done or not: what the readout holds may have changed.
    void readoutWritten();

  private:
    void LoadFromLink();
    void UpdateReadout();
    void ResetBattery();
    void OnLinkResult(const LinkEvent& event);

    ReadoutContext context_;
    std::unique_ptr<Ui::CInitReadoutDlg> ui_;
    LinkRequester requester_;
};

inline constexpr const char* kResetBatteryQuestion =
    "Are you sure you want to reset all battery values?";

}  // namespace q417
