// The frame envelope: the length byte and the checksum. (Hex and the
// parsers that turn screen text into message bytes are held to a reference
// by fuzz/field_parsers_fuzzer.cpp.)

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kavro
