#pragma once
// What each switch held, kept in the data folder so that a write can be
// undone:
//   history/<switch address>/<UTC time>-<what>.set   a configuration read
//   history/<switch address>/log.csv                 one line per event
// <what> is before-send (read just before a write), after-send (read back
// after it) or get. A file's name sorts by time (20261206T221503Z); a
// second event in the same second gets ".2" after the time. Files are
// written whole or not at all, and a log line is added whole or not at
// all; nothing is ever removed except by prune(), on the user's request.
//
// A log line is
//   time, event, file, result, version, port, address before, address written
// the last two for send and restore only: a write gives the switch the
// address its file holds, so the switch may answer another address after
// it. A send is logged in the folder of the address it had before, and its
// file is the backup taken before it: the file that undoes it.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/config_screen.h"

namespace kavro {

namespace history_event {
inline constexpr const char* kGet = "get";
inline constexpr const char* kBeforeSend = "before-send";
inline constexpr const char* kSend = "send";
inline constexpr const char* kAfterSend = "after-send";
inline constexpr const char* kRestore = "restore";
}  // namespace history_event

inline constexpr const char* kHistoryResultOk = "ok";

// One line of a switch's log.
struct HistoryEvent {
    std::string time;            // "2026-12-06T22:15:03Z", UTC; filled in when kept
    std::string event;           // one of history_event
    std::string file;            // a file in the switch's folder; empty when none was kept
    std::string result;          // "ok", or what went wrong
    std::string version;         // the tool's version; filled in when kept
    std::string port;            // the serial device
    std::string addressBefore;   // send and restore: the address the switch answered before
    std::string addressWritten;  // send and restore: the address the write gave it
};

// A configuration kept in the history, or why it was not.
struct Kept {
    std::filesystem::path file;  // empty when nothing was kept
    std::string problem;         // empty when kept
    bool ok() const { return problem.empty(); }
};

// The newest write into a switch now at some address: its line and the
// folder of the log that holds it.
struct HistoryWrite {
    std::string folderAddress;
    HistoryEvent line;
};

struct Pruned {
    int files = 0;
    int events = 0;
    std::string problem;  // empty when everything asked for was removed
};

class SwitchHistory {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    static constexpr const char* kFolderName = "history";
    static constexpr const char* kLogName = "log.csv";

    SwitchHistory(const std::filesystem::path& dataFolder, std::string toolVersion,
                  Clock clock = [] { return std::chrono::system_clock::now(); });

    // <data folder>/history, and a switch's folder in it.
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path switchFolder(const std::string& address) const;

    // Why nothing can be kept now, naming the folder ("the history folder
    // /home/ana/KavroSwitch/history cannot be written: Read-only file
    // system"); empty when it can. Makes the folder when it is missing.
    std::string unwritable() const;

    // Keeps a configuration read from a switch: its file in the folder of
    // the screen's switch address, then its line (time, version and file
    // filled in). A read whose switch address is not six hexadecimal
    // digits names no switch and is not kept.
    Kept keep(const ConfigScreen& read, HistoryEvent line) const;
    // Adds a line without a file to a switch's log; what went wrong, or
    // empty.
    std::string note(const std::string& address, HistoryEvent line) const;

    // The switches with a log, by address; one switch's lines, oldest
    // first.
    std::vector<std::string> switches() const;
    std::vector<HistoryEvent> events(const std::string& address) const;
    // The newest send or restore, of any switch's log, that wrote this
    // address into its switch.
    std::optional<HistoryWrite> newestWriteTo(const std::string& address) const;

    // Removes the lines older than the days given and the files they name.
    Pruned prune(int days) const;

private:
    std::string append(const std::string& address, const HistoryEvent& line) const;
    std::string timeNow() const;

    std::filesystem::path folder_;
    std::string version_;
    Clock clock_;
};

// UTC times as the log writes them ("2026-12-06T22:15:03Z") and as file
// names begin ("20261206T221503Z").
std::string HistoryTimeText(std::chrono::system_clock::time_point time);
std::optional<std::chrono::system_clock::time_point> ParseHistoryTime(const std::string& text);

}  // namespace kavro
