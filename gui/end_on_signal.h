#pragma once
// SIGTERM, SIGHUP (the session ends) and SIGINT end the window program
// at once, asking nothing: a logout or a shutdown must not wait on a
// question nobody will answer. The port is emptied and closed, so it gets
// its line settings back and its lock file goes. The signal handler only
// writes the signal's number into a pipe; the event loop reads it and
// calls `end` there, where everything may be done. Nothing on Windows.

#include <functional>

#include "shell/switch_tool.h"

namespace kavro {

// What a signal does to the window program: the screen's unsent changes
// go to the recovery file (the next start offers them), the port is
// closed, and every event loop ends, a question's included, the program's
// with the status 128 + signal.
void EndProgram(SwitchTool& tool, int signal);

// Returns false when the pipe could not be made (signals then end the
// program at once, as they would anyway).
bool EndOnSignals(std::function<void(int signal)> end);

}  // namespace kavro
