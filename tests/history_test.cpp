// The journal of writes on its own: a temporary data folder, the test
// clock, configurations told apart by their commands. What a restore
// chooses, what pruning keeps, how old logs are taken in, and every way the
// journal can fail to be written, which must end in one plain line.

#include <gtest/gtest.h>

#include <cstdlib>

#include <map>
#include <set>
#include <thread>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "configfile/config_records.h"
#include "history/journal.h"
#include "history/legacy_log.h"
#include "history/restore_choice.h"
#include "support/temp_folder.h"
#include "transfer/held_comparison.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

const BusIdentity kBusA{"/dev/ttyUSB0"}, kBusB{"/dev/ttyUSB1"};

// A configuration a switch may hold: variant v gives each channel's press
// command, the address is the switch's own.
struct Config {
    std::unique_ptr<ConfigScreen> screen = std::make_unique<ConfigScreen>();
    HeldConfiguration held;
};

Config Variant(int v, const std::string& address = "00ABCD") {
    Config c;
    c.screen->fillCommandLists();
    for (int ch = 0; ch < kChannels; ++ch) c.screen->commands[EventIndex(ch, 0)].select((v + ch) % 6 + 1);
    c.screen->switchAddress.setText(address);
    c.held = HeldFromScreen(*c.screen);
    return c;
}

// A journal in a folder of its own, on the test clock, and the events a
// tool records in it.
class JournalRig {
public:
    std::unique_ptr<Journal> Open(std::string* problem = nullptr) {
        std::string why;
        auto journal = Journal::open(dir.path(), "9.9.9", &why, [this] { return now; });
        if (problem) *problem = why;
        else EXPECT_TRUE(journal) << why;
        return journal;
    }

    ReadRecord Read(const Config& c, const char* event, const BusIdentity& bus) const {
        ReadRecord r;
        r.event = event;
        r.screen = c.screen.get();
        r.held = c.held;
        r.address = c.screen->switchAddress.text();
        r.firmware = "2.14";
        r.bus = bus;
        return r;
    }
    std::int64_t Get(const Config& c, const BusIdentity& bus = kBusA) {
        later();
        return journal->recordRead(Read(c, journal_event::kGet, bus)).id;
    }
    // A send from what the switch held to another configuration: backed up,
    // written, read back when it got that far. Returns the backup's id.
    std::int64_t Send(const Config& before, const Config& after, const BusIdentity& bus = kBusA,
                      const char* outcome = journal_outcome::kOk, std::int64_t batch = 0,
                      const char* event = journal_event::kSend) {
        later();
        WriteRecord w{event, before.screen->switchAddress.text(), after.screen->switchAddress.text(), after.held, bus,
                      batch};
        const ReadRecord backup = Read(before, event == journal_event::kSend ? journal_event::kBeforeSend
                                                                              : journal_event::kBeforeRestore, bus);
        const BegunWrite begun = journal->beginWrite(w, &backup);
        EXPECT_TRUE(begun.ok()) << begun.problem;
        if (std::string(outcome) == journal_outcome::kUnfinished) return begun.backup.id;
        EXPECT_EQ(journal->finishWrite(begun.writeId, outcome, outcome, 10), "");
        if (std::string(outcome) == journal_outcome::kOk)
            journal->recordReadBack(begun.writeId, Read(after, journal_event::kAfterSend, bus), true);
        return begun.backup.id;
    }
    void later(minutes step = 1min) { now += step; }
    // The ids of one kind of entry, oldest first.
    std::vector<std::int64_t> ids(const char* event) const {
        std::vector<std::int64_t> found;
        for (const JournalEntry& e : journal->entries({}))
            if (e.event == event) found.insert(found.begin(), e.id);
        return found;
    }

    test::TempFolder dir;
    SystemTime now = sys_days{2026y / 12 / 1} + 9h;
    std::unique_ptr<Journal> journal = Open();
};

class JournalTest : public ::testing::Test, public JournalRig {};

