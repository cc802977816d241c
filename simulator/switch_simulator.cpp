#include "simulator/switch_simulator.h"

#include <algorithm>

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

void PutAddress(std::uint8_t* at, unsigned address) {
    at[0] = Complement(static_cast<int>(address >> 16));
    at[1] = Complement(static_cast<int>(address >> 8));
    at[2] = Complement(static_cast<int>(address));
}

}  // namespace

void SwitchState::setChannel(int channel, const std::array<PlainEvent, 3>& events, int modeByte,
                             unsigned address) {
    auto& blocks = channelBlocks[channel - 1];
    for (int e = 0; e < 3; ++e) {
        std::uint8_t* block = &blocks[kEventBlockSize * e];
        block[0] = Complement(events[e].code);
        block[1] = Complement(events[e].dataLow);
        block[2] = Complement(events[e].dataHigh);
        block[3] = Complement(modeByte);
        PutAddress(block + 4, address);
    }
}

void SwitchState::setSourceGroup(int channel, unsigned address) { PutAddress(&sourceGroups[3 * (channel - 1)], address); }

SwitchState SwitchState::factory() {
    SwitchState state;
    for (int channel = 1; channel <= 8; ++channel) state.setChannel(channel, {}, kModeGroup, 0xFFFFFF);
    state.sourceGroups.fill(0xFF);  // reads back as 000000
    return state;
}

SwitchState SwitchState::demo() {
    SwitchState state = factory();
    state.address = {0x00, 0x12, 0x34};
    // Channel 1: up on press, stop on release, to the group.
    state.setChannel(1, {{{0x01}, {0x00}, {0x03}}}, kModeGroup, 0xFFFFFF);
    // Channel 2: down limit 10 on press, jog down 50 ms on hold, to one motor.
    state.setChannel(2, {{{0x02, 0x10}, {0x0B, 0x50}, {0x03}}}, kModeSpecific, 0x00A107);
    // Channel 3: go to intermediate position 2, lock it with priority 3, point to point.
    state.setChannel(3, {{{0x04, 0x02}, {0x23, 0x02, 0x03}, {0x24, 0, 0x03}}}, kModePointToPoint, 0x000042);
    // Channel 4: absolute position 1234 to its source group, in sequence mode.
    state.setChannel(4, {{{0x08, 0x34, 0x12}, {0x00}, {0x00}}}, kSrcGroupFlag | kSeqFlag, 0xFFFFFF);
    state.setSourceGroup(4, 0x010203);
    return state;
}

int ChannelNamedIn(const Bytes& frame) {
    const bool channelMessage = !frame.empty() && (frame[0] == msg::queryChannel || frame[0] == msg::writeChannel);
    return channelMessage && frame.size() > static_cast<std::size_t>(kPayload) ? Plain(frame[kPayload]) : 0;
}

std::vector<Bytes> FrameAssembler::push(const std::uint8_t* data, std::size_t count) {
    pending_.insert(pending_.end(), data, data + count);
    std::vector<Bytes> frames;
    while (pending_.size() >= 2) {
        const int length = FrameLengthFrom(pending_[1]);
        if (length < kShortestFrame || length > kFrameBufferSize) {
            pending_.erase(pending_.begin());
            continue;
        }
        if (pending_.size() < static_cast<std::size_t>(length)) break;
        frames.emplace_back(pending_.begin(), pending_.begin() + length);
        pending_.erase(pending_.begin(), pending_.begin() + length);
    }
    return frames;
}

SwitchSimulator::SwitchSimulator(SwitchState state) : state_(std::move(state)) {}

Bytes SwitchSimulator::receive(const std::uint8_t* data, std::size_t count) {
    Bytes out;
    for (const Bytes& frame : assembler_.push(data, count))
        if (auto reply = answer(frame)) out.insert(out.end(), reply->begin(), reply->end());
    return out;
}

Bytes SwitchSimulator::replyHeader(std::uint8_t code, int length, const Bytes& query) const {
    // The reply goes back to whoever asked: the query's sender field.
    const auto sender = query.begin() + kSenderAddress;
    return {code, LengthByte(length, false), kToolHeader[0],
            state_.address[0], state_.address[1], state_.address[2],
            sender[0], sender[1], sender[2]};
}

// What the switch does with a frame meant for it: the payload of its
// reply, or nothing for a frame it does not answer.
std::optional<Bytes> SwitchSimulator::act(const Bytes& frame) {
    const std::uint8_t code = frame[0];
    const bool whole = IsKnownMessage(code) && frame.size() == static_cast<std::size_t>(Shape(code).frameLength);
    const int channel = ChannelNamedIn(frame);
    const bool channelOk = channel >= 1 && channel <= 8;
    const auto payload = frame.begin() + kPayload;
    switch (code) {
    case msg::queryFirmware: return Bytes{Complement(state_.firmwareMajor), Complement(state_.firmwareMinor)};
    case msg::querySwitchAddress: return Bytes{};
    case msg::queryChannel: {
        if (!channelOk) return std::nullopt;
        Bytes reply{frame[kPayload]};
        const auto& blocks = state_.channelBlocks[channel - 1];
        reply.insert(reply.end(), blocks.begin(), blocks.end());
        return reply;
    }
    case msg::querySourceGroups: return Bytes(state_.sourceGroups.begin(), state_.sourceGroups.end());
    case msg::writeSwitchAddress:
        if (!whole) return std::nullopt;
        std::copy_n(payload, state_.address.size(), state_.address.begin());
        return Bytes{kAcknowledged};
    case msg::writeChannel:
        if (!whole || !channelOk) return std::nullopt;
        std::copy_n(frame.begin() + EventBlockStart(0), 3 * kEventBlockSize, state_.channelBlocks[channel - 1].begin());
        return Bytes{kAcknowledged};
    case msg::writeSourceGroups:
        if (!whole) return std::nullopt;
        std::copy_n(payload, state_.sourceGroups.size(), state_.sourceGroups.begin());
        return Bytes{kAcknowledged};
    default: return std::nullopt;
    }
}

std::optional<Bytes> SwitchSimulator::answer(const Bytes& frame) {
    if (frame.size() < static_cast<std::size_t>(kShortestFrame) || !ChecksumMatches(frame)) return std::nullopt;
    if (!AddressedTo(frame.data(), frame.size(), state_.address)) return std::nullopt;
    const std::optional<Bytes> payload = act(frame);
    if (!payload) return std::nullopt;
    Bytes reply = replyHeader(frame[0], Shape(frame[0]).replyLength, frame);
    reply.insert(reply.end(), payload->begin(), payload->end());
    AppendChecksum(reply);
    ++framesAnswered_;
    return reply;
}

}  // namespace kavro
