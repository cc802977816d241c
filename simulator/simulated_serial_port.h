#pragma once
// The simulated switch behind the serial port interface, in the same
// process: what the tool writes goes to the switch, and its answer arrives
// in the input buffer, paced like a 4800 baud line if asked to. A switch
// told to vanish takes the port down with it, as an unplugged adapter does.
// An echoing port is an adapter that hears its own transmission: every
// byte written comes back, before the switch's answer.

#include <deque>
#include <memory>

#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "simulator/simulated_switch.h"

namespace kavro {

// Time one byte takes on the line: 11 bits (start, 8 data, parity, stop).
inline constexpr double kByteTimeMs = 11 * 1000.0 / 4800;

class SimulatedSerialPort : public SerialPort {
public:
    SimulatedSerialPort(std::shared_ptr<SimulatedSwitch> simulated, EventPump& pump, bool linePacing);

    void setLineSettings(const std::string&) override {}
    void setHandshaking(Handshake) override {}
    void setPortName(const std::string& device) override { name_ = device; }
    std::string portName() const override { return name_; }

    OpenResult open() override;
    void close() override;
    bool isOpen() const override { return open_; }

    int inputCount() const override { return static_cast<int>(input_.size()); }
    std::vector<std::uint8_t> readAll() override;
    int clearInput() override;
    void clearOutput() override {}
    int outputCount() const override { return 0; }
    void write(const std::uint8_t* data, int count) override;
    void setRts(bool) override {}

    void setEcho(bool echo) { echo_ = echo; }

private:
    void deliver(const SwitchResponse& response);
    void arrive(std::uint8_t byte);
    void flood(std::weak_ptr<int> session);

    std::shared_ptr<SimulatedSwitch> simulated_;
    EventPump& pump_;
    bool pacing_;
    bool echo_ = false;
    bool open_ = false;
    bool lost_ = false;
    std::string name_;
    std::deque<std::uint8_t> input_;
    int dropped_ = 0;  // bytes that found the input full
    bool flooding_ = false;
    // Replaced on close, so bytes still on their way to a closed port are lost.
    std::shared_ptr<int> session_ = std::make_shared<int>(0);
};

}  // namespace kavro
