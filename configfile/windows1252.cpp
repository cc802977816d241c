#include "configfile/windows1252.h"

#include <cstdint>

namespace kavro {
namespace {

// Code page 1252 bytes 80..9F; 0 marks the five it leaves undefined. From
// A0 on, a byte's code point is the byte itself (ISO 8859-1).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};
constexpr char16_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char16_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

char ByteFor(std::uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<char>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == codePoint) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80 || byte >= 0xA0) {
            AppendUtf8(out, byte);
        } else {
            const char16_t codePoint = kWindows1252High[byte - 0x80];
            AppendUtf8(out, codePoint != 0 ? codePoint : kReplacementCharacter);
        }
    }
    return out;
}

std::string Windows1252FromUtf8(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (int k = 1; k < length && i + k < text.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += length == 1 && lead >= 0x80 ? '?' : ByteFor(codePoint);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

}  // namespace kavro
