#pragma once
// A text from a file or a name, shown inside a message: in double quotes,
// with quotes, backslashes and control characters escaped, so that it
// stays on its line and cannot move the terminal's cursor.

#include <string>

#include "platform/hex_text.h"

namespace kavro {

inline std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) out += "\\x" + Hex(byte, 2);
        else out += c;
    }
    return out + "\"";
}

}  // namespace kavro
