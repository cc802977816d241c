// The field parsers and Hex, each against a small reference written from
// its rules:
//   a digit   "0".."9", "A".."F", "a".."f" give 0..15; anything else, and a
//             text that is not one character, gives 0
//   address   characters 1-2, 3-4, 5-6 as three pairs, a missing one is 0;
//             the source group parser puts the pairs in reverse slot order
//   data      n = length capped at 4; cells D0..D3 start as "0", filled from
//             the right with characters n, n-1, ...; high D0 D1, low D2 D3
//   priority  the same with two cells; the data's low byte stays
//   Hex       upper-case digits, "0" in front up to the width, never cut
// The input is the text for the parsers and the value for Hex.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"
#include "fuzz_support.h"

namespace kavro::fuzz {
namespace {

int Digit(char c) {
    constexpr std::string_view kUpper = "0123456789ABCDEF", kLower = "0123456789abcdef";
    if (const auto p = kUpper.find(c); p != std::string_view::npos) return static_cast<int>(p);
    if (const auto p = kLower.find(c); p != std::string_view::npos) return static_cast<int>(p);
    return 0;
}

int Pair(std::string_view text, std::size_t first) {
    return (first < text.size() ? Digit(text[first]) : 0) * 16 + (first + 1 < text.size() ? Digit(text[first + 1]) : 0);
}

// The two bytes of digit cells D0..D(cells-1), filled from the right.
std::pair<int, int> RightAligned(std::string_view text, std::size_t cells) {
    const std::size_t n = std::min(text.size(), cells);
    std::string d(4, '0');
    for (std::size_t k = 0; k < n; ++k) d[cells - 1 - k] = text[n - 1 - k];
    return {Pair(d, 0), Pair(d, 2)};
}

std::string ReferenceHex(unsigned long value, int width) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lX", value);
    const std::string text = digits;
    return width > static_cast<int>(text.size()) ? std::string(width - text.size(), '0') + text : text;
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    constexpr int kUntouched = 0x5A;
    ParserSlots s{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    ParseAddressText(text, s);
    Expect(s.address1 == Pair(text, 0) && s.address2 == Pair(text, 2) && s.address3 == Pair(text, 4),
           "an address is three digit pairs");
    ParseReversedAddressText(text, s);
    Expect(s.address3 == Pair(text, 0) && s.address2 == Pair(text, 2) && s.address1 == Pair(text, 4),
           "a source group address is three digit pairs in reverse");
    Expect(s.dataHigh == kUntouched && s.dataLow == kUntouched, "an address parser leaves the data slots");
    ParseDataValueText(text, s);
    Expect(std::pair(s.dataHigh, s.dataLow) == RightAligned(text, 4), "data is four right-aligned digits");
    s.dataLow = kUntouched;
    ParsePriorityText(text, s);
    Expect(std::pair(s.dataHigh, s.dataLow) == std::pair(RightAligned(text, 2).first, kUntouched),
           "a priority is two right-aligned digits and leaves the data's low byte");
    for (char c : text) Expect(HexDigit(c) == Digit(c), "a digit's value");
    for (std::size_t n = 0; n <= std::min<std::size_t>(text.size(), 2); ++n)
        Expect(HexDigit(text.substr(0, n)) == (n == 1 ? Digit(text[0]) : 0), "a one-character text's value");

    unsigned long value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    const int width = size > sizeof value ? static_cast<std::int8_t>(data[sizeof value]) : 0;
    Expect(kavro::Hex(value, width) == ReferenceHex(value, width), "Hex");
    return 0;
}
