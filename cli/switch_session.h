#pragma once
// A main window without a window, on one serial device: what get, send,
// compare and site run their transfers on. Every read goes into a fresh
// screen and every write sends the screen it is given, so nothing of one
// switch or an earlier run stands in another's file or verdict. SIGINT,
// SIGTERM, SIGHUP and SIGQUIT end a transfer at its next exchange; the port
// is then closed as usual, which puts its line settings back.

#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "cli/console_ui.h"
#include "platform_qt/qt_event_pump.h"
#include "shell/switch_tool.h"

namespace kavro::cli {

struct SessionOptions {
    std::string device;
    std::optional<std::string> switchAddress;  // reach the switch by its own address
    bool verbose = false;                      // every frame on standard error
    bool decode = false;                       // ... and what it means
    std::string site;                          // the site the journal records the run for
};

class SwitchSession {
public:
    SwitchSession();
    ~SwitchSession();

    // Opens the port; false, with the reason and its remedy in error.
    bool open(const SessionOptions& options, std::string* error);

    // "Get Config" into a fresh screen (readScreen()), addressed as the
    // options say. It gives up early when nothing answers as a switch.
    const ReadReport& read();
    const ConfigScreen& readScreen() const { return form_->freshScreen(); }
    // "Send Config" of the screen, by the options' switch address when they
    // give one, which is then also the address written into the switch. A
    // write may be backed up first (what that did: lastBackup()), and read
    // back and compared (what it found: lastVerify()).
    const WriteReport& write(ConfigScreen& source, bool verify = false, bool backUp = false);
    const VerifyReport& lastVerify() const { return form_->lastVerify(); }
    const BackupReport& lastBackup() const { return form_->lastBackup(); }
    // The last read kept in the journal as a get; what went wrong, or empty.
    std::string keepRead();
    // Puts back what the switch held (SwitchTool::restore).
    const RestoreReport& restore(const RestoreOrder& order);
    const WriteReport& lastWrite() const { return form_->lastWrite(); }
    // Why the last transfer's journal entry was not kept; empty when it was.
    const std::string& historyProblem() const { return form_->historyProblem(); }
    // The journal, and which bus and site this run records.
    Journal* journal() { return form_->journal(); }
    const std::string& journalProblem() const { return form_->journalProblem(); }
    BusIdentity bus() const { return form_->bus(); }
    void setSite(const std::string& site) { form_->setSite(site); }
    void setSiteSend(std::int64_t entry) { form_->setSiteSend(entry); }
    // Another switch on the same line, by its address.
    void setSwitchAddress(std::optional<std::string> address) { options_.switchAddress = std::move(address); }
    // What the switch address of a screen becomes when it is sent.
    void addressSwitch(ConfigScreen& screen) const;

    const std::string& device() const { return options_.device; }

    // The signal that stopped the last transfer, or 0.
    static int interruption();

private:

    SessionOptions options_;
    QtEventPump pump_;
    ConsoleUi ui_;
    std::unique_ptr<SwitchTool> form_;
    QTimer signalWatch_;
};

// The data folder the window uses too (KavroSwitch in the home folder),
// and the journal in it; nothing, with the reason, when it cannot be used.
std::filesystem::path ToolDataFolder();
std::unique_ptr<Journal> OpenToolJournal(std::string* problem);

// Why a read did not get everything, in one line.
std::string ReadProblem(const SwitchSession& session, const ReadReport& report);

inline constexpr const char* kPortRequired = "--port DEVICE is required (kavro-switch ports lists them)";

}  // namespace kavro::cli
