#pragma once

#include <QBasicTimer>
#include <QDialog>

#include "ReadoutContext.h"

class QPushButton;
class QTabWidget;

namespace q417 {

class CPageDataDlg;
class CPageSetupDlg;
class CPageStatusDlg;

// "Readout Status": the tabbed window onto the connected readout. It owns no data: its pages
// read the link and submit the writes. It opens on the Status page, and closes itself (and
// the Initialize Readout dialog) within a second of the readout going away.
class CSheet : public QDialog {
    Q_OBJECT

  public:
    // The Site Data page is there only withData: when the link holds a complete set of records.
    CSheet(const QString& caption, const ReadoutContext& context, bool withData,
           QWidget* parent = nullptr);
    ~CSheet() override;

    [[nodiscard]] QTabWidget& Tabs() { return *tabs_; }
    [[nodiscard]] CPageDataDlg* DataPage() { return dataPage_; }  // nothing without data
    [[nodiscard]] CPageStatusDlg& StatusPage() { return *statusPage_; }
    [[nodiscard]] CPageSetupDlg& SetupPage() { return *setupPage_; }
    [[nodiscard]] QPushButton& CloseButton() { return *closeButton_; }

    // Once a second: a readout that is no longer connected ends the sheet, and with it the
    // dialogs opened from it (the Initialize Readout dialog and those above it).
    void SuperviseLink();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    // window is a dialog opened from this sheet, at any depth.
    [[nodiscard]] bool Owns(const QWidget& window) const;

    ReadoutContext context_;
    QTabWidget* tabs_;
    CPageDataDlg* dataPage_ = nullptr;
    CPageStatusDlg* statusPage_;
    CPageSetupDlg* setupPage_;
    QPushButton* closeButton_;
    QBasicTimer timer_;
};

}  // namespace q417
