#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "PortDevice.h"

class QShowEvent;

namespace Ui {
class CPortDlg;
}

namespace q417 {

// One serial device present on this machine, as the Port dialog lists it.
struct SerialDeviceEntry {
    QString device;  // the device file, e.g. /dev/ttyUSB0
    QString description;
    QString maker;
    QString serialNumber;
};

// Where the Port dialog learns which serial devices are present.
using SerialDeviceSource = std::function<std::vector<SerialDeviceEntry>()>;

// Picks the port number and baud rate of the link. The document keeps one and reuses it, so the
// members persist between openings. Beside the port number it shows the device that number opens,
// and below it lists the serial devices present.
class CPortDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CPortDlg(PortDeviceTable devices, QWidget* parent = nullptr);
    ~CPortDlg() override;

    int baudRate = 115200;
    // Index in the port list: 0 = "Disabled", n = port n, -1 = typed text that names no port.
    int portIndex = 1;

    // Loads the members into the controls, then runs the dialog from the port field.
    int exec() override;
    // Reads the chosen entries back into the members, then closes with OK.
    void accept() override;

    // Brings portIndex into the port list, selects it and the baud entry, and lists the devices
    // present afresh.
    void LoadFromMembers();
    // Replaces the enumeration of the machine's serial devices (Qt Serial Port by default).
    void SetDeviceSource(SerialDeviceSource source);

    // The serial devices Qt Serial Port finds on this machine.
    [[nodiscard]] static std::vector<SerialDeviceEntry> PresentSerialDevices();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowDeviceOfPort();
    void SetDeviceText(const QString& text);
    void ListDevices();
    void ChoosePortOfDevice(const QString& device);

    std::unique_ptr<Ui::CPortDlg> ui_;
    PortDeviceTable devices_;
    SerialDeviceSource deviceSource_;
    QString deviceText_;
};

}  // namespace q417
