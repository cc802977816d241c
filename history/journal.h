#pragma once
// The journal of every read and write, kept in the data folder:
//   history/journal.db                      the entries (SQLite, WAL)
//   history/<switch address>/<time>-<event>.set   each whole read, kept as
//                                           an ordinary configuration file
// A write is entered, with the read that backs it up, before its first
// frame; its outcome after its last. Each event is one transaction, so two
// programs may record at once, and a full disk, a crash or a power cut
// loses at most the event under way, never one already recorded. A file
// is written whole before the entry that names it, and removed again
// when the entry cannot be made: no entry names a missing file, no
// backup is kept without its entry.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/config_screen.h"
#include "history/database.h"
#include "history/history_time.h"
#include "history/journal_entry.h"

namespace kavro {

// A read to record: the screen it filled, and what the replies carried.
struct ReadRecord {
    const char* event = journal_event::kGet;
    const ConfigScreen* screen = nullptr;  // a complete read: kept as a ".set" file
    std::optional<HeldConfiguration> held; // a complete read: the switch's own bytes
    std::string address;                   // the switch address it answered
    std::string firmware;
    std::string result = "ok";  // what went wrong, for a read that is not complete
    BusIdentity bus;
    bool complete() const { return screen && held; }
};

// A write to enter before its first frame.
struct WriteRecord {
    const char* event = journal_event::kSend;
    std::string address;         // the address the switch answered before
    std::string addressWritten;  // the address the write gives it
    HeldConfiguration written;   // the bytes the ten frames carry
    BusIdentity bus;
    std::int64_t batchId = 0;    // a site send's entry
};

struct Recorded {
    std::int64_t id = 0;
    std::filesystem::path file;  // the ".set" file kept, if any
    std::string problem;         // empty when recorded
    bool ok() const { return problem.empty(); }
};

struct BegunWrite {
    std::int64_t writeId = 0;
    Recorded backup;
    std::string problem;  // empty when the write may go ahead
    bool ok() const { return problem.empty(); }
};

struct EntryFilter {
    std::string address;  // entries of this switch address (before or written); empty: all
    std::string site;     // empty: every site
    std::optional<SystemTime> since;
    int limit = 0;        // 0: no limit
};

// What pruning removed, or would remove.
struct Pruned {
    std::vector<JournalEntry> entries;
    std::vector<std::filesystem::path> files;
    std::string problem;
};

class Journal {
public:
    using Clock = std::function<SystemTime()>;
    static constexpr const char* kFolderName = "history";
    static constexpr const char* kDatabaseName = "journal.db";
    static constexpr const char* kLegacyLogName = "log.csv";
    // How long a lock another program holds is waited for, and how long
    // opening may take before the folder counts as not answering (a
    // network share that stalled).
    static constexpr int kBusyTimeoutMs = 3000;
    static constexpr std::chrono::milliseconds kOpenTimeout{5000};

    // Opens the journal in <data folder>/history, making what is missing;
    // an earlier version's log.csv files are taken in once and left where
    // they are. Nothing, and why in words, when it cannot be written.
    static std::unique_ptr<Journal> open(const std::filesystem::path& dataFolder, std::string toolVersion,
                                         std::string* problem, Clock clock = DefaultClock(),
                                         std::chrono::milliseconds timeout = kOpenTimeout);
    static Clock DefaultClock();

    const std::filesystem::path& folder() const { return folder_; }
    // Whether the database file is no longer the one opened (the history
    // folder moved, removed or replaced while a window kept it open):
    // entries would go to a file nobody finds.
    bool replaced() const;
    std::filesystem::path databaseFile() const { return folder_ / kDatabaseName; }
    // The full path of a file an entry names.
    std::filesystem::path fileOf(const JournalEntry& entry) const;

    // A read on its own (a get).
    Recorded recordRead(const ReadRecord& read);
    // A write, entered with the read that backs it up (none for a write
    // without a backup), before its first frame. It shows as unfinished
    // until finishWrite().
    BegunWrite beginWrite(const WriteRecord& write, const ReadRecord* backup);
    std::string finishWrite(std::int64_t writeId, const std::string& outcome, const std::string& result,
                            int framesAcknowledged);
    // The read-back after a write, and whether the switch holds it.
    Recorded recordReadBack(std::int64_t writeId, const ReadRecord& read, bool holds);
    // The start of a site send, which its writes name.
    Recorded beginSiteSend(const std::string& site, const BusIdentity& bus);

    // Entries, newest first; what went wrong reading them in problem.
    std::vector<JournalEntry> entries(const EntryFilter& filter, std::string* problem = nullptr) const;
    std::optional<JournalEntry> entry(std::int64_t id) const;
    // The configuration an entry keeps: a read's own; a write's, the
    // backup taken before it (what undoes it). Nothing for an entry that
    // keeps none.
    std::optional<JournalEntry> stateFor(const JournalEntry& entry) const;
    // The entry that names this file as its own, if any.
    std::optional<JournalEntry> entryNaming(const std::filesystem::path& file) const;

    // Removes the entries older than the days given, and the files only
    // they named. Kept whatever their age: a write with its backup and
    // read-back as one, each switch's newest backup and newest state, every
    // unfinished write. Files the journal did not write are never touched.
    Pruned prune(int days, bool dryRun);

    Journal(Database db, std::filesystem::path folder, std::string version, Clock clock);
    // The first open of a new journal takes in the old logs; every open
    // writes, so that a journal that cannot be written is found at once.
    std::string settle();

private:
    Recorded insertRead(const ReadRecord& read, std::int64_t writeId, const std::filesystem::path& file);
    std::filesystem::path keepFile(const ReadRecord& read, std::string* problem) const;
    std::int64_t insert(const JournalEntry& entry, std::string* problem);
    std::string now() const;

    mutable Database db_;
    std::filesystem::path folder_;
    std::string version_;
    Clock clock_;
    std::string identity_;  // the opened file's device and inode
};

}  // namespace kavro
