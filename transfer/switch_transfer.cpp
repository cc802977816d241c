#include "transfer/switch_transfer.h"

#include <algorithm>

#include "buslink/switch_messages.h"
#include "transfer/frame_fields.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

constexpr int kAttempts = 2;

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::string ChannelText(const char* verb, int channel) {
    return std::string(verb) + " channel " + std::to_string(channel) + " of 8";
}

}  // namespace

std::string SwitchTransfer::InvalidSwitchAddressMessage(const std::string& text, bool sending) {
    const std::string holds = text.empty() ? "is empty" : "holds \"" + text + "\"";
    if (sending)
        return "The \"Switch Address\" box " + holds + ", not six hexadecimal digits, so Send Config sent nothing: "
               "the switch would have been given a wrong address.\n\n"
               "Read the switch again with \"Get Config\", or type its address (six digits 0-9 and A-F, "
               "for example 00ABCD).";
    return "The \"Switch Address\" box " + holds + ", not six hexadecimal digits, so Get Config cannot address "
           "the switch by it and sent nothing.\n\n"
           "Type the switch's address (six digits 0-9 and A-F, for example 00ABCD), or clear \"Use Switch "
           "Address for Config\" to reach the switch by the global address.";
}

SwitchTransfer::SwitchTransfer(BusLink& bus, ConfigScreen& screen, UiServices& ui)
    : bus_(bus), screen_(screen), ui_(ui) {}

// Bytes 2..8 of every frame of a sequence: fixed, the tool's own address,
// then the destination (the switch address if asked for, else global).
void SwitchTransfer::writeHeader() {
    FrameBuffer& tx = bus_.transmit;
    std::copy(kToolHeader.begin(), kToolHeader.end(), tx.begin() + kHeaderStart);
    std::copy(kEverySwitch.begin(), kEverySwitch.end(), tx.begin() + kDestinationAddress);
    if (screen_.useSwitchAddress.value() == 1) {
        ParseAddressText(screen_.switchAddress.text(), bus_.parsed);
        tx[kDestinationAddress] = Byte(bus_.parsed.address1);
        tx[kDestinationAddress + 1] = Byte(bus_.parsed.address2);
        tx[kDestinationAddress + 2] = Byte(bus_.parsed.address3);
    }
}

int SwitchTransfer::Exchange(const MessageShape& message) {
    bus_.transmit[0] = message.code;
    bus_.transmit[1] = LengthByte(message.frameLength, message.write);
    AppendChecksum(bus_.transmit, message.frameLength);
    bus_.sendFrame(message.frameLength);
    bus_.receiveFrame(message.replyLength);
    if (!running_) return bus_.receivedCount;
    ++running_->framesSent;
    if (bus_.receivedCount > 0) ++running_->framesHeard;
    return bus_.receivedCount;
}

// The length byte must name the expected length, and the bytes must have
// come in this exchange: a silent switch leaves the previous reply in the
// buffer, whose length and checksum would otherwise pass.
bool SwitchTransfer::Query(std::uint8_t message) {
    const MessageShape& m = Shape(message);
    Exchange(m);
    return FrameLengthFrom(bus_.reply[1]) == m.replyLength && bus_.receivedCount >= m.replyLength &&
           VerifyChecksum(bus_.reply) == 1;
}

bool SwitchTransfer::queryChannel(int channel) {
    bus_.transmit[kPayload] = Complement(channel);
    if (!Query(msg::queryChannel)) return false;
    showChannel();
    return true;
}

bool SwitchTransfer::querySourceGroups() {
    if (!Query(msg::querySourceGroups)) return false;
    showSourceGroups();
    return true;
}

// The writes are answered with an acknowledgement the tool does not
// examine; that something came back is all it learns.
bool SwitchTransfer::writeSwitchAddress() {
    EncodeSwitchAddress(screen_, bus_.parsed, bus_.transmit);
    return Exchange(Shape(msg::writeSwitchAddress)) > 0;
}

bool SwitchTransfer::writeChannel(int channel) {
    EncodeChannelRecord(screen_, channel - 1, bus_.parsed, bus_.transmit);
    return Exchange(Shape(msg::writeChannel)) > 0;
}

