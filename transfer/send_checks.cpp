#include "transfer/send_checks.h"

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"
#include "buslink/switch_messages.h"
#include "platform/quoted_text.h"

namespace kavro {
namespace {

std::string Holds(const std::string& box, const std::string& text) {
    return "The " + box + " box " + (text.empty() ? "is empty" : "holds " + Quoted(text));
}

Refusal InvalidSwitchAddress(const std::string& text, bool sending) {
    const std::string holds = Holds("\"Switch Address\"", text) + ", not six hexadecimal digits, ";
    if (sending)
        return {TransferEnd::InvalidSwitchAddress,
                holds + "so Send Config sent nothing: the switch would have been given a wrong address.\n\n"
                        "Read the switch again with \"Get Config\", or type its address (six digits 0-9 and A-F, "
                        "for example 00ABCD)."};
    return {TransferEnd::InvalidSwitchAddress,
            holds + "so Get Config cannot address the switch by it and sent nothing.\n\n"
                    "Type the switch's address (six digits 0-9 and A-F, for example 00ABCD), or clear \"Use Switch "
                    "Address for Config\" to reach the switch by the global address."};
}

// The value a text goes out as, in the digits the box shows.
std::string AddressSent(const std::string& text) {
    ParserSlots slots;
    ParseAddressText(text, slots);
    return Hex(AddressValue(static_cast<std::uint8_t>(slots.address1), static_cast<std::uint8_t>(slots.address2),
                            static_cast<std::uint8_t>(slots.address3)),
               6);
}

std::string DataSent(const std::string& text, int position) {
    ParserSlots slots;
    ParseDataValueText(text, slots);
    return position == kAbsolutePosition ? Hex(slots.dataHigh * 256 + slots.dataLow, 4) : Hex(slots.dataLow, 2);
}

std::string PrioritySent(const std::string& text) {
    ParserSlots slots;
    ParsePriorityText(text, slots);
    return Hex(slots.dataHigh, 2);
}

Refusal OddText(const std::string& where, const std::string& text, const std::string& sent, std::size_t digits) {
    return {TransferEnd::UnsendableText,
            where + " holds " + Quoted(text) + ", which would go out as " + sent +
                ", so Send Config sent nothing.\n\nType the value again (hexadecimal digits 0-9 and A-F, at most " +
                std::to_string(digits) + "), or correct the file it came from."};
}

// The boxes whose value travels, in the order the frames carry them:
// each must hold no more than hexadecimal digits the field takes.
std::optional<Refusal> OddTextIn(const ConfigScreen& s) {
    for (int c = 0; c < kChannels; ++c) {
        const std::string channel = "Channel " + std::to_string(c + 1) + ": the ";
        bool priorityTravels = false;
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            const int position = s.commands[i].selected();
            priorityTravels = priorityTravels || s.commandCode(i) > kLastPlainCommandCode;
            if (position < 0 || !kCommands[position].showsData()) continue;
            const auto digits = static_cast<std::size_t>(kCommands[position].maxLength);
            if (!IsHexText(s.data[i].text(), digits))
                return OddText(channel + "\"" + kEventNames[e] + "\" data box", s.data[i].text(),
                               DataSent(s.data[i].text(), position), digits);
        }
        if (priorityTravels && !IsHexText(s.lockPriority[c].text(), 2))
            return OddText(channel + "\"Lock Priority\" box", s.lockPriority[c].text(),
                           PrioritySent(s.lockPriority[c].text()), 2);
        const Destination destination = DestinationOf(s, c);
        if (destination == Destination::Specific && !IsHexText(s.motorAddress[c].text(), 6))
            return OddText(channel + "\"Motor Address\" box", s.motorAddress[c].text(),
                           AddressSent(s.motorAddress[c].text()), 6);
        if (destination == Destination::SrcGroup && !IsHexText(s.sourceGroupAddress[c].text(), 6))
            return OddText(channel + "\"Src Group\" address box", s.sourceGroupAddress[c].text(),
                           AddressSent(s.sourceGroupAddress[c].text()), 6);
        if (destination == Destination::PointToPoint && !IsHexText(s.ppMotorAddress.text(), 6))
            return OddText("The \"P-P Motor Address\" box (channel " + std::to_string(c + 1) + " uses it)",
                           s.ppMotorAddress.text(), AddressSent(s.ppMotorAddress.text()), 6);
    }
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> SendRefusal(const ConfigScreen& s) {
    const std::string& address = s.switchAddress.text();
    if (!IsBusAddressText(address)) return InvalidSwitchAddress(address, true);
    if (IsGlobalAddressText(address))
        return Refusal{TransferEnd::GlobalSwitchAddress,
                       "The \"Switch Address\" box holds " + address + ": " + kGlobalAddressReason +
                           ". So Send Config sent nothing.\n\n"
                           "Type this switch's own address (six digits 0-9 and A-F, not FFFFFF)."};
    return OddTextIn(s);
}

std::optional<Refusal> HeldRefusal(const HeldConfiguration& held) {
    if (held.switchAddress != kEverySwitch) return std::nullopt;
    return Refusal{TransferEnd::GlobalSwitchAddress,
                   std::string("The configuration to put back gives the switch the address FFFFFF: ") +
                       kGlobalAddressReason + ". So nothing was sent."};
}

std::optional<Refusal> ReadRefusal(const ConfigScreen& s) {
    if (s.useSwitchAddress.value() == 1 && !IsBusAddressText(s.switchAddress.text()))
        return InvalidSwitchAddress(s.switchAddress.text(), false);
    return std::nullopt;
}

}  // namespace kavro
