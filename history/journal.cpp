#include "history/journal.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "buslink/field_parsers.h"
#include "configfile/config_records.h"
#include "history/legacy_log.h"
#include "platform/utf8_path.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time TEXT NOT NULL,
  event TEXT NOT NULL,
  address TEXT NOT NULL DEFAULT '',
  address_written TEXT NOT NULL DEFAULT '',
  device TEXT NOT NULL DEFAULT '',
  adapter_serial TEXT NOT NULL DEFAULT '',
  adapter_path TEXT NOT NULL DEFAULT '',
  site TEXT NOT NULL DEFAULT '',
  file TEXT NOT NULL DEFAULT '',
  firmware TEXT NOT NULL DEFAULT '',
  held BLOB,
  outcome TEXT NOT NULL DEFAULT 'ok',
  result TEXT NOT NULL DEFAULT '',
  frames_acknowledged INTEGER NOT NULL DEFAULT -1,
  verified INTEGER,
  write_id INTEGER NOT NULL DEFAULT 0,
  batch_id INTEGER NOT NULL DEFAULT 0,
  version TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS entries_address ON entries(address);
CREATE INDEX IF NOT EXISTS entries_address_written ON entries(address_written);
CREATE INDEX IF NOT EXISTS entries_write ON entries(write_id);
CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);
)";

constexpr const char* kColumns =
    "id, time, event, address, address_written, device, adapter_serial, adapter_path, site, file, firmware, held, "
    "outcome, result, frames_acknowledged, verified, write_id, batch_id, version";

JournalEntry FromRow(const Statement& row) {
    JournalEntry e;
    e.id = row.integer(0);
    e.time = row.text(1);
    e.event = row.text(2);
    e.address = row.text(3);
    e.addressWritten = row.text(4);
    e.bus = {row.text(5), row.text(6), row.text(7), row.text(8)};
    e.file = row.text(9);
    e.firmware = row.text(10);
    if (!row.isNull(11)) e.held = HeldFromBytes(row.blob(11));
    e.outcome = row.text(12);
    e.result = row.text(13);
    e.framesAcknowledged = static_cast<int>(row.integer(14));
    if (!row.isNull(15)) e.verified = row.integer(15) != 0;
    e.writeId = row.integer(16);
    e.batchId = row.integer(17);
    e.version = row.text(18);
    return e;
}

std::string Shown(const fs::path& path) { return Utf8FromPath(path); }

// Which file a path names now: its device and inode. Windows does not let
// an open file be removed or replaced, so there it needs no identity.
std::string FileIdentity(const fs::path& file) {
#ifndef _WIN32
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return "gone";
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
#else
    (void)file;
    return {};
#endif
}

// Only a regular file (or nothing yet) may be opened as the journal: a
// folder fails, and a pipe would wait for a writer for ever.
std::string NotAFile(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(file, error);
    if (error || status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular) return {};
    const char* what = status.type() == fs::file_type::directory ? "a folder"
                       : status.type() == fs::file_type::fifo    ? "a pipe"
                       : status.type() == fs::file_type::symlink ? "a link"
                                                                  : "not a regular file";
    return "the journal " + Shown(file) + " is " + what + ", not a journal database";
}

std::string JournalProblem(const fs::path& file, const std::string& problem) {
    return "the journal " + Shown(file) + " cannot be used: " + problem;
}

