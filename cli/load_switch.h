#pragma once
// A configuration file put into a simulated switch the way "Send Config"
// puts a screen into a real one: imported into a screen, then sent, by the
// very same code as the window's. The switch gets the file's switch
// address.

#include <filesystem>
#include <optional>
#include <string>

#include "simulator/switch_simulator.h"

namespace kavro {

std::optional<SwitchState> SwitchStateFromFile(const std::filesystem::path& file, SwitchState base,
                                               std::string* error);

}  // namespace kavro
