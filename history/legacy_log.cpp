#include "history/legacy_log.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "buslink/field_parsers.h"
#include "history/history_time.h"
#include "platform/csv_line.h"
#include "platform/utf8_path.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kLogLimit = 16u * 1024 * 1024;

int Rank(const std::string& event) {
    if (event == "before-send") return 0;
    if (event == "send" || event == "restore") return 1;
    return 2;
}

}  // namespace

std::vector<LegacyEntry> ParseLegacyLog(std::string_view text, const std::string& folderAddress) {
    std::vector<LegacyEntry> found;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string error;
        auto fields = SplitCsvLine(CsvTrimEnd(line), &error);
        if (!fields || fields->size() < 4 || !ParseHistoryTime((*fields)[0])) continue;
        fields->resize(std::max<std::size_t>(fields->size(), 8));
        const std::vector<std::string>& f = *fields;
        JournalEntry e;
        e.time = f[0];
        e.event = f[1];
        e.result = f[3];
        e.version = f[4];
        e.bus.device = f[5];
        const bool ok = f[3] == "ok";
        e.outcome = ok ? "ok" : "failed";
        if (!f[2].empty()) e.file = folderAddress + "/" + f[2];
        if (e.isWrite()) {
            e.address = IsBusAddressText(f[6]) ? AddressShown(f[6]) : folderAddress;
            e.addressWritten = IsBusAddressText(f[7]) ? AddressShown(f[7]) : e.address;
            e.framesAcknowledged = ok ? 10 : -1;
        } else if (e.isRead()) {
            e.address = folderAddress;
            if (!ok) e.file.clear();
        } else {
            continue;
        }
        found.push_back({std::move(e), -1});
    }
    return found;
}

std::vector<LegacyEntry> ReadLegacyLogs(const fs::path& historyFolder) {
    std::vector<LegacyEntry> all;
    std::error_code error;
    for (const auto& folder : fs::directory_iterator(historyFolder, error)) {
        const std::string address = Utf8FromPath(folder.path().filename());
        const fs::path log = folder.path() / "log.csv";
        if (!IsBusAddressText(address) || AddressShown(address) != address ||
            !fs::is_regular_file(fs::symlink_status(log, error)) || fs::file_size(log, error) > kLogLimit)
            continue;
        std::ifstream in(log, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        for (LegacyEntry& e : ParseLegacyLog(text, address)) all.push_back(std::move(e));
    }
    std::stable_sort(all.begin(), all.end(), [](const LegacyEntry& a, const LegacyEntry& b) {
        if (a.entry.time != b.entry.time) return a.entry.time < b.entry.time;
        return Rank(a.entry.event) < Rank(b.entry.event);
    });
    // A send names the backup taken before it; its read-back was kept in
    // the folder of the address it wrote.
    std::map<std::string, int> backupNamed;  // file -> index
    std::map<std::string, int> newestWriteTo;  // address written -> index
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        JournalEntry& e = all[i].entry;
        if (e.isWrite()) {
            if (const auto backup = backupNamed.find(e.file); !e.file.empty() && backup != backupNamed.end())
                all[backup->second].writeIndex = i;
            e.file.clear();  // the write names its backup through the link
            newestWriteTo[e.addressWritten] = i;
        } else if (e.event == "before-send") {
            backupNamed[e.file] = i;
        } else if (e.event == "after-send") {
            if (const auto write = newestWriteTo.find(e.address); write != newestWriteTo.end()) all[i].writeIndex = write->second;
        }
    }
    return all;
}

}  // namespace kavro
