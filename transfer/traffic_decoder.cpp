#include "transfer/traffic_decoder.h"

#include <sstream>

#include "buslink/frame_codec.h"
#include "buslink/switch_messages.h"
#include "editor/config_screen.h"

namespace kavro {
namespace {

std::string Address(const Bytes& f, int at, bool complemented) {
    return Hex(complemented ? ComplementedAddress(&f[at]) : AddressValue(f[at], f[at + 1], f[at + 2]), 6);
}

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
    if (kCommands[position].showsData()) {
        const int low = Plain(f[b + 1]), high = Plain(f[b + 2]);
        text += " " + (position == kAbsolutePosition ? Hex(low + 256 * high, 4) : Hex(low, 2));
    }
    if (code > kLastPlainCommandCode) text += " priority " + Hex(Plain(f[b + 2]), 2);
    return text;
}

// The destination the press block names, as the channel's boxes show it.
std::string Destination(const Bytes& f) {
    const int press = EventBlockStart(0);
    const int mode = Plain(f[press + 3]);
    std::string text;
    if (mode & kSrcGroupFlag) text = "Src Group";
    else if ((mode & kModeMask) == kModeGroup) text = "Group";
    else if ((mode & kModeMask) == kModePointToPoint) text = "P-P " + Address(f, press + 4, true);
    else if ((mode & kModeMask) == kModeSpecific) text = "Specific " + Address(f, press + 4, true);
    else text = "mode " + std::to_string(mode & kModeMask);
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
    const std::string to = std::equal(kEverySwitch.begin(), kEverySwitch.end(), f.begin() + kDestinationAddress) ? "" : " to " + Address(f, 6, false);
    const std::string flaw = Flaw(f);
    const std::size_t length = f.size();
    switch (f[0]) {
    case msg::queryFirmware: return "query firmware version" + to + flaw;
    case msg::querySwitchAddress: return "query switch address" + to + flaw;
    case msg::querySourceGroups: return "query source groups" + to + flaw;
    case msg::queryChannel:
        if (length >= 12) return "query channel " + std::to_string(Plain(f[kPayload])) + to + flaw;
        break;
    case msg::writeSwitchAddress:
        if (length >= 14) return "write switch address " + Address(f, kPayload, false) + to + flaw;
        break;
    case msg::writeChannel:
        if (length >= static_cast<std::size_t>(kChannelRecordLength)) return "write " + ChannelRecord(f) + to + flaw;
        break;
    case msg::writeSourceGroups:
        if (length >= static_cast<std::size_t>(kSourceGroupTableLength)) return "write " + SourceGroups(f) + to + flaw;
        break;
    default: return "message " + Hex(f[0], 2) + to + flaw;
    }
    return std::string(Shape(f[0]).what) + ", cut short" + flaw;
}

std::string DescribeReply(const Bytes& f) {
    if (f.empty()) return "no reply";
    const std::string flaw = Flaw(f);
    if (!flaw.empty()) return "reply of " + std::to_string(f.size()) + " bytes" + flaw;
    const std::string from = "from " + Address(f, kSenderAddress, false);
    const int length = static_cast<int>(f.size());
    if (length == kFirmwareReplyLength)
        return "reply firmware version " + std::to_string(Plain(f[kPayload])) + "." +
               std::to_string(Plain(f[kPayload + 1])) + " " + from;
    if (length == kSwitchAddressReplyLength) return "reply switch address " + Address(f, kSenderAddress, false);
    if (length == kChannelRecordLength) return "reply " + ChannelRecord(f) + " " + from;
    if (length == kSourceGroupTableLength) return "reply " + SourceGroups(f) + " " + from;
    if (length == kWriteReplyLength) return "answer to a write " + from;
    return "reply of " + std::to_string(length) + " bytes " + from;
}

std::string DecodeLogEntry(const std::string& entry) {
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
