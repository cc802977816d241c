// The command-line tool end to end: the built kavro-switch binary against
// its own virtual switch on a pseudo-terminal, the way a script uses it.

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "support/tool_process.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Simulator;
using test::SpawnTool;
using test::Written;

// What the tool may take of memory, whatever the line does; AddressSanitizer
// keeps shadow memory of its own on top.
#ifdef __SANITIZE_ADDRESS__
constexpr long kRssLimitKb = 80 * 1024;
#else
constexpr long kRssLimitKb = 30 * 1024;
#endif

struct Io {
    int in = -1, out = -1;  // standard input and output, when not /dev/null and captured
    bool asNobody = false;  // drop to an unprivileged user when root
    int signal = 0;         // sent after 700 ms
};

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
    double seconds = 0, cpuSeconds = 0;
    long maxRssKb = 0;
};

Outcome Tool(const std::vector<std::string>& args, const Io& io = {}) {
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnTool(
        args, {.in = io.in, .out = io.out >= 0 ? io.out : fileno(out), .err = fileno(err), .asNobody = io.asNobody});
    if (io.signal) std::this_thread::sleep_for(700ms), kill(pid, io.signal);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    const auto seconds = [](timeval t) { return t.tv_sec + t.tv_usec / 1e6; };
    const Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Written(out), Written(err),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    seconds(use.ru_utime) + seconds(use.ru_stime), use.ru_maxrss};
    std::fclose(out), std::fclose(err);
    return r;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A run of the tool and what it says: a failure (status 2 or a signal's)
// on standard error, anything else on standard output.
struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string says;
    Io io = {};
    double seconds = 60;  // the longest it may take
};

Outcome Check(const Case& c) {
    const Outcome r = Tool(c.args, c.io);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_TRUE(Has(c.status >= 2 ? r.err : r.out, c.says)) << c.name << "\nout: " << r.out << "\nerr: " << r.err;
    return r;
}

// Each test runs the tool in a folder of its own, open to the unprivileged row too.
class Cli : public ::testing::Test {
protected:
    Cli() { fs::permissions(dir.path(), fs::perms::all), fs::current_path(dir.path()); }
    ~Cli() override { fs::current_path(home); }

    // A file as a read of a switch would write it: every data box filled
    // the way the switch reports it, addresses in upper case.
    std::string Prepared(const std::string& name, int variant, const std::string& motor1 = "A1B2C0") {
        ConfigScreen s;
        s.fillCommandLists();
        const int commands[kChannels] = {2, 7, 16, 1, 8, 15, 18, 12};
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                const int p = e == 0 ? (commands[c] + variant) % kCommandCount : (e == 1 ? 3 : 0);
                s.commands[EventIndex(c, e)].select(p);
                s.data[EventIndex(c, e)].setText(p == kAbsolutePosition ? "1234" : Hex(0x10 * c + e, 2));
            }
            s.lockPriority[c].setText(IsLockPosition(s.commands[EventIndex(c, 0)].selected()) ? Hex(c + 1, 2) : "00");
            const int boxes[] = {SpecificBox(c), PointToPointBox(c), SrcGroupBox(c), GroupBox(c)};
            s.destinationBoxes[boxes[c % 4]].setValue(1);
            s.seq[c].setValue(c % 3 == 0);
            if (c % 4 == 0) s.motorAddress[c].setText(c ? "A1B2C4" : motor1);
            if (c % 4 == 2) s.sourceGroupAddress[c].setText("0102" + std::to_string(c) + "F");
        }
        s.ppMotorAddress.setText("00BEEF"), s.switchAddress.setText("00ABCD");
        EXPECT_EQ(WriteConfigFile(dir / name, s).outcome, WriteOutcome::Written);
        return name;
    }

    const fs::path home = fs::current_path();
    test::TempFolder dir;
};

