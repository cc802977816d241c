#pragma once
// A configuration file's texts are single bytes of the Windows code page
// 1252, as the screen held them; shown or printed they are UTF-8. The five
// bytes that code page leaves undefined (81, 8D, 8F, 90, 9D) become U+FFFD,
// the replacement character, rather than C1 control codes that a terminal
// might act on.

#include <string>
#include <string_view>

namespace kavro {

std::string Utf8FromWindows1252(std::string_view text);
// Text typed in the window back into the file's code page; a character the
// code page does not have becomes "?".
std::string Windows1252FromUtf8(std::string_view text);

}  // namespace kavro
