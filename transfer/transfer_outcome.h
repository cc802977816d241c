#pragma once
// How a read or a write of the switch ended, as values: the window turns
// them into its status line and messages, the command-line tool into its
// output and exit status, with the same words (ReadVerdict, WriteVerdict).

#include <array>
#include <cstdint>
#include <string>

namespace kavro {

enum class TransferEnd {
    Finished,              // the whole sequence ran
    NoPort,                // no port was open: nothing was sent
    InvalidSwitchAddress,  // the switch address box holds no address: nothing was sent
    GlobalSwitchAddress,   // Send Config would give the switch FFFFFF: nothing was sent
    UnsendableText,        // a box holds text that would go out as something else: nothing was sent
    LineLost,              // the port went away (adapter unplugged)
    Stopped,               // the user stopped it
    Closing,               // the program is closing
    NoSwitch,              // no well-formed answer to the first four queries, so the read gave up
    WentSilent,            // parts were read, then four queries in a row got no well-formed answer: given up
    NotBackedUp,           // what the switch held could not be read and kept before a write: nothing was sent
    NotJournaled,          // the write could not be entered in the journal first: nothing was sent
};

// What came back for one exchange, when it was not the reply awaited.
struct ReplyTrouble {
    enum class Kind {
        None,          // a well-formed reply
        NoAnswer,      // not one byte
        Short,         // the start of a reply, cut off
        Garbled,       // bytes that are not the reply awaited
        BadChecksum,   // the reply's length, but its sum does not match
        OtherChannel,  // a well-formed channel reply, for another channel
        Noisy,         // more bytes than any reply holds
    };
    Kind kind = Kind::None;
    int received = 0;  // bytes kept of this reply
    int expected = 0;  // bytes awaited
    int dropped = 0;   // bytes thrown away around it
    int channel = 0;   // OtherChannel: the channel the reply named

    bool ok() const { return kind == Kind::None; }
};

// "no answer", "a reply with a bad checksum", "a reply for channel 9",
// "a noisy line: 512 bytes thrown away".
std::string DescribeTrouble(const ReplyTrouble& trouble);

struct TransferOutcome {
    TransferEnd end = TransferEnd::Finished;
    int framesSent = 0;
    // frames that got at least one byte back.
    int framesHeard = 0;
    // Why nothing was sent, in full, when a check before the line refused.
    std::string refusal;
};

// One part of the configuration a read asks for: read, or what came
// instead at the last attempt. A part never asked for has trouble None
// and read false.
struct ReadPart {
    bool read = false;
    ReplyTrouble trouble;
};

// What a switch holds, as its replies carried it: the screen cannot show
// everything a switch may hold (a mode no box stands for, a command code
// the list lacks), so what it holds is judged by these bytes.
struct HeldConfiguration {
    std::array<std::uint8_t, 3> switchAddress{};                  // as in a reply's header
    std::array<std::array<std::uint8_t, 21>, 8> channelBlocks{};  // three event blocks each, as on the wire
    std::array<std::uint8_t, 24> sourceGroups{};                  // complemented, as on the wire
};

// The parts of a switch's configuration a read asks for, in the order it
// asks them; Get Config asks for all of them.
struct ReadParts {
    bool firmware = true;
    bool switchAddress = true;
    std::array<bool, 8> channels{true, true, true, true, true, true, true, true};
    bool sourceGroups = true;

    int count() const;
};

// What a read obtained, part by part, and the bytes of the parts read.
struct ReadReport : TransferOutcome {
    ReadParts asked;
    ReadPart firmware;
    ReadPart switchAddress;
    std::array<ReadPart, 8> channels{};
    ReadPart sourceGroups;
    HeldConfiguration held;
    ReplyTrouble lastTrouble;  // what came instead at the last part not read

    // Every part asked for was read.
    bool complete() const;
    // The parts asked for and read: "firmware version, switch address,
    // channels 1 to 3"; empty when none was.
    std::string partsRead() const;
    // The parts asked for and not read, and what came instead, in plain words:
    // "no answer for firmware version, channel 3" or
    // "channel 2: a reply for channel 9; no answer for source groups".
    std::string failures() const;
    // Bytes thrown away over the whole read.
    int dropped() const;
    // What came instead of well-formed replies, for a read that gave up:
    // the noise there was, or what came at the last part not read.
    ReplyTrouble givenUpOn() const;
};

// The ten frames of a write are 0: switch address, 1..8: channels,
// 9: source groups. The switch acknowledges each with a short reply of
// its own; only a reply of that length with a good checksum counts.
struct WriteReport : TransferOutcome {
    static constexpr int kFrames = 10;
    enum class Reply { NotSent, Acknowledged, NoAnswer, Garbled };
    std::array<Reply, kFrames> replies{};

    // Every frame went out and was acknowledged.
    bool complete() const;
    // All ten frames went out, whatever came back.
    bool allSent() const { return end == TransferEnd::Finished && framesSent == kFrames; }
    // The frames that got this reply, in plain words: "channel 3, source groups".
    std::string framesWith(Reply reply) const;
};

std::string WriteFrameName(int frame);

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

// When a switch that answered stopped answering.
inline constexpr const char* kFellSilentAdvice =
    "The switch answered, then stopped answering. Check that it still has power and that the cable is firmly "
    "connected at both ends, then read again.";

// When the port went away in the middle.
inline constexpr const char* kLostLineAdvice =
    "The serial port went away (was the USB adapter unplugged?). Plug it in again; the next Get Config, Send "
    "Config or Select Comm opens it again.";

}  // namespace kavro
