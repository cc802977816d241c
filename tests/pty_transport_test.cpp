// What only the real serial layer can show: QSerialPort on a pseudo-terminal, with the switch's end played by a
// thread on the master side. The bus link's own rules: transport_test.cpp; the transfers: transfer_scenarios.cpp.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>

#include "buslink/bus_link.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "simulator/pty_link.h"

namespace kavro {
namespace {

struct PtyTransport : ::testing::Test {
    PtyTransport() {
        port.setPortName(link.devicePath());
        EXPECT_TRUE(port.open().ok());
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
    }
    // Sends the query; returns the milliseconds its reply wait took.
    std::uint32_t Exchange(const std::function<void()>& meanwhile = {}) {
        const FrameBuffer query{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C};  // the firmware query
        bus.sendFrame(query, 11);
        if (meanwhile) meanwhile();
        const std::uint32_t start = pump.nowMs();
        bus.receiveFrame(13);
        return pump.nowMs() - start;
    }

    PtyLink link;
    QtSerialPort port;
    QtEventPump pump;
    DiagnosticLog log{"Diagnostic"};
    BusLink bus{port, pump, log};
};

// Qt stops reading a device while the port holds its 64 bytes; what stays in the driver is dropped and counted
// with the rest, and the port reads again for the next reply. A device that goes away (the scenarios show what
// the user sees) ends the wait at once and closes the port, reported once rather than over and over.
TEST_F(PtyTransport, LongReplyIsCutAndCountedAndALostDeviceIsReportedOnce) {
    const Bytes reply{0x80, 0xF2, 0xFF, 0x12, 0xAB, 0x3C, 0xFE, 0xFF, 0xFF, 0xFD, 0xF1, 0x08, 0x54};
    Bytes flood(2000);
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i);
    int frames = 0;  // on the link's thread only
    link.start(PtyLink::Responder([&](const Bytes&) { return ++frames == 1 ? flood : frames == 2 ? reply : Bytes{}; }));
    EXPECT_GE(Exchange(), 800u);
    EXPECT_EQ(Bytes(bus.reply().begin(), bus.reply().begin() + bus.receivedCount()), Bytes(&flood[0], &flood[49]));
    EXPECT_EQ(log.text().substr(0, 21), "RCV= 49\r\nDROP= 1951\r\n");
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_LT(Exchange(), 500u);
    EXPECT_EQ(bus.receivedCount(), 13);
    EXPECT_LT(Exchange([&] { link.hangUp(); }), 1100u);
    EXPECT_TRUE(!port.isOpen() && port.deviceLost());
    EXPECT_LE(port.errorReports(), 3);
}

// The line settings reach the device as the text names them, in either case; text of another form changes
// nothing. Read on a second descriptor of the device (a pseudo-terminal keeps speed, stop bits and PARODD, though it
// reports no parity enable and always 8 data bits).
TEST_F(PtyTransport, TheLineSettingsReachTheDevice) {
    const struct {
        const char* settings;
        speed_t speed;
        bool odd, twoStops;
    } rows[]{{"9600,E,8,2", B9600, false, true}, {"4800,O,8,1", B4800, true, false}, {"2400,e,8,1", B2400, false, false},
             {"4800,o,8,2", B4800, true, true},   {"9600,E,8,1", B9600, false, false}, {"1200,n,8,2", B1200, false, true},
             {"4800,X,8,1", B1200, false, true},  {"4800,O,9,1", B1200, false, true},  {"4800,O,8,3", B1200, false, true},
             {"4800,O,8", B1200, false, true},    {"fast,O,8,1", B1200, false, true}};
    const int fd = ::open(link.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    for (const auto& row : rows) {
        port.setLineSettings(row.settings);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        EXPECT_TRUE(::cfgetospeed(&t) == row.speed && ((t.c_cflag & PARODD) != 0) == row.odd &&
                    ((t.c_cflag & CSTOPB) != 0) == row.twoStops) << row.settings;
    }
    ::close(fd);
}

}  // namespace
}  // namespace kavro

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
