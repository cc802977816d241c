#include "buslink/port_devices.h"

#include <cstdio>

#include "buslink/ports_ini.h"

namespace kavro {

std::string DeviceForPort(int number) {
    if (number < kFirstPort || number > kLastPort) return {};
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    if (number <= 4) return "/dev/ttyS" + std::to_string(number - 1);
    if (number <= 12) return "/dev/ttyUSB" + std::to_string(number - 5);
    return "/dev/ttyACM" + std::to_string(number - 13);
#endif
}

std::string UsbIds(const SystemPort& port) {
    if (port.vendorId < 0 || port.productId < 0) return {};
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", port.vendorId & 0xFFFF, port.productId & 0xFFFF);
    return ids;
}

std::string DescribeSystemPort(const SystemPort& port) {
    std::string text;
    auto add = [&](const std::string& part) {
        if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
    };
    add(port.description);
    add(port.manufacturer);
    if (!UsbIds(port).empty()) add("USB " + UsbIds(port));
    if (!port.serialNumber.empty()) add("serial " + port.serialNumber);
    return text;
}

int PortNumberOf(const std::string& device, const PortDeviceTable& table) {
    for (int n = kFirstPort; n <= kLastPort; ++n)
        if (table(n) == device) return n;
    return 0;
}

std::string PortLabel(const std::string& device, const PortDeviceTable& table) {
    const int number = PortNumberOf(device, table);
    return number ? "port " + std::to_string(number) + " (" + device + ")" : device;
}

}  // namespace kavro
