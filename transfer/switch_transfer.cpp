#include "transfer/switch_transfer.h"

#include <algorithm>

#include "buslink/switch_messages.h"
#include "transfer/frame_fields.h"
#include "transfer/send_checks.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

constexpr int kAttempts = 2;
// Queries in a row without a well-formed reply after which a read gives
// up: nothing that answers as a switch is on the line (any more).
constexpr int kSilentQueries = 4;

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::string ChannelText(const char* verb, int channel) {
    return std::string(verb) + " channel " + std::to_string(channel) + " of 8";
}

}  // namespace

SwitchTransfer::SwitchTransfer(BusLink& bus, UiServices& ui) : bus_(bus), ui_(ui) {}

// Bytes 2..8 of every frame of a sequence: fixed, the tool's own address,
// then the destination (the switch address if asked for, else global).
void SwitchTransfer::writeHeader(const ConfigScreen& screen) {
    FrameBuffer& tx = transmit_;
    std::copy(kToolHeader.begin(), kToolHeader.end(), tx.begin() + kHeaderStart);
    std::copy(kEverySwitch.begin(), kEverySwitch.end(), tx.begin() + kDestinationAddress);
    if (screen.useSwitchAddress.value() == 1) {
        ParseAddressText(screen.switchAddress.text(), parsed_);
        tx[kDestinationAddress] = Byte(parsed_.address1);
        tx[kDestinationAddress + 1] = Byte(parsed_.address2);
        tx[kDestinationAddress + 2] = Byte(parsed_.address3);
    }
}

// Sends the frame and judges what came back by the bytes of this exchange
// alone: a silent switch leaves the previous reply in the buffer, whose
// length and checksum would otherwise pass. A well-formed reply names the
// length awaited and carries a good checksum; more bytes after it (a reply
// that ran long) do not spoil it.
ReplyTrouble SwitchTransfer::exchange(const MessageShape& message) {
    transmit_[0] = message.code;
    transmit_[1] = LengthByte(message.frameLength, message.write);
    AppendChecksum(transmit_, message.frameLength);
    bus_.sendFrame(transmit_, message.frameLength);
    bus_.receiveFrame(message.replyLength);

    using Kind = ReplyTrouble::Kind;
    const int received = bus_.receivedCount();
    ReplyTrouble t{Kind::None, received, message.replyLength, bus_.lastDropped()};
    const bool lengthByteRight = received >= 2 && FrameLengthFrom(bus_.reply()[1]) == message.replyLength;
    if (received == 0) t.kind = Kind::NoAnswer;
    else if (lengthByteRight && received >= message.replyLength && VerifyChecksum(bus_.reply()) == 1) t.kind = Kind::None;
    else if (t.dropped > 0) t.kind = Kind::Noisy;
    else if (lengthByteRight && received >= message.replyLength) t.kind = Kind::BadChecksum;
    else if (received < message.replyLength && (received < 2 || lengthByteRight)) t.kind = Kind::Short;
    else t.kind = Kind::Garbled;

    if (running_) {
        ++running_->framesSent;
        if (received > 0) ++running_->framesHeard;
    }
    return t;
}

ReplyTrouble SwitchTransfer::query(std::uint8_t message) { return exchange(Shape(message)); }

ReplyTrouble SwitchTransfer::queryFirmware() {
    const ReplyTrouble t = query(msg::queryFirmware);
    if (t.ok()) target_->firmwareVersion.setText(FirmwareText(&bus_.reply()[kPayload]));
    return t;
}

ReplyTrouble SwitchTransfer::querySwitchAddress() {
    const ReplyTrouble t = query(msg::querySwitchAddress);
    if (!t.ok()) return t;
    std::copy_n(bus_.reply().begin() + kSenderAddress, 3, lastRead_.held.switchAddress.begin());
    target_->switchAddress.setText(AddressText(&bus_.reply()[kSenderAddress], false));
    return t;
}

