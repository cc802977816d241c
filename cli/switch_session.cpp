#include "cli/switch_session.h"

#include <QDir>
#include <atomic>
#include <csignal>
#include <iostream>

#include "buslink/port_problems.h"
#include "configfile/file_commands.h"
#include "platform/utf8_path.h"
#include "platform_qt/qt_serial_port.h"
#include "platform_qt/system_ports.h"
#include "transfer/traffic_decoder.h"

namespace kavro::cli {
namespace {

std::atomic<int> g_signal{0};

// The signals that end a transfer at its next exchange: the terminal's
// interrupt and quit keys, a hang-up, and a polite kill.
#ifdef SIGHUP
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#else
constexpr int kStopSignals[] = {SIGINT, SIGTERM};
#endif

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

std::filesystem::path ToolDataFolder() { return DefaultDataFolder(PathFromUtf8(QDir::homePath().toStdString())); }

std::unique_ptr<Journal> OpenToolJournal(std::string* problem) {
    return Journal::open(ToolDataFolder(), VersionText(ProgramVersion()), problem);
}

std::string ReadProblem(const SwitchSession& session, const ReadReport& report) {
    if (report.end != TransferEnd::NoSwitch) return ReadVerdict(report).summary;
    if (report.framesHeard == 0)
        return "no switch answers on " + session.device() + ": check power, cable, port and address";
    return "nothing on " + session.device() + " answers as a switch (" + DescribeTrouble(report.givenUpOn()) +
           "): check the cable and that no other device talks on the line";
}

SwitchSession::SwitchSession() {
    for (int signal : kStopSignals) std::signal(signal, OnSignal);
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

int SwitchSession::interruption() {
    return g_signal;
}

bool SwitchSession::open(const SessionOptions& options, std::string* error) {
    options_ = options;
    ShellEnvironment env;
    env.pump = &pump_;
    env.ui = &ui_;
    env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
    env.dataFolder = ToolDataFolder();
    env.systemPorts = SystemSerialPorts;
    StartOptions start;
    start.device = options.device;
    form_ = MakeSwitchTool(env, start);
    if (options.verbose)
        form_->diagnostic().setEntryObserver([decode = options.decode](const std::string& e) { Echo(e, decode); });
    form_->start();
    if (form_->portOpen()) return true;
    const PortProblem problem = DescribeOpenFailure(options.device, form_->portOpenResult());
    *error = problem.what + ". " + problem.remedy;
    return false;
}

void SwitchSession::addressSwitch(ConfigScreen& screen) const {
    if (!options_.switchAddress) return;
    screen.switchAddress.setText(*options_.switchAddress);
    screen.useSwitchAddress.setValue(1);
}

const ReadReport& SwitchSession::read() {
    return form_->readFresh({options_.switchAddress.value_or(""), options_.switchAddress.has_value()});
}

const WriteReport& SwitchSession::write(ConfigScreen& source, bool verify, bool backUp) {
    addressSwitch(source);
    form_->verifyAfterSend().setValue(verify ? 1 : 0);
    form_->backUpBeforeSend().setValue(backUp ? 1 : 0);
    form_->writeScreen(source);
    return form_->lastWrite();
}

std::string SwitchSession::keepRead() {
    form_->recordGet(form_->lastRead(), readScreen());
    return form_->historyProblem();
}

const RestoreReport& SwitchSession::restore(const RestoreOrder& order) { return form_->restore(order); }

}  // namespace kavro::cli
