#pragma once
// One line of a CSV file as spreadsheets write it: fields separated by
// commas, a field in double quotes may hold commas and doubled quotes,
// blanks around a field are not part of it, and "#" outside quotes ends
// the line's fields (a comment). Site manifests are read this way, and a
// switch's history log is written so that it reads back the same.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

inline bool IsCsvBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view CsvTrimEnd(std::string_view text) {
    while (!text.empty() && (IsCsvBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The line's fields; nothing, with the reason in error, for a quote that is
// not closed or text after a closing quote. A line of nothing but blanks or
// a comment has no fields at all.
inline std::optional<std::vector<std::string>> SplitCsvLine(std::string_view line, std::string* error) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    const auto atEnd = [&] { return at >= line.size() || line[at] == '#'; };
    while (true) {
        while (at < line.size() && IsCsvBlank(line[at])) ++at;
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
            while (at < line.size() && IsCsvBlank(line[at])) ++at;
            if (!atEnd() && line[at] != ',') {
                *error = "text after a closing quote";
                return std::nullopt;
            }
        } else {
            const std::size_t start = at;
            while (at < line.size() && line[at] != ',' && line[at] != '#') ++at;
            field = std::string(CsvTrimEnd(line.substr(start, at - start)));
        }
        fields.push_back(std::move(field));
        if (atEnd()) break;
        ++at;  // the comma
    }
    if (fields.size() == 1 && fields[0].empty()) fields.clear();
    return fields;
}

// A field as SplitCsvLine reads it back: in quotes when it holds a comma,
// a quote or a "#", or begins or ends with a blank. A line break cannot be
// part of a field: it becomes a space.
inline std::string CsvField(std::string_view text) {
    std::string plain(text);
    for (char& c : plain)
        if (c == '\n' || c == '\r') c = ' ';
    bool quote = !plain.empty() && (IsCsvBlank(plain.front()) || IsCsvBlank(plain.back()));
    std::string field;
    for (const char c : plain) {
        quote = quote || c == ',' || c == '"' || c == '#';
        field += c;
        if (c == '"') field += c;
    }
    return quote ? "\"" + field + "\"" : field;
}

}  // namespace kavro
