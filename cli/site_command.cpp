// site get|send|compare MANIFEST: every switch of a building's bus in one
// run (the manifest's form: site_manifest.h). The whole manifest is checked
// before anything is sent; then each switch gets a line of progress (and a
// failed one a line on standard error too), and a table sums up, listing
// every switch of the manifest even after an interrupt. Each switch is
// read into a fresh screen and sent from its own file's: nothing of one
// switch stands in another's backup or verdict. Exit 0 only when every
// switch did what was asked.

#include <chrono>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/printed_text.h"
#include "cli/site_manifest.h"
#include "cli/switch_session.h"
#include "platform/utf8_path.h"
#include "transfer/send_checks.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

// A name beside the file that does not exist yet: "hall-20261206-1305.set".
fs::path FreeNameBeside(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return file;
    const std::time_t now = std::time(nullptr);
    std::ostringstream stamp;
    stamp << std::put_time(std::localtime(&now), "%Y%m%d-%H%M%S");
    for (int n = 1;; ++n) {
        fs::path dated = file.parent_path() / (file.stem().string() + "-" + stamp.str() +
                                               (n > 1 ? "-" + std::to_string(n) : "") + file.extension().string());
        if (!fs::exists(dated, ec)) return dated;
    }
}

struct Outcome {
    enum class Kind { Ok, Differs, Failed, Interrupted, NotReached } kind = Kind::NotReached;
    std::string result;
};

Outcome Ok(std::string text) { return {Outcome::Kind::Ok, std::move(text)}; }
Outcome Failed(std::string text) { return {Outcome::Kind::Failed, std::move(text)}; }

// A transfer a signal stopped, and how far it got.
bool Stopped(const TransferOutcome& outcome) {
    return outcome.end == TransferEnd::Stopped && SwitchSession::interruption() != 0;
}
Outcome Interrupted(const TransferOutcome& outcome) {
    return {Outcome::Kind::Interrupted,
            "interrupted after " + std::to_string(outcome.framesSent) + " frames"};
}

// One switch of the manifest, with its file found beside the manifest.
struct Job {
    SiteSwitch at;
    fs::path file;
};

// The configuration a switch should hold: its file, addressed by the
// manifest's address (the switch address frame would otherwise give the
// switch the file's).
bool LoadFor(const Job& job, ConfigScreen& screen, std::string* error) {
    screen.fillCommandLists();
    if (const LoadOutcome loaded = LoadConfigFile(job.file, screen); loaded != LoadOutcome::Loaded) {
        *error = ShownName(Utf8FromPath(job.file)) + ": " + LoadProblem(loaded);
        return false;
    }
    screen.switchAddress.setText(job.at.address);
    screen.useSwitchAddress.setValue(1);
    return true;
}

// How a switch of the manifest is worked on: the command line's choices.
struct Run {
    bool backUp = true;         // send: keep what each switch holds first
    std::int64_t siteSend = 0;  // restore: the site send whose writes are undone
};

// A history not kept is told, but fails nothing.
void WarnHistory(const SwitchSession& session, const Job& job) {
    if (!session.historyProblem().empty())
        Warn(job.at.address + ": not kept in the journal: " + Printable(session.historyProblem()));
}

Outcome Get(SwitchSession& session, const Job& job, const Run&) {
    const ReadReport& report = session.read();
    if (Stopped(report)) return Interrupted(report);
    session.keepRead();
    WarnHistory(session, job);
    if (!report.complete()) return Failed(ReadProblem(session, report));
    const fs::path target = FreeNameBeside(job.file);
    std::string error;
    if (!WriteConfigArgument(Utf8FromPath(target), session.readScreen(), false, &error)) return Failed(error);
    return Ok("saved " + ShownName(Utf8FromPath(target)));
}

Outcome Send(SwitchSession& session, const Job& job, const Run& run) {
    std::string error;
    ConfigScreen source;
    if (!LoadFor(job, source, &error)) return Failed(error);
    const WriteReport& write = session.write(source, true, run.backUp);
    const BackupReport& backup = session.lastBackup();
    if (Stopped(backup.read)) return {Outcome::Kind::Interrupted, "interrupted while backing it up; nothing sent"};
    if (write.end == TransferEnd::NotBackedUp || write.end == TransferEnd::NotJournaled)
        return Failed("not backed up, so nothing sent: " +
                      Printable(backup.end == BackupReport::End::ReadFailed ? ReadProblem(session, backup.read)
                                                                            : backup.problem));
    WarnHistory(session, job);
    const VerifyReport& check = session.lastVerify();
    if (Stopped(write)) return {Outcome::Kind::Interrupted, "interrupted: " + WriteVerdict(write).summary};
    if (Stopped(check.read)) return {Outcome::Kind::Interrupted, "written, interrupted while reading it back"};
    if (!write.allSent() || write.framesHeard == 0) return Failed(Printable(WriteVerdict(write).summary));
    // Every part not read back, and every field that differs in the rest.
    const std::string differ = Printable(DescribeHeldDifferences(check.differences));
    if (!check.read.complete())
        return Failed("written, not verified: " + ReadProblem(session, check.read) +
                      (differ.empty() ? "" : "; in what was read back: " + differ));
    if (!check.differences.empty()) return Failed(differ);
    if (!write.complete()) return Failed(WriteVerdict(write).summary + "; read back, the switch holds its file");
    return Ok("written and verified");
}

