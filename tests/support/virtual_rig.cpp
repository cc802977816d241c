// The transfer rig on virtual time: the simulated switch in-process behind
// the serial port interface, paced like a 4800 baud line.

#include "simulator/simulated_serial_port.h"
#include "support/transfer_rig.h"
#include "simulator/virtual_pump.h"

namespace kavro::test {
namespace {

class VirtualRig : public TransferRig {
public:
    explicit VirtualRig(SwitchState state) : switch_(std::make_shared<SimulatedSwitch>(std::move(state))) {
        ShellEnvironment env;
        env.pump = &pump_;
        env.ui = &ui_;
        env.hardwarePort = [] { return std::unique_ptr<SerialPort>(); };
        env.simulatedPort = [this] { return std::make_unique<SimulatedSerialPort>(switch_, pump_, true); };
        env.portsIni = {"/nonexistent/Ports.ini", {}};
        StartOptions options;
        options.simulator = true;
        form_ = std::make_unique<Application>(env, options);
        form_->start();
        start_ = pump_.nowMs();
    }

    Application& form() override { return *form_; }
    ScriptedUi& ui() override { return ui_; }
    bool virtualTime() const override { return true; }
    void withSwitch(const std::function<void(SimulatedSwitch&)>& f) override { f(*switch_); }
    void replaceSwitch(SwitchState state) override {
        // The port keeps the switch it was made with; swap what is inside.
        *switch_ = SimulatedSwitch(std::move(state));
    }
    void during(std::uint32_t delayMs, std::function<void()> f) override { pump_.schedule(delayMs, std::move(f)); }
    std::uint32_t nowMs() override { return pump_.nowMs() - start_; }

private:
    VirtualPump pump_;
    ScriptedUi ui_;
    std::shared_ptr<SimulatedSwitch> switch_;
    std::unique_ptr<Application> form_;
    std::uint32_t start_ = 0;
};

}  // namespace

std::unique_ptr<TransferRig> MakeRig(SwitchState state) { return std::make_unique<VirtualRig>(std::move(state)); }

}  // namespace kavro::test
