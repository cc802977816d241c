#pragma once
// Which recorded state a restore puts back into a switch, chosen from the
// journal alone (no line is touched here):
//   - by default the state before the newest write into this switch on
//     this bus (a write whose program died half way counts, it is the one
//     to undo), but not when that write was itself a restore;
//   - --steps N: the state before the N-th newest write;
//   - --at TIME: the newest state recorded at or before TIME, when no write
//     came after it that was never read back;
//   - a site restore: the state before the write of one site send.
// "This switch" is the address it answers now on this bus, followed back
// through the addresses earlier writes gave it. A restore is refused when
// the journal knows the address only from other buses or sites, when it
// cannot tell which of several sites is meant, and when the switch does
// not hold what the journal last recorded of it: then it is another switch
// with the same address, or one changed since by other means.

#include <optional>
#include <string>
#include <vector>

#include "history/history_time.h"
#include "history/journal_entry.h"

namespace kavro {

struct RestoreRequest {
    int steps = 0;                 // 0: the newest write, unless a restore
    std::optional<SystemTime> at;  // the state at this time
    std::string site;              // only entries of this site
    std::int64_t siteSend = 0;     // a site restore: that site send's write
};

struct RestoreChoice {
    std::optional<JournalEntry> state;   // the recorded read to put back
    std::optional<JournalEntry> undone;  // the write it undoes (none for --at)
    std::string refusal;                 // why nothing is put back, in one line
    std::vector<std::string> listed;     // the entries the refusal is about
    bool ok() const { return refusal.empty(); }
};

// entries newest first, as Journal::entries gives them.
RestoreChoice ChooseRestore(const std::vector<JournalEntry>& entries, const std::string& addressNow,
                            const BusIdentity& bus, const HeldConfiguration& heldNow, const RestoreRequest& request);

}  // namespace kavro
