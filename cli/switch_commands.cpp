// get, send, restore and compare: one switch on one serial device.

#include <iostream>

#include "cli/commands.h"
#include "cli/config_text.h"
#include "cli/file_arguments.h"
#include "cli/printed_text.h"
#include "cli/switch_session.h"
#include "platform/utf8_path.h"
#include "transfer/send_checks.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

// The line options of a command, checked before the line is touched.
std::optional<SessionOptions> LineOptions(const CommandLine& line, std::string* error) {
    SessionOptions options;
    options.device = line.get("--port");
    options.verbose = line.has("--verbose");
    options.decode = line.has("--decode");
    if (options.device.empty()) {
        *error = kPortRequired;
        return std::nullopt;
    }
    if (line.has("--switch-address")) {
        const std::string address = line.get("--switch-address");
        if (!IsBusAddressText(address)) {
            *error = "--switch-address takes six hexadecimal digits, not " + Quoted(address);
            return std::nullopt;
        }
        if (IsGlobalAddressText(address)) {
            *error = std::string("--switch-address FFFFFF is refused: ") + kGlobalAddressReason;
            return std::nullopt;
        }
        options.switchAddress = address;
    }
    return options;
}

// The first line of a message written for a window.
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// A transfer that a signal stopped: the conventional status, 128 + N.
int Interrupted(const std::string& what) {
    std::cerr << "kavro-switch: interrupted; " << what << std::endl;
    return 128 + SwitchSession::interruption();
}

bool WasInterrupted(const TransferOutcome& outcome) {
    return outcome.end == TransferEnd::Stopped && SwitchSession::interruption() != 0;
}

// What a read that did not get everything says.
int ReadFailure(const SwitchSession& session, const ReadReport& report, const std::string& consequence) {
    return Fail(ReadProblem(session, report) + "; " + consequence);
}

constexpr const char* kNotBackedUp = "nothing sent: the switch could not be backed up first";

// A write refused for want of a backup, in one line.
int BackupFailure(const SwitchSession& session, const BackupReport& backup, const std::string& remedy) {
    const std::string why = backup.end == BackupReport::End::ReadFailed ? ReadProblem(session, backup.read) : backup.problem;
    return Fail(Printable(why) + "; " + kNotBackedUp + remedy);
}

void WarnHistory(const SwitchSession& session) {
    if (!session.historyProblem().empty()) Warn("not kept in the history: " + Printable(session.historyProblem()));
}

// How a send or a restore went: every frame must have been acknowledged,
// and a verify may still tell what the switch holds. `done` is the line
// printed on success.
int WriteOutcome(const SwitchSession& session, const WriteReport& report, const ConfigScreen& source, bool verify,
                 const std::string& done) {
    WarnHistory(session);
    const VerifyReport& check = session.lastVerify();
    if (WasInterrupted(report) || WasInterrupted(check.read)) return Interrupted(WriteVerdict(report).summary);
    const Verdict verdict = WriteVerdict(report);
    if (report.end == TransferEnd::InvalidSwitchAddress || report.end == TransferEnd::GlobalSwitchAddress)
        return Fail(verdict.summary + " (the file's switch address is " + Printable(Quoted(source.switchAddress.text())) +
                    "; --switch-address HEX6 gives one)");
    if (report.end == TransferEnd::UnsendableText) return Fail(Printable(FirstLine(report.refusal)));
    if (!report.allSent() || report.framesHeard == 0) return Fail(verdict.summary);
    bool failed = !report.complete();
    if (failed) Fail(verdict.summary);
    // Every part not read back, then every field that differs in the parts
    // that were: a line each.
    if (verify && !check.read.complete()) {
        Fail(ReadProblem(session, check.read) + "; not read back, so not verified");
        failed = true;
    }
    for (const HeldDifference& d : check.differences) Fail(Printable(DescribeHeldDifference(d)));
    failed = failed || !check.differences.empty();
    if (failed) return kFailed;
    std::cout << done << (verify ? "; the switch holds it" : "") << std::endl;
    return kOk;
}

}  // namespace

int Get(const CommandLine& line) {
    std::string error;
    const std::string out = line.get("-o");
    if (out.empty()) return Fail("get needs -o FILE (- for standard output)");
    if (const std::string problem = OutputProblem(out, line.has("--force")); !problem.empty()) return Fail(problem);
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);

    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    const ReadReport& report = session.read();
    if (WasInterrupted(report)) return Interrupted("nothing written");
    session.keepRead();
    WarnHistory(session);
    // With the file on standard output, what was read goes with the messages.
    std::ostream& info = out == "-" ? std::cerr : std::cout;
    const ConfigScreen& screen = session.readScreen();
    info << "Firmware version: " << (report.firmware.read ? screen.firmwareVersion.text() : "not read") << "\n"
         << "Switch address: " << (report.switchAddress.read ? screen.switchAddress.text() : "not read") << std::endl;
    if (!report.complete()) return ReadFailure(session, report, "no file written");
    if (!WriteConfigArgument(out, screen, line.has("--force"), &error)) return Fail(error);
    if (out != "-") std::cout << "Saved " << ShownName(out) << std::endl;
    return kOk;
}

