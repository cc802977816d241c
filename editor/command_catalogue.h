#pragma once
// The 19 motor commands in list order. The list position is what files
// store and what the screen selects; the code is what travels on the bus.
// Codes are not positions: 0x07, 0x09, 0x0E, 0x0F and 0x11..0x1F have no
// command.

#include <array>
#include <cstdint>
#include <string>

namespace kavro {

struct Command {
    const char* name;
    std::uint8_t code;
    const char* range;     // range label; nullptr where no data is shown
    int maxLength;         // characters the data box takes
    const char* defaultData;
    // Its block carries the channel's lock priority (code above 0x1F), so
    // the channel shows the priority box: the lock commands and "Set IP".
    bool lock;
    bool showsData() const { return range != nullptr; }
};

inline constexpr int kCommandCount = 19;
inline constexpr int kAbsolutePosition = 7;  // the one 16-bit data value

inline constexpr std::array<Command, kCommandCount> kCommands{{
    {"NONE", 0x00, nullptr, 0, nullptr, false},
    {"UP limit", 0x01, nullptr, 0, nullptr, false},
    {"DOWN limit", 0x02, "0->FF", 2, "00", false},
    {"STOP", 0x03, nullptr, 0, nullptr, false},
    {"GOTO IP", 0x04, "0->0F", 2, "00", false},
    {"next IP UP", 0x05, nullptr, 0, nullptr, false},
    {"next IP DOWN", 0x06, nullptr, 0, nullptr, false},
    {"absolute position", 0x08, "0->FFFF", 4, "0000", false},
    {"JOG UP ms", 0x0A, "0->FF ms", 2, "00", false},
    {"JOG DOWN ms", 0x0B, "0->FF ms", 2, "00", false},
    {"JOG UP pulse", 0x0C, "0->FF", 2, "00", false},
    {"JOG DOWN pulse", 0x0D, "0->FF", 2, "00", false},
    {"relative position", 0x10, "0->FF", 2, "00", false},
    {"Lock Current Pos", 0x20, nullptr, 0, nullptr, true},
    {"Lock UP limit", 0x21, nullptr, 0, nullptr, true},
    {"Lock Down limit", 0x22, "0->FF", 2, "00", true},
    {"Lock IP", 0x23, "0->0F", 2, "00", true},
    {"Unlock", 0x24, nullptr, 0, nullptr, true},
    {"Set IP", 0x25, "0->0F", 2, "00", true},
}};

// The code of a list position; any other position gives 0.
int CommandCode(int position);
// The list position of a code; a code without a command gives 0, "NONE".
int CommandPosition(int code);
// Whether the command at a list position sends the channel's lock
// priority, and so shows its box (13..18: the locks and "Set IP").
bool SendsLockPriority(int position);

}  // namespace kavro
