#pragma once
// The main window's start-up and shutdown, and the port choice it owns.
// Start-up probes ports 1 to 16, reads Ports.ini, makes the user pick
// another port while the remembered one does not exist, starts the reply
// timer and opens the port at 4800 baud, odd parity, 8 data bits, 1 stop.

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "buslink/comm_port_selection.h"
#include "buslink/diagnostic_log.h"
#include "buslink/port_devices.h"
#include "buslink/ports_ini.h"
#include "buslink/bus_link.h"
#include "editor/config_screen.h"
#include "configfile/config_records.h"
#include "configfile/file_commands.h"
#include "history/switch_history.h"
#include "transfer/held_comparison.h"
#include "transfer/switch_transfer.h"
#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "shell/version.h"
#include "shell/window_services.h"

namespace kavro {

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

// What reading the switch back after a write found.
struct VerifyReport {
    bool ran = false;
    ReadReport read;
    std::vector<HeldDifference> differences;
    bool holds() const { return ran && read.complete() && differences.empty(); }
};

// How frames reach a switch: by the address in the "Switch Address" box
// when "Use Switch Address for Config" is ticked, else by the global one.
struct Addressing {
    std::string switchAddress;
    bool useSwitchAddress = false;
};
Addressing AddressingOf(const ConfigScreen& screen);

// What keeping a switch's configuration before a write did. A write
// that asked for a backup goes ahead only when one was kept.
struct BackupReport {
    enum class End {
        NotAsked,    // no backup was asked for
        Kept,        // read and kept in the history
        Unwritable,  // the history folder cannot be written: nothing was read
        ReadFailed,  // the switch could not be read whole
        NotKept,     // read, but the backup could not be kept
    };
    End end = End::NotAsked;
    ReadReport read;             // the read before the write
    std::filesystem::path file;  // the backup kept
    std::string address;         // the switch address it read
    std::string problem;         // why no backup was kept, in words
    bool kept() const { return end == End::Kept; }
};

// What the window tells of a write refused for want of a backup, with what
// to do; empty when the backup read was stopped (the user knows).
std::string BackupRefusal(const BackupReport& backup);

// A write of a file or screen, or a restore of a backup: the history keeps
// which it was, and looks for the newest send to undo.
enum class WriteKind { Send, Restore };

// The verdict on a write that was read back.
Verdict VerifiedWriteVerdict(const WriteReport& write, const VerifyReport& verify);

// What the platform hands the main window.
struct ShellEnvironment {
    EventPump* pump = nullptr;
    WindowServices* ui = nullptr;
    SerialPortFactory hardwarePort;   // a new adapter for a real device
    SerialPortFactory simulatedPort;  // the built-in simulated switch; may be empty
    PortsIniPlaces portsIni;  // none: no Ports.ini at all
    std::filesystem::path dataFolder;  // where configuration files are kept
    PortDeviceTable devices = DeviceForPort;
    std::function<std::vector<SystemPort>()> systemPorts;  // the ports present now; may be empty
    Version version = ProgramVersion();
};

// How this run reaches the switch.
struct StartOptions {
    bool simulator = false;             // --simulator: the built-in simulated switch
    std::optional<std::string> device;  // --port DEVICE: this device, no probe, no selection
};

class Application : public PortChoiceOwner {
    // Declared first: the bus module below is built on the port.
    ShellEnvironment env_;
    StartOptions options_;
    std::unique_ptr<SerialPort> port_;

public:
    static constexpr const char* kCaption = kProgramCaption;
    static constexpr const char* kLineSettings = "4800,O,8,1";
    static constexpr const char* kInactivePortMessage =
        "This program is currently set to a port that is inactive on this PC.  Press OK to select an active one.";
    static constexpr const char* kCleanUpMessage = "Error Cleaning Up";
    static constexpr const char* kPortsIniMessage = "Could not update 'Ports.ini' file.";
    // Said after a port problem: the window stays, and how to carry on.
    static constexpr const char* kPortRetryNote =
        "The program stays open: Get Config, Send Config and Select Comm try the port again, and Select Comm "
        "chooses another one.";
    static constexpr const char* kUnsentMark = "Changes not sent or exported";

    enum class StartResult { Ready, Quit };

    Application(ShellEnvironment environment, StartOptions options);
    ~Application() override;

    StartResult start();
    void shutDown();
    void selectPort();
    void showDiagnostic();
    // The buttons that change the screen or use the bus wait while a
    // transfer runs: they would share its buffers or pull the screen from
    // under it.
    // Get and Send first open the port again when it went away (an adapter
    // unplugged and plugged in again).
    void readSwitch();
    // Asks first when the switch address box still holds its start-up
    // value: that would become the switch's own address.
    void writeSwitch();
    // Send Config of any screen (a file's, for the command-line tool), read
    // back and compared when "Verify after Send" is ticked.
    // With "Back up before Send" ticked, the switch is first read, as the
    // write will address it, into a fresh screen and kept in the history;
    // nothing is written when that fails. A restore writes after a backup
    // taken by keepBackup().
    void writeScreen(const ConfigScreen& source, WriteKind kind = WriteKind::Send);
    // Get Config into a new screen, fresh as at start-up and addressed as
    // `addressing` is: nothing of the window's screen, another switch or
    // an earlier read stands in it. The window's own screen is untouched.
    // The screen read stays until the next such read.
    const ReadReport& readFresh(const Addressing& addressing);
    const ConfigScreen& freshScreen() const { return *freshScreen_; }
    // Asks first when the screen has changes not sent, exported or read.
    void clearData();
    // Whether the window may close: asks when the screen has such changes.
    bool mayClose();
    // The screen differs from what was last sent, exported, imported or
    // read (or from the start-up screen).
    bool unsentChanges() const { return ScreenRecords(screen) != savedRecords_; }
    void exportConfig();
    void importConfig();
    void compareWithFile();
    bool busy() const { return transfer.busy(); }
    // Ends the running transfer, or the read-back after a write, at its
    // next exchange.
    void stopTransfer();
    // What the window shows of the running transfer.
    TransferProgress progress() const;
    // Told whenever a transfer, or the read-back after a write, moves on.
    void setTransferObserver(std::function<void()> observer);

