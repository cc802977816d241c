#pragma once
// What the fuzz targets share: a check that stops the run with its reason
// (libFuzzer then keeps the input that broke it), a reader that takes a
// script from the fuzz input front to back, and a strict UTF-8 check.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::fuzz {

inline void Expect(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "\n*** broken: %s\n", what);
    std::abort();
}

// A fuzz input read front to back as small numbers and byte strings. Past
// its end every number is its lowest value and every string is zeros, so
// any input, the empty one too, is a whole script.
class ByteScript {
public:
    ByteScript(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return at_ >= size_; }
    // lo..hi from one byte (hi - lo below 256).
    int number(int lo, int hi) { return done() ? lo : lo + data_[at_++] % (hi - lo + 1); }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        std::vector<std::uint8_t> out(n, 0);
        for (std::size_t i = 0; i < n && !done(); ++i) out[i] = data_[at_++];
        return out;
    }
    std::string text(std::size_t n) {
        const auto b = bytes(number(0, static_cast<int>(n)));
        return {b.begin(), b.end()};
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Length of the well-formed UTF-8 sequence at s[i], or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF, nothing cut short.
inline std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned lead = byte(i);
    std::size_t n;
    char32_t codePoint, lowest;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) n = 2, codePoint = lead & 0x1F, lowest = 0x80;
    else if ((lead & 0xF0) == 0xE0) n = 3, codePoint = lead & 0x0F, lowest = 0x800;
    else if ((lead & 0xF8) == 0xF0) n = 4, codePoint = lead & 0x07, lowest = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    return n;
}

inline bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0, n; i < s.size(); i += n)
        if ((n = Utf8SequenceAt(s, i)) == 0) return false;
    return true;
}

}  // namespace kavro::fuzz
