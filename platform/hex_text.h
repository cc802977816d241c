#pragma once
// Hexadecimal as this program shows, logs and reads it: upper case, two
// digits per byte, no prefix. Every layer formats and reads hexadecimal
// through these.

#include <string>
#include <string_view>

namespace kavro {

// Upper-case hexadecimal of value, left-padded with "0" to width; a longer
// result is not cut.
inline std::string Hex(unsigned long value, int width) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

inline bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// 0..15 for one hexadecimal digit; anything else (empty text, a space, "G",
// more than one character) is 0.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}
inline int HexDigit(std::string_view character) { return character.size() == 1 ? HexDigit(character[0]) : 0; }

// A hexadecimal digit as it is shown: lower case as upper.
inline char ShownHexDigit(char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace kavro
