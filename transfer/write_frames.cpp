#include "transfer/write_frames.h"

#include "buslink/switch_messages.h"
#include "buslink/field_parsers.h"

namespace kavro {

void EncodeSwitchAddress(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame) {
    ParseAddressText(screen.switchAddress.text(), slots);
    frame[kPayload] = static_cast<std::uint8_t>(slots.address1);  // not complemented
    frame[kPayload + 1] = static_cast<std::uint8_t>(slots.address2);
    frame[kPayload + 2] = static_cast<std::uint8_t>(slots.address3);
}

// Three event blocks with the same mode byte and address.
void EncodeChannelRecord(const ConfigScreen& screen, int c, ParserSlots& slots, FrameBuffer& frame) {
    int mode = 0;
    if (screen.destinationBoxes[PointToPointBox(c)].value() == 1) {
        mode = kModePointToPoint;
        ParseAddressText(screen.ppMotorAddress.text(), slots);
    }
    if (screen.destinationBoxes[SpecificBox(c)].value() == 1) {
        mode = kModeSpecific;
        ParseAddressText(screen.motorAddress[c].text(), slots);
    }
    if (screen.destinationBoxes[GroupBox(c)].value() == 1) {
        slots.address1 = slots.address2 = slots.address3 = 0xFF;
        mode = kModeGroup;
    }
    if (screen.destinationBoxes[SrcGroupBox(c)].value() == 1) {
        slots.address1 = slots.address2 = slots.address3 = 0xFF;
        mode |= kSrcGroupFlag;
    }
    if (screen.seq[c].value() == 1) mode |= kSeqFlag;

    frame[kPayload] = Complement(c + 1);
    for (int e = 0; e < 3; ++e) {
        const int b = EventBlockStart(e);
        const int i = EventIndex(c, e);
        frame[b] = Complement(screen.commandCode(i));
        ParseDataValueText(screen.data[i].text(), slots);
        // A lock command carries the channel's priority where others carry
        // the data's high byte.
        if (screen.commandCode(i) > kLastPlainCommandCode) ParsePriorityText(screen.lockPriority[c].text(), slots);
        frame[b + 1] = Complement(slots.dataLow);
        frame[b + 2] = Complement(slots.dataHigh);
        frame[b + 3] = Complement(mode);
        frame[b + 4] = Complement(slots.address1);
        frame[b + 5] = Complement(slots.address2);
        frame[b + 6] = Complement(slots.address3);
    }
}

// Channels not in "Src Group" send FF FF FF; the others their address,
// first two digits first.
void EncodeSourceGroups(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame) {
    for (int c = 0; c < kChannels; ++c) {
        ParseReversedAddressText(screen.sourceGroupAddress[c].text(), slots);
        const bool used = screen.destinationBoxes[SrcGroupBox(c)].value() == 1;
        const int at = kPayload + 3 * c;
        frame[at] = used ? Complement(slots.address3) : 0xFF;
        frame[at + 1] = used ? Complement(slots.address2) : 0xFF;
        frame[at + 2] = used ? Complement(slots.address1) : 0xFF;
    }
}

}  // namespace kavro
