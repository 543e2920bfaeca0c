#pragma once

#include <map>
#include <string>

namespace q417 {

// Device paths configured per port number (settings keys PortDevice<n>).
using PortDeviceTable = std::map<int, std::string>;

// The device that port number portNumber (1-based) opens: the configured path when there is one,
// otherwise /dev/ttyUSB<n-1>. Port numbers below 1 have no device (empty text).
[[nodiscard]] std::string PortDevicePath(int portNumber, const PortDeviceTable& configured);

}  // namespace q417
