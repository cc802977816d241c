#pragma once
// Times as the journal keeps and shows them: UTC, to the second
// ("2026-12-06T22:15:03Z"), and as backup file names begin
// ("20261206T221503Z"). Users may give a time in their own zone.

#include <chrono>
#include <optional>
#include <string>

namespace kavro {

using SystemTime = std::chrono::system_clock::time_point;

std::string HistoryTimeText(SystemTime time);
// Only the journal's own form: "2026-12-06T22:15:03Z".
std::optional<SystemTime> ParseHistoryTime(const std::string& text);
// A journal time as a reader of a printed page takes it: in the
// computer's own zone, with its offset from UTC ("2026-12-06 23:15:03
// UTC+01:00"); a text that is no journal time stays as it is.
std::string LocalTimeText(const std::string& time);
// "20261206T221503Z" from "2026-12-06T22:15:03Z".
std::string FileStamp(const std::string& time);

// A time a user types: "2026-12-06", "2026-12-06 22:15", "2026-12-06T22:15:03",
// in the computer's own zone, or with "Z" for UTC. A day alone means its
// end: "at 2026-12-06" is what the switch held that evening.
std::optional<SystemTime> ParseUserTime(const std::string& text);

}  // namespace kavro
