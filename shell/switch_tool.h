#pragma once
// What the front ends ask of the program. The window and the command-line
// tool reach it through this and nothing else: the buttons, what the
// status line and the progress show, the few models a window mirrors, and
// the reads, writes and reports a script runs on. The program's parts (the
// bus, the transfers, the files, the history) stay its own, so a front end
// cannot start a transfer past busy() or read a result half made.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "buslink/diagnostic_log.h"
#include "configfile/config_records.h"
#include "editor/config_screen.h"
#include "history/journal.h"
#include "history/restore_choice.h"
#include "platform/serial_port.h"
#include "shell/shell_environment.h"
#include "transfer/held_comparison.h"
#include "transfer/switch_transfer.h"

namespace kavro {

// What reading the switch back after a write found: the differences are
// those in the parts read, whether or not every part was.
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
        Kept,        // read, and entered in the journal with the write
        Unwritable,  // the journal cannot be written: nothing was read
        ReadFailed,  // the switch could not be read whole
        NotKept,     // read, but the backup and its write could not be entered in the journal
    };
    End end = End::NotAsked;
    ReadReport read;             // the read before the write
    std::filesystem::path file;  // the backup kept
    std::string address;         // the switch address it read
    std::string problem;         // why no backup was kept, in words
    bool kept() const { return end == End::Kept; }
};

// What the window tells of a write refused for want of a backup or of the
// journal, with what to do; empty when the backup read was stopped (the
// user knows).
std::string BackupRefusal(const BackupReport& backup);

// A restore: what to put back, and how the switch is reached.
struct RestoreOrder {
    std::filesystem::path file;  // a configuration named by the user; empty: chosen from the journal
    std::optional<ConfigBytes> bytes;  // its bytes, when read already (standard input)
    std::int64_t entry = 0;      // a journal entry's configuration (a read's own, a write's backup)
    RestoreRequest request;      // how far back, which site
    Addressing addressing;       // by the switch's own address, or by the global one
};

// What a restore chose and did; the write and its read-back are in
// lastWrite() and lastVerify().
struct RestoreReport {
    std::string refusal;              // why nothing was sent, in one line; empty when it was written
    std::vector<std::string> listed;  // the journal entries a refusal is about
    std::optional<JournalEntry> state;   // the recorded read put back
    std::optional<JournalEntry> undone;  // the write it undid
    std::filesystem::path file;       // the file it came from
    bool exact = false;               // written from the switch's own bytes, every byte
    std::string addressBefore;        // the address the switch answered before
    std::string addressRestored;      // the address it was given
    // What a write cannot put back, named instead ("firmware version: ...").
    std::vector<std::string> notPutBack;
    bool refused() const { return !refusal.empty(); }
};

// The verdict on a write that was read back: every part that could not be
// read back, and every field that differs in the parts that were.
Verdict VerifiedWriteVerdict(const WriteReport& write, const VerifyReport& verify);
// The parts a read did not get, in words: "no answer for channel 3", or,
// for a read that gave up, its verdict.
std::string ReadBackProblem(const ReadReport& read);

class SwitchTool {
public:
    // What the status line says while the screen has unsent changes.
    static constexpr const char* kUnsentMark = "Changes not sent or exported";

    virtual ~SwitchTool() = default;

    // Start-up: the port probed, chosen and opened (or the device or the
    // simulator the start options name). Quit: the user chose to end at
    // the port selection.
    enum class StartResult { Ready, Quit };
    virtual StartResult start() = 0;

    // The screen model and the options a window mirrors.
    virtual const std::string& title() const = 0;
    virtual ConfigScreen& screen() = 0;
    // After Send Config, read the switch back and compare, when ticked.
    virtual CheckBox& verifyAfterSend() = 0;
    // Before Send Config, read the switch and keep what it holds, when ticked.
    virtual CheckBox& backUpBeforeSend() = 0;
    virtual DiagnosticLog& diagnostic() = 0;

    // The buttons. Those that change the screen or use the bus wait while a
    // transfer runs: they would share its buffers or pull the screen from
    // under it. Get and Send first open the port again when it went away.
    // Get asks first when the screen has unsent changes.
    virtual void readSwitch() = 0;
    // Asks first when the switch address box still holds its start-up
    // value: that would become the switch's own address; and when the
    // screen was partly loaded from a damaged file.
    virtual void writeSwitch() = 0;
    // Clear Data, Import Config and Get Config (above) ask first when the
    // screen has changes not sent, exported or read.
    virtual void clearData() = 0;
    virtual void exportConfig() = 0;
    virtual void importConfig() = 0;
    // Import Config of the file named, without the dialog (the window's
    // command line, a double-click in a file manager).
    virtual void importFile(const std::string& path) = 0;
    virtual void compareWithFile() = 0;
    virtual void selectPort() = 0;
    virtual void showDiagnostic() = 0;
    // Ends the running transfer at its next exchange.
    virtual void stopTransfer() = 0;
    // Whether the window may close: asks when the screen has unsent changes.
    virtual bool mayClose() = 0;
    virtual void shutDown() = 0;
    // The session ends without a question (SIGTERM, SIGHUP: a logout or a
    // shutdown): unsent changes are written to the recovery file in the data
    // folder; false when that could not be done. The next start of the
    // window offers them back (offerRecovery), and the file goes either way.
    virtual bool keepUnsentChanges() = 0;
    virtual void offerRecovery() = 0;

