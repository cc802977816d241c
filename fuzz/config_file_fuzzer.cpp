// A configuration file made of the fuzz input, through everything that
// reads one: import into a fresh screen, compare, diff, and "show" as text
// and as JSON. Whatever the bytes, the screen keeps its invariants, both
// printed forms are UTF-8 and the JSON parses. The screen it left, exported,
// compares identical with it and imports into a screen with the very same
// values.

#include <unistd.h>

#include <fstream>

#include "cli/config_text.h"
#include "configfile/config_records.h"
#include "fuzz_support.h"

namespace kavro::fuzz {
namespace {

namespace fs = std::filesystem;

// A folder of this process for the two files of each run, in memory where
// the system has /dev/shm, removed when the fuzzer ends normally.
struct Scratch {
    fs::path folder;
    Scratch() {
        std::error_code error;
        folder = (fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                 ("kavro-fuzz-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

ConfigScreen& Fresh(ConfigScreen& screen) {
    screen.FillCommandLists();
    return screen;
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    const fs::path input = scratch.folder / "input.set", exported = scratch.folder / "exported.set";
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);

    ConfigScreen screen;
    const LoadOutcome loaded = LoadConfigFile(input, Fresh(screen));
    Expect(loaded != LoadOutcome::CannotOpen, "a file that exists opens");
    ExpectConsistent(screen);
    Expect(IsUtf8(ConfigAsText(screen)), "show prints UTF-8");
    Expect(JsonValidator::Valid(ConfigAsJson(screen)), "show --json prints JSON");

    const CompareResult compared = CompareConfigFile(input, screen);
    Expect(loaded != LoadOutcome::Loaded || compared.outcome != CompareOutcome::Unreadable,
           "a file that imports can be compared");

    Expect(WriteConfigFile(exported, screen, true).outcome == WriteOutcome::Written, "the screen exports");
    Expect(CompareConfigFile(exported, screen).outcome == CompareOutcome::Identical,
           "the export compares identical with its screen");
    ConfigScreen again;
    Expect(LoadConfigFile(exported, Fresh(again)) == LoadOutcome::Loaded, "the export imports");
    Expect(ScreenRecords(again) == ScreenRecords(screen), "the export imports as the screen it came from");

    std::string error;
    Expect(loaded != LoadOutcome::Loaded || DiffConfigFiles(input, exported, &error).has_value(),
           "a file that imports can be diffed");
    return 0;
}
