#include "cli/printed_text.h"

#include "configfile/windows1252.h"
#include "platform/quoted_text.h"

namespace kavro::cli {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// The length of the UTF-8 sequence at the start of text, or 0 when it is
// not one: overlong forms, surrogates and code points above U+10FFFF
// included.
std::size_t SequenceLength(std::string_view text) {
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

// Whether a text can be printed as it is: visible characters only, none
// that a reader would take for a quote or an escape.
bool Plain(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (IsControl(static_cast<unsigned char>(c)) || c == ' ' || c == '"' || c == '\\') return false;
    return true;
}

}  // namespace

std::string WithoutControls(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (!IsControl(static_cast<unsigned char>(c))) {
            escaped += c;
            continue;
        }
        const std::string quoted = Quoted(std::string(1, c));  // "\x1B"
        escaped += quoted.substr(1, quoted.size() - 2);
    }
    return escaped;
}

std::string Printable(std::string_view windows1252) { return Utf8FromWindows1252(WithoutControls(windows1252)); }

std::string ShownValue(std::string_view windows1252) {
    const std::string text(windows1252);
    return Utf8FromWindows1252(Plain(text) ? text : Quoted(text));
}

std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        out += length ? bytes.substr(0, length) : kReplacement;
        bytes.remove_prefix(length ? length : 1);
    }
    return out;
}

std::string ShownName(std::string_view utf8Name) {
    if (utf8Name == "-") return "standard input";
    const std::string valid = ValidUtf8(utf8Name);
    return Plain(valid) && valid == utf8Name ? valid : Quoted(valid);
}

std::string FirstCharacters(std::string_view utf8, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < characters && at < utf8.size(); ++n) {
        const std::size_t length = SequenceLength(utf8.substr(at));
        at += length ? length : 1;
    }
    return std::string(utf8.substr(0, at));
}

}  // namespace kavro::cli