// Each event is recorded at once, newest first, with its file written whole before its entry: a write stays
// unfinished from the moment it is entered (before its first frame) until its outcome is added, and names the
// backup that undoes it.
TEST_F(JournalTest, RecordsEachEventInOrderWithItsFiles) {
    const Config held = Variant(0), sent = Variant(1);
    Get(held);
    later();
    const ReadRecord backup = Read(held, journal_event::kBeforeSend, kBusA);
    const BegunWrite begun = journal->beginWrite({journal_event::kSend, "00ABCD", "00ABCD", sent.held, kBusA}, &backup);
    ASSERT_TRUE(begun.ok()) << begun.problem;
    // Another program sees the write before any frame has gone out.
    std::string problem;
    const auto other = Journal::open(dir.path(), "9.9.9", &problem);
    ASSERT_TRUE(other) << problem;
    auto seen = other->entries({});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].event + " " + seen[0].outcome, "send unfinished");
    EXPECT_EQ(seen[1].writeId, seen[0].id);
    EXPECT_EQ(journal->finishWrite(begun.writeId, journal_outcome::kOk, "ok", 10), "");
    journal->recordReadBack(begun.writeId, Read(sent, journal_event::kAfterSend, kBusA), true);

    seen = other->entries({});
    std::string events;
    for (const JournalEntry& e : seen) events += e.event + " ";
    EXPECT_EQ(events, "after-send send before-send get ");
    EXPECT_TRUE(seen[1].verified.value_or(false) && seen[1].framesAcknowledged == 10 && seen[1].outcome == "ok");
    EXPECT_TRUE(seen[1].held && CompareHeld(*seen[1].held, sent.held, HeldMatch::EveryByte).empty());
    for (const JournalEntry& e : seen) {
        if (!e.isRead()) continue;
        // The file is the configuration read, byte for byte as an export writes it.
        const fs::path file = other->fileOf(e);
        ASSERT_TRUE(fs::is_regular_file(file)) << e.event;
        const ConfigScreen& screen = *(e.event == journal_event::kAfterSend ? sent : held).screen;
        const auto bytes = ConfigFileBytes(screen);
        EXPECT_EQ(test::ReadFile(file), std::string(bytes->begin(), bytes->end())) << e.event;
        EXPECT_EQ(file.parent_path().filename(), "00ABCD");
    }
    // Filters: one address, a site, a time, a number.
    Get(Variant(2, "000001"));
    EXPECT_EQ(other->entries({.address = "00abcd"}).size(), 4u);
    EXPECT_EQ(other->entries({.limit = 2}).size(), 2u);
    EXPECT_EQ(other->entries({.since = now}).size(), 1u);
    EXPECT_TRUE(other->entries({.site = "hall"}).empty());
}

