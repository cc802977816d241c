#include "report/site_report.h"

#include <memory>

#include "configfile/config_records.h"
#include "history/history_time.h"

namespace kavro {
namespace {

// The address a write left the switch at: the one it wrote, or, for a
// write that gave none, the one the switch had.
const std::string& WrittenTo(const JournalEntry& e) { return e.addressWritten.empty() ? e.address : e.addressWritten; }

// The planned file as the switch would be given it by a site send: with
// the manifest's address as its switch address.
std::unique_ptr<ConfigScreen> LoadPlan(const PlannedSwitch& s, std::string* problem) {
    auto screen = std::make_unique<ConfigScreen>();
    screen->fillCommandLists();
    if (const LoadOutcome loaded = LoadConfigFile(s.file, *screen); loaded != LoadOutcome::Loaded) {
        *problem = s.fileName + ": " + LoadProblem(loaded);
        return nullptr;
    }
    screen->switchAddress.setText(s.address);
    screen->useSwitchAddress.setValue(1);
    return screen;
}

SwitchReport ReportOf(const PlannedSwitch& s, const std::vector<JournalEntry>& entries, const ReportOptions& options) {
    SwitchReport r;
    r.planned = s;
    for (const JournalEntry& e : entries) {  // newest first
        if (!r.shown && e.isState() && e.address == s.address) r.shown = e;
        if (!r.lastRead && e.isRead() && e.address == s.address) r.lastRead = e;
        if (!r.lastVerifiedWrite && e.isWrite() && e.verified.value_or(false) && WrittenTo(e) == s.address)
            r.lastVerifiedWrite = e;
    }
    if (r.shown) r.channels = ChannelsFromHeld(*r.shown->held);
    if (!s.fileName.empty() && r.shown) {
        if (const auto plan = LoadPlan(s, &r.planProblem)) {
            r.differences = CompareHeld(*plan, *r.shown->held);
            r.comparedWithPlan = true;
        }
    }
    if (const auto live = options.liveFailures.find(s.address); live != options.liveFailures.end()) {
        r.state = HandoverState::ReadFailed;
        r.readFailure = live->second;
        r.liveReadFailed = true;
    } else if (r.lastRead && r.lastRead->outcome == journal_outcome::kFailed) {
        r.state = HandoverState::ReadFailed;
        r.readFailure = r.lastRead->result;
    } else if (!r.shown) {
        r.state = HandoverState::NeverRead;
    } else if (s.fileName.empty()) {
        r.state = HandoverState::NoPlan;
    } else if (!r.comparedWithPlan) {
        r.state = HandoverState::PlanUnreadable;
    } else {
        r.state = r.differences.empty() ? HandoverState::AsPlanned : HandoverState::DiffersFromPlan;
    }
    return r;
}

std::string When(const std::optional<JournalEntry>& e, const char* none) {
    return e ? LocalTimeText(e->time) : none;
}

}  // namespace

const char* StateName(HandoverState state) {
    switch (state) {
    case HandoverState::AsPlanned: return "as planned";
    case HandoverState::DiffersFromPlan: return "differs from plan";
    case HandoverState::NeverRead: return "never read";
    case HandoverState::ReadFailed: return "read failed";
    case HandoverState::NoPlan: return "no planned file";
    case HandoverState::PlanUnreadable: return "planned file unreadable";
    }
    return "";
}

std::string SwitchReport::stateText() const {
    if (state != HandoverState::DiffersFromPlan) return StateName(state);
    const std::size_t n = differences.size();
    return std::string(StateName(state)) + ": " + std::to_string(n) + (n == 1 ? " field" : " fields");
}

std::optional<SiteReport> BuildReport(const Journal& journal, const std::vector<PlannedSwitch>& switches,
                                      const ReportOptions& options, std::string* problem) {
    SiteReport report{options.site, options.time, options.toolVersion, {}};
    report.switches.reserve(switches.size());
    for (const PlannedSwitch& s : switches) {
        const std::vector<JournalEntry> entries = journal.entries(EntryFilter{s.address}, problem);
        if (!problem->empty()) return std::nullopt;
        report.switches.push_back(ReportOf(s, entries, options));
    }
    return report;
}

SwitchSheet SheetOf(const SwitchReport& r) {
    SwitchSheet sheet;
    const PlannedSwitch& s = r.planned;
    sheet.title = s.label.empty() ? "Switch " + s.address : s.label;
    const JournalEntry* bus = r.shown ? &*r.shown : r.lastRead ? &*r.lastRead : nullptr;
    sheet.facts = {
        {"Label", s.label.empty() ? "none" : s.label},
        {"Address", s.address},
        {"Bus", bus ? BusText(bus->bus) : "not known"},
        {"Firmware", r.shown && !r.shown->firmware.empty() ? r.shown->firmware : "not read"},
        {"State shown", r.shown ? LocalTimeText(r.shown->time) + " (" + r.shown->event + ")" : "none recorded"},
        {"Last verified write", When(r.lastVerifiedWrite, "none")},
        {"Planned file", s.fileName.empty() ? "none" : s.fileName},
        {"State", r.stateText()},
    };
    sheet.holdsConfiguration = r.shown.has_value();
    sheet.channels = r.channels;
    sheet.comparedWithPlan = r.comparedWithPlan;
    for (const HeldDifference& d : r.differences) sheet.differences.push_back(DescribeHeldDifference(d, "the file says"));
    if (r.state == HandoverState::ReadFailed) {
        const std::string read = r.liveReadFailed ? "The read for this report failed: "
                                                  : "The newest read, at " + LocalTimeText(r.lastRead->time) + ", failed: ";
        sheet.notes.push_back(read + r.readFailure +
                              (r.shown ? ". Shown is the newest state recorded before it." : ". No state was ever recorded."));
    }
    if (r.state == HandoverState::NeverRead)
        sheet.notes.push_back("The journal holds no complete read of this switch: what it holds is not known.");
    if (!r.planProblem.empty()) sheet.notes.push_back("The planned file cannot be read: " + r.planProblem + ".");
    return sheet;
}

}  // namespace kavro
