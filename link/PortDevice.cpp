#include "PortDevice.h"

namespace q417 {

std::string PortDevicePath(int portNumber, const PortDeviceTable& configured) {
    if (portNumber < 1) {
        return {};
    }
    if (auto it = configured.find(portNumber); it != configured.end() && !it->second.empty()) {
        return it->second;
    }
    return "/dev/ttyUSB" + std::to_string(portNumber - 1);
}

}  // namespace q417
