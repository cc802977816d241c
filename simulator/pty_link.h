#pragma once
// A pseudo-terminal that plays the switch's end of the line (POSIX only).
// The tool opens devicePath() as its serial device, through the very same
// serial port code as a USB adapter; a background thread reads the tool's
// frames from the master side and writes back what the responder answers.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <termios.h>
#include <vector>

#include "simulator/simulated_switch.h"

namespace kavro {

class PtyLink {
public:
    // Given one whole frame from the tool, the bytes to send back (none for
    // a silent switch). Runs on the link's thread.
    using Responder = std::function<Bytes(const Bytes& frame)>;
    // The same with pacing and hanging up, as a simulated switch answers.
    using SwitchResponder = std::function<SwitchResponse(const Bytes& frame)>;

    struct Arrival {
        std::uint8_t byte;
        std::chrono::steady_clock::time_point at;
    };

    PtyLink();  // throws std::runtime_error when no pseudo-terminal can be had
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    const std::string& devicePath() const { return devicePath_; }

    // The time a byte takes on the line: replies go out a byte at a time,
    // after the time the tool's frame took to arrive. 0 answers at once and
    // writes each reply in one piece.
    void setBytePacingMs(double ms) { pacingMs_ = ms; }
    // An adapter that hears its own transmission: every byte the tool
    // sends comes back to it as it arrives, before any answer.
    void setEcho(bool echo) { echo_ = echo; }

    void start(Responder responder);
    void start(SwitchResponder responder);
    void stop();
    // The line goes away, as when a USB adapter is unplugged.
    void hangUp();

    // Everything the tool has sent so far, with arrival times.
    std::vector<Arrival> received() const;

    // Serves in the calling thread until stop() (or a signal handler's
    // requestStop()); for a simulator program of its own.
    void serve(SwitchResponder responder);
    void requestStop() { stopping_ = true; }

private:
    void loop();
    void writeAll(const Bytes& bytes, double pacingMs, std::chrono::steady_clock::time_point start);
    void closeLine();

    void restoreLine();

    int master_ = -1;
    termios lineSettings_{};  // the line as made, raw
    std::string devicePath_;
    SwitchResponder responder_;
    std::atomic<double> pacingMs_{0};
    std::atomic<bool> echo_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Arrival> received_;
};

}  // namespace kavro
