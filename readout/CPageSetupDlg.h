#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "LinkRequester.h"
#include "ReadoutContext.h"

class QShowEvent;

namespace Ui {
class CPageSetupDlg;
}

namespace q417 {

class CInitReadoutDlg;
class CPasswordDlg;

// "Setup": the readout's display units, digits, power-down time and clock, its contrast and
// battery statistics, and the way behind the password to the Initialize Readout dialog.
class CPageSetupDlg : public QWidget {
    Q_OBJECT

  public:
    explicit CPageSetupDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CPageSetupDlg() override;

    // Held for as long as the page; the sheet closes it when the readout goes.
    [[nodiscard]] CInitReadoutDlg& InitializeDialog() { return *initializeDialog_; }

    // The user has changed a picker since the clock last succeeded or the box was checked.
    [[nodiscard]] bool ClockEdited() const { return clockEdited_; }

  Q_SIGNALS:
    // A write of this page or of its Initialize Readout dialog has ended, done or not: what the
    // readout holds may have changed.
    void readoutWritten();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Loads the link's values into the controls and starts the clock's refresh.
    void InitPage();
    // Shows the readout's running clock, or the PC's, unless the user has set the pickers.
    void RefreshClock();
    // Writes what differs from the link's values as one settings write.
    void UpdateReadout();
    void OnWriteResult(int code);
    void OpenAdvanced();

    void OnPickerEdited();
    void OnUseComputerTimeClicked(bool checked);
    void ShowClock(std::int64_t clock);
    void SelectFromLink();

    ReadoutContext context_;
    std::unique_ptr<CInitReadoutDlg> initializeDialog_;
    std::unique_ptr<CPasswordDlg> passwordDialog_;
    std::unique_ptr<Ui::CPageSetupDlg> ui_;
    LinkRequester requester_;
    QTimer refreshTimer_;
    bool initialized_ = false;
    bool clockEdited_ = false;
    std::int64_t shownClock_ = 0;  // the calendar second the pickers were last set to
    int digitsValue_ = 0;
};

inline constexpr int kContrastStep = 8;  // one contrast entry per 8 levels of the readout

}  // namespace q417
