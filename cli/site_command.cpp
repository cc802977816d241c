// site get|send|compare MANIFEST: every switch of a building's bus in one
// run. The manifest is a small CSV, a switch a line:
//     # address, file, label (optional)
//     00AB01, hall.set, Hall
//     00AB02, stairs.set
// files are found beside the manifest. The whole manifest is checked
// before anything is sent; then each switch gets a line of progress, and a
// table sums up. Exit 0 only when every switch did what was asked.

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "cli/config_text.h"
#include "cli/file_arguments.h"
#include "cli/switch_session.h"
#include "platform/utf8_path.h"

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

struct SiteSwitch {
    int line = 0;
    std::string address;
    fs::path file;
    std::string label;
};

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The manifest's switches; nothing, with the line at fault named in error.
std::optional<std::vector<SiteSwitch>> ReadManifest(const std::string& name, std::string* error) {
    std::ifstream in(PathFromUtf8(name));
    if (!in) {
        *error = name + ": cannot be read";
        return std::nullopt;
    }
    const fs::path folder = PathFromUtf8(name).parent_path();
    std::vector<SiteSwitch> site;
    std::set<std::string> addresses;
    int number = 0;
    for (std::string text; std::getline(in, text);) {
        ++number;
        text = Trim(text.substr(0, text.find('#')));
        if (text.empty()) continue;
        std::vector<std::string> fields;
        std::istringstream split(text);
        for (std::string field; std::getline(split, field, ',');) fields.push_back(Trim(field));
        auto fail = [&](const std::string& why) {
            *error = name + ":" + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (fields.size() < 2 || fields.size() > 3) return fail("expected ADDRESS, FILE[, LABEL]");
        if (!IsBusAddressText(fields[0])) return fail("\"" + fields[0] + "\" is not a switch address (six hexadecimal digits)");
        if (fields[1].empty()) return fail("the file is missing");
        std::string address = fields[0];
        for (char& c : address) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!addresses.insert(address).second) return fail("switch " + address + " is listed twice");
        site.push_back({number, address, folder / PathFromUtf8(fields[1]), fields.size() > 2 ? fields[2] : ""});
    }
    if (site.empty()) {
        *error = name + ": lists no switch";
        return std::nullopt;
    }
    return site;
}

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
    bool ok = false;
    bool differs = false;  // compare: read, but not what the file holds
    std::string result;
};

// The configuration a switch should hold: its file, addressed by the
// manifest's address (the switch address frame would otherwise give the
// switch the file's).
bool LoadFor(const SiteSwitch& s, ConfigScreen& screen, std::string* error) {
    if (const LoadOutcome loaded = LoadConfigFile(s.file, screen); loaded != LoadOutcome::Loaded) {
        *error = Utf8FromPath(s.file) + ": " + LoadProblem(loaded);
        return false;
    }
    screen.switchAddress.setText(s.address);
    screen.useSwitchAddress.setValue(1);
    return true;
}

Outcome Get(SwitchSession& session, const SiteSwitch& s) {
    const ReadReport& report = session.read();
    if (!report.complete()) return {false, false, ReadProblem(session, report)};
    const fs::path target = FreeNameBeside(s.file);
    std::string error;
    if (!WriteConfigArgument(Utf8FromPath(target), session.screen(), false, &error)) return {false, false, error};
    return {true, false, "saved " + Utf8FromPath(target)};
}

Outcome Send(SwitchSession& session, const SiteSwitch& s) {
    std::string error;
    if (!LoadFor(s, session.screen(), &error)) return {false, false, error};
    const WriteReport& write = session.write(true);
    const VerifyReport& check = session.form().lastVerify();
    if (!write.complete() || write.framesHeard == 0) return {false, false, WriteVerdict(write).summary};
    if (!check.read.complete()) return {false, false, "written, not verified: " + ReadProblem(session, check.read)};
    if (!check.differences.empty())
        return {false, false, Utf8FromWindows1252(DescribeHeldDifference(check.differences.front()))};
    return {true, false, "written and verified"};
}

