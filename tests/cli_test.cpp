// The command-line tool end to end: the built kavro-switch binary against
// its own virtual switch on a pseudo-terminal, the way a script uses it.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What the tool may take of memory, whatever the line does; AddressSanitizer
// keeps shadow memory of its own on top.
#ifdef __SANITIZE_ADDRESS__
constexpr long kRssLimitKb = 80 * 1024;
#else
constexpr long kRssLimitKb = 30 * 1024;
#endif

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
    double seconds = 0, cpuSeconds = 0;
    long maxRssKb = 0;
};

struct RunOptions {
    int in = -1;             // standard input (default: /dev/null)
    int out = -1;            // standard output (default: captured)
    std::string cwd;
    bool asNobody = false;   // drop to an unprivileged user when root
    std::function<void(pid_t)> whileRunning;
};

std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

pid_t Start(const std::vector<std::string>& args, const RunOptions& o, int& outFd, int& errFd) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(o.in >= 0 ? o.in : open("/dev/null", O_RDONLY), 0);
        dup2(o.out >= 0 ? o.out : out[1], 1);
        dup2(err[1], 2);
        if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(99);
        if (o.asNobody && geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(98);
        }
        std::vector<std::string> all{KAVRO_SWITCH_BIN};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(97);
    }
    close(out[1]);
    close(err[1]);
    outFd = out[0];
    errFd = err[0];
    return pid;
}

Outcome Tool(const std::vector<std::string>& args, const RunOptions& options = {}) {
    Outcome r;
    int out, err;
    const auto start = Clock::now();
    const pid_t pid = Start(args, options, out, err);
    if (options.whileRunning) options.whileRunning(pid);
    std::thread errReader([&] { r.err = Drain(err); });
    r.out = Drain(out);
    errReader.join();
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.maxRssKb = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

// `kavro-switch simulate` in the background, for the length of a test.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), "simulate");
        pid_ = Start(options, {}, out_, err_);
        std::string line;  // the first line is the device path
        char c;
        pollfd p{out_, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
        device_ = line;
    }
    ~Simulator() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(out_);
        close(err_);
    }
    const std::string& device() const { return device_; }

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string device_;
};

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Cli : public ::testing::Test {
protected:
    Cli() {
        dir = fs::temp_directory_path() /
              ("kavro-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::all);  // the unprivileged rows work here too
    }
    ~Cli() override { fs::remove_all(dir); }

    // A file as a read of a switch would write it: every data box filled
    // the way the switch reports it, addresses in upper case.
    fs::path Prepared(const std::string& name, int variant, const std::string& motor = "A1B2C") {
        ConfigScreen s;
        s.fillCommandLists();
        const int commands[8] = {2, 7, 16, 1, 8, 15, 18, 12};
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                const int i = EventIndex(c, e);
                const int p = e == 0 ? (commands[c] + variant) % kCommandCount : (e == 1 ? 3 : 0);
                s.commands[i].select(p);
                s.data[i].setText(p == kAbsolutePosition ? "1234" : Hex(0x10 * c + e, 2));
            }
            const bool lock = IsLockPosition(s.commands[EventIndex(c, 0)].selected());
            s.lockPriority[c].setText(lock ? Hex(c + 1, 2) : "00");
            s.destinationBoxes[c % 4 == 0 ? SpecificBox(c) : c % 4 == 1 ? PointToPointBox(c) : c % 4 == 2 ? SrcGroupBox(c)
                                                                                                 : GroupBox(c)]
                .setValue(1);
            s.seq[c].setValue(c % 3 == 0);
            if (c % 4 == 0) s.motorAddress[c].setText(motor + std::to_string(c));
            if (c % 4 == 2) s.sourceGroupAddress[c].setText("0102" + std::to_string(c) + "F");
        }
        s.ppMotorAddress.setText("00BEEF");
        s.switchAddress.setText("00ABCD");
        const fs::path p = dir / name;
        EXPECT_EQ(WriteConfigFile(p, s).outcome, WriteOutcome::Written);
        return p;
    }

    fs::path dir;
};

