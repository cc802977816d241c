#include "simulator/switch_simulator.h"

#include <algorithm>

#include "buslink/frame_codec.h"

namespace kavro {
namespace {

// One event block: command, data low, data high or priority, mode byte,
// three address bytes, all complemented.
std::array<std::uint8_t, 7> EventBlock(int code, int dataLow, int dataHigh, int mode,
                                       std::array<int, 3> address) {
    return {Complement(code),       Complement(dataLow),    Complement(dataHigh),  Complement(mode),
            Complement(address[0]), Complement(address[1]), Complement(address[2])};
}

void SetChannel(SwitchState& state, int channel, const std::array<std::array<std::uint8_t, 7>, 3>& events) {
    for (int e = 0; e < 3; ++e)
        std::copy(events[e].begin(), events[e].end(), state.channelBlocks[channel].begin() + 7 * e);
}

bool ChecksumOk(const Bytes& frame) {
    const std::size_t n = frame.size();
    if (n < 3) return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 2 < n; ++i) sum += frame[i];
    return frame[n - 2] == ((sum >> 8) & 0xFF) && frame[n - 1] == (sum & 0xFF);
}

}  // namespace

SwitchState SwitchState::Factory() {
    SwitchState state;
    const auto none = EventBlock(0x00, 0, 0, 0, {0xFF, 0xFF, 0xFF});
    for (int c = 0; c < 8; ++c) SetChannel(state, c, {none, none, none});
    state.sourceGroups.fill(0xFF);  // reads back as 000000
    return state;
}

SwitchState SwitchState::Demo() {
    SwitchState state = Factory();
    state.address = {0x00, 0x12, 0x34};
    const std::array<int, 3> group{0xFF, 0xFF, 0xFF};
    // Channel 1: up on press, stop on release, to the group.
    SetChannel(state, 0, {EventBlock(0x01, 0, 0, 0, group), EventBlock(0x00, 0, 0, 0, group),
                          EventBlock(0x03, 0, 0, 0, group)});
    // Channel 2: down limit 10 on press, jog down 50 ms on hold, to one motor.
    const std::array<int, 3> motor{0x00, 0xA1, 0x07};
    SetChannel(state, 1, {EventBlock(0x02, 0x10, 0, 2, motor), EventBlock(0x0B, 0x50, 0, 2, motor),
                          EventBlock(0x03, 0, 0, 2, motor)});
    // Channel 3: go to intermediate position 2, lock it with priority 3, point to point.
    const std::array<int, 3> pp{0x00, 0x00, 0x42};
    SetChannel(state, 2, {EventBlock(0x04, 0x02, 0, 1, pp), EventBlock(0x23, 0x02, 0x03, 1, pp),
                          EventBlock(0x24, 0, 0x03, 1, pp)});
    // Channel 4: absolute position 1234 to its source group, in sequence mode.
    SetChannel(state, 3, {EventBlock(0x08, 0x34, 0x12, 0xC0, group), EventBlock(0x00, 0, 0, 0xC0, group),
                          EventBlock(0x00, 0, 0, 0xC0, group)});
    state.sourceGroups[9] = Complement(0x01);
    state.sourceGroups[10] = Complement(0x02);
    state.sourceGroups[11] = Complement(0x03);
    return state;
}

std::vector<Bytes> FrameAssembler::push(const std::uint8_t* data, std::size_t count) {
    pending_.insert(pending_.end(), data, data + count);
    std::vector<Bytes> frames;
    while (pending_.size() >= 2) {
        const int length = FrameLengthFrom(pending_[1]);
        if (length < 11 || length > kFrameBufferSize) {  // no frame of ours is shorter than 11
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
    return {code, LengthByte(length, false), 0xFF,
            state_.address[0], state_.address[1], state_.address[2],
            query[3], query[4], query[5]};
}

void FinishFrame(Bytes& frame) {
    unsigned sum = 0;
    for (std::uint8_t b : frame) sum += b;
    frame.push_back(static_cast<std::uint8_t>((sum >> 8) & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
}

std::optional<Bytes> SwitchSimulator::answer(const Bytes& frame) {
    if (frame.size() < 11 || !ChecksumOk(frame)) return std::nullopt;
    const bool global = frame[6] == 0xFF && frame[7] == 0xFF && frame[8] == 0xFF;
    const bool ours = std::equal(state_.address.begin(), state_.address.end(), frame.begin() + 6);
    if (!global && !ours) return std::nullopt;

    const std::uint8_t code = frame[0];
    Bytes reply;
    switch (code) {
    case msg::queryFirmware:
        reply = replyHeader(code, kFirmwareReplyLength, frame);
        reply.push_back(Complement(state_.firmwareMajor));
        reply.push_back(Complement(state_.firmwareMinor));
        break;
    case msg::querySwitchAddress:
        reply = replyHeader(code, kSwitchAddressReplyLength, frame);
        break;
    case msg::queryChannel: {
        if (frame.size() < 12) return std::nullopt;
        const int channel = Complement(frame[9]);
        if (channel < 1 || channel > 8) return std::nullopt;
        reply = replyHeader(code, kChannelRecordLength, frame);
        reply.push_back(frame[9]);
        const auto& blocks = state_.channelBlocks[channel - 1];
        reply.insert(reply.end(), blocks.begin(), blocks.end());
        break;
    }
    case msg::querySourceGroups:
        reply = replyHeader(code, kSourceGroupTableLength, frame);
        reply.insert(reply.end(), state_.sourceGroups.begin(), state_.sourceGroups.end());
        break;
    case msg::writeSwitchAddress:
        if (frame.size() != 14) return std::nullopt;
        reply = replyHeader(code, kWriteReplyLength, frame);
        std::copy(frame.begin() + 9, frame.begin() + 12, state_.address.begin());
        reply.push_back(0xFF);  // acknowledged
        break;
    case msg::writeChannel: {
        if (frame.size() != kChannelRecordLength) return std::nullopt;
        const int channel = Complement(frame[9]);
        if (channel < 1 || channel > 8) return std::nullopt;
        std::copy(frame.begin() + 10, frame.begin() + 31, state_.channelBlocks[channel - 1].begin());
        reply = replyHeader(code, kWriteReplyLength, frame);
        reply.push_back(0xFF);
        break;
    }
    case msg::writeSourceGroups:
        if (frame.size() != kSourceGroupTableLength) return std::nullopt;
        std::copy(frame.begin() + 9, frame.begin() + 33, state_.sourceGroups.begin());
        reply = replyHeader(code, kWriteReplyLength, frame);
        reply.push_back(0xFF);
        break;
    default:
        return std::nullopt;
    }
    FinishFrame(reply);
    ++framesAnswered_;
    return reply;
}

}  // namespace kavro
