// The bus link on virtual time, its clock 16 ms before the 32-bit wrap: how a frame leaves, the bounds of the
// reply wait at any timer phase, and the pause. Over a real serial layer, with a flood: pty_transport_test.cpp.

#include <gtest/gtest.h>

#include "buslink/bus_link.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_port.h"

namespace kavro {
namespace {

const Bytes kFirmwareQuery{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C};
const Bytes kFirmwareReply{0x80, 0xF2, 0xFF, 0x12, 0xAB, 0x3C, 0xFE, 0xFF, 0xFF, 0xFD, 0xF1, 0x08, 0x54};  // 2.14

struct Link {
    Link() {
        port.open();
        pump.startReplyTimer(BusLink::kReplyTimerMs, [this] { bus.replyTimerTick(); });
    }
    // One firmware query; returns how long the reply wait took.
    std::uint32_t Exchange() {
        FrameBuffer frame{};
        std::copy(kFirmwareQuery.begin(), kFirmwareQuery.end(), frame.begin());
        bus.sendFrame(frame, 11);
        const std::uint32_t start = pump.nowMs();
        bus.receiveFrame(13);
        return pump.nowMs() - start;
    }

    VirtualPump pump{0xFFFFFFF0u};
    test::ScriptedPort port{pump};
    DiagnosticLog log{"Diagnostic"};
    BusLink bus{port, pump, log};
};

// Each row follows a good reply: what the wait takes and stores, and the bytes past what it stored keep what the
// previous reply left. A timer started earlier ticks at any phase of its period. Every frame goes out a byte at
// a time once RTS has led by 25 ms. An adapter that hears itself gives back the frame sent before the reply: that
// echo is logged and dropped, never stored, and the wait goes on for the reply within the same limits; bytes that
// only begin like the frame, or a reply after a frame's worth of noise, are what came.
TEST(Transport, ReplyWait) {
    // reply: what the line gives back (none for a silent switch); kept: the count stored, when not all of it; log:
    // the newest entries after "RCV= " and the count.
    struct Row { const char* name; Bytes reply; std::int64_t timerPhase; bool timer, open; std::uint32_t minMs, maxMs;
                 const char* log; int kept = -1; };
    const char* exactLog = "-->80 F2 FF 12 AB 3C FE FF FF FD F1 08 54 \r\n<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n";
    const char* echoLog = "-->80 F2 FF 12 AB 3C FE FF FF FD F1 08 54 \r\nECHO 80 F4 FF FE FF FF FF FF FF 08 6C \r\n<--80";
    const Bytes cut(kFirmwareReply.begin(), kFirmwareReply.begin() + 7);
    const auto joined = [](Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
    const Bytes echoed = joined(kFirmwareQuery, kFirmwareReply), echoCut(kFirmwareQuery.begin(), kFirmwareQuery.end() - 1);
    Bytes notEcho = kFirmwareQuery;
    notEcho[10] ^= 1;
    for (const Row& row : {Row{"exact length ends the wait", kFirmwareReply, 0, true, true, 0, 100, exactLog},
                           Row{"silent, timer in phase", {}, 0, true, true, 800, 1000, "-->\r\n<--80"},
                           Row{"silent, tick due in 199 ms", {}, -199, true, true, 800, 1000, ""},
                           Row{"silent, timer stopped", {}, 0, false, true, 0, 1000, ""},
                           Row{"short, counted after the time-out", cut, 0, true, true, 800, 1000, ""},
                           Row{"closed port returns at once", {}, 0, true, false, 0, 0, ""},
                           Row{"the echo, then the reply", echoed, 0, true, true, 0, 100, echoLog, 13},
                           Row{"the echo alone: no answer", kFirmwareQuery, 0, true, true, 800, 1000, "-->\r\nECHO 80", 0},
                           Row{"the echo cut short is what came", echoCut, 0, true, true, 800, 1000, "-->80 F4", 10},
                           Row{"a frame's worth of other bytes, then the reply", joined(notEcho, kFirmwareReply), 0, true,
                               true, 800, 1000, "-->80 F4", 24}}) {
        Link link;
        link.port.responder = [](const Bytes&) { return kFirmwareReply; };
        link.Exchange();
        const FrameBuffer before = link.bus.reply();
        link.port.responder = [&](const Bytes& frame) { return frame == kFirmwareQuery ? row.reply : Bytes{}; };
        link.pump.setTimerPhase(row.timerPhase);
        link.pump.startReplyTimer(BusLink::kReplyTimerMs, [&] { link.bus.replyTimerTick(); });
        if (!row.timer) link.pump.stopReplyTimer();
        if (!row.open) link.port.close();
        link.port.awaited.clear();
        const std::uint32_t waited = link.Exchange();
        // A real port wakes the program once at the reply's length rather than for each byte, and counts
        // every byte again when the wait is over.
        const auto& awaited = link.port.awaited;
        EXPECT_EQ(awaited.empty() ? std::pair(-1, -1) : std::pair(awaited.front(), awaited.back()),
                  row.open ? std::pair(static_cast<int>(kFirmwareReply.size()), 0) : std::pair(-1, -1)) << row.name;
        const int n = row.kept >= 0 ? row.kept : static_cast<int>(row.reply.size());
        EXPECT_TRUE(waited >= row.minMs && waited <= row.maxMs) << row.name << ": " << waited;
        EXPECT_EQ(link.bus.receivedCount(), n) << row.name;
        EXPECT_TRUE(std::equal(before.begin() + n, before.end(), link.bus.reply().begin() + n)) << row.name;
        const std::string log = "RCV= " + std::to_string(n) + "\r\n" + row.log;
        EXPECT_EQ(link.log.text().rfind(log, 0), 0u) << row.name << ": " << link.log.text().substr(0, 30);
        ASSERT_EQ(link.port.writes.size(), row.open ? 22u : 11u) << row.name;
        for (std::size_t i = 11; i < link.port.writes.size(); ++i)
            EXPECT_TRUE(link.port.writes[i].first == 1 && link.port.writes[i].second >= link.port.rtsRaisedAtMs + 25)
                << row.name << ": byte " << i;
    }
}

TEST(Transport, PauseWaitsItsTimeRoundedEvenAcrossAClockWrap) {
    struct Row { const char* name; double ms; std::uint32_t waited; };
    for (const Row& row : {Row{"zero returns at once", 0, 0}, Row{"a fraction rounds", 24.6, 25}, Row{"25", 25, 25}}) {
        Link link;
        link.bus.pause(row.ms);
        EXPECT_EQ(link.pump.nowMs() - 0xFFFFFFF0u, row.waited) << row.name;
        EXPECT_EQ(link.pump.processCalls() > 0, row.ms > 0) << row.name;  // a pause lets window events run
    }
}

}  // namespace
}  // namespace kavro
