#pragma once
// The event pump on Qt's event dispatcher. processEvents blocks in the
// dispatcher until an event arrives or the deadline timer fires, so a wait
// for a reply costs no processor time.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/event_pump.h"

namespace kavro {

class QtEventPump : public QObject, public EventPump {
    Q_OBJECT
public:
    explicit QtEventPump(QObject* parent = nullptr);

    std::uint32_t nowMs() override;
    void processEvents(std::uint32_t maxWaitMs) override;
    void startReplyTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
    void stopReplyTimer() override;
    void schedule(std::uint32_t delayMs, std::function<void()> action) override;

private:
    QElapsedTimer clock_;
    QTimer replyTimer_;
    QTimer deadline_;
    std::function<void()> tick_;
};

}  // namespace kavro
