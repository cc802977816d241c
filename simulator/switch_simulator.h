#pragma once
// A virtual Smart Switch: it takes the tool's frames byte by byte and
// answers the way a switch on the bus does. It holds a configuration of its
// own (firmware version, bus address, eight channel records and the source
// group table) in wire form, answers the queries from it and keeps what
// the write frames carry.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "buslink/frame_codec.h"
#include "buslink/switch_messages.h"

namespace kavro {

// One event of a channel record in plain values.
struct PlainEvent {
    int code = 0;
    int dataLow = 0;
    int dataHigh = 0;  // or a lock command's priority
};

struct SwitchState {
    int firmwareMajor = 2;
    int firmwareMinor = 14;
    std::array<std::uint8_t, 3> address{0x00, 0x00, 0x01};  // not complemented, as on the wire
    // Per channel the three 7-byte event blocks, exactly as on the wire.
    std::array<std::array<std::uint8_t, 21>, 8> channelBlocks{};
    // Per channel three complemented address bytes, as on the wire.
    std::array<std::uint8_t, 24> sourceGroups{};

    // One channel (1..8): three events, with the same mode byte and motor
    // address in every block, as the tool writes them.
    void setChannel(int channel, const std::array<PlainEvent, 3>& events, int modeByte, unsigned address);
    void setSourceGroup(int channel, unsigned address);

    // A switch fresh from the factory: every event "NONE", every channel
    // to the group address, no source groups.
    static SwitchState factory();
    // A switch with a few channels set up, for demonstrations.
    static SwitchState demo();
};

// Cuts a byte stream into frames by their length byte. Bytes that cannot
// start a frame are skipped one at a time, so the stream resynchronises.
class FrameAssembler {
public:
    std::vector<Bytes> push(const std::uint8_t* data, std::size_t count);
    void reset() { pending_.clear(); }

private:
    Bytes pending_;
};

// The channel a channel query or write names; 0 for other frames.
int ChannelNamedIn(const Bytes& frame);

class SwitchSimulator {
public:
    explicit SwitchSimulator(SwitchState state = SwitchState::factory());

    // Bytes from the tool in, the switch's answer out (empty while a frame
    // is incomplete, or for frames it does not answer).
    Bytes receive(const std::uint8_t* data, std::size_t count);

    // The answer to one whole frame, or nothing: a bad checksum, another
    // destination, an unknown message or a channel outside 1..8.
    std::optional<Bytes> answer(const Bytes& frame);

    SwitchState& state() { return state_; }
    const SwitchState& state() const { return state_; }
    int framesAnswered() const { return framesAnswered_; }

private:
    std::optional<Bytes> act(const Bytes& frame);
    Bytes replyHeader(std::uint8_t code, int length, const Bytes& query) const;

    SwitchState state_;
    FrameAssembler assembler_;
    int framesAnswered_ = 0;
};

}  // namespace kavro
