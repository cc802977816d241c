#pragma once
// "Get Config" and "Send Config": the messages exchanged with the switch,
// reading its whole configuration into a screen, and writing a screen into
// it.
//
// Queries are tried twice and accepted on length byte, checksum and, for a
// channel, the channel the reply names; four queries in a row without a
// well-formed reply end a read, wherever they come. Each write frame goes
// out once and counts as acknowledged only by a well-formed reply. The
// messages are listed in switch_messages.h.

#include <functional>
#include <string>

#include "buslink/bus_link.h"
#include "buslink/field_parsers.h"
#include "buslink/switch_messages.h"
#include "editor/config_screen.h"
#include "platform/ui_services.h"
#include "transfer/send_checks.h"
#include "transfer/transfer_outcome.h"

namespace kavro {

// What the window shows while a transfer runs.
struct TransferProgress {
    bool active = false;
    std::string text;  // "Reading channel 3 of 8"
    int step = 0;      // steps done
    int steps = 0;     // steps in all
};

class SwitchTransfer {
public:
    static constexpr const char* kLostLineMessage =
        "The connection to the switch was lost: the serial port went away (was the USB adapter unplugged?).\n\n"
        "What was read or written before stays as it was. Plug the adapter in again; the next \"Get Config\", "
        "\"Send Config\" or \"Select Comm\" opens the port again.";
    static constexpr const char* kNoPortMessage =
        "No serial port is open, so the switch cannot be reached.\n\n"
        "Plug the adapter in and try again: \"Get Config\" and \"Send Config\" open it when it is there. Another "
        "port is chosen with \"Select Comm\".";
    // A write sends ten frames; a read asks the parts it is given.
    static constexpr int kWriteSteps = WriteReport::kFrames;

    SwitchTransfer(BusLink& bus, UiServices& ui);

    // Get Config into the screen (of the parts asked for; all by default),
    // addressed as the screen says; Send Config of the screen. While one
    // runs (its waits let window events in), a second transfer is refused:
    // they would share the frame buffers.
    void readSwitch(ConfigScreen& screen, const ReadParts& parts = {});
    void writeSwitch(const ConfigScreen& screen);
    // A switch's own bytes, as an earlier read kept them, written back as
    // they stand; the frames reach the switch as the header screen says.
    void writeHeld(const HeldConfiguration& held, const ConfigScreen& header);
    // A write its caller refused before the line (no backup could be
    // kept): the last write, told to the user like the write's own checks
    // (an empty message tells nothing: the user stopped it).
    void refuseWrite(TransferEnd end, const std::string& message);
    bool busy() const { return busy_; }
    // Ends a running transfer at its next exchange: the user's Stop, or the
    // window closing (quietly). Nothing done so far is undone.
    void stop() { endRequest_ = TransferEnd::Stopped; }
    void abort() { endRequest_ = TransferEnd::Closing; }

    const ReadReport& lastRead() const { return lastRead_; }
    const WriteReport& lastWrite() const { return lastWrite_; }
    const TransferProgress& progress() const { return progress_; }
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    void writeHeader(const ConfigScreen& screen);
    ReplyTrouble exchange(const MessageShape& message);
    // The read steps, one exchange each: what came back. An accepted
    // channel or source group reply is shown at once.
    ReplyTrouble query(std::uint8_t message);
    ReplyTrouble queryFirmware();
    ReplyTrouble querySwitchAddress();
    ReplyTrouble queryChannel(int channel);
    ReplyTrouble querySourceGroups();
    void showChannel(int c);
    void showSourceGroups();
    void readEvent(int c, int e, int& priority);
    // The write steps, one exchange each.
    WriteReport::Reply writeFrame(std::uint8_t message);
    bool interrupted();
    bool begin(TransferOutcome& outcome, const ConfigScreen& header, int steps, const std::optional<Refusal>& refusal);
    // The payload of write frame `part` (0 switch address, 1..8 channels,
    // 9 source groups) into the frame under construction.
    using FrameEncoder = std::function<void(int part, FrameBuffer& frame)>;
    void writeFrames(const ConfigScreen& header, const std::optional<Refusal>& refusal, const FrameEncoder& encode);
    ReadPart askTwice(const std::string& what, const std::function<ReplyTrouble()>& query);
    void step(const std::string& text);
    void finish(TransferOutcome& outcome);

    BusLink& bus_;
    UiServices& ui_;
    // The frame under construction: the header a sequence writes once, and
    // each message's code, length, payload and checksum. Bytes past the
    // current frame keep what the previous frame left.
    FrameBuffer transmit_{};
    ParserSlots parsed_;
    ConfigScreen* target_ = nullptr;  // the screen a read fills
    bool busy_ = false;
    int silentQueries_ = 0;  // queries in a row without a well-formed reply
    TransferEnd endRequest_ = TransferEnd::Finished;
    TransferOutcome* running_ = nullptr;
    ReadReport lastRead_;
    WriteReport lastWrite_;
    TransferProgress progress_;
    std::function<void()> observer_;
};

}  // namespace kavro
