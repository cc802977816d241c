#pragma once
// A main window connected to a simulated switch, for the transfer scenarios. Two rigs exist: one on virtual
// time with the switch in-process (every case, in microseconds), one over a pseudo-terminal through
// QSerialPort (the real serial layer, in real time).

#include <functional>
#include <memory>
#include <mutex>

#include "shell/application.h"
#include "simulator/simulated_switch.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro::test {

class TransferRig {
public:
    virtual ~TransferRig() = default;

    Application& form() { return *form_; }
    // Runs f on the switch on the line, safe against the line's own thread.
    template <class F>
    auto withSwitch(F f) {
        std::lock_guard lock(mutex_);
        return f(*switch_);
    }
    std::vector<Bytes> frames() { return withSwitch([](SimulatedSwitch& sw) { return sw.frames(); }); }
    void plan(const std::string& text) { withSwitch([&](SimulatedSwitch& sw) { sw.setPlan(*ParseFaultPlan(text)); }); }
    // Runs f during the next wait of the tool, after delayMs.
    void during(std::uint32_t delayMs, std::function<void()> f) { pump_->schedule(delayMs, std::move(f)); }
    // Milliseconds since the window started.
    std::uint32_t nowMs() { return pump_->nowMs() - startMs_; }
    // The adapter hears its own transmission: every frame sent comes back before the switch's reply.
    virtual void echo(bool on) = 0;

    const bool virtualTime;
    ScriptedUi ui;
    TempFolder data;  // the data folder, where the history is kept

protected:
    TransferRig(SwitchState state, std::unique_ptr<EventPump> pump, bool virtualTime)
        : virtualTime(virtualTime), switch_(std::make_shared<SimulatedSwitch>(std::move(state))),
          pump_(std::move(pump)) {}
    void start(ShellEnvironment env, StartOptions options) {
        env.pump = pump_.get();
        env.ui = &ui;
        ui.answerYes = true;  // sends the start-up switch address when asked
        env.portsIni = {};    // no port remembered
        env.dataFolder = data.path();
        form_ = std::make_unique<Application>(std::move(env), std::move(options));
        form_->start();
        startMs_ = pump_->nowMs();
    }

    std::mutex mutex_;
    std::shared_ptr<SimulatedSwitch> switch_;
    std::unique_ptr<EventPump> pump_;
    std::unique_ptr<Application> form_;  // goes before the pump (and a rig's line: reset it first)
    std::uint32_t startMs_ = 0;
};

// Made by the rig of each test program.
std::unique_ptr<TransferRig> MakeRig(SwitchState state);

}  // namespace kavro::test
