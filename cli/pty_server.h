#pragma once
// `kavro-switch simulate`: a virtual switch served on a new pseudo-terminal
// until SIGINT or SIGTERM. Pseudo-terminals are POSIX; the Windows build
// has no such line and leaves pty_server.cpp out.

#include <string>

#include "simulator/switch_bus.h"

namespace kavro {

// Prints the device path as the first line, then answers frames until
// interrupted; with echo the line echoes each frame the tool sends, as an
// adapter that hears itself does. False, with the reason, when no
// pseudo-terminal can be had.
bool ServeOnPseudoTerminal(SwitchBus& bus, bool linePacing, bool echo, std::string* error);

}  // namespace kavro
