// kavro-switch: the configuration tool without a window. It runs the very
// same core as the window program (screen model, transfers, file format),
// so its files and frames equal the window's byte for byte.
//
// Exit status: 0 success (compare: the switch matches; diff: same values),
//              1 compare or diff found differences, 2 any failure,
//              128 + N when signal N stopped it.

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.h"
#include "shell/version.h"

namespace kavro::cli {

namespace {

// A result that never reached standard output (a full disk, a closed pipe)
// is a failure, whatever the command thought.
int Finish(int status) {
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
        const int error = errno;
        std::cerr << "kavro-switch: standard output cannot be written: " << std::strerror(error) << std::endl;
        return kFailed;
    }
    return status;
}

int Main(const std::vector<std::string>& words) {
    if (words.empty()) {
        std::cerr << Usage();
        return kFailed;
    }
    if (words[0] == "help") {
        if (words.size() == 1) return std::cout << Usage(), kOk;
        const CommandSpec* command = FindCommand(words[1]);
        if (!command) return Fail("no command \"" + words[1] + "\" (kavro-switch help lists them)");
        return std::cout << CommandHelp(*command), kOk;
    }
    if (AsksFor(words, "--version", "-V")) {
        std::cout << "kavro-switch " << VersionText(ProgramVersion()) << "\n";
        return kOk;
    }
    const CommandSpec* command = FindCommand(words[0]);
    if (!command) {
        if (AsksFor(words, "--help", "-h")) return std::cout << Usage(), kOk;
        return Fail("unknown command \"" + words[0] + "\" (kavro-switch help lists them)");
    }
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (AsksFor(rest, "--help", "-h")) return std::cout << CommandHelp(*command), kOk;
    std::string error;
    const auto line = ParseCommandLine(rest, *command, &error);
    if (!line) return Fail(error);
    return command->run(*line);
}

}  // namespace
}  // namespace kavro::cli

int main(int argc, char* argv[]) {
    // Qt's own event loop is lighter than GLib's, which a program without
    // windows has no use for.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
#ifdef SIGPIPE
    // A reader that went away makes writes fail, which Finish reports,
    // instead of ending the program with the port's settings still changed.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return kavro::cli::Finish(kavro::cli::Main(std::vector<std::string>(argv + 1, argv + argc)));
}
