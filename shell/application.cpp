#include "shell/application.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>

#include "buslink/field_parsers.h"
#include "buslink/port_problems.h"
#include "buslink/ports_ini.h"
#include "platform/utf8_path.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

std::unique_ptr<SerialPort> InitialPort(const ShellEnvironment& env, const StartOptions& options) {
    if (options.simulator && env.simulatedPort) return env.simulatedPort();
    return env.hardwarePort();
}

// 4800 baud, odd parity and no handshake, on every port this program opens.
void SetUpLine(SerialPort& port) {
    port.setLineSettings(Application::kLineSettings);
    port.setHandshaking(Handshake::None);
}

// Opens the device and closes it again: whether it can be had, and why not.
OpenResult TryOpen(SerialPort& probe, const std::string& device) {
    probe.setPortName(device);
    const OpenResult result = probe.open();
    if (probe.isOpen()) probe.close();
    return result;
}

// A file's time as the user's clock shows it: "2026-12-06 22:15".
std::string LocalTimeText(std::filesystem::file_time_type time) {
    const auto system = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        std::chrono::file_clock::to_sys(time));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    const std::tm* local = std::localtime(&seconds);
    char text[32] = "";
    if (local) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return text;
}

}  // namespace

std::string OpenFailureMessage(const std::string& portLabel, const OpenResult& result) {
    const PortProblem problem = DescribeOpenFailure("The serial " + portLabel, result);
    return problem.what + ".\n\n" + problem.remedy;
}

Application::Application(ShellEnvironment environment, StartOptions options)
    : env_(std::move(environment)),
      options_(std::move(options)),
      port_(InitialPort(env_, options_)),
      title_(kCaption),
      screen_(env_.ui),
      diagnostic_(VersionedTitle("Diagnostic", env_.version)),
      bus_(*port_, *env_.pump, diagnostic_),
      transfer_(bus_, *env_.ui),
      files_(screen_, *env_.ui, env_.dataFolder) {
    usingSimulator_ = options_.simulator && env_.simulatedPort;
    verifyAfterSend_.setCaption("Verify after Send");
    backUpBeforeSend_.setCaption("Back up before Send");
}

Application::~Application() {
    if (portSelection_) portSelection_->setObserver({});
}

Application::StartResult Application::start() {
    title_ = VersionedTitle(kCaption, env_.version);
    SetUpLine(*port_);

    // A simulator or a device named on the command line needs no probe and
    // no choice; the remembered number still serves "Select Comm".
    const bool portGiven = usingSimulator_ || options_.device.has_value();
    if (!portGiven) probePorts();
    readRememberedPort();

    env_.pump->stopReplyTimer();
    if (!portGiven && !choosePortUntilAvailable()) return StartResult::Quit;

    env_.pump->startReplyTimer(BusLink::kReplyTimerMs, [this] { bus_.replyTimerTick(); });
    openPort();
    screen_.fillCommandLists();
    markSaved();
    return StartResult::Ready;
}

void Application::probePorts() {
    auto probe = env_.hardwarePort();
    SetUpLine(*probe);
    for (int i = kFirstPort; i <= kLastPort; ++i) {
        // The port this run already holds open cannot be opened twice.
        const bool ours = port_->isOpen() && port_->portName() == env_.devices(i);
        probeResults_[i] = ours ? OpenResult{OpenStatus::Opened, {}} : TryOpen(*probe, env_.devices(i));
        portAvailable_[i] = probeResults_[i].ok();
    }
    probed_ = true;
}

void Application::readRememberedPort() {
    if (env_.portsIni.none()) return;  // a tool that never remembers a port
    std::optional<RememberedPort> remembered = ReadPortsIni(PortsIniToRead(env_.portsIni));
    if (!remembered && !usingSimulator_ && !options_.device) return chooseTheOneUsbAdapter();
    if (!remembered) {
        StorePortsIni(env_.portsIni, 1);  // errors ignored, as the old file's absence was
        remembered = RememberedPort{"1", {}};
    }
    // The device line is the later word: where it names a numbered
    // device, that number is the port.
    const int number = numberOf(remembered->device);
    currentActivePort_ = number ? number : PortFromCandidate(remembered->firstField);
    chosenDevice_ = number ? "" : remembered->device;
}

