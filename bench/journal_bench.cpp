// What the journal costs a write: entering it with its backup before the
// first frame, adding its outcome, and keeping its read-back, each a
// transaction that reaches the disk. Measured on a journal that already
// holds a busy site's years (20 000 entries), on the disk of the data
// folder. Goal: 20 ms per write.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "history/journal.h"
#include "support/temp_folder.h"
#include "transfer/held_comparison.h"

int main(int argc, char** argv) {
    using namespace kavro;
    const int writes = argc > 1 ? std::atoi(argv[1]) : 50;
    const test::TempFolder folder;
    std::string problem;
    auto journal = Journal::open(folder.path(), "bench", &problem);
    if (!journal) return std::printf("journal: %s\n", problem.c_str()), 1;
    ConfigScreen screen;
    screen.fillCommandLists();
    screen.switchAddress.setText("00AB01");
    ReadRecord read;
    read.screen = &screen;
    read.held = HeldFromScreen(screen);
    read.address = "00AB01";
    read.bus = {"/dev/ttyUSB0"};
    {
        // The years before: entries without files, written in one go.
        Database db;
        db.open(journal->databaseFile(), 1000);
        db.exec("BEGIN");
        for (int i = 0; i < 20000; ++i)
            db.prepare("INSERT INTO entries(time, event, address, device, held) VALUES ('2025-01-01T00:00:00Z', 'get', ?1, "
                       "'/dev/ttyUSB0', zeroblob(195))")
                .bind(1, "00" + std::to_string(100000 + i % 200).substr(2))
                .run();
        db.exec("COMMIT");
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < writes; ++i) {
        read.event = journal_event::kBeforeSend;
        const BegunWrite begun =
            journal->beginWrite({journal_event::kSend, "00AB01", "00AB01", *read.held, read.bus}, &read);
        if (!begun.ok()) return std::printf("journal: %s\n", begun.problem.c_str()), 1;
        journal->finishWrite(begun.writeId, journal_outcome::kOk, "ok", 10);
        read.event = journal_event::kAfterSend;
        journal->recordReadBack(begun.writeId, read, true);
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / writes;
    std::printf("journal: %.1f ms per write (backup file and entry, outcome, read-back file and entry), "
                "%d writes on 20 000 entries  %s\n", ms, writes, ms <= 20 ? "goal met" : "GOAL MISSED");
    return 0;
}