// Send, verify, compare: what differs is named by channel in the switch's
// terms, a channel the switch kept is caught; a read gives the file sent,
// byte for byte, and with --verbose --decode tells its frames.
TEST_F(Cli, SendVerifyAndCompareTellWhatTheSwitchHolds) {
    const std::string a = Prepared("a.set", 0), b = Prepared("b.set", 1);
    Simulator faithful({"--firmware", "3.7"}), forgetful({"--fault", "7D/3=keep-old"});
    const std::string port = faithful.device();
    const Case cases[] = {  // in this order, on one switch
        {"a faithful switch holds what was sent", {"send", "--verify", "--port", port, a}, 0, "; the switch holds it"},
        {"compare matches", {"compare", "--port", port, a}, 0, "Switch matches the file\n"},
        {"another file sent", {"send", "--port", port, b}, 0, ""},
        {"a command differs", {"compare", "--port", port, a}, 1,
         "\n  channel 1, On Press command: the file says DOWN limit, the switch holds STOP\n"},
        {"another address", {"compare", "--port", port, "--switch-address", "00abce", a}, 2, "no switch answers"},
        {"a send nobody hears", {"send", "--port", port, "--switch-address", "00abce", a}, 2, "any of the 10 frames"},
        {"a kept channel", {"send", "--verify", "--port", forgetful.device(), a}, 2, "kavro-switch: channel 3, "},
    };
    for (const Case& c : cases) Check(c);
    const Outcome got = Tool({"get", "--port=" + port, "-o", "-", "--verbose", "--decode"});
    EXPECT_EQ(got.out, test::ReadFile(b)) << "the file sent, byte for byte, on standard output";
    EXPECT_TRUE(Has(got.err, "Firmware version: 3.7") && Has(got.err, "<--80 F4 FF FE FF FF FF FF FF 08")) << got.err;
    EXPECT_TRUE(Has(got.err, "   reply channel 1: On Press STOP, On Hold STOP, On Release NONE; Specific"));
}

