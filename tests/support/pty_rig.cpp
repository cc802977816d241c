// The transfer rig over a pseudo-terminal: QSerialPort on the tool's side, the simulated switch on a thread at
// the master side.

#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/pty_link.h"
#include "support/transfer_rig.h"

namespace kavro::test {
namespace {

class PtyRig : public TransferRig {
public:
    explicit PtyRig(SwitchState state) : TransferRig(std::move(state), std::make_unique<QtEventPump>(), false) {
        link_.setBytePacingMs(0.5);
        link_.start(PtyLink::SwitchResponder([this](const Bytes& frame) {
            return withSwitch([&](SimulatedSwitch& sw) { return sw.respond(frame); });
        }));
        start({.hardwarePort = [] { return std::make_unique<QtSerialPort>(); }}, {.device = link_.devicePath()});
    }
    ~PtyRig() override {
        form_.reset();
        link_.stop();
    }
    void echo(bool on) override { link_.setEcho(on); }

private:
    PtyLink link_;
};

}  // namespace

std::unique_ptr<TransferRig> MakeRig(SwitchState state) { return std::make_unique<PtyRig>(std::move(state)); }

}  // namespace kavro::test
