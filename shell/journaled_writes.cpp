// The program's writes as the journal keeps them: each entered, with the
// read that backs it up, before its first frame, its outcome after its
// last, its read-back after that; and the restore that puts a recorded
// state back.

#include "buslink/field_parsers.h"
#include "configfile/config_records.h"
#include "platform/utf8_path.h"
#include "shell/application.h"
#include "transfer/frame_fields.h"
#include "transfer/send_checks.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

const char* OutcomeOf(const WriteReport& write) {
    if (write.complete()) return journal_outcome::kOk;
    if (write.end == TransferEnd::Stopped || write.end == TransferEnd::Closing) return journal_outcome::kStopped;
    return journal_outcome::kFailed;
}

int Acknowledged(const WriteReport& write) {
    return static_cast<int>(std::count(write.replies.begin(), write.replies.end(), WriteReport::Reply::Acknowledged));
}

// The journal is held open for one operation only: between operations
// another program, a backup tool or the user may move or copy the history
// folder (Windows does not let an open file be moved at all).
class JournalOpenFor {
public:
    explicit JournalOpenFor(std::unique_ptr<Journal>& journal) : journal_(journal) {}
    ~JournalOpenFor() { journal_.reset(); }
    JournalOpenFor(const JournalOpenFor&) = delete;
    JournalOpenFor& operator=(const JournalOpenFor&) = delete;

private:
    std::unique_ptr<Journal>& journal_;
};

const char* AfterEvent(const char* event) {
    return std::string(event) == journal_event::kRestore ? journal_event::kAfterRestore : journal_event::kAfterSend;
}

}  // namespace

std::string BackupRefusal(const BackupReport& b) {
    using End = BackupReport::End;
    const char* const remedy = "clear \"Back up before Send\" to send without a backup.";
    if (b.end == End::ReadFailed && (b.read.end == TransferEnd::Stopped || b.read.end == TransferEnd::Closing)) return {};
    switch (b.end) {
    case End::Unwritable:
        return "Send Config sent nothing: " + b.problem + ", so the write could not be entered in the journal of "
               "writes first.\n\nMake the data folder writable (or free some space) and send again.";
    case End::ReadFailed:
        return "Send Config sent nothing: reading the switch to back it up first failed (" + b.problem + ").\n\n"
               "Check the switch and the line and send again, or " + remedy;
    case End::NotKept:
        return "Send Config sent nothing: what the switch holds was read, but its backup could not be kept (" +
               b.problem + ").\n\nFree some space or make the data folder writable, or " + remedy;
    default: return {};
    }
}

Journal* Application::journal() {
    if (journal_ && !journal_->replaced()) return journal_.get();
    journal_.reset();
    if (env_.dataFolder.empty()) {
        journalProblem_ = "no data folder is known to keep a journal in";
        return nullptr;
    }
    journal_ = Journal::open(env_.dataFolder, VersionText(env_.version), &journalProblem_,
                             env_.clock ? env_.clock : Journal::DefaultClock());
    return journal_.get();
}

// The device, and the adapter behind it where the system tells: a device
// given by one of its other names (/dev/serial/by-id/...) is the same.
BusIdentity Application::bus() const {
    BusIdentity bus;
    bus.device = usingSimulator_ ? "simulated switch" : openedDevice_;
    bus.site = site_;
    if (usingSimulator_ || !env_.systemPorts || bus.device.empty()) return bus;
    // Listing the system's ports costs more processor time than a whole
    // read: the adapter is looked up once for each opening of the port.
    if (!adapter_ || adapter_->device != bus.device) {
        adapter_ = BusIdentity{.device = bus.device};
        std::error_code error;
        const fs::path device = fs::weakly_canonical(PathFromUtf8(bus.device), error);
        for (const SystemPort& port : env_.systemPorts()) {
            std::error_code other;
            if (port.device != bus.device && fs::weakly_canonical(PathFromUtf8(port.device), other) != device) continue;
            adapter_->adapterSerial = port.serialNumber;
            adapter_->adapterPath = port.location;
            break;
        }
    }
    bus.adapterSerial = adapter_->adapterSerial;
    bus.adapterPath = adapter_->adapterPath;
    return bus;
}

