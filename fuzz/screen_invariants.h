#pragma once
// What the fuzz targets that fill a screen check of it afterwards.

#include "editor/config_screen.h"
#include "fuzz_support.h"

namespace kavro::fuzz {

// What the screen keeps whatever is loaded or read into it: in every
// channel exactly one of the four destination boxes ticked and the others
// clear, the motor address shown in "Specific" only, the source group
// address in "Src Group" only, and the lock priority shown exactly where
// an event of the channel has a lock command.
inline void ExpectConsistent(const ConfigScreen& s) {
    for (int c = 0; c < kChannels; ++c) {
        int ticked = 0, clear = 0;
        for (int box : ChannelBoxes(c)) {
            ticked += s.destinationBoxes[box].value() == 1;
            clear += s.destinationBoxes[box].value() == 0;
        }
        Expect(ticked == 1 && clear == 3, "one destination box ticked per channel, the others clear");
        Expect(s.motorAddress[c].visible() == (s.destinationBoxes[SpecificBox(c)].value() == 1),
               "the motor address shows in Specific mode only");
        Expect(s.sourceGroupAddress[c].visible() == (s.destinationBoxes[SrcGroupBox(c)].value() == 1),
               "the source group address shows in Src Group mode only");
        bool lock = false;
        for (int e = 0; e < 3; ++e) lock = lock || SendsLockPriority(s.commands[EventIndex(c, e)].selected());
        Expect(s.lockPriority[c].visible() == lock, "the lock priority shows where a lock command is chosen");
    }
}

}  // namespace kavro::fuzz