// A reply for another channel is a failed attempt like a bad checksum: it
// is not shown anywhere, since putting it in the channel it names would
// overwrite what that channel read.
ReplyTrouble SwitchTransfer::queryChannel(int channel) {
    transmit_[kPayload] = Complement(channel);
    ReplyTrouble t = query(msg::queryChannel);
    if (!t.ok()) return t;
    const int named = Plain(bus_.reply()[kPayload]);
    if (named != channel) {
        t.kind = ReplyTrouble::Kind::OtherChannel;
        t.channel = named;
        return t;
    }
    auto& held = lastRead_.held.channelBlocks[channel - 1];
    std::copy_n(bus_.reply().begin() + EventBlockStart(0), held.size(), held.begin());
    showChannel(channel - 1);
    return t;
}

ReplyTrouble SwitchTransfer::querySourceGroups() {
    const ReplyTrouble t = query(msg::querySourceGroups);
    if (!t.ok()) return t;
    auto& held = lastRead_.held.sourceGroups;
    std::copy_n(bus_.reply().begin() + kPayload, held.size(), held.begin());
    showSourceGroups();
    return t;
}

// The writes are answered with a short acknowledgement; its content is the
// switch's own business, but it must be a whole reply with a good checksum.
WriteReport::Reply SwitchTransfer::writeFrame(std::uint8_t message) {
    const ReplyTrouble t = exchange(Shape(message));
    if (t.ok()) return WriteReport::Reply::Acknowledged;
    return t.kind == ReplyTrouble::Kind::NoAnswer ? WriteReport::Reply::NoAnswer : WriteReport::Reply::Garbled;
}

void SwitchTransfer::readEvent(int c, int e, int& priority) {
    ConfigScreen& screen = *target_;
    const FrameBuffer& rx = bus_.reply();
    const int b = EventBlockStart(e);
    const int i = EventIndex(c, e);
    // The command first: its handler resets the data box, which the value
    // from the switch then overwrites.
    screen.commands[i].select(CommandPosition(Plain(rx[b])));
    screen.data[i].setText(EventDataText(&rx[b], screen.commands[i].selected()));
    // The third byte is a priority only where the write put one: in the
    // blocks of lock commands. Elsewhere it is the data's high byte, and
    // taking it for a priority would change the lock priority of the
    // channel at the next write.
    priority = screen.commandCode(i) > kLastPlainCommandCode ? Plain(rx[b + 2]) : 0;
}

void SwitchTransfer::showChannel(int c) {
    ConfigScreen& screen = *target_;
    const FrameBuffer& rx = bus_.reply();
    int priority[3] = {0, 0, 0};
    readEvent(c, 0, priority[0]);

    const int press = EventBlockStart(0);
    const int modeByte = Plain(rx[press + 3]);
    const int mode = modeByte & kModeMask;
    if (mode == kModeGroup) screen.destinationBoxes[GroupBox(c)].setValue(1);
    if (mode == kModePointToPoint) screen.destinationBoxes[PointToPointBox(c)].setValue(1);
    if (mode == kModeSpecific) screen.destinationBoxes[SpecificBox(c)].setValue(1);

    const std::string address = AddressText(&rx[press + 4], true);
    if (mode == kModeSpecific) screen.motorAddress[c].setText(address);
    if (mode == kModePointToPoint) screen.ppMotorAddress.setText(address);

    // "Seq" both ways: a tick left from another switch or an earlier read
    // would otherwise stand for this one.
    screen.seq[c].setValue(modeByte & kSeqFlag ? 1 : 0);
    if (modeByte & kSrcGroupFlag) screen.destinationBoxes[SrcGroupBox(c)].setValue(1);

    readEvent(c, 1, priority[1]);
    readEvent(c, 2, priority[2]);

    // The last non-zero priority in the order press, hold, release wins.
    std::string text = "00";
    for (int p : priority)
        if (p != 0) text = Hex(p, 2);
    screen.lockPriority[c].setText(text);
}

