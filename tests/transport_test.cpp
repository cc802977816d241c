// The bus link on virtual time: how a frame leaves, the exact bounds of the
// reply time-out at every timer phase, short replies, a closed port, the
// input bound and the pause across a clock wrap. The same primitives over a
// real serial layer: pty_transport_test.cpp.

#include <gtest/gtest.h>

#include <functional>

#include "buslink/bus_link.h"
#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_port.h"

namespace kavro {
namespace {

const Bytes kFirmwareQuery{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C};
// Firmware 2.14 from switch 12AB3C to the tool.
const Bytes kFirmwareReply = [] {
    Bytes reply{0x80, 0xF2, 0xFF, 0x12, 0xAB, 0x3C, 0xFE, 0xFF, 0xFF, 0xFD, 0xF1};
    AppendChecksum(reply);
    return reply;
}();

struct Link {
    explicit Link(std::uint32_t startMs = 1000) : pump(startMs) {
        port.open();
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
    }
    // One firmware query; returns how long the reply wait took.
    std::uint32_t Exchange() {
        std::copy(kFirmwareQuery.begin(), kFirmwareQuery.end(), bus.transmit.begin());
        bus.sendFrame(11);
        const std::uint32_t start = pump.nowMs();
        bus.receiveFrame(13);
        return pump.nowMs() - start;
    }

    VirtualPump pump;
    test::ScriptedPort port{pump};
    DiagnosticLog log{"Diagnostic"};
    BusLink bus{port, pump, log};
};

// Each row follows a good reply: what the wait takes and stores, and the
// bytes past what it stored keep what the previous reply left. A timer
// started earlier ticks at any phase of its period. Every frame goes out a
// byte at a time once RTS has led by 25 ms.
TEST(Transport, ReplyWait) {
    struct Row {
        const char* name;
        Bytes reply;  // none: a silent switch
        std::int64_t timerPhase;
        bool timer, open;
        int received;
        std::uint32_t minMs, maxMs;
        const char* log;  // the newest entries
    };
    const char* exactLog = "RCV= 13\r\n-->80 F2 FF 12 AB 3C FE FF FF FD F1 08 54 \r\n"
                           "<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n";
    const Bytes cut(kFirmwareReply.begin(), kFirmwareReply.begin() + 7);
    for (const Row& row : {Row{"exact length ends the wait", kFirmwareReply, 0, true, true, 13, 0, 100, exactLog},
                           Row{"silent, timer in phase", {}, 0, true, true, 0, 800, 1000, "RCV= 0\r\n-->\r\n<--80"},
                           Row{"silent, tick due in 1 ms", {}, -1, true, true, 0, 800, 1000, "RCV= 0\r\n"},
                           Row{"silent, tick due in 100 ms", {}, -100, true, true, 0, 800, 1000, "RCV= 0\r\n"},
                           Row{"silent, tick due in 199 ms", {}, -199, true, true, 0, 800, 1000, "RCV= 0\r\n"},
                           Row{"silent, timer stopped", {}, 0, false, true, 0, 0, 1000, "RCV= 0\r\n"},
                           Row{"short, counted after the time-out", cut, 0, true, true, 7, 800, 1000, "RCV= 7\r\n"},
                           Row{"closed port returns at once", {}, 0, true, false, 0, 0, 0, "RCV= 0\r\n"}}) {
        Link link;
        link.port.responder = [](const Bytes&) { return kFirmwareReply; };
        link.Exchange();
        const FrameBuffer before = link.bus.reply;
        link.port.responder = [&](const Bytes& frame) {
            EXPECT_EQ(frame, kFirmwareQuery) << row.name;
            return row.reply;
        };
        link.pump.setTimerPhase(row.timerPhase);
        link.pump.startReplyTimer(BusLink::kReplyTimerMs, [&] { link.bus.replyTimerTick(); });
        if (!row.timer) link.pump.stopReplyTimer();
        if (!row.open) link.port.close();
        const std::uint32_t waited = link.Exchange();
        EXPECT_GE(waited, row.minMs) << row.name;
        EXPECT_LE(waited, row.maxMs) << row.name;
        EXPECT_EQ(link.bus.receivedCount, row.received) << row.name;
        EXPECT_TRUE(std::equal(before.begin() + row.received, before.end(), link.bus.reply.begin() + row.received))
            << row.name;
        EXPECT_EQ(link.log.text().rfind(row.log, 0), 0u) << row.name << ": " << link.log.text().substr(0, 30);
        ASSERT_EQ(link.port.writes.size(), row.open ? 22u : 11u) << row.name;
        for (std::size_t i = 11; i < link.port.writes.size(); ++i) {
            EXPECT_EQ(link.port.writes[i].first, 1) << row.name;
            EXPECT_GE(link.port.writes[i].second - link.port.rtsRaisedAtMs, 25u) << row.name;
        }
    }
}

// A device that never stops talking fills no memory: the port holds at
// most kInputLimit bytes, the rest is dropped and the log says how much.
TEST(Transport, FloodIsHeldToTheLimitAndCounted) {
    VirtualPump pump;
    auto flooding = std::make_shared<SimulatedSwitch>(SwitchState::Factory(), *ParseFaultPlan("80=flood"));
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
    std::copy(kFirmwareQuery.begin(), kFirmwareQuery.end(), bus.transmit.begin());
    bus.sendFrame(11);
    bus.receiveFrame(13);
    EXPECT_EQ(bus.receivedCount, 49);
    const std::string top = "RCV= 49\r\nDROP= ";
    ASSERT_EQ(log.text().rfind(top, 0), 0u) << log.text().substr(0, 40);
    EXPECT_GT(std::stoi(log.text().substr(top.size())), 50000) << "64 bytes a millisecond for the whole wait";
    EXPECT_LE(most, kInputLimit);
}

TEST(Transport, PauseWaitsItsTimeRoundedEvenAcrossAClockWrap) {
    struct Row {
        const char* name;
        std::uint32_t startMs;
        double ms;
        std::uint32_t waited;
    };
    for (const Row& row : {Row{"zero returns at once", 1000, 0, 0}, Row{"a fraction rounds", 1000, 24.6, 25},
                           Row{"16 ms before the 32-bit clock wraps", 0xFFFFFFF0u, 25, 25}}) {
        Link link(row.startMs);
        link.bus.pause(row.ms);
        EXPECT_EQ(static_cast<std::uint32_t>(link.pump.nowMs() - row.startMs), row.waited) << row.name;
        EXPECT_EQ(link.pump.processCalls() > 0, row.ms > 0) << row.name;  // a pause lets window events run
    }
}

}  // namespace
}  // namespace kavro
