#include "cli/site_manifest.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "buslink/field_parsers.h"
#include "cli/printed_text.h"
#include "platform/quoted_text.h"
#include "platform/utf8_path.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// One line's fields; nothing, with the reason in error, for a quote that
// is not closed or text after a closing quote. A "#" outside quotes ends
// the line's fields.
std::optional<std::vector<std::string>> SplitFields(std::string_view line, std::string* error) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    const auto atEnd = [&] { return at >= line.size() || line[at] == '#'; };
    while (true) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        std::string field;
        if (at < line.size() && line[at] == '"') {
            for (++at;; ++at) {
                if (at >= line.size()) {
                    *error = "a quote is not closed";
                    return std::nullopt;
                }
                if (line[at] != '"') field += line[at];
                else if (at + 1 < line.size() && line[at + 1] == '"') field += line[++at];
                else break;
            }
            ++at;
            while (at < line.size() && IsBlank(line[at])) ++at;
            if (!atEnd() && line[at] != ',') {
                *error = "text after a closing quote";
                return std::nullopt;
            }
        } else {
            const std::size_t start = at;
            while (at < line.size() && line[at] != ',' && line[at] != '#') ++at;
            field = std::string(TrimEnd(line.substr(start, at - start)));
        }
        fields.push_back(std::move(field));
        if (atEnd()) break;
        ++at;  // the comma
    }
    // A line of nothing but blanks or a comment has no fields at all.
    if (fields.size() == 1 && fields[0].empty()) fields.clear();
    return fields;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::optional<std::string> ReadManifestText(const std::string& name, std::string* error) {
    const fs::path path = PathFromUtf8(name);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    const std::string shown = ShownName(name);
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
        std::string why;
        const auto fields = SplitFields(line, &why);
        if (!fields) return fail(why);
        if (fields->empty()) continue;
        if (fields->size() < 2 || fields->size() > 3) return fail("expected ADDRESS, FILE[, LABEL]");
        const std::string address = Upper((*fields)[0]);
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
