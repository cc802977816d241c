#pragma once
// A site manifest: the switches of a building's bus, one a line, as a CSV
// file the way spreadsheets write it (quoted fields with commas and
// doubled quotes, a UTF-8 byte-order mark, CR LF line ends):
//     # address, file, label (optional)
//     00AB01, hall.set, Hall
//     00AB02, "stairs, north.set", "The ""north"" stairs"
// "#" outside quotes starts a comment. Input is bounded: a manifest that
// is not a regular file or a pipe, is larger than 1 MiB or has a line over
// 4 KiB is refused before it is read through; a line with a NUL byte is
// refused. Standard input is no manifest: its files are found beside it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::cli {

inline constexpr std::size_t kManifestLimit = 1024 * 1024;
inline constexpr std::size_t kManifestLineLimit = 4096;

struct SiteSwitch {
    int line = 0;
    std::string address;  // six hexadecimal digits, upper case
    std::string file;     // as the manifest names it, relative to the manifest's folder
    std::string label;    // UTF-8 without control characters; may be empty
};

// The text of the manifest named (UTF-8); nothing, with the reason in
// error, for one that is not a regular file or a pipe or is too large.
std::optional<std::string> ReadManifestText(const std::string& name, std::string* error);

// The manifest's switches; nothing, with "NAME:LINE: reason" in error, for
// a manifest with a line that is not one, a switch listed twice, or none.
std::optional<std::vector<SiteSwitch>> ParseManifest(std::string_view text, const std::string& name,
                                                     std::string* error);

}  // namespace kavro::cli
