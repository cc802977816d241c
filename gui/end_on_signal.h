#pragma once
// SIGTERM, SIGHUP (the session ends) and SIGINT end the window program as
// closing its window does: the port is emptied and closed, so it gets its
// line settings back and its lock file goes. The signal handler only
// writes the signal's number into a pipe; the event loop reads it and
// calls `end` there, where everything may be done. Nothing on Windows.

#include <functional>

namespace kavro {

// Returns false when the pipe could not be made (signals then end the
// program at once, as they would anyway).
bool EndOnSignals(std::function<void(int signal)> end);

}  // namespace kavro
