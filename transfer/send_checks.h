#pragma once
// What is checked before a transfer touches the line. Send Config puts on
// the line exactly what the screen shows, or nothing: the switch address
// it gives the switch must be one switch's address, every address that
// travels must be six digits (the parsers fill a short one from the left:
// "12345" would go out as 123450, another motor's address), and every box
// whose value travels must hold the value the parsers will send (they
// read any text: "g9" would go out as 09, "12345" as 1234). Every writing
// command (Send Config, send, site send, restore) goes through these.

#include <optional>
#include <string>

#include "editor/config_screen.h"
#include "transfer/transfer_outcome.h"

namespace kavro {

struct Refusal {
    TransferEnd end = TransferEnd::Finished;
    std::string message;  // what the user is told, with what to do
};

// How an address text falls short of six digits, in words: "has five
// digits; a switch address has six" (for 12345), "is empty; a switch
// address has six digits"; empty for six hexadecimal digits, or a text
// that is not hexadecimal at all (told otherwise).
std::string AddressShortfall(const std::string& text);

// Why Send Config must not send this screen; nothing when it may.
std::optional<Refusal> SendRefusal(const ConfigScreen& screen);
// Why a switch's own bytes must not be written back: they would give it
// the address every switch answers to.
std::optional<Refusal> HeldRefusal(const HeldConfiguration& held);
// Why Get Config must not read by this screen's addressing; nothing when
// it may (a read by the global address always may).
std::optional<Refusal> ReadRefusal(const ConfigScreen& screen);

}  // namespace kavro
