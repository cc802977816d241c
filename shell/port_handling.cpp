// The port handling of the main window: probing ports 1 to 16, the port
// remembered in Ports.ini, choosing a port until one can be had (or the
// simulated switch), opening it at 4800 baud, odd parity, 8 data bits and
// 1 stop bit, opening it again after it went away, and what the status
// line says of it.

#include <algorithm>
#include <cctype>

#include "buslink/port_problems.h"
#include "buslink/ports_ini.h"
#include "shell/application.h"

namespace kavro {
namespace {

// Opens the device and closes it again: whether it can be had, and why not.
OpenResult TryOpen(SerialPort& probe, const std::string& device) {
    probe.setPortName(device);
    const OpenResult result = probe.open();
    if (probe.isOpen()) probe.close();
    return result;
}

}  // namespace

// 4800 baud, odd parity and no handshake, on every port this program opens.
void SetUpLine(SerialPort& port) {
    port.setLineSettings(Application::kLineSettings);
    port.setHandshaking(Handshake::None);
}

std::string OpenFailureMessage(const std::string& portLabel, const OpenResult& result) {
    const PortProblem problem = DescribeOpenFailure("The serial " + portLabel, result);
    return problem.what + ".\n\n" + problem.remedy;
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
    adapter_.reset();
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
    adapter_.reset();  // another adapter may stand where the last one was
    if (!openResult_.ok()) return;
    port_->clearInput();
    port_->clearOutput();
}

// Not while a transfer runs: listing the ports would open devices inside
// the transfer's reply wait. The port of this run is tried again first, so
// that the window shows it open when its adapter is back.
void Application::selectPort() {
    if (busy()) return;
    reopenPort();
    showPortSelection(false);
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
