// What only the real serial layer can show: QSerialPort on a pseudo-terminal,
// with the switch's end played by a thread on the master side. The bus link's
// own rules are tested on virtual time (transport_test.cpp); every transfer
// scenario runs over this line too (transfer_scenarios.cpp), and the
// command-line tool's fault matrix bounds its processor time (cli_test.cpp).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>

#include "buslink/bus_link.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/pty_link.h"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;

class PtyTransport : public ::testing::Test {
protected:
    PtyTransport() : log("Diagnostic"), bus(port, pump, log) {
        port.setPortName(link.devicePath());
        EXPECT_TRUE(port.open().ok());
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
        const Bytes query{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C};
        std::copy(query.begin(), query.end(), bus.transmit.begin());
    }
    // One firmware query and its reply wait; returns the milliseconds waited.
    long Exchange() {
        bus.sendFrame(11);
        const auto start = Clock::now();
        bus.receiveFrame(13);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    PtyLink link;
    QtSerialPort port;
    QtEventPump pump;
    DiagnosticLog log;
    BusLink bus;
};

// Qt stops reading a device while the port holds its 64 bytes; what stays
// in the driver is dropped and counted with the rest, and the port reads
// again for the next reply.
TEST_F(PtyTransport, LongReplyIsCutToFortyNineAndTheRestDroppedAndCounted) {
    Bytes flood(2000), reply{0x80, LengthByte(13, false), 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i);
    AppendChecksum(reply);
    std::atomic<int> frames{0};
    link.start(PtyLink::Responder([&](const Bytes&) { return ++frames == 1 ? flood : reply; }));
    EXPECT_GE(Exchange(), 800);
    EXPECT_EQ(bus.receivedCount, 49);
    EXPECT_TRUE(std::equal(flood.begin(), flood.begin() + 49, bus.reply.begin()));
    EXPECT_EQ(log.text().substr(0, 21), "RCV= 49\r\nDROP= 1951\r\n");
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_LT(Exchange(), 500);
    EXPECT_EQ(bus.receivedCount, 13);
}

// The transfer scenarios show what the user sees; here, that the port
// notices at once and does not report the lost device over and over.
TEST_F(PtyTransport, VanishingLineClosesThePortOnceAndEndsTheWait) {
    link.start(PtyLink::Responder([](const Bytes&) { return Bytes{}; }));
    bus.sendFrame(11);
    link.hangUp();
    const auto start = Clock::now();
    bus.receiveFrame(13);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1100));
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.deviceLost());
    EXPECT_LE(port.errorReports(), 3);
}

}  // namespace
}  // namespace kavro

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