bool SwitchTransfer::writeSourceGroups() {
    EncodeSourceGroups(screen_, bus_.parsed, bus_.transmit);
    return Exchange(Shape(msg::writeSourceGroups)) > 0;
}

void SwitchTransfer::readEvent(int c, int e, int& priority) {
    const FrameBuffer& rx = bus_.reply;
    const int b = EventBlockStart(e);
    const int i = EventIndex(c, e);
    // The command first: its handler resets the data box, which the value
    // from the switch then overwrites.
    screen_.commands[i].select(CommandPosition(Plain(rx[b])));
    screen_.data[i].setText(EventDataText(&rx[b], screen_.commands[i].selected()));
    // The third byte is a priority only where the write put one: in the
    // blocks of lock commands. Elsewhere it is the data's high byte, and
    // taking it for a priority would change the lock priority of the
    // channel at the next write.
    priority = screen_.commandCodes[i] > kLastPlainCommandCode ? Plain(rx[b + 2]) : 0;
}

void SwitchTransfer::showChannel() {
    const FrameBuffer& rx = bus_.reply;
    int channel = Plain(rx[kPayload]);
    namedChannel_ = channel;
    // A channel byte outside 1..8 (0 included) lands on channel 1.
    if (channel > 8 || channel < 1) channel = 1;
    const int c = channel - 1;

    int priority[3] = {0, 0, 0};
    readEvent(c, 0, priority[0]);

    const int press = EventBlockStart(0);
    const int modeByte = Plain(rx[press + 3]);
    const int mode = modeByte & kModeMask;
    if (mode == kModeGroup) screen_.destinationBoxes[GroupBox(c)].setValue(1);
    if (mode == kModePointToPoint) screen_.destinationBoxes[PointToPointBox(c)].setValue(1);
    if (mode == kModeSpecific) screen_.destinationBoxes[SpecificBox(c)].setValue(1);

    const std::string address = AddressText(&rx[press + 4], true);
    if (mode == kModeSpecific) screen_.motorAddress[c].setText(address);
    if (mode == kModePointToPoint) screen_.ppMotorAddress.setText(address);

    if (modeByte & kSeqFlag) screen_.seq[c].setValue(1);
    if (modeByte & kSrcGroupFlag) screen_.destinationBoxes[SrcGroupBox(c)].setValue(1);

    readEvent(c, 1, priority[1]);
    readEvent(c, 2, priority[2]);

    // The last non-zero priority in the order press, hold, release wins.
    std::string text = "00";
    for (int p : priority)
        if (p != 0) text = Hex(p, 2);
    screen_.lockPriority[c].setText(text);
}

void SwitchTransfer::showSourceGroups() {
    const FrameBuffer& rx = bus_.reply;
    for (int k = 0; k < kChannels; ++k) {
        const int at = kPayload + 3 * k;
        screen_.sourceGroupAddress[k].setText(Hex(ComplementedAddress(&rx[at]), 6));
    }
}

// A transfer ends at its next exchange when asked to, or when the port
// it started on went away.
bool SwitchTransfer::Interrupted() {
    if (!running_) return false;
    if (endRequest_ != TransferEnd::Finished) running_->end = endRequest_;
    else if (!bus_.port().isOpen()) running_->end = TransferEnd::LineLost;
    return running_->end != TransferEnd::Finished;
}

// Starts a transfer; false, with the user told, when there is nothing to
// start it on.
bool SwitchTransfer::Begin(TransferOutcome& outcome, bool writing) {
    const int steps = writing ? WriteReport::kFrames : 11;
    const bool addressesSwitch = writing || screen_.useSwitchAddress.value() == 1;
    if (!bus_.port().isOpen()) {
        outcome.end = TransferEnd::NoPort;
        ui_.messageBox(kNoPortMessage, kProgramCaption);
        return false;
    }
    // A switch address the parsers would read as something else (an
    // "Error" left by a failed read becomes E0 00 00) is never put on the
    // line as the switch's address.
    if (addressesSwitch && !IsBusAddressText(screen_.switchAddress.text())) {
        outcome.end = TransferEnd::InvalidSwitchAddress;
        ui_.messageBox(InvalidSwitchAddressMessage(screen_.switchAddress.text(), writing),
                       kProgramCaption);
        return false;
    }
    busy_ = true;
    endRequest_ = TransferEnd::Finished;
    running_ = &outcome;
    progress_ = {true, "", 0, steps};
    ui_.setPointer(Pointer::Hourglass);
    bus_.port().clearInput();
    bus_.port().clearOutput();
    writeHeader();
    return true;
}

