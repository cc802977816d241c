#pragma once
// What is checked before a transfer touches the line. Send Config puts on
// the line exactly what the screen shows, or nothing: the switch address
// it gives the switch must be one switch's address, and every box whose
// value travels must hold the value the parsers will send (they read any
// text: "g9" would go out as 09, "12345" as 1234).

#include <optional>
#include <string>

#include "editor/config_screen.h"
#include "transfer/transfer_outcome.h"

namespace kavro {

struct Refusal {
    TransferEnd end = TransferEnd::Finished;
    std::string message;  // what the user is told, with what to do
};

// Why Send Config must not send this screen; nothing when it may.
std::optional<Refusal> SendRefusal(const ConfigScreen& screen);
// Why a switch's own bytes must not be written back: they would give it
// the address every switch answers to.
std::optional<Refusal> HeldRefusal(const HeldConfiguration& held);
// Why Get Config must not read by this screen's addressing; nothing when
// it may (a read by the global address always may).
std::optional<Refusal> ReadRefusal(const ConfigScreen& screen);

}  // namespace kavro
