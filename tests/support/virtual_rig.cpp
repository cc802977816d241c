// The transfer rig on virtual time: the simulated switch in-process behind the serial port interface, paced
// like a 4800 baud line.

#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"
#include "support/transfer_rig.h"

namespace kavro::test {
namespace {

class VirtualRig : public TransferRig {
public:
    explicit VirtualRig(SwitchState state) : TransferRig(std::move(state), std::make_unique<VirtualPump>(), true) {
        start({.simulatedPort = [this] {
                  auto port = std::make_unique<SimulatedSerialPort>(switch_, *pump_, true);
                  line_ = port.get();
                  return port;
              }},
              {.simulator = true});
    }
    void echo(bool on) override { line_->setEcho(on); }

private:
    SimulatedSerialPort* line_ = nullptr;
};

}  // namespace

std::unique_ptr<TransferRig> MakeRig(SwitchState state) { return std::make_unique<VirtualRig>(std::move(state)); }

}  // namespace kavro::test
