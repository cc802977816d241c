#include "platform_qt/qt_event_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace kavro {

QtEventPump::QtEventPump(QObject* parent) : QObject(parent) {
    clock_.start();
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    replyTimer_.setTimerType(Qt::PreciseTimer);
    connect(&replyTimer_, &QTimer::timeout, this, [this] {
        if (tick_) tick_();
    });
}

std::uint32_t QtEventPump::nowMs() {
    return static_cast<std::uint32_t>(clock_.elapsed());
}

void QtEventPump::processEvents(std::uint32_t maxWaitMs) {
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    if (!dispatcher) return;
    if (maxWaitMs == 0) {
        dispatcher->processEvents(QEventLoop::AllEvents);
        return;
    }
    // The deadline timer only wakes the dispatcher; whatever comes first,
    // a byte, a tick, a click or the deadline, ends this call. One timer
    // serves every call: a byte at a time, a reply costs as many calls.
    deadline_.start(static_cast<int>(maxWaitMs));
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // Posted events (queued signals, deferred deletes) run as a loop would.
    QCoreApplication::sendPostedEvents();
}

void QtEventPump::startReplyTimer(std::uint32_t intervalMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    replyTimer_.start(static_cast<int>(intervalMs));
}

void QtEventPump::stopReplyTimer() {
    replyTimer_.stop();
}

void QtEventPump::schedule(std::uint32_t delayMs, std::function<void()> action) {
    QTimer::singleShot(static_cast<int>(delayMs), Qt::PreciseTimer, this, std::move(action));
}

}  // namespace kavro
