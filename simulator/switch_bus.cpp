#include "simulator/switch_bus.h"

#include <algorithm>

namespace kavro {

SwitchResponse SwitchBus::respond(const Bytes& frame) {
    if (switches_.size() == 1) return switches_.front().respond(frame);
    const bool everyone = frame.size() > 8 && frame[6] == 0xFF && frame[7] == 0xFF && frame[8] == 0xFF;
    SwitchResponse joined;
    int answering = 0;
    for (SimulatedSwitch& s : switches_) {
        const auto& a = s.state().address;
        if (!everyone && !(frame.size() > 8 && std::equal(a.begin(), a.end(), frame.begin() + 6))) continue;
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
