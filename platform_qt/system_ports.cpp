#include "platform_qt/system_ports.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace kavro {

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
        ports.push_back(port);
    }
    std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) { return a.device < b.device; });
    return ports;
}

}  // namespace kavro
