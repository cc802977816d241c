// The frame envelope: length byte, checksum, hexadecimal conversions.

#include <gtest/gtest.h>

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

TEST(Checksum, WorkedFrameGets086CAndBytesPastTheFrameStay) {
    FrameBuffer tx{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    tx[11] = 0xAA;
    AppendChecksum(tx, 11);
    EXPECT_EQ(tx[9], 0x08);
    EXPECT_EQ(tx[10], 0x6C);
    EXPECT_EQ(tx[11], 0xAA);
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
    for (int i = 2; i <= 46; ++i) frame[i] = static_cast<std::uint8_t>(i);
    unsigned sum = 0;
    for (int i = 0; i <= 46; ++i) sum += frame[i];
    frame[47] = static_cast<std::uint8_t>(sum >> 8);
    frame[48] = static_cast<std::uint8_t>(sum & 0xFF);
    frame[49] = frame[50] = 0x55;  // beyond the 49 bytes kept
    EXPECT_EQ(VerifyChecksum(frame), 1);
    frame[48] ^= 1;
    EXPECT_EQ(VerifyChecksum(frame), 0);
}

TEST(VerifyChecksum, LengthsBelowThreeNeverPass) {
    FrameBuffer frame{};
    for (int length : {0, 1, 2}) {
        frame[1] = LengthByte(length, false);
        EXPECT_EQ(VerifyChecksum(frame), 0) << length;
    }
}

TEST(HexConversions, PaddedUpperCaseAndAnythingElseIsZero) {
    EXPECT_EQ(Hex(0x0A, 2), "0A");
    EXPECT_EQ(Hex(0x1A, 4), "001A");
    EXPECT_EQ(Hex(0x1234, 2), "1234");  // never cut
    EXPECT_EQ(Hex(0, 6), "000000");
    EXPECT_EQ(HexDigit("9"), 9);
    EXPECT_EQ(HexDigit("A"), 10);
    EXPECT_EQ(HexDigit("f"), 15);
    for (const char* other : {"", " ", "G", "g", "1A"}) EXPECT_EQ(HexDigit(other), 0) << other;
}

}  // namespace
}  // namespace kavro
