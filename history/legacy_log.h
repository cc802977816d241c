#pragma once
// The history of earlier versions: a log.csv in each switch's folder,
//   time, event, file, result, version, port, address before, address written
// one line per event, the file named relative to the folder. The journal
// takes them in once, in time order, and leaves them where they are.

#include <filesystem>
#include <string_view>
#include <vector>

#include "history/journal_entry.h"

namespace kavro {

struct LegacyEntry {
    JournalEntry entry;  // id and writeId not yet given
    int writeIndex = -1; // a backup or read-back: the index of its write
};

// The entries of one log's text, in the folder of this switch address.
std::vector<LegacyEntry> ParseLegacyLog(std::string_view text, const std::string& folderAddress);
// Every switch folder's log under the history folder, in time order, with
// each send linked to the backup its line names and each read-back to the
// write that left the switch at its address. A log larger than 16 MiB is
// not read.
std::vector<LegacyEntry> ReadLegacyLogs(const std::filesystem::path& historyFolder);

}  // namespace kavro
