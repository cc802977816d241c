#include "gui/end_on_signal.h"

#include <QCoreApplication>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#endif

namespace kavro {

void EndProgram(SwitchTool& tool, int signal) {
    tool.keepUnsentChanges();
    tool.shutDown();
    QCoreApplication::exit(128 + signal);
}

#ifndef _WIN32
namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int number) {
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

bool EndOnSignals(std::function<void(int)> end) {
    if (g_pipe[0] >= 0 || ::pipe(g_pipe) != 0) return false;
    for (int fd : g_pipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);  // a handler never blocks
    // The application's for the program's life, and deleted with it.
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, end = std::move(end)] {
        unsigned char byte = 0;
        if (::read(g_pipe[0], &byte, 1) != 1) return;
        notifier->setEnabled(false);  // once: a second signal finds the program ending
        end(byte);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(number, &action, nullptr);
    return true;
}
#else
bool EndOnSignals(std::function<void(int)>) {
    return false;
}
#endif

}  // namespace kavro
