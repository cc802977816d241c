// The field parsers and the frame codec's helpers, each against a small
// reference written from its rules:
//   a digit   "0".."9", "A".."F", "a".."f" give 0..15; anything else, and a
//             text that is not one character, gives 0
//   address   characters 1-2, 3-4, 5-6 as three pairs, a missing one is 0;
//             the source group parser puts the pairs in reverse slot order
//   data      n = length capped at 4; cells D0..D3 start as "0", filled from
//             the right with characters n, n-1, ...; high D0 D1, low D2 D3
//   priority  the same with two cells
//   Hex   upper-case digits, "0" in front up to the width, never cut
//   checksum  the plain sum of bytes 0..L-3, high byte first; the length
//             byte is NOT (L + 0x80 for a write frame); a receiver takes L
//             from NOT byte 1 with bit 7 ignored, at most 49, and a length
//             below 2 never verifies
// The input is the text for the parsers, the value for Hex and the frame
// for the checksum.

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
    const int high = first < text.size() ? Digit(text[first]) : 0;
    const int low = first + 1 < text.size() ? Digit(text[first + 1]) : 0;
    return high * 16 + low;
}

// Digit cells D0..D(cells-1), filled from the right as the rule says.
std::string RightAligned(std::string_view text, std::size_t cells) {
    const std::size_t n = std::min(text.size(), cells);
    std::string d(cells, '0');
    for (std::size_t k = 0; k < n; ++k) d[cells - 1 - k] = text[n - 1 - k];
    return d;
}

std::string ReferenceHex(unsigned long value, int width) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lX", value);
    std::string text = digits;
    return width > static_cast<int>(text.size()) ? std::string(width - text.size(), '0') + text : text;
}

unsigned Sum(const FrameBuffer& frame, int length) {
    unsigned sum = 0;
    for (int i = 0; i <= length - 3; ++i) sum += frame[i];
    return sum;
}

int Verified(const FrameBuffer& frame) {
    int length = (~frame[1]) & 0x7F;
    if (length > 49) length = 49;
    if (length < 2) return 0;
    return frame[length - 2] * 256u + frame[length - 1] == Sum(frame, length) ? 1 : 0;
}

void ExpectParsers(std::string_view text) {
    constexpr int kUntouched = 0x5A;
    ParserSlots s{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    ParseAddressText(text, s);
    Expect(s.address1 == Pair(text, 0) && s.address2 == Pair(text, 2) && s.address3 == Pair(text, 4),
           "an address is three digit pairs");
    ParseReversedAddressText(text, s);
    Expect(s.address3 == Pair(text, 0) && s.address2 == Pair(text, 2) && s.address1 == Pair(text, 4),
           "a source group address is three digit pairs in reverse");
    Expect(s.dataHigh == kUntouched && s.dataLow == kUntouched, "an address parser leaves the data slots");

    const std::string data = RightAligned(text, 4);
    ParseDataValueText(text, s);
    Expect(s.dataHigh == Digit(data[0]) * 16 + Digit(data[1]) && s.dataLow == Digit(data[2]) * 16 + Digit(data[3]),
           "data is four right-aligned digits");
    const std::string priority = RightAligned(text, 2);
    s.dataLow = kUntouched;
    ParsePriorityText(text, s);
    Expect(s.dataHigh == Digit(priority[0]) * 16 + Digit(priority[1]), "a priority is two right-aligned digits");
    Expect(s.dataLow == kUntouched, "a priority leaves the data's low byte");

    for (char c : text) Expect(HexDigit(c) == Digit(c), "a digit's value");
    for (std::size_t n = 0; n <= std::min<std::size_t>(text.size(), 2); ++n)
        Expect(HexDigit(text.substr(0, n)) == (n == 1 ? Digit(text[0]) : 0), "a one-character text's value");
}

void ExpectCodec(const std::uint8_t* data, std::size_t size) {
    unsigned long value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    const int width = size > sizeof value ? static_cast<std::int8_t>(data[sizeof value]) : 0;
    Expect(kavro::Hex(value, width) == ReferenceHex(value, width), "Hex");

    FrameBuffer frame{};
    std::memcpy(frame.data(), data, std::min(size, frame.size()));
    Expect(VerifyChecksum(frame) == Verified(frame), "VerifyChecksum");
    Expect(FrameLengthFrom(frame[1]) == ((~frame[1]) & 0x7F), "a length byte's length");

    const int length = 3 + frame[0] % (kFrameBufferSize - 2);
    FrameBuffer appended = frame;
    AppendChecksum(appended, length);
    const unsigned sum = Sum(frame, length);
    Expect(appended[length - 2] == sum / 256 && appended[length - 1] == sum % 256, "AppendChecksum");
    Expect(std::equal(frame.begin(), frame.begin() + length - 2, appended.begin()) &&
               std::equal(frame.begin() + length, frame.end(), appended.begin() + length),
           "AppendChecksum writes its two bytes only");

    const bool writeFrame = frame[2] & 1;
    Expect(LengthByte(length, writeFrame) == ((length + (writeFrame ? 0x80 : 0)) ^ 0xFF), "LengthByte");
    FrameBuffer built = frame;
    built[1] = LengthByte(length, writeFrame);
    AppendChecksum(built, length);
    // Below 4 bytes the checksum's high byte would be the length byte.
    Expect(length < 4 || length > kMaxReceived || VerifyChecksum(built) == 1,
           "a frame with its length byte and checksum verifies");
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExpectParsers(std::string_view(reinterpret_cast<const char*>(data), size));
    ExpectCodec(data, size);
    return 0;
}
