// The command-line tool end to end: the built kavro-switch binary against
// its own virtual switch on a pseudo-terminal, the way a script uses it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What the tool may take of memory, whatever the line does; AddressSanitizer
// keeps shadow memory of its own on top.
#ifdef __SANITIZE_ADDRESS__
constexpr long kRssLimitKb = 80 * 1024;
#else
constexpr long kRssLimitKb = 30 * 1024;
#endif

struct Io {
    int in = -1, out = -1;                 // standard input and output, when not /dev/null and captured
    bool asNobody = false;                 // drop to an unprivileged user when root
    std::function<void(pid_t)> meanwhile;  // runs while the tool does
};

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
    double seconds = 0, cpuSeconds = 0;
    long maxRssKb = 0;
};

pid_t Spawn(std::vector<std::string> args, const Io& io, int out, int err) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const auto orNull = [](int fd) { return fd >= 0 ? fd : open("/dev/null", O_RDWR); };
    dup2(orNull(io.in), 0);
    dup2(orNull(io.out >= 0 ? io.out : out), 1);
    dup2(orNull(err), 2);
    if (io.asNobody && geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(98);
    }
    args.insert(args.begin(), KAVRO_SWITCH_BIN);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(97);
}

// What a program wrote into a temporary file.
std::string Written(std::FILE* file) { return test::ReadFile("/dev/fd/" + std::to_string(fileno(file))); }

Outcome Tool(const std::vector<std::string>& args, const Io& io = {}) {
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(args, io, fileno(out), fileno(err));
    if (io.meanwhile) io.meanwhile(pid);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    const auto seconds = [](timeval t) { return t.tv_sec + t.tv_usec / 1e6; };
    const Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Written(out), Written(err),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    seconds(use.ru_utime) + seconds(use.ru_stime), use.ru_maxrss};
    std::fclose(out);
    std::fclose(err);
    return r;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A run of the tool and what it says: a failure (status 2) on standard
// error, anything else on standard output.
struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string says;
    Io io = {};
};

Outcome Check(const Case& c) {
    const Outcome r = Tool(c.args, c.io);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_TRUE(Has(c.status == 2 ? r.err : r.out, c.says)) << c.name << "\nout: " << r.out << "\nerr: " << r.err;
    return r;
}

// `kavro-switch simulate` in the background, for the length of a test.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), "simulate");
        pid_ = Spawn(options, {}, fileno(out_), -1);
        for (int i = 0; i < 500 && !Has(Written(out_), "\n"); ++i) std::this_thread::sleep_for(10ms);
        const std::string text = Written(out_);
        device_ = text.substr(0, text.find('\n'));  // the first line is the device path
    }
    ~Simulator() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        std::fclose(out_);
    }
    const std::string& device() const { return device_; }

private:
    std::FILE* out_ = std::tmpfile();
    pid_t pid_ = -1;
    std::string device_;
};

// Each test runs the tool in a folder of its own.
class Cli : public ::testing::Test {
protected:
    Cli() {
        fs::permissions(dir.path(), fs::perms::all);  // the unprivileged rows work here too
        fs::current_path(dir.path());
    }
    ~Cli() override { fs::current_path(home); }

    // A file as a read of a switch would write it: every data box filled
    // the way the switch reports it, addresses in upper case.
    std::string Prepared(const std::string& name, int variant, const std::function<void(ConfigScreen&)>& tweak = {}) {
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
            if (c % 4 == 0) s.motorAddress[c].setText("A1B2C" + std::to_string(c));
            if (c % 4 == 2) s.sourceGroupAddress[c].setText("0102" + std::to_string(c) + "F");
        }
        s.ppMotorAddress.setText("00BEEF");
        s.switchAddress.setText("00ABCD");
        if (tweak) tweak(s);
        EXPECT_EQ(WriteConfigFile(dir / name, s).outcome, WriteOutcome::Written);
        return (dir / name).string();
    }

    const fs::path home = fs::current_path();
    test::TempFolder dir;
};

