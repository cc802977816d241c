#pragma once
// kavro-switch as a child process, the way a script runs it: for the
// command-line tests and the line benchmark. KAVRO_SWITCH_BIN names the
// built program.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace kavro::test {

struct ToolIo {
    int in = -1, out = -1, err = -1;  // standard streams; -1 is /dev/null
    bool asNobody = false;            // drop to an unprivileged user when root
};

inline pid_t SpawnTool(std::vector<std::string> args, const ToolIo& io) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const auto orNull = [](int fd) { return fd >= 0 ? fd : open("/dev/null", O_RDWR); };
    dup2(orNull(io.in), 0), dup2(orNull(io.out), 1), dup2(orNull(io.err), 2);
    const passwd* nobody = io.asNobody ? getpwnam("nobody") : nullptr;
    if (io.asNobody && (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) _exit(98);
    std::vector<char*> argv{const_cast<char*>(KAVRO_SWITCH_BIN)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(97);
}

// What has been written to a temporary file so far.
inline std::string Written(std::FILE* file) { return ReadFile("/dev/fd/" + std::to_string(fileno(file))); }

// `kavro-switch simulate` in the background, for as long as this lives; its
// first line is the device.
struct Simulator {
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), "simulate");
        pid = SpawnTool(options, {.out = fileno(out)});
        for (int i = 0; i < 500 && Written(out).find('\n') == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Simulator() { kill(pid, SIGTERM), waitpid(pid, nullptr, 0), std::fclose(out); }
    std::string device() const { return Written(out).substr(0, Written(out).find('\n')); }
    std::FILE* out = std::tmpfile();
    pid_t pid = -1;
};

}  // namespace kavro::test
