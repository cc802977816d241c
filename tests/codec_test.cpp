// The frame envelope: length byte, checksum, hexadecimal conversions.

#include <gtest/gtest.h>

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

FrameBuffer Buffer(std::initializer_list<int> bytes) {
    FrameBuffer b{};
    int i = 0;
    for (int v : bytes) b[i++] = static_cast<std::uint8_t>(v);
    return b;
}

TEST(Checksum, WorkedFirmwareQueryGets086C) {
    FrameBuffer tx = Buffer({0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    tx[11] = 0xAA;  // a byte past the frame stays as the last frame left it
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
    for (int i : {0, 2, 20, 30, 31, 32}) {
        FrameBuffer damaged = frame;
        damaged[i] ^= 0x10;
        EXPECT_EQ(VerifyChecksum(damaged), 0) << "byte " << i;
    }
}

TEST(Checksum, LargestFrameSumNeedsTheHighByte) {
    FrameBuffer frame;
    frame.fill(0xFF);
    frame[1] = LengthByte(49, false);  // 0xCE
    AppendChecksum(frame, 49);
    const unsigned sum = 0xFF * 46 + 0xCE;
    EXPECT_EQ(frame[47], sum >> 8);
    EXPECT_EQ(frame[48], sum & 0xFF);
    EXPECT_EQ(VerifyChecksum(frame), 1);
}

TEST(LengthByte, ComplementWithWriteFlagInBit7) {
    EXPECT_EQ(LengthByte(11, false), 0xF4);
    EXPECT_EQ(LengthByte(12, false), 0xF3);
    EXPECT_EQ(LengthByte(14, true), 0x71);
    EXPECT_EQ(LengthByte(33, true), 0x5E);
    EXPECT_EQ(LengthByte(35, true), 0x5C);
}

TEST(LengthByte, ReceiverIgnoresBit7) {
    EXPECT_EQ(FrameLengthFrom(0x71), 14);
    EXPECT_EQ(FrameLengthFrom(0xF1), 14);
    EXPECT_EQ(FrameLengthFrom(0x80), 127);
}

TEST(VerifyChecksum, WriteFlagDoesNotChangeTheLengthChecked) {
    FrameBuffer frame = Buffer({0x7F, 0x71, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56});
    AppendChecksum(frame, 14);
    EXPECT_EQ(VerifyChecksum(frame), 1);
    frame[1] = 0xF1;  // same length, other bit 7: the sum changes by 0x80
    EXPECT_EQ(VerifyChecksum(frame), 0);
    AppendChecksum(frame, 14);
    EXPECT_EQ(VerifyChecksum(frame), 1);
}

TEST(VerifyChecksum, LengthByte80IsCheckedAsFortyNineBytes) {
    FrameBuffer frame{};
    frame[0] = 0x8D;
    frame[1] = 0x80;
    for (int i = 2; i < 47; ++i) frame[i] = static_cast<std::uint8_t>(i);
    unsigned sum = 0;
    for (int i = 0; i <= 46; ++i) sum += frame[i];
    frame[47] = static_cast<std::uint8_t>(sum >> 8);
    frame[48] = static_cast<std::uint8_t>(sum & 0xFF);
    frame[49] = 0x55;  // beyond the 49 bytes kept: not part of the check
    frame[50] = 0x55;
    EXPECT_EQ(VerifyChecksum(frame), 1);
    frame[48] ^= 1;
    EXPECT_EQ(VerifyChecksum(frame), 0);
}

TEST(VerifyChecksum, LengthsBelowTwoAreBadAndTwoSumsNothing) {
    FrameBuffer frame{};
    frame[1] = LengthByte(1, false);
    EXPECT_EQ(VerifyChecksum(frame), 0);
    frame[1] = LengthByte(0, false);
    EXPECT_EQ(VerifyChecksum(frame), 0);
    // L = 2: nothing summed, and the "checksum" is bytes 0 and 1 themselves.
    frame[0] = 0x00;
    frame[1] = LengthByte(2, false);  // 0xFD, so the stored value is 0x00FD
    EXPECT_EQ(VerifyChecksum(frame), 0);
}

TEST(VerifyChecksum, PayloadIsNotInspected) {
    FrameBuffer frame = Buffer({0x00, 0xF2, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09});
    AppendChecksum(frame, 13);
    EXPECT_EQ(VerifyChecksum(frame), 1);
}

TEST(HexText, PadsToWidthAndNeverCuts) {
    EXPECT_EQ(HexText(0x0A, 2), "0A");
    EXPECT_EQ(HexText(0x1A, 4), "001A");
    EXPECT_EQ(HexText(0x1234, 2), "1234");
    EXPECT_EQ(HexText(255, 2), "FF");
    EXPECT_EQ(HexText(5, 2), "05");
    EXPECT_EQ(HexText(0, 6), "000000");
    EXPECT_EQ(HexText(0xABCDEF, 6), "ABCDEF");
    EXPECT_EQ(HexText(0, 0), "0");
}

TEST(HexDigitValue, DigitsInBothCasesAndEverythingElseIsZero) {
    EXPECT_EQ(HexDigitValue("0"), 0);
    EXPECT_EQ(HexDigitValue("9"), 9);
    EXPECT_EQ(HexDigitValue("A"), 10);
    EXPECT_EQ(HexDigitValue("f"), 15);
    EXPECT_EQ(HexDigitValue("c"), 12);
    EXPECT_EQ(HexDigitValue(""), 0);
    EXPECT_EQ(HexDigitValue(" "), 0);
    EXPECT_EQ(HexDigitValue("G"), 0);
    EXPECT_EQ(HexDigitValue("g"), 0);
    EXPECT_EQ(HexDigitValue("1A"), 0);  // more than one character
    EXPECT_EQ(HexDigitValue(std::string_view("\0", 1)), 0);
}

}  // namespace
}  // namespace kavro
