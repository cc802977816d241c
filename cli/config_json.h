#pragma once
// What show --json and ports --json print, by Qt's JSON classes, as every
// JSON the tool prints: texts of a file (Windows-1252) in UTF-8, escaped
// as JSON wants whatever they hold.

#include <string>
#include <vector>

#include "buslink/port_devices.h"
#include "editor/config_screen.h"

namespace kavro {

std::string ConfigAsJson(const ConfigScreen& screen);
// The numbers 1 to 16 with their devices, and the ports present now.
std::string PortsAsJson(const std::vector<SystemPort>& present);

}  // namespace kavro
