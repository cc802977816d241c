#include "history/switch_history.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "buslink/field_parsers.h"
#include "configfile/config_records.h"
#include "platform/csv_line.h"
#include "platform/quoted_text.h"
#include "platform/utf8_path.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using SystemTime = std::chrono::system_clock::time_point;

constexpr const char* kLogHeader = "time,event,file,result,version,port,address before,address written\n";

// "2026-12-06T22:15:03Z" as a file name begins: "20261206T221503Z".
std::string Stamp(const std::string& time) {
    std::string stamp;
    std::copy_if(time.begin(), time.end(), std::back_inserter(stamp), [](char c) { return c != '-' && c != ':'; });
    return stamp;
}

std::string Shown(const fs::path& path) { return Utf8FromPath(path); }

// A name no other writer picks, short whatever the folder.
fs::path TemporaryName(const char* what) {
    static std::random_device random;
    char name[40];
    std::snprintf(name, sizeof name, ".kavro-%s-%08x.part", what, static_cast<unsigned>(random()));
    return name;
}

std::optional<std::string> ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (in.bad()) return std::nullopt;
    return text;
}

// Replaces a file's text in one step: the new text is written beside it
// and moved over it, so a reader (or a power cut) sees the old text or the
// new, never a part.
std::string ReplaceWhole(const fs::path& file, const std::string& text) {
    const fs::path temporary = file.parent_path() / TemporaryName("log");
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(temporary, error);
            return Shown(file) + " cannot be written (full or write-protected?)";
        }
    }
    fs::rename(temporary, file, error);
    if (!error) return {};
    fs::remove(temporary, error);
    return Shown(file) + " cannot be replaced: " + error.message();
}

std::string LogLine(const HistoryEvent& e) {
    std::string line;
    for (const std::string* field : {&e.time, &e.event, &e.file, &e.result, &e.version, &e.port, &e.addressBefore,
                                     &e.addressWritten})
        line += (line.empty() ? "" : ",") + CsvField(*field);
    return line + "\n";
}

// A line of the log; nothing for the header or a line that is not one.
std::optional<HistoryEvent> ParseLogLine(std::string_view line) {
    std::string error;
    const auto fields = SplitCsvLine(CsvTrimEnd(line), &error);
    if (!fields || fields->size() < 4 || (*fields)[0] == "time" || !ParseHistoryTime((*fields)[0])) return std::nullopt;
    std::vector<std::string> f = *fields;
    f.resize(std::max<std::size_t>(f.size(), 8));
    return HistoryEvent{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// Whether an event of this second already has a file with this prefix.
bool Taken(const fs::path& folder, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind(prefix + "-", 0) == 0) return true;
    return false;
}

// A file a log line names, when it is one of the folder's own: a log edited
// by hand must not make prune remove anything elsewhere.
std::optional<fs::path> OwnFile(const fs::path& folder, const std::string& name) {
    const fs::path file = PathFromUtf8(name);
    if (name.empty() || file != file.filename() || name == "." || name == "..") return std::nullopt;
    return folder / file;
}

}  // namespace

std::string HistoryTimeText(SystemTime time) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(time);
    const auto day = floor<days>(whole);
    const year_month_day date{day};
    const hh_mm_ss clock{whole - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::optional<SystemTime> ParseHistoryTime(const std::string& text) {
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char zone = 0;
    if (text.size() != 20 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &zone) != 7 ||
        zone != 'Z' || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) return std::nullopt;
    return sys_days{date} + hours{h} + minutes{mi} + seconds{s};
}

SwitchHistory::SwitchHistory(const fs::path& dataFolder, std::string toolVersion, Clock clock)
    : folder_(dataFolder / kFolderName), version_(std::move(toolVersion)), clock_(std::move(clock)) {}

fs::path SwitchHistory::switchFolder(const std::string& address) const { return folder_ / AddressShown(address); }

std::string SwitchHistory::timeNow() const { return HistoryTimeText(clock_()); }

std::string SwitchHistory::unwritable() const {
    const std::string shown = "the history folder " + Shown(folder_);
    std::error_code error;
    if (fs::exists(folder_, error) && !fs::is_directory(folder_, error)) return shown + " is not a folder";
    fs::create_directories(folder_, error);
    if (!fs::is_directory(folder_, error)) return shown + " cannot be made" + (error ? ": " + error.message() : "");
    // Only a file written tells: permission bits say nothing to root, nor
    // of a medium that is read-only or full.
    const fs::path probe = folder_ / TemporaryName("probe");
    bool written = false;
    {
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        out << "probe";
        out.close();
        written = static_cast<bool>(out);
    }
    fs::remove(probe, error);
    return written ? std::string{} : shown + " cannot be written";
}