// Which recorded state a restore puts back: the state before the newest write into the switch on this bus, and
// only there; a write whose program died counts as the newest; further back by steps or by time; never the backup
// of another switch, nor a guess among sites.
TEST_F(JournalTest, RestoreChoosesTheStateBeforeTheRightWrite) {
    struct Row {
        const char* name;
        // Records a history; returns the id of the read a restore must put back, or 0 for a refusal.
        std::function<std::int64_t(JournalRig&)> history;
        std::string addressNow;
        BusIdentity bus;
        int holds;  // the variant the switch holds now
        RestoreRequest request;
        std::string refusal = "";
        std::function<void(HeldConfiguration&)> alsoHolds = nullptr;  // parts of another variant
    };
    const Config v0 = Variant(0), v1 = Variant(1), v2 = Variant(2), v3 = Variant(3), moved = Variant(1, "00ABCE");
    const auto at = [](int minutes) { return sys_days{2026y / 12 / 1} + 9h + std::chrono::minutes(minutes); };
    const Row rows[]{
        {"the newest send", [&](JournalRig& t) { t.Send(v0, v1); return t.Send(v1, v2); }, "00ABCD", kBusA, 2, {}},
        {"a send whose program died after three frames is the newest",
         [&](JournalRig& t) { t.Send(v0, v1); return t.Send(v1, v2, kBusA, journal_outcome::kUnfinished); }, "00ABCD",
         kBusA, 1, {}, "", [&](HeldConfiguration& h) {  // its address and channels 1 and 2 went out
             h.channelBlocks[0] = v2.held.channelBlocks[0], h.channelBlocks[1] = v2.held.channelBlocks[1]; }},
        {"a switch that holds neither what a dead send wrote nor what it held before",
         [&](JournalRig& t) { t.Send(v0, v1); t.Send(v1, v2, kBusA, journal_outcome::kUnfinished);
             return std::int64_t{0}; }, "00ABCD", kBusA, 1, {}, "does not hold what the journal last recorded",
         [&](HeldConfiguration& h) { h.channelBlocks[4] = v3.held.channelBlocks[4]; }},
        {"two steps back", [&](JournalRig& t) { const auto first = t.Send(v0, v1); t.Send(v1, v2); return first; },
         "00ABCD", kBusA, 2, {.steps = 2}},
        {"more steps than writes", [&](JournalRig& t) { t.Send(v0, v1); return std::int64_t{0}; }, "00ABCD", kBusA, 1,
         {.steps = 2}, "holds 1 write into switch 00ABCD on /dev/ttyUSB0, not 2"},
        {"an address the send gave the switch is followed back",
         [&](JournalRig& t) { const auto first = t.Send(v0, v1); t.Send(v1, moved); return first; }, "00ABCE", kBusA,
         1, {.steps = 2}},
        {"the same address on another bus", [&](JournalRig& t) { t.Send(v0, v1, kBusB); return std::int64_t{0}; },
         "00ABCD", kBusA, 1, {}, "only on other buses or sites, not on /dev/ttyUSB0"},
        {"each bus its own switch",
         [&](JournalRig& t) { t.Send(v2, v3, kBusB); return t.Send(v0, v1, kBusA); }, "00ABCD", kBusA, 1, {}},
        {"the same adapter on another device", [&](JournalRig& t) {
             return t.Send(v0, v1, {"/dev/ttyUSB0", "FT1234"}); }, "00ABCD", {"/dev/ttyUSB3", "FT1234"}, 1, {}},
        {"two sites on one adapter", [&](JournalRig& t) {
             t.Send(v0, v1, {"/dev/ttyUSB0", "", "", "hall"}); t.Send(v0, v1, {"/dev/ttyUSB0", "", "", "annex"});
             return std::int64_t{0}; }, "00ABCD", kBusA, 1, {}, "for 2 sites and cannot tell which"},
        {"a site named", [&](JournalRig& t) {
             const auto hall = t.Send(v0, v1, {"/dev/ttyUSB0", "", "", "hall"});
             t.Send(v2, v1, {"/dev/ttyUSB0", "", "", "annex"}); return hall; },
         "00ABCD", {"/dev/ttyUSB0", "", "", "hall"}, 1, {.site = "hall"}},
        {"another switch with the same address", [&](JournalRig& t) { t.Send(v0, v1); return std::int64_t{0}; },
         "00ABCD", kBusA, 3, {}, "does not hold what the journal last recorded of it"},
        {"a restore is not undone unasked",
         [&](JournalRig& t) { t.Send(v0, v1); t.Send(v1, v0, kBusA, "ok", 0, journal_event::kRestore);
             return std::int64_t{0}; }, "00ABCD", kBusA, 0, {}, "was a restore, at"},
        {"a restore undone when asked", [&](JournalRig& t) {
             t.Send(v0, v1); return t.Send(v1, v0, kBusA, "ok", 0, journal_event::kRestore); },
         "00ABCD", kBusA, 0, {.steps = 1}},
        {"a switch read since the write", [&](JournalRig& t) {
             t.Send(v0, v1); t.Get(v2); const auto b = t.Send(v2, v3); t.Get(v3); return b; },
         "00ABCD", kBusA, 3, {}},
        {"the state at a time", [&](JournalRig& t) { t.Send(v0, v1); t.Send(v1, v2);  // at minutes 1 and 2
             return t.ids(journal_event::kAfterSend)[0]; }, "00ABCD", kBusA, 2, {.at = at(1) + 30s}},
        {"a write after the state at a time was never read back", [&](JournalRig& t) {
             t.Send(v0, v1, kBusA, journal_outcome::kFailed); return std::int64_t{0}; },
         "00ABCD", kBusA, 1, {.at = at(5)}, "was never read back"},
        {"nothing recorded before the time", [&](JournalRig& t) { t.Send(v0, v1); return std::int64_t{0}; },
         "00ABCD", kBusA, 1, {.at = at(0)}, "no whole read of switch 00ABCD"},
        {"no write at all", [&](JournalRig& t) { t.Get(v0); return std::int64_t{0}; }, "00ABCD", kBusA, 0, {},
         "holds no write into switch 00ABCD on /dev/ttyUSB0"},
    };
    for (const Row& row : rows) {
        JournalRig t;
        const std::int64_t expected = row.history(t);
        Config now = Variant(row.holds, row.addressNow);
        if (row.alsoHolds) row.alsoHolds(now.held);
        const RestoreChoice choice = ChooseRestore(t.journal->entries({}), row.addressNow, row.bus, now.held, row.request);
        if (row.refusal.empty()) {
            ASSERT_TRUE(choice.ok()) << row.name << ": " << choice.refusal;
            EXPECT_EQ(choice.state->id, expected) << row.name;
        } else {
            EXPECT_NE(choice.refusal.find(row.refusal), std::string::npos) << row.name << ": " << choice.refusal;
            EXPECT_FALSE(choice.state) << row.name;
        }
    }
}

