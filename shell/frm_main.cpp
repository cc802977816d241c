#include "shell/frm_main.h"

#include <cctype>

#include "buslink/port_problems.h"
#include "buslink/ports_ini.h"

namespace kavro {
namespace {

std::unique_ptr<SerialPort> InitialPort(const ShellEnvironment& env, const StartOptions& options) {
    if (options.simulator && env.simulatedPort) return env.simulatedPort();
    return env.hardwarePort();
}

}  // namespace

std::string OpenFailureMessage(const std::string& portLabel, const OpenResult& result) {
    const PortProblem problem = DescribeOpenFailure("The serial " + portLabel, result);
    return problem.what + ".\n\n" + problem.remedy +
           "\n\nThe program stays open, but it cannot reach a switch until it is started again with a port "
           "that works.";
}

frmMain::frmMain(ShellEnvironment environment, StartOptions options)
    : env_(std::move(environment)),
      options_(std::move(options)),
      port_(InitialPort(env_, options_)),
      Caption(kCaption),
      Screen(env_.ui),
      Diagnostic(VersionedTitle("Diagnostic", env_.version)),
      Bus(*port_, *env_.pump, Diagnostic),
      Transfer(Bus, Screen, *env_.ui),
      Files(Screen, *env_.ui, env_.dataFolder) {
    usingSimulator_ = options_.simulator && env_.simulatedPort;
    VerifyAfterSend.setCaption("Verify after Send");
}

frmMain::~frmMain() {
    if (PortSelection) PortSelection->setObserver({});
}

frmMain::LoadResult frmMain::Form_Load() {
    Screen.CheckControlBusy = 0;
    Caption = VersionedTitle(kCaption, env_.version);
    port_->setLineSettings(kLineSettings);
    port_->setHandshaking(Handshake::None);

    // A simulator or a device named on the command line needs no probe and
    // no choice; the remembered number still serves "Select Comm".
    const bool portGiven = usingSimulator_ || options_.device.has_value();
    if (!portGiven) ProbePorts();
    ReadRememberedPort();

    env_.pump->stopTimer1();
    if (!portGiven && !ChoosePortUntilAvailable()) return LoadResult::Quit;

    env_.pump->startTimer1(Module2::kTimer1IntervalMs, [this] { Bus.Timer1Tick(); });
    OpenPort();
    Screen.FillCommandLists();
    return LoadResult::Ready;
}

void frmMain::ProbePorts() {
    auto probe = env_.hardwarePort();
    probe->setLineSettings(kLineSettings);
    probe->setHandshaking(Handshake::None);
    for (int i = kFirstPort; i <= kLastPort; ++i) {
        PortAvailable[i] = false;
        probe->setPortName(env_.devices(i));
        const OpenResult result = probe->open();
        probeStatus_[i] = result.status;
        PortAvailable[i] = result.ok();
        if (probe->isOpen()) probe->close();
        // The port this run already holds open cannot be opened twice.
        if (port_->isOpen() && port_->portName() == env_.devices(i)) PortAvailable[i] = true;
    }
    probed_ = true;
}

void frmMain::ReadRememberedPort() {
    if (env_.portsIni.none()) return;  // a tool that never remembers a port
    std::optional<RememberedPort> remembered = ReadPortsIni(PortsIniToRead(env_.portsIni));
    if (!remembered) {
        StorePortsIni(env_.portsIni, 1);  // errors ignored, as the old file's absence was
        remembered = RememberedPort{"1", {}};
    }
    currentActivePort_ = PortFromCandidate(remembered->firstField);
    chosenDevice_ = remembered->device == env_.devices(currentActivePort_) ? "" : remembered->device;
}

// Loops while the remembered port does not exist. Returns false when the
// user chose to quit instead of picking a port.
bool frmMain::ChoosePortUntilAvailable() {
    bool toldRefused = false;
    while (!ChoiceAvailable()) {
        if (chosenDevice_.empty() && probeStatus_[currentActivePort_] == OpenStatus::PermissionDenied &&
            !toldRefused) {
            env_.ui->messageBox(
                OpenFailureMessage(PortLabel(ChoiceDevice(), env_.devices), {OpenStatus::PermissionDenied, {}}), kCaption);
            toldRefused = true;
        }
        env_.ui->messageBox(kInactivePortMessage, kCaption);
        ShowPortSelection(true);
        if (ChoiceAvailable()) break;

        // Cancelled: the original asked again for ever; offer a way out.
        const bool offerSimulator = static_cast<bool>(env_.simulatedPort);
        const NoPortChoice choice = env_.ui->askNoPort(
            "No port was chosen, so the program cannot reach a switch.\n\n"
            "Choose a port, continue with the simulated switch, or quit.",
            offerSimulator);
        if (choice == NoPortChoice::Quit) return false;
        if (choice == NoPortChoice::UseSimulator && offerSimulator) {
            SwitchToSimulator();
            return true;
        }
    }
    return true;
}

void frmMain::SwitchToSimulator() {
    port_ = env_.simulatedPort();
    port_->setLineSettings(kLineSettings);
    port_->setHandshaking(Handshake::None);
    Bus.setPort(*port_);
    usingSimulator_ = true;
}

std::string frmMain::ChoiceDevice() const {
    return chosenDevice_.empty() ? env_.devices(currentActivePort_) : chosenDevice_;
}

// A numbered port is available when the probe found it; a device outside
// the table is tried when asked about.
bool frmMain::ChoiceAvailable() {
    if (chosenDevice_.empty()) return PortAvailable[currentActivePort_];
    auto probe = env_.hardwarePort();
    probe->setLineSettings(kLineSettings);
    probe->setPortName(chosenDevice_);
    const bool opened = probe->open().ok();
    if (probe->isOpen()) probe->close();
    return opened;
}

std::vector<SystemPort> frmMain::SystemPorts() {
    return env_.systemPorts ? env_.systemPorts() : std::vector<SystemPort>{};
}

void frmMain::OpenPort() {
    std::string device;
    if (usingSimulator_) device = "simulated switch";
    else if (options_.device) device = *options_.device;
    else device = ChoiceDevice();
    port_->setPortName(device);

    const OpenResult result = port_->open();
    openResult_ = result;
    openedDevice_ = device;
    if (!result.ok()) {
        const std::string label = options_.device ? "port " + device : PortLabel(device, env_.devices);
        env_.ui->messageBox(OpenFailureMessage(label, result), kCaption);
        return;
    }
    port_->clearInput();
    port_->clearOutput();
}

void frmMain::Form_Unload() {
    // A transfer still waiting ends at its next exchange, without a word.
    Transfer.Abort();
    if (verification_) verification_->Abort();
    env_.pump->stopTimer1();
    if (PortSelection) PortSelection->setObserver({});
    if (!port_->isOpen()) return;
    port_->clearOutput();
    port_->clearInput();
    if (port_->outputCount() != 0 || port_->inputCount() != 0) env_.ui->messageBox(kCleanUpMessage, kCaption);
    port_->close();
}

// Not while a transfer runs: listing the ports would open devices inside
// the transfer's reply wait.
void frmMain::SelComm_Click() {
    if (!Busy()) ShowPortSelection(false);
}

void frmMain::GET_DATA_Click() {
    if (Busy()) return;
    lastAction_ = LastAction::Read;
    Transfer.GET_DATA_Click();
}

void frmMain::SEND_DATA_Click() {
    if (Busy()) return;
    lastAction_ = LastAction::Write;
    lastVerify_ = {};
    Transfer.SEND_DATA_Click();
    const WriteReport& write = Transfer.lastWrite();
    if (VerifyAfterSend.value() == 1 && write.complete() && write.framesHeard > 0) VerifyWrite();
}

// Reads the switch back into a screen of its own, addressed as the write
// was, and compares it with the screen that was sent.
void frmMain::VerifyWrite() {
    verifyScreen_ = std::make_unique<ConfigScreen>();
    verifyScreen_->FillCommandLists();
    verifyScreen_->ADDR[3].setText(Screen.ADDR[3].text());
    verifyScreen_->UseSwPP.setValue(Screen.UseSwPP.value());
    verification_ = std::make_unique<SwitchTransfer>(Bus, *verifyScreen_, *env_.ui);
    verification_->setObserver(transferObserver_);
    verification_->setGiveUpWhenSilent(Transfer.givesUpWhenSilent());
    verification_->GET_DATA_Click();
    lastVerify_.ran = true;
    lastVerify_.read = verification_->lastRead();
    if (lastVerify_.read.complete()) lastVerify_.differences = CompareHeld(Screen, *verifyScreen_);
    if (lastVerify_.differences.empty()) return;
    std::vector<std::string> lines;
    for (const HeldDifference& d : lastVerify_.differences) lines.push_back(DescribeHeldDifference(d));
    VerifyMsg.setText("The switch does not hold what was sent");
    VerifyMsg.setDetails(std::move(lines));
    VerifyMsg.setVisible(true);
    env_.ui->showMessageWindow(VerifyMsg);
}

void frmMain::StopTransfer() {
    Transfer.Stop();
    if (verification_) verification_->Stop();
}

TransferProgress frmMain::Progress() const {
    if (!verification_ || !verification_->progress().active) return Transfer.progress();
    TransferProgress progress = verification_->progress();
    progress.text = "Checking what the switch holds: " + progress.text;
    return progress;
}

void frmMain::setTransferObserver(std::function<void()> observer) {
    transferObserver_ = observer;
    Transfer.setObserver(observer);
    if (verification_) verification_->setObserver(std::move(observer));
}

Verdict VerifiedWriteVerdict(const WriteReport& write, const VerifyReport& verify) {
    const Verdict written = WriteVerdict(write);
    if (!verify.ran) return written;
    if (!verify.read.complete())
        return {false, written.summary + ", but reading it back failed: " + ReadVerdict(verify.read).summary,
                ReadVerdict(verify.read).advice};
    if (!verify.differences.empty())
        return {false,
                written.summary + ", but the switch holds something else: " +
                    DescribeHeldDifference(verify.differences.front()) +
                    (verify.differences.size() > 1
                         ? " (and " + std::to_string(verify.differences.size() - 1) + " more)"
                         : ""),
                "The switch answered the writes but kept other values. Send again; if it happens again, the switch "
                "may not accept this configuration (a firmware that lacks a command?)."};
    return {written.ok, written.summary + " and verified: the switch holds what was sent", written.advice};
}

void frmMain::Command1_Click() {
    if (!Busy()) Screen.Command1_Click();
}

// A file command that got as far as a file becomes what the status line
// tells; a cancelled dialog changes nothing.
void frmMain::RunFileCommand(void (ConfigFileCommands::*command)()) {
    if (Busy()) return;
    const int before = Files.events();
    (Files.*command)();
    if (Files.events() != before) lastAction_ = LastAction::File;
}

void frmMain::Export_Click() { RunFileCommand(&ConfigFileCommands::Export_Click); }
void frmMain::Import_Click() { RunFileCommand(&ConfigFileCommands::Import_Click); }
void frmMain::Compare_Click() { RunFileCommand(&ConfigFileCommands::Compare_Click); }

Verdict frmMain::LastVerdict() const {
    switch (lastAction_) {
    case LastAction::Read: return ReadVerdict(Transfer.lastRead());
    case LastAction::Write: return VerifiedWriteVerdict(Transfer.lastWrite(), lastVerify_);
    case LastAction::File: return {Files.lastEvent().ok, FileEventText(Files.lastEvent()), ""};
    default: return {true, "", ""};
    }
}

// The port opened at start-up stays in use until the program ends; a port
// chosen since is named as the one of the next start.
std::string frmMain::ConnectionText() const {
    std::string text;
    if (usingSimulator_) {
        text = "Connected to the simulated switch";
    } else {
        const std::string label = options_.device ? openedDevice_ : PortLabel(openedDevice_, env_.devices);
        text = (label.empty() ? label : std::string(1, static_cast<char>(std::toupper(label[0]))) + label.substr(1)) +
               (port_->isOpen() ? " open, 4800 baud, odd parity" : " not open");
    }
    if (!openedDevice_.empty() && !usingSimulator_ && !options_.device && ChoiceDevice() != openedDevice_)
        text += "; " + PortLabel(ChoiceDevice(), env_.devices) + " from the next start";
    return text;
}

std::string frmMain::StatusText() const {
    const Verdict verdict = LastVerdict();
    return ConnectionText() + (verdict.summary.empty() ? "" : "  -  " + verdict.summary);
}

void frmMain::DIAG_Click() {
    Diagnostic.show();
    env_.ui->showDiagnostic(Diagnostic);
}

void frmMain::ShowPortSelection(bool modal) {
    // A window already open keeps its model (it points at it); it is only
    // brought to the front.
    if (PortSelection && PortSelection->isOpen()) {
        env_.ui->showPortSelection(*PortSelection, modal);
        return;
    }
    PortSelection = std::make_unique<CommPortSelection>(*this, *env_.ui, env_.devices);
    PortSelection->Form_Load();
    env_.ui->showPortSelection(*PortSelection, modal);
}

std::array<bool, 17> frmMain::GetAvailablePorts() {
    // A run started on a named device or the simulator skipped the probe;
    // the list then reflects a probe made the first time it is needed.
    if (!probed_) ProbePorts();
    return PortAvailable;
}

void frmMain::SetActivePort() {
    if (env_.portsIni.none()) return;
    if (!StorePortsIni(env_.portsIni, currentActivePort_, chosenDevice_))
        env_.ui->messageBox(kPortsIniMessage, kCaption);
}

}  // namespace kavro
