// The frame envelope: the length byte and the checksum; and the parsers
// that turn screen text into message bytes, for the texts users meet (every
// text against a reference: fuzz/field_parsers_fuzzer.cpp).

#include <gtest/gtest.h>

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"

namespace kavro {
namespace {

// Any changed byte fails. (Worked frames with their checksums: transfer_scenarios.cpp.)
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

// An address is three digit pairs from the left, missing digits 0; a source group's go to the slots reversed.
// Data and priority are right-aligned from the first four or two characters. A character that is not a hex
// digit counts as 0; lower case as upper.
TEST(FieldParsers, TextsUsersMeet) {
    struct Row { const char *name, *text; std::array<int, 3> address, reversed; int dataHigh, dataLow, priority; };
    for (const Row& row : {
             Row{"six digits", "1A2B3C", {0x1A, 0x2B, 0x3C}, {0x3C, 0x2B, 0x1A}, 0x1A, 0x2B, 0x1A},
             Row{"a letter past F", "1g2", {0x10, 0x20, 0x00}, {0x00, 0x20, 0x10}, 0x01, 0x02, 0x10},
             Row{"three digits", "123", {0x12, 0x30, 0x00}, {0x00, 0x30, 0x12}, 0x01, 0x23, 0x12},
             Row{"five characters: the first four", "ABCDE", {0xAB, 0xCD, 0xE0}, {0xE0, 0xCD, 0xAB}, 0xAB, 0xCD, 0xAB},
             Row{"the placeholder", "Text1", {0x0E, 0x00, 0x10}, {0x10, 0x00, 0x0E}, 0x0E, 0x00, 0x0E},
             Row{"one digit", "7", {0x70, 0x00, 0x00}, {0x00, 0x00, 0x70}, 0x00, 0x07, 0x07},
             Row{"lower case", "7f3", {0x7F, 0x30, 0x00}, {0x00, 0x30, 0x7F}, 0x07, 0xF3, 0x7F},
             Row{"empty", "", {0, 0, 0}, {0, 0, 0}, 0x00, 0x00, 0x00},
         }) {
        ParserSlots a, r, d, p;
        ParseAddressText(row.text, a), ParseReversedAddressText(row.text, r);
        ParseDataValueText(row.text, d), ParsePriorityText(row.text, p);
        EXPECT_EQ((std::array{a.address1, a.address2, a.address3}), row.address) << row.name;
        EXPECT_EQ((std::array{r.address1, r.address2, r.address3}), row.reversed) << row.name;
        EXPECT_EQ(std::pair(d.dataHigh, d.dataLow), std::pair(row.dataHigh, row.dataLow)) << row.name;
        EXPECT_EQ(p.dataHigh, row.priority) << row.name;
    }
}

}  // namespace
}  // namespace kavro