// The last fresh read, as the journal records it.
ReadRecord Application::readRecord(const char* event) const {
    const ReadReport& report = transfer_.lastRead();
    ReadRecord record;
    record.event = event;
    if (report.complete()) {
        record.screen = freshScreen_.get();
        record.held = report.held;
    }
    if (report.switchAddress.read) record.address = freshScreen_->switchAddress.text();
    if (report.firmware.read) record.firmware = freshScreen_->firmwareVersion.text();
    record.result = report.complete() ? "ok" : ReadVerdict(report).summary;
    record.bus = bus();
    return record;
}

void Application::recordGet(const ReadReport& report, const ConfigScreen& read) {
    const JournalOpenFor operation(journal_);
    historyProblem_.clear();
    if (env_.dataFolder.empty() || !report.switchAddress.read || report.end == TransferEnd::Closing) return;
    Journal* j = journal();
    if (!j) {
        historyProblem_ = journalProblem_;
        return;
    }
    ReadRecord record;
    record.event = journal_event::kGet;
    if (report.complete()) {
        record.screen = &read;
        record.held = report.held;
    }
    record.address = read.switchAddress.text();
    if (report.firmware.read) record.firmware = read.firmwareVersion.text();
    record.result = report.complete() ? "ok" : ReadVerdict(report).summary;
    record.bus = bus();
    historyProblem_ = j->recordRead(record).problem;
}

// A send or a restore starts on the port of this run, every report of the
// last write cleared.
void Application::startWrite() {
    reopenPort();
    lastAction_ = LastAction::Write;
    lastRestore_ = {};
    lastBackup_ = {};
    lastVerify_ = {};
    historyProblem_.clear();
}

// What must not or cannot go on the line is refused by the write itself,
// before any read; a write the journal cannot enter is refused before the
// backup read, which would be lost.
void Application::writeScreen(const ConfigScreen& source) {
    if (busy()) return;
    const JournalOpenFor operation(journal_);
    startWrite();
    if (!port_->isOpen() || SendRefusal(source)) return transfer_.writeSwitch(source);
    const bool backUp = backUpBeforeSend_.value() == 1;
    if ((backUp || !env_.dataFolder.empty()) && !journal()) {
        lastBackup_.end = BackupReport::End::Unwritable;
        lastBackup_.problem = journalProblem_;
        return transfer_.refuseWrite(TransferEnd::NotJournaled, BackupRefusal(lastBackup_));
    }
    WriteOrder order{journal_event::kSend, source};
    order.verify = verifyAfterSend_.value() == 1;
    if (backUp) {
        phase_ = "Backing up the switch: ";
        readFresh(AddressingOf(source));
        phase_ = "";
        lastBackup_.read = transfer_.lastRead();
        if (!lastBackup_.read.complete()) {
            lastBackup_.end = BackupReport::End::ReadFailed;
            lastBackup_.problem = ReadVerdict(lastBackup_.read).summary;
            return transfer_.refuseWrite(TransferEnd::NotBackedUp, BackupRefusal(lastBackup_));
        }
        order.backup = readRecord(journal_event::kBeforeSend);
        lastBackup_.address = freshScreen_->switchAddress.text();
    }
    journaledWrite(std::move(order));
}

