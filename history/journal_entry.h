#pragma once
// One entry of the journal of writes: a read of a switch, or a write into
// one. A write is entered before its first frame, with the read that backs
// it up, and its outcome is added when it ends; the read-back after it
// names it too. So the journal always knows which write a backup undoes,
// even of a write whose program died half way.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transfer/transfer_outcome.h"

namespace kavro {

namespace journal_event {
inline constexpr const char* kGet = "get";
inline constexpr const char* kBeforeSend = "before-send";
inline constexpr const char* kSend = "send";
inline constexpr const char* kAfterSend = "after-send";
inline constexpr const char* kBeforeRestore = "before-restore";
inline constexpr const char* kRestore = "restore";
inline constexpr const char* kAfterRestore = "after-restore";
// The start of a site send: its writes name it, so that a site restore
// finds every switch that run wrote.
inline constexpr const char* kSiteSend = "site-send";
}  // namespace journal_event

// How an entry ended. A write stays "unfinished" from the moment it is
// entered until its outcome is added: a program that died during the write
// leaves it so.
namespace journal_outcome {
inline constexpr const char* kOk = "ok";
inline constexpr const char* kUnfinished = "unfinished";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kStopped = "stopped";
}  // namespace journal_outcome

// Which bus a switch was reached on. Switch addresses are set by
// installers, so two buses of a site may each have a switch 000001: the
// journal keeps the serial device and, where the system tells, the USB
// adapter's serial number and its place on the USB; and the site a run
// was for.
struct BusIdentity {
    std::string device;         // "/dev/ttyUSB0", "COM3"
    std::string adapterSerial;  // the adapter's serial number; may be empty
    std::string adapterPath;    // its place on the USB ("pci-0000:00:14.0-usb-0:2:1.0"); may be empty
    std::string site;           // --site, or the manifest's name; may be empty
};

// Whether two entries were made on one bus, as far as the computer can
// tell: the same adapter (by its serial number, where both have one), else
// the same device. The site is not part of it.
bool SameBus(const BusIdentity& a, const BusIdentity& b);
// "/dev/ttyUSB0 (adapter A1B2C3)", for messages and listings.
std::string BusText(const BusIdentity& bus);

struct JournalEntry {
    std::int64_t id = 0;  // grows with every entry: the order of events
    std::string time;     // "2026-12-06T22:15:03Z"
    std::string event;    // journal_event
    // A read: the switch address it answered. A write: the address the
    // switch had before, and the one the write gives it (a file carries
    // the switch's own address).
    std::string address;
    std::string addressWritten;
    BusIdentity bus;
    // A complete read: its ".set" file, relative to the history folder.
    std::string file;
    std::string firmware;
    // A read: the bytes the switch's replies carried. A write: the bytes it
    // wrote, in the same form.
    std::optional<HeldConfiguration> held;
    std::string outcome;  // journal_outcome
    std::string result;   // in words: "ok", "no answer for channel 3"
    int framesAcknowledged = -1;  // a finished write: how many of the ten
    std::optional<bool> verified;  // a write read back: whether the switch holds it
    std::int64_t writeId = 0;  // a read before or after a write: that write
    std::int64_t batchId = 0;  // a write of a site send: the site-send entry
    std::string version;       // the tool's

    bool isWrite() const;
    bool isRead() const;
    // A read that holds a whole configuration: a state the switch was in.
    bool isState() const { return isRead() && outcome == journal_outcome::kOk && held.has_value(); }
};

// The bytes of a whole configuration as the journal stores them: the
// switch address, the eight channels' event blocks and the source groups,
// 195 bytes in all, as they travel.
std::vector<std::uint8_t> HeldBytes(const HeldConfiguration& held);
std::optional<HeldConfiguration> HeldFromBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace kavro