// A first start, with no Ports.ini anywhere: where the system reports
// exactly one USB serial adapter, that is the port (a technician's laptop
// has one, and port 1 is a built-in port it seldom has); else port 1, as
// always. Either way Ports.ini is made holding the choice.
void Application::chooseTheOneUsbAdapter() {
    std::vector<SystemPort> adapters = env_.systemPorts ? env_.systemPorts() : std::vector<SystemPort>{};
    std::erase_if(adapters, [](const SystemPort& p) { return p.vendorId < 0; });
    currentActivePort_ = 1;
    chosenDevice_.clear();
    if (adapters.size() == 1) {
        const int number = numberOf(adapters[0].device);
        currentActivePort_ = number ? number : 1;
        chosenDevice_ = number ? "" : adapters[0].device;
        const std::string said = DescribeSystemPort(adapters[0]);
        firstStartChoice_ = "Chosen at this first start as the one USB serial adapter present" +
                            (said.empty() ? "" : ": " + said) + " (Select Comm chooses another)";
    }
    StorePortsIni(env_.portsIni, currentActivePort_, chosenDevice_);  // errors ignored, as ever
}

// Loops while the remembered port cannot be used. Returns false when the
// user chose to quit instead of picking a port.
bool Application::choosePortUntilAvailable() {
    while (!choiceAvailable()) {
        // A port that is there but cannot be had (not allowed, in use) is
        // explained with its remedy; only a missing one is "inactive".
        const OpenResult& why = chosenDevice_.empty() ? probeResults_[currentActivePort_] : choiceResult_;
        if (why.deviceExists())
            env_.ui->messageBox(OpenFailureMessage(PortLabel(choiceDevice(), env_.devices), why) +
                                    "\n\nPress OK to select a port, or to choose this one again once that is done.",
                                kCaption);
        else
            env_.ui->messageBox(kInactivePortMessage, kCaption);
        showPortSelection(true);
        if (choiceAvailable()) break;

        // Cancelled: earlier versions asked again for ever; this one offers a way out.
        const bool offerSimulator = static_cast<bool>(env_.simulatedPort);
        const NoPortChoice choice = env_.ui->askNoPort(
            "No port was chosen, so the program cannot reach a switch.\n\n"
            "Choose a port, continue with the simulated switch, or quit.",
            offerSimulator);
        if (choice == NoPortChoice::Quit) return false;
        if (choice == NoPortChoice::UseSimulator && offerSimulator) {
            switchToSimulator();
            return true;
        }
    }
    return true;
}

void Application::switchToSimulator() {
    port_ = env_.simulatedPort();
    SetUpLine(*port_);
    bus_.setPort(*port_);
    usingSimulator_ = true;
}

int Application::numberOf(const std::string& device) const {
    return device.empty() || !env_.devices ? 0 : PortNumberOf(device, env_.devices);
}

std::string Application::choiceDevice() const {
    return chosenDevice_.empty() ? env_.devices(currentActivePort_) : chosenDevice_;
}

// A numbered port is available when the probe found it, or when it opens
// now (plugged in since, chosen by its device); a device outside the table
// is tried when asked about.
bool Application::choiceAvailable() {
    if (chosenDevice_.empty() && portAvailable_[currentActivePort_]) return true;
    auto probe = env_.hardwarePort();
    SetUpLine(*probe);
    if (!chosenDevice_.empty()) return (choiceResult_ = TryOpen(*probe, chosenDevice_)).ok();
    probeResults_[currentActivePort_] = TryOpen(*probe, env_.devices(currentActivePort_));
    return portAvailable_[currentActivePort_] = probeResults_[currentActivePort_].ok();
}

// The ports the system reports, and a device given with --port that it
// does not (a pseudo-terminal), so that it can be chosen for later runs.
std::vector<SystemPort> Application::systemPorts() {
    std::vector<SystemPort> ports = env_.systemPorts ? env_.systemPorts() : std::vector<SystemPort>{};
    if (options_.device && std::none_of(ports.begin(), ports.end(),
                                        [&](const SystemPort& p) { return p.device == *options_.device; }))
        ports.insert(ports.begin(), SystemPort{*options_.device, "given with --port", {}, {}});
    return ports;
}

void Application::refreshPorts() {
    if (!busy()) probePorts();
}

// Why the device cannot be chosen now, in the words start-up uses; empty
// when it opens (or is the port this run holds open).
std::string Application::portProblem(const std::string& device) {
    if (port_->isOpen() && port_->portName() == device) return {};
    auto probe = env_.hardwarePort();
    SetUpLine(*probe);
    const OpenResult result = TryOpen(*probe, device);
    return result.ok() ? std::string() : OpenFailureMessage(PortLabel(device, env_.devices), result);
}

