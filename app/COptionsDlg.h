#pragma once
// SCAFFOLD: replaced by the dialogs branch.
#include <QDialog>
namespace q417 {
class COptionsDlg : public QDialog {
  public:
    explicit COptionsDlg(QWidget* parent = nullptr) : QDialog(parent) {}
    int autoSyncCheck = 0, autoOpenCheck = 0, autoAppendCheck = 0;
};
}
