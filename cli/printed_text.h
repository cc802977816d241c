#pragma once
// What the command-line tool prints of texts it did not write itself: the
// screen's texts (from files, in the Windows-1252 code page), file names
// and labels. Printed, they are UTF-8 and carry no control character, so a
// file cannot move the terminal's cursor or split one message over lines.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/utf8_text.h"

namespace kavro::cli {

// A message that holds screen texts: control characters escaped (\x1B),
// then UTF-8.
std::string Printable(std::string_view windows1252);

// A value of the screen as show prints it: as it is when it holds only
// visible characters, else in quotes with escapes, as diff quotes values.
std::string ShownValue(std::string_view windows1252);

// A file named on the command line, in a message: "-" is standard input;
// a name of visible characters stands as it is, any other is quoted with
// escapes and bytes that are not UTF-8 shown as U+FFFD.
std::string ShownName(std::string_view utf8Name);

// Bytes as UTF-8: a sequence that is not UTF-8 becomes U+FFFD.
using kavro::ValidUtf8;
// A UTF-8 text with its control characters escaped (\n, \x1B).
std::string WithoutControls(std::string_view utf8);

// At most `characters` characters of a UTF-8 text, never a part of one.
std::string FirstCharacters(std::string_view utf8, std::size_t characters);

}  // namespace kavro::cli
