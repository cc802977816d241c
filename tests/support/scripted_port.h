#pragma once
// A serial port for tests: it answers each complete frame with whatever the
// test's responder returns, delivered through the pump 30 ms later (or as
// a subclass's answer says), and records what start-up, shutdown and the
// bus link do to it.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "simulator/switch_simulator.h"

namespace kavro::test {

class ScriptedPort : public SerialPort {
public:
    using Responder = std::function<Bytes(const Bytes& frame)>;

    explicit ScriptedPort(EventPump& pump) : pump_(pump) {}

    void setLineSettings(const std::string& s) override { settings = s; }
    void setHandshaking(Handshake) override { handshakeSet = true; }
    void setPortName(const std::string& device) override { name_ = device; }
    std::string portName() const override { return name_; }

    OpenResult open() override {
        openedNames.push_back(name_);
        const OpenResult result = openResults.count(name_) ? openResults[name_] : OpenResult{OpenStatus::Opened, {}};
        return open_ = result.ok(), result;
    }
    void close() override { open_ = false, input_.clear(); }
    void unplug() { close(), deviceLost(); }  // the adapter pulled out while open
    bool isOpen() const override { return open_; }

    int inputCount() const override { return static_cast<int>(input_.size()); }
    std::vector<std::uint8_t> readAll() override { return std::exchange(input_, {}); }
    int clearInput() override {
        ++inputClears;
        return static_cast<int>(std::exchange(input_, {}).size());  // how many were thrown away
    }
    void clearOutput() override { ++outputClears; }
    int outputCount() const override { return stuckOutput; }
    void write(const std::uint8_t* data, int count) override {
        if (!open_) return;
        writes.push_back({count, pump_.nowMs()});
        for (const Bytes& frame : assembler_.push(data, static_cast<std::size_t>(count))) answer(frame);
    }
    void setRts(bool raised) override { rts = raised, rtsRaisedAtMs = raised ? pump_.nowMs() : rtsRaisedAtMs; }
    void awaitInput(int count) override { awaited.push_back(count); }

    Responder responder;
    std::map<std::string, OpenResult> openResults;  // by device; others open fine
    std::vector<std::string> openedNames;
    std::string settings;
    bool handshakeSet = false;
    bool rts = false;
    int stuckOutput = 0;  // bytes the output buffer claims to hold
    int inputClears = 0;
    int outputClears = 0;
    std::vector<int> awaited;  // the reply lengths the port was told to wake at, 0 when a wait ended
    std::vector<std::pair<int, std::uint32_t>> writes;  // size and time of each write to the open port
    std::uint32_t rtsRaisedAtMs = 0;

protected:
    virtual void answer(const Bytes& frame) {
        if (responder) deliver(30, responder(frame));
    }
    // Bytes arriving delayMs from now; lost if the port is closed by then.
    void deliver(std::uint32_t delayMs, Bytes bytes) {
        if (bytes.empty()) return;
        pump_.schedule(delayMs, [this, bytes] {
            if (open_) input_.insert(input_.end(), bytes.begin(), bytes.end());
        });
    }

private:
    EventPump& pump_;
    bool open_ = false;
    std::string name_;
    std::vector<std::uint8_t> input_;
    FrameAssembler assembler_;
};

}  // namespace kavro::test