// Pruning removes what is older than the days given, and only what no kept entry needs: a write goes with its
// backup and read-back, each switch keeps its newest backup and newest state however old, an unfinished write
// stays, and no file the journal did not write is touched. A dry run removes nothing.
TEST_F(JournalTest, PruneKeepsWhatAnEntryStillNeeds) {
    const Config v0 = Variant(0), v1 = Variant(1), v2 = Variant(2), other = Variant(3, "000001");
    Get(v0);                                            // day 0: old
    Send(v0, v1);                                       // day 0: old, but the newest backup of 00ABCD on bus A
    Get(other, kBusB);                                  // day 0: superseded by the next: old
    Get(other, kBusB);                                  // day 0: the newest state of 000001: kept
    Send(v1, v2, kBusB, journal_outcome::kUnfinished);  // day 0: unfinished on bus B: kept
    now += hours(24) * 40;
    Get(v2);                                            // day 40: young
    const auto files = [&] {
        std::set<std::string> names;
        for (const auto& f : fs::recursive_directory_iterator(journal->folder()))
            if (f.path().extension() == ".set") names.insert(f.path().filename().string());
        return names;
    };
    test::WriteFile(journal->folder() / "00ABCD" / "mine.set", "a file of the user's");
    const auto before = files();
    const std::size_t entries = journal->entries({}).size();

    const Pruned dry = journal->prune(30, true);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(journal->entries({}).size(), entries);
    const Pruned pruned = journal->prune(30, false);
    ASSERT_EQ(pruned.problem, "");
    EXPECT_EQ(pruned.entries.size(), dry.entries.size());
    std::string removed;
    for (const JournalEntry& e : pruned.entries) removed += e.event + " " + e.address + ", ";
    EXPECT_EQ(removed, "get 00ABCD, get 000001, ");  // oldest first: the first get of each
    EXPECT_EQ(pruned.files.size(), 2u);
    EXPECT_EQ(before.size() - files().size(), 2u);
    EXPECT_TRUE(fs::exists(journal->folder() / "00ABCD" / "mine.set"));
    for (const JournalEntry& e : journal->entries({}))
        EXPECT_TRUE(e.file.empty() || fs::exists(journal->fileOf(e))) << e.event << " names a removed file";
    // What restore needs is all there: the send into 00ABCD on bus A is still undone by its backup.
    const RestoreChoice choice = ChooseRestore(journal->entries({}), "00ABCD", kBusA, v2.held, {});
    EXPECT_TRUE(choice.ok() && choice.state->held && CompareHeld(*choice.state->held, v0.held, HeldMatch::EveryByte).empty())
        << choice.refusal;
}

// The logs of an earlier version are taken in once, in time order, each send linked to its backup, and stay where
// they were; entries that name files outside the history are never followed.
TEST_F(JournalTest, OldLogsAreTakenInOnce) {
    test::TempFolder fresh;
    const fs::path history = fresh.path() / "history";
    fs::create_directories(history / "00ABCD"), fs::create_directories(history / "00ABCE");
    const auto write = [&](const fs::path& file, const ConfigScreen& screen) { WriteConfigFile(file, screen); };
    const Config v0 = Variant(0), v1 = Variant(1, "00ABCE");
    write(history / "00ABCD/20261201T090000Z-get.set", *v0.screen);
    write(history / "00ABCD/20261201T090100Z-before-send.set", *v0.screen);
    write(history / "00ABCE/20261201T090101Z-after-send.set", *v1.screen);
    const std::string abcd =
        "time,event,file,result,version,port,address before,address written\n"
        "2026-12-01T09:00:00Z,get,20261201T090000Z-get.set,ok,3.1.0,/dev/ttyUSB0,,\n"
        "2026-12-01T09:01:00Z,before-send,20261201T090100Z-before-send.set,ok,3.1.0,/dev/ttyUSB0,,\n"
        "2026-12-01T09:01:00Z,send,20261201T090100Z-before-send.set,ok,3.1.0,/dev/ttyUSB0,00ABCD,00ABCE\n"
        "2026-12-01T09:02:00Z,get,../../../outside.set,ok,3.1.0,/dev/ttyUSB0,,\n"
        "not a line\n";
    test::WriteFile(history / "00ABCD/log.csv", abcd);
    test::WriteFile(history / "00ABCE/log.csv", "2026-12-01T09:01:01Z,after-send,20261201T090101Z-after-send.set,ok,3.1.0,"
                                                "/dev/ttyUSB0,,\n");
    for (int open = 0; open < 2; ++open) {
        std::string problem;
        const auto taken = Journal::open(fresh.path(), "9.9.9", &problem);
        ASSERT_TRUE(taken) << problem;
        const std::vector<JournalEntry> entries = taken->entries({});
        std::string events;
        for (const JournalEntry& e : entries) events += e.event + " ";
        EXPECT_EQ(events, "get after-send send before-send get ") << "open " << open;
        EXPECT_EQ(entries[2].addressWritten, "00ABCE");
        EXPECT_EQ(entries[3].writeId, entries[2].id);
        EXPECT_EQ(entries[1].writeId, entries[2].id);
        EXPECT_EQ(taken->fileOf(entries[0]), fs::path()) << "a name leading out of the history is no file of its own";
        EXPECT_EQ(taken->fileOf(entries[3]), history / "00ABCD/20261201T090100Z-before-send.set");
    }
    EXPECT_EQ(test::ReadFile(history / "00ABCD/log.csv"), abcd);
}

