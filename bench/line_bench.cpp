// How close kavro-switch comes to the line's own limit, and how little
// processor it takes, against the virtual switch paced like a real 4800
// baud line. Prints, per task, the wall time as a ratio to the limit and
// the processor time as a share of the wall time. Goals: 1.03, 1 %.
//
// The limit of an exchange is the 25 ms lead before a frame, then the
// frame and its reply at 11 bits a character (start, 8 data, parity, stop).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "buslink/switch_messages.h"
#include "configfile/config_records.h"
#include "support/temp_folder.h"

namespace {

using namespace kavro;

constexpr double ExchangeSeconds(std::uint8_t code) {
    const MessageShape& m = Shape(code);
    return 0.025 + (m.frameLength + m.replyLength) * 11.0 / 4800;
}

// A read: firmware, switch address, eight channels, source groups.
constexpr double kReadSeconds = ExchangeSeconds(msg::queryFirmware) + ExchangeSeconds(msg::querySwitchAddress) +
                               8 * ExchangeSeconds(msg::queryChannel) + ExchangeSeconds(msg::querySourceGroups);
// A write: the switch address, eight channels, the source groups.
constexpr double kWriteSeconds = ExchangeSeconds(msg::writeSwitchAddress) + 8 * ExchangeSeconds(msg::writeChannel) +
                                ExchangeSeconds(msg::writeSourceGroups);

// kavro-switch with these arguments, its standard output to out, its
// messages to /dev/null.
pid_t Spawn(std::vector<std::string> args, int out) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    dup2(out, 1);
    dup2(open("/dev/null", O_WRONLY), 2);
    std::vector<char*> argv{const_cast<char*>(KAVRO_SWITCH_BIN)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// The virtual switch (or bus) on a pty, paced like the line: its process
// and its device, which it prints on its first line.
std::pair<pid_t, std::string> Simulate(const std::string& addresses) {
    int fds[2];
    if (pipe(fds) != 0) return {-1, ""};
    const pid_t pid = Spawn({"simulate", "--line-pacing", "on", "--address", addresses}, fds[1]);
    close(fds[1]);
    std::string device;
    for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) device += c;
    close(fds[0]);
    return {pid, device};
}

void Stop(pid_t simulator) {
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
}

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// goal: whether the task has the goals, or is measured for reference.
void Report(const char* task, const std::vector<std::string>& args, double limit, int rounds, bool goal = true) {
    const int null = open("/dev/null", O_WRONLY);
    double wall = 0, cpu = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        rusage use{};
        wait4(Spawn(args, null), &status, 0, &use);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
        cpu += (Seconds(use.ru_utime) + Seconds(use.ru_stime)) / rounds;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("  (%s exited %d)\n", task, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    close(null);
    const double ratio = wall / limit, share = 100 * cpu / wall;
    std::printf("%-26s %7.3f s  limit %7.3f s  ratio %.3f  CPU %5.3f s = %.2f %%  %s\n", task, wall, limit, ratio,
                cpu, share, !goal ? "(for reference)" : ratio <= 1.03 && share <= 1.0 ? "goals met" : "GOALS MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const test::TempFolder folder;
    ConfigScreen screen;
    screen.fillCommandLists();
    for (int c = 0; c < 8; ++c) screen.commands[3 * c].select(7 + c);
    for (const char* name : {"a.set", "b.set", "c.set"}) WriteConfigFile(folder / name, screen);
    const std::string manifest = (folder / "site.csv").string();
    test::WriteFile(manifest, "00AB01, a.set\n00AB02, b.set\n00AB03, c.set\n");

    std::printf("kavro-switch against the virtual switch at 4800 baud, %d rounds each\n", rounds);
    const auto [one, device] = Simulate("000001");
    Report("get", {"get", "--port", device, "-o", "-"}, kReadSeconds, rounds, false);
    Report("send --verify", {"send", "--verify", "--port", device, (folder / "a.set").string()},
           kWriteSeconds + kReadSeconds, rounds);
    Stop(one);
    const auto [bus, busDevice] = Simulate("00AB01,00AB02,00AB03");
    Report("site send (3 switches)", {"site", "send", manifest, "--port", busDevice},
           3 * (kWriteSeconds + kReadSeconds), rounds);
    Stop(bus);
    return 0;
}