void Application::openPort() {
    std::string device;
    if (usingSimulator_) device = "simulated switch";
    else if (options_.device) device = *options_.device;
    else device = choiceDevice();
    port_->setPortName(device);

    const OpenResult result = port_->open();
    openResult_ = result;
    openedDevice_ = device;
    if (!result.ok()) {
        env_.ui->messageBox(OpenFailureMessage(openedLabel(), result) + "\n\n" + kPortRetryNote, kCaption);
        return;
    }
    port_->clearInput();
    port_->clearOutput();
}

std::string Application::openedLabel() const {
    return options_.device ? "port " + openedDevice_ : PortLabel(openedDevice_, env_.devices);
}

// The port of this run went away (an adapter unplugged) or never opened:
// it is tried again, as start-up opened it, so that an adapter plugged in
// again works without a restart. Where it still cannot be had, the
// transfer that follows says so.
void Application::reopenPort() {
    if (port_->isOpen() || openedDevice_.empty()) return;
    SetUpLine(*port_);
    port_->setPortName(openedDevice_);
    openResult_ = port_->open();
    if (!openResult_.ok()) return;
    port_->clearInput();
    port_->clearOutput();
}

void Application::shutDown() {
    // A transfer still waiting ends at its next exchange, without a word.
    transfer_.abort();
    env_.pump->stopReplyTimer();
    if (portSelection_) portSelection_->setObserver({});
    if (!port_->isOpen()) return;
    port_->clearOutput();
    port_->clearInput();
    if (port_->outputCount() != 0 || port_->inputCount() != 0) env_.ui->messageBox(kCleanUpMessage, kCaption);
    port_->close();
}

// Not while a transfer runs: listing the ports would open devices inside
// the transfer's reply wait. The port of this run is tried again first, so
// that the window shows it open when its adapter is back.
void Application::selectPort() {
    if (busy()) return;
    reopenPort();
    showPortSelection(false);
}

void Application::readSwitch() {
    if (busy()) return;
    reopenPort();
    // A read replaces the screen: unsent work is asked about first (a read
    // that cannot start, for want of a port, replaces nothing).
    if (port_->isOpen() && !mayDiscardChanges("Read the switch and lose them?")) return;
    lastAction_ = LastAction::Read;
    const bool unsent = unsentChanges();
    transfer_.readSwitch(screen_);
    recordGet(transfer_.lastRead(), screen_);
    // A whole read shows what the switch holds; one that broke off keeps
    // the user's unsent changes marked (and what a damaged file left).
    if (transfer_.lastRead().complete()) damagedLastRecord_ = 0;
    if (transfer_.lastRead().complete() || !unsent) markSaved();
}

// The window's Send Config. A switch address nobody chose (the start-up
// value, never read, imported or typed) would become the switch's own
// address: the user is asked first.
void Application::writeSwitch() {
    if (busy()) return;
    reopenPort();
    if (port_->isOpen() && !screen_.switchAddress.everSet() &&
        !env_.ui->askYesNo("The switch address " + screen_.switchAddress.text() +
                               " was not read from a switch, imported or typed. Send Config writes it into the "
                               "switch as the switch's own address.\n\nSend it anyway?",
                           "Send", "Do Not Send", false))
        return;
    if (port_->isOpen() && !maySendDamagedLoad()) return;
    // What goes out now; changes made during the write's waits are not in it.
    const std::vector<RecordValue> sent = ScreenRecords(screen_);
    writeScreen(screen_);
    if (VerifiedWriteVerdict(transfer_.lastWrite(), lastVerify_).ok) savedRecords_ = sent;
}

Addressing AddressingOf(const ConfigScreen& screen) {
    return {screen.switchAddress.text(), screen.useSwitchAddress.value() == 1};
}

const ReadReport& Application::readFresh(const Addressing& addressing, const ReadParts& parts) {
    freshScreen_ = std::make_unique<ConfigScreen>();
    freshScreen_->fillCommandLists();
    freshScreen_->switchAddress.setText(addressing.switchAddress);
    freshScreen_->useSwitchAddress.setValue(addressing.useSwitchAddress ? 1 : 0);
    transfer_.readSwitch(*freshScreen_, parts);
    // Whatever the read was for (a backup, the check after a write), the
    // switch told its firmware version: the window shows it, as after Get
    // Config.
    if (transfer_.lastRead().firmware.read) screen_.firmwareVersion.setText(freshScreen_->firmwareVersion.text());
    return transfer_.lastRead();
}

void Application::stopTransfer() { transfer_.stop(); }

TransferProgress Application::progress() const {
    TransferProgress progress = transfer_.progress();
    if (progress.active) progress.text = phase_ + progress.text;
    return progress;
}

void Application::setTransferObserver(std::function<void()> observer) { transfer_.setObserver(std::move(observer)); }

