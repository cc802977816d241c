#pragma once
// Users pick ports by number, 1 to 16, as they always have; each number
// stands for one device of the platform. On Windows it is COMn. On Linux
// the table is fixed so that a number means the same device on every PC:
//    1 -  4   /dev/ttyS0   .. /dev/ttyS3     (built-in serial ports)
//    5 - 12   /dev/ttyUSB0 .. /dev/ttyUSB7   (USB serial adapters)
//   13 - 16   /dev/ttyACM0 .. /dev/ttyACM3   (USB modem-class adapters)

#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace kavro {

std::string DeviceForPort(int number);

// Start-up takes the table as a function so tests can map numbers to
// pseudo-terminals.
using PortDeviceTable = std::function<std::string(int number)>;

// The number whose device this is, or 0 for a device outside the table.
int PortNumberOf(const std::string& device, const PortDeviceTable& table = DeviceForPort);
// "port 5 (/dev/ttyUSB0)", or the device alone when it has no number.
std::string PortLabel(const std::string& device, const PortDeviceTable& table = DeviceForPort);

// What a port says about itself, in one line: "FT232R USB UART, FTDI,
// USB 0403:6001, serial A12345" (what it does not say is left out).
std::string DescribeSystemPort(const SystemPort& port);
// The USB ids as "0403:6001", or empty.
std::string UsbIds(const SystemPort& port);

}  // namespace kavro