TEST_F(Cli, SendThenGetGivesTheSameFileByteForByte) {
    const fs::path prepared = Prepared("prepared.set", 0);
    Simulator sim({"--load", prepared.string(), "--firmware", "3.7", "--line-pacing", "on"});
    ASSERT_FALSE(sim.device().empty());
    const Outcome got = Tool({"get", "--port=" + sim.device(), "--switch-address", "00ABCD", "-o",
                              (dir / "back.set").string(), "--verbose", "--decode"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "Firmware version: 3.7\nSwitch address: 00ABCD\nSaved " + (dir / "back.set").string() + "\n");
    EXPECT_TRUE(Has(got.err, "<--80 F4 FF FE FF FF 00 AB CD")) << "frames on standard error, addressed";
    EXPECT_TRUE(Has(got.err, "   reply channel 1: On Press DOWN limit 00, On Hold STOP, On Release NONE; Specific"));

    const Outcome sent = Tool({"send", "--port", sim.device(), (dir / "back.set").string()});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.err, "") << "every frame answered";
    // The only difference: the tick that addressed the switch.
    EXPECT_EQ(Tool({"diff", prepared.string(), (dir / "back.set").string()}).out,
              "Use Switch Address for Config: clear -> ticked\n");
    const Outcome again = Tool({"get", "--port", sim.device(), "--switch-address", "00ABCD", "-o", "-"});
    EXPECT_EQ(again.out, Read(dir / "back.set")) << "-o - writes the file to standard output";
    EXPECT_TRUE(Has(again.err, "Firmware version: 3.7"));
}

TEST_F(Cli, CompareMatchesThenNotAfterTheSwitchChanged) {
    Simulator sim({});
    const fs::path a = Prepared("a.set", 0), b = Prepared("b.set", 1);
    ASSERT_EQ(Tool({"send", "--port", sim.device(), a.string()}).status, 0);
    const Outcome same = Tool({"compare", "--port", sim.device(), a.string()});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "Switch matches the file\n");

    ASSERT_EQ(Tool({"send", "--port", sim.device(), b.string()}).status, 0);
    const Outcome changed = Tool({"compare", "--port", sim.device(), a.string()});
    EXPECT_EQ(changed.status, 1);
    EXPECT_TRUE(Has(changed.out, "Switch differs from the file\n"));
    EXPECT_TRUE(Has(changed.out, "  channel 1, On Press command: the file says DOWN limit, the switch holds STOP\n"))
        << changed.out;
    EXPECT_EQ(Tool({"diff", a.string(), b.string()}).status, 1);
}

// A write read back: a faithful switch holds the file; one that keeps what
// it had in a channel is named by channel. compare speaks of the switch,
// source groups of "Src Group" channels included.
TEST_F(Cli, SendVerifyAndCompareTellWhatTheSwitchHolds) {
    const fs::path a = Prepared("a.set", 0);
    const fs::path changed = dir / "changed.set";
    {
        ConfigScreen s;
        s.fillCommandLists();
        ASSERT_EQ(LoadConfigFile(a, s), LoadOutcome::Loaded);
        s.sourceGroupAddress[2].setText("0A0B0C");  // channel 3 is in "Src Group"
        ASSERT_EQ(WriteConfigFile(changed, s).outcome, WriteOutcome::Written);
    }
    Simulator faithful({});
    const Outcome verified = Tool({"send", "--verify", "--port", faithful.device(), a.string()});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_TRUE(Has(verified.out, "; the switch holds it"));
    const Outcome differs = Tool({"compare", "--port", faithful.device(), changed.string()});
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(differs.out, "Switch differs from the file\n  channel 3, source group address: the file says 0A0B0C, "
                           "the switch holds 01022F\n");

    Simulator forgetful({"--fault", "7D/3=keep-old"});
    const Outcome caught = Tool({"send", "--verify", "--port", forgetful.device(), a.string()});
    EXPECT_EQ(caught.status, 2);
    EXPECT_TRUE(Has(caught.err, "kavro-switch: channel 3, ")) << caught.err;
    EXPECT_FALSE(Has(caught.err, "channel 2,")) << caught.err;
}

