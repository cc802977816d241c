// Where a fuzz target keeps the inputs that broke it (crash-*, leak-*,
// timeout-*, oom-*, slow-unit-*): libFuzzer writes them to the working
// folder unless told otherwise, which run from the top of the tree is the
// repository. Every target gets -artifact_prefix pointing into the build
// folder first; one given on the command line (scripts/fuzz.sh gives one
// per run) comes later and wins.

#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static const std::string prefix = "-artifact_prefix=" KAVRO_FUZZ_ARTIFACTS "/";
    static std::vector<char*> arguments;
    std::error_code ignored;
    std::filesystem::create_directories(KAVRO_FUZZ_ARTIFACTS, ignored);
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, const_cast<char*>(prefix.c_str()));
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}