int Send(const CommandLine& line) {
    std::string error;
    const std::string file = line.operands[0];
    const auto bytes = ReadConfigArgument(file, &error);
    if (!bytes) return Fail(error);
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);

    ConfigScreen source;
    source.fillCommandLists();
    if (!LoadConfigArgument(file, *bytes, source, &error)) return Fail(error + "; nothing sent");
    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    const bool verify = line.has("--verify");
    const WriteReport& report = session.write(source, verify, !line.has("--no-backup"));
    const BackupReport& backup = session.lastBackup();
    if (WasInterrupted(backup.read)) return Interrupted("nothing sent");
    if (report.end == TransferEnd::NotBackedUp) return BackupFailure(session, backup, " (--no-backup sends without one)");
    return WriteOutcome(session, report, source, verify, "Sent " + ShownName(file) + " (10 frames acknowledged)");
}

// Reads the switch (its backup, and the address it answers now), finds
// what to put back, and writes it as it stands, verified. The write reaches
// the switch as the read did: by --switch-address, or by the global
// address, which alone lets a restore give the switch back an address
// another send changed.
int Restore(const CommandLine& line) {
    std::string error;
    std::string file = line.operands.empty() ? "" : line.operands[0];
    ConfigScreen source;
    source.fillCommandLists();
    if (!file.empty()) {
        const auto bytes = ReadConfigArgument(file, &error);
        if (!bytes) return Fail(error);
        if (!LoadConfigArgument(file, *bytes, source, &error)) return Fail(error + "; nothing sent");
        // A file the write would refuse is refused before the switch is read.
        if (const auto refusal = SendRefusal(source))
            return Fail(ShownName(file) + ": " + Printable(FirstLine(refusal->message)) + "; nothing sent");
    }
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);
    const SwitchHistory history = ToolHistory();
    if (const std::string problem = history.unwritable(); !problem.empty())
        return Fail(Printable(problem) + "; " + kNotBackedUp);

    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    const ReadReport& read = session.read();
    if (WasInterrupted(read)) return Interrupted("nothing sent");
    if (!read.complete()) return ReadFailure(session, read, kNotBackedUp);
    const std::string now = session.readScreen().switchAddress.text();
    if (file.empty()) {
        const auto write = history.newestWriteTo(now);
        const std::string lists = " (kavro-switch history lists what is kept; restore FILE sends one of its files)";
        if (!write) return Fail("the history holds no send that left a switch at " + now + "; nothing sent" + lists);
        const fs::path backup = history.switchFolder(write->folderAddress) / PathFromUtf8(write->line.file);
        if (write->line.event == history_event::kRestore)
            return Fail("the last write into switch " + now + " was a restore, at " + Printable(write->line.time) +
                        "; nothing sent: to undo it, restore its backup " + ShownName(Utf8FromPath(backup)));
        if (write->line.file.empty())
            return Fail("the last send into switch " + now + ", at " + Printable(write->line.time) +
                        ", kept no backup; nothing sent" + lists);
        file = Utf8FromPath(backup);
        const auto bytes = ReadConfigArgument(file, &error);
        if (!bytes || !LoadConfigArgument(file, *bytes, source, &error)) return Fail(error + "; nothing sent");
    }
    if (options->switchAddress) {
        if (AddressShown(source.switchAddress.text()) != AddressShown(*options->switchAddress))
            return Fail(ShownName(file) + " gives the switch the address " + Printable(Quoted(source.switchAddress.text())) +
                        ", which a write to " + AddressShown(*options->switchAddress) +
                        " cannot: without --switch-address the switch is reached by the global address (with no "
                        "other switch on the line); nothing sent");
        source.useSwitchAddress.setValue(1);
    } else {
        source.useSwitchAddress.setValue(0);
    }
    if (const BackupReport& backup = session.keepBackup(); !backup.kept()) return BackupFailure(session, backup, "");
    const WriteReport& report = session.restore(source);
    const std::string restored = AddressShown(source.switchAddress.text());
    return WriteOutcome(session, report, source, true,
                        "Restored " + ShownName(file) + " into switch " + now +
                            (restored != now ? ", which answers to " + restored + " again" : "") +
                            " (10 frames acknowledged)");
}

// What the switch holds against the file: every field the messages carry
// both ways, the source groups of "Src Group" channels included.
int Compare(const CommandLine& line) {
    std::string error;
    const std::string file = line.operands[0];
    const auto bytes = ReadConfigArgument(file, &error);
    if (!bytes) return Fail(error);
    ConfigScreen expected;
    expected.fillCommandLists();
    if (!LoadConfigArgument(file, *bytes, expected, &error)) return Fail(error);
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);

    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    // What send with the same options would write: their switch address.
    session.addressSwitch(expected);
    const ReadReport& report = session.read();
    if (WasInterrupted(report)) return Interrupted("nothing compared");
    // The parts read are compared even when some were not: the verdict
    // names both.
    const std::vector<HeldDifference> differences = CompareRead(expected, report);
    if (differences.empty() && report.complete()) {
        std::cout << "Switch matches the file" << std::endl;
        return kOk;
    }
    if (!differences.empty()) {
        std::cout << (report.complete() ? "Switch differs from the file\n"
                                        : "Switch differs from the file in the parts read\n");
        for (const HeldDifference& d : differences)
            std::cout << "  " << Printable(DescribeHeldDifference(d, "the file says")) << "\n";
        std::cout.flush();
    }
    if (!report.complete()) return ReadFailure(session, report, "not compared");
    return kDiffers;
}

}  // namespace kavro::cli
