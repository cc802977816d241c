#pragma once
// A configuration in readable form, as text (UTF-8), from the screen model
// it was loaded into; JSON in cli/config_json.h.

#include <string>

#include "configfile/windows1252.h"
#include "editor/config_screen.h"

namespace kavro {

std::string ConfigAsText(const ConfigScreen& screen);
// The address a channel's destination stands for, as the screen holds it.
std::string DestinationAddress(const ConfigScreen& screen, int channel);
// Whether the channel's commands send its lock priority (a code above
// 0x1F: the locks and "Set IP").
bool HasLock(const ConfigScreen& screen, int channel);

}  // namespace kavro
