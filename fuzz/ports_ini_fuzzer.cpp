// Reading Ports.ini, against a reference of its rules: the first field of
// the text (leading spaces skipped; a field in double quotes loses them and
// ends at the closing quote or the end of the text; otherwise it ends at
// the first comma, CR or LF and loses its trailing spaces), and the port it
// names: a decimal number (spaces around it, an optional sign, digits with
// an optional fraction) rounded to whole with halves to even, if that is
// 1 to 16; anything else is port 1.

#include <algorithm>
#include <charconv>
#include <cmath>

#include "buslink/ports_ini.h"
#include "fuzz_support.h"

namespace {

std::string Field(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    if (!text.empty() && text.front() == '"') return std::string(text.substr(1, text.find('"', 1) - 1));
    std::string field(text.substr(0, text.find_first_of(",\r\n")));
    field.erase(std::min(field.find_last_not_of(' ') + 1, field.size()));
    return field;
}

int Port(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    text.remove_suffix(text.size() - std::min(text.find_last_not_of(' ') + 1, text.size()));
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    // digits, or digits and a point, or a point and digits, or both
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(fraction) || whole.size() + fraction.size() == 0) return 1;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 1;  // far too large or too small
    if (negative) value = -value;
    const double below = std::floor(value), part = value - below;
    const double rounded = part < 0.5 ? below : part > 0.5 ? below + 1 : std::fmod(below, 2) == 0 ? below : below + 1;
    return rounded >= 1 && rounded <= 16 ? static_cast<int>(rounded) : 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kavro::fuzz::Expect;
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::string field = kavro::FirstField(content);
    Expect(field == Field(content), "the first field of Ports.ini");
    Expect(kavro::PortFromCandidate(field) == Port(field), "the port a field names");
    Expect(kavro::PortFromCandidate(content) == Port(content), "the port any text names");
    return 0;
}
