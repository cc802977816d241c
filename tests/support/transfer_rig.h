#pragma once
// A main window connected to a simulated switch, for the transfer
// scenarios. Two rigs exist: one on virtual time with the switch in-process
// (every case, in microseconds), one over a pseudo-terminal through
// QSerialPort (the real serial layer, in real time).

#include <functional>
#include <memory>

#include "shell/application.h"
#include "simulator/simulated_switch.h"
#include "support/scripted_ui.h"

namespace kavro::test {

class TransferRig {
public:
    virtual ~TransferRig() = default;

    virtual Application& form() = 0;
    virtual ScriptedUi& ui() = 0;
    virtual bool virtualTime() const = 0;

    // The switch on the line, safe against the line's own thread.
    virtual void withSwitch(const std::function<void(SimulatedSwitch&)>& f) = 0;
    // Puts another switch on the line (for copying between switches).
    virtual void replaceSwitch(SwitchState state) = 0;
    // Runs f during the next wait of the tool, after delayMs.
    virtual void during(std::uint32_t delayMs, std::function<void()> f) = 0;
    // Milliseconds since the rig was made.
    virtual std::uint32_t nowMs() = 0;

    SwitchState State() {
        SwitchState s;
        withSwitch([&](SimulatedSwitch& sw) { s = sw.state(); });
        return s;
    }
    std::vector<Bytes> frames() {
        std::vector<Bytes> f;
        withSwitch([&](SimulatedSwitch& sw) { f = sw.frames(); });
        return f;
    }
    void Plan(const std::string& text) {
        withSwitch([&](SimulatedSwitch& sw) { sw.setPlan(*ParseFaultPlan(text)); });
    }
};

// Made by the rig of each test program.
std::unique_ptr<TransferRig> MakeRig(SwitchState state);

}  // namespace kavro::test
