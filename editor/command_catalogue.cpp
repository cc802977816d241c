#include "editor/command_catalogue.h"

namespace kavro {

int CommandCode(int position) {
    if (position < 0 || position >= kCommandCount) return 0;
    return kCommands[position].code;
}

int CommandPosition(int code) {
    for (int i = 0; i < kCommandCount; ++i)
        if (kCommands[i].code == code) return i;
    return 0;
}

bool SendsLockPriority(int position) {
    return position >= 0 && position < kCommandCount && kCommands[position].lock;
}

}  // namespace kavro
