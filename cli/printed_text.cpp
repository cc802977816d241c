#include "cli/printed_text.h"

#include "configfile/windows1252.h"
#include "platform/quoted_text.h"
#include "platform/utf8_text.h"

namespace kavro::cli {
namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

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

std::string ShownName(std::string_view utf8Name) {
    if (utf8Name == "-") return "standard input";
    const std::string valid = ValidUtf8(utf8Name);
    return Plain(valid) && valid == utf8Name ? valid : Quoted(valid);
}

std::string FirstCharacters(std::string_view utf8, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < characters && at < utf8.size(); ++n) {
        const std::size_t length = Utf8SequenceLength(utf8.substr(at));
        at += length ? length : 1;
    }
    return std::string(utf8.substr(0, at));
}

}  // namespace kavro::cli