    // What the window shows.
    virtual bool busy() const = 0;
    virtual TransferProgress progress() const = 0;
    // How the last transfer or file command went, the port in use, and the
    // status line made of both.
    virtual Verdict lastVerdict() const = 0;
    virtual std::string connectionText() const = 0;
    virtual std::string statusText() const = 0;
    // The screen differs from what was last sent, exported, imported or read.
    virtual bool unsentChanges() const = 0;
    // "partly loaded from a damaged file: records 1 to N" while the screen
    // is a mixture of a damaged file and what it showed before; empty once
    // a Get reads the switch whole, a file loads whole or Clear Data runs.
    virtual std::string damagedLoadMark() const = 0;
    // The verify window, listing what the switch holds differently, is open.
    virtual bool verifyWindowOpen() const = 0;
    // Told whenever a transfer moves on, and when the port goes away.
    virtual void setTransferObserver(std::function<void()> observer) = 0;
    virtual void setPortLostObserver(std::function<void()> observer) = 0;
    // The window is up: a port chosen from now on is for the next start.
    virtual void setWindowShown(bool shown) = 0;

    // What a script runs on.
    virtual bool portOpen() const = 0;
    // How opening the port at start-up went.
    virtual const OpenResult& portOpenResult() const = 0;
    // Get Config into a new screen, fresh as at start-up and addressed as
    // `addressing` is (of the parts asked for; all by default): nothing of
    // the window's screen, another switch or an earlier read stands in it.
    // The screen read stays until the next such read.
    virtual const ReadReport& readFresh(const Addressing& addressing, const ReadParts& parts = {}) = 0;
    virtual const ConfigScreen& freshScreen() const = 0;
    // Send Config of any screen (a file's, for the command-line tool), read
    // back and compared when "Verify after Send" is ticked. With "Back up
    // before Send" ticked, the switch is first read, as the write will
    // address it, into a fresh screen. The write is entered in the journal,
    // with that backup, before its first frame; nothing is written when
    // the backup read fails or the journal cannot be written.
    virtual void writeScreen(const ConfigScreen& source) = 0;
    // Puts back what a switch held: the switch is read, the state to put
    // back chosen (from the journal, or the order's file), the read kept as
    // the backup of the restore, then written and read back. A refused
    // restore sends nothing and records nothing.
    virtual const RestoreReport& restore(const RestoreOrder& order) = 0;
    virtual const ReadReport& lastRead() const = 0;
    virtual const WriteReport& lastWrite() const = 0;
    virtual const VerifyReport& lastVerify() const = 0;
    virtual const BackupReport& lastBackup() const = 0;
    virtual const RestoreReport& lastRestore() const = 0;
    // Keeps a Get Config in the journal: its file when the read is
    // complete, an entry when at least the switch address came.
    virtual void recordGet(const ReadReport& report, const ConfigScreen& read) = 0;
    // The journal in the data folder, opened when asked for and closed at
    // the end of the next read or write (the pointer is good until then);
    // none without a data folder or when it cannot be used
    // (journalProblem() tells why).
    virtual Journal* journal() = 0;
    virtual const std::string& journalProblem() const = 0;
    // Which bus this run reaches: the device, the adapter, and the site
    // named for it.
    virtual BusIdentity bus() const = 0;
    virtual void setSite(const std::string& site) = 0;
    // The writes from now on belong to this site send (0: none).
    virtual void setSiteSend(std::int64_t entry) = 0;
    // Why the last transfer's journal entry was not kept; empty when it was.
    virtual const std::string& historyProblem() const = 0;

    // The History window: the journal's entries of the switch on screen
    // (its switch address, before or written, on this bus), newest first;
    // nothing, and why, when the journal cannot be read or the box holds no
    // switch address.
    virtual std::vector<JournalEntry> screenHistory(std::string* problem) = 0;
    // Puts an entry's configuration on the screen as Import does, marked as
    // loaded from the history.
    virtual void loadFromHistory(std::int64_t entry) = 0;
    // Writes an entry's configuration into the switch as restore does,
    // reached as the screen says, after a question naming the switch, the
    // time and the bus.
    virtual void restoreFromHistory(std::int64_t entry) = 0;
};

// The program on the platform the environment gives, not yet started.
std::unique_ptr<SwitchTool> MakeSwitchTool(ShellEnvironment environment, StartOptions options);

}  // namespace kavro
