#include "transfer/frame_fields.h"

#include "buslink/frame_codec.h"
#include "buslink/switch_messages.h"
#include "editor/command_catalogue.h"
#include "editor/config_screen.h"

namespace kavro {

std::string AddressText(const std::uint8_t* at, bool complemented) {
    return Hex(complemented ? ComplementedAddress(at) : AddressValue(at[0], at[1], at[2]), 6);
}

std::string EventDataText(const std::uint8_t* block, int commandPosition) {
    const int low = Plain(block[1]), high = Plain(block[2]);
    return commandPosition == kAbsolutePosition ? Hex(low + 256 * high, 4) : Hex(low, 2);
}

std::string FirmwareText(const std::uint8_t* payload) {
    return std::to_string(Plain(payload[0])) + "." + std::to_string(Plain(payload[1]));
}

std::string ModeName(int modeByte) {
    if (modeByte & kSrcGroupFlag) return DestinationName(Destination::SrcGroup);
    switch (modeByte & kModeMask) {
    case kModeGroup: return DestinationName(Destination::Group);
    case kModePointToPoint: return DestinationName(Destination::PointToPoint);
    case kModeSpecific: return DestinationName(Destination::Specific);
    default: return "mode " + std::to_string(modeByte & kModeMask);
    }
}

std::string CommandText(int code) {
    const int position = CommandPosition(code);
    if (kCommands[position].code == code) return kCommands[position].name;
    return "code " + Hex(static_cast<unsigned>(code), 2);
}

std::string DestinationText(int modeByte) {
    if (modeByte & 0x30) return "mode byte " + Hex(static_cast<unsigned>(modeByte), 2);
    if (modeByte & kSrcGroupFlag && (modeByte & kModeMask) != kModeGroup)
        return "Src Group with mode " + std::to_string(modeByte & kModeMask);
    return ModeName(modeByte);
}

}  // namespace kavro
