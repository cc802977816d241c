// history [ADDRESS] [--prune-older-than DAYS]: what the history keeps of
// each switch (history/switch_history.h), and pruning it on request.

#include <iomanip>
#include <iostream>

#include "buslink/field_parsers.h"
#include "cli/commands.h"
#include "cli/printed_text.h"
#include "cli/switch_session.h"
#include "platform/quoted_text.h"
#include "platform/utf8_path.h"

namespace kavro::cli {
namespace {

// A text of the log as printed: a log edited by hand may hold anything.
std::string Plain(const std::string& text) { return WithoutControls(ValidUtf8(text)); }

int Prune(const SwitchHistory& history, const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
    const int days = digits ? std::stoi(text) : 0;
    if (days < 1) return Fail("--prune-older-than takes a number of days, 1 or more, not " + ShownName(text));
    const Pruned pruned = history.prune(days);
    const auto count = [](int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); };
    std::cout << "Removed " << count(pruned.events, "event") << " and " << count(pruned.files, "file") << " older than "
              << count(days, "day") << " from " << ShownName(Utf8FromPath(history.folder())) << std::endl;
    return pruned.problem.empty() ? kOk : Fail(Printable(pruned.problem));
}

int ListSwitches(const SwitchHistory& history) {
    const std::vector<std::string> switches = history.switches();
    if (switches.empty()) {
        std::cout << "No switch has a history in " << ShownName(Utf8FromPath(history.folder())) << std::endl;
        return kOk;
    }
    std::cout << "Switch  Events  Newest\n";
    for (const std::string& address : switches) {
        const std::vector<HistoryEvent> events = history.events(address);
        std::cout << address << "  " << std::setw(6) << events.size() << "  "
                  << (events.empty() ? "" : Plain(events.back().time + " " + events.back().event)) << "\n";
    }
    std::cout.flush();
    return kOk;
}

}  // namespace

int History(const CommandLine& line) {
    const SwitchHistory history = ToolHistory();
    if (line.has("--prune-older-than")) {
        if (!line.operands.empty()) return Fail("--prune-older-than prunes every switch's history; it takes no ADDRESS");
        return Prune(history, line.get("--prune-older-than"));
    }
    if (line.operands.empty()) return ListSwitches(history);
    const std::string& address = line.operands[0];
    if (!IsBusAddressText(address)) return Fail(ShownName(address) + " is not a switch address (six hexadecimal digits)");
    const std::vector<HistoryEvent> events = history.events(address);
    const std::string folder = ShownName(Utf8FromPath(history.switchFolder(address)));
    if (events.empty()) return Fail("switch " + Plain(address) + " has no history (" + folder + ")");
    std::cout << "History of switch " << Utf8FromPath(history.switchFolder(address).filename()) << " (files in " << folder << "), newest first:\n";
    for (auto e = events.rbegin(); e != events.rend(); ++e) {
        std::cout << Plain(e->time) << "  " << std::left << std::setw(11) << Plain(e->event) << "  " << std::setw(32)
                  << (e->file.empty() ? "-" : Plain(e->file)) << std::right << "  " << Plain(e->result);
        if (!e->addressWritten.empty() && e->addressWritten != e->addressBefore)
            std::cout << " (address " << (e->addressBefore.empty() ? "unknown" : Plain(e->addressBefore)) << " -> "
                      << Plain(e->addressWritten) << ")";
        std::cout << "\n";
    }
    std::cout.flush();
    return kOk;
}

}  // namespace kavro::cli
