#pragma once
// Wraps a real serial port and records how the bus link drives it: the
// size and time of every write and when RTS was raised.

#include <chrono>
#include <vector>

#include "platform/serial_port.h"

namespace kavro::test {

class RecordingPort : public SerialPort {
public:
    using Clock = std::chrono::steady_clock;
    struct Write {
        int size;
        Clock::time_point at;
    };

    explicit RecordingPort(SerialPort& inner) : inner_(inner) {}

    void setLineSettings(const std::string& s) override { inner_.setLineSettings(s); }
    void setHandshaking(Handshake h) override { inner_.setHandshaking(h); }
    void setPortName(const std::string& d) override { inner_.setPortName(d); }
    std::string portName() const override { return inner_.portName(); }
    OpenResult open() override { return inner_.open(); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    int inputCount() const override { return inner_.inputCount(); }
    std::vector<std::uint8_t> readAll() override { return inner_.readAll(); }
    int clearInput() override { return inner_.clearInput(); }
    void clearOutput() override { inner_.clearOutput(); }
    int outputCount() const override { return inner_.outputCount(); }
    void write(const std::uint8_t* data, int count) override {
        writes.push_back({count, Clock::now()});
        inner_.write(data, count);
    }
    void setRts(bool raised) override {
        rtsRaisedAt = Clock::now();
        inner_.setRts(raised);
    }

    std::vector<Write> writes;
    Clock::time_point rtsRaisedAt{};

private:
    SerialPort& inner_;
};

}  // namespace kavro::test