// Three switches on one bus, each reached by its own address: written and
// verified, compared, backed up; one that does not answer fails alone.
TEST_F(Cli, AWholeSiteInOneRun) {
    Prepared("hall.set", 0);
    Prepared("office.set", 2);
    Prepared("stairs.set", 5);
    auto manifest = [&](const std::string& second) {
        std::ofstream(dir / "site.csv") << "# address, file, label\n00AB01, hall.set, Hall\n" << second
                                        << "\n\n00AB03, stairs.set, Stairs  # top floor\n";
        return (dir / "site.csv").string();
    };
    Simulator bus({"--address", "00AB01,00AB02,00AB03"});
    const std::string site = manifest("00ab02, office.set");
    const Outcome sent = Tool({"site", "send", site, "--port", bus.device()});
    EXPECT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_EQ(std::count(sent.out.begin(), sent.out.end(), '\n'), 3 + 2 + 3) << sent.out;
    EXPECT_TRUE(Has(sent.out, "00AB02: written and verified\n"));
    EXPECT_TRUE(Has(sent.out, "00AB03   Stairs           ok"));
    EXPECT_EQ(Tool({"site", "compare", site, "--port", bus.device()}).status, 0);
    const Outcome backedUp = Tool({"site", "get", site, "--port", bus.device()});
    EXPECT_EQ(backedUp.status, 0) << backedUp.out;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3 + 1 + 3) << "a dated copy beside each file";

    const Outcome oneSilent = Tool({"site", "compare", manifest("00AB04, office.set, Gone"), "--port", bus.device()});
    EXPECT_EQ(oneSilent.status, 2);
    EXPECT_TRUE(Has(oneSilent.out, "00AB04 Gone: no switch answers on"));
    EXPECT_TRUE(Has(oneSilent.out, "00AB01 Hall: matches its file"));
    EXPECT_TRUE(Has(oneSilent.out, "00AB03 Stairs: matches its file"));

    const Outcome bad = Tool({"site", "send", manifest("00AB0Z, office.set"), "--port", bus.device()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "site.csv:3: \"00AB0Z\" is not a switch address")) << bad.err;
    EXPECT_EQ(bad.out, "");
}

// What a hostile line does to a read: each row a switch that misbehaves,
// or a port that cannot be had. The tool says what went wrong on one line,
// writes no file, and never grows or spins on a line that floods it.
TEST_F(Cli, FaultMatrix) {
    struct Row {
        const char* name;
        std::vector<std::string> simulator;  // empty: no simulator, port below
        std::string port;                    // for rows without a simulator
        int status;
        const char* says;
        bool asNobody = false;
    };
    const std::vector<Row> rows{
        {"silent", {"--fault", "*=silent"}, "", 2, "no switch answers on"},
        {"cut short", {"--fault", "8D/3=cut:20"}, "", 2, "no answer for channel 3"},
        {"too long, judged on its frame", {"--fault", "8D/2=long"}, "", 0, ""},
        {"garbage ahead", {"--fault", "8D/4=garbage-before"}, "", 2, "no answer for channel 4"},
        {"trickle", {"--fault", "*=trickle"}, "", 0, ""},
        {"bad checksum", {"--fault", "80=bad-checksum"}, "", 2, "no answer for firmware version"},
        {"wrong length", {"--fault", "8C=wrong-length"}, "", 2, "no answer for source groups"},
        {"another channel's reply", {"--fault", "8D/3=channel-nine"}, "", 2,
         "channel 3 (the reply named channel 9)"},
        {"flood", {"--fault", "8C=flood"}, "", 2, "no answer for source groups"},
        {"unplugged", {"--fault", "8D/5=vanish"}, "", 2, "the port went away"},
        {"missing", {}, "/dev/kavro-no-such-port", 2, "does not exist on this computer"},
        {"no permission", {}, "PTY-0600", 2, "not allowed to open it", true},
        {"folder", {}, "/tmp", 2, "is not a serial port"},
        {"/dev/null", {}, "/dev/null", 2, "is not a serial port"},
    };
    for (const Row& row : rows) {
        if (row.asNobody && geteuid() != 0) continue;  // only root can become another user here
        std::unique_ptr<Simulator> sim;
        std::string port = row.port;
        if (!row.simulator.empty() || port == "PTY-0600") {
            sim = std::make_unique<Simulator>(row.simulator);
            port = sim->device();
            if (row.port == "PTY-0600") chmod(port.c_str(), 0600);
        }
        const fs::path out = dir / "out.set";
        RunOptions options;
        options.asNobody = row.asNobody;
        options.cwd = dir.string();  // the port is found by its path, whatever the working folder
        const Outcome r = Tool({"get", "--port", port, "-o", out.string()}, options);
        EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err;
        EXPECT_TRUE(Has(r.err, row.says)) << row.name << ": " << r.err;
        EXPECT_EQ(fs::exists(out), row.status == 0) << row.name;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << row.name;
        EXPECT_LT(r.maxRssKb, kRssLimitKb) << row.name;
        EXPECT_LT(r.cpuSeconds, 0.1 * r.seconds + 0.15) << row.name;
        if (std::string(row.name) == "silent") {
            EXPECT_LT(r.seconds, 6) << "gave up after four queries";
        }
        fs::remove(out);
    }
}

