#pragma once
// SCAFFOLD: replaced by the dialogs branch.
#include <QDialog>
#include "PortDevice.h"
namespace q417 {
class CPortDlg : public QDialog {
  public:
    explicit CPortDlg(PortDeviceTable, QWidget* parent = nullptr) : QDialog(parent) {}
    int baudRate = 115200; int portIndex = 1;
};
}