void SwitchTransfer::showSourceGroups() {
    const FrameBuffer& rx = bus_.reply();
    for (int k = 0; k < kChannels; ++k) {
        const int at = kPayload + 3 * k;
        target_->sourceGroupAddress[k].setText(Hex(ComplementedAddress(&rx[at]), 6));
    }
}

// A transfer ends at its next exchange when asked to, or when the port
// it started on went away.
bool SwitchTransfer::interrupted() {
    if (!running_) return false;
    if (endRequest_ != TransferEnd::Finished) running_->end = endRequest_;
    else if (!bus_.port().isOpen()) running_->end = TransferEnd::LineLost;
    return running_->end != TransferEnd::Finished;
}

// Starts a transfer; false, with the user told, when there is nothing to
// start it on or what it would send must not go on the line.
bool SwitchTransfer::begin(TransferOutcome& outcome, const ConfigScreen& header, int steps,
                           const std::optional<Refusal>& refusal) {
    if (!bus_.port().isOpen()) {
        outcome.end = TransferEnd::NoPort;
        ui_.messageBox(kNoPortMessage, kProgramCaption);
        return false;
    }
    if (refusal) {
        outcome.end = refusal->end;
        outcome.refusal = refusal->message;
        ui_.messageBox(refusal->message, kProgramCaption);
        return false;
    }
    busy_ = true;
    endRequest_ = TransferEnd::Finished;
    running_ = &outcome;
    progress_ = {true, "", 0, steps};
    ui_.setPointer(Pointer::Hourglass);
    bus_.port().clearInput();
    bus_.port().clearOutput();
    writeHeader(header);
    return true;
}

// Asks up to twice, the second time only after a failed first; what came
// at the last attempt.
ReadPart SwitchTransfer::askTwice(const std::string& what, const std::function<ReplyTrouble()>& query) {
    ReadPart part;
    for (int attempt = 0; attempt < kAttempts && !part.read && !interrupted(); ++attempt) {
        step(attempt ? what + " (second try)" : what);
        part.trouble = query();
        part.read = part.trouble.ok();
        // A reply for another channel is well-formed: a switch is there.
        const bool wellFormed = part.read || part.trouble.kind == ReplyTrouble::Kind::OtherChannel;
        silentQueries_ = wellFormed ? 0 : silentQueries_ + 1;
    }
    return part;
}

void SwitchTransfer::step(const std::string& text) {
    progress_.text = text;
    if (observer_) observer_();
}

void SwitchTransfer::finish(TransferOutcome& outcome) {
    interrupted();
    running_ = nullptr;
    target_ = nullptr;
    ui_.setPointer(Pointer::Default);
    progress_ = {};
    busy_ = false;
    if (observer_) observer_();
    if (outcome.end == TransferEnd::LineLost) ui_.messageBox(kLostLineMessage, kProgramCaption);
}