std::string ReadBackProblem(const ReadReport& read) {
    return read.end == TransferEnd::Finished ? read.failures() : ReadVerdict(read).summary;
}

Verdict VerifiedWriteVerdict(const WriteReport& write, const VerifyReport& verify) {
    const Verdict written = WriteVerdict(write);
    if (!verify.ran) return written;
    const std::string differ = DescribeHeldDifferences(verify.differences);
    if (!verify.read.complete())
        return {false,
                written.summary + ", but reading it back failed (" + ReadBackProblem(verify.read) + ")" +
                    (differ.empty() ? "" : "; in what was read back, the switch holds something else: " + differ),
                ReadVerdict(verify.read).advice};
    if (!written.ok)
        return {false, written.summary + "; read back, the switch holds what was sent", written.advice};
    if (!verify.differences.empty())
        return {false, written.summary + ", but the switch holds something else: " + differ,
                "The switch answered the writes but kept other values. Send again; if it happens again, the switch "
                "may not accept this configuration (a firmware that lacks a command?)."};
    return {written.ok, written.summary + " and verified: the switch holds what was sent", written.advice};
}

void Application::clearData() {
    if (busy() || !mayDiscardChanges("Clear the data and lose them?")) return;
    screen_.clearData();
    damagedLastRecord_ = 0;
}

bool Application::maySendDamagedLoad() {
    return damagedLastRecord_ == 0 ||
           env_.ui->askYesNo("The screen was partly loaded from a damaged file: records 1 to " +
                                 std::to_string(damagedLastRecord_) + " came from " + damagedFile_ +
                                 ", the rest is what the screen showed before.\n\nSend this mixture anyway?",
                             "Send", "Do Not Send", false);
}

std::string Application::damagedLoadMark() const {
    return damagedLastRecord_ ? "partly loaded from a damaged file: records 1 to " + std::to_string(damagedLastRecord_)
                              : "";
}

bool Application::keepUnsentChanges() {
    ending_ = true;
    if (env_.dataFolder.empty() || !unsentChanges()) return false;
    std::error_code error;
    std::filesystem::create_directories(env_.dataFolder, error);
    return WriteConfigFile(recoveryFile(), screen_, true).outcome == WriteOutcome::Written;
}

// Unsent changes the last session kept when it was ended without a
// question: offered once, then the file goes whichever the answer.
void Application::offerRecovery() {
    std::error_code error;
    if (env_.dataFolder.empty() || !std::filesystem::is_regular_file(recoveryFile(), error)) return;
    const auto written = std::filesystem::last_write_time(recoveryFile(), error);
    const std::string date = error ? std::string("the last session") : LocalTimeText(written);
    if (env_.ui->askYesNo("Changes from " + date + " were not sent or exported. Load them?", "Load Them",
                          "Discard Them", true)) {
        int lastRecord = 0;
        const LoadOutcome loaded = LoadConfigFile(recoveryFile(), screen_, &lastRecord);
        if (loaded == LoadOutcome::ReadError && lastRecord > 1) {
            damagedLastRecord_ = lastRecord;
            damagedFile_ = Utf8FromPath(recoveryFile());
        }
    }
    // A session ended while the question was open answered nothing.
    if (!ending_) std::filesystem::remove(recoveryFile(), error);
}

bool Application::mayClose() {
    return mayDiscardChanges("Close the program and lose them?");
}

bool Application::mayDiscardChanges(const std::string& action) {
    return !unsentChanges() ||
           env_.ui->askYesNo("The screen has changes that were not sent to a switch or exported to a file.\n\n" +
                                 action,
                             "Discard Changes", "Cancel", false);
}

// A file command that got as far as a file becomes what the status line
// tells; a cancelled dialog changes nothing. A file saved or loaded whole
// holds the screen; a load that broke off keeps unsent changes marked.
void Application::runFileCommand(const std::function<void()>& command) {
    if (busy()) return;
    fromHistory_.clear();
    const int before = files_.events();
    const bool unsent = unsentChanges();
    command();
    if (files_.events() == before) return;
    lastAction_ = LastAction::File;
    switch (files_.lastEvent().kind) {
    case FileEvent::Kind::Saved:
    case FileEvent::Kind::Loaded: markSaved(); break;
    case FileEvent::Kind::NotLoaded:
        if (!unsent) markSaved();
        break;
    default: break;
    }
}

void Application::exportConfig() { runFileCommand([this] { files_.exportConfig(); }); }

