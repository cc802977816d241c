#include "shell/application.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "buslink/field_parsers.h"
#include "platform/utf8_path.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

std::unique_ptr<SerialPort> InitialPort(const ShellEnvironment& env, const StartOptions& options) {
    if (options.simulator && env.simulatedPort) return env.simulatedPort();
    return env.hardwarePort();
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

std::unique_ptr<SwitchTool> MakeSwitchTool(ShellEnvironment environment, StartOptions options) {
    return std::make_unique<Application>(std::move(environment), std::move(options));
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

std::string Application::statusText() const {
    const Verdict verdict = lastVerdict();
    return connectionText() + (verdict.summary.empty() ? "" : "  -  " + verdict.summary) +
           (historyProblem_.empty() ? "" : "  (not kept in the journal: " + historyProblem_ + ")");
}

void Application::showDiagnostic() {
    diagnostic_.show();
    env_.ui->showDiagnostic(diagnostic_);
}

}  // namespace kavro