void Application::journaledWrite(WriteOrder order) {
    BegunWrite begun;
    if (journal_) {
        WriteRecord write;
        write.event = order.event;
        write.address = order.backup ? order.backup->address
                        : order.screen.useSwitchAddress.value() == 1 ? order.screen.switchAddress.text()
                                                                     : "";
        write.written = order.exact ? *order.exact : HeldFromScreen(order.screen);
        write.addressWritten = AddressText(write.written.switchAddress.data(), false);
        write.bus = bus();
        write.batchId = siteSend_;
        begun = journal_->beginWrite(write, order.backup ? &*order.backup : nullptr);
        if (!begun.ok()) {
            lastBackup_.end = order.backup ? BackupReport::End::NotKept : BackupReport::End::Unwritable;
            lastBackup_.problem = begun.problem;
            return transfer_.refuseWrite(TransferEnd::NotJournaled, BackupRefusal(lastBackup_));
        }
        if (order.backup) {
            lastBackup_.end = BackupReport::End::Kept;
            lastBackup_.file = begun.backup.file;
        }
    }
    if (order.exact) transfer_.writeHeld(*order.exact, order.screen);
    else transfer_.writeSwitch(order.screen);
    const WriteReport& write = transfer_.lastWrite();
    if (begun.writeId) {
        const std::string verdict = WriteVerdict(write).summary;
        historyProblem_ = journal_->finishWrite(begun.writeId, OutcomeOf(write),
                                                write.complete() ? "ok"
                                                : verdict.empty() ? "the program closed during the write"
                                                                  : verdict,
                                                Acknowledged(write));
    }
    if (order.verify && write.allSent() && write.framesHeard > 0) verifyWrite(order, begun.writeId);
}

// Reads the switch back into a screen of its own, addressed as the write
// was (the write gave the switch the address it was sent by), and compares
// it with what was written: a restore byte for byte, a send as it travels.
void Application::verifyWrite(const WriteOrder& order, std::int64_t writeId) {
    phase_ = "Checking what the switch holds: ";
    lastVerify_.ran = true;
    lastVerify_.read = readFresh(AddressingOf(order.screen));
    phase_ = "";
    // What differs is told of every part read back, whole read or not.
    const ReadParts got = PartsGot(lastVerify_.read);
    lastVerify_.differences = order.exact
                                  ? CompareHeld(*order.exact, lastVerify_.read.held, HeldMatch::EveryByte, got)
                                  : CompareHeld(order.screen, lastVerify_.read.held, got);
    if (journal_ && writeId && lastVerify_.read.end != TransferEnd::Closing) {
        const bool holds = lastVerify_.holds();
        const Recorded kept = journal_->recordReadBack(writeId, readRecord(AfterEvent(order.event)), holds);
        if (!kept.ok()) historyProblem_ = kept.problem;
    }
    if (lastVerify_.differences.empty()) return;
    std::vector<std::string> lines;
    if (!lastVerify_.read.complete())
        lines.push_back("Not read back, so not compared: " + ReadBackProblem(lastVerify_.read));
    for (const HeldDifference& d : lastVerify_.differences) lines.push_back(DescribeHeldDifference(d));
    verifyWindow_.setText("The switch does not hold what was sent");
    verifyWindow_.setDetails(std::move(lines));
    verifyWindow_.setVisible(true);
    env_.ui->showMessageWindow(verifyWindow_);
}

std::string Application::refuseRestore(std::string why) {
    lastRestore_.refusal = std::move(why);
    return lastRestore_.refusal;
}

bool Application::loadRestoreFile(const fs::path& file, const std::optional<ConfigBytes>& bytes) {
    restoreScreen_ = std::make_unique<ConfigScreen>();
    restoreScreen_->fillCommandLists();
    const LoadOutcome loaded = bytes ? LoadConfig(*bytes, *restoreScreen_) : LoadConfigFile(file, *restoreScreen_);
    if (loaded == LoadOutcome::Loaded) return true;
    refuseRestore(Utf8FromPath(file) + ": " + LoadProblem(loaded) + "; nothing sent");
    return false;
}

