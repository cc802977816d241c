#include "simulator/switch_bus.h"

#include <algorithm>

#include "buslink/switch_messages.h"

namespace kavro {

SwitchResponse SwitchBus::respond(const Bytes& frame) {
    if (switches_.size() == 1) return switches_.front().respond(frame);
    SwitchResponse joined;
    int answering = 0;
    for (SimulatedSwitch& s : switches_) {
        if (!AddressedTo(frame.data(), frame.size(), s.state().address)) continue;
        SwitchResponse response = s.respond(frame);
        if (response.bytes.empty() && !response.hangUp && !response.flood) continue;
        if (answering++ == 0) {
            joined = std::move(response);
            continue;
        }
        // Answers at once: a line driven low by either reads low.
        for (std::size_t i = 0; i < std::min(joined.bytes.size(), response.bytes.size()); ++i)
            joined.bytes[i] &= response.bytes[i];
    }
    return joined;
}

}  // namespace kavro