// Opens and checks the database, making the schema and taking in old
// logs the first time; a write is made, so that a full disk or a
// read-only medium is found now, before anything goes on the line.
std::unique_ptr<Journal> OpenNow(const fs::path& folder, const std::string& version, const Journal::Clock& clock,
                                 std::string* problem) {
    std::error_code error;
    const std::string shown = "the history folder " + Shown(folder);
    if (fs::exists(folder, error) && !fs::is_directory(folder, error)) return *problem = shown + " is not a folder", nullptr;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error))
        return *problem = shown + " cannot be made" + (error ? ": " + error.message() : ""), nullptr;
    const fs::path file = folder / Journal::kDatabaseName;
    for (const char* suffix : {"", "-wal", "-shm"})
        if (std::string odd = NotAFile(fs::path(file).concat(suffix)); !odd.empty()) return *problem = odd, nullptr;

    Database db;
    if (std::string why = db.open(file, Journal::kBusyTimeoutMs); !why.empty())
        return *problem = JournalProblem(file, why), nullptr;
    // Each statement here runs to its end before the next: one left open
    // would hold a lock on the file.
    std::string mode;
    {
        Statement statement = db.prepare("PRAGMA journal_mode=WAL");
        if (statement.step()) mode = statement.text(0);
        statement.run();
        if (mode != "wal")
            return *problem = JournalProblem(file, statement.problem().empty() ? "it cannot keep a write-ahead log"
                                                                                : statement.problem()),
                   nullptr;
    }
    // A write that was reported recorded must survive a power cut.
    if (std::string why = db.exec("PRAGMA synchronous=FULL"); !why.empty())
        return *problem = JournalProblem(file, why), nullptr;
    {
        Statement statement = db.prepare("PRAGMA user_version");
        const std::int64_t version = statement.step() ? statement.integer(0) : 0;
        if (std::string why = statement.run(); !why.empty()) return *problem = JournalProblem(file, why), nullptr;
        if (version > kSchemaVersion)
            return *problem = JournalProblem(file, "a newer version of this tool made it; use that version"), nullptr;
    }
    {
        Transaction transaction(db);
        std::string why = transaction.problem();
        if (why.empty()) why = db.exec(kSchema);
        if (why.empty()) why = db.exec("PRAGMA user_version = 1");
        if (why.empty()) why = transaction.commit();
        if (!why.empty()) return *problem = JournalProblem(file, why), nullptr;
    }
    auto journal = std::make_unique<Journal>(std::move(db), folder, version, clock);
    if (std::string why = journal->settle(); !why.empty()) return *problem = JournalProblem(file, why), nullptr;
    return journal;
}

// A name inside the history folder, as an entry keeps it: never one that
// leads out of it (an entry taken in from an old log edited by hand).
std::optional<fs::path> OwnFile(const fs::path& folder, const std::string& name) {
    const fs::path relative = PathFromUtf8(name);
    if (name.empty() || relative.is_absolute() || relative.has_root_name()) return std::nullopt;
    for (const fs::path& part : relative)
        if (part == ".." || part == ".") return std::nullopt;
    return folder / relative;
}

}  // namespace

Journal::Clock Journal::DefaultClock() {
    return [] { return std::chrono::system_clock::now(); };
}

Journal::Journal(Database db, fs::path folder, std::string version, Clock clock)
    : db_(std::move(db)), folder_(std::move(folder)), version_(std::move(version)), clock_(std::move(clock)),
      identity_(FileIdentity(folder_ / kDatabaseName)) {}

bool Journal::replaced() const { return FileIdentity(databaseFile()) != identity_; }