TEST_F(Cli, SendThenGetGivesTheSameFileByteForByte) {
    const std::string prepared = Prepared("prepared.set", 0), back = (dir / "back.set").string();
    Simulator sim({"--load", prepared, "--firmware", "3.7", "--line-pacing", "on"});
    ASSERT_FALSE(sim.device().empty());
    const Outcome got =
        Tool({"get", "--port=" + sim.device(), "--switch-address", "00ABCD", "-o", back, "--verbose", "--decode"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "Firmware version: 3.7\nSwitch address: 00ABCD\nSaved " + back + "\n");
    EXPECT_TRUE(Has(got.err, "<--80 F4 FF FE FF FF 00 AB CD")) << "frames on standard error, addressed";
    EXPECT_TRUE(Has(got.err, "   reply channel 1: On Press DOWN limit 00, On Hold STOP, On Release NONE; Specific"));

    const Outcome sent = Tool({"send", "--port", sim.device(), back});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.err, "") << "every frame answered";
    // The only difference: the tick that addressed the switch.
    EXPECT_EQ(Tool({"diff", prepared, back}).out, "Use Switch Address for Config: clear -> ticked\n");
    const Outcome again = Tool({"get", "--port", sim.device(), "--switch-address", "00ABCD", "-o", "-"});
    EXPECT_EQ(again.out, test::ReadFile(back)) << "-o - writes the file to standard output";
    EXPECT_TRUE(Has(again.err, "Firmware version: 3.7"));
}

// A write read back, and compare: what differs is named by channel in the
// switch's terms, source groups of "Src Group" channels included; a switch
// that keeps what it had in a channel is caught there.
TEST_F(Cli, SendVerifyAndCompareTellWhatTheSwitchHolds) {
    const std::string a = Prepared("a.set", 0), b = Prepared("b.set", 1);
    const std::string changed = Prepared("changed.set", 0, [](ConfigScreen& s) {
        s.sourceGroupAddress[2].setText("0A0B0C");  // channel 3 is in "Src Group"
    });
    Simulator faithful({}), forgetful({"--fault", "7D/3=keep-old"});
    const std::string port = faithful.device();
    const Case cases[] = {  // in this order, on one switch
        {"a faithful switch holds what was sent", {"send", "--verify", "--port", port, a}, 0, "; the switch holds it"},
        {"compare matches", {"compare", "--port", port, a}, 0, "Switch matches the file\n"},
        {"a source group differs", {"compare", "--port", port, changed}, 1,
         "Switch differs from the file\n  channel 3, source group address: the file says 0A0B0C, "
         "the switch holds 01022F\n"},
        {"another file sent", {"send", "--port", port, b}, 0, ""},
        {"a command differs", {"compare", "--port", port, a}, 1,
         "  channel 1, On Press command: the file says DOWN limit, the switch holds STOP\n"},
        {"a kept channel is caught", {"send", "--verify", "--port", forgetful.device(), a}, 2,
         "kavro-switch: channel 3, "},
    };
    Outcome last;
    for (const Case& c : cases) last = Check(c);
    EXPECT_FALSE(Has(last.err, "channel 2,")) << last.err;
}

