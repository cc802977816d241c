// history [ADDRESS]: what the journal keeps of each switch, newest first,
// as text, JSON or CSV; and pruning it on request.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iomanip>
#include <iostream>
#include <map>

#include "buslink/field_parsers.h"
#include "cli/commands.h"
#include "cli/printed_text.h"
#include "cli/switch_session.h"
#include "platform/utf8_path.h"

namespace kavro::cli {
namespace {

// A text of the journal as printed: an old log taken in may hold anything.
std::string Plain(const std::string& text) { return WithoutControls(ValidUtf8(text)); }

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A whole number from 1, of at most nine digits; nothing otherwise.
std::optional<int> Positive(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int n = std::stoi(text);
    return n >= 1 ? std::optional<int>(n) : std::nullopt;
}

// How an entry ended, in words.
std::string ResultOf(const JournalEntry& e) {
    if (e.event == journal_event::kSiteSend) return "site " + e.bus.site;
    if (e.outcome == journal_outcome::kUnfinished) return "unfinished: the program ended during the write";
    std::string result = e.result.empty() ? e.outcome : e.result;
    if (e.isWrite() && e.verified) result += *e.verified ? ", verified" : ", read back: differs or failed";
    return result;
}

int Prune(Journal& journal, const std::string& text, bool dryRun) {
    const auto days = Positive(text);
    if (!days) return Fail("--prune-older-than takes a whole number of days, 1 or more, not " + ShownName(text));
    const Pruned pruned = journal.prune(*days, dryRun);
    if (!pruned.problem.empty()) return Fail(Printable(pruned.problem));
    std::cout << (dryRun ? "Would remove " : "Removed ") << Count(pruned.entries.size(), "entry", "entries")
              << " and " << Count(pruned.files.size(), "file", "files") << " older than " << Count(*days, "day", "days") << " from "
              << ShownName(Utf8FromPath(journal.folder())) << (dryRun && !pruned.files.empty() ? ":" : "") << "\n";
    if (dryRun)
        for (const auto& file : pruned.files) std::cout << "  " << ShownName(Utf8FromPath(file)) << "\n";
    std::cout.flush();
    return kOk;
}

// The switches with entries: each address an entry names (before or
// written), with its count and newest entry.
int ListSwitches(const Journal& journal, const std::vector<JournalEntry>& entries) {
    if (entries.empty()) {
        std::cout << "The journal " << ShownName(Utf8FromPath(journal.databaseFile())) << " holds no entry" << std::endl;
        return kOk;
    }
    struct Row {
        std::size_t count = 0;
        const JournalEntry* newest = nullptr;
    };
    std::map<std::string, Row> rows;
    for (const JournalEntry& e : entries)
        for (const std::string* address : {&e.address, &e.addressWritten}) {
            if (address->empty() || (address == &e.addressWritten && e.addressWritten == e.address)) continue;
            Row& row = rows[*address];
            ++row.count;
            if (!row.newest) row.newest = &e;
        }
    std::cout << "Switch  Entries  Newest                                 Bus\n";
    for (const auto& [address, row] : rows)
        std::cout << Plain(address) << "  " << std::setw(7) << row.count << "  " << std::left << std::setw(37)
                  << Plain(row.newest->time + " " + row.newest->event) << std::right << "  "
                  << Plain(BusText(row.newest->bus)) << "\n";
    std::cout.flush();
    return kOk;
}

int ListEntries(const Journal& journal, const std::string& address, const std::vector<JournalEntry>& entries) {
    if (entries.empty()) return Fail("switch " + Plain(AddressShown(address)) + " has no entry in the journal " +
                                     ShownName(Utf8FromPath(journal.databaseFile())));
    std::cout << "History of switch " << AddressShown(address) << " (files in "
              << ShownName(Utf8FromPath(journal.folder())) << "), newest first:\n";
    for (const JournalEntry& e : entries) {
        std::cout << Plain(e.time) << "  " << std::left << std::setw(14) << Plain(e.event) << std::right << "  "
                  << Plain(ResultOf(e));
        if (e.isWrite() && !e.addressWritten.empty() && e.addressWritten != e.address)
            std::cout << " (address " << (e.address.empty() ? "unknown" : Plain(e.address)) << " -> "
                      << Plain(e.addressWritten) << ")";
        std::cout << "  on " << Plain(BusText(e.bus)) << (e.bus.site.empty() ? "" : ", site " + Plain(e.bus.site));
        if (!e.file.empty()) std::cout << "  " << Plain(e.file);
        std::cout << "\n";
    }
    std::cout.flush();
    return kOk;
}

QJsonValue Text(const std::string& text) { return QString::fromStdString(ValidUtf8(text)); }

QJsonObject EntryJson(const Journal& journal, const JournalEntry& e) {
    QJsonObject bus{{"device", Text(e.bus.device)},
                    {"adapterSerial", Text(e.bus.adapterSerial)},
                    {"adapterPath", Text(e.bus.adapterPath)}};
    return QJsonObject{
        {"id", static_cast<qint64>(e.id)},
        {"time", Text(e.time)},
        {"event", Text(e.event)},
        {"address", Text(e.address)},
        {"addressWritten", e.isWrite() ? Text(e.addressWritten) : QJsonValue()},
        {"bus", bus},
        {"site", Text(e.bus.site)},
        {"file", e.file.empty() ? QJsonValue() : Text(Utf8FromPath(journal.fileOf(e)))},
        {"firmware", e.firmware.empty() ? QJsonValue() : Text(e.firmware)},
        {"outcome", Text(e.outcome)},
        {"result", Text(e.result)},
        {"framesAcknowledged", e.framesAcknowledged < 0 ? QJsonValue() : QJsonValue(e.framesAcknowledged)},
        {"verified", e.verified ? QJsonValue(*e.verified) : QJsonValue()},
        {"writeId", e.writeId ? QJsonValue(static_cast<qint64>(e.writeId)) : QJsonValue()},
        {"siteSend", e.batchId ? QJsonValue(static_cast<qint64>(e.batchId)) : QJsonValue()},
        {"version", Text(e.version)},
    };
}

// A field as RFC 4180 has it: in quotes when it holds a comma, a quote or
// a line break, quotes doubled.
std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string cell = "\"";
    for (const char c : text) cell += c == '"' ? std::string("\"\"") : std::string(1, c);
    return cell + "\"";
}

void PrintCsv(const Journal& journal, const std::vector<JournalEntry>& entries) {
    std::cout << "time,event,address,address written,device,adapter serial,adapter path,site,file,firmware,outcome,"
                 "result,frames acknowledged,verified,write,site send,version\r\n";
    for (const JournalEntry& e : entries) {
        const std::vector<std::string> cells{
            e.time, e.event, e.address, e.isWrite() ? e.addressWritten : "", e.bus.device, e.bus.adapterSerial,
            e.bus.adapterPath, e.bus.site, e.file.empty() ? "" : Utf8FromPath(journal.fileOf(e)), e.firmware,
            e.outcome, e.result, e.framesAcknowledged < 0 ? "" : std::to_string(e.framesAcknowledged),
            e.verified ? (*e.verified ? "yes" : "no") : "", e.writeId ? std::to_string(e.writeId) : "",
            e.batchId ? std::to_string(e.batchId) : "", e.version};
        std::string row;
        for (const std::string& cell : cells) row += (row.empty() ? "" : ",") + CsvCell(ValidUtf8(cell));
        std::cout << row << "\r\n";
    }
    std::cout.flush();
}

}  // namespace

