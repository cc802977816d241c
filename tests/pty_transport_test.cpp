// The bus link over a real serial layer: QSerialPort on a pseudo-terminal,
// with the switch's end played by a thread on the master side.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>

#include <sys/resource.h>

#include "buslink/bus_link.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/pty_link.h"
#include "support/recording_port.h"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;
using test::RecordingPort;

Bytes Reply(std::uint8_t code, int length, std::uint8_t fill) {
    Bytes reply{code, LengthByte(length, false)};
    while (static_cast<int>(reply.size()) < length - 2) reply.push_back(fill);
    AppendChecksum(reply);
    return reply;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

class PtyTransport : public ::testing::Test {
protected:
    PtyTransport() : recorder(port), log("Diagnostic"), bus(recorder, pump, log) {
        port.setLineSettings("4800,O,8,1");
        port.setHandshaking(Handshake::None);
        port.setPortName(link.devicePath());
        const OpenResult opened = port.open();
        EXPECT_TRUE(opened.ok()) << opened.detail;
        port.clearInput();
        port.clearOutput();
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
    }

    void Start(PtyLink::Responder responder) { link.start(std::move(responder)); }

    void LoadQuery(std::uint8_t code) {
        const Bytes head{code, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        std::copy(head.begin(), head.end(), bus.transmit.begin());
        AppendChecksum(bus.transmit, 11);
    }

    // One exchange; returns the milliseconds the reply wait took.
    long Exchange(int expected, std::uint8_t code = 0x80) {
        LoadQuery(code);
        bus.sendFrame(11);
        const auto start = Clock::now();
        bus.receiveFrame(expected);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    PtyLink link;
    QtSerialPort port;
    RecordingPort recorder;
    QtEventPump pump;
    DiagnosticLog log;
    BusLink bus;
};

TEST_F(PtyTransport, FrameLeavesAsElevenOneByteWritesAfterTheRtsLead) {
    Start([](const Bytes&) { return Bytes{}; });
    LoadQuery(0x80);
    const auto start = Clock::now();
    bus.sendFrame(11);
    bus.receiveFrame(13);  // lets the bytes go out

    EXPECT_NE(log.text().find("<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n"), std::string::npos);
    ASSERT_EQ(recorder.writes.size(), 11u);
    for (const auto& w : recorder.writes) {
        EXPECT_EQ(w.size, 1);
        EXPECT_GE(w.at - recorder.rtsRaisedAt, std::chrono::milliseconds(25));
    }
    const auto arrived = link.received();
    ASSERT_EQ(arrived.size(), 11u);
    const Bytes expected{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C};
    for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(arrived[i].byte, expected[i]);
    EXPECT_GE(arrived.front().at - start, std::chrono::milliseconds(25));
    EXPECT_TRUE(port.isOpen());  // RTS on a pty fails quietly
}

TEST_F(PtyTransport, ReplyOfExactLengthEndsTheWaitEarly) {
    const Bytes reply = Reply(0x80, 13, 0x5A);
    Start([&](const Bytes&) { return reply; });
    const long waited = Exchange(13);
    EXPECT_LT(waited, 400);
    EXPECT_EQ(bus.receivedCount, 13);
    EXPECT_EQ(VerifyChecksum(bus.reply), 1);
    EXPECT_EQ(log.text().substr(0, 9), "RCV= 13\r\n");
    EXPECT_EQ(log.colour(), kLogBlack);
}


TEST_F(PtyTransport, SilentSwitchTimesOutWithoutTouchingTheBufferOrTheProcessor) {
    const Bytes first = Reply(0x80, 13, 0x21);
    std::atomic<bool> answer{true};
    Start([&](const Bytes&) { return answer ? first : Bytes{}; });
    Exchange(13);
    const FrameBuffer before = bus.reply;
    answer = false;

    const double cpuBefore = CpuSeconds();
    const long waited = Exchange(13);
    const double cpu = CpuSeconds() - cpuBefore;

    EXPECT_GE(waited, 800);
    EXPECT_LE(waited, 1060);
    EXPECT_EQ(bus.reply, before);
    EXPECT_EQ(bus.receivedCount, 0);
    EXPECT_EQ(log.text().substr(0, 13), "RCV= 0\r\n-->\r\n");
    // A wait that polled would burn close to a full second of processor.
    EXPECT_LT(cpu, 0.15 * waited / 1000.0) << "cpu " << cpu << " s over " << waited << " ms";
}

// Qt stops reading a device while the port holds its 64 bytes; what stays
// in the driver is dropped and counted with the rest, and the port reads
// again for the next reply.
TEST_F(PtyTransport, LongReplyIsCutToFortyNineAndTheRestDroppedAndCounted) {
    Bytes flood(2000);
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i);
    const Bytes reply = Reply(0x80, 13, 0x33);
    std::atomic<int> frames{0};
    Start([&](const Bytes&) { return ++frames == 1 ? flood : reply; });
    const long waited = Exchange(13);
    EXPECT_GE(waited, 800);
    EXPECT_EQ(bus.receivedCount, 49);
    for (int i = 0; i < 49; ++i) EXPECT_EQ(bus.reply[i], flood[i]);
    EXPECT_EQ(log.text().substr(0, 21), "RCV= 49\r\nDROP= 1951\r\n");
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_LT(Exchange(13), 500);
    EXPECT_EQ(bus.receivedCount, 13);
}

TEST_F(PtyTransport, ZeroAndFFBytesCrossTheLineUnchanged) {
    Bytes reply{0x80, 0xF2, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x0D, 0x0A, 0x11, 0x13};
    AppendChecksum(reply);
    Start([&](const Bytes&) { return reply; });
    Exchange(13);
    ASSERT_EQ(bus.receivedCount, 13);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(bus.reply[i], reply[i]) << "byte " << i;
    EXPECT_NE(log.text().find("-->80 F2 00 FF 00 FF FF 0D 0A 11 13 "), std::string::npos);
}


TEST_F(PtyTransport, VanishingLineClosesThePortOnceAndEndsTheWait) {
    Start([](const Bytes&) { return Bytes{}; });
    LoadQuery(0x80);
    bus.sendFrame(11);
    link.hangUp();
    const auto start = Clock::now();
    bus.receiveFrame(13);
    const auto waited = Clock::now() - start;
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.deviceLost());
    EXPECT_LE(port.errorReports(), 3);
    EXPECT_LT(waited, std::chrono::milliseconds(1100));
    // Later exchanges find the port closed and return at once.
    const auto again = Clock::now();
    bus.sendFrame(11);
    bus.receiveFrame(13);
    EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(200));
}


}  // namespace
}  // namespace kavro

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
