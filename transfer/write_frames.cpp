#include "transfer/write_frames.h"

#include "buslink/switch_messages.h"
#include "transfer/screen_parsers.h"

namespace kavro {

void EncodeSwitchAddress(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame) {
    ParseAddrText(screen, 3, slots);
    frame[kPayload] = static_cast<std::uint8_t>(slots.AddrByte1);  // not complemented
    frame[kPayload + 1] = static_cast<std::uint8_t>(slots.AddrByte2);
    frame[kPayload + 2] = static_cast<std::uint8_t>(slots.AddrByte3);
}

// Three event blocks with the same mode byte and address.
void EncodeChannelRecord(const ConfigScreen& screen, int c, ParserSlots& slots, FrameBuffer& frame) {
    int mode = 0;
    if (screen.Check1[PointToPointBox(c)].value() == 1) {
        mode = kModePointToPoint;
        ParseAddrText(screen, 1, slots);
    }
    if (screen.Check1[SpecificBox(c)].value() == 1) {
        mode = kModeSpecific;
        ParseSpecAddrText(screen, c, slots);
    }
    if (screen.Check1[GroupBox(c)].value() == 1) {
        slots.AddrByte1 = slots.AddrByte2 = slots.AddrByte3 = 0xFF;
        mode = kModeGroup;
    }
    if (screen.Check1[SrcGroupBox(c)].value() == 1) {
        slots.AddrByte1 = slots.AddrByte2 = slots.AddrByte3 = 0xFF;
        mode |= kSrcGroupFlag;
    }
    if (screen.Check3[c].value() == 1) mode |= kSeqFlag;

    frame[kPayload] = Complement(c + 1);
    for (int e = 0; e < 3; ++e) {
        const int b = EventBlockStart(e);
        const int i = EventIndex(c, e);
        frame[b] = Complement(screen.EventCommandCode[i]);
        ParseDataText(screen, i, slots);
        // A lock command carries the channel's priority where others carry
        // the data's high byte.
        if (screen.EventCommandCode[i] > kLastPlainCommandCode) ParsePriText(screen, c, slots);
        frame[b + 1] = Complement(slots.DataByte2);
        frame[b + 2] = Complement(slots.DataByte1);
        frame[b + 3] = Complement(mode);
        frame[b + 4] = Complement(slots.AddrByte1);
        frame[b + 5] = Complement(slots.AddrByte2);
        frame[b + 6] = Complement(slots.AddrByte3);
    }
}

// Channels not in "Src Group" send FF FF FF; the others their address,
// first two digits first.
void EncodeSourceGroups(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame) {
    for (int c = 0; c < kChannels; ++c) {
        ParseSrcGroupText(screen, c, slots);
        const bool used = screen.Check1[SrcGroupBox(c)].value() == 1;
        const int at = kPayload + 3 * c;
        frame[at] = used ? Complement(slots.AddrByte3) : 0xFF;
        frame[at + 1] = used ? Complement(slots.AddrByte2) : 0xFF;
        frame[at + 2] = used ? Complement(slots.AddrByte1) : 0xFF;
    }
}

}  // namespace kavro
