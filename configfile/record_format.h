#pragma once
// Configuration files are sequences of 128-byte records, one value each,
// little-endian:
//   text     08 00, length word L, then L bytes (at most 124)
//   integer  02 00, a signed 16-bit value
//   end mark 07 00 "EndMark" (no type word)
// The bytes after a value up to the end of its record are padding (zeros
// when we write them; ignored when we read).

#include <array>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kavro {

inline constexpr std::size_t kRecordSize = 128;
inline constexpr std::size_t kMaxTextLength = kRecordSize - 4;

struct EndMark {
    bool operator==(const EndMark&) const = default;
};
using RecordValue = std::variant<std::string, std::int16_t, EndMark>;
using Record = std::array<std::uint8_t, kRecordSize>;

// The record holding a value; nothing when a text is too long for it.
std::optional<Record> EncodeRecord(const RecordValue& value);

// Why a record could not be read.
enum class RecordError { None, BeyondEnd, Undecodable };

// The bytes of a configuration file as read: only what the format can
// hold, however long the file is (a pipe or standard input as well as a
// file on disk).
using ConfigBytes = std::vector<std::uint8_t>;
inline constexpr std::size_t kLongestConfigFile = 117 * kRecordSize;

// Nothing when the file cannot be opened for reading (missing, a folder,
// no permission).
std::optional<ConfigBytes> ReadConfigBytes(const std::filesystem::path& file);
// Everything the stream holds, up to the longest configuration file.
ConfigBytes ReadConfigBytes(std::istream& in);

// The records of a configuration file.
class RecordReader {
public:
    explicit RecordReader(const ConfigBytes& bytes) : bytes_(bytes) {}
    // Record n, counted from 1. A record not wholly inside the file, a type
    // word other than 2 or 8, or a text longer than its record is an error.
    std::optional<RecordValue> read(std::size_t n, RecordError* error = nullptr) const;

private:
    const ConfigBytes& bytes_;
};

}  // namespace kavro
