#pragma once
// How a read or a write of the switch ended, as values: the window turns
// them into its status line and messages, the command-line tool into its
// output and exit status, with the same words (ReadVerdict, WriteVerdict).

#include <array>
#include <optional>
#include <string>

namespace kavro {

enum class TransferEnd {
    Finished,              // the whole sequence ran
    NoPort,                // no port was open: nothing was sent
    InvalidSwitchAddress,  // the switch address box holds no address: nothing was sent
    LineLost,              // the port went away (adapter unplugged)
    Stopped,               // the user stopped it
    Closing,               // the program is closing
    NoSwitch,              // nothing at all answered the first queries, so the read gave up
};

struct TransferOutcome {
    TransferEnd end = TransferEnd::Finished;
    int framesSent = 0;
    // frames that got at least one byte back.
    int framesHeard = 0;
};

// What a read obtained; a part whose query failed both attempts is false.
struct ReadReport : TransferOutcome {
    bool firmware = false;
    bool switchAddress = false;
    std::array<bool, 8> channels{};
    // A reply that named another channel than the one asked for is shown
    // where it says it belongs, but the channel asked for counts as not
    // read: here is the channel byte the reply carried.
    std::array<std::optional<int>, 8> answeredAs{};
    bool sourceGroups = false;

    bool complete() const;
    // The parts not read, in plain words: "firmware version, channel 3".
    std::string failures() const;
};

// The ten frames of a write are 0: switch address, 1..8: channels,
// 9: source groups. Replies to writes carry nothing the tool reads, but
// whether anything came back at all tells a silent line from a switch.
struct WriteReport : TransferOutcome {
    static constexpr int kFrames = 10;
    std::array<bool, kFrames> answered{};

    bool complete() const { return end == TransferEnd::Finished && framesSent == kFrames; }
    // The frames without any answer, in plain words: "channel 3, source groups".
    std::string unanswered() const;
};

// The verdict on a transfer: a one-line summary for a status line or
// standard error, whether it is good news, and what to do about it.
struct Verdict {
    bool ok = false;
    std::string summary;  // empty: nothing to say (the program is closing)
    std::string advice;
};

Verdict ReadVerdict(const ReadReport& report);
Verdict WriteVerdict(const WriteReport& report);

// What a technician checks when no switch answers.
inline constexpr const char* kSilentSwitchAdvice =
    "No switch answered. Check that the switch has power, that the cable is connected to the switch and to "
    "this computer, that the chosen port is the adapter's, and that the switch address is right (or clear "
    "\"Use Switch Address for Config\" to reach any switch on the line).";

// When some answers did not come, or came damaged.
inline constexpr const char* kUnsteadyLineAdvice =
    "Some answers did not come, or came damaged. Read again; if it happens again, check the cable and its "
    "connections, keep it away from motor cables, and make sure no other program or device uses the line.";

// When the port went away in the middle.
inline constexpr const char* kLostLineAdvice =
    "The serial port went away (was the USB adapter unplugged?). Plug it in again and start the program again.";

}  // namespace kavro