// The open runs on a thread of its own so that a folder that never answers
// (a network share that stalled) ends with a message, not a hang.
std::unique_ptr<Journal> Journal::open(const fs::path& dataFolder, std::string toolVersion, std::string* problem,
                                       Clock clock, std::chrono::milliseconds timeout) {
    struct Result {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::unique_ptr<Journal> journal;
        std::string problem;
    };
    auto result = std::make_shared<Result>();
    const fs::path folder = dataFolder / kFolderName;
    std::thread([result, folder, toolVersion, clock] {
        std::string why;
        std::unique_ptr<Journal> journal;
        // Nothing a damaged file or a full memory does may end the program.
        try {
            journal = OpenNow(folder, toolVersion, clock, &why);
        } catch (const std::exception& e) {
            why = "the journal in " + Shown(folder) + " cannot be opened: " + e.what();
        }
        const std::lock_guard<std::mutex> lock(result->mutex);
        result->journal = std::move(journal);
        result->problem = why;
        result->finished = true;
        result->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(result->mutex);
    if (!result->done.wait_for(lock, timeout, [&] { return result->finished; })) {
        *problem = "the history folder " + Shown(folder) + " did not answer within " +
                   std::to_string(timeout.count() / 1000) + " s (a network folder that stopped responding?)";
        return nullptr;
    }
    *problem = result->problem;
    return std::move(result->journal);
}

std::string Journal::now() const { return HistoryTimeText(clock_()); }

fs::path Journal::fileOf(const JournalEntry& entry) const {
    const auto file = OwnFile(folder_, entry.file);
    return file ? *file : fs::path();
}

std::int64_t Journal::insert(const JournalEntry& e, std::string* problem) {
    Statement statement = db_.prepare(
        "INSERT INTO entries(time, event, address, address_written, device, adapter_serial, adapter_path, site, file, "
        "firmware, held, outcome, result, frames_acknowledged, verified, write_id, batch_id, version) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18)");
    statement.bind(1, e.time).bind(2, e.event).bind(3, e.address).bind(4, e.addressWritten);
    statement.bind(5, e.bus.device).bind(6, e.bus.adapterSerial).bind(7, e.bus.adapterPath).bind(8, e.bus.site);
    statement.bind(9, e.file).bind(10, e.firmware);
    if (e.held) statement.bindBlob(11, HeldBytes(*e.held));
    else statement.bindNull(11);
    statement.bind(12, e.outcome).bind(13, e.result).bind(14, std::int64_t{e.framesAcknowledged});
    if (e.verified) statement.bind(15, std::int64_t{*e.verified});
    else statement.bindNull(15);
    statement.bind(16, e.writeId).bind(17, e.batchId).bind(18, e.version);
    *problem = statement.run();
    return problem->empty() ? db_.lastInsertId() : 0;
}

// The read's ".set" file in its switch's folder, named by the time and the
// event; a second one of the same second gets ".2" after the time.
fs::path Journal::keepFile(const ReadRecord& read, std::string* problem) const {
    const std::string address = AddressShown(read.address);
    if (!IsBusAddressText(address)) {
        *problem = "the switch address read, " + address + ", names no switch";
        return {};
    }
    const fs::path folder = folder_ / address;
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
        *problem = "the folder " + Shown(folder) + " cannot be made";
        return {};
    }
    const std::string stamp = FileStamp(now());
    for (int n = 1; n < 1000; ++n) {
        const fs::path file = folder / ((n == 1 ? stamp : stamp + "." + std::to_string(n)) + "-" + read.event + ".set");
        const WriteResult written = WriteConfigFile(file, *read.screen);
        if (written.outcome == WriteOutcome::Exists) continue;
        if (written.outcome != WriteOutcome::Written) {
            *problem = Shown(file) + " cannot be written: " + written.detail;
            return {};
        }
        return file;
    }
    *problem = "too many reads in one second in " + Shown(folder);
    return {};
}

Recorded Journal::insertRead(const ReadRecord& read, std::int64_t writeId, const fs::path& file) {
    JournalEntry e;
    e.time = now();
    e.event = read.event;
    e.address = AddressShown(read.address);
    e.bus = read.bus;
    e.file = file.empty() ? "" : Utf8FromPath(file.lexically_relative(folder_).generic_u8string());
    e.firmware = read.firmware;
    if (read.complete()) e.held = read.held;
    e.outcome = read.complete() ? journal_outcome::kOk : journal_outcome::kFailed;
    e.result = read.complete() ? "ok" : read.result;
    e.writeId = writeId;
    e.version = version_;
    Recorded recorded;
    recorded.file = file;
    recorded.id = insert(e, &recorded.problem);
    return recorded;
}

Recorded Journal::recordRead(const ReadRecord& read) {
    Recorded recorded;
    const fs::path file = read.complete() ? keepFile(read, &recorded.problem) : fs::path();
    if (!recorded.ok()) return recorded;
    Transaction transaction(db_);
    recorded = transaction.problem().empty() ? insertRead(read, 0, file) : Recorded{0, file, transaction.problem()};
    if (recorded.ok()) recorded.problem = transaction.commit();
    // A file without its entry would be a backup nobody finds.
    std::error_code error;
    if (!recorded.ok() && !file.empty()) fs::remove(file, error), recorded.file.clear();
    if (!recorded.ok()) recorded.problem = JournalProblem(databaseFile(), recorded.problem);
    return recorded;
}

BegunWrite Journal::beginWrite(const WriteRecord& write, const ReadRecord* backup) {
    BegunWrite begun;
    const fs::path file = backup ? keepFile(*backup, &begun.problem) : fs::path();
    if (!begun.ok()) return begun;
    {
        Transaction transaction(db_);
        std::string problem = transaction.problem();
        if (problem.empty() && backup) {
            begun.backup = insertRead(*backup, 0, file);
            problem = begun.backup.problem;
        }
        if (problem.empty()) {
            JournalEntry e;
            e.time = now();
            e.event = write.event;
            e.address = AddressShown(write.address);
            e.addressWritten = AddressShown(write.addressWritten);
            e.bus = write.bus;
            e.held = write.written;
            e.outcome = journal_outcome::kUnfinished;
            e.result = "unfinished: the program ended during the write";
            e.batchId = write.batchId;
            e.version = version_;
            begun.writeId = insert(e, &problem);
        }
        if (problem.empty() && backup)
            problem = db_.prepare("UPDATE entries SET write_id = ?1 WHERE id = ?2")
                          .bind(1, begun.writeId)
                          .bind(2, begun.backup.id)
                          .run();
        if (problem.empty()) problem = transaction.commit();
        begun.problem = problem;
    }
    if (begun.ok()) return begun;
    std::error_code error;
    if (!file.empty()) fs::remove(file, error);
    begun.problem = JournalProblem(databaseFile(), begun.problem);
    begun.backup = {};
    begun.writeId = 0;
    return begun;
}

std::string Journal::finishWrite(std::int64_t writeId, const std::string& outcome, const std::string& result,
                                 int framesAcknowledged) {
    Transaction transaction(db_);
    std::string problem = transaction.problem();
    if (problem.empty())
        problem = db_.prepare("UPDATE entries SET outcome = ?1, result = ?2, frames_acknowledged = ?3 WHERE id = ?4")
                      .bind(1, outcome)
                      .bind(2, result)
                      .bind(3, std::int64_t{framesAcknowledged})
                      .bind(4, writeId)
                      .run();
    if (problem.empty()) problem = transaction.commit();
    return problem.empty() ? problem : JournalProblem(databaseFile(), problem);
}

Recorded Journal::recordReadBack(std::int64_t writeId, const ReadRecord& read, bool holds) {
    Recorded recorded;
    const fs::path file = read.complete() ? keepFile(read, &recorded.problem) : fs::path();
    if (!recorded.ok()) return recorded;
    {
        Transaction transaction(db_);
        recorded = transaction.problem().empty() ? insertRead(read, writeId, file) : Recorded{0, file, transaction.problem()};
        if (recorded.ok())
            recorded.problem =
                db_.prepare("UPDATE entries SET verified = ?1 WHERE id = ?2").bind(1, std::int64_t{holds}).bind(2, writeId).run();
        if (recorded.ok()) recorded.problem = transaction.commit();
    }
    std::error_code error;
    if (!recorded.ok() && !file.empty()) fs::remove(file, error), recorded.file.clear();
    if (!recorded.ok()) recorded.problem = JournalProblem(databaseFile(), recorded.problem);
    return recorded;
}

Recorded Journal::beginSiteSend(const std::string& site, const BusIdentity& bus) {
    JournalEntry e;
    e.time = now();
    e.event = journal_event::kSiteSend;
    e.bus = bus;
    e.bus.site = site;
    e.version = version_;
    Recorded recorded;
    Transaction transaction(db_);
    recorded.problem = transaction.problem();
    if (recorded.ok()) recorded.id = insert(e, &recorded.problem);
    if (recorded.ok()) recorded.problem = transaction.commit();
    if (!recorded.ok()) recorded.problem = JournalProblem(databaseFile(), recorded.problem);
    return recorded;
}

std::vector<JournalEntry> Journal::entries(const EntryFilter& filter, std::string* problem) const {
    std::string sql = std::string("SELECT ") + kColumns + " FROM entries WHERE 1";
    if (!filter.address.empty()) sql += " AND (address = ?1 OR address_written = ?1)";
    if (!filter.site.empty()) sql += " AND site = ?2";
    if (filter.since) sql += " AND time >= ?3";
    sql += " ORDER BY id DESC";
    if (filter.limit > 0) sql += " LIMIT ?4";
    Statement rows = db_.prepare(sql);
    if (!filter.address.empty()) rows.bind(1, AddressShown(filter.address));
    if (!filter.site.empty()) rows.bind(2, filter.site);
    if (filter.since) rows.bind(3, HistoryTimeText(*filter.since));
    if (filter.limit > 0) rows.bind(4, std::int64_t{filter.limit});
    std::vector<JournalEntry> found;
    while (rows.step()) found.push_back(FromRow(rows));
    if (problem) *problem = rows.problem().empty() ? "" : JournalProblem(databaseFile(), rows.problem());
    return found;
}

std::optional<JournalEntry> Journal::entry(std::int64_t id) const {
    Statement row = db_.prepare(std::string("SELECT ") + kColumns + " FROM entries WHERE id = ?1");
    row.bind(1, id);
    if (!row.step()) return std::nullopt;
    return FromRow(row);
}

std::optional<JournalEntry> Journal::stateFor(const JournalEntry& entry) const {
    if (entry.isRead()) return entry.held || !entry.file.empty() ? std::optional<JournalEntry>(entry) : std::nullopt;
    if (!entry.isWrite()) return std::nullopt;
    Statement row = db_.prepare(std::string("SELECT ") + kColumns +
                                " FROM entries WHERE write_id = ?1 AND event IN ('before-send', 'before-restore') "
                                "ORDER BY id DESC LIMIT 1");
    row.bind(1, entry.id);
    if (!row.step()) return std::nullopt;
    return stateFor(FromRow(row));
}

std::optional<JournalEntry> Journal::entryNaming(const fs::path& file) const {
    std::error_code error;
    const fs::path wanted = fs::weakly_canonical(file, error);
    const fs::path root = fs::weakly_canonical(folder_, error);
    const fs::path relative = wanted.lexically_relative(root);
    if (error || relative.empty() || *relative.begin() == "..") return std::nullopt;
    Statement row = db_.prepare(std::string("SELECT ") + kColumns +
                                                       " FROM entries WHERE file = ?1 ORDER BY id DESC LIMIT 1");
    row.bind(1, Utf8FromPath(relative.generic_u8string()));
    if (!row.step()) return std::nullopt;
    return FromRow(row);
}

// Takes in the logs of earlier versions the first time (under the write
// lock, so that two programs opening a new journal at once do it once),
// and records the opening: a write, so that a full disk or a read-only
// medium is found now, before anything goes on the line.
std::string Journal::settle() {
    Transaction transaction(db_);
    std::string problem = transaction.problem();
    bool importedBefore = false;
    if (problem.empty()) {
        Statement imported = db_.prepare("SELECT value FROM settings WHERE name = 'legacy-logs'");
        importedBefore = imported.step();
        problem = imported.run();
    }
    if (problem.empty() && !importedBefore) {
        const std::vector<LegacyEntry> legacy = ReadLegacyLogs(folder_);
        std::vector<std::int64_t> ids;
        for (const LegacyEntry& e : legacy)
            if (problem.empty()) ids.push_back(insert(e.entry, &problem));
        for (std::size_t i = 0; i < legacy.size() && problem.empty(); ++i)
            if (legacy[i].writeIndex >= 0)
                problem = db_.prepare("UPDATE entries SET write_id = ?1 WHERE id = ?2")
                              .bind(1, ids[legacy[i].writeIndex])
                              .bind(2, ids[i])
                              .run();
    }
    if (problem.empty())
        problem = db_.prepare("INSERT OR REPLACE INTO settings(name, value) VALUES ('legacy-logs', 'imported'), "
                              "('last-opened', ?1)")
                      .bind(1, now() + " by " + version_)
                      .run();
    if (problem.empty()) problem = transaction.commit();
    return problem;
}

Pruned Journal::prune(int days, bool dryRun) {
    Pruned pruned;
    std::vector<JournalEntry> all = entries({}, &pruned.problem);
    if (!pruned.problem.empty()) return pruned;
    std::reverse(all.begin(), all.end());  // oldest first
    const std::string cutoff = HistoryTimeText(clock_() - std::chrono::hours(24) * days);

    // A write with its backup and read-back is one group, kept or removed
    // together; any other entry is a group of its own.
    const auto group = [](const JournalEntry& e) { return e.writeId ? e.writeId : e.id; };
    std::set<std::int64_t> kept;
    for (const JournalEntry& e : all)
        if (e.time >= cutoff || e.outcome == journal_outcome::kUnfinished) kept.insert(group(e));
    // Each switch's newest backup and newest state on each bus stay, however old.
    std::map<std::string, std::int64_t> newestBackup, newestState;
    for (const JournalEntry& e : all) {
        if (!e.isRead() || e.file.empty()) continue;
        const std::string key = e.address + "|" + (e.bus.adapterSerial.empty() ? "d:" + e.bus.device : "s:" + e.bus.adapterSerial);
        newestState[key] = group(e);
        if (e.writeId) newestBackup[key] = group(e);
    }
    for (const auto& [key, id] : newestBackup) kept.insert(id);
    for (const auto& [key, id] : newestState) kept.insert(id);
    // A site send's mark stays while any of its writes does.
    for (const JournalEntry& e : all)
        if (e.batchId && kept.count(group(e))) kept.insert(e.batchId);

    std::set<fs::path> keptFiles, candidates;
    for (const JournalEntry& e : all) {
        const auto file = OwnFile(folder_, e.file);
        if (kept.count(group(e))) {
            if (file) keptFiles.insert(*file);
            continue;
        }
        pruned.entries.push_back(e);
        if (file) candidates.insert(*file);
    }
    std::error_code error;
    for (const fs::path& file : candidates)
        if (!keptFiles.count(file) && fs::is_regular_file(fs::symlink_status(file, error))) pruned.files.push_back(file);
    if (dryRun || pruned.entries.empty()) return pruned;

    // The entries go first: a file left behind by a crash between the two
    // is only space, an entry naming a missing file would be a lie.
    Transaction transaction(db_);
    std::string problem = transaction.problem();
    for (const JournalEntry& e : pruned.entries)
        if (problem.empty()) problem = db_.prepare("DELETE FROM entries WHERE id = ?1").bind(1, e.id).run();
    if (problem.empty()) problem = transaction.commit();
    if (!problem.empty()) {
        pruned.problem = JournalProblem(databaseFile(), problem);
        pruned.entries.clear(), pruned.files.clear();
        return pruned;
    }
    std::vector<fs::path> removed;
    for (const fs::path& file : pruned.files) {
        if (fs::remove(file, error)) removed.push_back(file);
        fs::remove(file.parent_path(), error);  // only when nothing else is in it
    }
    pruned.files = removed;
    return pruned;
}

}  // namespace kavro
