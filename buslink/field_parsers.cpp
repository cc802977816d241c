#include "buslink/field_parsers.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

// Character at 1-based position, or an empty character past the end.
std::string_view CharAt(std::string_view text, std::size_t position) {
    return position <= text.size() ? text.substr(position - 1, 1) : std::string_view{};
}

std::array<int, 3> AddressPairs(std::string_view text) {
    std::array<int, 3> pairs{};
    for (std::size_t k = 1, pair = 0; k <= 5; k += 2, ++pair)
        pairs[pair] = HexDigit(CharAt(text, k)) * 16 + HexDigit(CharAt(text, k + 1));
    return pairs;
}

// The first min(length, cells) characters, right-aligned in cells that
// start as "0"; returns the digit values.
template <std::size_t Cells>
std::array<int, Cells> RightAlignedDigits(std::string_view text) {
    std::array<int, Cells> values{};
    const std::size_t n = std::min(text.size(), Cells);
    for (std::size_t i = 0; i < n; ++i) values[Cells - n + i] = HexDigit(text[i]);
    return values;
}

}  // namespace

void ParseAddressText(std::string_view text, ParserSlots& slots) {
    const auto pairs = AddressPairs(text);
    slots.address1 = pairs[0];
    slots.address2 = pairs[1];
    slots.address3 = pairs[2];
}

void ParseReversedAddressText(std::string_view text, ParserSlots& slots) {
    const auto pairs = AddressPairs(text);
    slots.address3 = pairs[0];
    slots.address2 = pairs[1];
    slots.address1 = pairs[2];
}

void ParseDataValueText(std::string_view text, ParserSlots& slots) {
    const auto d = RightAlignedDigits<4>(text);
    slots.dataHigh = d[0] * 16 + d[1];
    slots.dataLow = d[2] * 16 + d[3];
}

void ParsePriorityText(std::string_view text, ParserSlots& slots) {
    const auto d = RightAlignedDigits<2>(text);
    slots.dataHigh = d[0] * 16 + d[1];
}

bool IsHexText(std::string_view text, std::size_t maxDigits) {
    if (text.size() > maxDigits) return false;
    for (char c : text)
        if (!IsHexDigit(c)) return false;
    return true;
}

bool IsBusAddressText(std::string_view text) { return text.size() == 6 && IsHexText(text, 6); }

std::string AddressShown(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return shown;
}

bool IsGlobalAddressText(std::string_view text) {
    if (text.size() != 6) return false;
    for (char c : text)
        if (c != 'F' && c != 'f') return false;
    return true;
}

}  // namespace kavro
