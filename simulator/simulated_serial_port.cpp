#include "simulator/simulated_serial_port.h"

#include <cmath>

namespace kavro {

SimulatedSerialPort::SimulatedSerialPort(std::shared_ptr<SwitchSimulator> simulator, EventPump& pump,
                                         bool linePacing)
    : simulator_(std::move(simulator)), pump_(pump), pacing_(linePacing) {}

OpenResult SimulatedSerialPort::open() {
    open_ = true;
    input_.clear();
    return {OpenStatus::Opened, {}};
}

void SimulatedSerialPort::close() {
    open_ = false;
    input_.clear();
    ++*session_;
}

std::vector<std::uint8_t> SimulatedSerialPort::readAll() {
    std::vector<std::uint8_t> bytes(input_.begin(), input_.end());
    input_.clear();
    return bytes;
}

void SimulatedSerialPort::write(const std::uint8_t* data, int count) {
    if (!open_ || count <= 0) return;
    const Bytes reply = simulator_->receive(data, static_cast<std::size_t>(count));
    if (!pacing_) {
        input_.insert(input_.end(), reply.begin(), reply.end());
        return;
    }
    // Each byte of the answer arrives one character time after the one
    // before it, the first one character time after the last byte sent.
    const int session = *session_;
    std::weak_ptr<int> alive = session_;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const auto delay = static_cast<std::uint32_t>(std::lround(kByteTimeMs * static_cast<double>(i + 2)));
        pump_.schedule(delay, [this, alive, session, byte = reply[i]] {
            const auto current = alive.lock();
            if (current && *current == session) input_.push_back(byte);
        });
    }
}

}  // namespace kavro