const RestoreReport& Application::restore(const RestoreOrder& order) {
    if (busy()) return lastRestore_;
    const JournalOpenFor operation(journal_);
    startWrite();
    Journal* j = journal();
    if (!j) return refuseRestore(journalProblem_ + "; nothing sent"), lastRestore_;
    RestoreOrder named = order;
    if (order.entry) {
        const auto entry = j->entry(order.entry);
        const auto state = entry ? j->stateFor(*entry) : std::nullopt;
        if (!state) return refuseRestore("the journal keeps no configuration of that entry; nothing sent"), lastRestore_;
        named.file = j->fileOf(*state);
        if (state->held) {
            // The switch's own bytes: the file is only its name.
            restoreScreen_ = std::make_unique<ConfigScreen>();
            restoreScreen_->fillCommandLists();
            lastRestore_.state = state;
        } else if (named.file.empty()) {
            return refuseRestore("the journal keeps no configuration of that entry; nothing sent"), lastRestore_;
        }
    }

    // A file named is checked before the line is touched; one the journal
    // kept is put back from the switch's own bytes.
    std::optional<HeldConfiguration> exact;
    if (lastRestore_.state) {
        exact = lastRestore_.state->held;
        lastRestore_.file = named.file;
    } else if (!named.file.empty()) {
        if (!loadRestoreFile(named.file, named.bytes)) return lastRestore_;
        lastRestore_.file = named.file;
        if (auto kept = j->entryNaming(named.file); kept && kept->isState()) {
            exact = kept->held;
            lastRestore_.state = kept;
        }
    }
    const auto addressOf = [&] {
        return exact ? AddressText(exact->switchAddress.data(), false) : AddressShown(restoreScreen_->switchAddress.text());
    };
    const auto refusedToSend = [&]() -> bool {
        if (order.addressing.useSwitchAddress && addressOf() != AddressShown(order.addressing.switchAddress)) {
            refuseRestore("it gives the switch the address " + addressOf() + ", which a write to " +
                          AddressShown(order.addressing.switchAddress) +
                          " cannot: without --switch-address the switch is reached by the global address (with no "
                          "other switch on the line); nothing sent");
            return true;
        }
        if (!exact) {
            restoreScreen_->useSwitchAddress.setValue(order.addressing.useSwitchAddress ? 1 : 0);
            if (const auto refusal = SendRefusal(*restoreScreen_)) {
                const std::string from = named.file.empty() ? "" : Utf8FromPath(named.file) + ": ";
                return refuseRestore(from + refusal->message.substr(0, refusal->message.find('\n'))), true;
            }
        } else if (const auto refusal = HeldRefusal(*exact)) {
            return refuseRestore(refusal->message), true;
        }
        return false;
    };
    if (!named.file.empty() && refusedToSend()) return lastRestore_;

    const ReadReport& read = readFresh(order.addressing);
    lastBackup_.read = read;
    if (!read.complete()) {
        lastBackup_.end = BackupReport::End::ReadFailed;
        if (read.end == TransferEnd::Stopped || read.end == TransferEnd::Closing) return lastRestore_;
        return refuseRestore("reading the switch first failed (" + ReadVerdict(read).summary + "); nothing sent"),
               lastRestore_;
    }
    lastRestore_.addressBefore = freshScreen_->switchAddress.text();
    ReadRecord backup = readRecord(journal_event::kBeforeRestore);

    if (named.file.empty()) {
        std::string problem;
        const std::vector<JournalEntry> entries = j->entries({}, &problem);
        if (!problem.empty()) return refuseRestore(problem + "; nothing sent"), lastRestore_;
        RestoreChoice choice = ChooseRestore(entries, lastRestore_.addressBefore, bus(), read.held, order.request);
        if (!choice.ok()) {
            lastRestore_.listed = choice.listed;
            return refuseRestore(choice.refusal), lastRestore_;
        }
        lastRestore_.state = choice.state;
        lastRestore_.undone = choice.undone;
        lastRestore_.file = j->fileOf(*choice.state);
        if (choice.state->held) exact = choice.state->held;
        else if (!loadRestoreFile(lastRestore_.file)) return lastRestore_;
        if (refusedToSend()) return lastRestore_;
    }
    if (exact) {
        restoreScreen_ = std::make_unique<ConfigScreen>();
        restoreScreen_->fillCommandLists();
        restoreScreen_->switchAddress.setText(addressOf());
        restoreScreen_->useSwitchAddress.setValue(order.addressing.useSwitchAddress ? 1 : 0);
    }
    lastRestore_.exact = exact.has_value();
    lastRestore_.addressRestored = addressOf();
    // A write sets every byte it carries; the firmware is the switch's own.
    if (lastRestore_.state && !lastRestore_.state->firmware.empty() && read.firmware.read &&
        lastRestore_.state->firmware != freshScreen_->firmwareVersion.text())
        lastRestore_.notPutBack.push_back("firmware version: the configuration was read from firmware " +
                                          lastRestore_.state->firmware + ", the switch runs " +
                                          freshScreen_->firmwareVersion.text() + " (a write cannot change it)");

    WriteOrder write{journal_event::kRestore, *restoreScreen_};
    write.exact = exact ? &*exact : nullptr;
    write.backup = std::move(backup);
    write.verify = true;
    journaledWrite(std::move(write));
    return lastRestore_;
}

}  // namespace kavro

