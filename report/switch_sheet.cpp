#include "report/switch_sheet.h"

#include "buslink/switch_messages.h"
#include "editor/command_catalogue.h"
#include "platform/hex_text.h"
#include "configfile/windows1252.h"
#include "history/history_time.h"
#include "transfer/frame_fields.h"
#include "transfer/held_comparison.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

// An event block as the switch's reply carried it (most bytes complemented):
//   +0 command  +1 data low  +2 data high or lock priority  +3 mode  +4..6 address
SheetEvent EventFromBlock(const std::uint8_t* block, int e, bool seq, const std::uint8_t* sourceGroup) {
    SheetEvent event;
    event.name = EventName(e, seq);
    event.code = Plain(block[0]);
    event.command = CommandText(event.code);
    const int position = CommandPosition(event.code);
    const bool listed = kCommands[position].code == event.code;
    if (listed && kCommands[position].showsData()) event.data = EventDataText(block, position);
    if (listed && SendsLockPriority(position)) event.lockPriority = Hex(static_cast<unsigned>(Plain(block[2])), 2);
    const int mode = Plain(block[3]) & ~kSeqFlag;
    event.destination = DestinationText(mode);
    if (mode & kSrcGroupFlag) {
        if ((mode & kModeMask) == kModeGroup) event.address = AddressText(sourceGroup, true);
    } else if ((mode & kModeMask) == kModeGroup) {
        event.address = "000000";
    } else if ((mode & kModeMask) == kModeSpecific || (mode & kModeMask) == kModePointToPoint) {
        event.address = AddressText(block + 4, true);
    }
    return event;
}

}  // namespace

bool SheetChannel::oneDestination() const {
    for (const SheetEvent& e : events)
        if (e.destination != events[0].destination || e.address != events[0].address) return false;
    return true;
}

std::array<SheetChannel, kChannels> ChannelsFromHeld(const HeldConfiguration& held) {
    std::array<SheetChannel, kChannels> channels;
    for (int c = 0; c < kChannels; ++c) {
        SheetChannel& channel = channels[c];
        channel.number = c + 1;
        const std::uint8_t* blocks = held.channelBlocks[c].data();
        // The window names a channel's events by the "Seq" bit of its press
        // block, as Get Config ticks the box from it.
        channel.seq = (Plain(blocks[3]) & kSeqFlag) != 0;
        for (int e = 0; e < 3; ++e)
            channel.events[e] =
                EventFromBlock(blocks + kEventBlockSize * e, e, channel.seq, &held.sourceGroups[3 * c]);
    }
    return channels;
}

SwitchSheet SheetOfScreen(const ConfigScreen& screen, const std::string& port, const std::string& time) {
    const HeldConfiguration held = HeldFromScreen(screen);
    SwitchSheet sheet;
    const std::string address = AddressText(held.switchAddress.data(), false);
    sheet.title = "Switch " + address;
    // The firmware box holds what the last read found, or what was typed:
    // a text of the screen, in the files' code page.
    const std::string firmware = Utf8FromWindows1252(screen.firmwareVersion.text());
    sheet.facts = {{"Address", address},
                   {"Port", port},
                   {"Firmware", firmware.empty() ? "not read" : firmware},
                   {"Printed", LocalTimeText(time)}};
    sheet.holdsConfiguration = true;
    sheet.channels = ChannelsFromHeld(held);
    sheet.notes.push_back("What the window's screen holds, as Send Config would write it into a switch.");
    if (const auto refusal = SendRefusal(screen))
        sheet.notes.push_back("Send Config would send nothing: " + Utf8FromWindows1252(refusal->message));
    return sheet;
}

}  // namespace kavro
