#pragma once
// Ports.ini remembers the chosen port between runs: a line with the port
// number in decimal digits and a CR LF. A port outside the numbered table
// (/dev/ttyUSB9, COM17) adds its device on a second line, which older
// readers of the file never look at: for them the first line still names
// a port, the one chosen last by number.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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
    std::string device;      // the second line when it is a device path, or empty
};

// Whether a second line names a device: an absolute path on Linux
// ("/dev/ttyUSB9"), COMn on Windows ("COM17"). Anything else there (a
// note such as "; set by IT", a stray "5") is not a device, and the file
// is read as earlier versions read it: by its first line alone.
bool IsDevicePath(const std::string& text);

// The file's content, or nothing when the file cannot be opened.
std::optional<RememberedPort> ReadPortsIni(const std::filesystem::path& file);

// Deletes the file and writes it anew; false when it could not be written.
bool WritePortsIni(const std::filesystem::path& file, int port, const std::string& device = {});

// Where Ports.ini is kept. A portable copy of the program (its build
// folder, the Windows ZIP unpacked) keeps the file beside itself, where
// earlier versions always kept it, and reads and writes it there. An
// installed program (shared by every user, often read-only) never writes
// its own folder: it keeps the user's choice in the user's configuration
// folder and, while the user has none, reads an administrator's file from
// the system configuration folder. Either way start-up reads first the
// one file a choice is written to, so the last choice is what the next
// start finds.
struct PortsIniPlaces {
    std::filesystem::path own;       // read first, and written; empty: this program never remembers a port
    std::filesystem::path provided;  // read while `own` is missing (an administrator's); empty: none
    bool none() const { return own.empty(); }
};

// The file beside the programs that makes their folder a portable copy:
// shipped in the Windows ZIP, and made in a build folder by the build.
inline constexpr const char* kPortableMarker = "portable.txt";

// What start-up finds out about the folder the program runs from.
struct ProgramFolder {
    std::filesystem::path path;  // links resolved
    bool writable = false;       // this user may make files in it
    bool saysPortable = false;   // it holds Ports.ini or the portable marker
};

// Whether `folder` holds Ports.ini or the portable marker.
bool SaysPortable(const std::filesystem::path& folder);

// The folders that hold programs installed for every user, so never a
// portable copy, whatever is beside the program and whoever runs it (root
// may write /usr/bin): /usr (and /usr/local), /opt, /bin, /sbin, /snap; on
// Windows the folders %ProgramFiles%, %ProgramFiles(x86)%, %ProgramW6432%
// and %SystemRoot% name.
std::vector<std::filesystem::path> SystemProgramFolders();

// A program is a portable copy only where its folder says so (Ports.ini
// or the marker beside it), the user may write it, and it lies outside
// every system folder; anywhere else it is installed, however it was
// configured, built or copied there.
bool IsPortable(const ProgramFolder& folder, const std::vector<std::filesystem::path>& systemFolders);

// The places of a program: beside it when it is a portable copy; else the
// user's file, over the administrator's.
PortsIniPlaces PortsIniPlacesFor(const ProgramFolder& program, const std::vector<std::filesystem::path>& systemFolders,
                                 const std::filesystem::path& userFile, const std::filesystem::path& administratorFile);

// The file start-up reads: the program's own when there is one, else the
// one provided, else the own one (which is then missing).
std::filesystem::path PortsIniToRead(const PortsIniPlaces& places);

// Writes the program's own file (making the user's folder when missing);
// false when it could not be written.
bool StorePortsIni(const PortsIniPlaces& places, int port, const std::string& device = {});

}  // namespace kavro