namespace kavro {

std::vector<JournalEntry> Application::screenHistory(std::string* problem) {
    const JournalOpenFor operation(journal_);
    const std::string address = AddressShown(screen_.switchAddress.text());
    if (!IsBusAddressText(address)) {
        *problem = "The \"Switch Address\" box holds no switch address: Get Config reads it from the switch.";
        return {};
    }
    Journal* j = journal();
    if (!j) {
        *problem = journalProblem_;
        return {};
    }
    std::vector<JournalEntry> found;
    for (JournalEntry& e : j->entries({.address = address}, problem))
        if (SameBus(e.bus, bus())) found.push_back(std::move(e));
    return found;
}

void Application::loadFromHistory(std::int64_t id) {
    if (busy()) return;
    std::string from;
    fs::path file;
    {
        const JournalOpenFor operation(journal_);
        Journal* j = journal();
        const auto entry = j ? j->entry(id) : std::nullopt;
        const auto state = entry ? j->stateFor(*entry) : std::nullopt;
        if (!state || (file = j->fileOf(*state)).empty()) {
            env_.ui->messageBox(j ? "The journal keeps no configuration of that entry." : "Nothing was loaded: " + journalProblem_ + ".",
                                kProgramCaption);
            return;
        }
        from = "from the history: what switch " + state->address + " held at " + state->time;
    }
    if (!mayDiscardChanges("Load the configuration from the history and lose them?")) return;
    const std::string path = Utf8FromPath(file);
    loadFileMarked([this, &path] { files_.importFile(path); });
    if (files_.lastEvent().kind == FileEvent::Kind::Loaded) fromHistory_ = from;
}

void Application::restoreFromHistory(std::int64_t id) {
    if (busy()) return;
    std::string question;
    {
        const JournalOpenFor operation(journal_);
        Journal* j = journal();
        const auto entry = j ? j->entry(id) : std::nullopt;
        const auto state = entry ? j->stateFor(*entry) : std::nullopt;
        if (!state) {
            lastAction_ = LastAction::Write;
            lastRestore_ = {};
            refuseRestore(j ? "the journal keeps no configuration of that entry; nothing sent" : journalProblem_ + "; nothing sent");
            env_.ui->messageBox("Nothing was put back: " + lastRestore_.refusal + ".", kProgramCaption);
            return;
        }
        question = "Restore switch " + state->address + " on " + BusText(state->bus) + " to what it held at " +
                   state->time + "?\n\nThe switch is read first and kept in the journal as the backup of this "
                   "restore; then that configuration is written, byte for byte as the switch reported it, and read "
                   "back.";
    }
    if (!env_.ui->askYesNo(question, "Restore", "Cancel", false)) return;
    RestoreOrder order;
    order.entry = id;
    order.addressing = AddressingOf(screen_);
    const RestoreReport& report = restore(order);
    if (report.refused()) env_.ui->messageBox("Nothing was put back: " + report.refusal + ".", kProgramCaption);
}

}  // namespace kavro
