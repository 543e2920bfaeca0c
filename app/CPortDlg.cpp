#include "CPortDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSerialPortInfo>
#include <QTreeWidgetItem>

#include "ComboEnterFilter.h"
#include "ui_CPortDlg.h"

namespace q417 {

namespace {

// The entry the field names: the selected one while the field shows its text, otherwise the
// entry whose text the user typed (letter case aside); -1 when the text names none.
[[nodiscard]] int ChosenEntry(const QComboBox& combo) {
    const QString text = combo.currentText().trimmed();
    const int selected = combo.currentIndex();
    if (selected >= 0 && combo.itemText(selected) == text) {
        return selected;
    }
    return combo.findText(text, Qt::MatchFixedString);
}

[[nodiscard]] QString DevicePath(int portNumber, const PortDeviceTable& devices) {
    return QFile::decodeName(QByteArray::fromStdString(PortDevicePath(portNumber, devices)));
}

}  // namespace

CPortDlg::CPortDlg(PortDeviceTable devices, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CPortDlg>()),
      devices_(std::move(devices)),
      deviceSource_(&CPortDlg::PresentSerialDevices) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ComboEnterFilter::InstallOn(*this);
    ui_->deviceLabel->setMinimumWidth(
        QFontMetrics(ui_->deviceLabel->font())
            .horizontalAdvance(QStringLiteral("/dev/ttyUSB19 (not present)")));
    ui_->deviceList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui_->deviceList->header()->setStretchLastSection(true);
    connect(ui_->portCombo, &QComboBox::currentTextChanged, this, &CPortDlg::ShowDeviceOfPort);
    connect(ui_->deviceList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { ChoosePortOfDevice(item->text(0)); });
    ShowDeviceOfPort();
}

CPortDlg::~CPortDlg() = default;

int CPortDlg::exec() {
    LoadFromMembers();
    // The dialog is kept between openings, and with it the control that last had the focus;
    // every opening starts on the port.
    ui_->portCombo->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void CPortDlg::LoadFromMembers() {
    QComboBox& ports = *ui_->portCombo;
    if (portIndex < 0) {
        portIndex = 1;
    } else if (portIndex >= ports.count()) {
        portIndex = ports.count() - 1;
    }
    ports.setCurrentIndex(portIndex);

    QComboBox& bauds = *ui_->baudCombo;
    const QString baudText = QString::number(baudRate);
    int baudEntry = 0;
    for (int i = 0; i < bauds.count(); ++i) {
        if (bauds.itemText(i).startsWith(baudText)) {
            baudEntry = i;
            break;
        }
    }
    bauds.setCurrentIndex(baudEntry);

    ListDevices();
    // Devices come and go between openings.
    ShowDeviceOfPort();
}

void CPortDlg::accept() {
    portIndex = ChosenEntry(*ui_->portCombo);
    // A typed rate that is not in the list leaves the rate as it was.
    if (const int baudEntry = ChosenEntry(*ui_->baudCombo); baudEntry >= 0) {
        baudRate = ui_->baudCombo->itemText(baudEntry).toInt();
    }
    QDialog::accept();
}

void CPortDlg::SetDeviceSource(SerialDeviceSource source) {
    deviceSource_ = std::move(source);
}

std::vector<SerialDeviceEntry> CPortDlg::PresentSerialDevices() {
    std::vector<SerialDeviceEntry> present;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        present.push_back(
            {port.systemLocation(), port.description(), port.manufacturer(), port.serialNumber()});
    }
    return present;
}

void CPortDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The label's width is known only now.
    SetDeviceText(deviceText_);
}

void CPortDlg::ShowDeviceOfPort() {
    const int port = ChosenEntry(*ui_->portCombo);
    if (port < 1) {
        SetDeviceText(tr("No device is opened"));
        return;
    }
    const QString path = DevicePath(port, devices_);
    SetDeviceText(QFileInfo::exists(path) ? tr("%1 (present)").arg(path)
                                          : tr("%1 (not present)").arg(path));
}

void CPortDlg::SetDeviceText(const QString& text) {
    deviceText_ = text;
    QLabel& label = *ui_->deviceLabel;
    label.setToolTip(text);
    // A long configured path is shortened in the middle rather than cut off at the end.
    label.setText(label.isVisible()
                      ? label.fontMetrics().elidedText(text, Qt::ElideMiddle, label.width())
                      : text);
}

void CPortDlg::ListDevices() {
    QTreeWidget& list = *ui_->deviceList;
    list.clear();
    for (const SerialDeviceEntry& entry : deviceSource_()) {
        new QTreeWidgetItem(
            &list, QStringList{entry.device, entry.description, entry.maker, entry.serialNumber});
    }
}

void CPortDlg::ChoosePortOfDevice(const QString& device) {
    for (int port = 1; port < ui_->portCombo->count(); ++port) {
        if (DevicePath(port, devices_) == device) {
            ui_->portCombo->setCurrentIndex(port);
            ShowDeviceOfPort();
            return;
        }
    }
    SetDeviceText(tr("No port number opens %1").arg(device));
}

}  // namespace q417