std::string SwitchHistory::append(const std::string& address, const HistoryEvent& line) const {
    const fs::path folder = switchFolder(address);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) return "the folder " + Shown(folder) + " cannot be made";
    const fs::path log = folder / kLogName;
    std::string text = kLogHeader;
    if (fs::exists(log, error)) {
        const auto old = ReadWhole(log);
        if (!old) return Shown(log) + " cannot be read";
        text = *old;
        if (!text.empty() && text.back() != '\n') text += '\n';
    }
    return ReplaceWhole(log, text + LogLine(line));
}

std::string SwitchHistory::note(const std::string& address, HistoryEvent line) const {
    if (!IsBusAddressText(address)) return Quoted(address) + " is not a switch address";
    line.time = timeNow();
    line.version = version_;
    return append(AddressShown(address), line);
}

Kept SwitchHistory::keep(const ConfigScreen& read, HistoryEvent line) const {
    const std::string address = AddressShown(read.switchAddress.text());
    if (!IsBusAddressText(address)) return {{}, "the switch address read, " + Quoted(address) + ", names no switch"};
    const fs::path folder = switchFolder(address);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) return {{}, "the folder " + Shown(folder) + " cannot be made"};
    line.time = timeNow();
    line.version = version_;
    const std::string stamp = Stamp(line.time);
    for (int n = 1; n < 100; ++n) {
        const std::string prefix = n == 1 ? stamp : stamp + "." + std::to_string(n);
        if (Taken(folder, prefix)) continue;
        const fs::path file = folder / (prefix + "-" + line.event + ".set");
        const WriteResult written = WriteConfigFile(file, read);
        if (written.outcome == WriteOutcome::Exists) continue;
        if (written.outcome != WriteOutcome::Written) return {{}, Shown(file) + " cannot be written: " + written.detail};
        line.file = Utf8FromPath(file.filename());
        // A file without its line would be a backup nobody finds.
        if (std::string problem = append(address, line); !problem.empty()) {
            fs::remove(file, error);
            return {{}, problem};
        }
        return {file, {}};
    }
    return {{}, "too many events in one second in " + Shown(folder)};
}

std::vector<std::string> SwitchHistory::switches() const {
    std::vector<std::string> addresses;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = Utf8FromPath(entry.path().filename());
        if (IsBusAddressText(name) && name == AddressShown(name) && fs::is_regular_file(entry.path() / kLogName, error))
            addresses.push_back(name);
    }
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

std::vector<HistoryEvent> SwitchHistory::events(const std::string& address) const {
    std::vector<HistoryEvent> events;
    const auto text = ReadWhole(switchFolder(address) / kLogName);
    if (!text) return events;
    for (std::string_view line : Lines(*text))
        if (auto event = ParseLogLine(line)) events.push_back(std::move(*event));
    return events;
}

std::optional<HistoryWrite> SwitchHistory::newestWriteTo(const std::string& address) const {
    std::optional<HistoryWrite> newest;
    for (const std::string& folder : switches())
        for (const HistoryEvent& e : events(folder)) {
            if (e.event != history_event::kSend && e.event != history_event::kRestore) continue;
            if (AddressShown(e.addressWritten) != AddressShown(address)) continue;
            if (!newest || e.time >= newest->line.time) newest = HistoryWrite{folder, e};
        }
    return newest;
}

// The log is rewritten first, then the files it no longer names are
// removed: a log that cannot be rewritten keeps every file it names.
Pruned SwitchHistory::prune(int days) const {
    Pruned pruned;
    const SystemTime cutoff = clock_() - std::chrono::hours(24) * days;
    for (const std::string& address : switches()) {
        const fs::path folder = switchFolder(address), log = folder / kLogName;
        const auto text = ReadWhole(log);
        if (!text) {
            pruned.problem = Shown(log) + " cannot be read";
            continue;
        }
        std::string kept;
        int events = 0, removed = 0;
        std::vector<fs::path> files;
        for (std::string_view line : Lines(*text)) {
            const auto event = ParseLogLine(line);
            if (event && *ParseHistoryTime(event->time) < cutoff) {
                if (const auto file = OwnFile(folder, event->file)) files.push_back(*file);
                ++removed;
                continue;
            }
            kept += std::string(line) + "\n";
            events += event.has_value();
        }
        if (removed == 0) continue;
        std::error_code error;
        if (events > 0 || !fs::remove(log, error)) {
            if (std::string problem = ReplaceWhole(log, kept); !problem.empty()) {
                pruned.problem = problem;
                continue;
            }
        }
        pruned.events += removed;
        for (const fs::path& file : files) pruned.files += fs::remove(file, error);
        if (events == 0) fs::remove(folder, error);  // only when nothing else is in it
    }
    return pruned;
}

}  // namespace kavro
