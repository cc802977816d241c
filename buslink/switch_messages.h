#pragma once
// The messages the tool and a switch exchange, written down once for the
// transfer, the simulated switch, the traffic decoder and the tests.
//
//   byte  0      message code          (table below)
//   byte  1      length byte           NOT (length + 0x80 for writes)
//   byte  2      0xFF
//   bytes 3..5   sender's address      a reply names the switch here
//   bytes 6..8   destination address   FF FF FF is every switch
//   bytes 9..    payload               most values complemented (XOR 0xFF)
//   last two     checksum
//
// A channel record (query reply and write frame alike) carries the channel
// number in byte 9 and three event blocks of seven bytes from byte 10:
//   +0 command code  +1 data low  +2 data high, or a lock's priority
//   +3 mode byte     +4..6 motor address, most significant byte first
// mode byte: bits 0..3 0 group, 1 point-to-point, 2 specific motor;
//            0x40 "Seq"; 0x80 "Src Group". The source-group table carries
// eight addresses of three bytes from byte 9.

#include <algorithm>
#include <array>
#include <cstdint>

namespace kavro {

namespace msg {
inline constexpr std::uint8_t queryFirmware = 0x80;
inline constexpr std::uint8_t querySwitchAddress = 0x8F;
inline constexpr std::uint8_t queryChannel = 0x8D;
inline constexpr std::uint8_t querySourceGroups = 0x8C;
inline constexpr std::uint8_t writeSwitchAddress = 0x7F;
inline constexpr std::uint8_t writeChannel = 0x7D;
inline constexpr std::uint8_t writeSourceGroups = 0x7C;
}  // namespace msg

// One message: its code, the frame's length, and the reply awaited.
struct MessageShape {
    std::uint8_t code;
    int frameLength;
    int replyLength;
    bool write;        // write frames set bit 7 of the length
    const char* what;  // in plain words, for the traffic log
};

inline constexpr std::array<MessageShape, 7> kMessages{{
    {msg::queryFirmware, 11, 13, false, "firmware query"},
    {msg::querySwitchAddress, 11, 11, false, "switch address query"},
    {msg::queryChannel, 12, 33, false, "channel query"},
    {msg::querySourceGroups, 11, 35, false, "source group query"},
    {msg::writeSwitchAddress, 14, 12, true, "switch address write"},
    {msg::writeChannel, 33, 12, true, "channel write"},
    {msg::writeSourceGroups, 35, 12, true, "source group write"},
}};

constexpr const MessageShape& Shape(std::uint8_t code) {
    for (const MessageShape& m : kMessages)
        if (m.code == code) return m;
    return kMessages[0];
}
constexpr bool IsKnownMessage(std::uint8_t code) {
    for (const MessageShape& m : kMessages)
        if (m.code == code) return true;
    return false;
}

inline constexpr int kFirmwareReplyLength = Shape(msg::queryFirmware).replyLength;
inline constexpr int kSwitchAddressReplyLength = Shape(msg::querySwitchAddress).replyLength;
inline constexpr int kChannelRecordLength = Shape(msg::writeChannel).frameLength;
inline constexpr int kSourceGroupTableLength = Shape(msg::writeSourceGroups).frameLength;
inline constexpr int kWriteReplyLength = 12;

// Where things stand in a frame.
inline constexpr int kHeaderStart = 2;          // bytes 2..8
inline constexpr int kSenderAddress = 3;        // bytes 3..5
inline constexpr int kDestinationAddress = 6;   // bytes 6..8
inline constexpr int kPayload = 9;
inline constexpr int kEventBlockSize = 7;
inline constexpr int EventBlockStart(int event) { return 10 + kEventBlockSize * event; }

// Mode byte of an event block.
inline constexpr int kModeMask = 0x0F;
inline constexpr int kModeGroup = 0, kModePointToPoint = 1, kModeSpecific = 2;
inline constexpr int kSeqFlag = 0x40;
inline constexpr int kSrcGroupFlag = 0x80;

// A code above this is a lock command: its block carries the channel's
// lock priority where other commands carry the data's high byte.
inline constexpr int kLastPlainCommandCode = 0x1F;

// Most payload values travel complemented.
constexpr std::uint8_t Complement(int value) { return static_cast<std::uint8_t>((value ^ 0xFF) & 0xFF); }
constexpr int Plain(std::uint8_t wire) { return wire ^ 0xFF; }

// Three address bytes as one number, and back, most significant first.
constexpr unsigned AddressValue(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return a * 65536u + b * 256u + c;
}
// The same for three complemented bytes from at.
constexpr unsigned ComplementedAddress(const std::uint8_t* at) {
    return AddressValue(static_cast<std::uint8_t>(Plain(at[0])), static_cast<std::uint8_t>(Plain(at[1])),
                        static_cast<std::uint8_t>(Plain(at[2])));
}

// Bytes 2..5 of every frame the tool sends: the fixed byte, then the tool's
// own bus address, to which the switch sends its reply.
inline constexpr std::array<std::uint8_t, 4> kToolHeader{0xFF, 0xFE, 0xFF, 0xFF};
// The destination every switch on the bus answers to.
inline constexpr std::array<std::uint8_t, 3> kEverySwitch{0xFF, 0xFF, 0xFF};
// A write's reply carries this one payload byte.
inline constexpr std::uint8_t kAcknowledged = 0xFF;
// No frame of the protocol is shorter.
inline constexpr int kShortestFrame = 11;

// Whether a switch at this address answers a frame of this many bytes: its
// destination is that address or every switch.
inline bool AddressedTo(const std::uint8_t* frame, std::size_t size, const std::array<std::uint8_t, 3>& address) {
    if (size < kDestinationAddress + 3) return false;
    const std::uint8_t* destination = frame + kDestinationAddress;
    return std::equal(kEverySwitch.begin(), kEverySwitch.end(), destination) ||
           std::equal(address.begin(), address.end(), destination);
}

}  // namespace kavro
