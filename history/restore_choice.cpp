#include "history/restore_choice.h"

#include <set>

#include "buslink/field_parsers.h"
#include "transfer/held_comparison.h"

namespace kavro {
namespace {

constexpr const char* kLists = " (kavro-switch history lists what is kept; restore FILE sends one of its files)";

class Chooser {
public:
    Chooser(const std::vector<JournalEntry>& entries, std::string address, const BusIdentity& bus,
            const HeldConfiguration& heldNow, const RestoreRequest& request)
        : entries_(entries), address_(AddressShown(address)), bus_(bus), heldNow_(heldNow), request_(request) {}

    RestoreChoice choose() {
        if (!busKnown()) return choice_;
        if (request_.at) return chooseAt();
        if (request_.siteSend) return chooseSiteSend();
        return chooseByWrites();
    }

private:
    bool onThisBus(const JournalEntry& e) const {
        return SameBus(e.bus, bus_) && (request_.site.empty() || e.bus.site == request_.site);
    }
    // A write that left the switch at this address; one that died half way
    // may have given it the new address or not.
    static bool writeInto(const JournalEntry& w, const std::string& address) {
        return w.isWrite() &&
               (w.addressWritten == address || (w.outcome == journal_outcome::kUnfinished && w.address == address));
    }
    std::string where() const { return "switch " + address_ + " on " + BusText(bus_) + site(); }
    std::string site() const { return request_.site.empty() ? "" : " (site " + request_.site + ")"; }

    RestoreChoice& refuse(std::string why) {
        choice_.refusal = std::move(why);
        return choice_;
    }

    std::string line(const JournalEntry& e) const {
        const JournalEntry* backup = backupOf(e);
        return e.time + "  " + e.event + " into " + address_ + " on " + BusText(e.bus) +
               (e.bus.site.empty() ? "" : ", site " + e.bus.site) +
               (backup && !backup->file.empty() ? ", backup " + backup->file : "");
    }

    // The writes into this address on any bus, and the sites among those
    // on this bus: the journal must be able to tell which switch is meant.
    bool busKnown() {
        std::vector<const JournalEntry*> elsewhere;
        std::set<std::string> sites;
        bool here = false;
        for (const JournalEntry& e : entries_) {
            if (!writeInto(e, address_)) continue;
            if (onThisBus(e)) {
                here = true;
                sites.insert(e.bus.site);
            } else {
                elsewhere.push_back(&e);
            }
        }
        if (!here && !elsewhere.empty()) {
            for (const JournalEntry* e : elsewhere) choice_.listed.push_back(line(*e));
            refuse("the journal holds writes into a switch " + address_ + " only on other buses or sites, not on " +
                   BusText(bus_) + site() +
                   "; nothing sent: this may be another switch with the same address (restore FILE sends a backup "
                   "you name, --site NAME picks a site)");
            return false;
        }
        if (request_.site.empty() && sites.size() > 1) {
            for (const JournalEntry& e : entries_)
                if (writeInto(e, address_) && onThisBus(e)) choice_.listed.push_back(line(e));
            refuse("the journal holds writes into a switch " + address_ + " on " + BusText(bus_) + " for " +
                   std::to_string(sites.size()) + " sites and cannot tell which is this one; nothing sent: give "
                   "--site NAME, or restore FILE");
            return false;
        }
        return true;
    }

    const JournalEntry* backupOf(const JournalEntry& write) const {
        for (const JournalEntry& e : entries_)
            if (e.writeId == write.id && (e.event == journal_event::kBeforeSend || e.event == journal_event::kBeforeRestore))
                return &e;
        return nullptr;
    }

    // The newest write on this bus into this address, older than before.
    const JournalEntry* newestWriteInto(const std::string& address, std::int64_t before) const {
        for (const JournalEntry& e : entries_)
            if (e.id < before && onThisBus(e) && writeInto(e, address)) return &e;
        return nullptr;
    }

    RestoreChoice chooseByWrites() {
        const int steps = request_.steps > 0 ? request_.steps : 1;
        std::string address = address_;
        std::int64_t before = INT64_MAX;
        const JournalEntry* write = nullptr;
        for (int step = 1; step <= steps; ++step) {
            write = newestWriteInto(address, before);
            if (!write) {
                if (step == 1) return refuse("the journal holds no write into " + where() + "; nothing sent" + kLists);
                return refuse("the journal holds " + std::to_string(step - 1) + " write" + (step == 2 ? "" : "s") +
                              " into " + where() + ", not " + std::to_string(steps) + "; nothing sent" + kLists);
            }
            address = write->address;
            before = write->id;
        }
        if (request_.steps == 0 && write->event == journal_event::kRestore)
            return refuse("the last write into " + where() + " was a restore, at " + write->time +
                          "; nothing sent: restore --steps 1 undoes it, --steps 2 goes back before the write it undid");
        return undo(*write);
    }