TEST_F(Cli, APortHeldByAnotherProgramIsNamed) {
    Simulator sim({"--fault", "*=trickle", "--line-pacing", "on"});
    RunOptions holder;
    Outcome busy;
    holder.whileRunning = [&](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        busy = Tool({"get", "--port", sim.device(), "-o", "-"});
        kill(pid, SIGTERM);
    };
    Tool({"get", "--port", sim.device(), "-o", (dir / "first.set").string()}, holder);
    EXPECT_EQ(busy.status, 2);
    EXPECT_TRUE(Has(busy.err, "is in use by another program (kavro-switch, process")) << busy.err;
}

// Checks that need no switch: they come before the line is touched, so
// they fail at once even on a silent line.
TEST_F(Cli, OutputIsCheckedBeforeTheRead) {
    Simulator silent({"--fault", "*=silent"});
    std::ofstream(dir / "kept.set") << "keep";
    fs::create_symlink(dir / "nowhere.set", dir / "dangling.set");
    fs::create_symlink(dir / "kept.set", dir / "link.set");
    fs::create_directories(dir / "folder.set");
    const std::string longName = (dir / (std::string(243, 'n') + ".set")).string();
    struct Row {
        const char* name;
        std::string target;
        bool force;
        const char* says;
    };
    for (const Row& row : {Row{"a missing folder", (dir / "none" / "x.set").string(), false, "does not exist"},
                           Row{"a dangling link", (dir / "dangling.set").string(), true, "is a link to nothing"},
                           Row{"a link, even forced", (dir / "link.set").string(), true, "is a link"},
                           Row{"a folder", (dir / "folder.set").string(), true, "is a folder"},
                           Row{"a device", "/dev/null", true, "never replaced"},
                           Row{"an existing file", (dir / "kept.set").string(), false, "--force replaces it"}}) {
        std::vector<std::string> args{"get", "--port", silent.device(), "-o", row.target};
        if (row.force) args.push_back("--force");
        const Outcome r = Tool(args);
        EXPECT_EQ(r.status, 2) << row.name;
        EXPECT_TRUE(Has(r.err, row.says)) << row.name << ": " << r.err;
        EXPECT_LT(r.seconds, 0.8) << row.name;
    }
    EXPECT_EQ(Read(dir / "kept.set"), "keep");

    Simulator sim({});
    const Outcome longOne = Tool({"get", "--port", sim.device(), "-o", longName});
    EXPECT_EQ(longOne.status, 0) << longOne.err;
    EXPECT_TRUE(fs::exists(longName));
}

