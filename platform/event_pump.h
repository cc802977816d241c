#pragma once
// The window system's event loop as the bus link sees it: a millisecond
// clock, a way to let pending events run while waiting, and the periodic
// reply timer. The waits block in here; they never spin.

#include <cstdint>
#include <functional>

namespace kavro {

class EventPump {
public:
    virtual ~EventPump() = default;

    // Milliseconds since some fixed start; wraps at 2^32 like the
    // multimedia timer it stands for. Compare with subtraction only.
    virtual std::uint32_t nowMs() = 0;

    // Runs pending events. If none is pending, blocks until one arrives
    // (a byte on the port, a timer tick, a user action) or until
    // maxWaitMs has passed, whichever comes first.
    virtual void processEvents(std::uint32_t maxWaitMs) = 0;

    // The periodic reply timer. Starting it again restarts it.
    virtual void startReplyTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
    virtual void stopReplyTimer() = 0;

    // Runs action once, delayMs from now, from inside processEvents.
    // The simulated switch uses it to let its reply arrive over time.
    virtual void schedule(std::uint32_t delayMs, std::function<void()> action) = 0;
};

}  // namespace kavro
