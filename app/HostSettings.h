#pragma once

#include <QString>

#include "PortDevice.h"

class QSettings;

namespace q417 {

// The five settings of the window, as they are kept in memory for the whole run: read once at
// start, written once when the main window goes. All window thread.
struct HostSettings {
    int portNum = 1;  // 0: "Disabled"; 1..20
    int gridLines = 0;
    int baudRate = 115200;
    int autoOpen = 1;
    int autoSync = 1;

    // Group "Settings": BaudRate, PortNum, GridLines, autoOpenFile, autoSyncTime, in that
    // order; a missing value keeps its default.
    void Load(const QSettings& store);
    void Save(QSettings& store) const;
};

// Device paths configured for port numbers, keys Settings/PortDevice1 .. PortDevice20; read
// only, the Port dialog shows them.
[[nodiscard]] PortDeviceTable LoadPortDevices(const QSettings& store);

// The store of this user: organisation "ORVANE Vudovorevod", application "Q417 Host".
inline constexpr const char* kSettingsOrganization = "ORVANE Vudovorevod";
inline constexpr const char* kSettingsApplication = "Q417 Host";

}  // namespace q417
