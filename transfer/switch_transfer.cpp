#include "transfer/switch_transfer.h"

#include "buslink/switch_messages.h"
#include "transfer/screen_parsers.h"
#include "transfer/write_frames.h"

namespace kavro {
namespace {

constexpr int kAttempts = 2;

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
int Plain(std::uint8_t wire) { return wire ^ 0xFF; }

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

SwitchTransfer::SwitchTransfer(Module2& bus, ConfigScreen& screen, UiServices& ui)
    : bus_(bus), screen_(screen), ui_(ui) {}

// Bytes 2..8 of every frame of a sequence: fixed, the tool's own address,
// then the destination (the switch address if asked for, else global).
void SwitchTransfer::WriteHeader() {
    FrameBuffer& tx = bus_.TransmitBuffer;
    tx[2] = 0xFF;
    tx[3] = 0xFE;
    tx[4] = 0xFF;
    tx[5] = 0xFF;
    if (screen_.UseSwPP.value() == 1) {
        ParseAddrText(screen_, 3, bus_.Slots);
        tx[6] = Byte(bus_.Slots.AddrByte1);
        tx[7] = Byte(bus_.Slots.AddrByte2);
        tx[8] = Byte(bus_.Slots.AddrByte3);
    } else {
        tx[6] = tx[7] = tx[8] = 0xFF;
    }
}

int SwitchTransfer::Exchange(std::uint8_t message, int frameLength, bool writeFrame, int replyLength) {
    bus_.TransmitBuffer[0] = message;
    bus_.TransmitBuffer[1] = LengthByte(frameLength, writeFrame);
    AppendChecksum(bus_.TransmitBuffer, frameLength);
    bus_.SendFrame(frameLength);
    bus_.ReceiveFrame(replyLength);
    if (!running_) return bus_.ReceivedCount;
    ++running_->framesSent;
    if (bus_.ReceivedCount > 0) ++running_->framesHeard;
    return bus_.ReceivedCount;
}

// The length byte must name the expected length, and the bytes must have
// come in this exchange: a silent switch leaves the previous reply in the
// buffer, whose length and checksum would otherwise pass.
bool SwitchTransfer::Accepted(int replyLength) const {
    return FrameLengthFrom(bus_.ReceiveBuffer[1]) == replyLength && bus_.ReceivedCount >= replyLength;
}

int SwitchTransfer::QueryFirmware() {
    const MessageShape& m = Shape(msg::QueryFirmware);
    Exchange(m.code, m.frameLength, m.write, m.replyLength);
    return Accepted(m.replyLength) ? VerifyChecksum(bus_.ReceiveBuffer) : 0;
}

int SwitchTransfer::QuerySwitchAddress() {
    const MessageShape& m = Shape(msg::QuerySwitchAddress);
    Exchange(m.code, m.frameLength, m.write, m.replyLength);
    return Accepted(m.replyLength) ? VerifyChecksum(bus_.ReceiveBuffer) : 0;
}

int SwitchTransfer::QueryChannel(int channel) {
    const MessageShape& m = Shape(msg::QueryChannel);
    bus_.TransmitBuffer[kPayload] = Complement(channel);
    Exchange(m.code, m.frameLength, m.write, m.replyLength);
    int errors = Accepted(m.replyLength) ? 0 : 1;
    if (VerifyChecksum(bus_.ReceiveBuffer) != 1) ++errors;
    if (errors == 0) ShowChannel();
    return errors;
}

int SwitchTransfer::QuerySourceGroups() {
    const MessageShape& m = Shape(msg::QuerySourceGroups);
    Exchange(m.code, m.frameLength, m.write, m.replyLength);
    int errors = Accepted(m.replyLength) ? 0 : 1;
    if (VerifyChecksum(bus_.ReceiveBuffer) != 1) ++errors;
    if (errors == 0) ShowSourceGroups();
    return errors;
}

void SwitchTransfer::EventRule(int c, int e, int& priority) {
    const FrameBuffer& rx = bus_.ReceiveBuffer;
    const int b = EventBlockStart(e);
    const int i = EventIndex(c, e);
    // The command first: its handler resets the data box, which the value
    // from the switch then overwrites.
    screen_.Combo1[i].setListIndex(ListIndexFromCode(Plain(rx[b])));
    const int low = Plain(rx[b + 1]), high = Plain(rx[b + 2]);
    if (screen_.Combo1[i].listIndex() == kAbsolutePosition) {
        screen_.SW_Data[i].setText(HexText(low + 256 * high, 4));
    } else {
        screen_.SW_Data[i].setText(HexText(low, 2));
    }
    // The third byte is a priority only where the write put one: in the
    // blocks of lock commands. Elsewhere it is the data's high byte, and
    // taking it for a priority would change the lock priority of the
    // channel at the next write.
    priority = screen_.EventCommandCode[i] > kLastPlainCommandCode ? high : 0;
}

void SwitchTransfer::ShowChannel() {
    const FrameBuffer& rx = bus_.ReceiveBuffer;
    int channel = Plain(rx[kPayload]);
    namedChannel_ = channel;
    // A channel byte outside 1..8 (0 included) lands on channel 1.
    if (channel > 8 || channel < 1) channel = 1;
    const int c = channel - 1;

    int priority[3] = {0, 0, 0};
    EventRule(c, 0, priority[0]);

    const int press = EventBlockStart(0);
    const int modeByte = Plain(rx[press + 3]);
    const int mode = modeByte & kModeMask;
    if (mode == kModeGroup) screen_.Check1[GroupBox(c)].setValue(1);
    if (mode == kModePointToPoint) screen_.Check1[PointToPointBox(c)].setValue(1);
    if (mode == kModeSpecific) screen_.Check1[SpecificBox(c)].setValue(1);

    const unsigned address = AddressValue(Plain(rx[press + 4]), Plain(rx[press + 5]), Plain(rx[press + 6]));
    if (mode == kModeSpecific) screen_.SpecAddr[c].setText(HexText(address, 6));
    if (mode == kModePointToPoint) screen_.ADDR[1].setText(HexText(address, 6));

    if (modeByte & kSeqFlag) screen_.Check3[c].setValue(1);
    if (modeByte & kSrcGroupFlag) screen_.Check1[SrcGroupBox(c)].setValue(1);

    EventRule(c, 1, priority[1]);
    EventRule(c, 2, priority[2]);

    // The last non-zero priority in the order press, hold, release wins.
    std::string text = "00";
    for (int p : priority)
        if (p != 0) text = HexText(p, 2);
    screen_.PRI[c].setText(text);
}

void SwitchTransfer::ShowSourceGroups() {
    const FrameBuffer& rx = bus_.ReceiveBuffer;
    for (int k = 0; k < kChannels; ++k) {
        const int at = kPayload + 3 * k;
        const unsigned address = AddressValue(Plain(rx[at]), Plain(rx[at + 1]), Plain(rx[at + 2]));
        screen_.SwSrcGroup[k].setText(HexText(address, 6));
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
    const bool addressesSwitch = writing || screen_.UseSwPP.value() == 1;
    if (!bus_.port().isOpen()) {
        outcome.end = TransferEnd::NoPort;
        ui_.messageBox(kNoPortMessage, kProgramCaption);
        return false;
    }
    // A switch address the parsers would read as something else (an
    // "Error" left by a failed read becomes E0 00 00) is never put on the
    // line as the switch's address.
    if (addressesSwitch && !IsBusAddressText(screen_.ADDR[3].text())) {
        outcome.end = TransferEnd::InvalidSwitchAddress;
        ui_.messageBox(InvalidSwitchAddressMessage(screen_.ADDR[3].text(), writing),
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
    WriteHeader();
    return true;
}

// Asks up to twice, the second time only after a failed first; true when
// an answer was accepted.
bool SwitchTransfer::AskTwice(const std::string& what, const std::function<bool()>& query) {
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

void SwitchTransfer::GET_DATA_Click() {
    if (busy_) return;
    lastRead_ = {};
    ReadReport& report = lastRead_;
    if (!Begin(report, false)) return;

    // Firmware version and switch address: "Error" when both attempts fail.
    // An answer that came is shown even when the read ends here; "Error"
    // only after both attempts.
    const bool firmware = AskTwice("Reading firmware version", [this] { return QueryFirmware() == 1; });
    if (firmware || !Interrupted()) {
        report.firmware = firmware;
        const FrameBuffer& rx = bus_.ReceiveBuffer;
        screen_.SW_FIRMWARE.setText(firmware ? std::to_string(Plain(rx[kPayload])) + "." +
                                                   std::to_string(Plain(rx[kPayload + 1]))
                                             : "Error");
        ++progress_.step;
    }
    const bool address = AskTwice("Reading switch address", [this] { return QuerySwitchAddress() == 1; });
    if (address || !Interrupted()) {
        report.switchAddress = address;
        const FrameBuffer& rx = bus_.ReceiveBuffer;
        const int at = kSenderAddress;
        screen_.ADDR[3].setText(address ? HexText(AddressValue(rx[at], rx[at + 1], rx[at + 2]), 6) : "Error");
        ++progress_.step;
    }
    if (giveUpWhenSilent_ && !Interrupted() && report.framesHeard == 0) report.end = TransferEnd::NoSwitch;

    // Channels 1 to 8; a channel that fails twice keeps what it showed. A
    // reply naming another channel is shown there, but this channel was
    // not read.
    for (int channel = 1; channel <= 8 && !Interrupted(); ++channel) {
        const bool accepted =
            AskTwice(ChannelText("Reading", channel), [this, channel] { return QueryChannel(channel) == 0; });
        report.channels[channel - 1] = accepted && namedChannel_ == channel;
        if (accepted && namedChannel_ != channel) report.answeredAs[channel - 1] = namedChannel_;
        ++progress_.step;
    }
    report.sourceGroups = AskTwice("Reading source groups", [this] { return QuerySourceGroups() == 0; });
    Finish(report);
}

void SwitchTransfer::SEND_DATA_Click() {
    if (busy_) return;
    lastWrite_ = {};
    WriteReport& report = lastWrite_;
    if (!Begin(report, true)) return;
    FrameBuffer& tx = bus_.TransmitBuffer;
    ParserSlots& slots = bus_.Slots;
    auto send = [&](std::uint8_t message) {
        const MessageShape& m = Shape(message);
        FrameLength = m.frameLength;
        const int frame = report.framesSent;
        const bool heard = Exchange(m.code, m.frameLength, m.write, m.replyLength) > 0;
        report.answered[frame] = heard;
        ++progress_.step;
    };

    // The switch address, whether or not it addresses the frames.
    Step("Writing switch address");
    EncodeSwitchAddress(screen_, slots, tx);
    send(msg::WriteSwitchAddress);

    for (int c = 0; c < kChannels && !Interrupted(); ++c) {
        Step(ChannelText("Writing", c + 1));
        EncodeChannelRecord(screen_, c, slots, tx);
        send(msg::WriteChannel);
    }

    if (!Interrupted()) {
        Step("Writing source groups");
        EncodeSourceGroups(screen_, slots, tx);
        send(msg::WriteSourceGroups);
    }

    Finish(report);
}

}  // namespace kavro
