#pragma once
// Builds switch configurations for tests in plain values; the builder
// complements them into wire form as the switch keeps them.

#include <array>

#include "simulator/switch_simulator.h"

namespace kavro::test {

struct Event {
    int code = 0;
    int dataLow = 0;
    int dataHigh = 0;  // or the lock priority
};

inline std::uint8_t Wire(int value) { return static_cast<std::uint8_t>((value ^ 0xFF) & 0xFF); }

// One channel: three events, the mode byte and the motor address, the same
// in every block as the tool writes them.
inline void SetChannel(SwitchState& s, int channel, std::array<Event, 3> events, int modeByte, int address) {
    auto& blocks = s.channelBlocks[channel - 1];
    for (int e = 0; e < 3; ++e) {
        const int b = 7 * e;
        blocks[b] = Wire(events[e].code);
        blocks[b + 1] = Wire(events[e].dataLow);
        blocks[b + 2] = Wire(events[e].dataHigh);
        blocks[b + 3] = Wire(modeByte);
        blocks[b + 4] = Wire(address >> 16);
        blocks[b + 5] = Wire(address >> 8);
        blocks[b + 6] = Wire(address);
    }
}

inline void SetSourceGroup(SwitchState& s, int channel, int address) {
    const int k = 3 * (channel - 1);
    s.sourceGroups[k] = Wire(address >> 16);
    s.sourceGroups[k + 1] = Wire(address >> 8);
    s.sourceGroups[k + 2] = Wire(address);
}

}  // namespace kavro::test