// Whatever stands where the journal should be, opening it ends at once in one plain line, and nothing is made of
// it: a folder, a pipe (which would wait for a writer for ever), a damaged file, one of a newer version, a
// history folder that is a file.
TEST_F(JournalTest, WhatCannotBeAJournalIsRefusedInOneLine) {
    struct Row {
        const char* name;
        std::function<void(const fs::path& history)> spoil;
        const char* says;
    };
    const Row rows[]{
        {"a folder", [](const fs::path& h) { fs::create_directories(h / "journal.db"); }, "is a folder, not a journal"},
#ifndef _WIN32
        {"a pipe", [](const fs::path& h) { fs::create_directories(h), mkfifo((h / "journal.db").c_str(), 0600); },
         "is a pipe, not a journal"},
        {"a pipe beside it", [](const fs::path& h) { fs::create_directories(h), mkfifo((h / "journal.db-wal").c_str(), 0600); },
         "is a pipe, not a journal"},
#endif
        {"a damaged file", [](const fs::path& h) {
             fs::create_directories(h), test::WriteFile(h / "journal.db", "SQLite format 3" + std::string(4000, '\x7f')); },
         "is damaged"},
        {"a file of another kind", [](const fs::path& h) {
             fs::create_directories(h), test::WriteFile(h / "journal.db", std::string(5000, 'x')); }, "is damaged"},
        {"a newer version's", [](const fs::path& h) {
             std::string problem;
             auto j = Journal::open(h.parent_path(), "9.9.9", &problem);
             Database db;
             db.open(h / "journal.db", 100), db.exec("PRAGMA user_version = 7"); }, "a newer version of this tool made it"},
        {"a history folder that is a file", [](const fs::path& h) { test::WriteFile(h, ""); }, "is not a folder"},
    };
    for (const Row& row : rows) {
        test::TempFolder data;
        row.spoil(data.path() / "history");
        std::string problem;
        EXPECT_FALSE(Journal::open(data.path(), "9.9.9", &problem)) << row.name;
        EXPECT_NE(problem.find(row.says), std::string::npos) << row.name << ": " << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << row.name;
    }
}