// Three switches on one bus, each reached by its own address: written and
// verified, compared, backed up; one that does not answer fails alone.
TEST_F(Cli, AWholeSiteInOneRun) {
    for (const auto& [name, variant] : {std::pair{"hall.set", 0}, {"office.set", 2}, {"stairs.set", 5}})
        Prepared(name, variant);
    const std::string site = (dir / "site.csv").string();
    const auto manifest = [&](const std::string& second) {
        test::WriteFile(site, "# address, file, label\n00AB01, hall.set, Hall\n" + second +
                                  "\n\n00AB03, stairs.set, Stairs  # top floor\n");
        return site;
    };
    Simulator bus({"--address", "00AB01,00AB02,00AB03"});
    const Outcome sent = Tool({"site", "send", manifest("00ab02, office.set"), "--port", bus.device()});
    EXPECT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_EQ(std::count(sent.out.begin(), sent.out.end(), '\n'), 3 + 2 + 3) << sent.out;
    EXPECT_TRUE(Has(sent.out, "00AB02: written and verified\n"));
    EXPECT_TRUE(Has(sent.out, "00AB03   Stairs           ok"));
    EXPECT_EQ(Tool({"site", "compare", site, "--port", bus.device()}).status, 0);
    const Outcome backedUp = Tool({"site", "get", site, "--port", bus.device()});
    EXPECT_EQ(backedUp.status, 0) << backedUp.out;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3 + 1 + 3) << "a dated copy beside each file";

    const Outcome oneSilent = Tool({"site", "compare", manifest("00AB04, office.set, Gone"), "--port", bus.device()});
    EXPECT_EQ(oneSilent.status, 2);
    for (const char* line : {"00AB04 Gone: no switch answers on", "00AB01 Hall: matches its file",
                             "00AB03 Stairs: matches its file"})
        EXPECT_TRUE(Has(oneSilent.out, line)) << line;

    const Outcome bad = Tool({"site", "send", manifest("00AB0Z, office.set"), "--port", bus.device()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "site.csv:3: \"00AB0Z\" is not a switch address")) << bad.err;
    EXPECT_EQ(bad.out, "");
}

// What ends a read early: a switch that misbehaves, a port that cannot be
// had, a signal (128 + N; the port's line settings are put back), or a
// target refused before the line is touched (so at once, even on a silent
// line). The tool says what went wrong on one line, writes no file, and
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
    Simulator slow({"--fault", "*=trickle", "--line-pacing", "on"});
    const pid_t holder = Spawn({"get", "--port", slow.device(), "-o", "-"}, {}, -1, -1);
    std::this_thread::sleep_for(300ms);
    const std::vector<std::string> silent{"--fault", "*=silent"};
    struct Row {
        const char* name;
        std::vector<std::string> simulator;  // its options, for rows without a port of their own
        std::string port;
        int status;
        const char* says;
        std::string target = "out.set";
        bool force = false;
        double seconds = 60;
        int signal = 0;         // sent after 700 ms
        bool asNobody = false;  // on a port of mode 0600
    };
    const Row rows[] = {
        {"in use", {}, slow.device(), 2, "is in use by another program (kavro-switch, process"},
        {"silent", silent, "", 2, "no switch answers on", "out.set", false, 6},  // gave up after four queries
        {"cut short", {"--fault", "8D/3=cut:20"}, "", 2, "no answer for channel 3"},
        {"too long, judged on its frame", {"--fault", "8D/2=long"}, "", 0, ""},
        {"garbage ahead", {"--fault", "8D/4=garbage-before"}, "", 2, "no answer for channel 4"},
        {"trickle", {"--fault", "*=trickle"}, "", 0, ""},
        {"another channel's reply", {"--fault", "8D/3=channel-nine"}, "", 2, "channel 3 (the reply named channel 9)"},
        {"flood", {"--fault", "8C=flood"}, "", 2, "no answer for source groups"},
        {"unplugged", {"--fault", "8D/5=vanish"}, "", 2, "the port went away"},
        {.name = "no permission", .status = 2, .says = "not allowed to open it", .asNobody = true},
        {"missing", {}, "/dev/kavro-no-such-port", 2, "does not exist on this computer"},
        {"folder", {}, "/tmp", 2, "is not a serial port"},
        {"/dev/null", {}, "/dev/null", 2, "is not a serial port"},
        {.name = "SIGINT", .port = line, .status = 130, .says = "interrupted; nothing written", .signal = SIGINT},
        {.name = "SIGTERM", .port = line, .status = 143, .says = "interrupted; nothing written", .signal = SIGTERM},
        {"a missing folder", silent, "", 2, "does not exist", "none/x.set", false, 0.8},
        {"a dangling link", silent, "", 2, "is a link to nothing", "dangling.set", true, 0.8},
        {"a link, even forced", silent, "", 2, "is a link", "link.set", true, 0.8},
        {"a folder", silent, "", 2, "is a folder", "folder.set", true, 0.8},
        {"a device", silent, "", 2, "never replaced", "/dev/null", true, 0.8},
        {"an existing file", silent, "", 2, "--force replaces it", "kept.set", false, 0.8},
        {"a long name", {}, "", 0, "", std::string(243, 'n') + ".set"},
    };
    for (const Row& row : rows) {
        if (row.asNobody && geteuid() != 0) continue;  // only root can become another user here
        std::optional<Simulator> sim;
        if (row.port.empty()) sim.emplace(row.simulator);
        const std::string port = sim ? sim->device() : row.port;
        if (row.asNobody) chmod(port.c_str(), 0600);
        const bool existed = fs::exists(fs::symlink_status(row.target));
        std::vector<std::string> args{"get", "--port", port, "-o", row.target};
        if (row.force) args.push_back("--force");
        Io io{.asNobody = row.asNobody};
        if (row.signal) io.meanwhile = [&](pid_t pid) { std::this_thread::sleep_for(700ms), kill(pid, row.signal); };
        const Outcome r = Tool(args, io);
        EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err;
        EXPECT_TRUE(Has(r.err, row.says)) << row.name << ": " << r.err;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << row.name;
        EXPECT_LT(r.seconds, row.seconds) << row.name;
        EXPECT_LT(r.maxRssKb, kRssLimitKb) << row.name;
        EXPECT_LT(r.cpuSeconds, 0.1 * r.seconds + 0.15) << row.name;
        if (existed) continue;
        EXPECT_EQ(fs::exists(row.target), row.status == 0) << row.name;
        fs::remove(row.target);
    }
    EXPECT_EQ(test::ReadFile("kept.set"), "keep");
    EXPECT_FALSE(fs::exists("nowhere.set")) << "nothing written through a link";
    tcgetattr(kept, &after);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before)) << "line settings put back";
    EXPECT_EQ(after.c_cflag, before.c_cflag) << "line settings put back";
    kill(holder, SIGTERM);
    waitpid(holder, nullptr, 0);
    close(kept);
    close(master);
}

