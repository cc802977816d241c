// The command-line tool end to end: the built kavro-switch binary against
// its own virtual switch on a pseudo-terminal.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"

extern char** environ;

namespace kavro {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Starts the tool with its output on pipes.
pid_t Spawn(const std::vector<std::string>& args, int& outFd, int& errFd) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> all{KAVRO_SWITCH_BIN};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    outFd = out[0];
    errFd = err[0];
    return pid;
}

std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

Outcome Tool(const std::vector<std::string>& args) {
    Outcome r;
    int out, err;
    const pid_t pid = Spawn(args, out, err);
    r.out = Drain(out);
    r.err = Drain(err);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// `kavro-switch simulate` in the background, for the length of a test.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), "simulate");
        pid_ = Spawn(options, out_, err_);
        // The first line is the device path.
        std::string line;
        char c;
        pollfd p{out_, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
        device_ = line;
    }
    ~Simulator() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
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

class Cli : public ::testing::Test {
protected:
    Cli() {
        dir = fs::temp_directory_path() /
              ("kavro-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Cli() override { fs::remove_all(dir); }

    // A file as a read of a switch would write it: every data box filled
    // the way the switch reports it, addresses in upper case.
    fs::path Prepared(const std::string& name, int variant) {
        ConfigScreen s;
        s.FillCommandLists();
        const int commands[8] = {2, 7, 16, 1, 8, 15, 18, 12};
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                const int i = EventIndex(c, e);
                const int p = e == 0 ? (commands[c] + variant) % kCommandCount : (e == 1 ? 3 : 0);
                s.Combo1[i].setListIndex(p);
                s.SW_Data[i].setText(p == kAbsolutePosition ? "1234" : HexText(0x10 * c + e, 2));
            }
            const bool lock = IsLockPosition(s.Combo1[EventIndex(c, 0)].listIndex());
            s.PRI[c].setText(lock ? HexText(c + 1, 2) : "00");
            s.Check1[c % 4 == 0 ? SpecificBox(c) : c % 4 == 1 ? PointToPointBox(c) : c % 4 == 2 ? SrcGroupBox(c)
                                                                                                 : GroupBox(c)]
                .setValue(1);
            s.Check3[c].setValue(c % 3 == 0);
            if (c % 4 == 0) s.SpecAddr[c].setText("A1B2C" + std::to_string(c));
            if (c % 4 == 2) s.SwSrcGroup[c].setText("0102" + std::to_string(c) + "F");
        }
        s.ADDR[1].setText("00BEEF");
        s.ADDR[3].setText("00ABCD");
        const fs::path p = dir / name;
        EXPECT_EQ(WriteConfigFile(p, s).outcome, WriteOutcome::Written);
        return p;
    }

    fs::path dir;
};

TEST_F(Cli, SendThenGetGivesTheSameFile) {
    Simulator sim({});
    ASSERT_FALSE(sim.device().empty());
    const fs::path prepared = Prepared("prepared.set", 0);
    const Outcome sent = Tool({"send", "--port", sim.device(), prepared.string()});
    EXPECT_EQ(sent.status, 0) << sent.err;
    const Outcome got = Tool({"get", "--port", sim.device(), "-o", (dir / "back.set").string()});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_NE(got.out.find("Firmware version: 2.14"), std::string::npos);
    EXPECT_NE(got.out.find("Switch address: 00ABCD"), std::string::npos);  // taken from the file
    const Outcome diff = Tool({"diff", prepared.string(), (dir / "back.set").string()});
    EXPECT_EQ(diff.status, 0) << diff.out;
    EXPECT_EQ(diff.out, "");
    EXPECT_EQ(Read(prepared), Read(dir / "back.set"));  // byte for byte
}

TEST_F(Cli, CompareMatchesThenNotAfterTheSwitchChanged) {
    Simulator sim({});
    const fs::path a = Prepared("a.set", 0), b = Prepared("b.set", 1);
    ASSERT_EQ(Tool({"send", "--port", sim.device(), a.string()}).status, 0);
    const Outcome same = Tool({"compare", "--port", sim.device(), a.string()});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_NE(same.out.find("File is identical to screen"), std::string::npos);

    ASSERT_EQ(Tool({"send", "--port", sim.device(), b.string()}).status, 0);
    const Outcome changed = Tool({"compare", "--port", sim.device(), a.string()});
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.out.find("File does not match screen"), std::string::npos);
    EXPECT_NE(changed.out.find("Channel 1, On Press: command"), std::string::npos);

    const Outcome diff = Tool({"diff", a.string(), b.string()});
    EXPECT_EQ(diff.status, 1);
    EXPECT_NE(diff.out.find("Channel 8, On Press: command"), std::string::npos);
}

