#pragma once
// An event pump on virtual time: processEvents jumps the clock to the next
// due event (a scheduled action or a reply timer tick) instead of sleeping, so
// time-outs of a second run in microseconds and always the same way.

#include <cstdint>
#include <functional>
#include <map>

#include "platform/event_pump.h"

namespace kavro {

class VirtualPump : public EventPump {
public:
    explicit VirtualPump(std::uint32_t startMs = 1000) : now_(startMs) {}

    std::uint32_t nowMs() override { return now_; }

    void processEvents(std::uint32_t maxWaitMs) override {
        ++calls_;
        const std::uint64_t deadline = elapsed_ + maxWaitMs;
        std::uint64_t next = deadline;
        if (timerRunning_ && nextTick_ < next) next = nextTick_;
        if (!actions_.empty() && actions_.begin()->first < next) next = actions_.begin()->first;
        advanceTo(next);
        if (timerRunning_ && nextTick_ <= elapsed_) {
            nextTick_ += interval_;
            ++ticks_;
            if (tick_) tick_();
        }
        while (!actions_.empty() && actions_.begin()->first <= elapsed_) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
        }
    }

    void startReplyTimer(std::uint32_t intervalMs, std::function<void()> tick) override {
        tick_ = std::move(tick);
        interval_ = intervalMs;
        nextTick_ = elapsed_ + phase_ + intervalMs;
        timerRunning_ = true;
    }
    void stopReplyTimer() override { timerRunning_ = false; }

    void schedule(std::uint32_t delayMs, std::function<void()> action) override {
        actions_.emplace(elapsed_ + delayMs, std::move(action));
    }

    // Moves the clock on without running anything (time spent elsewhere).
    void advance(std::uint32_t ms) { advanceTo(elapsed_ + ms); }
    // Where the next tick falls relative to a restart: a timer that was
    // started earlier ticks at any phase of its period.
    void setTimerPhase(std::int64_t phaseMs) { phase_ = phaseMs; }

    bool replyTimerRunning() const { return timerRunning_; }
    int ticks() const { return ticks_; }
    int processCalls() const { return calls_; }

private:
    void advanceTo(std::uint64_t t) {
        if (t <= elapsed_) return;
        now_ += static_cast<std::uint32_t>(t - elapsed_);
        elapsed_ = t;
    }

    std::uint32_t now_;
    std::uint64_t elapsed_ = 0;
    bool timerRunning_ = false;
    std::uint32_t interval_ = 200;
    std::int64_t phase_ = 0;
    std::uint64_t nextTick_ = 0;
    std::function<void()> tick_;
    std::multimap<std::uint64_t, std::function<void()>> actions_;
    int ticks_ = 0;
    int calls_ = 0;
};

}  // namespace kavro
