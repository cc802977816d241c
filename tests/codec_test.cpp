// The frame envelope (length byte, checksum, hexadecimal conversions) and
// the parsers that turn screen text into message bytes.

#include <gtest/gtest.h>

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"

namespace kavro {
namespace {

std::array<int, 5> Slots(const ParserSlots& s) { return {s.address1, s.address2, s.address3, s.dataHigh, s.dataLow}; }

// A worked frame gets 08 6C, bytes past the frame stay; any changed byte fails.
TEST(Checksum, AppendedFrameVerifiesAndAnyChangedByteFails) {
    FrameBuffer tx{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    tx[11] = 0xAA;
    AppendChecksum(tx, 11);
    EXPECT_EQ((std::array{tx[9], tx[10], tx[11]}), (std::array<std::uint8_t, 3>{0x08, 0x6C, 0xAA}));
    FrameBuffer frame{};
    for (int i = 0; i < 31; ++i) frame[i] = static_cast<std::uint8_t>(i * 37 + 5);
    frame[1] = LengthByte(33, false);
    AppendChecksum(frame, 33);
    EXPECT_EQ(VerifyChecksum(frame), 1);
    for (int i : {0, 2, 30, 31, 32}) {
        FrameBuffer damaged = frame;
        damaged[i] ^= 0x10;
        EXPECT_EQ(VerifyChecksum(damaged), 0) << "byte " << i;
    }
    for (int length : {0, 1, 2}) {  // too short to hold a checksum
        frame[1] = LengthByte(length, false);
        EXPECT_EQ(VerifyChecksum(frame), 0) << "length " << length;
    }
}

// The length byte is the complement of the length, plus 0x80 for a write;
// a reader ignores bit 7, and 0x80 (length 127) is checked as 49 bytes.
TEST(LengthByte, ComplementWithBit7ForWritesWhichReadersIgnore) {
    EXPECT_EQ((std::array{LengthByte(11, false), LengthByte(14, true), LengthByte(35, true)}),
              (std::array<std::uint8_t, 3>{0xF4, 0x71, 0x5C}));
    EXPECT_EQ(std::pair(FrameLengthFrom(0x71), FrameLengthFrom(0xF1)), std::pair(14, 14));
    FrameBuffer frame{0, 0x80};
    for (int i = 2; i <= 46; ++i) frame[i] = static_cast<std::uint8_t>(i);
    AppendChecksum(frame, 49);
    frame[49] = frame[50] = 0x55;  // beyond the 49 bytes kept
    EXPECT_EQ(VerifyChecksum(frame), 1);
    frame[48] ^= 1;
    EXPECT_EQ(VerifyChecksum(frame), 0);
}

TEST(HexConversions, PaddedUpperCaseAndAnythingElseIsZero) {
    EXPECT_EQ(Hex(0x0A, 2) + " " + Hex(0x1A, 4) + " " + Hex(0, 6) + " " + Hex(0x1234, 2), "0A 001A 000000 1234");
    for (auto [text, digit] : {std::pair{"9", 9}, {"A", 10}, {"f", 15}, {"", 0}, {"G", 0}, {"g", 0}, {"1A", 0}})
        EXPECT_EQ(HexDigit(text), digit) << '"' << text << '"';
}

// Addresses are three digit pairs, missing characters 0 (a source group address in reverse slot order); data is
// the first four characters right aligned, a priority the first two into data byte 1 only. Each parser leaves the
// other slots alone.
TEST(FieldParsers, AddressesAsThreePairsDataAndPriorityRightAligned) {
    constexpr int u = 0x77;  // untouched
    struct Row { const char* text; int a1, a2, a3, high, low, priority; };
    for (const Row& k : {Row{"1A2B3C", 0x1A, 0x2B, 0x3C, 0x1A, 0x2B, 0x1A}, Row{"1g2", 0x10, 0x20, 0, 0x01, 0x02, 0x10},
                         Row{"", 0, 0, 0, 0, 0, 0}, Row{"abcdef99", 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xAB},
                         Row{"Text1", 0x0E, 0x00, 0x10, 0x0E, 0x00, 0x0E}, Row{"7", 0x70, 0, 0, 0, 0x07, 0x07},
                         Row{"7F3", 0x7F, 0x30, 0, 0x07, 0xF3, 0x7F}}) {
        ParserSlots a{u, u, u, u, u}, r = a, d = a;
        ParseAddressText(k.text, a);
        ParseReversedAddressText(k.text, r);
        ParseDataValueText(k.text, d);
        EXPECT_EQ(Slots(a), (std::array{k.a1, k.a2, k.a3, u, u})) << k.text;
        EXPECT_EQ(Slots(r), (std::array{k.a3, k.a2, k.a1, u, u})) << k.text;
        EXPECT_EQ(Slots(d), (std::array{u, u, u, k.high, k.low})) << k.text;
        ParsePriorityText(k.text, d);
        EXPECT_EQ(Slots(d), (std::array{u, u, u, k.priority, k.low})) << k.text << ": priority";
    }
}

}  // namespace
}  // namespace kavro
