#include "report/markup.h"

#include "platform/utf8_text.h"

namespace kavro {

std::string MarkupText(std::string_view text) {
    std::string out;
    for (const char c : ValidUtf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') out += kReplacementCharacter;
            else if (c == 0x7F) out += kReplacementCharacter;
            else out += c;
        }
    }
    return out;
}

}  // namespace kavro
