#pragma once
// A configuration in readable form, as text or JSON (UTF-8 both), from the
// screen model it was loaded into.

#include <string>
#include <string_view>

#include "configfile/windows1252.h"
#include "editor/config_screen.h"

namespace kavro {

std::string ConfigAsText(const ConfigScreen& screen);
std::string ConfigAsJson(const ConfigScreen& screen);
// A UTF-8 text as a JSON string: quotes, backslashes and control
// characters escaped.
std::string JsonString(const std::string& utf8);

}  // namespace kavro
