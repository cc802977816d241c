#pragma once
// Numbers typed as text, read the same way in Ports.ini and in the
// configuration files.

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace kavro {

// The number a text holds: optional spaces, an optional sign, digits with
// an optional fraction. Nothing for any other text.
inline std::optional<double> ParseDecimal(const std::string& text) {
    auto digit = [&](std::size_t i) { return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; digit(i); ++i) ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; digit(i); ++i) ++digits;
    const std::size_t end = i;
    while (i < text.size() && text[i] == ' ') ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    return std::strtod(text.substr(start, end - start).c_str(), nullptr);
}

// The whole number a text holds, rounded halves to even, when it fits in
// 16 bits; nothing otherwise.
inline std::optional<int> WholeNumber16(const std::string& text) {
    const std::optional<double> value = ParseDecimal(text);
    if (!value) return std::nullopt;
    const double whole = std::nearbyint(*value);  // default rounding: halves to even
    if (!(whole >= -32768 && whole <= 32767)) return std::nullopt;
    return static_cast<int>(whole);
}

}  // namespace kavro