Outcome Compare(SwitchSession& session, const Job& job, const Run&) {
    ConfigScreen expected;
    std::string error;
    if (!LoadFor(job, expected, &error)) return Failed(error);
    const ReadReport& report = session.read();
    if (Stopped(report)) return Interrupted(report);
    // The parts read are compared even when some were not.
    const auto differences = CompareRead(expected, report);
    const std::string differ = Printable(DescribeHeldDifferences(differences, "the file says"));
    if (!report.complete())
        return Failed(ReadProblem(session, report) + (differ.empty() ? "" : "; in the parts read: " + differ));
    if (differences.empty()) return Ok("matches its file");
    const std::size_t n = differences.size();
    return {Outcome::Kind::Differs, std::to_string(n) + (n == 1 ? " difference: " : " differences: ") + differ};
}

// The switch put back as it was before the site send's write into it, by
// its address, verified.
Outcome Restore(SwitchSession& session, const Job& job, const Run& run) {
    RestoreOrder order;
    order.request.siteSend = run.siteSend;
    order.addressing = {job.at.address, true};
    const RestoreReport& restore = session.restore(order);
    if (restore.refused()) return Failed(Printable(restore.refusal));
    const WriteReport& write = session.lastWrite();
    const BackupReport& backup = session.lastBackup();
    if (Stopped(backup.read) && write.framesSent == 0) return {Outcome::Kind::Interrupted, "interrupted; nothing sent"};
    if (write.end == TransferEnd::NotJournaled) return Failed("nothing sent: " + Printable(backup.problem));
    WarnHistory(session, job);
    const VerifyReport& check = session.lastVerify();
    if (Stopped(write)) return {Outcome::Kind::Interrupted, "interrupted: " + WriteVerdict(write).summary};
    if (Stopped(check.read)) return {Outcome::Kind::Interrupted, "written, interrupted while reading it back"};
    if (!write.allSent() || write.framesHeard == 0) return Failed(Printable(WriteVerdict(write).summary));
    if (!check.read.complete()) return Failed("written, not verified: " + ReadProblem(session, check.read));
    if (!check.differences.empty()) return Failed(Printable(DescribeHeldDifference(check.differences.front())));
    if (!write.complete()) return Failed(WriteVerdict(write).summary + "; read back, the switch holds it");
    return Ok("put back as read " + restore.state->time + ", verified");
}

// Everything that can be checked before the line is touched: each file to
// send or compare loads, each file to get can be written, the journal can
// enter the writes of a send or a restore.
std::string PreflightProblem(const std::string& action, const std::vector<Job>& jobs, const std::string& manifest) {
    if (action == "send" || action == "restore") {
        std::string problem;
        if (!OpenToolJournal(&problem))
            return Printable(problem) + "; nothing sent: no write could be entered in the journal first";
    }
    if (action == "restore") return "";
    for (const Job& job : jobs) {
        const std::string where = ShownName(manifest) + ":" + std::to_string(job.at.line) + ": ";
        if (action == "get") {
            if (const std::string problem = OutputProblem(Utf8FromPath(FreeNameBeside(job.file)), false);
                !problem.empty())
                return where + problem;
            continue;
        }
        ConfigScreen scratch;
        if (std::string error; !LoadFor(job, scratch, &error)) return where + error;
        // What send would refuse on the line is refused for the whole site first.
        if (action == "send")
            if (const auto refusal = SendRefusal(scratch))
                return where + ShownName(Utf8FromPath(job.file)) + ": " +
                       Printable(refusal->message.substr(0, refusal->message.find('\n'))) + "; nothing sent";
    }
    return "";
}

struct SiteRow {
    const Job* job;
    Outcome outcome;
    double seconds = 0;
};

// A UTF-8 text padded with spaces to a number of characters.
std::string Padded(const std::string& utf8, std::size_t characters) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return utf8 + std::string(count < characters ? characters - count : 0, ' ');
}

