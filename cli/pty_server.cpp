#include "cli/pty_server.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "simulator/pty_link.h"
#include "simulator/simulated_serial_port.h"

namespace kavro {
namespace {

PtyLink* g_link = nullptr;
extern "C" void StopServing(int) {
    if (g_link) g_link->requestStop();
}

}  // namespace

bool ServeOnPseudoTerminal(SwitchBus& bus, bool linePacing, bool echo, std::string* error) {
    std::unique_ptr<PtyLink> link;
    try {
        link = std::make_unique<PtyLink>();
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
    if (linePacing) link->setBytePacingMs(kByteTimeMs);
    link->setEcho(echo);
    std::cout << link->devicePath() << std::endl;
    g_link = link.get();
    std::signal(SIGINT, StopServing);
    std::signal(SIGTERM, StopServing);
    link->serve([&](const Bytes& frame) { return bus.respond(frame); });
    g_link = nullptr;
    return true;
}

}  // namespace kavro
