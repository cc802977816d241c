#pragma once
// The serial ports the system reports now, as Qt Serial Port finds them.

#include <vector>

#include "platform/serial_port.h"

namespace kavro {

std::vector<SystemPort> SystemSerialPorts();

}  // namespace kavro