// The conventions a script relies on, a row each.
TEST_F(Cli, ScriptsCanTrustIt) {
    const auto motor = [](const char* text) { return [=](ConfigScreen& s) { s.motorAddress[0].setText(text); }; };
    const std::string a = Prepared("a.set", 0, motor("Caf\xE9" "0")), b = Prepared("b.set", 0, motor("Q\"\n0"));
    std::string bytes = test::ReadFile(a);
    bytes[128 + 2] = 25;  // record 2: command list position 25
    test::WriteFile("bad.set", bytes);
    Simulator sim({});
    int closedPipe[2];
    ASSERT_EQ(pipe(closedPipe), 0);
    close(closedPipe[0]);  // nobody reads
    const int fileIn = open(a.c_str(), O_RDONLY), full = open("/dev/full", O_WRONLY);
    const Case cases[] = {
        {"show --json prints UTF-8", {"show", "--json", a}, 0, "\"motorAddress\": \"Caf\xC3\xA9" "0\""},
        {"standard input as the file", {"show", "-"}, 0, "Caf\xC3\xA9", {.in = fileIn}},
        {"diff quotes texts on one line", {"diff", a, b}, 1,
         "Channel 1: Motor Address: \"Caf\xC3\xA9" "0\" -> \"Q\\\"\\n0\"\n"},
        {"--version anywhere", {"show", "--version"}, 0, "kavro-switch 3."},
        {"-V", {"-V"}, 0, "kavro-switch 3."},
        {"help COMMAND", {"help", "diff"}, 0, "kavro-switch diff A B"},
        {"ports lists the sixteen numbers", {"ports", "--json"}, 0, "{\"number\": 16, \"device\": "},
        {"ports lists the ones present", {"ports", "--json"}, 0, "\"present\": ["},
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
    for (const int fd : {fileIn, full, closedPipe[1]}) close(fd);
}

}  // namespace
}  // namespace kavro
