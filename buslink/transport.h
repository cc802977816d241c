#pragma once
// The bus module: the frame buffers, the reply countdown and the parser
// slots, with the three primitives that move frames over the port.
// The tool sends a frame and then waits for one reply; the switch never
// speaks unasked. Every frame leaves one entry in the diagnostic log.

#include <cstdint>

#include "buslink/diagnostic_log.h"
#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"
#include "platform/event_pump.h"
#include "platform/serial_port.h"

namespace kavro {

class Module2 {
public:
    static constexpr int kRtsLeadMs = 25;
    static constexpr int kTimer1IntervalMs = 200;
    static constexpr std::uint8_t kReplyTicks = 5;

    Module2(SerialPort& port, EventPump& pump, DiagnosticLog& log);

    // The port the primitives use; start-up may swap in another one
    // (the simulated switch) before the first exchange.
    void setPort(SerialPort& port) { port_ = &port; }
    SerialPort& port() { return *port_; }

    // Logs the frame, raises RTS, pauses 25 ms, then hands bytes 0..n-1 of
    // TransmitBuffer to the port one byte at a time.
    void SendFrame(int n);
    // Waits until exactly n bytes are waiting or five Timer1 ticks pass,
    // stores at most 49 of them from ReceiveBuffer[0] and logs them. Bytes
    // past the stored count keep what the previous reply left there.
    void ReceiveFrame(int n);
    // Pauses while letting window events run.
    void WaitMs(double ms);
    // Timer1's handler: counts the reply time-out down.
    void Timer1Tick();

    FrameBuffer TransmitBuffer{};
    FrameBuffer ReceiveBuffer{};
    std::uint8_t ReplyCountdown = 0;
    ParserSlots Slots;
    // How many bytes the last ReceiveFrame stored. A reply is judged only
    // by bytes of its own exchange, never by what an earlier one left.
    int ReceivedCount = 0;

private:
    SerialPort* port_;
    EventPump& pump_;
    DiagnosticLog& log_;
    int droppedUnlogged_ = 0;  // bytes thrown away since the last reply was logged
};

// The log entries, exactly as they appear in the diagnostic window.
std::string TransmitEntry(const FrameBuffer& buffer, int count);
std::string ReceiveEntry(const FrameBuffer& buffer, int count);
std::string CountEntry(int count);
// Received bytes that were not a reply's, or beyond its 49th: "DROP= 4096".
std::string DropEntry(int count);

}  // namespace kavro