// Times a user types for --at and --since, and the journal's own: what each stands for in UTC, or a refusal.
TEST(HistoryTime, ATimeTypedStandsForOneInstantOrNone) {
    const struct {
        const char *typed, *utc;  // nullptr: refused
    } rows[]{
        {"2026-12-06T13:30:00Z", "2026-12-06T13:30:00Z"},
        {"2026-12-06 13:30Z", "2026-12-06T13:30:00Z"},
        {"2026-12-06Z", "2026-12-06T23:59:59Z"},  // a day alone: its evening
        {"2026-02-29Z", nullptr},
        {"2026-12-06T24:00Z", nullptr},
        {"0406-12-01T09:00:00Z", nullptr},  // beyond the clock's years
        {"2026-12-06T13:30:00Zjunk", nullptr},
        {"06.12.2026", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        const auto time = ParseUserTime(row.typed);
        EXPECT_EQ(time ? HistoryTimeText(*time) : "refused", row.utc ? row.utc : "refused") << row.typed;
    }
    EXPECT_EQ(ParseHistoryTime("2026-12-06T13:30:00Z"), ParseUserTime("2026-12-06T13:30:00Z"));
    EXPECT_FALSE(ParseHistoryTime("2026-12-06 13:30:00Z"));
    EXPECT_EQ(FileStamp("2026-12-06T13:30:00Z"), "20261206T133000Z");
#ifndef _WIN32
    // Shown in the computer's time, with its offset, as history and the History window show it.
    const char* zone = std::getenv("TZ");
    const std::string kept = zone ? zone : "";
    setenv("TZ", "EST5", 1), tzset();
    EXPECT_EQ(LocalTimeText("2026-12-06T13:30:05Z"), "2026-12-06 08:30:05 UTC-05:00");
    EXPECT_EQ(LocalTimeText("not a time"), "not a time");
    zone ? setenv("TZ", kept.c_str(), 1) : unsetenv("TZ");
    tzset();
#endif
}

#ifndef _WIN32
// A disk with room for some of an event but not all of it: each write is entered whole (its backup file and its
// entries) or not at all, at every amount of room; an entry never names a missing file. Needs a small file system
// of its own, which only root may mount.
TEST_F(JournalTest, AFullDiskRecordsAWholeWriteOrNone) {
    test::TempFolder mount;
    if (::mount("kavro", mount.path().c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no small file system to fill (mounting needs root)";
    const Config v0 = Variant(0), v1 = Variant(1);
    int recorded = 0, refused = 0;
    for (int room = 0; room <= 160; room += 8) {
        fs::remove_all(mount.path() / "data");
        std::string problem;
        auto j = Journal::open(mount.path() / "data", "9.9.9", &problem);
        ASSERT_TRUE(j) << problem;
        j->recordRead(Read(v0, journal_event::kGet, kBusA));
        // Everything but `room` KiB is taken.
        const fs::path filler = mount.path() / "filler";
        {
            std::FILE* f = std::fopen(filler.c_str(), "wb");
            std::string block(1024, 'x');
            while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
            }
            std::fclose(f);
            const std::uintmax_t size = fs::file_size(filler), freed = static_cast<std::uintmax_t>(room) * 1024;
            fs::resize_file(filler, size > freed ? size - freed : 0);
        }
        const ReadRecord backup = Read(v0, journal_event::kBeforeSend, kBusA);
        const BegunWrite begun = j->beginWrite({journal_event::kSend, "00ABCD", "00ABCD", v1.held, kBusA}, &backup);
        fs::remove(filler);
        auto again = Journal::open(mount.path() / "data", "9.9.9", &problem);
        ASSERT_TRUE(again) << problem;
        const auto entries = again->entries({});
        if (begun.ok()) {
            ++recorded;
            ASSERT_EQ(entries.size(), 3u) << room;
            EXPECT_TRUE(entries[0].outcome == journal_outcome::kUnfinished && entries[1].writeId == entries[0].id) << room;
        } else {
            ++refused;
            EXPECT_EQ(entries.size(), 1u) << room << ": " << begun.problem;
            EXPECT_EQ(begun.problem.find('\n'), std::string::npos);
        }
        for (const JournalEntry& e : entries)
            EXPECT_TRUE(e.file.empty() || fs::exists(again->fileOf(e))) << room;
        std::size_t sets = 0;
        for (const auto& f : fs::recursive_directory_iterator(again->folder()))
            sets += f.path().extension() == ".set";
        EXPECT_EQ(sets, begun.ok() ? 2u : 1u) << room << ": a backup without its entry";
    }
    ::umount(mount.path().c_str());
    EXPECT_GT(recorded, 0);
    EXPECT_GT(refused, 0);
}

// Twenty programs recording at the same instant, each with a connection of its own: every entry is there.
TEST_F(JournalTest, TwentyProgramsAtOnceLoseNoEntry) {
    const Config v0 = Variant(0);
    std::vector<pid_t> children;
    for (int i = 0; i < 20; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            std::string problem;
            auto j = Journal::open(dir.path(), "9.9.9", &problem);
            _exit(j && j->recordRead(Read(v0, journal_event::kGet, {"/dev/pts/" + std::to_string(i)})).ok() ? 0 : 1);
        }
        children.push_back(pid);
    }
    int failed = 0;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(journal->entries({.address = "00ABCD"}).size(), 20u);
}

#endif  // a small file system and several processes: POSIX only

}  // namespace
}  // namespace kavro
