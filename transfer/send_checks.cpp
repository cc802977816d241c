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

// A box's text before what is wrong with it: ": 12345 ", or " " when empty.
std::string Named(const std::string& text) { return text.empty() ? " " : ": " + text + " "; }

Refusal InvalidSwitchAddress(const std::string& text, bool sending) {
    const std::string shortfall = AddressShortfall(text);
    const std::string holds = shortfall.empty() ? Holds("\"Switch Address\"", text) + ", not six hexadecimal digits, "
                                                : "Switch Address" + Named(text) + shortfall + ", ";
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

// An address box that travels and holds fewer than six digits: named
// with its channel, and what it would go out as.
Refusal ShortAddress(const std::string& where, const std::string& text) {
    return {TransferEnd::UnsendableText,
            where + Named(text) + AddressShortfall(text) + ". So Send Config sent nothing: it would go "
                "out as " + AddressSent(text) + ", another address.\n\nType all six digits, leading zeros included "
                "(0-9 and A-F, for example 012345), or correct the file it came from."};
}

// An address that travels: hexadecimal digits, six of them.
std::optional<Refusal> CheckAddress(const std::string& where, const std::string& oddWhere, const std::string& text) {
    if (!IsHexText(text, 6)) return OddText(oddWhere, text, AddressSent(text), 6);
    if (text.size() != 6) return ShortAddress(where, text);
    return std::nullopt;
}

// The boxes whose value travels, in the order the frames carry them:
// each must hold no more than hexadecimal digits the field takes, and an
// address all six of them.
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
        const std::string named = "Channel " + std::to_string(c + 1) + ", ";
        std::optional<Refusal> refusal;
        if (destination == Destination::Specific)
            refusal = CheckAddress(named + "Motor Address", channel + "\"Motor Address\" box", s.motorAddress[c].text());
        if (destination == Destination::SrcGroup)
            refusal = CheckAddress(named + "Src Group address", channel + "\"Src Group\" address box",
                                   s.sourceGroupAddress[c].text());
        if (destination == Destination::PointToPoint)
            refusal = CheckAddress(named + "P-P Motor Address",
                                   "The \"P-P Motor Address\" box (channel " + std::to_string(c + 1) + " uses it)",
                                   s.ppMotorAddress.text());
        if (refusal) return refusal;
    }
    return std::nullopt;
}

}  // namespace

std::string AddressShortfall(const std::string& text) {
    static constexpr const char* kCounts[] = {"", "one digit", "two digits", "three digits", "four digits",
                                              "five digits"};
    if (text.empty()) return "is empty; a switch address has six digits";
    if (text.size() >= 6 || !IsHexText(text, 6)) return {};
    return std::string("has ") + kCounts[text.size()] + "; a switch address has six";
}

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
