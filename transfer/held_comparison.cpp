#include "transfer/held_comparison.h"

#include "buslink/switch_messages.h"
#include "transfer/frame_fields.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

// A command by its name, or by its code where the list has none.
std::string CommandName(int code) {
    const int position = CommandPosition(code);
    if (kCommands[position].code == code) return kCommands[position].name;
    return "code " + Hex(static_cast<unsigned>(code), 2);
}

// A destination by the box that stands for it; a mode byte no box stands
// for by its number ("mode 12"), or by the whole byte when bits the tool
// never sets are set.
std::string Destination(int modeByte) {
    const int destination = modeByte & ~kSeqFlag;
    if (destination & 0x30) return "mode byte " + Hex(static_cast<unsigned>(destination), 2);
    if (destination & kSrcGroupFlag && (destination & kModeMask) != kModeGroup)
        return "Src Group with mode " + std::to_string(destination & kModeMask);
    return ModeName(destination);
}

class Comparison {
public:
    Comparison(const ConfigScreen& expected, const HeldConfiguration& held, const ReadParts& parts)
        : expected_(expected), held_(held), parts_(parts) {}

    std::vector<HeldDifference> run() {
        EncodeSwitchAddress(expected_, slots_, sent_);
        if (parts_.switchAddress)
            check(0, "switch address", AddressText(&sent_[kPayload], false),
                  AddressText(held_.switchAddress.data(), false));
        for (int c = 0; c < kChannels; ++c)
            if (parts_.channels[c]) channel(c);
        EncodeSourceGroups(expected_, slots_, sent_);
        for (int c = 0; c < kChannels && parts_.sourceGroups; ++c)
            if (expected_.destinationBoxes[SrcGroupBox(c)].value() == 1)
                check(c + 1, "source group address", AddressText(&sent_[kPayload + 3 * c], true),
                      AddressText(&held_.sourceGroups[3 * c], true));
        return differences_;
    }

private:
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

    void channel(int c) {
        EncodeChannelRecord(expected_, c, slots_, sent_);
        const auto block = [&](const FrameBuffer& f, int e) { return &f[EventBlockStart(e)]; };
        const auto held = [&](int e) { return &held_.channelBlocks[c][kEventBlockSize * e]; };
        std::vector<std::string> priorities, destinations, seqs, addresses;
        std::vector<int> locks;
        for (int e = 0; e < 3; ++e) {
            const std::uint8_t* sent = block(sent_, e);
            const std::string event = kEventNames[e];
            const int code = Plain(sent[0]);
            check(c + 1, event + " command", CommandName(code), CommandName(Plain(held(e)[0])));
            const int position = CommandPosition(code);
            if (kCommands[position].showsData())
                check(c + 1, event + " data", EventDataText(sent, position), EventDataText(held(e), position));
            if (code > kLastPlainCommandCode) {
                locks.push_back(e);
                priorities.push_back(Hex(Plain(held(e)[2]), 2));
            }
            const int mode = Plain(held(e)[3]);
            destinations.push_back(Destination(mode));
            seqs.push_back(mode & kSeqFlag ? "on" : "off");
            addresses.push_back(AddressText(held(e) + 4, true));
        }
        const std::uint8_t* press = block(sent_, 0);
        const int mode = Plain(press[3]);
        // Every lock command of a channel carries the one priority.
        if (!locks.empty()) shared(c, "lock priority", Hex(Plain(press[2 + kEventBlockSize * locks[0]]), 2), priorities, locks);
        shared(c, "destination", Destination(mode), destinations, {0, 1, 2});
        shared(c, "Seq", mode & kSeqFlag ? "on" : "off", seqs, {0, 1, 2});
        const int kind = mode & kModeMask;
        if (!(mode & kSrcGroupFlag) && (kind == kModeSpecific || kind == kModePointToPoint))
            shared(c, kind == kModeSpecific ? "motor address" : "P-P motor address", AddressText(press + 4, true),
                   addresses, {0, 1, 2});
    }

    const ConfigScreen& expected_;
    const HeldConfiguration& held_;
    const ReadParts parts_;
    ParserSlots slots_;
    FrameBuffer sent_{};
    std::vector<HeldDifference> differences_;
};

}  // namespace

std::vector<HeldDifference> CompareHeld(const ConfigScreen& expected, const HeldConfiguration& held,
                                        const ReadParts& parts) {
    return Comparison(expected, held, parts).run();
}

std::vector<HeldDifference> CompareRead(const ConfigScreen& expected, const ReadReport& read) {
    ReadParts got = read.asked;
    got.switchAddress = got.switchAddress && read.switchAddress.read;
    for (int c = 0; c < kChannels; ++c) got.channels[c] = got.channels[c] && read.channels[c].read;
    got.sourceGroups = got.sourceGroups && read.sourceGroups.read;
    return CompareHeld(expected, read.held, got);
}

std::string DescribeHeldDifferences(const std::vector<HeldDifference>& differences, const char* expectedVerb) {
    std::string text;
    for (const HeldDifference& d : differences)
        text += (text.empty() ? "" : "; ") + DescribeHeldDifference(d, expectedVerb);
    return text;
}

std::string DescribeHeldDifference(const HeldDifference& d, const char* expectedVerb) {
    const std::string where = d.channel ? "channel " + std::to_string(d.channel) + ", " : "";
    return where + d.field + ": " + expectedVerb + " " + d.expected + ", the switch holds " + d.found;
}

}  // namespace kavro
