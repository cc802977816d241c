// The transport on virtual time: the exact bounds of the reply time-out at
// every timer phase, short replies, a closed port, and the pause across a
// clock wrap. The same primitives over a real serial layer: pty tests.

#include <gtest/gtest.h>

#include <functional>

#include "buslink/bus_link.h"
#include "simulator/simulated_serial_port.h"
#include "support/scripted_port.h"
#include "simulator/virtual_pump.h"

namespace kavro {
namespace {

using test::ScriptedPort;

const Bytes kFirmwareQuery{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

Bytes Reply(std::uint8_t code, int length) {
    Bytes reply{code, LengthByte(length, false)};
    while (static_cast<int>(reply.size()) < length - 2) reply.push_back(static_cast<std::uint8_t>(reply.size()));
    AppendChecksum(reply);
    return reply;
}

class Transport : public ::testing::Test {
protected:
    Transport() : port(pump), log("Diagnostic"), bus(port, pump, log) {
        port.open();
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
    }

    void LoadFirmwareQuery() {
        for (std::size_t i = 0; i < kFirmwareQuery.size(); ++i) bus.transmit[i] = kFirmwareQuery[i];
        AppendChecksum(bus.transmit, 11);
    }

    // Runs one exchange and returns how long the reply wait took.
    std::uint32_t Exchange(int expected) {
        LoadFirmwareQuery();
        bus.sendFrame(11);
        const std::uint32_t start = pump.nowMs();
        bus.receiveFrame(expected);
        return pump.nowMs() - start;
    }

    VirtualPump pump;
    ScriptedPort port;
    DiagnosticLog log;
    BusLink bus;
};

TEST_F(Transport, SilentSwitchTimesOutAfterFiveTicksAndLeavesTheBufferAlone) {
    // A previous good reply is in the buffer.
    const Bytes previous = Reply(0x80, 13);
    port.responder = [&](const Bytes&) { return previous; };
    Exchange(13);
    const FrameBuffer before = bus.reply;

    port.responder = nullptr;
    for (std::int64_t phase : {0, -1, -100, -199}) {
        pump.setTimerPhase(phase);
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
        const std::uint32_t waited = Exchange(13);
        EXPECT_GE(waited, 800u) << "phase " << phase;
        EXPECT_LE(waited, 1000u) << "phase " << phase;
    }
    EXPECT_EQ(bus.reply, before);
    EXPECT_EQ(bus.receivedCount, 0);
    EXPECT_EQ(log.text().substr(0, 13), "RCV= 0\r\n-->\r\n");
}

TEST_F(Transport, WaitEndsEvenIfTheTimerIsNotRunning) {
    pump.stopReplyTimer();
    const std::uint32_t waited = Exchange(13);
    EXPECT_LE(waited, 1000u);
    EXPECT_EQ(log.text().substr(0, 8), "RCV= 0\r\n");
}

TEST_F(Transport, ShortReplyShowsItsCountAfterTheTimeOut) {
    const Bytes reply = Reply(0x80, 13);
    port.responder = [&](const Bytes&) { return Bytes(reply.begin(), reply.begin() + 7); };
    const std::uint32_t waited = Exchange(13);
    EXPECT_GE(waited, 800u);
    EXPECT_EQ(bus.receivedCount, 7);
    EXPECT_EQ(log.text().substr(0, 8), "RCV= 7\r\n");
}

TEST_F(Transport, ClosedPortReturnsAtOnceWithNothing) {
    port.close();
    const std::uint32_t waited = Exchange(13);
    EXPECT_EQ(waited, 0u);
    EXPECT_EQ(port.bytesWritten, 0);
    EXPECT_EQ(bus.receivedCount, 0);
    EXPECT_EQ(log.text().substr(0, 8), "RCV= 0\r\n");
}

// A device that never stops talking fills no memory: the port holds at
// most kInputLimit bytes, the rest is dropped and the log says how much.
TEST(Flood, IsHeldToTheLimitAndCounted) {
    VirtualPump pump;
    auto flooding = std::make_shared<SimulatedSwitch>(SwitchState::Factory(), *ParseFaultPlan("8F=flood"));
    SimulatedSerialPort port(flooding, pump, false);
    DiagnosticLog log("Diagnostic");
    BusLink bus(port, pump, log);
    port.open();
    pump.startReplyTimer(BusLink::kReplyTimerMs, [&] { bus.replyTimerTick(); });
    int most = 0;
    std::function<void()> sample = [&] {
        most = std::max(most, port.inputCount());
        pump.schedule(7, sample);
    };
    pump.schedule(0, sample);
    const Bytes query{msg::querySwitchAddress, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(query.begin(), query.end(), bus.transmit.begin());
    AppendChecksum(bus.transmit, 11);
    bus.sendFrame(11);
    bus.receiveFrame(11);
    EXPECT_EQ(bus.receivedCount, 49);
    const std::string top = "RCV= 49\r\nDROP= ";
    ASSERT_EQ(log.text().rfind(top, 0), 0u) << log.text().substr(0, 40);
    EXPECT_GT(std::stoi(log.text().substr(top.size())), 50000) << "64 bytes a millisecond for the whole wait";
    EXPECT_LE(most, kInputLimit);
}

TEST(pause, WaitsTheFullTimeAcrossAClockWrap) {
    VirtualPump pump(0xFFFFFFF0u);  // 16 ms before the 32-bit clock wraps
    test::ScriptedPort port(pump);
    DiagnosticLog log("Diagnostic");
    BusLink bus(port, pump, log);
    const std::uint32_t start = pump.nowMs();
    bus.pause(25);
    EXPECT_EQ(static_cast<std::uint32_t>(pump.nowMs() - start), 25u);
    EXPECT_LT(pump.nowMs(), start);  // it did wrap
}

TEST(pause, ZeroReturnsAtOnceAndFractionsRound) {
    VirtualPump pump;
    test::ScriptedPort port(pump);
    DiagnosticLog log("Diagnostic");
    BusLink bus(port, pump, log);
    std::uint32_t start = pump.nowMs();
    bus.pause(0);
    EXPECT_EQ(pump.nowMs(), start);
    EXPECT_EQ(pump.processCalls(), 0);
    bus.pause(24.6);
    EXPECT_EQ(pump.nowMs() - start, 25u);
}

}  // namespace
}  // namespace kavro