int History(const CommandLine& line) {
    if (line.has("--dry-run") && !line.has("--prune-older-than")) return Fail("--dry-run goes with --prune-older-than");
    if (line.has("--json") && line.has("--csv")) return Fail("history prints --json or --csv, not both");
    EntryFilter filter;
    if (!line.operands.empty()) {
        filter.address = line.operands[0];
        if (!IsBusAddressText(filter.address))
            return Fail(ShownName(filter.address) + " is not a switch address (six hexadecimal digits)");
    }
    if (line.has("--limit")) {
        const auto limit = Positive(line.get("--limit"));
        if (!limit) return Fail("--limit takes a number of entries, 1 or more, not " + ShownName(line.get("--limit")));
        filter.limit = *limit;
    }
    if (line.has("--since")) {
        filter.since = ParseUserTime(line.get("--since"));
        if (!filter.since)
            return Fail("--since takes a time such as 2026-12-06 or 2026-12-06 14:30 (your computer's time), not " +
                        ShownName(line.get("--since")));
    }
    filter.site = line.get("--site");

    std::string problem;
    const std::unique_ptr<Journal> journal = OpenToolJournal(&problem);
    if (!journal) return Fail(Printable(problem));
    if (line.has("--prune-older-than")) {
        if (!line.operands.empty() || filter.limit || filter.since || !filter.site.empty())
            return Fail("--prune-older-than prunes the whole journal; it takes no ADDRESS, --limit, --since or --site");
        return Prune(*journal, line.get("--prune-older-than"), line.has("--dry-run"));
    }
    const std::vector<JournalEntry> entries = journal->entries(filter, &problem);
    if (!problem.empty()) return Fail(Printable(problem));
    if (line.has("--json")) {
        QJsonArray list;
        for (const JournalEntry& e : entries) list.append(EntryJson(*journal, e));
        std::cout << QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString();
        std::cout.flush();
        return kOk;
    }
    if (line.has("--csv")) return PrintCsv(*journal, entries), kOk;
    if (filter.address.empty()) return ListSwitches(*journal, entries);
    return ListEntries(*journal, filter.address, entries);
}

}  // namespace kavro::cli
