#pragma once
// Turn the hexadecimal text of the screen's address, data and priority
// boxes into message bytes. They never fail: a character that is not a hex
// digit counts as 0, a short text is filled with 0, a long one is cut.
// Results land in the bus module's slots, where the message builders
// pick them up; each parser overwrites only its own slots.

#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

struct ParserSlots {
    int address1 = 0;
    int address2 = 0;
    int address3 = 0;
    int dataHigh = 0;  // data high byte, or the lock priority
    int dataLow = 0;  // data low byte
};

// Characters 1..6 as three digit pairs, missing characters counting as 0
// at the right: "12" gives 12 00 00. Pairs go to address1..3 in order.
void ParseAddressText(std::string_view text, ParserSlots& slots);
// The same pairs in reverse slot order (source group addresses).
void ParseReversedAddressText(std::string_view text, ParserSlots& slots);
// Up to four digits, right-aligned: "123" gives 01 23, "ABCDE" gives AB CD.
void ParseDataValueText(std::string_view text, ParserSlots& slots);
// Up to two digits, right-aligned, into dataHigh: "7F3" gives 7F.
void ParsePriorityText(std::string_view text, ParserSlots& slots);

// Whether a text is a bus address as the user means one: exactly six
// hexadecimal digits. The parsers above read any text; this tells the
// texts they would read as something the user never typed ("Error").
bool IsBusAddressText(std::string_view text);
// An address as the tool shows and files it: its letters in upper case
// ("00abcd" is switch 00ABCD).
std::string AddressShown(std::string_view text);
// FFFFFF, in either case: the destination every switch answers to. It is
// never given to one switch, and this is why:
bool IsGlobalAddressText(std::string_view text);
inline constexpr const char* kGlobalAddressReason =
    "FFFFFF is the address every switch answers to; a switch given it would answer frames meant for every switch "
    "on the bus";
// Whether the parsers read a text as the value it shows: hexadecimal
// digits only, no more of them than the field takes (empty is 0).
bool IsHexText(std::string_view text, std::size_t maxDigits);

}  // namespace kavro
