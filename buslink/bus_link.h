#pragma once
// The bus module: the reply buffer and the reply countdown, with the three
// primitives that move frames over the port.
// The tool sends a frame and then waits for one reply; the switch never
// speaks unasked. Every frame leaves one entry in the diagnostic log.
//
// Many RS-485 adapters hear their own transmission: the frame just sent
// comes back, byte for byte, before the switch's reply. That echo is no
// reply (the echo of the switch address query is itself a well-formed
// frame naming "FEFFFF"), so it is dropped, logged as "ECHO", and the wait
// goes on for the reply within the same time limit. Nothing is set up for
// it: received bytes that begin as the frame sent are held back until
// they are all of it, or are not.

#include <cstdint>

#include "buslink/diagnostic_log.h"
#include "buslink/frame_codec.h"
#include "platform/event_pump.h"
#include "platform/serial_port.h"

namespace kavro {

class BusLink {
public:
    static constexpr int kRtsLeadMs = 25;
    static constexpr int kReplyTimerMs = 200;
    static constexpr std::uint8_t kReplyTicks = 5;

    BusLink(SerialPort& port, EventPump& pump, DiagnosticLog& log);

    // The port the primitives use; start-up may swap in another one
    // (the simulated switch) before the first exchange.
    void setPort(SerialPort& port) { port_ = &port; }
    SerialPort& port() { return *port_; }

    // Logs the frame, raises RTS, pauses 25 ms, then hands bytes 0..n-1 of
    // the frame to the port one byte at a time.
    void sendFrame(const FrameBuffer& frame, int n);
    // Waits until exactly n bytes are waiting (after an echo of the frame
    // just sent, which is dropped) or five reply timer ticks pass, stores
    // at most 49 of them from reply[0] and logs them. Bytes past the
    // stored count keep what the previous reply left there.
    void receiveFrame(int n);
    // Pauses while letting window events run.
    void pause(double ms);
    // The reply timer's handler: counts the reply time-out down.
    void replyTimerTick();

    // The last reply: bytes past receivedCount() are what earlier replies
    // left there. A reply is judged only by bytes of its own exchange,
    // never by what an earlier one left.
    const FrameBuffer& reply() const { return reply_; }
    int receivedCount() const { return receivedCount_; }
    // Bytes the last receiveFrame threw away: beyond the 49th, after the
    // read, or left over from before the frame was sent.
    int lastDropped() const { return lastDropped_; }
    // Whether the last wait dropped the adapter's echo of the frame sent.
    bool lastEchoed() const { return lastEchoed_; }

private:
    SerialPort* port_;
    EventPump& pump_;
    DiagnosticLog& log_;
    FrameBuffer reply_{};
    int receivedCount_ = 0;
    std::uint8_t replyCountdown_ = 0;
    int droppedUnlogged_ = 0;  // bytes thrown away since the last reply was logged
    int lastDropped_ = 0;
    bool lastEchoed_ = false;
    Bytes sent_;  // the frame whose reply is awaited, to tell its echo by
};

// The log entries, exactly as they appear in the diagnostic window.
std::string TransmitEntry(const FrameBuffer& buffer, int count);
std::string ReceiveEntry(const FrameBuffer& buffer, int count);
std::string CountEntry(int count);
// Received bytes that were not a reply's, or beyond its 49th: "DROP= 4096".
std::string DropEntry(int count);
// The adapter's echo of the frame sent, dropped: "ECHO 80 F4 FF ...".
std::string EchoEntry(const Bytes& echo);

}  // namespace kavro
