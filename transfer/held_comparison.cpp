#include "transfer/held_comparison.h"

#include "buslink/switch_messages.h"
#include "transfer/frame_fields.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

constexpr const char* kSourceGroupField = "source group address";
constexpr const char* kSwitchAddressField = "switch address";

// A destination as the switch holds it, "Seq" aside.
std::string Destination(int modeByte) { return DestinationText(modeByte & ~kSeqFlag); }

class Comparison {
public:
    Comparison(const HeldConfiguration& expected, const HeldConfiguration& found, const ReadParts& parts)
        : expected_(expected), found_(found), parts_(parts) {}

    std::vector<HeldDifference> run(HeldMatch match) {
        if (parts_.switchAddress)
            check(0, kSwitchAddressField, AddressText(expected_.switchAddress.data(), false),
                  AddressText(found_.switchAddress.data(), false));
        for (int c = 0; c < kChannels; ++c)
            if (parts_.channels[c]) match == HeldMatch::AsSent ? channelAsSent(c) : channelEveryByte(c);
        for (int c = 0; c < kChannels && parts_.sourceGroups; ++c)
            if (match == HeldMatch::EveryByte || Plain(block(expected_, c, 0)[3]) & kSrcGroupFlag)
                check(c + 1, kSourceGroupField, AddressText(&expected_.sourceGroups[3 * c], true),
                      AddressText(&found_.sourceGroups[3 * c], true));
        return differences_;
    }

private:
    static const std::uint8_t* block(const HeldConfiguration& h, int c, int e) {
        return &h.channelBlocks[c][kEventBlockSize * e];
    }

    void check(int channel, const std::string& field, const std::string& expected, const std::string& found) {
        if (expected != found) differences_.push_back({channel, field, expected, found});
    }

    // A field the write puts into several blocks of a channel alike: named
    // once when the switch holds one value in all of them, else per block.
    void shared(int c, const std::string& field, const std::string& sent, const std::vector<std::string>& held,
                const std::vector<int>& events) {
        bool alike = true;
        for (const std::string& h : held) alike = alike && h == held.front();
        if (alike) return check(c + 1, field, sent, held.front());
        for (std::size_t i = 0; i < held.size(); ++i)
            check(c + 1, field + " (" + kEventNames[events[i]] + ")", sent, held[i]);
    }

    void channelAsSent(int c) {
        std::vector<std::string> priorities, destinations, seqs, addresses;
        std::vector<int> locks;
        for (int e = 0; e < 3; ++e) {
            const std::uint8_t* sent = block(expected_, c, e);
            const std::uint8_t* held = block(found_, c, e);
            const std::string event = kEventNames[e];
            const int code = Plain(sent[0]);
            check(c + 1, event + " command", CommandText(code), CommandText(Plain(held[0])));
            const int position = CommandPosition(code);
            if (kCommands[position].showsData())
                check(c + 1, event + " data", EventDataText(sent, position), EventDataText(held, position));
            if (code > kLastPlainCommandCode) {
                locks.push_back(e);
                priorities.push_back(Hex(Plain(held[2]), 2));
            }
            const int mode = Plain(held[3]);
            destinations.push_back(Destination(mode));
            seqs.push_back(mode & kSeqFlag ? "on" : "off");
            addresses.push_back(AddressText(held + 4, true));
        }
        const std::uint8_t* press = block(expected_, c, 0);
        const int mode = Plain(press[3]);
        // Every lock command of a channel carries the one priority.
        if (!locks.empty())
            shared(c, "lock priority", Hex(Plain(block(expected_, c, locks[0])[2]), 2), priorities, locks);
        shared(c, "destination", Destination(mode), destinations, {0, 1, 2});
        shared(c, "Seq", mode & kSeqFlag ? "on" : "off", seqs, {0, 1, 2});
        const int kind = mode & kModeMask;
        if (!(mode & kSrcGroupFlag) && (kind == kModeSpecific || kind == kModePointToPoint))
            shared(c, kind == kModeSpecific ? "motor address" : "P-P motor address", AddressText(press + 4, true),
                   addresses, {0, 1, 2});
    }

