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
    options.site = line.get("--site");
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

// A write refused for want of a backup or of the journal, in one line.
int BackupFailure(const SwitchSession& session, const BackupReport& backup, const std::string& remedy) {
    if (backup.end == BackupReport::End::ReadFailed)
        return Fail(Printable(ReadProblem(session, backup.read)) + "; " + kNotBackedUp + remedy);
    return Fail(Printable(backup.problem) + "; nothing sent: the write could not be entered in the journal first");
}

bool RefusedBeforeTheLine(const WriteReport& report) {
    return report.end == TransferEnd::NotBackedUp || report.end == TransferEnd::NotJournaled;
}

void WarnHistory(const SwitchSession& session) {
    if (!session.historyProblem().empty()) Warn("not kept in the journal: " + Printable(session.historyProblem()));
}

// How a send or a restore went: every frame must have been acknowledged,
// and a verify may still tell what the switch holds. `done` is the line
// printed on success.
int WriteOutcome(const SwitchSession& session, const WriteReport& report, const std::string& sourceAddress, bool verify,
                 const std::string& done, const std::string& holds = "; the switch holds it") {
    WarnHistory(session);
    const VerifyReport& check = session.lastVerify();
    if (WasInterrupted(report) || WasInterrupted(check.read)) return Interrupted(WriteVerdict(report).summary);
    const Verdict verdict = WriteVerdict(report);
    if (report.end == TransferEnd::InvalidSwitchAddress || report.end == TransferEnd::GlobalSwitchAddress)
        return Fail(verdict.summary + " (the file's switch address is " + Printable(Quoted(sourceAddress)) +
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
    std::cout << done << (verify ? holds : "") << std::endl;
    return kOk;
}

// --steps N: a whole number from 1.
std::optional<int> Steps(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int steps = std::stoi(text);
    return steps >= 1 ? std::optional<int>(steps) : std::nullopt;
}

// What to put back and how the switch is reached, checked before the line
// is touched.
std::optional<RestoreOrder> RestoreOrderOf(const CommandLine& line, const SessionOptions& options, std::string* error) {
    RestoreOrder order;
    if (!line.operands.empty()) {
        const std::string& file = line.operands[0];
        if (line.has("--steps") || line.has("--at")) {
            *error = "restore takes FILE, or --steps N or --at TIME to choose from the journal, not both";
            return std::nullopt;
        }
        order.bytes = ReadConfigArgument(file, error);
        if (!order.bytes) return std::nullopt;
        order.file = PathFromUtf8(file);
    }
    if (line.has("--steps") && line.has("--at")) {
        *error = "restore takes --steps N or --at TIME, not both";
        return std::nullopt;
    }
    if (line.has("--steps")) {
        const auto steps = Steps(line.get("--steps"));
        if (!steps) {
            *error = "--steps takes a number of writes to go back, 1 or more, not " + ShownName(line.get("--steps"));
            return std::nullopt;
        }
        order.request.steps = *steps;
    }
    if (line.has("--at")) {
        order.request.at = ParseUserTime(line.get("--at"));
        if (!order.request.at) {
            *error = "--at takes a time such as 2026-12-06 14:30 (your computer's time) or 2026-12-06T13:30:00Z (UTC), "
                     "not " + ShownName(line.get("--at"));
            return std::nullopt;
        }
    }
    order.request.site = options.site;
    if (options.switchAddress) order.addressing = {*options.switchAddress, true};
    return order;
}

// Lines of a refusal that lists journal entries, under its one line.
int RestoreRefused(const RestoreReport& report) {
    Fail(Printable(report.refusal));
    for (const std::string& entry : report.listed) std::cerr << "  " << Printable(entry) << "\n";
    std::cerr.flush();
    return kFailed;
}

// How a restore went, as send tells it; what a write cannot put back is
// named instead of "holds it".
int RestoreOutcome(const SwitchSession& session, const RestoreReport& restore, const std::string& name) {
    const WriteReport& report = session.lastWrite();
    if (restore.refused()) return RestoreRefused(restore);
    if (WasInterrupted(session.lastBackup().read)) return Interrupted("nothing sent");
    if (RefusedBeforeTheLine(report)) return BackupFailure(session, session.lastBackup(), "");
    const std::string& now = restore.addressBefore;
    std::string done = "Restored " + name + (restore.state ? " (read " + restore.state->time + ")" : "") +
                       " into switch " + now +
                       (restore.addressRestored != now ? ", which answers to " + restore.addressRestored + " again" : "") +
                       " (10 frames acknowledged)";
    std::string holds = "; the switch holds it";
    for (const std::string& what : restore.notPutBack) holds += (holds.back() == 't' ? ", but not " : ", nor ") + what;
    return WriteOutcome(session, report, restore.addressRestored, true, done, holds);
}

}  // namespace

int Get(const CommandLine& line) {
    std::string error;
    const std::string out = line.get("-o");
    if (out.empty()) return Fail("get needs -o FILE (- for standard output)");
    if (const std::string problem = OutputProblem(out, line.has("--force"), ToolDataFolder()); !problem.empty())
        return Fail(problem);
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);

    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    session.setSite(options->site);
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
    session.setSite(options->site);
    const bool verify = line.has("--verify");
    const WriteReport& report = session.write(source, verify, !line.has("--no-backup"));
    const BackupReport& backup = session.lastBackup();
    if (WasInterrupted(backup.read)) return Interrupted("nothing sent");
    if (RefusedBeforeTheLine(report)) return BackupFailure(session, backup, " (--no-backup sends without one)");
    return WriteOutcome(session, report, source.switchAddress.text(), verify,
                        "Sent " + ShownName(file) + " (10 frames acknowledged)");
}

// Reads the switch (its backup, and the address it answers now), chooses
// what to put back, and writes it, verified. The write reaches the switch
// as the read did: by --switch-address, or by the global address, which
// alone lets a restore give the switch back an address another send
// changed.
int Restore(const CommandLine& line) {
    std::string error;
    const auto options = LineOptions(line, &error);
    if (!options) return Fail(error);
    const auto order = RestoreOrderOf(line, *options, &error);
    if (!order) return Fail(error);

    SwitchSession session;
    if (!session.open(*options, &error)) return Fail(error);
    session.setSite(options->site);
    const RestoreReport& restore = session.restore(*order);
    const std::string name = ShownName(Utf8FromPath(restore.file));
    return RestoreOutcome(session, restore, name);
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
