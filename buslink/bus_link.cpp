#include "buslink/bus_link.h"

#include <algorithm>
#include <cmath>

namespace kavro {
namespace {

std::string BytesEntry(const char* arrow, const FrameBuffer& buffer, int count) {
    std::string entry = arrow;
    for (int i = 0; i < count; ++i) entry += Hex(buffer[i], 2) + " ";
    return entry + "\r\n";
}

// A wait never outlasts five timer periods, even if the reply timer were stopped.
constexpr std::uint32_t kReplyBackstopMs = BusLink::kReplyTicks * BusLink::kReplyTimerMs;

}  // namespace

std::string TransmitEntry(const FrameBuffer& buffer, int count) {
    return BytesEntry("<--", buffer, count);
}

std::string ReceiveEntry(const FrameBuffer& buffer, int count) {
    return BytesEntry("-->", buffer, count);
}

std::string DropEntry(int count) {
    return "DROP= " + std::to_string(count) + "\r\n";
}

std::string CountEntry(int count) {
    // The space stands where a negative number would carry its sign.
    return "RCV= " + std::to_string(count) + "\r\n";
}

BusLink::BusLink(SerialPort& port, EventPump& pump, DiagnosticLog& log)
    : port_(&port), pump_(pump), log_(log) {}

void BusLink::sendFrame(const FrameBuffer& frame, int n) {
    n = std::clamp(n, 0, kFrameBufferSize);
    log_.setColour(kLogMagenta);
    log_.prepend(TransmitEntry(frame, n));
    port_->clearOutput();
    port_->setRts(true);
    pause(kRtsLeadMs);
    // The switch never speaks unasked, so nothing waiting now answers this
    // frame: it is the tail of an earlier reply (one that ran long, or came
    // after its wait ended) and would spoil the count of the next one.
    droppedUnlogged_ += port_->clearInput();
    for (int i = 0; i < n; ++i) {
        const std::uint8_t outputByte[1] = {frame[i]};
        port_->write(outputByte, 1);
    }
}

void BusLink::receiveFrame(int n) {
    replyCountdown_ = kReplyTicks;
    const std::uint32_t start = pump_.nowMs();
    if (port_->isOpen()) port_->awaitInput(n);
    // Only an exact count ends the wait early; a longer reply runs to the
    // time-out. A port that is closed (never opened, or gone) has nothing
    // to wait for.
    while (replyCountdown_ > 0 && port_->isOpen() && port_->inputCount() != n) {
        const std::uint32_t elapsed = pump_.nowMs() - start;
        if (elapsed >= kReplyBackstopMs) break;
        pump_.processEvents(kReplyBackstopMs - elapsed);
    }
    replyCountdown_ = 0;
    if (port_->isOpen()) port_->awaitInput(0);

    const std::vector<std::uint8_t> input = port_->isOpen() ? port_->readAll() : std::vector<std::uint8_t>{};
    const int count = std::min<int>(static_cast<int>(input.size()), kMaxReceived);
    for (int i = 0; i < count; ++i) reply_[i] = input[i];
    receivedCount_ = count;

    log_.prepend(ReceiveEntry(reply_, count));
    log_.setColour(kLogBlack);
    // Bytes past the 49th, any that came after the read, and any that came
    // while no reply was awaited are dropped; the log says how many.
    int dropped = droppedUnlogged_ + static_cast<int>(input.size()) - count;
    if (port_->isOpen()) dropped += port_->clearInput();
    droppedUnlogged_ = 0;
    lastDropped_ = dropped;
    if (dropped > 0) log_.prepend(DropEntry(dropped));
    log_.prepend(CountEntry(count));
}

void BusLink::pause(double ms) {
    const std::uint32_t duration = static_cast<std::uint32_t>(std::lround(std::max(ms, 0.0)));
    const std::uint32_t start = pump_.nowMs();
    // Elapsed time by subtraction, so a clock that wraps still waits fully.
    for (std::uint32_t elapsed = 0; elapsed < duration; elapsed = pump_.nowMs() - start)
        pump_.processEvents(duration - elapsed);
}

void BusLink::replyTimerTick() {
    if (replyCountdown_ > 0) --replyCountdown_;
}

}  // namespace kavro
