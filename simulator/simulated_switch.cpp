#include "simulator/simulated_switch.h"

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

// Recomputes the checksum of a reply after a byte in it was changed.
void Reseal(Bytes& reply) {
    reply.resize(reply.size() - 2);
    AppendChecksum(reply);
}

// The fault's change to the switch's answer and to how it travels.
void Distort(const FaultRule& rule, int message, SwitchResponse& r) {
    switch (rule.fault) {
    case Fault::Short:
        r.bytes.resize(r.bytes.size() / 2);
        break;
    case Fault::Long:
        while (r.bytes.size() < 60) r.bytes.push_back(0x55);
        r.burst = true;
        break;
    case Fault::WrongLength:
        r.bytes[1] = LengthByte(static_cast<int>(r.bytes.size()) + 1, false);
        Reseal(r.bytes);
        break;
    case Fault::BadChecksum:
        r.bytes.back() ^= 0x5A;
        break;
    case Fault::Trickle:
        r.bytePacingMs = SimulatedSwitch::kTrickleMs;
        break;
    case Fault::Cut:
        r.bytes.resize(std::min<std::size_t>(r.bytes.size(), static_cast<std::size_t>(rule.cutAfter)));
        break;
    case Fault::Flood:
        r.bytes.clear();
        r.flood = true;
        break;
    case Fault::GarbageBefore:
        r.bytes.insert(r.bytes.begin(), {0x00, 0xAA, 0x13});
        break;
    case Fault::ChannelZero:
    case Fault::ChannelNine:
        if (message == msg::queryChannel) {
            r.bytes[kPayload] = Complement(rule.fault == Fault::ChannelZero ? 0 : 9);
            Reseal(r.bytes);
        }
        break;
    default:
        break;
    }
}

}  // namespace

SimulatedSwitch::SimulatedSwitch(SwitchState state, FaultPlan plan)
    : core_(std::move(state)), plan_(std::move(plan)) {}

std::vector<SwitchResponse> SimulatedSwitch::receive(const std::uint8_t* data, std::size_t count) {
    std::vector<SwitchResponse> responses;
    for (const Bytes& frame : assembler_.push(data, count)) responses.push_back(respond(frame));
    return responses;
}

SwitchResponse SimulatedSwitch::respond(const Bytes& frame) {
    const int message = frame.empty() ? -1 : frame[0];
    const int channel = ChannelNamedIn(frame);
    const int attempt = ++attempts_[{message, channel}];
    frames_.push_back(frame);
    const FaultRule rule = plan_.faultFor(message, channel, attempt);
    const Fault fault = rule.fault;

    SwitchResponse response;
    if (fault == Fault::Vanish) {
        response.hangUp = true;
        return response;
    }
    // A switch that answers a write as usual but keeps what it held.
    const SwitchState before = core_.state();
    const std::optional<Bytes> answer = core_.answer(frame);
    if (fault == Fault::KeepOld) core_.state() = before;
    if (!answer || fault == Fault::Silent) return response;

    response.bytes = *answer;
    Distort(rule, message, response);
    return response;
}

}  // namespace kavro
