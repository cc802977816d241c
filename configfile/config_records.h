#pragma once
// The configuration file's record table, bound to the screen:
//   1            "SWITCH"
//   2 + 13c ..   channel c: three command positions, three data texts, the
//   14 + 13c     Specific, Group, P-P and Src Group boxes, Seq, the motor
//                address and the lock priority
//   106, 107     P-P motor address, switch address
//   108          "Use Switch Address for Config"
//   109 .. 116   the eight source group addresses
//   117          the end mark
// files are 117 records, 14976 bytes. Export, import and compare all go
// through this one table.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "configfile/record_format.h"
#include "configfile/whole_file.h"
#include "editor/config_screen.h"
#include "platform/quoted_text.h"

namespace kavro {

inline constexpr int kValueRecords = 116;
inline constexpr int kEndMarkRecord = 117;
inline constexpr int kLastComparedRecord = 108;
inline constexpr const char* kFileHeader = "SWITCH";

// The 116 values of the screen in record order (value i goes to record i+1).
std::vector<RecordValue> ScreenRecords(const ConfigScreen& screen);

// Writes the screen to a new file. An existing file or folder is never
// touched. The file appears whole or not at all: it is written under a
// temporary name in the same folder and moved into place when complete.
// With replace (a command-line user's explicit choice), an existing file is
// replaced in one step instead.
WriteResult WriteConfigFile(const std::filesystem::path& file, const ConfigScreen& screen, bool replace = false);
// The file's bytes, for a file written somewhere else (standard output);
// nothing when a text is too long for its record.
std::optional<ConfigBytes> ConfigFileBytes(const ConfigScreen& screen);

enum class LoadOutcome { Loaded, CannotOpen, BadFileType, ReadError };
// Loads a file into the screen through the controls' setters, in record
// order, so that the screen's reactions run; stops at the first record
// that cannot be read or converted (what came before stays applied).
// lastApplied, when given, is set to the number of the last record put
// into the screen: 116 for a whole file, 1 when only the header was read,
// 0 when not even that.
LoadOutcome LoadConfig(const ConfigBytes& bytes, ConfigScreen& screen, int* lastApplied = nullptr);
LoadOutcome LoadConfigFile(const std::filesystem::path& file, ConfigScreen& screen, int* lastApplied = nullptr);
// What the file windows and the command-line tool say of a load that
// failed; empty for a file that loaded.
inline constexpr const char* kBadFileType = "Bad File Type";
inline constexpr const char* kReadError = "File Read Error";
const char* LoadProblem(LoadOutcome outcome);

struct Difference {
    int record = 0;
    std::string field;        // "Channel 3, On Hold: command"
    std::string fileValue;    // as a user reads it
    std::string screenValue;
    bool hidden = false;      // the screen hides the field: its channel does not use it
    std::string refused;      // a value import refuses, in words (diff)
};
enum class CompareOutcome { Identical, Different, Unreadable };
struct CompareResult {
    CompareOutcome outcome = CompareOutcome::Unreadable;
    std::vector<Difference> differences;
};
// Compares records 2 to 108 with the screen, and the source group address
// (records 109 to 116) of each channel whose "Src Group" box is ticked on
// the screen or in the file: there it is where the channel's commands go.
// Neither is changed. Records missing from a short file count as different.
CompareResult CompareConfig(const ConfigBytes& bytes, const ConfigScreen& screen);
CompareResult CompareConfigFile(const std::filesystem::path& file, const ConfigScreen& screen);

// The values two files hold differently, records 2 to 116, and the values
// import would refuse. Nothing (and the reason in error) when either cannot
// be read as a configuration file.
std::optional<std::vector<Difference>> DiffConfigs(const ConfigBytes& a, const std::string& nameA,
                                                   const ConfigBytes& b, const std::string& nameB,
                                                   std::string* error);

}  // namespace kavro
