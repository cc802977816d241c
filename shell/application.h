#pragma once
// The main window's start-up and shutdown, and the port choice it owns.
// Private to the shell (and its tests): the front ends make it through
// MakeSwitchTool and reach it through SwitchTool.
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
#include "history/journal.h"
#include "transfer/held_comparison.h"
#include "transfer/switch_transfer.h"
#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "shell/shell_environment.h"
#include "shell/switch_tool.h"
#include "shell/version.h"
#include "shell/window_services.h"

namespace kavro {

class Application : public SwitchTool, public PortChoiceOwner {
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
    // Where unsent changes go when the session ends without a question.
    static constexpr const char* kRecoveryFile = "unsent-changes.set";
    static constexpr const char* kPortRetryNote =
        "The program stays open: Get Config, Send Config and Select Comm try the port again, and Select Comm "
        "chooses another one.";

    Application(ShellEnvironment environment, StartOptions options);
    ~Application() override;

    StartResult start() override;

    // SwitchTool
    const std::string& title() const override { return title_; }
    ConfigScreen& screen() override { return screen_; }
    CheckBox& verifyAfterSend() override { return verifyAfterSend_; }
    CheckBox& backUpBeforeSend() override { return backUpBeforeSend_; }
    DiagnosticLog& diagnostic() override { return diagnostic_; }
    void readSwitch() override;
    void writeSwitch() override;
    void clearData() override;
    void exportConfig() override;
    void importConfig() override;
    void importFile(const std::string& path) override;
    void compareWithFile() override;
    void selectPort() override;
    void showDiagnostic() override;
    void stopTransfer() override;
    bool mayClose() override;
    void shutDown() override;
    bool keepUnsentChanges() override;
    void offerRecovery() override;
    bool busy() const override { return transfer_.busy(); }
    TransferProgress progress() const override;
    Verdict lastVerdict() const override;
    std::string connectionText() const override;
    std::string statusText() const override;
    bool unsentChanges() const override { return ScreenRecords(screen_) != savedRecords_; }
    std::string damagedLoadMark() const override;
    bool verifyWindowOpen() const override { return verifyWindow_.visible(); }
    void setTransferObserver(std::function<void()> observer) override;
    void setPortLostObserver(std::function<void()> observer) override { port_->setLostObserver(std::move(observer)); }
    void setWindowShown(bool shown) override { windowShown_ = shown; }
    bool portOpen() const override { return port_->isOpen(); }
    const OpenResult& portOpenResult() const override { return openResult_; }
    const ReadReport& readFresh(const Addressing& addressing, const ReadParts& parts = {}) override;
    const ConfigScreen& freshScreen() const override { return *freshScreen_; }
    void writeScreen(const ConfigScreen& source) override;
    const RestoreReport& restore(const RestoreOrder& order) override;
    const ReadReport& lastRead() const override { return transfer_.lastRead(); }
    const WriteReport& lastWrite() const override { return transfer_.lastWrite(); }
    const VerifyReport& lastVerify() const override { return lastVerify_; }
    const BackupReport& lastBackup() const override { return lastBackup_; }
    const RestoreReport& lastRestore() const override { return lastRestore_; }
    void recordGet(const ReadReport& report, const ConfigScreen& read) override;
    Journal* journal() override;
    const std::string& journalProblem() const override { return journalProblem_; }
    BusIdentity bus() const override;
    void setSite(const std::string& site) override { site_ = site; }
    void setSiteSend(std::int64_t entry) override { siteSend_ = entry; }
    const std::string& historyProblem() const override { return historyProblem_; }
    std::vector<JournalEntry> screenHistory(std::string* problem) override;
    void loadFromHistory(std::int64_t entry) override;
    void restoreFromHistory(std::int64_t entry) override;

    // PortChoiceOwner
    std::array<bool, 17> availablePorts() override;
    int currentPort() const override { return currentActivePort_; }
    void setCurrentPort(int port) override { currentActivePort_ = port; }
    void rememberPort() override;
    bool mainWindowVisible() const override { return windowShown_; }
    std::string chosenDevice() const override { return chosenDevice_; }
    void setChosenDevice(const std::string& device) override { chosenDevice_ = device; }
    std::vector<SystemPort> systemPorts() override;
    void refreshPorts() override;
    std::string portProblem(const std::string& device) override;
    std::string portInUse() const override;

