// A journal that someone or something spoiled, fed to everything that reads
// one: the first byte chooses whether the input is the database file itself
// or an earlier version's log.csv, which opening takes in. Whatever the
// bytes, opening ends with a journal or one plain line, never a crash or a
// hang; a journal that opens lists its entries, chooses a restore and plans
// a prune without crashing, and names no file outside the history folder.

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "fuzz_support.h"
#include "history/journal.h"
#include "history/restore_choice.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
    static const fs::path folder = fs::temp_directory_path() / ("kavro-journal-fuzz-" + std::to_string(::getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavro;
    using fuzz::Expect;
    const fs::path data_folder = Folder(), history = data_folder / "history";
    std::error_code ignored;
    fs::remove_all(data_folder, ignored);
    const bool database = size > 0 && data[0] % 2 == 0;
    const fs::path file = database ? history / "journal.db" : history / "00ABCD" / "log.csv";
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data) + (size > 0),
                                                static_cast<std::streamsize>(size > 0 ? size - 1 : 0));

    std::string problem;
    const auto journal = Journal::open(data_folder, "fuzz", &problem);
    Expect(journal || (!problem.empty() && problem.find('\n') == std::string::npos),
           "a journal that cannot be opened says why in one line");
    if (!journal) return 0;
    const std::vector<JournalEntry> entries = journal->entries({}, &problem);
    Expect(problem.find('\n') == std::string::npos, "a problem reading entries is one line");
    for (const JournalEntry& e : entries) {
        const fs::path kept = journal->fileOf(e);
        const fs::path inside = kept.lexically_relative(journal->folder());
        Expect(kept.empty() || (!inside.empty() && *inside.begin() != ".."), "no entry names a file outside the history");
    }
    const HeldConfiguration now{};
    for (const char* address : {"00ABCD", "000000"}) {
        const RestoreChoice choice = ChooseRestore(entries, address, {"/dev/ttyUSB0"}, now, {});
        Expect(choice.ok() == choice.state.has_value(), "a restore chosen names a state, one refused does not");
        ChooseRestore(entries, address, {"/dev/ttyUSB0"}, now, {.steps = 3});
    }
    const Pruned pruned = journal->prune(1, true);
    for (const fs::path& f : pruned.files) {
        const fs::path inside = f.lexically_relative(journal->folder());
        Expect(!inside.empty() && *inside.begin() != "..", "prune never plans to remove a file outside the history");
    }
    return 0;
}