void SwitchTransfer::readSwitch(ConfigScreen& screen, const ReadParts& parts) {
    if (busy_) return;
    lastRead_ = {};
    ReadReport& report = lastRead_;
    report.asked = parts;
    if (!begin(report, screen, parts.count(), ReadRefusal(screen))) return;
    target_ = &screen;

    // The parts in the order they are asked, and what a part that fails
    // both attempts leaves on the screen: "Error" for the firmware version
    // and the switch address, except an address the user typed to reach
    // this switch by; a channel or the source groups keep what they showed.
    struct Part {
        ReadPart& into;
        std::string what;
        std::function<ReplyTrouble()> ask;
        std::function<void()> failed = [] {};
    };
    std::vector<Part> plan;
    if (parts.firmware)
        plan.push_back({report.firmware, "Reading firmware version", [this] { return queryFirmware(); },
                        [&screen] { screen.firmwareVersion.setText("Error"); }});
    if (parts.switchAddress)
        plan.push_back({report.switchAddress, "Reading switch address", [this] { return querySwitchAddress(); },
                        [&screen] {
                            if (screen.useSwitchAddress.value() != 1) screen.switchAddress.setText("Error");
                        }});
    for (int channel = 1; channel <= kChannels; ++channel)
        if (parts.channels[channel - 1])
            plan.push_back({report.channels[channel - 1], ChannelText("Reading", channel),
                            [this, channel] { return queryChannel(channel); }});
    if (parts.sourceGroups)
        plan.push_back({report.sourceGroups, "Reading source groups", [this] { return querySourceGroups(); }});

    silentQueries_ = 0;
    bool anyRead = false;
    for (std::size_t i = 0; i < plan.size() && !interrupted(); ++i) {
        plan[i].into = askTwice(plan[i].what, plan[i].ask);
        if (interrupted()) break;
        ++progress_.step;
        anyRead = anyRead || plan[i].into.read;
        if (plan[i].into.read) continue;
        plan[i].failed();
        report.lastTrouble = plan[i].into.trouble;
        // Four queries in a row without a well-formed reply: no switch is
        // there to read (or the one that answered fell silent), and asking
        // every part left twice would only keep the user waiting.
        if (silentQueries_ >= kSilentQueries && (!anyRead || i + 1 < plan.size())) {
            report.end = anyRead ? TransferEnd::WentSilent : TransferEnd::NoSwitch;
            break;
        }
    }
    finish(report);
}

void SwitchTransfer::refuseWrite(TransferEnd end, const std::string& message) {
    if (busy_) return;
    lastWrite_ = {};
    lastWrite_.end = end;
    lastWrite_.refusal = message;
    if (!message.empty()) ui_.messageBox(message, kProgramCaption);
}

// Each write frame goes out once, answered or not.
void SwitchTransfer::writeFrames(const ConfigScreen& header, const std::optional<Refusal>& refusal,
                                 const FrameEncoder& encode) {
    if (busy_) return;
    lastWrite_ = {};
    WriteReport& report = lastWrite_;
    if (!begin(report, header, kWriteSteps, refusal)) return;
    auto write = [&](const std::string& text, int part, std::uint8_t message) {
        step(text);
        encode(part, transmit_);
        const int frame = report.framesSent;
        report.replies[frame] = writeFrame(message);
        ++progress_.step;
    };
    // The switch address, whether or not it addresses the frames.
    write("Writing switch address", 0, msg::writeSwitchAddress);
    for (int channel = 1; channel <= kChannels && !interrupted(); ++channel)
        write(ChannelText("Writing", channel), channel, msg::writeChannel);
    if (!interrupted()) write("Writing source groups", kChannels + 1, msg::writeSourceGroups);
    finish(report);
}

void SwitchTransfer::writeSwitch(const ConfigScreen& screen) {
    writeFrames(screen, SendRefusal(screen), [&](int part, FrameBuffer& frame) {
        if (part == 0) EncodeSwitchAddress(screen, parsed_, frame);
        else if (part <= kChannels) EncodeChannelRecord(screen, part - 1, parsed_, frame);
        else EncodeSourceGroups(screen, parsed_, frame);
    });
}

// What a switch held, put back byte for byte: the channel frames carry the
// event blocks as the switch reported them, the last frame all eight
// source group slots.
void SwitchTransfer::writeHeld(const HeldConfiguration& held, const ConfigScreen& header) {
    std::optional<Refusal> refusal = ReadRefusal(header);
    if (!refusal) refusal = HeldRefusal(held);
    writeFrames(header, refusal, [&](int part, FrameBuffer& frame) {
        if (part == 0) {
            std::copy(held.switchAddress.begin(), held.switchAddress.end(), frame.begin() + kPayload);
        } else if (part <= kChannels) {
            frame[kPayload] = Complement(part);
            const auto& blocks = held.channelBlocks[part - 1];
            std::copy(blocks.begin(), blocks.end(), frame.begin() + EventBlockStart(0));
        } else {
            std::copy(held.sourceGroups.begin(), held.sourceGroups.end(), frame.begin() + kPayload);
        }
    });
}

}  // namespace kavro
