#pragma once
// One switch on paper: what it holds, channel by channel, in the words the
// window shows (the events' names as "Seq" gives them, the commands of the
// list, the destinations of the boxes), for a technician standing at the
// wall. The same sheet is printed from the window and from a site's
// report; only the facts at its head differ.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "editor/config_screen.h"
#include "transfer/transfer_outcome.h"

namespace kavro {

struct SheetEvent {
    std::string name;          // "On Press", or "Function1" with "Seq" ticked
    std::string command;       // "DOWN limit"; "code 07" for a code the list lacks
    int code = 0;
    std::string data;          // where the command has a data box; else empty
    std::string lockPriority;  // where a lock command carries it; else empty
    std::string destination;   // "Specific", "Group", "P-P", "Src Group", "mode 5"
    std::string address;       // the address the destination stands for; empty where none is known
};

struct SheetChannel {
    int number = 0;  // 1..8
    bool seq = false;
    std::array<SheetEvent, 3> events;
    // The tool writes one destination into all three events; a switch
    // written otherwise shows one per event.
    bool oneDestination() const;
};

struct SwitchSheet {
    std::string title;  // the label, else the switch address
    // What the sheet's head tells, in order: ("Address", "00AB01"), ...
    std::vector<std::pair<std::string, std::string>> facts;
    bool holdsConfiguration = false;  // false: nothing recorded to show
    std::array<SheetChannel, kChannels> channels;
    // What differs from the planned file, as compare names it; shown when
    // comparedWithPlan.
    bool comparedWithPlan = false;
    std::vector<std::string> differences;
    std::vector<std::string> notes;  // what a reader must know besides
};

// What a switch's own bytes say, channel by channel: each event block read
// on its own, the source group of a channel in "Src Group" mode from the
// switch's table.
std::array<SheetChannel, kChannels> ChannelsFromHeld(const HeldConfiguration& held);

// The sheet of a screen, as the window prints it: what Send Config would
// put into a switch, with the port in use and the time it was printed
// (a journal time); a note says so when Send Config would refuse it.
SwitchSheet SheetOfScreen(const ConfigScreen& screen, const std::string& port, const std::string& time);

}  // namespace kavro
