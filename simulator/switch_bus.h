#pragma once
// Several switches on one line, as on a building's bus: each answers the
// frames addressed to it. A frame to every switch (FFFFFF) is answered by
// all of them at once when there are several, which on a real line gives a
// garbled answer; a single switch on its own answers it as usual.

#include <vector>

#include "simulator/simulated_switch.h"

namespace kavro {

class SwitchBus {
public:
    explicit SwitchBus(std::vector<SimulatedSwitch> switches) : switches_(std::move(switches)) {}

    SwitchResponse respond(const Bytes& frame);

private:
    std::vector<SimulatedSwitch> switches_;
};

}  // namespace kavro