// SIGINT and SIGTERM end the read at its next exchange; a reader that
// went away fails the write. Each time the port's line settings are back
// as they were, and no file is left.
TEST_F(Cli, SignalsAndClosedPipesLeaveThePortAsItWas) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string line = ptsname(master);
    const int held = open(line.c_str(), O_RDWR | O_NOCTTY);  // keeps the settings while the tool comes and goes
    termios before{};
    tcgetattr(held, &before);
    const fs::path out = dir / "never.set";
    struct Row {
        const char* name;
        int signal;
        int status;
    };
    for (const Row& row : {Row{"SIGINT", SIGINT, 130}, Row{"SIGTERM", SIGTERM, 143}}) {
        RunOptions options;
        options.whileRunning = [&](pid_t pid) {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            kill(pid, row.signal);
        };
        const Outcome r = Tool({"get", "--port", line, "-o", out.string()}, options);
        EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err;
        EXPECT_TRUE(Has(r.err, "interrupted; nothing written")) << row.name;
        termios after{};
        tcgetattr(held, &after);
        EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before)) << row.name;
        EXPECT_EQ(after.c_cflag, before.c_cflag) << row.name;
    }
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]);  // nobody reads
    Simulator sim({});
    RunOptions closedPipe;
    closedPipe.out = pipeFds[1];
    const Outcome r = Tool({"get", "--port", sim.device(), "-o", "-"}, closedPipe);
    close(pipeFds[1]);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Has(r.err, "standard output cannot be written")) << r.err;
    EXPECT_FALSE(fs::exists(out));
    close(held);
    close(master);
}

// The conventions a script relies on, a row each.
TEST_F(Cli, ScriptsCanTrustIt) {
    const fs::path a = Prepared("a.set", 0, "Caf\xE9");
    const fs::path b = Prepared("b.set", 0, "Q\"\n");
    const int fileIn = open(a.c_str(), O_RDONLY);
    RunOptions fromFile;
    fromFile.in = fileIn;
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::function<bool(const Outcome&)> holds;
        RunOptions options = {};
    };
    const std::vector<Row> rows{
        {"show --json prints UTF-8", {"show", "--json", a.string()}, 0,
         [](const Outcome& r) { return Has(r.out, "\"motorAddress\": \"Caf\xC3\xA9" "0\""); }},
        {"standard input as the file", {"show", "-"}, 0, [](const Outcome& r) { return Has(r.out, "Caf\xC3\xA9"); },
         fromFile},
        {"diff quotes texts on one line", {"diff", a.string(), b.string()}, 1,
         [](const Outcome& r) { return Has(r.out, "Channel 1: Motor Address: \"Caf\xC3\xA9" "0\" -> \"Q\\\"\\n0\"\n"); }},
        {"--version anywhere", {"show", "--version"}, 0, [](const Outcome& r) { return Has(r.out, "kavro-switch 3."); }},
        {"-V", {"-V"}, 0, [](const Outcome& r) { return Has(r.out, "kavro-switch 3."); }},
        {"help COMMAND", {"help", "diff"}, 0, [](const Outcome& r) { return Has(r.out, "kavro-switch diff A B"); }},
        {"ports lists the sixteen numbers", {"ports", "--json"}, 0,
         [](const Outcome& r) { return Has(r.out, "{\"number\": 16, \"device\": ") && Has(r.out, "\"present\": ["); }},
        {"-- ends the options", {"show", "--", "--json"}, 2, [](const Outcome& r) { return Has(r.err, "--json: no such file"); }},
        {"an extra argument is an error", {"show", a.string(), a.string()}, 2,
         [](const Outcome& r) { return Has(r.err, "unexpected argument"); }},
        {"an unknown option is an error", {"get", "--bogus"}, 2, [](const Outcome& r) { return Has(r.err, "unknown option --bogus"); }},
        {"a full disk fails the command", {"show", a.string()}, 2,
         [](const Outcome& r) { return Has(r.err, "standard output cannot be written"); }},
    };
    const int full = open("/dev/full", O_WRONLY);
    for (Row row : rows) {
        if (std::string(row.name) == "a full disk fails the command") row.options.out = full;
        if (row.options.in >= 0) lseek(row.options.in, 0, SEEK_SET);
        const Outcome r = Tool(row.args, row.options);
        EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err;
        EXPECT_TRUE(row.holds(r)) << row.name << "\nout: " << r.out << "\nerr: " << r.err;
    }
    close(full);
    close(fileIn);

    // A value import refuses is named as such.
    std::string bytes = Read(a);
    bytes[128 + 2] = 25;  // record 2: command list position 25
    std::ofstream(dir / "bad.set", std::ios::binary) << bytes;
    const Outcome refused = Tool({"diff", a.string(), (dir / "bad.set").string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(Has(refused.err, "holds 25, which import refuses")) << refused.err;
}

}  // namespace
}  // namespace kavro
