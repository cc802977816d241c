// The commissioning report of a large site from the journal: the time
// `kavro-switch report` takes end to end (start, journal, planned files,
// the page written) for a site whose journal holds a state of each switch
// (a third of them differing from their planned files, a tenth never
// read), as HTML, JSON and CSV. Goal: under 2 s for 200 switches.
//
// Usage: kavro_report_bench [SWITCHES [ROUNDS]]
//        kavro_report_bench --make-site FOLDER [SWITCHES]
// The second writes a demo site (site.csv and its planned files) for
// scripts/report-check.sh.

#include <cstdlib>
#include <iostream>

#include <sys/wait.h>

#include "configfile/file_commands.h"
#include "history/journal.h"
#include "support/demo_site.h"
#include "support/tool_process.h"
#include "transfer/held_comparison.h"

namespace {

using namespace kavro;

// A get of each switch, as site get keeps it.
bool FillJournal(const std::filesystem::path& home, int switches) {
    std::string problem;
    const auto journal = Journal::open(DefaultDataFolder(home), "bench", &problem);
    if (!journal) return std::cerr << problem << "\n", false;
    for (int n = 0; n < switches; ++n) {
        if (n % 10 == 9) continue;  // never reached
        ConfigScreen screen;
        test::FillDemoScreen(screen, static_cast<unsigned>(n % 3 == 1 ? n + 1 : n), test::DemoAddress(n));
        ReadRecord read;
        read.screen = &screen;
        read.held = HeldFromScreen(screen);
        read.address = test::DemoAddress(n);
        read.firmware = "2.14";
        read.bus = {"/dev/ttyUSB0", "A1B2C3", "", "site.csv"};
        if (const Recorded kept = journal->recordRead(read); !kept.ok()) return std::cerr << kept.problem << "\n", false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--make-site") {
        test::WriteDemoSite(argv[2], argc > 3 ? std::atoi(argv[3]) : 3);
        return 0;
    }
    const int switches = argc > 1 ? std::atoi(argv[1]) : 200, rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const test::TempFolder folder;
    setenv("HOME", folder.path().c_str(), 1);  // the journal the tool opens is the bench's own
    test::WriteDemoSite(folder.path(), switches);
    if (!FillJournal(folder.path(), switches)) return 2;
    const std::string manifest = (folder / "site.csv").string();
    for (const char* kind : {"html", "json", "csv"}) {
        double worst = 0, total = 0;
        for (int i = 0; i < rounds; ++i) {
            const std::string out = (folder / ("report." + std::string(kind))).string();
            const auto start = std::chrono::steady_clock::now();
            int status = 0;
            std::FILE* said = std::tmpfile();
            waitpid(test::SpawnTool({"report", "--manifest", manifest, "-o", out, "--force"}, {.out = fileno(said)}),
                    &status, 0);
            if (i == 0) std::printf("%s", test::Written(said).c_str());
            std::fclose(said);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            worst = std::max(worst, seconds), total += seconds;
            if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::cerr << "report failed\n", 2;
        }
        std::printf("report of %d switches as %-4s  mean %.3f s  worst %.3f s  %s\n", switches, kind, total / rounds,
                    worst, worst < 2.0 ? "goal met (< 2 s)" : "GOAL MISSED (< 2 s)");
    }
    return 0;
}
