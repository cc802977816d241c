// How close kavro-switch comes to the line's own limit, and how little
// processor it takes, against the virtual switch paced like a real 4800
// baud line. Prints, per task, the wall time as a ratio to the limit and
// the processor time as a share of the wall time. Goals: 1.03, 1 %.
// The same tasks through an adapter that echoes every frame sent must take
// less than 1.1 times as long as through a plain one.
//
// The limit of an exchange is the 25 ms lead before a frame, then the
// frame and its reply at 11 bits a character (start, 8 data, parity, stop).

#include <cstdlib>

#include <sys/resource.h>

#include "buslink/switch_messages.h"
#include "configfile/config_records.h"
#include "support/tool_process.h"

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

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// goal: whether the task has the goals, or is measured for reference.
// The wall time.
double Report(const char* task, const std::vector<std::string>& args, double limit, int rounds, bool goal = true) {
    double wall = 0, cpu = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        rusage use{};
        wait4(test::SpawnTool(args, {}), &status, 0, &use);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
        cpu += (Seconds(use.ru_utime) + Seconds(use.ru_stime)) / rounds;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("  (%s exited %d)\n", task, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    const double ratio = wall / limit, share = 100 * cpu / wall;
    std::printf("%-26s %7.3f s  limit %7.3f s  ratio %.3f  CPU %5.3f s = %.2f %%  %s\n", task, wall, limit, ratio,
                cpu, share, !goal ? "(for reference)" : ratio <= 1.03 && share <= 1.0 ? "goals met" : "GOALS MISSED");
    return wall;
}

void ReportEcho(const char* task, double echoing, double plain) {
    const double ratio = echoing / plain;
    std::printf("%-26s %7.3f s  plain %7.3f s  ratio %.3f  %s\n", task, echoing, plain, ratio,
                ratio < 1.1 ? "goal met" : "GOAL MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const test::TempFolder folder;
    // The history the tool keeps goes into the bench's own folder.
    setenv("HOME", folder.path().c_str(), 1);
    ConfigScreen screen;
    screen.fillCommandLists();
    for (int c = 0; c < 8; ++c) screen.commands[3 * c].select(7 + c);
    for (const char* name : {"a.set", "b.set", "c.set"}) WriteConfigFile(folder / name, screen);
    const std::string manifest = (folder / "site.csv").string();
    test::WriteFile(manifest, "00AB01, a.set\n00AB02, b.set\n00AB03, c.set\n");

    std::printf("kavro-switch against the virtual switch at 4800 baud, %d rounds each\n", rounds);
    double plain[3] = {};
    {
        const test::Simulator one({"--line-pacing", "on", "--address", "000001"});
        plain[0] = Report("get", {"get", "--port", one.device(), "-o", "-"}, kReadSeconds, rounds, false);
        Report("send --verify --no-backup",
               {"send", "--verify", "--no-backup", "--port", one.device(), (folder / "a.set").string()},
               kWriteSeconds + kReadSeconds, rounds);
        // The backup read, the write and the read-back, two files kept.
        plain[1] = Report("send --verify", {"send", "--verify", "--port", one.device(), (folder / "a.set").string()},
                          kReadSeconds + kWriteSeconds + kReadSeconds, rounds);
    }
    {
        const test::Simulator bus({"--line-pacing", "on", "--address", "00AB01,00AB02,00AB03"});
        plain[2] = Report("site send (3 switches)", {"site", "send", manifest, "--port", bus.device()},
                          3 * (kReadSeconds + kWriteSeconds + kReadSeconds), rounds);
    }
    // Through an adapter that hears itself: each frame comes back first.
    std::printf("the same through an adapter that echoes every frame sent\n");
    const test::Simulator one({"--line-pacing", "on", "--address", "000001", "--echo"});
    ReportEcho("  against plain", Report("get, echoed", {"get", "--port", one.device(), "-o", "-"}, kReadSeconds, rounds, false),
               plain[0]);
    ReportEcho("  against plain",
               Report("send --verify, echoed", {"send", "--verify", "--port", one.device(), (folder / "a.set").string()},
                      kReadSeconds + kWriteSeconds + kReadSeconds, rounds, false),
               plain[1]);
    const test::Simulator bus({"--line-pacing", "on", "--address", "00AB01,00AB02,00AB03", "--echo"});
    ReportEcho("  against plain",
               Report("site send, echoed", {"site", "send", manifest, "--port", bus.device()},
                      3 * (kReadSeconds + kWriteSeconds + kReadSeconds), rounds, false),
               plain[2]);
    return 0;
}
