#include "buslink/bus_link.h"

#include <algorithm>
#include <cmath>

namespace kavro {
namespace {

std::string BytesEntry(const char* arrow, const std::uint8_t* bytes, int count) {
    std::string entry = arrow;
    for (int i = 0; i < count; ++i) entry += Hex(bytes[i], 2) + " ";
    return entry + "\r\n";
}

// A wait never outlasts five timer periods, even if the reply timer were stopped.
constexpr std::uint32_t kReplyBackstopMs = BusLink::kReplyTicks * BusLink::kReplyTimerMs;

}  // namespace

std::string TransmitEntry(const FrameBuffer& buffer, int count) {
    return BytesEntry("<--", buffer.data(), count);
}

std::string ReceiveEntry(const FrameBuffer& buffer, int count) {
    return BytesEntry("-->", buffer.data(), count);
}

std::string EchoEntry(const Bytes& echo) {
    return BytesEntry("ECHO ", echo.data(), static_cast<int>(echo.size()));
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
    sent_.assign(frame.begin(), frame.begin() + n);
    for (int i = 0; i < n; ++i) {
        const std::uint8_t outputByte[1] = {frame[i]};
        port_->write(outputByte, 1);
    }
}

void BusLink::receiveFrame(int n) {
    replyCountdown_ = kReplyTicks;
    const std::uint32_t start = pump_.nowMs();
    const int sentLength = static_cast<int>(sent_.size());
    // Bytes read during the wait: held back while they are the start of
    // the frame sent, since they may be the adapter's echo of it.
    Bytes taken;
    bool judged = sent_.empty();  // whether what came is known to be, or not to be, an echo
    lastEchoed_ = false;
    const auto takenCount = [&] { return static_cast<int>(taken.size()); };
    // Takes in what the port holds and tells an echo by it: the frame
    // sent, whole and byte for byte, is dropped; anything else is (the
    // start of) the reply.
    const auto judge = [&] {
        const Bytes more = port_->readAll();
        taken.insert(taken.end(), more.begin(), more.end());
        const std::size_t k = std::min(taken.size(), sent_.size());
        if (!std::equal(taken.begin(), taken.begin() + static_cast<std::ptrdiff_t>(k), sent_.begin())) {
            judged = true;
        } else if (takenCount() >= sentLength) {
            log_.prepend(EchoEntry(sent_));
            taken.erase(taken.begin(), taken.begin() + sentLength);
            judged = lastEchoed_ = true;
        }
    };
    if (port_->isOpen()) port_->awaitInput(n);
    // Only an exact count ends the wait early; a longer reply runs to the
    // time-out. A port that is closed (never opened, or gone) has nothing
    // to wait for. The echo's time counts against the reply's limit.
    while (replyCountdown_ > 0 && port_->isOpen()) {
        if (!judged && takenCount() + port_->inputCount() >= std::min(n, sentLength)) {
            judge();
            // The port wakes the program again at the reply's count, or,
            // while what came may still be the echo, at the echo's.
            port_->awaitInput(std::max(1, (judged ? n : sentLength) - takenCount()));
        }
        if (judged && takenCount() + port_->inputCount() == n) break;
        const std::uint32_t elapsed = pump_.nowMs() - start;
        if (elapsed >= kReplyBackstopMs) break;
        pump_.processEvents(kReplyBackstopMs - elapsed);
    }
    replyCountdown_ = 0;
    if (port_->isOpen()) {
        port_->awaitInput(0);
        // The time-out may fall before the last bytes were looked at.
        if (!judged) judge();
    }
    sent_.clear();

    Bytes input = std::move(taken);
    if (port_->isOpen()) {
        const Bytes rest = port_->readAll();
        input.insert(input.end(), rest.begin(), rest.end());
    }
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
