#pragma once
// The fields of a switch's frames as the screen writes them: addresses,
// event data, the firmware version and the destination a mode byte names.
// Get Config, the traffic decoder and the held comparison all read them
// this way.

#include <cstdint>
#include <string>

namespace kavro {

// Three address bytes as six hexadecimal digits; complemented: as they
// travel inside a payload.
std::string AddressText(const std::uint8_t* at, bool complemented);

// The data of an event block (its command byte first): four digits, low
// byte first on the line, for an absolute position, else two.
std::string EventDataText(const std::uint8_t* block, int commandPosition);

// "major.minor" from the two payload bytes of a firmware reply.
std::string FirmwareText(const std::uint8_t* payload);

// "Src Group", "Group", "P-P" or "Specific", as the channel's boxes name
// the mode; "mode N" for a mode no box stands for.
std::string ModeName(int modeByte);

// A command by its name in the list, or by its code where the list has
// none ("code 07"): a switch may hold a code no version of the tool wrote.
std::string CommandText(int code);

// A destination by the box that stands for it, from a mode byte without
// its "Seq" bit; a mode no box stands for by its number ("mode 12"), or
// by the whole byte when bits the tool never sets are set.
std::string DestinationText(int modeByte);

}  // namespace kavro
