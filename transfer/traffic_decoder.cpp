#include "transfer/traffic_decoder.h"

#include <sstream>

#include "buslink/frame_codec.h"
#include "buslink/switch_messages.h"
#include "editor/config_screen.h"
#include "transfer/frame_fields.h"

namespace kavro {
namespace {

std::string Address(const Bytes& f, int at, bool complemented) { return AddressText(&f[at], complemented); }

// Whether the bytes are a whole frame: its length byte names their
// number, and its checksum is right.
std::string Flaw(const Bytes& f) {
    if (f.size() < 3 || f.size() > static_cast<std::size_t>(kMaxReceived)) return " (not a whole frame)";
    if (FrameLengthFrom(f[1]) != static_cast<int>(f.size())) return " (its length byte names another length)";
    return ChecksumMatches(f) ? "" : " (bad checksum)";
}

// One event block, as Get Config reads it: the command, and its data or
// the lock priority where the command has them.
std::string Event(const Bytes& f, int e) {
    const int b = EventBlockStart(e);
    const int code = Plain(f[b]);
    const int position = CommandPosition(code);
    std::string text = std::string(kEventNames[e]) + " " + kCommands[position].name;
    if (kCommands[position].showsData()) text += " " + EventDataText(&f[b], position);
    if (code > kLastPlainCommandCode) text += " priority " + Hex(Plain(f[b + 2]), 2);
    return text;
}

// The destination the press block names, as the channel's boxes show it.
std::string Destination(const Bytes& f) {
    const int press = EventBlockStart(0);
    const int mode = Plain(f[press + 3]);
    std::string text = ModeName(mode);
    const int kind = mode & kModeMask;
    if (!(mode & kSrcGroupFlag) && (kind == kModePointToPoint || kind == kModeSpecific))
        text += " " + Address(f, press + 4, true);
    if (mode & kSeqFlag) text += ", Seq";
    return text;
}

std::string ChannelRecord(const Bytes& f) {
    std::string text = "channel " + std::to_string(Plain(f[kPayload])) + ":";
    for (int e = 0; e < 3; ++e) text += (e ? ", " : " ") + Event(f, e);
    return text + "; " + Destination(f);
}

std::string SourceGroups(const Bytes& f) {
    std::string text = "source groups:";
    for (int k = 0; k < 8; ++k) text += " " + Address(f, kPayload + 3 * k, true);
    return text;
}

}  // namespace

std::string DescribeSentFrame(const Bytes& f) {
    if (f.size() < 9) return "a frame of " + std::to_string(f.size()) + " bytes";
    const bool everySwitch = std::equal(kEverySwitch.begin(), kEverySwitch.end(), f.begin() + kDestinationAddress);
    const std::string to = everySwitch ? "" : " to " + Address(f, kDestinationAddress, false);
    const std::string flaw = Flaw(f);
    if (!IsKnownMessage(f[0])) return "message " + Hex(f[0], 2) + to + flaw;
    if (f.size() < static_cast<std::size_t>(Shape(f[0]).frameLength))
        return std::string(Shape(f[0]).what) + ", cut short" + flaw;
    switch (f[0]) {
    case msg::queryFirmware: return "query firmware version" + to + flaw;
    case msg::querySwitchAddress: return "query switch address" + to + flaw;
    case msg::querySourceGroups: return "query source groups" + to + flaw;
    case msg::queryChannel: return "query channel " + std::to_string(Plain(f[kPayload])) + to + flaw;
    case msg::writeSwitchAddress: return "write switch address " + Address(f, kPayload, false) + to + flaw;
    case msg::writeChannel: return "write " + ChannelRecord(f) + to + flaw;
    default: return "write " + SourceGroups(f) + to + flaw;
    }
}

std::string DescribeReply(const Bytes& f) {
    if (f.empty()) return "no reply";
    const std::string flaw = Flaw(f);
    if (!flaw.empty()) return "reply of " + std::to_string(f.size()) + " bytes" + flaw;
    const std::string from = "from " + Address(f, kSenderAddress, false);
    const int length = static_cast<int>(f.size());
    if (length == kFirmwareReplyLength)
        return "reply firmware version " + FirmwareText(&f[kPayload]) + " " + from;
    if (length == kSwitchAddressReplyLength) return "reply switch address " + Address(f, kSenderAddress, false);
    if (length == kChannelRecordLength) return "reply " + ChannelRecord(f) + " " + from;
    if (length == kSourceGroupTableLength) return "reply " + SourceGroups(f) + " " + from;
    if (length == kWriteReplyLength) return "answer to a write " + from;
    return "reply of " + std::to_string(length) + " bytes " + from;
}

std::string DecodeLogEntry(const std::string& entry) {
    if (entry.rfind("ECHO", 0) == 0) return "the adapter's echo of the frame sent, dropped";
    const bool sent = entry.rfind("<--", 0) == 0;
    if (!sent && entry.rfind("-->", 0) != 0) return {};
    Bytes bytes;
    std::istringstream hex(entry.substr(3));
    std::string pair;
    while (hex >> pair) bytes.push_back(static_cast<std::uint8_t>(HexDigit(pair[0]) * 16 +
                                                                  HexDigit(pair.size() > 1 ? pair[1] : '0')));
    return sent ? DescribeSentFrame(bytes) : DescribeReply(bytes);
}

}  // namespace kavro
