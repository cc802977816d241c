#pragma once
// A configuration in readable form, as text or JSON (UTF-8 both), from the
// screen model it was loaded into.

#include <string>
#include <string_view>

#include "editor/config_screen.h"

namespace kavro {

// A configuration file's texts are single bytes of the Windows code page
// 1252; printed they must be UTF-8. The five bytes that code page leaves
// undefined (81, 8D, 8F, 90, 9D) become U+FFFD, the replacement character,
// rather than C1 control codes that a terminal might act on.
std::string Utf8FromWindows1252(std::string_view text);

std::string ConfigAsText(const ConfigScreen& screen);
std::string ConfigAsJson(const ConfigScreen& screen);

}  // namespace kavro