// Three switches on one bus, each reached by its own address: written and
// verified, compared, backed up; one that does not answer fails alone.
TEST_F(Cli, AWholeSiteInOneRun) {
    Prepared("hall.set", 0), Prepared("office.set", 2), Prepared("stairs.set", 5);
    Simulator bus({"--address", "00AB01,00AB02,00AB03"});
    const auto site = [&](const char* command, const std::string& second) {
        test::WriteFile("site.csv", "# address, file, label\n00AB01, hall.set, Hall\n" + second +
                                        "\n\n00AB03, stairs.set, Stairs  # top floor\n");
        return Tool({"site", command, "site.csv", "--port", bus.device()});
    };
    const Outcome sent = site("send", "00ab02, office.set"), compared = site("compare", "00AB02, office.set"),
                  backedUp = site("get", "00AB02, office.set"), oneSilent = site("compare", "00AB04, office.set, Gone"),
                  bad = site("send", "00AB0Z, office.set");
    for (const Outcome* r : {&sent, &compared, &backedUp}) EXPECT_EQ(r->status, 0) << r->out << r->err;
    EXPECT_TRUE(Has(sent.out, "00AB02: written and verified\n") && Has(sent.out, "00AB03   Stairs           ok"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3 + 1 + 3) << "a dated copy beside each file";
    EXPECT_TRUE(oneSilent.status == 2 && Has(oneSilent.out, "00AB04 Gone: no switch answers on") &&
                Has(oneSilent.out, "00AB03 Stairs: matches its file")) << oneSilent.out;
    EXPECT_TRUE(bad.status == 2 && Has(bad.err, "site.csv:3: \"00AB0Z\" is not a switch address") && bad.out.empty())
        << bad.err;
}

// What ends a read early: a switch that misbehaves (each reply fault is in
// transfer_scenarios.cpp), a port that cannot be had, a signal (128 + N; the
// line settings are put back), or a target refused before the line is
// touched, so at once. The tool says so on one line, writes no file, and
// never grows or spins on a line that floods it.
TEST_F(Cli, FaultMatrix) {
    test::WriteFile("kept.set", "keep");
    fs::create_symlink("nowhere.set", "dangling.set");
    fs::create_symlink("kept.set", "link.set");
    fs::create_directories("folder.set");
    const int master = posix_openpt(O_RDWR | O_NOCTTY);  // a line where nothing answers
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string line = ptsname(master);
    const int kept = open(line.c_str(), O_RDWR | O_NOCTTY);  // keeps the settings while the tool comes and goes
    termios before{}, after{};
    tcgetattr(kept, &before);
    Simulator slow({"--fault", "*=trickle", "--line-pacing", "on"}), flood({"--fault", "8C=flood"}),
        vanish({"--fault", "8F=vanish"}), good({});
    const pid_t holder = SpawnTool({"get", "--port", slow.device(), "-o", "-"}, {});
    std::this_thread::sleep_for(300ms);
    const auto get = [](const std::string& port, const std::string& target = "out.set") {
        return std::vector<std::string>{"get", "--port", port, "-o", target, "--force"};
    };
    const Case rows[] = {
        {"in use", get(slow.device()), 2, "is in use by another program (kavro-switch get --port"},
        {"silent", get(line), 2, "no switch answers on", {}, 6},  // gave up after four queries
        {"flood", get(flood.device()), 2, "no answer for source groups"},
        {"unplugged", get(vanish.device()), 2, "the port went away"},
        {"no permission", get(good.device()), 2, "not allowed to open it", {.asNobody = true}},  // on mode 0600
        {"missing", get("/dev/kavro-no-such-port"), 2, "does not exist on this computer"},
        {"folder", get("/tmp"), 2, "is not a serial port"},
        {"/dev/null", get("/dev/null"), 2, "is not a serial port"},
        {"SIGINT", get(line), 130, "interrupted; nothing written", {.signal = SIGINT}},
        {"SIGTERM", get(line), 143, "interrupted; nothing written", {.signal = SIGTERM}},
        {"a missing folder", get(line, "none/x.set"), 2, "does not exist", {}, 0.8},
        {"a dangling link", get(line, "dangling.set"), 2, "is a link to nothing", {}, 0.8},
        {"a link, even forced", get(line, "link.set"), 2, "is a link", {}, 0.8},
        {"a folder", get(line, "folder.set"), 2, "is a folder", {}, 0.8},
        {"a device", get(line, "/dev/null"), 2, "never replaced", {}, 0.8},
        {"an existing file", {"get", "--port", line, "-o", "kept.set"}, 2, "--force replaces it", {}, 0.8},
        {"a long name", get(good.device(), std::string(243, 'n') + ".set"), 0, ""},
    };
    for (const Case& row : rows) {
        if (row.io.asNobody && (geteuid() != 0 || chmod(row.args[2].c_str(), 0600) != 0)) continue;  // root only
        const std::string& target = row.args[4];
        const bool existed = fs::exists(fs::symlink_status(target));
        const Outcome r = Check(row);
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << row.name;
        EXPECT_LT(r.seconds, row.seconds) << row.name;
        EXPECT_LT(r.maxRssKb, kRssLimitKb) << row.name;
        EXPECT_LT(r.cpuSeconds, 0.1 * r.seconds + 0.15) << row.name;
        EXPECT_FALSE(Has(r.out, "000000")) << row.name << ": a switch address never read is not printed as one";
        if (existed) continue;
        EXPECT_EQ(fs::exists(target), row.status == 0) << row.name;
        fs::remove(target);
    }
    EXPECT_EQ(test::ReadFile("kept.set"), "keep");
    EXPECT_FALSE(fs::exists("nowhere.set")) << "nothing written through a link";
    tcgetattr(kept, &after);
    EXPECT_TRUE(cfgetospeed(&after) == cfgetospeed(&before) && after.c_cflag == before.c_cflag) << "settings put back";
    kill(holder, SIGKILL), waitpid(holder, nullptr, 0);
    Check({"the simulator serves again after its client was killed", get(slow.device()), 0, "Saved out.set"});
    close(kept), close(master);
}

// The conventions a script relies on, a row each.
TEST_F(Cli, ScriptsCanTrustIt) {
    const std::string a = Prepared("a.set", 0, "Caf\xE9" "0"), b = Prepared("b.set", 0, "Q\"\n0");
    test::WriteFile("bad.set", test::ReadFile(a).replace(128 + 2, 1, 1, 25));  // record 2: command list position 25
    Simulator sim({});
    int closedPipe[2];
    ASSERT_TRUE(pipe(closedPipe) == 0 && close(closedPipe[0]) == 0);  // nobody reads
    const int fileIn = open(a.c_str(), O_RDONLY), full = open("/dev/full", O_WRONLY);
    const Case cases[] = {
        {"show --json prints UTF-8", {"show", "--json", a}, 0, "\"motorAddress\": \"Caf\xC3\xA9" "0\""},
        {"standard input as the file", {"show", "-"}, 0, "Caf\xC3\xA9", {.in = fileIn}},
        {"diff quotes texts on one line", {"diff", a, b}, 1,
         "Channel 1: Motor Address: \"Caf\xC3\xA9" "0\" -> \"Q\\\"\\n0\"\n"},
        {"--version anywhere", {"show", "--version"}, 0, "kavro-switch 3."},
        {"ports lists the sixteen numbers", {"ports", "--json"}, 0, "{\"number\": 16, \"device\": "},
        {"-- ends the options", {"show", "--", "--json"}, 2, "--json: no such file"},
        {"an extra argument is an error", {"show", a, a}, 2, "unexpected argument"},
        {"an unknown option is an error", {"get", "--bogus"}, 2, "unknown option --bogus"},
        {"an option without its value is an error", {"get", "--port"}, 2, "--port needs a value"},
        {"a missing operand is an error", {"diff", a}, 2, "diff needs"},
        {"an unknown command is an error", {"fetch"}, 2, "unknown command \"fetch\""},
        {"a value import refuses is named as such", {"diff", a, "bad.set"}, 2, "holds 25, which import refuses"},
        {"a full disk fails the command", {"show", a}, 2, "standard output cannot be written", {.out = full}},
        {"a reader that went away fails the read", {"get", "--port", sim.device(), "-o", "-"}, 2,
         "standard output cannot be written", {.out = closedPipe[1]}},
    };
    for (const Case& c : cases) Check(c);
    close(fileIn), close(full), close(closedPipe[1]);
}

}  // namespace
}  // namespace kavro
