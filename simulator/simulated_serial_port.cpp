#include "simulator/simulated_serial_port.h"

#include <cmath>

namespace kavro {

SimulatedSerialPort::SimulatedSerialPort(std::shared_ptr<SimulatedSwitch> simulated, EventPump& pump,
                                         bool linePacing)
    : simulated_(std::move(simulated)), pump_(pump), pacing_(linePacing) {}

OpenResult SimulatedSerialPort::open() {
    if (lost_) return {OpenStatus::NotFound, "the simulated line is gone"};
    open_ = true;
    input_.clear();
    return {OpenStatus::Opened, {}};
}

void SimulatedSerialPort::close() {
    open_ = false;
    flooding_ = false;
    input_.clear();
    session_ = std::make_shared<int>(0);
}

int SimulatedSerialPort::clearInput() {
    const int thrownAway = static_cast<int>(input_.size()) + dropped_;
    input_.clear();
    dropped_ = 0;
    return thrownAway;
}

void SimulatedSerialPort::arrive(std::uint8_t byte) {
    if (static_cast<int>(input_.size()) < kInputLimit) input_.push_back(byte);
    else ++dropped_;
}

// A device that keeps talking: a burst every millisecond while the port is
// open.
void SimulatedSerialPort::flood(std::weak_ptr<int> session) {
    pump_.schedule(1, [this, session] {
        if (!session.lock()) return;
        for (int i = 0; i < 64; ++i) arrive(static_cast<std::uint8_t>(0xA5 ^ i));
        flood(session);
    });
}

std::vector<std::uint8_t> SimulatedSerialPort::readAll() {
    std::vector<std::uint8_t> bytes(input_.begin(), input_.end());
    input_.clear();
    return bytes;
}

void SimulatedSerialPort::write(const std::uint8_t* data, int count) {
    if (!open_ || count <= 0) return;
    // The adapter hears each byte as it leaves, a byte's time later on a
    // paced line: before anything the switch can answer.
    if (echo_) deliver({Bytes(data, data + count), pacing_ ? kByteTimeMs : 0.0, !pacing_});
    for (const SwitchResponse& response : simulated_->receive(data, static_cast<std::size_t>(count))) {
        if (response.hangUp) {
            lost_ = true;
            close();
            deviceLost();
            return;
        }
        deliver(response);
    }
}

void SimulatedSerialPort::deliver(const SwitchResponse& response) {
    if (response.flood) {
        if (!flooding_) flood(session_);
        flooding_ = true;
        return;
    }
    const double step = response.burst ? 0.0 : std::max(response.bytePacingMs, pacing_ ? kByteTimeMs : 0.0);
    if (step <= 0) {
        if (!pacing_) {
            for (std::uint8_t byte : response.bytes) arrive(byte);
            return;
        }
        // A burst still takes the switch's turnaround to begin.
        std::weak_ptr<int> session = session_;
        pump_.schedule(static_cast<std::uint32_t>(std::lround(2 * kByteTimeMs)), [this, session, bytes = response.bytes] {
            if (session.lock())
                for (std::uint8_t byte : bytes) arrive(byte);
        });
        return;
    }
    // Each byte arrives one step after the one before it, the first one
    // two steps after the last byte sent (the switch's turnaround).
    std::weak_ptr<int> session = session_;
    for (std::size_t i = 0; i < response.bytes.size(); ++i) {
        const auto delay = static_cast<std::uint32_t>(std::lround(step * static_cast<double>(i + 2)));
        pump_.schedule(delay, [this, session, byte = response.bytes[i]] {
            if (session.lock()) arrive(byte);
        });
    }
}

}  // namespace kavro
