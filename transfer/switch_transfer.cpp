#include "transfer/switch_transfer.h"

#include "transfer/screen_parsers.h"

namespace kavro {
namespace {

constexpr std::uint8_t kFirmware = 0x80;
constexpr std::uint8_t kSwitchAddress = 0x8F;
constexpr std::uint8_t kChannel = 0x8D;
constexpr std::uint8_t kSourceGroups = 0x8C;
constexpr std::uint8_t kWriteSwitchAddress = 0x7F;
constexpr std::uint8_t kWriteChannel = 0x7D;
constexpr std::uint8_t kWriteSourceGroups = 0x7C;
constexpr int kWriteReply = 12;
constexpr int kAttempts = 2;

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
int Plain(std::uint8_t wire) { return wire ^ 0xFF; }

std::string ChannelText(const char* verb, int channel) {
    return std::string(verb) + " channel " + std::to_string(channel) + " of 8";
}

}  // namespace

bool ReadReport::complete() const {
    if (lineLost || noPort || aborted || !firmware || !switchAddress || !sourceGroups) return false;
    for (bool ok : channels)
        if (!ok) return false;
    return true;
}

std::string ReadReport::failures() const {
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (!firmware) add("firmware version");
    if (!switchAddress) add("switch address");
    for (int c = 0; c < 8; ++c)
        if (!channels[c]) add("channel " + std::to_string(c + 1));
    if (!sourceGroups) add("source groups");
    return text;
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
    return ++frames_;
}

// The length byte must name the expected length, and the bytes must have
// come in this exchange: a silent switch leaves the previous reply in the
// buffer, whose length and checksum would otherwise pass.
bool SwitchTransfer::Accepted(int replyLength) const {
    return FrameLengthFrom(bus_.ReceiveBuffer[1]) == replyLength && bus_.ReceivedCount >= replyLength;
}

int SwitchTransfer::QueryFirmware() {
    Exchange(kFirmware, 11, false, 13);
    return Accepted(13) ? VerifyChecksum(bus_.ReceiveBuffer) : 0;
}

int SwitchTransfer::QuerySwitchAddress() {
    Exchange(kSwitchAddress, 11, false, 11);
    return Accepted(11) ? VerifyChecksum(bus_.ReceiveBuffer) : 0;
}

int SwitchTransfer::QueryChannel(int channel) {
    bus_.TransmitBuffer[9] = Byte(channel ^ 0xFF);
    Exchange(kChannel, 12, false, 33);
    int errors = Accepted(33) ? 0 : 1;
    if (VerifyChecksum(bus_.ReceiveBuffer) != 1) ++errors;
    if (errors == 0) ShowChannel();
    return errors;
}

int SwitchTransfer::QuerySourceGroups() {
    Exchange(kSourceGroups, 11, false, 35);
    int errors = Accepted(35) ? 0 : 1;
    if (VerifyChecksum(bus_.ReceiveBuffer) != 1) ++errors;
    if (errors == 0) ShowSourceGroups();
    return errors;
}

void SwitchTransfer::EventRule(int c, int e, int& priority) {
    const FrameBuffer& rx = bus_.ReceiveBuffer;
    const int b = 10 + 7 * e;
    const int i = EventIndex(c, e);
    // The command first: its handler resets the data box, which the value
    // from the switch then overwrites.
    screen_.Combo1[i].setListIndex(ListIndexFromCode(Plain(rx[b])));
    const int low = Plain(rx[b + 1]), high = Plain(rx[b + 2]);
    if (screen_.Combo1[i].listIndex() == kAbsolutePosition) {
        screen_.SW_Data[i].setText(HexText(low + 256 * high, 4));
        priority = 0;
    } else {
        screen_.SW_Data[i].setText(HexText(low, 2));
        priority = high;
    }
}

void SwitchTransfer::ShowChannel() {
    const FrameBuffer& rx = bus_.ReceiveBuffer;
    int channel = Plain(rx[9]);
    // A channel byte outside 1..8 (0 included) lands on channel 1.
    if (channel > 8 || channel < 1) channel = 1;
    const int c = channel - 1;

    int priority[3] = {0, 0, 0};
    EventRule(c, 0, priority[0]);

    const int modeByte = Plain(rx[13]);
    const int mode = modeByte & 0x0F;
    if (mode == 0) screen_.Check1[GroupBox(c)].setValue(1);
    if (mode == 1) screen_.Check1[PointToPointBox(c)].setValue(1);
    if (mode == 2) screen_.Check1[SpecificBox(c)].setValue(1);

    const unsigned address = Plain(rx[14]) * 65536u + Plain(rx[15]) * 256u + Plain(rx[16]);
    if (mode == 2) screen_.SpecAddr[c].setText(HexText(address, 6));
    if (mode == 1) screen_.ADDR[1].setText(HexText(address, 6));

    const int flags = modeByte & 0xF0;
    if ((flags & 0x40) == 0x40) screen_.Check3[c].setValue(1);
    if ((flags & 0x80) == 0x80) screen_.Check1[SrcGroupBox(c)].setValue(1);

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
        const unsigned address =
            Plain(rx[3 * k + 9]) * 65536u + Plain(rx[3 * k + 10]) * 256u + Plain(rx[3 * k + 11]);
        screen_.SwSrcGroup[k].setText(HexText(address, 6));
    }
}