// Asks up to twice, the second time only after a failed first; true when
// an answer was accepted.
bool SwitchTransfer::askTwice(const std::string& what, const std::function<bool()>& query) {
    bool accepted = false;
    for (int attempt = 0; attempt < kAttempts && !accepted && !Interrupted(); ++attempt) {
        Step(attempt ? what + " (second try)" : what);
        accepted = query();
    }
    return accepted;
}

void SwitchTransfer::Step(const std::string& text) {
    progress_.text = text;
    if (observer_) observer_();
}

void SwitchTransfer::Finish(TransferOutcome& outcome) {
    Interrupted();
    running_ = nullptr;
    ui_.setPointer(Pointer::Default);
    progress_ = {};
    busy_ = false;
    if (observer_) observer_();
    if (outcome.end == TransferEnd::LineLost) ui_.messageBox(kLostLineMessage, kProgramCaption);
}

void SwitchTransfer::readSwitch() {
    if (busy_) return;
    lastRead_ = {};
    ReadReport& report = lastRead_;
    if (!Begin(report, false)) return;

    // Firmware version and switch address: "Error" when both attempts fail.
    // An answer that came is shown even when the read ends here; "Error"
    // only after both attempts.
    const bool firmware = askTwice("Reading firmware version", [this] { return Query(msg::queryFirmware); });
    if (firmware || !Interrupted()) {
        report.firmware = firmware;
        const FrameBuffer& rx = bus_.reply;
        screen_.firmwareVersion.setText(firmware ? FirmwareText(&rx[kPayload]) : "Error");
        ++progress_.step;
    }
    const bool address = askTwice("Reading switch address", [this] { return Query(msg::querySwitchAddress); });
    if (address || !Interrupted()) {
        report.switchAddress = address;
        const FrameBuffer& rx = bus_.reply;
        screen_.switchAddress.setText(address ? AddressText(&rx[kSenderAddress], false) : "Error");
        ++progress_.step;
    }
    if (giveUpWhenSilent_ && !Interrupted() && report.framesHeard == 0) report.end = TransferEnd::NoSwitch;

    // Channels 1 to 8; a channel that fails twice keeps what it showed. A
    // reply naming another channel is shown there, but this channel was
    // not read.
    for (int channel = 1; channel <= kChannels && !Interrupted(); ++channel) {
        const bool accepted = askTwice(ChannelText("Reading", channel), [this, channel] { return queryChannel(channel); });
        report.channels[channel - 1] = accepted && namedChannel_ == channel;
        if (accepted && namedChannel_ != channel) report.answeredAs[channel - 1] = namedChannel_;
        ++progress_.step;
    }
    report.sourceGroups = askTwice("Reading source groups", [this] { return querySourceGroups(); });
    Finish(report);
}

// Each write frame goes out once, answered or not.
void SwitchTransfer::writeSwitch() {
    if (busy_) return;
    lastWrite_ = {};
    WriteReport& report = lastWrite_;
    if (!Begin(report, true)) return;
    auto step = [&](const std::string& text, const std::function<bool()>& write) {
        Step(text);
        const int frame = report.framesSent;
        report.answered[frame] = write();
        ++progress_.step;
    };
    // The switch address, whether or not it addresses the frames.
    step("Writing switch address", [this] { return writeSwitchAddress(); });
    for (int channel = 1; channel <= kChannels && !Interrupted(); ++channel)
        step(ChannelText("Writing", channel), [this, channel] { return writeChannel(channel); });
    if (!Interrupted()) step("Writing source groups", [this] { return writeSourceGroups(); });
    Finish(report);
}

}  // namespace kavro