    // For the tests: the port, the file commands and the port window.
    SerialPort& port() { return *port_; }
    ConfigFileCommands& files() { return files_; }
    // The open selection window, if any (modeless after start-up).
    CommPortSelection* portSelection() { return portSelection_.get(); }
    bool usingSimulator() const { return usingSimulator_; }

private:
    void probePorts();
    void readRememberedPort();
    bool choosePortUntilAvailable();
    void switchToSimulator();
    void openPort();
    void showPortSelection(bool modal);
    void runFileCommand(const std::function<void()>& command);
    // A load into the screen, marked when it came from a damaged file.
    void loadFileMarked(const std::function<void()>& load);
    void chooseTheOneUsbAdapter();
    // The journaled write shared by Send Config and a restore: entered with
    // its backup before the first frame, its outcome after the last, read
    // back when asked. exact: a switch's own bytes, else the screen.
    struct WriteOrder {
        const char* event;
        const ConfigScreen& screen;
        const HeldConfiguration* exact = nullptr;
        std::optional<ReadRecord> backup;
        bool verify = false;
    };
    void startWrite();
    void journaledWrite(WriteOrder order);
    void verifyWrite(const WriteOrder& order, std::int64_t writeId);
    ReadRecord readRecord(const char* event) const;
    std::string refuseRestore(std::string why);
    bool loadRestoreFile(const std::filesystem::path& file, const std::optional<ConfigBytes>& bytes = {});
    void reopenPort();
    bool mayDiscardChanges(const std::string& action);
    // The screen came partly from a damaged file (records 1 to N): Send
    // Config asks first; true when it did not.
    bool maySendDamagedLoad();
    std::filesystem::path recoveryFile() const { return env_.dataFolder / kRecoveryFile; }
    // What the screen now holds counts as kept (sent, exported, read).
    void markSaved() { savedRecords_ = ScreenRecords(screen_); }
    std::string openedLabel() const;
    // The device the choice stands for: the number's, or one outside the
    // table remembered by its path.
    std::string choiceDevice() const;
    int numberOf(const std::string& device) const;  // 0: none, or a device outside the table
    bool choiceAvailable();

    std::string title_;
    bool windowShown_ = false;
    // The configuration editor: the window's channel controls.
    ConfigScreen screen_;
    std::array<bool, 17> portAvailable_{};  // indexes 1..16
    DiagnosticLog diagnostic_;
    BusLink bus_;
    SwitchTransfer transfer_;
    ConfigFileCommands files_;
    std::unique_ptr<CommPortSelection> portSelection_;
    CheckBox verifyAfterSend_;
    CheckBox backUpBeforeSend_;
    // The differences found by the read-back, as the window lists them.
    MessageWindow verifyWindow_{"VerifyMsg", "Verify after Send", "", kMessageRed, {6000, 975}};

    std::unique_ptr<ConfigScreen> freshScreen_;  // what the last fresh read found
    const char* phase_ = "";                     // what a fresh read is for, in progress texts
    VerifyReport lastVerify_;
    std::unique_ptr<Journal> journal_;
    std::string journalProblem_;
    BackupReport lastBackup_;
    RestoreReport lastRestore_;
    std::unique_ptr<ConfigScreen> restoreScreen_;  // a restore's configuration, when it is a file's
    std::string historyProblem_;
    std::string site_;
    std::int64_t siteSend_ = 0;
    std::string fromHistory_;  // what a load from the history took, for the status line

    enum class LastAction { None, Read, Write, File } lastAction_ = LastAction::None;

    std::array<OpenResult, 17> probeResults_{};
    OpenResult choiceResult_;  // why the device chosen outside the table cannot be used
    OpenResult openResult_;
    std::vector<RecordValue> savedRecords_;
    // The last record a damaged file put into the screen, and the file;
    // 0 while the screen holds no such mixture.
    int damagedLastRecord_ = 0;
    std::string damagedFile_;
    bool ending_ = false;  // the session is ending without a question
    bool probed_ = false;
    bool usingSimulator_ = false;

    int currentActivePort_ = 1;
    std::string chosenDevice_;
    std::string openedDevice_;  // what start-up opened, for the status line
    // The adapter on openedDevice_ (its serial number and place), as the
    // system listed it when the port last opened.
    mutable std::optional<BusIdentity> adapter_;
    // Why a first start chose the port it did, for the status line until
    // the first command.
    std::string firstStartChoice_;
};

// The plain-words message for a port that could not be opened: what is
// wrong and what to do, in the words the command-line tool uses.
std::string OpenFailureMessage(const std::string& portLabel, const OpenResult& result);

// 4800 baud, odd parity and no handshake, on every port this program opens.
void SetUpLine(SerialPort& port);

}  // namespace kavro
