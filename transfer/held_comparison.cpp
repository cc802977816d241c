#include "transfer/held_comparison.h"

#include "buslink/switch_messages.h"
#include "transfer/frame_fields.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

std::string Address(const FrameBuffer& f, int at) { return AddressText(&f[at], true); }

// Both screens encoded as Send Config would send them; what the reader
// takes from a record is compared, nothing else.
class Comparison {
public:
    Comparison(const ConfigScreen& expected, const ConfigScreen& read) : expected_(expected), read_(read) {}

    std::vector<HeldDifference> run() {
        EncodeSwitchAddress(expected_, slotsA_, a_);
        EncodeSwitchAddress(read_, slotsB_, b_);
        check(0, "switch address", AddressText(&a_[kPayload], false), AddressText(&b_[kPayload], false));
        for (int c = 0; c < kChannels; ++c) channel(c);
        EncodeSourceGroups(expected_, slotsA_, a_);
        EncodeSourceGroups(read_, slotsB_, b_);
        for (int c = 0; c < kChannels; ++c)
            if (expected_.destinationBoxes[SrcGroupBox(c)].value() == 1)
                check(c + 1, "source group address", Address(a_, kPayload + 3 * c), Address(b_, kPayload + 3 * c));
        return differences_;
    }

private:
    void check(int channel, const std::string& field, const std::string& expected, const std::string& found) {
        if (expected != found) differences_.push_back({channel, field, expected, found});
    }

    void channel(int c) {
        EncodeChannelRecord(expected_, c, slotsA_, a_);
        EncodeChannelRecord(read_, c, slotsB_, b_);
        bool priorityCompared = false;
        for (int e = 0; e < 3; ++e) {
            const int b = EventBlockStart(e);
            const int code = Plain(a_[b]);
            const std::string event = kEventNames[e];
            check(c + 1, event + " command", kCommands[CommandPosition(code)].name,
                  kCommands[CommandPosition(Plain(b_[b]))].name);
            const int position = CommandPosition(code);
            if (kCommands[position].showsData())
                check(c + 1, event + " data", EventDataText(&a_[b], position), EventDataText(&b_[b], position));
            // Every lock command of a channel carries the one priority.
            if (code > kLastPlainCommandCode && !priorityCompared) {
                check(c + 1, "lock priority", Hex(Plain(a_[b + 2]), 2), Hex(Plain(b_[b + 2]), 2));
                priorityCompared = true;
            }
        }
        const int press = EventBlockStart(0);
        const int modeA = Plain(a_[press + 3]), modeB = Plain(b_[press + 3]);
        check(c + 1, "destination", ModeName(modeA), ModeName(modeB));
        check(c + 1, "Seq", modeA & kSeqFlag ? "on" : "off", modeB & kSeqFlag ? "on" : "off");
        const int kind = modeA & kModeMask;
        if (!(modeA & kSrcGroupFlag) && (kind == kModeSpecific || kind == kModePointToPoint))
            check(c + 1, kind == kModeSpecific ? "motor address" : "P-P motor address", Address(a_, press + 4),
                  Address(b_, press + 4));
    }

    const ConfigScreen& expected_;
    const ConfigScreen& read_;
    ParserSlots slotsA_, slotsB_;
    FrameBuffer a_{}, b_{};
    std::vector<HeldDifference> differences_;
};

}  // namespace

std::vector<HeldDifference> CompareHeld(const ConfigScreen& expected, const ConfigScreen& read) {
    return Comparison(expected, read).run();
}

std::string DescribeHeldDifference(const HeldDifference& d, const char* expectedVerb) {
    const std::string where = d.channel ? "channel " + std::to_string(d.channel) + ", " : "";
    return where + d.field + ": " + expectedVerb + " " + d.expected + ", the switch holds " + d.found;
}

}  // namespace kavro
