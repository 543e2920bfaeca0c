#pragma once

#include <QDialog>

#include "ReadoutContext.h"

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

  private:
    ReadoutContext context_;
    int* statusNeedsRefresh_;
};

}  // namespace q417
