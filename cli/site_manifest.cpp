#include "cli/site_manifest.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "buslink/field_parsers.h"
#include "cli/printed_text.h"
#include "platform/csv_line.h"
#include "platform/quoted_text.h"
#include "platform/utf8_path.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::optional<std::string> ReadManifestText(const std::string& name, std::string* error) {
    const fs::path path = PathFromUtf8(name);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    const std::string shown = ShownName(name);
    if (name == "-") {
        *error = "the manifest cannot come from standard input: the files it names are found beside it, so give "
                 "the manifest's own file name";
        return std::nullopt;
    }
    if (!fs::exists(status)) {
        *error = shown + ": no such file";
        return std::nullopt;
    }
    if (!fs::is_regular_file(status) && !fs::is_fifo(status)) {
        *error = shown + " is not a regular file or a pipe";
        return std::nullopt;
    }
    if (fs::is_regular_file(status) && fs::file_size(path, ec) > kManifestLimit) {
        *error = shown + " is larger than 1 MiB; a manifest lists a building's switches";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(kManifestLimit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || (!in && !in.eof())) {
        *error = shown + ": cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kManifestLimit) {
        *error = shown + " is larger than 1 MiB; a manifest lists a building's switches";
        return std::nullopt;
    }
    return text;
}

std::optional<std::vector<SiteSwitch>> ParseManifest(std::string_view text, const std::string& name,
                                                     std::string* error) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    std::vector<SiteSwitch> site;
    std::set<std::string> addresses;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // CR LF is one line end
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto fail = [&](const std::string& why) {
            *error = ShownName(name) + ":" + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (line.size() > kManifestLineLimit) return fail("the line is longer than 4 KiB");
        // A file name ends at a NUL byte as the system reads it: "m1.set\0junk"
        // would quietly become m1.set.
        if (line.find('\0') != std::string_view::npos)
            return fail("the line holds a NUL byte, which no address, file name or label may hold");
        std::string why;
        const auto fields = SplitCsvLine(CsvTrimEnd(line), &why);
        if (!fields) return fail(why);
        if (fields->empty()) continue;
        if (fields->size() < 2 || fields->size() > 3) return fail("expected ADDRESS, FILE[, LABEL]");
        const std::string address = AddressShown((*fields)[0]);
        if (!IsBusAddressText(address))
            return fail(ValidUtf8(Quoted((*fields)[0])) + " is not a switch address (six hexadecimal digits)");
        if (IsGlobalAddressText(address)) return fail(kGlobalAddressReason);
        if ((*fields)[1].empty()) return fail("the file is missing");
        if (!addresses.insert(address).second) return fail("switch " + address + " is listed twice");
        site.push_back({number, address, (*fields)[1],
                        fields->size() > 2 ? WithoutControls(ValidUtf8((*fields)[2])) : std::string{}});
    }
    if (site.empty()) {
        *error = ShownName(name) + ": lists no switch";
        return std::nullopt;
    }
    return site;
}

}  // namespace kavro::cli
