#pragma once
// A site's commissioning report: each switch of the site with what the
// journal last recorded of it (the newest state read, whether by a get,
// a backup or a read-back; the newest read; the newest verified write),
// compared with the file planned for it. What the switch holds is judged
// by the bytes its replies carried, never by a file made from them.

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "history/journal.h"
#include "report/switch_sheet.h"
#include "transfer/held_comparison.h"

namespace kavro {

// A switch of the site, as its manifest line names it.
struct PlannedSwitch {
    std::string address;         // six hexadecimal digits, upper case
    std::string label;           // UTF-8; may be empty
    std::string fileName;        // the planned file as the manifest names it; empty: none planned
    std::filesystem::path file;  // where it is (beside the manifest)
};

enum class HandoverState { AsPlanned, DiffersFromPlan, NeverRead, ReadFailed, NoPlan, PlanUnreadable };

struct SwitchReport {
    PlannedSwitch planned;
    HandoverState state = HandoverState::NeverRead;
    std::optional<JournalEntry> shown;              // the newest state recorded
    std::optional<JournalEntry> lastRead;           // the newest read, whatever came of it
    std::optional<JournalEntry> lastVerifiedWrite;  // the newest write read back and found held
    std::string readFailure;  // why the newest read (or the live read) failed
    bool liveReadFailed = false;
    std::string planProblem;  // why the planned file could not be compared
    bool comparedWithPlan = false;
    std::vector<HeldDifference> differences;         // shown against the plan
    std::array<SheetChannel, kChannels> channels{};  // what shown holds

    // "as planned", "differs from plan: 3 fields", "never read", "read failed"...
    std::string stateText() const;
};

struct SiteReport {
    std::string site;
    std::string time;         // when it was made, as the journal writes times (UTC)
    std::string toolVersion;  // "3.1.1"
    std::vector<SwitchReport> switches;
};

struct ReportOptions {
    std::string site;
    std::string time;
    std::string toolVersion;
    // Switches read just now that failed (--live), with why: the journal's
    // older states do not stand for what they hold at handover.
    std::map<std::string, std::string> liveFailures;
};

// The report of the switches, in their order; nothing, and why in
// problem, when the journal cannot be read.
std::optional<SiteReport> BuildReport(const Journal& journal, const std::vector<PlannedSwitch>& switches,
                                      const ReportOptions& options, std::string* problem);

// How a state is named in every form of the report.
const char* StateName(HandoverState state);

// A switch's sheet: its facts, what it holds, how it differs from its plan.
SwitchSheet SheetOf(const SwitchReport& report);

}  // namespace kavro