const char* ResultWord(Outcome::Kind kind) {
    switch (kind) {
    case Outcome::Kind::Ok: return "ok";
    case Outcome::Kind::Differs: return "differs";
    case Outcome::Kind::Failed: return "FAILED";
    case Outcome::Kind::Interrupted: return "interrupted";
    case Outcome::Kind::NotReached: return "not reached";
    }
    return "";
}

void PrintSummary(const std::vector<SiteRow>& rows) {
    std::cout << "\nAddress  Label            Seconds  Result\n";
    for (const SiteRow& r : rows) {
        std::cout << std::left << std::setw(9) << r.job->at.address << Padded(FirstCharacters(r.job->at.label, 16), 17)
                  << std::right << std::fixed << std::setprecision(1) << std::setw(7) << r.seconds << "  "
                  << ResultWord(r.outcome.kind);
        if (r.outcome.kind == Outcome::Kind::Interrupted) std::cout << " (" << r.outcome.result << ")";
        std::cout << "\n";
    }
    std::cout.flush();
}

}  // namespace

int Site(const CommandLine& line) {
    const std::string action = line.operands[0];
    const std::string& manifest = line.operands[1];
    const std::map<std::string, Outcome (*)(SwitchSession&, const Job&, const Run&)> actions{
        {"get", Get}, {"send", Send}, {"compare", Compare}, {"restore", Restore}};
    if (!actions.count(action)) return Fail("site takes get, send, compare or restore, not " + ShownName(action));
    std::string error;
    const auto text = ReadManifestText(manifest, &error);
    if (!text) return Fail(error);
    const auto switches = ParseManifest(*text, manifest, &error);
    if (!switches) return Fail(error);
    std::vector<Job> jobs;
    const fs::path folder = PathFromUtf8(manifest).parent_path();
    for (const SiteSwitch& s : *switches) jobs.push_back({s, folder / PathFromUtf8(s.file)});
    Run run{!line.has("--no-backup")};
    if (const std::string problem = PreflightProblem(action, jobs, manifest); !problem.empty()) return Fail(problem);
    if (line.get("--port").empty()) return Fail(kPortRequired);
    // The site a run is recorded for: by default the manifest's name.
    const std::string site = line.has("--site") ? line.get("--site")
                             : manifest == "-" ? ""
                                               : Utf8FromPath(PathFromUtf8(manifest).filename());

    SwitchSession session;
    SessionOptions options{line.get("--port"), std::nullopt, line.has("--verbose"), line.has("--decode"), site};
    if (!session.open(options, &error)) return Fail(error);
    session.setSite(site);
    if (action == "send" || action == "restore") {
        Journal* journal = session.journal();
        if (!journal) return Fail(Printable(session.journalProblem()) + "; nothing sent");
        if (action == "send") {
            const Recorded begun = journal->beginSiteSend(site, session.bus());
            if (!begun.ok()) return Fail(Printable(begun.problem) + "; nothing sent");
            session.setSiteSend(begun.id);
        } else {
            std::string problem;
            for (const JournalEntry& e : journal->entries(EntryFilter{"", site, std::nullopt, 0}, &problem))
                if (e.event == journal_event::kSiteSend && SameBus(e.bus, session.bus())) {
                    run.siteSend = e.id;
                    break;
                }
            if (!problem.empty()) return Fail(Printable(problem) + "; nothing sent");
            if (!run.siteSend)
                return Fail("the journal holds no site send of site " + ShownName(site) + " on " +
                            Printable(BusText(session.bus())) + "; nothing sent (--site NAME names another site)");
        }
    }
    std::vector<SiteRow> rows;
    for (const Job& job : jobs) rows.push_back({&job, {}, 0});
    int finished = 0;
    for (SiteRow& row : rows) {
        if (SwitchSession::interruption()) break;
        const auto start = std::chrono::steady_clock::now();
        session.setSwitchAddress(row.job->at.address);
        row.outcome = actions.at(action)(session, *row.job, run);
        row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string name = row.job->at.address + (row.job->at.label.empty() ? "" : " " + row.job->at.label);
        std::cout << name << ": " << row.outcome.result << std::endl;
        if (row.outcome.kind == Outcome::Kind::Failed) Fail(name + ": " + row.outcome.result);
        if (row.outcome.kind != Outcome::Kind::Interrupted) ++finished;
    }
    PrintSummary(rows);
    if (SwitchSession::interruption()) {
        std::cerr << "kavro-switch: interrupted; " << finished << " of " << rows.size() << " switches finished"
                  << std::endl;
        return 128 + SwitchSession::interruption();
    }
    bool failed = false, differs = false;
    for (const SiteRow& r : rows) {
        failed = failed || r.outcome.kind == Outcome::Kind::Failed;
        differs = differs || r.outcome.kind == Outcome::Kind::Differs;
    }
    return failed ? kFailed : differs ? kDiffers : kOk;
}

}  // namespace kavro::cli