TEST_F(Cli, ShowPrintsTheConfigurationAsTextOrJson) {
    const fs::path a = Prepared("show.set", 0);
    const Outcome text = Tool({"show", a.string()});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("Channel 1 (Switch and DC #1)"), std::string::npos);
    EXPECT_NE(text.out.find("Function1: DOWN limit  data 00"), std::string::npos);  // "Seq" renames
    EXPECT_NE(text.out.find("On Hold: STOP"), std::string::npos);
    EXPECT_NE(text.out.find("Destination: Specific A1B2C0"), std::string::npos);
    EXPECT_NE(text.out.find("Channel 8 (DC #8)"), std::string::npos);
    EXPECT_NE(text.out.find("Switch Address: 00ABCD"), std::string::npos);
    const Outcome json = Tool({"show", a.string(), "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_NE(json.out.find("\"switchAddress\": \"00ABCD\""), std::string::npos);
    EXPECT_NE(json.out.find("\"command\": \"absolute position\""), std::string::npos);
}

TEST_F(Cli, SimulatorLoadsAFileAndItsAddressAnswers) {
    const fs::path a = Prepared("load.set", 0);
    Simulator sim({"--load", a.string(), "--firmware", "3.7", "--line-pacing", "on"});
    const Outcome got = Tool({"get", "--port", sim.device(), "--switch-address", "00ABCD", "-o",
                          (dir / "loaded.set").string(), "--verbose"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_NE(got.out.find("Firmware version: 3.7"), std::string::npos);
    EXPECT_NE(got.out.find("<--80 F4 FF FE FF FF 00 AB CD"), std::string::npos);  // addressed to the switch
    EXPECT_NE(got.out.find("RCV= 33"), std::string::npos);
    const Outcome diff = Tool({"diff", a.string(), (dir / "loaded.set").string()});
    // The only difference: the tick that addressed the switch.
    EXPECT_EQ(diff.out, "Use Switch Address for Config: clear -> ticked\n");
}

TEST_F(Cli, HalfReadSwitchIsNoSavedConfiguration) {
    Simulator sim({"--fault", "8D/3=silent"});
    const fs::path out = dir / "half.set";
    const Outcome got = Tool({"get", "--port", sim.device(), "-o", out.string()});
    EXPECT_EQ(got.status, 2);
    EXPECT_NE(got.err.find("channel 3"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(Cli, BadInputsFailWithOneLineAndWriteNothing) {
    Simulator sim({});
    const fs::path a = Prepared("in.set", 0);
    const fs::path existing = dir / "existing.set";
    std::ofstream(existing) << "keep";
    const fs::path badType = dir / "bad.set";
    {
        std::string bytes = Read(a);
        bytes.replace(4, 6, "switch");
        std::ofstream(badType, std::ios::binary) << bytes;
    }
    const std::vector<std::vector<std::string>> cases{
        {"send", "--port", sim.device(), (dir / "missing.set").string()},
        {"send", "--port", sim.device(), badType.string()},
        {"get", "--port", "/dev/kavro-no-such-port", "-o", (dir / "x.set").string()},
        {"get", "--port", sim.device(), "-o", existing.string()},
        {"get", "--port", sim.device(), "--switch-address", "12345", "-o", (dir / "y.set").string()},
        {"get", "-o", (dir / "z.set").string()},
        {"compare", "--port", sim.device()},
        {"show", badType.string()},
        {"diff", a.string()},
        {"frobnicate"},
        {"simulate", "--fault", "8D=melt"},
        {"get", "--port", sim.device(), "--bogus"},
    };
    for (const auto& args : cases) {
        const Outcome r = Tool(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << (args.size() > 1 ? args.back() : "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("kavro-switch: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Read(existing), "keep");
    EXPECT_FALSE(fs::exists(dir / "x.set"));
    EXPECT_FALSE(fs::exists(dir / "y.set"));
    EXPECT_FALSE(fs::exists(dir / "z.set"));
    EXPECT_NE(Tool({"send", "--port", sim.device(), badType.string()}).err.find("Bad File Type"), std::string::npos);
    EXPECT_EQ(Tool({"--help"}).status, 0);
    EXPECT_NE(Tool({"get", "--help"}).out.find("Usage: kavro-switch"), std::string::npos);
}

}  // namespace
}  // namespace kavro
