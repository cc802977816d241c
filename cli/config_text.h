#pragma once
// A configuration in readable form, as text or JSON, from the screen model
// it was loaded into.

#include <string>

#include "editor/config_screen.h"

namespace kavro {

std::string ConfigAsText(const ConfigScreen& screen);
std::string ConfigAsJson(const ConfigScreen& screen);

}  // namespace kavro
