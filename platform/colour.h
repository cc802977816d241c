#pragma once

#include <cstdint>

namespace kavro {

// A text colour as the screen shows it.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

}  // namespace kavro
