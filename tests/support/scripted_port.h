#pragma once
// A serial port for tests: it records every call the bus link makes, and
// answers each complete frame with whatever the test's responder returns,
// delivered through the pump after a delay.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "simulator/switch_simulator.h"

namespace kavro::test {

class ScriptedPort : public SerialPort {
public:
    struct Write {
        std::vector<std::uint8_t> bytes;
        std::uint32_t atMs;
        bool rtsRaised;
    };
    using Responder = std::function<Bytes(const Bytes& frame)>;

    explicit ScriptedPort(EventPump& pump) : pump_(pump) {}

    void setLineSettings(const std::string& s) override { settings = s; }
    void setHandshaking(Handshake) override { handshakeSet = true; }
    void setPortName(const std::string& device) override { name_ = device; }
    std::string portName() const override { return name_; }

    OpenResult open() override {
        ++opens;
        openedNames.push_back(name_);
        auto it = openResults.find(name_);
        const OpenResult result = it != openResults.end() ? it->second : OpenResult{OpenStatus::Opened, {}};
        open_ = result.ok();
        return result;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    int inputCount() const override { return static_cast<int>(input.size()); }
    std::vector<std::uint8_t> readAll() override {
        std::vector<std::uint8_t> all(input.begin(), input.end());
        input.clear();
        return all;
    }
    void clearInput() override {
        ++inputClears;
        if (!stuckInput) input.clear();
    }
    void clearOutput() override { ++outputClears; }
    int outputCount() const override { return stuckOutput; }
    void write(const std::uint8_t* data, int count) override {
        if (!open_) return;
        writes.push_back({{data, data + count}, pump_.nowMs(), rts});
        for (const Bytes& frame : assembler_.push(data, static_cast<std::size_t>(count)))
            if (responder) deliver(responder(frame), replyDelayMs);
    }
    void setRts(bool raised) override {
        rts = raised;
        rtsRaisedAtMs = pump_.nowMs();
    }

    // Puts bytes into the input buffer after delayMs.
    void deliver(const Bytes& bytes, std::uint32_t delayMs) {
        if (bytes.empty()) return;
        if (delayMs == 0) {
            input.insert(input.end(), bytes.begin(), bytes.end());
            return;
        }
        pump_.schedule(delayMs, [this, bytes] { input.insert(input.end(), bytes.begin(), bytes.end()); });
    }

    // Every byte written so far, in order.
    Bytes written() const {
        Bytes all;
        for (const auto& w : writes) all.insert(all.end(), w.bytes.begin(), w.bytes.end());
        return all;
    }

    Responder responder;
    std::uint32_t replyDelayMs = 30;
    std::map<std::string, OpenResult> openResults;  // by device; others open fine
    std::vector<std::string> openedNames;
    std::deque<std::uint8_t> input;
    std::vector<Write> writes;
    std::string settings;
    bool handshakeSet = false;
    bool rts = false;
    std::uint32_t rtsRaisedAtMs = 0;
    bool stuckInput = false;  // the input buffer refuses to empty
    int stuckOutput = 0;      // bytes the output buffer claims to hold
    int opens = 0;
    int inputClears = 0;
    int outputClears = 0;

private:
    EventPump& pump_;
    bool open_ = false;
    std::string name_;
    FrameAssembler assembler_;
};

}  // namespace kavro::test
