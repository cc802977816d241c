// get, send and compare: one switch on one serial device.

#include <iostream>

#include "cli/commands.h"
#include "cli/config_text.h"
#include "cli/file_arguments.h"
#include "cli/printed_text.h"
#include "cli/switch_session.h"

namespace kavro::cli {
namespace {

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
    return 128 + SwitchSession::Interruption();
}

bool WasInterrupted(const TransferOutcome& outcome) {
    return outcome.end == TransferEnd::Stopped && SwitchSession::Interruption() != 0;
}

// What a read that did not get everything says.
int ReadFailure(const SwitchSession& session, const ReadReport& report, const std::string& consequence) {
    return Fail(ReadProblem(session, report) + "; " + consequence);
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
    const WriteReport& report = session.write(source, verify);
    const VerifyReport& check = session.lastVerify();
    if (WasInterrupted(report) || WasInterrupted(check.read)) return Interrupted(WriteVerdict(report).summary);
    const Verdict verdict = WriteVerdict(report);
    if (report.end == TransferEnd::InvalidSwitchAddress || report.end == TransferEnd::GlobalSwitchAddress)
        return Fail(verdict.summary + " (the file's switch address is " + Printable(Quoted(source.switchAddress.text())) +
                    "; --switch-address HEX6 gives one)");
    if (report.end == TransferEnd::UnsendableText) return Fail(Printable(FirstLine(report.refusal)));
    // Every frame must have been acknowledged; a verify may still tell
    // what the switch holds.
    if (!report.allSent() || report.framesHeard == 0) return Fail(verdict.summary);
    bool failed = !report.complete();
    if (failed) Fail(verdict.summary);
    if (verify && !check.read.complete()) return ReadFailure(session, check.read, "not verified");
    for (const HeldDifference& d : check.differences) Fail(Printable(DescribeHeldDifference(d)));
    failed = failed || !check.differences.empty();
    if (failed) return kFailed;
    std::cout << "Sent " << ShownName(file) << " (10 frames acknowledged)" << (verify ? "; the switch holds it" : "")
              << std::endl;
    return kOk;
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
    if (!report.complete()) return ReadFailure(session, report, "nothing compared");
    const std::vector<HeldDifference> differences = CompareHeld(expected, report.held);
    if (differences.empty()) {
        std::cout << "Switch matches the file" << std::endl;
        return kOk;
    }
    std::cout << "Switch differs from the file\n";
    for (const HeldDifference& d : differences)
        std::cout << "  " << Printable(DescribeHeldDifference(d, "the file says")) << "\n";
    std::cout.flush();
    return kDiffers;
}

}  // namespace kavro::cli
