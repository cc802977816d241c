#pragma once
// Ports.ini remembers the chosen port between runs: a line with the port
// number in decimal digits and a CR LF. A port outside the numbered table
// (/dev/ttyUSB9, COM17) adds its device on a second line, which older
// readers of the file never look at: for them the first line still names
// a port, the one chosen last by number.

#include <filesystem>
#include <optional>
#include <string>

namespace kavro {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 16;

// The first field of the file's text: leading spaces skipped, a quoted
// field loses its quotes (and runs to the closing one, or the end), any
// other field ends at the first comma or line end and loses its trailing
// spaces.
std::string FirstField(const std::string& content);

// The port a candidate text names: a number (rounded to whole, halves to
// even) from 1 to 16; anything else, including values too large for a
// 16-bit integer, gives port 1.
int PortFromCandidate(const std::string& candidate);

struct RememberedPort {
    std::string firstField;  // the port number's text, as read
    std::string device;      // the second line: a device outside the table, or empty
};

// The file's content, or nothing when the file cannot be opened.
std::optional<RememberedPort> ReadPortsIni(const std::filesystem::path& file);

// Deletes the file and writes it anew; false when it could not be written.
bool WritePortsIni(const std::filesystem::path& file, int port, const std::string& device = {});

// Where Ports.ini is kept: beside the program, as it always was, or, when
// the program's folder cannot be written (an installed program), in the
// user's configuration folder.
struct PortsIniPlaces {
    std::filesystem::path beside;  // empty: this program never remembers a port
    std::filesystem::path user;    // empty: no place to fall back on
    bool none() const { return beside.empty(); }
};

// The file start-up reads: the user's copy when there is one (only a
// write refused beside the program makes it, so it holds the later
// choice), else the one beside the program, provisioned or not.
std::filesystem::path PortsIniToRead(const PortsIniPlaces& places);

// Writes the file beside the program, or the user's copy when that is
// refused; false when neither could be written. Nothing is written to
// find out whether the program's folder can be written.
bool StorePortsIni(const PortsIniPlaces& places, int port, const std::string& device = {});

}  // namespace kavro
