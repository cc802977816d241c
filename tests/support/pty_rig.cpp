// The transfer rig over a pseudo-terminal: QSerialPort on the tool's side,
// the simulated switch on a thread at the master side.

#include <QTimer>
#include <mutex>

#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/pty_link.h"
#include "support/transfer_rig.h"

namespace kavro::test {
namespace {

class PtyRig : public TransferRig {
public:
    explicit PtyRig(SwitchState state) : switch_(std::move(state)) {
        link_.setBytePacingMs(0.5);
        link_.start(PtyLink::SwitchResponder([this](const Bytes& frame) {
            std::lock_guard lock(mutex_);
            return switch_.respond(frame);
        }));
        ShellEnvironment env;
        env.pump = &pump_;
        env.ui = &ui_;
        env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
        env.portsIni = {"/nonexistent/Ports.ini", {}};
        StartOptions options;
        options.device = link_.devicePath();
        form_ = std::make_unique<Application>(env, options);
        form_->start();
        clock_.start();
    }
    ~PtyRig() override {
        form_.reset();
        link_.stop();
    }

    Application& form() override { return *form_; }
    ScriptedUi& ui() override { return ui_; }
    bool virtualTime() const override { return false; }
    void withSwitch(const std::function<void(SimulatedSwitch&)>& f) override {
        std::lock_guard lock(mutex_);
        f(switch_);
    }
    void replaceSwitch(SwitchState state) override {
        std::lock_guard lock(mutex_);
        switch_ = SimulatedSwitch(std::move(state));
    }
    void during(std::uint32_t delayMs, std::function<void()> f) override {
        QTimer::singleShot(static_cast<int>(delayMs), std::move(f));
    }
    std::uint32_t nowMs() override { return static_cast<std::uint32_t>(clock_.elapsed()); }

private:
    std::mutex mutex_;
    SimulatedSwitch switch_;
    PtyLink link_;
    QtEventPump pump_;
    ScriptedUi ui_;
    std::unique_ptr<Application> form_;
    QElapsedTimer clock_;
};

}  // namespace

std::unique_ptr<TransferRig> MakeRig(SwitchState state) { return std::make_unique<PtyRig>(std::move(state)); }

}  // namespace kavro::test
