#include "HostSettings.h"

#include <QFile>
#include <QSettings>

namespace q417 {

namespace {

int ReadInt(const QSettings& store, const char* key, int fallback) {
    bool ok = false;
    const int value = store.value(QLatin1String("Settings/") + QLatin1String(key)).toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

void HostSettings::Load(const QSettings& store) {
    baudRate = ReadInt(store, "BaudRate", 115200);
    portNum = ReadInt(store, "PortNum", 1);
    gridLines = ReadInt(store, "GridLines", 0);
    autoOpen = ReadInt(store, "autoOpenFile", 1);
    autoSync = ReadInt(store, "autoSyncTime", 1);
}

void HostSettings::Save(QSettings& store) const {
    store.beginGroup(QStringLiteral("Settings"));
    store.setValue(QStringLiteral("BaudRate"), baudRate);
    store.setValue(QStringLiteral("PortNum"), portNum);
    store.setValue(QStringLiteral("GridLines"), gridLines);
    store.setValue(QStringLiteral("autoOpenFile"), autoOpen);
    store.setValue(QStringLiteral("autoSyncTime"), autoSync);
    store.endGroup();
}

PortDeviceTable LoadPortDevices(const QSettings& store) {
    PortDeviceTable devices;
    for (int port = 1; port <= 20; ++port) {
        const QString path =
            store.value(QStringLiteral("Settings/PortDevice%1").arg(port)).toString();
        if (!path.isEmpty()) {
            devices[port] = QFile::encodeName(path).toStdString();
        }
    }
    return devices;
}

}  // namespace q417
