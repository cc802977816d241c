#include "platform_qt/port_diagnosis.h"

namespace kavro {

// Windows answers "access denied" for a port another program holds.
OpenStatus ClassifyOpenFailure(QSerialPort::SerialPortError error, const std::string&) {
    if (error == QSerialPort::DeviceNotFoundError) return OpenStatus::NotFound;
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError) return OpenStatus::Busy;
    return OpenStatus::Failed;
}

std::string PortHolder(const std::string&) {
    return {};
}

// Windows refuses a port for being in use, not for a group.
void DescribeRefusal(const std::string&, OpenResult&) {}

}  // namespace kavro
