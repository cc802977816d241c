#pragma once
// What the front ends ask of the program. The window and the command-line
// tool reach it through this and nothing else: the buttons, what the
// status line and the progress show, the few models a window mirrors, and
// the reads, writes and reports a script runs on. The program's parts (the
// bus, the transfers, the files, the history) stay its own, so a front end
// cannot start a transfer past busy() or read a result half made.

#include <functional>
#include <string>
#include <vector>

#include "buslink/diagnostic_log.h"
#include "editor/config_screen.h"
#include "history/switch_history.h"
#include "platform/serial_port.h"
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
    // address it, into a fresh screen and kept in the history; nothing is
    // written when that fails. A restore writes after keepBackup().
    virtual void writeScreen(const ConfigScreen& source, WriteKind kind = WriteKind::Send) = 0;
    virtual const ReadReport& lastRead() const = 0;
    virtual const WriteReport& lastWrite() const = 0;
    virtual const VerifyReport& lastVerify() const = 0;
    // Keeps the last fresh read as the backup before a write.
    virtual const BackupReport& keepBackup() = 0;
    virtual const BackupReport& lastBackup() const = 0;
    // Keeps a Get Config in the history: its file when the read is
    // complete, a line when at least the switch address came.
    virtual void recordGet(const ReadReport& report, const ConfigScreen& read) = 0;
    // The history of each switch, in the data folder; none without one.
    virtual const SwitchHistory* history() const = 0;
    // Why the last transfer's history was not kept; empty when it was.
    virtual const std::string& historyProblem() const = 0;
};

}  // namespace kavro