Outcome Compare(SwitchSession& session, const SiteSwitch& s) {
    ConfigScreen expected;
    expected.fillCommandLists();
    std::string error;
    if (!LoadFor(s, expected, &error)) return {false, false, error};
    const ReadReport& report = session.read();
    if (!report.complete()) return {false, false, ReadProblem(session, report)};
    const auto differences = CompareHeld(expected, session.screen());
    if (differences.empty()) return {true, false, "matches its file"};
    return {false, true,
            std::to_string(differences.size()) + " differences, first " +
                Utf8FromWindows1252(DescribeHeldDifference(differences.front(), "the file says"))};
}

struct SiteRow {
    const SiteSwitch* at;
    Outcome outcome;
    double seconds;
};

// Everything that can be checked before the line is touched: each file to
// send or compare loads, each file to get can be written.
std::string PreflightProblem(const std::string& action, const std::vector<SiteSwitch>& site,
                             const std::string& manifest) {
    for (const SiteSwitch& s : site) {
        const std::string where = manifest + ":" + std::to_string(s.line) + ": ";
        if (action == "get") {
            if (const std::string problem = OutputProblem(Utf8FromPath(FreeNameBeside(s.file)), false);
                !problem.empty())
                return where + problem;
            continue;
        }
        ConfigScreen scratch;
        scratch.fillCommandLists();
        if (std::string error; !LoadFor(s, scratch, &error)) return where + error;
    }
    return "";
}

void PrintSummary(const std::vector<SiteRow>& rows) {
    std::cout << "\nAddress  Label            Result  Seconds\n";
    for (const SiteRow& r : rows)
        std::cout << std::left << std::setw(9) << r.at->address << std::setw(17) << r.at->label.substr(0, 16)
                  << std::setw(8) << (r.outcome.ok ? "ok" : r.outcome.differs ? "differs" : "FAILED") << std::right
                  << std::fixed << std::setprecision(1) << std::setw(7) << r.seconds << "\n";
    std::cout.flush();
}

}  // namespace

int Site(const CommandLine& line) {
    const std::string action = line.operands[0];
    const std::map<std::string, Outcome (*)(SwitchSession&, const SiteSwitch&)> actions{
        {"get", Get}, {"send", Send}, {"compare", Compare}};
    if (!actions.count(action)) return Fail("site takes get, send or compare, not \"" + action + "\"");
    std::string error;
    const auto site = ReadManifest(line.operands[1], &error);
    if (!site) return Fail(error);
    if (const std::string problem = PreflightProblem(action, *site, line.operands[1]); !problem.empty())
        return Fail(problem);
    if (line.get("--port").empty()) return Fail(kPortRequired);

    SwitchSession session;
    SessionOptions options{line.get("--port"), std::nullopt, line.has("--verbose"), line.has("--decode")};
    if (!session.open(options, &error)) return Fail(error);
    std::vector<SiteRow> rows;
    for (const SiteSwitch& s : *site) {
        if (SwitchSession::Interruption()) break;
        const auto start = std::chrono::steady_clock::now();
        session.setSwitchAddress(s.address);
        const Outcome outcome = actions.at(action)(session, s);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rows.push_back({&s, outcome, seconds});
        std::cout << s.address << (s.label.empty() ? "" : " " + s.label) << ": " << outcome.result << std::endl;
    }
    PrintSummary(rows);
    if (SwitchSession::Interruption()) {
        std::cerr << "kavro-switch: interrupted after " << rows.size() << " of " << site->size() << " switches"
                  << std::endl;
        return 128 + SwitchSession::Interruption();
    }
    bool failed = rows.size() < site->size(), differs = false;
    for (const SiteRow& r : rows) {
        failed = failed || (!r.outcome.ok && !r.outcome.differs);
        differs = differs || r.outcome.differs;
    }
    return failed ? kFailed : differs ? kDiffers : kOk;
}

}  // namespace kavro::cli
