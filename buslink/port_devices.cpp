#include "buslink/port_devices.h"

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

}  // namespace kavro
