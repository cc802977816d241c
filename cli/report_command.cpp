// report (--manifest SITE.csv | ADDRESS...) -o FILE: the commissioning
// report of a site, from the journal (the newest state recorded of each
// switch) and the manifest's planned files; with --live every switch is
// read first, as site get reads it, and the read kept in the journal, so
// that the report proves what the switches hold at handover. The output's
// kind follows its name: .html, .json or .csv. Exit 0 when every switch
// is as planned, 1 when the report shows one otherwise, 2 when no report
// was written.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>

#include "buslink/field_parsers.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/printed_text.h"
#include "cli/report_json.h"
#include "cli/site_manifest.h"
#include "cli/switch_session.h"
#include "configfile/whole_file.h"
#include "history/history_time.h"
#include "platform/utf8_path.h"
#include "report/report_csv.h"
#include "report/report_html.h"
#include "shell/version.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

enum class Kind { Html, Json, Csv };

std::optional<Kind> KindOf(const std::string& name) {
    std::string extension = Utf8FromPath(PathFromUtf8(name).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".html" || extension == ".htm") return Kind::Html;
    if (extension == ".json") return Kind::Json;
    if (extension == ".csv") return Kind::Csv;
    return std::nullopt;
}

// The switches the report is of: the manifest's, with their planned files
// beside it, or those named by address (no plan).
std::optional<std::vector<PlannedSwitch>> SwitchesOf(const CommandLine& line, std::string* error) {
    std::vector<PlannedSwitch> planned;
    if (line.has("--manifest")) {
        const std::string manifest = line.get("--manifest");
        const auto text = ReadManifestText(manifest, error);
        if (!text) return std::nullopt;
        const auto switches = ParseManifest(*text, manifest, error);
        if (!switches) return std::nullopt;
        const fs::path folder = PathFromUtf8(manifest).parent_path();
        for (const SiteSwitch& s : *switches)
            planned.push_back({s.address, s.label, s.file, folder / PathFromUtf8(s.file)});
        return planned;
    }
    std::set<std::string> named;
    for (const std::string& operand : line.operands) {
        if (!IsBusAddressText(operand)) {
            *error = ShownName(operand) + " is not a switch address (six hexadecimal digits)";
            return std::nullopt;
        }
        const std::string address = AddressShown(operand);
        if (IsGlobalAddressText(address)) {
            *error = std::string("FFFFFF names no switch: ") + kGlobalAddressReason;
            return std::nullopt;
        }
        if (!named.insert(address).second) {
            *error = "switch " + address + " is named twice";
            return std::nullopt;
        }
        planned.push_back({address, "", "", {}});
    }
    return planned;
}

std::string Named(const PlannedSwitch& s) { return s.address + (s.label.empty() ? "" : " " + s.label); }

// Reads every switch as site get does and keeps each read in the journal;
// the switches that could not be read, with why. Nothing when the port
// cannot be used; the signal's status in *stopped when one came.
std::optional<std::map<std::string, std::string>> ReadLive(const CommandLine& line, const std::string& site,
                                                           const std::vector<PlannedSwitch>& switches, int* stopped,
                                                           std::string* error) {
    SwitchSession session;
    const SessionOptions options{line.get("--port"), std::nullopt, line.has("--verbose"), line.has("--decode"), site};
    if (!session.open(options, error)) return std::nullopt;
    session.setSite(site);
    std::map<std::string, std::string> failures;
    for (const PlannedSwitch& s : switches) {
        session.setSwitchAddress(s.address);
        const ReadReport& read = session.read();
        if (read.end == TransferEnd::Stopped && SwitchSession::interruption()) {
            *stopped = 128 + SwitchSession::interruption();
            return failures;
        }
        const std::string kept = session.keepRead();
        std::string result = "read";
        if (!read.complete()) result = ReadProblem(session, read);
        else if (!kept.empty()) result = "read, but not kept in the journal: " + Printable(kept);
        if (result != "read") failures[s.address] = result;
        std::cout << Named(s) << ": " << result << std::endl;
    }
    return failures;
}

}  // namespace

int Report(const CommandLine& line) {
    if (!line.has("-o")) return Fail("report needs -o FILE, its kind by its name: .html, .json or .csv");
    const std::string output = line.get("-o");
    const auto kind = KindOf(output);
    if (!kind || output == "-")
        return Fail("-o names the report's kind by its extension, .html, .json or .csv, not " + ShownName(output));
    if (line.has("--manifest") == !line.operands.empty())
        return Fail(line.operands.empty() ? "report needs --manifest SITE.csv or the switches' ADDRESS..."
                                          : "report takes --manifest SITE.csv or ADDRESS..., not both");
    if (line.has("--live") != line.has("--port"))
        return Fail(line.has("--live") ? kPortRequired : "--port goes with --live, which reads every switch first");
    std::string error;
    const auto switches = SwitchesOf(line, &error);
    if (!switches) return Fail(error);
    if (const std::string problem = OutputProblem(output, line.has("--force")); !problem.empty()) return Fail(problem);
    const std::string manifest = line.get("--manifest");
    const std::string site = line.has("--site") ? line.get("--site")
                             : manifest.empty() || manifest == "-" ? ""
                                                                   : Utf8FromPath(PathFromUtf8(manifest).filename());

    ReportOptions options{site, HistoryTimeText(std::chrono::system_clock::now()), VersionText(ProgramVersion()), {}};
    if (line.has("--live")) {
        int stopped = 0;
        const auto failures = ReadLive(line, site, *switches, &stopped, &error);
        if (!failures) return Fail(error);
        if (stopped) {
            std::cerr << "kavro-switch: interrupted; no report written" << std::endl;
            return stopped;
        }
        options.liveFailures = *failures;
        options.time = HistoryTimeText(std::chrono::system_clock::now());
    }
    std::string problem;
    const std::unique_ptr<Journal> journal = OpenToolJournal(&problem);
    if (!journal) return Fail(Printable(problem));
    const auto report = BuildReport(*journal, *switches, options, &problem);
    if (!report) return Fail(Printable(problem));

    const std::string text = *kind == Kind::Html ? ReportHtml(*report)
                             : *kind == Kind::Csv ? ReportCsv(*report)
                                                  : ReportJson(*report, *journal).toStdString();
    const WriteResult written = WriteWholeFile(PathFromUtf8(output), text, line.has("--force"));
    if (written.outcome == WriteOutcome::Exists) return Fail(ShownName(output) + " exists already (--force replaces it)");
    if (written.outcome != WriteOutcome::Written) return Fail(ShownName(output) + ": not saved: " + written.detail);

    std::map<HandoverState, int> tally;
    for (const SwitchReport& s : report->switches) ++tally[s.state];
    std::string counts;
    for (const auto& [state, n] : tally) counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + StateName(state);
    std::cout << "Report of " << report->switches.size() << (report->switches.size() == 1 ? " switch" : " switches")
              << " written to " << ShownName(output) << ": " << counts << std::endl;
    const bool allAsPlanned = std::all_of(report->switches.begin(), report->switches.end(), [](const SwitchReport& s) {
        return s.state == HandoverState::AsPlanned || s.state == HandoverState::NoPlan;
    });
    return allAsPlanned ? kOk : kDiffers;
}

}  // namespace kavro::cli
