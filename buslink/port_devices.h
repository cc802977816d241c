#pragma once
// Users pick ports by number, 1 to 16, as they always have; each number
// stands for one device of the platform. On Windows it is COMn. On Linux
// the table is fixed so that a number means the same device on every PC:
//    1 -  4   /dev/ttyS0   .. /dev/ttyS3     (built-in serial ports)
//    5 - 12   /dev/ttyUSB0 .. /dev/ttyUSB7   (USB serial adapters)
//   13 - 16   /dev/ttyACM0 .. /dev/ttyACM3   (USB modem-class adapters)

#include <functional>
#include <string>

namespace kavro {

std::string DeviceForPort(int number);

// Start-up takes the table as a function so tests can map numbers to
// pseudo-terminals.
using PortDeviceTable = std::function<std::string(int number)>;

}  // namespace kavro
