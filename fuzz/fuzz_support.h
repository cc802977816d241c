#pragma once
// What the fuzz targets share: a check that stops the run with its reason
// (libFuzzer then keeps the input that broke it), and a reader that takes a
// script from the fuzz input front to back.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

}  // namespace kavro::fuzz
