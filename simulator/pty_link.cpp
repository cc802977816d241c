#include "simulator/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace kavro {
namespace {

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

PtyLink::PtyLink() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal available");
    const char* name = ::ptsname(master_);
    if (!name) throw std::runtime_error("no pseudo-terminal name");
    devicePath_ = name;
    // Raw from the start: no echo, no line editing, every byte as it is.
    // These settings are put back whenever the tool lets go of the line.
    const int slave = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        MakeRaw(slave);
        ::tcgetattr(slave, &lineSettings_);
        ::close(slave);
    }
    MakeRaw(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyLink::~PtyLink() {
    stop();
    if (master_ >= 0) ::close(master_);
}

void PtyLink::start(Responder responder) {
    start(SwitchResponder([responder = std::move(responder)](const Bytes& frame) {
        return SwitchResponse{responder(frame)};
    }));
}

void PtyLink::start(SwitchResponder responder) {
    responder_ = std::move(responder);
    stopping_ = false;
    thread_ = std::thread([this] { loop(); });
}

void PtyLink::serve(SwitchResponder responder) {
    responder_ = std::move(responder);
    stopping_ = false;
    loop();
}

void PtyLink::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

void PtyLink::hangUp() {
    stop();
    closeLine();
}

void PtyLink::closeLine() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

std::vector<PtyLink::Arrival> PtyLink::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void PtyLink::loop() {
    FrameAssembler assembler;
    std::uint8_t buffer[256];
    bool lineRestored = false;
    bool flooding = false;
    const std::vector<std::uint8_t> noise(4096, 0x5A);
    while (!stopping_) {
        pollfd fd{master_, static_cast<short>(POLLIN | (flooding ? POLLOUT : 0)), 0};
        if (::poll(&fd, 1, 20) <= 0) continue;
        // A flooding line writes as fast as the tool's side takes it; what
        // it does not take is simply not written.
        if (flooding && (fd.revents & POLLOUT)) {
            const ssize_t written = ::write(master_, noise.data(), noise.size());
            static_cast<void>(written);
        }
        if (!(fd.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // Nobody holds the line: the tool closed it, or died holding
            // it. A tool killed with the line open leaves its settings on
            // it, which the next tool to open it would trip over.
            if (!lineRestored) {
                restoreLine();
                assembler.reset();
                lineRestored = true;
                flooding = false;
            }
            ::usleep(20000);
            continue;
        }
        lineRestored = false;
        const auto now = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) received_.push_back({buffer[i], now});
        }
        if (echo_) writeAll(Bytes(buffer, buffer + n), 0, now);
        for (const Bytes& frame : assembler.push(buffer, static_cast<std::size_t>(n))) {
            if (!responder_) continue;
            const SwitchResponse response = responder_(frame);
            if (response.hangUp) {
                closeLine();  // from this thread: the loop ends with the line
                return;
            }
            // On a paced line the frame itself took its time to arrive,
            // though the tool's side hands its bytes over at once.
            const auto frameEnd =
                now + std::chrono::microseconds(std::lround(pacingMs_ * 1000 * static_cast<double>(frame.size())));
            writeAll(response.bytes, response.burst ? 0.0 : std::max<double>(response.bytePacingMs, pacingMs_),
                     pacingMs_ > 0 ? frameEnd : now);
            flooding = flooding || response.flood;
        }
    }
}

void PtyLink::restoreLine() {
    const int slave = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) return;
    ::tcsetattr(slave, TCSANOW, &lineSettings_);
    ::close(slave);
}

// Paced, byte i is written when it would have come off the line: its
// eleven bits after the byte before it, the first after the frame it
// answers.
void PtyLink::writeAll(const Bytes& bytes, double pacing, std::chrono::steady_clock::time_point start) {
    for (std::size_t i = 0; i < bytes.size();) {
        if (pacing > 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(std::lround(pacing * 1000 * (i + 1))));
        const std::size_t chunk = pacing > 0 ? 1 : bytes.size() - i;
        const ssize_t n = ::write(master_, bytes.data() + i, chunk);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                ::usleep(1000);
                continue;
            }
            return;
        }
        i += static_cast<std::size_t>(n);
    }
}

}  // namespace kavro
