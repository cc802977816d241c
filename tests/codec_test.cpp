// The frame envelope (length byte, checksum, hexadecimal conversions) and
// the parsers that turn screen text into message bytes.

#include <gtest/gtest.h>

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"

namespace kavro {
namespace {

TEST(Checksum, WorkedFrameGets086CAndBytesPastTheFrameStay) {
    FrameBuffer tx{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    tx[11] = 0xAA;
    AppendChecksum(tx, 11);
    EXPECT_EQ((std::array{tx[9], tx[10], tx[11]}), (std::array<std::uint8_t, 3>{0x08, 0x6C, 0xAA}));
}

TEST(Checksum, AppendedFrameVerifiesAndAnyChangedByteFails) {
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

TEST(LengthByte, ComplementWithBit7ForWritesWhichReadersIgnore) {
    EXPECT_EQ(LengthByte(11, false), 0xF4);
    EXPECT_EQ(LengthByte(14, true), 0x71);
    EXPECT_EQ(LengthByte(35, true), 0x5C);
    EXPECT_EQ(FrameLengthFrom(0x71), 14);
    EXPECT_EQ(FrameLengthFrom(0xF1), 14);
}

TEST(VerifyChecksum, LengthByte80IsCheckedAsFortyNineBytes) {
    FrameBuffer frame{};
    frame[1] = 0x80;
    unsigned sum = 0x80;
    for (int i = 2; i <= 46; ++i) sum += frame[i] = static_cast<std::uint8_t>(i);
    frame[47] = static_cast<std::uint8_t>(sum >> 8);
    frame[48] = static_cast<std::uint8_t>(sum & 0xFF);
    frame[49] = frame[50] = 0x55;  // beyond the 49 bytes kept
    EXPECT_EQ(VerifyChecksum(frame), 1);
    frame[48] ^= 1;
    EXPECT_EQ(VerifyChecksum(frame), 0);
}

TEST(HexConversions, PaddedUpperCaseAndAnythingElseIsZero) {
    EXPECT_EQ(Hex(0x0A, 2), "0A");
    EXPECT_EQ(Hex(0x1A, 4), "001A");
    EXPECT_EQ(Hex(0x1234, 2), "1234");  // never cut
    EXPECT_EQ(Hex(0, 6), "000000");
    for (auto [text, digit] :
         {std::pair{"9", 9}, {"A", 10}, {"f", 15}, {"", 0}, {" ", 0}, {"G", 0}, {"g", 0}, {"1A", 0}})
        EXPECT_EQ(HexDigit(text), digit) << '"' << text << '"';
}

// Each parser writes only its own slots.
constexpr int kUntouched = 0x77;

TEST(FieldParsers, AddressesAsThreePairsMissingCharactersZero) {
    struct Case {
        const char* text;
        int b1, b2, b3;
        bool reversed;  // a source group address
    };
    for (const Case& k : {Case{"1A2B3C", 0x1A, 0x2B, 0x3C, false}, Case{"1A2B3C", 0x3C, 0x2B, 0x1A, true},
                          Case{"1g2", 0x10, 0x20, 0x00, false}, Case{"", 0, 0, 0, false},
                          Case{"abcdef99", 0xAB, 0xCD, 0xEF, false}, Case{"Error", 0xE0, 0x00, 0x00, false}}) {
        ParserSlots s{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
        k.reversed ? ParseReversedAddressText(k.text, s) : ParseAddressText(k.text, s);
        EXPECT_EQ((std::array{s.address1, s.address2, s.address3}), (std::array{k.b1, k.b2, k.b3})) << k.text;
        EXPECT_EQ((std::array{s.dataHigh, s.dataLow}), (std::array{kUntouched, kUntouched})) << k.text;
    }
}

TEST(FieldParsers, DataRightAlignedFromItsFirstFourCharactersPriorityFromTwo) {
    struct Case {
        const char* text;
        int high, low;  // the data value's bytes
        int priority;
    };
    for (const Case& k : {Case{"123", 0x01, 0x23, 0x12}, Case{"1A", 0x00, 0x1A, 0x1A}, Case{"ABCDE", 0xAB, 0xCD, 0xAB},
                          Case{"Text1", 0x0E, 0x00, 0x0E}, Case{"", 0, 0, 0}, Case{"7", 0, 7, 7},
                          Case{"7F3", 0x07, 0xF3, 0x7F}}) {
        ParserSlots s{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
        ParseDataValueText(k.text, s);
        EXPECT_EQ(s.dataHigh, k.high) << k.text;
        EXPECT_EQ(s.dataLow, k.low) << k.text;
        ParsePriorityText(k.text, s);
        EXPECT_EQ(s.dataHigh, k.priority) << k.text << ": priority";
        EXPECT_EQ(s.dataLow, k.low) << k.text << ": the priority goes to data byte 1 only";
        EXPECT_EQ((std::array{s.address1, s.address2, s.address3}), (std::array{kUntouched, kUntouched, kUntouched}))
            << k.text;
    }
}

}  // namespace
}  // namespace kavro
