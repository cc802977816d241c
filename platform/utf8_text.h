#pragma once
// Texts the program did not write itself (a label in a manifest, a result
// in an old log, a file name) may hold bytes that are not UTF-8. Printed,
// put into a page or a JSON document, they are made UTF-8 first: a
// sequence that is not one becomes U+FFFD, the replacement character.

#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

inline constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// The length of the UTF-8 sequence at the start of text, or 0 when it is
// not one: overlong forms, surrogates and code points above U+10FFFF
// included.
inline std::size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

// Bytes as UTF-8: a sequence that is not UTF-8 becomes U+FFFD.
inline std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        const std::size_t length = Utf8SequenceLength(bytes);
        out += length ? bytes.substr(0, length) : std::string_view(kReplacementCharacter);
        bytes.remove_prefix(length ? length : 1);
    }
    return out;
}

}  // namespace kavro
