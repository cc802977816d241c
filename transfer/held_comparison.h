#pragma once
// Whether a switch holds a configuration: a screen (the one sent, or a file
// loaded into one) encoded as Send Config sends it, or the bytes of an
// earlier read, against the bytes the switch's replies carried.
//
// As sent: each of a channel's three event blocks is compared on its own,
// command, data, lock priority, mode byte and motor address, since the
// switch holds all three. By design some things never come back, and are
// not compared: the data of a command without a data box, the lock
// priority where no lock command carries it, the motor address of a block
// whose destination does not use one, the source group address of a
// channel not in "Src Group" mode. Values are compared as the switch holds
// them (hexadecimal read as numbers): "00a107" sent reads back as "00A107".
//
// Every byte: what a restore wrote from an earlier read must come back
// byte for byte, every source group slot included.

#include <string>
#include <vector>

#include "editor/config_screen.h"
#include "transfer/transfer_outcome.h"

namespace kavro {

struct HeldDifference {
    int channel = 0;        // 1..8; 0 for the switch's own address
    std::string field;      // "On Hold command", "destination", "source group address"
    std::string expected;   // as sent (or as the file holds it)
    std::string found;      // as the switch holds it
};

enum class HeldMatch { AsSent, EveryByte };

// The screen as the ten write frames of Send Config carry it, in the form
// a read keeps what a switch holds.
HeldConfiguration HeldFromScreen(const ConfigScreen& screen);

// Compares the parts given (all by default): a read that did not get every
// part is compared in the parts it read, so that a verdict can name both
// what was not read back and what differs in what was.
std::vector<HeldDifference> CompareHeld(const HeldConfiguration& expected, const HeldConfiguration& found,
                                        HeldMatch match, const ReadParts& parts = {});
std::vector<HeldDifference> CompareHeld(const ConfigScreen& expected, const HeldConfiguration& held,
                                        const ReadParts& parts = {});
// The parts a read asked for and got.
ReadParts PartsGot(const ReadReport& read);
// The parts a read asked for and got, compared.
std::vector<HeldDifference> CompareRead(const ConfigScreen& expected, const ReadReport& read);

// Every difference, in one line: "channel 3, ...: sent STOP, the switch
// holds NONE; channel 5, ...".
std::string DescribeHeldDifferences(const std::vector<HeldDifference>& differences, const char* expectedVerb = "sent");

// The write frame a difference lies in: 0 the switch address, 1..8 a
// channel, 9 the source groups.
int WritePartOf(const HeldDifference& difference);

// "channel 3, On Hold command: sent STOP, the switch holds NONE"
std::string DescribeHeldDifference(const HeldDifference& difference, const char* expectedVerb = "sent");

}  // namespace kavro
