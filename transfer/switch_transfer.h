#pragma once
// "Get Config" and "Send Config": the messages exchanged with the switch,
// reading its whole configuration into the screen, and writing the screen
// into it.
//
// Queries are tried twice and accepted on length byte and checksum; each
// write frame goes out once. The messages are listed in switch_messages.h.

#include <array>
#include <functional>
#include <string>

#include "buslink/bus_link.h"
#include "buslink/switch_messages.h"
#include "transfer/transfer_outcome.h"
#include "editor/config_screen.h"
#include "platform/ui_services.h"

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
        "What was read or written before stays as it was. Plug the adapter in again and restart the program.";
    static constexpr const char* kNoPortMessage =
        "No serial port is open, so the switch cannot be reached.\n\n"
        "Choose a port with \"Select Comm\" and start the program again.";

    // Why a transfer that needs the switch address refuses to start.
    static std::string InvalidSwitchAddressMessage(const std::string& text, bool sending);

    SwitchTransfer(BusLink& bus, ConfigScreen& screen, UiServices& ui);

    // The click handlers. While one runs (its waits let window events in),
    // a second transfer is refused: they would share the frame buffers.
    void readSwitch();
    void writeSwitch();
    bool busy() const { return busy_; }
    // Ends a running transfer at its next exchange: the user's Stop, or the
    // window closing (quietly). Nothing done so far is undone.
    void Stop() { endRequest_ = TransferEnd::Stopped; }
    void Abort() { endRequest_ = TransferEnd::Closing; }
    // A read gives up when nothing at all answered the firmware and switch
    // address queries (twice each), instead of asking every channel too.
    // The window keeps the full sequence; the command-line tool gives up.
    void setGiveUpWhenSilent(bool giveUp) { giveUpWhenSilent_ = giveUp; }
    bool givesUpWhenSilent() const { return giveUpWhenSilent_; }

    const ReadReport& lastRead() const { return lastRead_; }
    const WriteReport& lastWrite() const { return lastWrite_; }
    const TransferProgress& progress() const { return progress_; }
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }


private:
    void writeHeader();
    int Exchange(const MessageShape& message);
    // The read steps, one exchange each; true when a whole answer came,
    // which the channel and source group steps then show.
    bool Query(std::uint8_t message);
    bool queryChannel(int channel);
    bool querySourceGroups();
    void showChannel();
    void showSourceGroups();
    // The write steps, one exchange each; true when the switch answered.
    bool writeSwitchAddress();
    bool writeChannel(int channel);
    bool writeSourceGroups();
    void readEvent(int c, int e, int& priority);
    bool Interrupted();
    bool Begin(TransferOutcome& outcome, bool writing);
    bool askTwice(const std::string& what, const std::function<bool()>& query);
    void Step(const std::string& text);
    void Finish(TransferOutcome& outcome);

    BusLink& bus_;
    ConfigScreen& screen_;
    UiServices& ui_;
    bool busy_ = false;
    bool giveUpWhenSilent_ = false;
    TransferEnd endRequest_ = TransferEnd::Finished;
    TransferOutcome* running_ = nullptr;
    int namedChannel_ = 0;  // the channel byte of the last accepted channel reply
    ReadReport lastRead_;
    WriteReport lastWrite_;
    TransferProgress progress_;
    std::function<void()> observer_;
};

}  // namespace kavro