    RestoreChoice chooseSiteSend() {
        for (const JournalEntry& e : entries_)
            if (e.batchId == request_.siteSend && onThisBus(e) && writeInto(e, address_) ) return undo(e);
        return refuse("the newest site send of this site did not write " + where() + "; nothing sent");
    }

    RestoreChoice undo(const JournalEntry& write) {
        const JournalEntry* backup = backupOf(write);
        if (!backup || (!backup->isState() && backup->file.empty()))
            return refuse("the " + write.event + " into " + where() + " at " + write.time +
                          " kept no backup; nothing sent" + kLists);
        if (!sameSwitch()) return choice_;
        choice_.state = *backup;
        choice_.undone = write;
        return choice_;
    }

    RestoreChoice chooseAt() {
        const std::string at = HistoryTimeText(*request_.at);
        // The address the switch had then: later writes gave it the one it
        // answers now.
        std::string address = address_;
        std::int64_t last = 0;  // the newest entry at or before the time
        for (const JournalEntry& e : entries_)
            if (e.time <= at) {
                last = e.id;
                break;
            }
        for (const JournalEntry& e : entries_)
            if (e.id > last && onThisBus(e) && writeInto(e, address)) address = e.address;
        const JournalEntry* state = nullptr;
        for (const JournalEntry& e : entries_)
            if (e.id <= last && onThisBus(e) && e.isState() && e.address == address) {
                state = &e;
                break;
            }
        if (!state)
            return refuse("the journal holds no whole read of " + where() + " at or before " + at + "; nothing sent" +
                          kLists);
        for (const JournalEntry& e : entries_)
            if (e.id > state->id && e.id <= last && onThisBus(e) && e.isWrite() &&
                (e.address == address || e.addressWritten == address))
                return refuse("a " + e.event + " at " + e.time + ", after the last read of the switch before " + at +
                              " (at " + state->time + "), was never read back, so what it held at " + at +
                              " is not known; nothing sent");
        if (!sameSwitch()) return choice_;
        choice_.state = *state;
        return choice_;
    }

    // The switch must hold what the journal last recorded of it: the bytes
    // of the newest read since the newest write, or else what that write
    // put on the line (part by part, the bytes before it where it may not
    // have got that far).
    bool sameSwitch() {
        const JournalEntry* write = newestWriteInto(address_, INT64_MAX);
        const JournalEntry* read = nullptr;
        for (const JournalEntry& e : entries_)
            if (onThisBus(e) && e.isState() && e.address == address_ && (!write || e.id > write->id)) {
                read = &e;
                break;
            }
        std::vector<HeldDifference> differences;
        if (read) {
            differences = CompareHeld(*read->held, heldNow_, HeldMatch::EveryByte);
        } else if (write && write->held) {
            const JournalEntry* backup = backupOf(*write);
            const bool whole = write->outcome == journal_outcome::kOk;
            std::vector<HeldDifference> before;
            if (!whole && backup && backup->held) before = CompareHeld(*backup->held, heldNow_, HeldMatch::EveryByte);
            for (const HeldDifference& d : CompareHeld(*write->held, heldNow_, HeldMatch::AsSent)) {
                // A frame the write may not have reached holds what it held before.
                bool asBefore = !whole && backup && backup->held;
                for (const HeldDifference& b : before) asBefore = asBefore && WritePartOf(b) != WritePartOf(d);
                if (!asBefore) differences.push_back(d);
            }
        }
        if (differences.empty()) return true;
        refuse(where() + " does not hold what the journal last recorded of it (" +
               DescribeHeldDifference(differences.front(), "recorded") +
               (differences.size() > 1 ? ", and " + std::to_string(differences.size() - 1) + " more" : "") +
               "): it may be another switch with the same address, or it was changed since by other means; nothing "
               "sent (restore FILE sends a backup you name all the same)");
        return false;
    }

    const std::vector<JournalEntry>& entries_;
    std::string address_;
    BusIdentity bus_;
    const HeldConfiguration& heldNow_;
    RestoreRequest request_;
    RestoreChoice choice_;
};

}  // namespace

RestoreChoice ChooseRestore(const std::vector<JournalEntry>& entries, const std::string& addressNow,
                            const BusIdentity& bus, const HeldConfiguration& heldNow, const RestoreRequest& request) {
    return Chooser(entries, addressNow, bus, heldNow, request).choose();
}

}  // namespace kavro
