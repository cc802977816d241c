#pragma once
// What every frame on the bus has in common: the two frame buffers, the
// length byte and the 16-bit checksum (the hexadecimal conversions are the
// platform's, platform/hex_text.h).
//
//   byte 0      message code
//   byte 1      length byte: NOT (L + F), F = 0x00 or 0x80; bit 7 is ignored
//   bytes 2..8  addressing block, payload from byte 9
//   L-2, L-1    plain sum of bytes 0..L-3, high byte first

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hex_text.h"

namespace kavro {

inline constexpr int kFrameBufferSize = 51;  // longest frame we send
inline constexpr int kMaxReceived = 49;      // longest reply we keep

using FrameBuffer = std::array<std::uint8_t, kFrameBufferSize>;
using Bytes = std::vector<std::uint8_t>;  // one whole frame, as long as it is

// The length byte for a frame of L bytes; write frames set bit 7 of L.
std::uint8_t LengthByte(int frameLength, bool writeFrame);
// The frame length a receiver reads from a length byte.
int FrameLengthFrom(std::uint8_t lengthByte);

// Sums bytes 0..L-3 into L-2 (high) and L-1 (low). L is 3..51.
void AppendChecksum(FrameBuffer& transmit, int frameLength);

// The plain sum the last two bytes of a frame carry.
unsigned FrameSum(const std::uint8_t* bytes, std::size_t count);
// The same for a frame held whole: appends the two checksum bytes, or
// checks them (false for fewer than three bytes).
void AppendChecksum(Bytes& frame);
bool ChecksumMatches(const Bytes& frame);

// 1 when the checksum of the frame in the buffer is right, else 0. The
// length comes from byte 1, capped at 49; below 2 there is nothing to check.
int VerifyChecksum(const FrameBuffer& receive);

}  // namespace kavro