    // After Send Config, read the switch back and compare, when ticked.
    CheckBox verifyAfterSend;
    // Before Send Config, read the switch and keep what it holds, when ticked.
    CheckBox backUpBeforeSend;

    // The history of each switch, in the data folder; none without one.
    const SwitchHistory* history() const { return history_ ? &*history_ : nullptr; }
    // Reads the switch into a fresh screen and keeps it as the backup
    // before a write; the history folder is checked before the line is
    // touched.
    const BackupReport& backUp(const Addressing& addressing);
    // Keeps the last fresh read as the backup before a write.
    const BackupReport& keepBackup();
    const BackupReport& lastBackup() const { return lastBackup_; }
    // Keeps a Get Config in the history: its file when the read is
    // complete, a line when at least the switch address came.
    void recordGet(const ReadReport& report, const ConfigScreen& read);
    // Why the last transfer's history was not kept; empty when it was.
    const std::string& historyProblem() const { return historyProblem_; }
    const VerifyReport& lastVerify() const { return lastVerify_; }
    // The differences found by the read-back, as the window lists them.
    MessageWindow verifyWindow{"VerifyMsg", "Verify after Send", "", kMessageRed, {6000, 975}};

    // PortChoiceOwner
    std::array<bool, 17> availablePorts() override;
    int currentPort() const override { return currentActivePort_; }
    void setCurrentPort(int port) override { currentActivePort_ = port; }
    void rememberPort() override;
    bool mainWindowVisible() const override { return windowShown; }
    std::string chosenDevice() const override { return chosenDevice_; }
    void setChosenDevice(const std::string& device) override { chosenDevice_ = device; }
    std::vector<SystemPort> systemPorts() override;
    void refreshPorts() override;
    std::string portProblem(const std::string& device) override;
    std::string portInUse() const override;

    // The port in use and how this run reaches the switch, in plain words
    // for the window's status line.
    SerialPort& port() { return *port_; }
    std::string connectionText() const;
    // How the last transfer or file command went, and the status line
    // made of both.
    Verdict lastVerdict() const;
    std::string statusText() const;
    // How opening the port at start-up went.
    const OpenResult& portOpenResult() const { return openResult_; }
    bool usingSimulator() const { return usingSimulator_; }

    std::string title;
    bool windowShown = false;
    // The configuration editor: the window's channel controls.
    ConfigScreen screen;
    std::array<bool, 17> portAvailable{};  // indexes 1..16
    DiagnosticLog diagnostic;
    BusLink bus;
    SwitchTransfer transfer;
    ConfigFileCommands files;
    // The open selection window, if any (modeless after start-up).
    std::unique_ptr<CommPortSelection> portSelection;

private:
    void probePorts();
    void readRememberedPort();
    bool choosePortUntilAvailable();
    void switchToSimulator();
    void openPort();
    void showPortSelection(bool modal);
    void runFileCommand(void (ConfigFileCommands::*command)());
    void verifyWrite(const ConfigScreen& sent);
    void recordWrite(const ConfigScreen& sent, WriteKind kind);
    void reopenPort();
    bool mayDiscardChanges(const std::string& action);
    // What the screen now holds counts as kept (sent, exported, read).
    void markSaved() { savedRecords_ = ScreenRecords(screen); }
    std::string openedLabel() const;

    std::unique_ptr<ConfigScreen> freshScreen_;  // what the last fresh read found
    const char* phase_ = "";                     // what a fresh read is for, in progress texts
    VerifyReport lastVerify_;
    std::optional<SwitchHistory> history_;
    BackupReport lastBackup_;
    std::string historyProblem_;

    enum class LastAction { None, Read, Write, File } lastAction_ = LastAction::None;

    std::array<OpenResult, 17> probeResults_{};
    OpenResult choiceResult_;  // why the device chosen outside the table cannot be used
    OpenResult openResult_;
    std::vector<RecordValue> savedRecords_;
    bool probed_ = false;
    bool usingSimulator_ = false;
    // The device the choice stands for: the number's, or one outside the
    // table remembered by its path.
    std::string choiceDevice() const;
    int numberOf(const std::string& device) const;  // 0: none, or a device outside the table
    bool choiceAvailable();

    int currentActivePort_ = 1;
    std::string chosenDevice_;
    std::string openedDevice_;  // what start-up opened, for the status line
};

// The plain-words message for a port that could not be opened: what is
// wrong and what to do, in the words the command-line tool uses.
std::string OpenFailureMessage(const std::string& portLabel, const OpenResult& result);

}  // namespace kavro