bool SwitchTransfer::LineGone() {
    return abort_ || (portWasOpen_ && !bus_.port().isOpen());
}

// Starts a transfer; false, with the user told, when no port is open.
bool SwitchTransfer::Begin(int steps, TransferOutcome& outcome) {
    if (!bus_.port().isOpen()) {
        outcome.noPort = true;
        ui_.messageBox(kNoPortMessage, kProgramCaption);
        return false;
    }
    busy_ = true;
    abort_ = false;
    frames_ = 0;
    portWasOpen_ = true;
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
    for (int attempt = 0; attempt < kAttempts && !accepted && !LineGone(); ++attempt) {
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
    outcome.aborted = abort_;
    outcome.lineLost = !abort_ && LineGone();
    outcome.framesSent = frames_;
    ui_.setPointer(Pointer::Default);
    progress_ = {};
    busy_ = false;
    if (observer_) observer_();
    if (outcome.lineLost) ui_.messageBox(kLostLineMessage, kProgramCaption);
}

void SwitchTransfer::GET_DATA_Click() {
    if (busy_) return;
    lastRead_ = {};
    ReadReport& report = lastRead_;
    if (!Begin(11, report)) return;

    // Firmware version and switch address: "Error" when both attempts fail.
    const bool firmware = AskTwice("Reading firmware version", [this] { return QueryFirmware() == 1; });
    if (!LineGone()) {
        report.firmware = firmware;
        const FrameBuffer& rx = bus_.ReceiveBuffer;
        screen_.SW_FIRMWARE.setText(firmware ? std::to_string(Plain(rx[9])) + "." + std::to_string(Plain(rx[10]))
                                             : "Error");
        ++progress_.step;
    }
    const bool address = AskTwice("Reading switch address", [this] { return QuerySwitchAddress() == 1; });
    if (!LineGone()) {
        report.switchAddress = address;
        const FrameBuffer& rx = bus_.ReceiveBuffer;
        screen_.ADDR[3].setText(address ? HexText(rx[3] * 65536u + rx[4] * 256u + rx[5], 6) : "Error");
        ++progress_.step;
    }

    // Channels 1 to 8; a channel that fails twice keeps what it showed.
    for (int channel = 1; channel <= 8 && !LineGone(); ++channel) {
        report.channels[channel - 1] =
            AskTwice(ChannelText("Reading", channel), [this, channel] { return QueryChannel(channel) == 0; });
        ++progress_.step;
    }
    report.sourceGroups = AskTwice("Reading source groups", [this] { return QuerySourceGroups() == 0; });
    Finish(report);
}

void SwitchTransfer::SEND_DATA_Click() {
    if (busy_) return;
    lastWrite_ = {};
    if (!Begin(10, lastWrite_)) return;
    FrameBuffer& tx = bus_.TransmitBuffer;
    ParserSlots& slots = bus_.Slots;

    // The switch address, whether or not it addresses the frames.
    Step("Writing switch address");
    FrameLength = 14;
    ParseAddrText(screen_, 3, slots);
    tx[9] = Byte(slots.AddrByte1);
    tx[10] = Byte(slots.AddrByte2);
    tx[11] = Byte(slots.AddrByte3);
    Exchange(kWriteSwitchAddress, FrameLength, true, kWriteReply);
    ++progress_.step;

    // One record per channel: three event blocks with the same mode byte
    // and address.
    FrameLength = 33;
    for (int c = 0; c < kChannels && !LineGone(); ++c) {
        Step(ChannelText("Writing", c + 1));
        int mode = 0;
        if (screen_.Check1[PointToPointBox(c)].value() == 1) {
            mode = 1;
            ParseAddrText(screen_, 1, slots);
        }
        if (screen_.Check1[SpecificBox(c)].value() == 1) {
            mode = 2;
            ParseSpecAddrText(screen_, c, slots);
        }
        if (screen_.Check1[GroupBox(c)].value() == 1) {
            slots.AddrByte1 = slots.AddrByte2 = slots.AddrByte3 = 0xFF;
            mode = 0;
        }
        if (screen_.Check1[SrcGroupBox(c)].value() == 1) {
            slots.AddrByte1 = slots.AddrByte2 = slots.AddrByte3 = 0xFF;
            mode |= 0x80;
        }
        if (screen_.Check3[c].value() == 1) mode |= 0x40;

        tx[9] = Byte((c + 1) ^ 0xFF);
        for (int e = 0; e < 3; ++e) {
            const int b = 10 + 7 * e;
            const int i = EventIndex(c, e);
            tx[b] = Byte(screen_.EventCommandCode[i] ^ 0xFF);
            ParseDataText(screen_, i, slots);
            // A lock command carries the channel's priority where others
            // carry the data's high byte.
            if (screen_.EventCommandCode[i] > 0x1F) ParsePriText(screen_, c, slots);
            tx[b + 1] = Byte(slots.DataByte2 ^ 0xFF);
            tx[b + 2] = Byte(slots.DataByte1 ^ 0xFF);
            tx[b + 3] = Byte(mode ^ 0xFF);
            tx[b + 4] = Byte(slots.AddrByte1 ^ 0xFF);
            tx[b + 5] = Byte(slots.AddrByte2 ^ 0xFF);
            tx[b + 6] = Byte(slots.AddrByte3 ^ 0xFF);
        }
        Exchange(kWriteChannel, FrameLength, true, kWriteReply);
        ++progress_.step;
    }

    // The source group table; channels not in "Src Group" send FF FF FF.
    if (!LineGone()) {
        Step("Writing source groups");
        FrameLength = 35;
        for (int c = 0; c < kChannels; ++c) {
            ParseSrcGroupText(screen_, c, slots);
            const bool used = screen_.Check1[SrcGroupBox(c)].value() == 1;
            tx[3 * c + 9] = used ? Byte(slots.AddrByte3 ^ 0xFF) : 0xFF;
            tx[3 * c + 10] = used ? Byte(slots.AddrByte2 ^ 0xFF) : 0xFF;
            tx[3 * c + 11] = used ? Byte(slots.AddrByte1 ^ 0xFF) : 0xFF;
        }
        Exchange(kWriteSourceGroups, FrameLength, true, kWriteReply);
        ++progress_.step;
    }

    Finish(lastWrite_);
}

}  // namespace kavro
