#include "buslink/frame_codec.h"

#include <algorithm>

namespace kavro {

std::uint8_t LengthByte(int frameLength, bool writeFrame) {
    const int flagged = frameLength + (writeFrame ? 0x80 : 0x00);
    return static_cast<std::uint8_t>((flagged ^ 0xFF) & 0xFF);
}

int FrameLengthFrom(std::uint8_t lengthByte) {
    return (lengthByte ^ 0xFF) & 0x7F;
}

unsigned FrameSum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
    return sum & 0xFFFF;
}

void AppendChecksum(FrameBuffer& transmit, int frameLength) {
    const int length = std::clamp(frameLength, 3, kFrameBufferSize);
    const unsigned sum = FrameSum(transmit.data(), static_cast<std::size_t>(length - 2));
    transmit[length - 2] = static_cast<std::uint8_t>(sum >> 8);
    transmit[length - 1] = static_cast<std::uint8_t>(sum & 0xFF);
}

void AppendChecksum(Bytes& frame) {
    const unsigned sum = FrameSum(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
}

bool ChecksumMatches(const Bytes& frame) {
    const std::size_t n = frame.size();
    return n >= 3 && FrameSum(frame.data(), n - 2) == frame[n - 2] * 256u + frame[n - 1];
}

int VerifyChecksum(const FrameBuffer& receive) {
    int length = FrameLengthFrom(receive[1]);
    if (length > kMaxReceived) length = kMaxReceived;
    if (length < 2) return 0;
    // A length of 2 sums nothing and compares bytes 0 and 1.
    const unsigned sum = length < 3 ? 0 : FrameSum(receive.data(), static_cast<std::size_t>(length - 2));
    const unsigned stored = receive[length - 2] * 256u + receive[length - 1];
    return stored == sum ? 1 : 0;
}

}  // namespace kavro
