#pragma once

#include <QWidget>
#include <memory>

#include "ReadoutContext.h"

namespace q417 {

class CInitReadoutDlg;
class CPasswordDlg;

// "Setup": the readout's display units, digits, power-down time and clock, its contrast and
// battery statistics, and the way behind the password to the Initialize Readout dialog.
class CPageSetupDlg : public QWidget {
    Q_OBJECT

  public:
    CPageSetupDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                  QWidget* parent = nullptr);
    ~CPageSetupDlg() override;

    // Held for as long as the page; the sheet closes it when the readout goes.
    [[nodiscard]] CInitReadoutDlg& InitializeDialog() { return *initializeDialog_; }

  private:
    ReadoutContext context_;
    int* statusNeedsRefresh_;
    std::unique_ptr<CInitReadoutDlg> initializeDialog_;
    std::unique_ptr<CPasswordDlg> passwordDialog_;
};

}  // namespace q417