    // Each byte of each block by what it carries, in the switch's values.
    void channelEveryByte(int c) {
        for (int e = 0; e < 3; ++e) {
            const std::uint8_t* want = block(expected_, c, e);
            const std::uint8_t* held = block(found_, c, e);
            const std::string event = kEventNames[e];
            const auto byte = [](const std::uint8_t* b, int at) { return Hex(static_cast<unsigned>(Plain(b[at])), 2); };
            check(c + 1, event + " command", CommandText(Plain(want[0])), CommandText(Plain(held[0])));
            check(c + 1, event + " data", byte(want, 1), byte(held, 1));
            check(c + 1, event + " data high byte or lock priority", byte(want, 2), byte(held, 2));
            check(c + 1, event + " mode byte", byte(want, 3), byte(held, 3));
            check(c + 1, event + " motor address", AddressText(want + 4, true), AddressText(held + 4, true));
        }
    }

    const HeldConfiguration& expected_;
    const HeldConfiguration& found_;
    const ReadParts parts_;
    std::vector<HeldDifference> differences_;
};

}  // namespace

HeldConfiguration HeldFromScreen(const ConfigScreen& screen) {
    // The parser slots go from frame to frame as the write's do: a channel
    // with no destination box ticked carries the address the one before
    // it left.
    ParserSlots slots;
    FrameBuffer frame{};
    HeldConfiguration held;
    EncodeSwitchAddress(screen, slots, frame);
    std::copy_n(frame.begin() + kPayload, held.switchAddress.size(), held.switchAddress.begin());
    for (int c = 0; c < kChannels; ++c) {
        EncodeChannelRecord(screen, c, slots, frame);
        std::copy_n(frame.begin() + EventBlockStart(0), held.channelBlocks[c].size(), held.channelBlocks[c].begin());
    }
    EncodeSourceGroups(screen, slots, frame);
    std::copy_n(frame.begin() + kPayload, held.sourceGroups.size(), held.sourceGroups.begin());
    return held;
}

std::vector<HeldDifference> CompareHeld(const HeldConfiguration& expected, const HeldConfiguration& found,
                                        HeldMatch match, const ReadParts& parts) {
    return Comparison(expected, found, parts).run(match);
}

std::vector<HeldDifference> CompareHeld(const ConfigScreen& expected, const HeldConfiguration& held,
                                        const ReadParts& parts) {
    return CompareHeld(HeldFromScreen(expected), held, HeldMatch::AsSent, parts);
}

ReadParts PartsGot(const ReadReport& read) {
    ReadParts got = read.asked;
    got.switchAddress = got.switchAddress && read.switchAddress.read;
    for (int c = 0; c < kChannels; ++c) got.channels[c] = got.channels[c] && read.channels[c].read;
    got.sourceGroups = got.sourceGroups && read.sourceGroups.read;
    return got;
}

std::vector<HeldDifference> CompareRead(const ConfigScreen& expected, const ReadReport& read) {
    return CompareHeld(expected, read.held, PartsGot(read));
}

std::string DescribeHeldDifferences(const std::vector<HeldDifference>& differences, const char* expectedVerb) {
    std::string text;
    for (const HeldDifference& d : differences)
        text += (text.empty() ? "" : "; ") + DescribeHeldDifference(d, expectedVerb);
    return text;
}

int WritePartOf(const HeldDifference& d) {
    if (d.field == kSourceGroupField) return kChannels + 1;
    return d.channel;
}

std::string DescribeHeldDifference(const HeldDifference& d, const char* expectedVerb) {
    const std::string where = d.channel ? "channel " + std::to_string(d.channel) + ", " : "";
    return where + d.field + ": " + expectedVerb + " " + d.expected + ", the switch holds " + d.found;
}

}  // namespace kavro
