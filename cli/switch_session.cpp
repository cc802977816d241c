#include "cli/switch_session.h"

#include <atomic>
#include <csignal>
#include <iostream>

#include "buslink/port_problems.h"
#include "platform_qt/qt_serial_port.h"
#include "transfer/traffic_decoder.h"

namespace kavro::cli {
namespace {

std::atomic<int> g_signal{0};

extern "C" void OnSignal(int signal) {
    g_signal = signal;
}

// The log entry as a line of standard error, and with --decode what the
// frame means under it.
void Echo(const std::string& entry, bool decode) {
    std::string line = entry;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::cerr << line << "\n";
    if (decode) {
        const std::string meaning = DecodeLogEntry(line);
        if (!meaning.empty()) std::cerr << "   " << meaning << "\n";
    }
    std::cerr.flush();
}

}  // namespace

std::string ReadProblem(const SwitchSession& session, const ReadReport& report) {
    if (report.end != TransferEnd::NoSwitch) return ReadVerdict(report).summary;
    return "no switch answers on " + session.device() + ": check power, cable, port and address";
}

SwitchSession::SwitchSession() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // A signal is acted on in the event loop: the transfer running then
    // ends at its next exchange.
    QObject::connect(&signalWatch_, &QTimer::timeout, [this] {
        if (g_signal != 0 && form_) form_->stopTransfer();
    });
    signalWatch_.start(100);
}

SwitchSession::~SwitchSession() {
    if (form_) form_->shutDown();
}

int SwitchSession::Interruption() {
    return g_signal;
}

bool SwitchSession::open(const SessionOptions& options, std::string* error) {
    options_ = options;
    ShellEnvironment env;
    env.pump = &pump_;
    env.ui = &ui_;
    env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
    StartOptions start;
    start.device = options.device;
    form_ = std::make_unique<Application>(env, start);
    if (options.verbose)
        form_->diagnostic.setEntryObserver([decode = options.decode](const std::string& e) { Echo(e, decode); });
    form_->start();
    form_->transfer.setGiveUpWhenSilent(true);
    if (form_->port().isOpen()) return true;
    const PortProblem problem = DescribeOpenFailure(options.device, form_->portOpenResult());
    *error = problem.what + ". " + problem.remedy;
    return false;
}

void SwitchSession::addressSwitch() {
    if (!options_.switchAddress) return;
    form_->screen.switchAddress.setText(*options_.switchAddress);
    form_->screen.useSwitchAddress.setValue(1);
}

const ReadReport& SwitchSession::read() {
    addressSwitch();
    form_->readSwitch();
    return form_->transfer.lastRead();
}

const WriteReport& SwitchSession::write(bool verify) {
    addressSwitch();
    form_->verifyAfterSend.setValue(verify ? 1 : 0);
    form_->writeSwitch();
    return form_->transfer.lastWrite();
}

}  // namespace kavro::cli