// Import replaces the screen: unsent work is asked about first. A file
// that loads whole ends a damaged load's mark; one that loads in part sets
// it (a file refused before its first value leaves the screen, and the
// mark, as they were).
void Application::importConfig() {
    if (busy() || !mayDiscardChanges("Import a file and lose them?")) return;
    loadFileMarked([this] { files_.importConfig(); });
}
void Application::importFile(const std::string& path) {
    if (busy() || !mayDiscardChanges("Import a file and lose them?")) return;
    loadFileMarked([this, &path] { files_.importFile(path); });
}

void Application::loadFileMarked(const std::function<void()>& load) {
    const int before = files_.events();
    runFileCommand(load);
    if (files_.events() == before) return;
    const FileEvent& event = files_.lastEvent();
    if (event.kind == FileEvent::Kind::Loaded) damagedLastRecord_ = 0;
    if (event.kind == FileEvent::Kind::NotLoaded && event.lastRecord > 1) {
        damagedLastRecord_ = event.lastRecord;
        damagedFile_ = event.file;
    }
}
void Application::compareWithFile() { runFileCommand([this] { files_.compareWithFile(); }); }

Verdict Application::lastVerdict() const {
    switch (lastAction_) {
    case LastAction::Read: return ReadVerdict(transfer_.lastRead());
    case LastAction::Write:
        if (lastRestore_.refused()) return {false, "Nothing was put back: " + lastRestore_.refusal, ""};
        if (transfer_.lastWrite().end == TransferEnd::NotBackedUp)
            return {false, "Send Config sent nothing: what the switch holds could not be backed up first (" +
                               lastBackup_.problem + ")",
                    lastBackup_.end == BackupReport::End::ReadFailed ? ReadVerdict(lastBackup_.read).advice : ""};
        if (transfer_.lastWrite().end == TransferEnd::NotJournaled)
            return {false, "Send Config sent nothing: the write could not be entered in the journal first (" +
                               lastBackup_.problem + ")", ""};
        return VerifiedWriteVerdict(transfer_.lastWrite(), lastVerify_);
    case LastAction::File:
        return {files_.lastEvent().ok,
                FileEventText(files_.lastEvent()) + (fromHistory_.empty() ? "" : " (" + fromHistory_ + ")"), ""};
    default: return {true, firstStartChoice_, ""};
    }
}

std::string Application::portInUse() const {
    if (usingSimulator_) return "Connected to the simulated switch";
    if (openedDevice_.empty()) return "No port open yet";
    const std::string label = options_.device ? openedDevice_ : PortLabel(openedDevice_, env_.devices);
    return (label.empty() ? label : std::string(1, static_cast<char>(std::toupper(label[0]))) + label.substr(1)) +
           (port_->isOpen() ? " open, 4800 baud, odd parity" : " not open");
}

// The port opened at start-up stays in use until the program ends; a port
// chosen since is named as the one of the next start.
std::string Application::connectionText() const {
    std::string text = portInUse();
    if (!openedDevice_.empty() && !usingSimulator_ && !options_.device && choiceDevice() != openedDevice_)
        text += "; " + PortLabel(choiceDevice(), env_.devices) + " from the next start";
    return text;
}

std::string Application::statusText() const {
    const Verdict verdict = lastVerdict();
    return connectionText() + (verdict.summary.empty() ? "" : "  -  " + verdict.summary) +
           (historyProblem_.empty() ? "" : "  (not kept in the journal: " + historyProblem_ + ")");
}

void Application::showDiagnostic() {
    diagnostic_.show();
    env_.ui->showDiagnostic(diagnostic_);
}

void Application::showPortSelection(bool modal) {
    // A window already open keeps its model (it points at it); it is only
    // brought to the front.
    if (portSelection_ && portSelection_->isOpen()) {
        env_.ui->showPortSelection(*portSelection_, modal);
        return;
    }
    portSelection_ = std::make_unique<CommPortSelection>(*this, *env_.ui, env_.devices);
    portSelection_->open();
    env_.ui->showPortSelection(*portSelection_, modal);
}

std::array<bool, 17> Application::availablePorts() {
    // A run started on a named device or the simulator skipped the probe;
    // the list then reflects a probe made the first time it is needed.
    if (!probed_) probePorts();
    return portAvailable_;
}

void Application::rememberPort() {
    if (env_.portsIni.none()) return;
    // The first line is all older readers see: a device chosen from the
    // ports present that has a number is written as that number.
    const int number = numberOf(chosenDevice_);
    if (number) currentActivePort_ = number;
    if (!StorePortsIni(env_.portsIni, currentActivePort_, number ? "" : chosenDevice_))
        env_.ui->messageBox(kPortsIniMessage, kCaption);
}

}  // namespace kavro
