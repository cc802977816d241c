// How close kavro-switch comes to the line's own limit, and how little
// processor it takes, against the virtual switch paced like a real 4800
// baud line. Prints, per task, the wall time as a ratio to the limit and
// the processor time as a share of the wall time. Goals: 1.03, 1 %.
//
// The limit of an exchange is the 25 ms lead before a frame, then the
// frame and its reply at 11 bits a character (start, 8 data, parity, stop).

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "buslink/switch_messages.h"
#include "configfile/config_records.h"

namespace {

namespace fs = std::filesystem;
using namespace kavro;

constexpr double kByteSeconds = 11.0 / 4800;
constexpr double kLeadSeconds = 0.025;

double ExchangeSeconds(std::uint8_t code) {
    const MessageShape& m = Shape(code);
    return kLeadSeconds + (m.frameLength + m.replyLength) * kByteSeconds;
}

// A read: firmware, switch address, eight channels, source groups.
double ReadSeconds() {
    return ExchangeSeconds(msg::queryFirmware) + ExchangeSeconds(msg::querySwitchAddress) +
           8 * ExchangeSeconds(msg::queryChannel) + ExchangeSeconds(msg::querySourceGroups);
}

// A write: the switch address, eight channels, the source groups.
double WriteSeconds() {
    return ExchangeSeconds(msg::writeSwitchAddress) + 8 * ExchangeSeconds(msg::writeChannel) +
           ExchangeSeconds(msg::writeSourceGroups);
}

struct Run {
    double wall = 0, cpu = 0;
    int status = -1;
};

pid_t Spawn(const std::vector<std::string>& args, int out) {
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        std::vector<std::string> all{KAVRO_SWITCH_BIN};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

Run Measure(const std::vector<std::string>& args) {
    const int null = open("/dev/null", O_WRONLY);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(args, null);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    close(null);
    Run r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The virtual switch (or bus) on a pty, paced like the line.
class Simulator {
public:
    explicit Simulator(const std::string& addresses) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return;
        pid_ = Spawn({"simulate", "--line-pacing", "on", "--address", addresses}, pipeFds[1]);
        close(pipeFds[1]);
        char c;
        while (read(pipeFds[0], &c, 1) == 1 && c != '\n') device_ += c;
        close(pipeFds[0]);
    }
    ~Simulator() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& device() const { return device_; }

private:
    pid_t pid_ = -1;
    std::string device_;
};

// goal: whether the task has the goals, or is measured for reference.
void Report(const char* task, const std::vector<std::string>& args, double limit, int rounds, bool goal = true) {
    double wall = 0, cpu = 0;
    for (int i = 0; i < rounds; ++i) {
        const Run r = Measure(args);
        if (r.status != 0) std::printf("  (%s exited %d)\n", task, r.status);
        wall += r.wall;
        cpu += r.cpu;
    }
    wall /= rounds;
    cpu /= rounds;
    const double ratio = wall / limit, share = 100 * cpu / wall;
    std::printf("%-26s %7.3f s  limit %7.3f s  ratio %.3f  CPU %5.3f s = %.2f %%  %s\n", task, wall, limit, ratio,
                cpu, share, !goal ? "(for reference)" : ratio <= 1.03 && share <= 1.0 ? "goals met" : "GOALS MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const fs::path folder = fs::temp_directory_path() / ("kavro-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    ConfigScreen screen;
    screen.fillCommandLists();
    for (int c = 0; c < 8; ++c) screen.commands[3 * c].select(7 + c);
    for (const char* name : {"a.set", "b.set", "c.set"}) WriteConfigFile(folder / name, screen);
    const std::string manifest = (folder / "site.csv").string();
    std::FILE* m = std::fopen(manifest.c_str(), "w");
    std::fputs("00AB01, a.set\n00AB02, b.set\n00AB03, c.set\n", m);
    std::fclose(m);

    std::printf("kavro-switch against the virtual switch at 4800 baud, %d rounds each\n", rounds);
    {
        Simulator one("000001");
        Report("get", {"get", "--port", one.device(), "-o", "-"}, ReadSeconds(), rounds, false);
        Report("send --verify", {"send", "--verify", "--port", one.device(), (folder / "a.set").string()},
               WriteSeconds() + ReadSeconds(), rounds);
    }
    {
        Simulator bus("00AB01,00AB02,00AB03");
        Report("site send (3 switches)", {"site", "send", manifest, "--port", bus.device()},
               3 * (WriteSeconds() + ReadSeconds()), rounds);
    }
    fs::remove_all(folder);
    return 0;
}
