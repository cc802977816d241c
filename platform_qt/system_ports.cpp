#include "platform_qt/system_ports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>

namespace kavro {

namespace {

// Where on the USB an adapter is plugged: the name udev gives its link in
// /dev/serial/by-path. It stays when the adapter is plugged in again
// elsewhere on the bus of ttyUSB numbers.
std::string UsbLocation(const std::string& device) {
#ifdef __linux__
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::weakly_canonical(device, error);
    for (const auto& link : fs::directory_iterator("/dev/serial/by-path", error)) {
        std::error_code other;
        if (fs::weakly_canonical(link.path(), other) == target) return link.path().filename().string();
    }
#else
    (void)device;
#endif
    return {};
}

}  // namespace

std::vector<SystemPort> SystemSerialPorts() {
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort port;
        port.device = info.systemLocation().toStdString();
        port.description = info.description().toStdString();
        port.manufacturer = info.manufacturer().toStdString();
        port.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) port.productId = info.productIdentifier();
        port.location = UsbLocation(port.device);
        ports.push_back(port);
    }
    std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) { return a.device < b.device; });
    return ports;
}

}  // namespace kavro
