#pragma once
// The virtual switch as a line partner: the switch's own answers, with the
// faults of a plan applied, and how they travel (pacing, a line that goes).

#include <map>
#include <utility>

#include "simulator/fault_plan.h"
#include "simulator/switch_simulator.h"

namespace kavro {

struct SwitchResponse {
    Bytes bytes;
    double bytePacingMs = 0;  // pause between bytes the fault asks for
    bool burst = false;       // all bytes at once, whatever the line's pace
    bool hangUp = false;      // the line goes away instead of answering
    bool flood = false;       // the line never stops talking from here on
};

class SimulatedSwitch {
public:
    static constexpr double kTrickleMs = 20;

    explicit SimulatedSwitch(SwitchState state = SwitchState::factory(), FaultPlan plan = {});

    // Bytes from the tool in; one response per whole frame out.
    std::vector<SwitchResponse> receive(const std::uint8_t* data, std::size_t count);
    // The response to one whole frame.
    SwitchResponse respond(const Bytes& frame);

    SwitchState& state() { return core_.state(); }
    void setPlan(FaultPlan plan) { plan_ = std::move(plan); }
    // Every whole frame seen so far.
    const std::vector<Bytes>& frames() const { return frames_; }

private:
    SwitchSimulator core_;
    FaultPlan plan_;
    FrameAssembler assembler_;
    std::map<std::pair<int, int>, int> attempts_;  // (message, channel) -> frames seen
    std::vector<Bytes> frames_;
};

}  // namespace kavro
