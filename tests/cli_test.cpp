// The command-line tool end to end: the built kavro-switch binary against
// its own virtual switch on a pseudo-terminal, the way a script uses it.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <thread>

#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "support/demo_site.h"
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

// Each test runs the tool in a folder of its own, open to the unprivileged row too, which is also its home: the
// history it keeps goes to KavroSwitch/history there, never into the real home.
class Cli : public ::testing::Test {
protected:
    Cli() {
        fs::permissions(dir.path(), fs::perms::all), fs::current_path(dir.path());
        setenv("HOME", dir.path().c_str(), 1);
    }
    ~Cli() override { fs::current_path(home), setenv("HOME", realHome.c_str(), 1); }

    // A file as a read of a switch would write it: every data box filled
    // the way the switch reports it, addresses in upper case. Variants
    // differ in commands, "Seq", the P-P and the motor addresses.
    std::string Prepared(const std::string& name, int variant, const std::string& motor1 = "A1B2C0",
                         const std::string& switchAddress = "00ABCD") {
        ConfigScreen s;
        s.fillCommandLists();
        const int commands[kChannels] = {2, 7, 16, 1, 8, 15, 18, 12};
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                const int p = e == 0 ? (commands[c] + variant) % kCommandCount : (e == 1 ? 3 : 0);
                s.commands[EventIndex(c, e)].select(p);
                s.data[EventIndex(c, e)].setText(p == kAbsolutePosition ? "1234" : Hex(0x10 * c + e, 2));
            }
            s.lockPriority[c].setText(SendsLockPriority(s.commands[EventIndex(c, 0)].selected()) ? Hex(c + 1, 2) : "00");
            const int boxes[] = {SpecificBox(c), PointToPointBox(c), SrcGroupBox(c), GroupBox(c)};
            s.destinationBoxes[boxes[c % 4]].setValue(1);
            s.seq[c].setValue((c + variant) % 3 == 0);
            if (c % 4 == 0) s.motorAddress[c].setText(c ? "A1B2C" + std::to_string(variant) : motor1);
            if (c % 4 == 2) s.sourceGroupAddress[c].setText("0102" + std::to_string(c) + "F");
        }
        s.ppMotorAddress.setText("00BE" + Hex(variant, 2)), s.switchAddress.setText(switchAddress);
        EXPECT_EQ(WriteConfigFile(dir / name, s).outcome, WriteOutcome::Written);
        return name;
    }

    // The files the history keeps of a switch whose names end in -WHAT.set, oldest first.
    std::vector<std::string> Kept(const std::string& address, const std::string& what) const {
        std::vector<std::string> names;
        std::error_code none;
        for (const auto& f : fs::directory_iterator(dir / "KavroSwitch/history" / address, none))
            if (f.path().filename().string().ends_with("-" + what + ".set")) names.push_back(f.path());
        std::sort(names.begin(), names.end());
        return names;
    }

    const fs::path home = fs::current_path();
    const std::string realHome = getenv("HOME") ? getenv("HOME") : "";
    test::TempFolder dir;
};

// Send, verify, compare: what differs is named by channel in the switch's
// terms, a channel the switch kept is caught, an acknowledgement that is
// not well-formed fails the send naming its frame; FFFFFF is never written
// as a switch's address. compare --switch-address checks what send
// --switch-address wrote. A read gives the file sent, byte for byte, and
// with --verbose --decode tells its frames; a reply for another channel is
// asked again and gives the same file.
TEST_F(Cli, SendVerifyAndCompareTellWhatTheSwitchHolds) {
    const std::string a = Prepared("a.set", 0), b = Prepared("b.set", 1), global = Prepared("g.set", 0, "A1B2C0", "FFffFF");
    Simulator faithful({"--firmware", "3.7"}), forgetful({"--fault", "7D/3=keep-old"});
    const std::string port = faithful.device();
    const auto send = [](const std::string& fault, const std::string& file) {
        return Tool({"send", "--port", Simulator({"--fault", fault}).device(), file});
    };
    const Case cases[] = {  // in this order, on one switch
        {"a faithful switch holds what was sent", {"send", "--verify", "--port", port, a}, 0, "; the switch holds it"},
        {"compare matches", {"compare", "--port", port, a}, 0, "Switch matches the file\n"},
        {"FFFFFF in the file is never written", {"send", "--port", port, global}, 2, "FFFFFF is the address every"},
        {"nor given by --switch-address", {"send", "--port", port, "--switch-address", "ffffff", b}, 2,
         "--switch-address FFFFFF is refused: FFFFFF is the address every switch answers to"},
        {"another file sent by the switch's own address", {"send", "--port", port, "--switch-address", "00ABCD", b}, 0, ""},
        {"compared by that address", {"compare", "--port", port, "--switch-address", "00ABCD", b}, 0, "matches"},
        {"a command differs", {"compare", "--port", port, a}, 1,
         "\n  channel 1, On Press command: the file says DOWN limit, the switch holds STOP\n"},
        {"another address", {"compare", "--port", port, "--switch-address", "00abce", a}, 2, "no switch answers"},
        {"a send nobody hears", {"send", "--no-backup", "--port", port, "--switch-address", "00abce", a}, 2,
         "any of the 10 frames"},
        {"a kept channel", {"send", "--verify", "--port", forgetful.device(), a}, 2, "kavro-switch: channel 3, "},
    };
    for (const Case& c : cases) Check(c);
    const struct {
        const char *fault, *names;
    } garbled[] = {{"7D/3=bad-checksum", "channel 3"}, {"7F=short", "switch address"},
                   {"7C=garbage-before", "source groups"}, {"7D/8=flood", "channel 8, source groups"}};
    for (const auto& row : garbled) {
        const Outcome r = send(row.fault, a);
        EXPECT_TRUE(r.status == 2 && Has(r.err, std::string("a garbled reply came to: ") + row.names)) << row.fault << r.err;
    }
    const Outcome got = Tool({"get", "--port=" + port, "-o", "-", "--verbose", "--decode"});
    EXPECT_EQ(got.out, test::ReadFile(b)) << "the file sent, byte for byte, on standard output";
    EXPECT_TRUE(Has(got.err, "Firmware version: 3.7") && Has(got.err, "<--80 F4 FF FE FF FF FF FF FF 08")) << got.err;
    EXPECT_TRUE(Has(got.err, "   reply channel 1: On Press STOP, On Hold STOP, On Release NONE; Specific"));
    Simulator misled({"--fault", "8D/2@1=channel-nine", "--load", b});
    const Outcome asked = Tool({"get", "--port", misled.device(), "-o", "-"});
    EXPECT_TRUE(asked.status == 0 && asked.out == got.out) << "a reply for channel 9, then the right one: " << asked.err;

    // An adapter that hears itself: the same file, the same verdict, each echo told.
    Simulator echoing({"--echo", "--load", b}), plain({"--load", b});
    const Outcome echoedGet = Tool({"get", "--port", echoing.device(), "-o", "-", "--verbose", "--decode"});
    EXPECT_TRUE(echoedGet.status == 0 && echoedGet.out == got.out) << echoedGet.err;
    EXPECT_TRUE(Has(echoedGet.err, "ECHO 8F F4 FF FE FF FF FF FF FF 08 7B \n   the adapter's echo of the frame sent"));
    const Outcome echoedSend = Tool({"send", "--verify", "--no-backup", "--port", echoing.device(), a}),
                  plainSend = Tool({"send", "--verify", "--no-backup", "--port", plain.device(), a});
    EXPECT_TRUE(echoedSend.status == 0 && echoedSend.out == plainSend.out && Has(plainSend.out, "the switch holds it"))
        << echoedSend.err;

    // A switch that keeps its channel 5 while channel 3 cannot be read back: both are named, by send --verify and
    // by compare, which compares the parts it could read.
    Simulator halfDeaf({"--fault", "7D/5=keep-old,8D/3=silent"});
    for (const auto& args : {std::vector<std::string>{"send", "--verify", "--no-backup", "--port", halfDeaf.device(), a},
                             {"compare", "--port", halfDeaf.device(), a}}) {
        const Outcome r = Tool(args);
        EXPECT_TRUE(r.status == 2 && Has(r.err, "no answer for channel 3") &&
                    Has(r.out + r.err, "channel 5, On Press command: ")) << args[0] << "\n" << r.out << r.err;
    }

    // A file saved by the switch's own address loads into a simulated switch of that address.
    Check({"saved by its address", {"get", "--port", port, "--switch-address", "00ABCD", "-o", "by-address.set"}, 0, ""});
    Simulator loaded({"--address", "00ABCD", "--load", "by-address.set"});
    const Outcome again = Tool({"get", "--port", loaded.device(), "--switch-address", "00ABCD", "-o", "-"});
    EXPECT_TRUE(again.status == 0 && again.out == test::ReadFile("by-address.set")) << again.err;
}

// An address that travels is six digits or nothing goes: a file holding "12345" as a channel's motor address (the
// parsers would send 123450, another motor) is refused by send, restore and site send before any frame, naming the
// channel and the box, and the switch holds what it held; show marks it.
TEST_F(Cli, AShortAddressSendsNothing) {
    const std::string held = Prepared("held.set", 0), shortened = Prepared("short.set", 1, "12345");
    Simulator sim({"--load", held});
    const std::string port = sim.device();
    test::WriteFile("site.csv", "00ABCD, short.set\n");
    const std::string named = "Channel 1, Motor Address: 12345 has five digits; a switch address has six";
    const Case refused[] = {
        {"send", {"send", "--verbose", "--port", port, shortened}, 2, named},
        {"send --no-backup", {"send", "--no-backup", "--verbose", "--port", port, shortened}, 2, named},
        {"restore", {"restore", "--verbose", "--port", port, shortened}, 2, "short.set: " + named},
        {"site send", {"site", "send", "site.csv", "--verbose", "--port", port}, 2, "site.csv:1: short.set: " + named},
    };
    for (const Case& c : refused) EXPECT_FALSE(Has(Check(c).err, "<--")) << c.name << ": not a frame sent";
    const Outcome now = Tool({"get", "--port", port, "-o", "-"});
    EXPECT_TRUE(now.status == 0 && now.out == test::ReadFile(held)) << "the switch holds what it held";
    Check({"show marks it", {"show", shortened}, 0,
           "Destination: Specific 12345 (not sent: it has five digits; a switch address has six)\n"});
}

// Three switches on one bus that differ in commands, "Seq", P-P and motor
// addresses, each reached by its own address: each site backup equals a
// single get of its switch; compared with another's file it differs;
// written and verified, then compared; one that does not answer fails
// alone. Manifests are CSV as spreadsheets write it, and what is no switch
// address (FFFFFF included) or no CSV is refused before the line is touched.
TEST_F(Cli, AWholeSiteInOneRun) {
    const std::string files[] = {Prepared("hall, main.set", 0), Prepared("office.set", 2), Prepared("stairs.set", 5)};
    const char* const addresses[] = {"00AB01", "00AB02", "00AB03"};
    Prepared("l1.set", 3), Prepared("l2.set", 4), Prepared("l3.set", 6);
    Simulator bus({"--address", "00AB01,00AB02,00AB03", "--load", "l1.set,l2.set,l3.set"});
    const auto site = [&](const char* command, const std::string& manifest) {
        test::WriteFile("site.csv", manifest);
        return Tool({"site", command, "site.csv", "--port", bus.device(), "--verbose"});
    };
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };
    const std::string spreadsheet = "\xEF\xBB\xBF# address, file, label\r\n\"00AB01\",\"hall, main.set\",\"Hall \"\"A\"\", east\"\r\n"
                                    "00ab02, office.set\r\n\r\n00AB03, stairs.set, Stairs  # top floor\r\n";
    for (const char* address : addresses)
        Check({"a single get", {"get", "--port", bus.device(), "--switch-address", address, "-o",
                                std::string("single") + address}, 0, "Saved"});
    const Outcome backedUp = site("get", spreadsheet);
    EXPECT_EQ(backedUp.status, 0) << backedUp.out << backedUp.err;
    int backups = 0;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        for (int i = 0; i < 3; ++i) {
            const std::string name = entry.path().filename().string(), stem = fs::path(files[i]).stem().string();
            if (name == files[i] || name.rfind(stem + "-", 0) != 0) continue;
            ++backups;
            EXPECT_EQ(test::ReadFile(entry.path()), test::ReadFile(std::string("single") + addresses[i]))
                << name << ": the backup of " << addresses[i] << " is a get of it";
        }
    EXPECT_EQ(backups, 3);
    const Outcome sent = site("send", spreadsheet), compared = site("compare", spreadsheet),
                  crossed = site("compare", "00AB01, office.set\n00AB02, office.set\n00AB03, stairs.set\n"),
                  oneSilent = site("compare", "00AB01, \"hall, main.set\"\n00AB04, office.set, Gone\n00AB03, stairs.set\n");
    for (const Outcome* r : {&sent, &compared}) EXPECT_TRUE(r->status == 0 && count(r->out, "  ok\n") == 3) << r->out << r->err;
    EXPECT_TRUE(Has(sent.out, "00AB01 Hall \"A\", east: written and verified\n00AB02: written and verified")) << sent.out;
    for (const char* address : addresses) {  // each switch was backed up first, as a get of it reads it
        const auto got = Kept(address, "get"), backup = Kept(address, "before-send");
        ASSERT_TRUE(got.size() == 2 && backup.size() == 1) << address;  // the single get and site get's
        for (const std::string& kept : {got[0], got[1], backup[0]})
            EXPECT_EQ(test::ReadFile(kept), test::ReadFile(std::string("single") + address)) << kept;
    }
    EXPECT_TRUE(crossed.status == 1 && Has(crossed.out, "00AB01: ") && Has(crossed.out, " differences: channel ") &&
                count(crossed.out, ": matches its file") == 2) << crossed.out;
    // The same run through an adapter that echoes every frame: the same verdicts, switch by switch.
    fs::copy_file(files[0], "hall.set");
    Simulator echoing({"--address", "00AB01,00AB02,00AB03", "--load", "hall.set,office.set,stairs.set", "--echo"});
    test::WriteFile("site.csv", "00AB01, office.set\n00AB02, office.set\n00AB03, stairs.set\n");
    const Outcome echoed = Tool({"site", "compare", "site.csv", "--port", echoing.device()});
    const auto verdicts = [](const std::string& out) { return out.substr(0, out.find("\nAddress ")); };
    EXPECT_TRUE(echoed.status == 1 && verdicts(echoed.out) == verdicts(crossed.out)) << echoed.out << echoed.err;
    EXPECT_TRUE(oneSilent.status == 2 && Has(oneSilent.err, "kavro-switch: 00AB04 Gone: no switch answers on") &&
                Has(oneSilent.out, "00AB03: matches its file")) << oneSilent.out << oneSilent.err;
    test::WriteFile("site.csv", spreadsheet);
    const Outcome stopped = Tool({"site", "send", "site.csv", "--no-backup", "--port",
                                  Simulator({"--address", "00AB01,00AB02,00AB03", "--line-pacing", "on"}).device()},
                                 {.signal = SIGINT});
    EXPECT_TRUE(stopped.status == 130 && Has(stopped.err, "interrupted; 0 of 3 switches finished") &&
                Has(stopped.out, "interrupted (interrupted: Send Config stopped after ") &&
                count(stopped.out, "  not reached\n") == 2) << stopped.out << stopped.err;
    const struct {
        const char *name;
        std::string manifest, says;
    } refused[] = {
        {"no address", "00AB01, office.set\n00AB0Z, stairs.set\n", "site.csv:2: \"00AB0Z\" is not a switch address"},
        {"the global address", "FFFFFF, office.set\n", "site.csv:1: FFFFFF is the address every switch"},
        {"a quote not closed", "00AB01, \"office.set\n", "site.csv:1: a quote is not closed"},
        {"a switch twice", "00ab01, office.set\n00AB01, stairs.set\n", "site.csv:2: switch 00AB01 is listed twice"},
        {"a line over 4 KiB", "00AB01, office.set, " + std::string(5000, 'x') + "\n", "longer than 4 KiB"},
        {"a NUL byte in a file name", std::string("00AB01, office.set\0junk\n", 24), "site.csv:1: the line holds a NUL byte"},
    };
    for (const auto& row : refused) {
        const Outcome r = site("send", row.manifest);
        EXPECT_TRUE(r.status == 2 && Has(r.err, row.says) && r.out.empty() && !Has(r.err, "<--")) << row.name << r.err;
    }
    const int manifestIn = open("site.csv", O_RDONLY);
    Check({"standard input is no manifest", {"site", "compare", "-", "--port", bus.device()}, 2,
           "the manifest cannot come from standard input: the files it names are found beside it", {.in = manifestIn}});
    close(manifestIn);
    for (const char* endless : {"/dev/zero", "/dev/urandom"}) {
        const Outcome r = Tool({"site", "get", endless, "--port", bus.device()});
        EXPECT_TRUE(r.status == 2 && r.seconds < 1 && r.maxRssKb < kRssLimitKb) << endless << r.err;
    }
}

// Every write can be undone. send keeps what the switch held before (a verified one also what it holds after), get
// keeps its read; a wrong file sent, another switch's address and all, is undone by restore, byte for byte as a get
// before it read the switch, and a second restore refuses to undo the first; history lists it newest first, under
// both addresses. Nothing is written when the backup cannot be read (the switch keeps what it held) unless
// --no-backup skips that read, and nothing goes on the line when the journal cannot be written, whatever stands
// in its place.
TEST_F(Cli, EveryWriteCanBeUndone) {
    const std::string held = Prepared("held.set", 0), wrong = Prepared("wrong.set", 3, "A1B2C3", "00ABCE");
    Simulator sim({"--load", held}), failsTwice({"--load", held, "--fault", "8D/3@1=silent,8D/3@2=silent"}),
        failsAlways({"--load", held, "--fault", "8D/3=silent"});
    const std::string port = sim.device();
    const Case undo[] = {  // in this order
        {"a get before", {"get", "--port", port, "-o", "before.set"}, 0, "Saved before.set"},
        {"the wrong file", {"send", "--verify", "--port", port, wrong}, 0, "Sent wrong.set (10 frames acknowledged)"},
        {"restore", {"restore", "--port", port}, 0,
         "-before-send.set (read 20"},
        {"a second restore", {"restore", "--port", port}, 2, "the last write into switch 00ABCD on " + port +
                                                                 " was a restore, at "},
        {"a get after", {"get", "--port", port, "-o", "after.set"}, 0, "Saved after.set"},
    };
    for (const Case& c : undo) Check(c);
    EXPECT_EQ(test::ReadFile("after.set"), test::ReadFile("before.set"));
    ASSERT_EQ(Kept("00ABCD", "before-send").size(), 1u);
    EXPECT_EQ(test::ReadFile(Kept("00ABCD", "before-send")[0]), test::ReadFile("before.set"));
    EXPECT_EQ(test::ReadFile(Kept("00ABCD", "get")[0]), test::ReadFile("before.set"));
    EXPECT_EQ(test::ReadFile(Kept("00ABCE", "after-send")[0]), test::ReadFile(Kept("00ABCE", "before-restore")[0]));
    const auto events = [](const std::string& listing) {  // the event column, newest first
        std::string column;
        std::istringstream lines(listing.substr(listing.find('\n') + 1));
        for (std::string time, event, rest; lines >> time >> event && std::getline(lines, rest);) column += event + " ";
        return column;
    };
    const Outcome was = Tool({"history", "00abcd"}), became = Tool({"history", "00ABCE"}), all = Tool({"history"});
    EXPECT_EQ(events(was.out), "get after-restore restore send before-send get ") << was.out;
    EXPECT_EQ(events(became.out), "restore before-restore after-send send ") << became.out;
    EXPECT_TRUE(Has(was.out, "ok, verified (address 00ABCD -> 00ABCE)  on " + port + "\n")) << was.out;
    EXPECT_TRUE(Has(all.out, "00ABCD        6  ") && Has(all.out, "00ABCE        4  ")) << all.out;

    const Case faults[] = {
        {"a read that fails before the write", {"send", "--port", failsTwice.device(), wrong}, 2,
         "no answer for channel 3; nothing sent: the switch could not be backed up first (--no-backup sends without"},
        {"the switch untouched", {"get", "--port", failsTwice.device(), "-o", "untouched.set"}, 0, "Saved"},
        {"--no-backup skips the read", {"send", "--no-backup", "--port", failsAlways.device(), held}, 0, "Sent held.set"},
    };
    for (const Case& c : faults) Check(c);
    EXPECT_EQ(test::ReadFile("untouched.set"), test::ReadFile("before.set"));
    EXPECT_EQ(Kept("00ABCD", "before-send").size(), 1u);

    // A restore refused for what its file holds reads nothing and records nothing.
    const std::string everyone = Prepared("everyone.set", 1, "A1B2C1", "FFFFFF"), odd = Prepared("odd.set", 2);
    {
        ConfigScreen s;
        s.fillCommandLists();
        ASSERT_EQ(LoadConfigFile(odd, s), LoadOutcome::Loaded);
        s.data[EventIndex(0, 0)].setText("ZZ");
        fs::remove(odd), WriteConfigFile(odd, s);
    }
    const std::string journalBefore = Tool({"history", "--csv"}).out;
    for (const Case& c : {Case{"restore FFFFFF", {"restore", "--verbose", "--port", port, everyone}, 2,
                               "box holds FFFFFF: FFFFFF is the address every switch"},
                          Case{"restore ZZ", {"restore", "--verbose", "--port", port, odd}, 2, "holds \"ZZ\""}})
        EXPECT_FALSE(Has(Check(c).err, "<--")) << c.name << ": the switch was read";
    EXPECT_EQ(Tool({"history", "--csv"}).out, journalBefore) << "a refused restore records nothing";

    // Whatever stands where the journal should be: nothing goes on the line, at once, in one line.
    const fs::path history = dir / "KavroSwitch/history";
    test::WriteFile("site.csv", "00ABCD, wrong.set\n");
    const struct {
        const char* name;
        std::function<void()> spoil;
        std::string says;
    } spoiled[] = {
        {"a history folder that is a file", [&] { fs::remove_all(history), test::WriteFile(history, ""); },
         "the history folder " + history.string() + " is not a folder; nothing sent"},
        {"a journal that is a folder", [&] { fs::remove_all(history), fs::create_directories(history / "journal.db"); },
         "the journal " + (history / "journal.db").string() + " is a folder, not a journal database"},
        {"a journal that is a pipe", [&] { fs::remove_all(history), fs::create_directories(history),
                                           mkfifo((history / "journal.db").c_str(), 0600); },
         "is a pipe, not a journal database"},
        {"a damaged journal", [&] { fs::remove_all(history), fs::create_directories(history),
                                    test::WriteFile(history / "journal.db", "SQLite format 3" + std::string(9000, '\x11')); },
         "is damaged"},
    };
    for (const auto& s : spoiled) {
        s.spoil();
        for (const Case& c : {Case{"send", {"send", "--verbose", "--port", port, wrong}, 2, s.says, {}, 5},
                              Case{"restore", {"restore", "--verbose", "--port", port, wrong}, 2, s.says, {}, 5},
                              Case{"site send", {"site", "send", "site.csv", "--verbose", "--port", port}, 2, s.says, {}, 5}}) {
            const Outcome r = Check(c);
            EXPECT_FALSE(Has(r.err, "<--")) << s.name << ", " << c.name << ": not a frame sent";
            EXPECT_LT(r.seconds, 5) << s.name << ", " << c.name;
        }
        const Outcome got = Tool({"get", "--port", port, "-o", "-"});
        EXPECT_TRUE(got.status == 0 && got.out == test::ReadFile("before.set") && Has(got.err, "warning: not kept in the"))
            << s.name << got.err;
    }
}

// The journal undoes the right write: the switch 000001 on one bus is never given the backup of the switch 000001
// on another; a send killed after three of its ten frames is the one restore undoes; two steps back is the state
// before two sends; a site send of three switches is undone by one site restore; twenty gets at once on twenty
// buses leave twenty entries.
TEST_F(Cli, TheJournalUndoesTheRightWrite) {
    const std::string held = Prepared("held.set", 0, "A1B2C0", "000001"), wrong = Prepared("wrong.set", 3, "A1B2C3", "000001"),
                      worse = Prepared("worse.set", 5, "A1B2C5", "000001");
    Simulator busA({"--address", "000001", "--load", held}), busB({"--address", "000001", "--load", wrong});
    const std::string a = busA.device(), b = busB.device();
    Check({"bus A before", {"get", "--port", a, "-o", "a-before.set"}, 0, "Saved"});
    Check({"bus B before", {"get", "--port", b, "-o", "b-before.set"}, 0, "Saved"});
    Check({"a wrong send on bus B", {"send", "--port", b, worse}, 0, "Sent"});
    const Outcome refused = Check({"restore on bus A", {"restore", "--port", a}, 2,
                                   "writes into a switch 000001 only on other buses or sites, not on " + a});
    EXPECT_TRUE(Has(refused.err, "  20") && Has(refused.err, " send into 000001 on " + b + ", backup 000001/"))
        << refused.err;
    Check({"bus A untouched", {"get", "--port", a, "-o", "a-after.set"}, 0, "Saved"});
    EXPECT_EQ(test::ReadFile("a-after.set"), test::ReadFile("a-before.set"));
    Check({"restore on bus B", {"restore", "--port", b}, 0, "the switch holds it"});
    Check({"bus B back", {"get", "--port", b, "-o", "b-after.set"}, 0, "Saved"});
    EXPECT_EQ(test::ReadFile("b-after.set"), test::ReadFile("b-before.set"));

    // Two wrong sends, two steps back.
    Check({"first", {"send", "--port", a, wrong}, 0, "Sent"});
    Check({"second", {"send", "--port", a, worse}, 0, "Sent"});
    Check({"two steps back", {"restore", "--port", a, "--steps", "2"}, 0, "the switch holds it"});
    Check({"as at first", {"get", "--port", a, "-o", "a-steps.set"}, 0, "Saved"});
    EXPECT_EQ(test::ReadFile("a-steps.set"), test::ReadFile("a-before.set"));

    // A send killed after three frames, on a line as slow as a real one.
    Simulator slow({"--address", "000001", "--load", held, "--line-pacing", "on"});
    Check({"slow before", {"get", "--port", slow.device(), "-o", "slow-before.set"}, 0, "Saved"});
    std::FILE* err = std::tmpfile();
    const pid_t send = test::SpawnTool({"send", "--verbose", "--port", slow.device(), worse}, {.err = fileno(err)});
    const auto framesWritten = [&] {
        const std::string text = Written(err);
        int n = 0;
        for (auto at = text.find("<--7"); at != std::string::npos; at = text.find("<--7", at + 1)) ++n;
        return n;
    };
    for (int i = 0; i < 3000 && framesWritten() < 3; ++i) std::this_thread::sleep_for(1ms);
    kill(send, SIGKILL), waitpid(send, nullptr, 0), std::fclose(err);
    const Outcome listed = Tool({"history", "000001"});
    EXPECT_TRUE(Has(listed.out, "send            unfinished: the program ended during the write")) << listed.out;
    Check({"restore the killed send", {"restore", "--port", slow.device()}, 0, "the switch holds it"});
    Check({"slow after", {"get", "--port", slow.device(), "-o", "slow-after.set"}, 0, "Saved"});
    EXPECT_EQ(test::ReadFile("slow-after.set"), test::ReadFile("slow-before.set"));

    // A whole site, sent and put back.
    Prepared("s1.set", 1, "A1B2C1", "00AB01"), Prepared("s2.set", 2, "A1B2C2", "00AB02"), Prepared("s3.set", 4, "A1B2C4", "00AB03");
    Simulator site({"--address", "00AB01,00AB02,00AB03", "--load", "s1.set,s2.set,s3.set"});
    test::WriteFile("plan.csv", "00AB01, x1.set\n00AB02, x2.set\n00AB03, x3.set\n");
    Prepared("x1.set", 6, "A1B2C6", "00AB01"), Prepared("x2.set", 7, "A1B2C7", "00AB02"), Prepared("x3.set", 8, "A1B2C8", "00AB03");
    test::WriteFile("before.csv", "00AB01, b1.set\n00AB02, b2.set\n00AB03, b3.set\n");
    Check({"site get", {"site", "get", "before.csv", "--port", site.device()}, 0, "saved"});
    Check({"site send", {"site", "send", "plan.csv", "--port", site.device()}, 0, "written and verified"});
    const Outcome restored = Check({"site restore", {"site", "restore", "plan.csv", "--port", site.device()}, 0, "verified"});
    EXPECT_EQ(std::count(restored.out.begin(), restored.out.end(), '\n') >= 3, true) << restored.out;
    Check({"site get after", {"site", "get", "before.csv", "--port", site.device()}, 0, "saved"});
    Check({"a site never sent has no site send to undo", {"site", "restore", "before.csv", "--port", site.device()}, 2,
           "the journal holds no site send of site"});
    for (int i = 1; i <= 3; ++i) {
        std::string dated;
        for (const auto& f : fs::directory_iterator(dir.path()))
            if (f.path().filename().string().rfind("b" + std::to_string(i) + "-", 0) == 0) dated = f.path();
        EXPECT_EQ(test::ReadFile(dated), test::ReadFile("b" + std::to_string(i) + ".set")) << "switch " << i;
    }

    // Twenty programs at once, each on a bus of its own, one switch address.
    std::vector<std::unique_ptr<Simulator>> buses;
    for (int i = 0; i < 20; ++i) buses.push_back(std::make_unique<Simulator>(std::vector<std::string>{"--address", "0000AA"}));
    std::vector<pid_t> gets;
    for (auto& bus : buses) gets.push_back(test::SpawnTool({"get", "--port", bus->device(), "-o", "-"}, {}));
    for (pid_t pid : gets) waitpid(pid, nullptr, 0);
    const Outcome entries = Tool({"history", "0000AA", "--csv"});
    EXPECT_EQ(std::count(entries.out.begin(), entries.out.end(), '\n'), 21) << entries.out;
    const Outcome newest = Tool({"history", "0000AA", "--csv", "--limit", "3"});
    EXPECT_EQ(std::count(newest.out.begin(), newest.out.end(), '\n'), 4) << newest.out;
}

// A send on a data folder with little room, tried at many amounts of room: it is either recorded (the journal holds
// the send, the switch holds the file) or not made at all (the switch holds what it held). Needs a small file
// system of its own, which only root may mount.
TEST_F(Cli, ASendOnANearlyFullDiskIsRecordedOrNotMade) {
    const fs::path small = dir / "small";
    fs::create_directories(small);
    if (mount("kavro", small.c_str(), "tmpfs", 0, "size=384k") != 0) GTEST_SKIP() << "mounting needs root";
    const std::string held = Prepared("held.set", 0), wrong = Prepared("wrong.set", 3);
    Simulator sim({"--load", held});
    const std::string port = sim.device();
    Check({"before", {"get", "--port", port, "-o", "before.set"}, 0, "Saved"});
    setenv("HOME", small.c_str(), 1);
    int recorded = 0, refused = 0;
    for (int room = 8; room <= 200; room += 12) {
        fs::remove_all(small / "KavroSwitch");
        Tool({"history"});  // the journal made while there is room
        {
            std::FILE* f = std::fopen((small / "filler").c_str(), "wb");
            const std::string block(1024, 'x');
            while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
            }
            std::fclose(f);
            const auto size = fs::file_size(small / "filler"), freed = static_cast<std::uintmax_t>(room) * 1024;
            fs::resize_file(small / "filler", size > freed ? size - freed : 0);
        }
        const Outcome sent = Tool({"send", "--verify", "--port", port, wrong});
        fs::remove(small / "filler");
        const Outcome now = Tool({"get", "--port", port, "-o", "-"});
        const std::string sends = Tool({"history", "00ABCD", "--csv"}).out;
        if (sent.status == 0) {
            ++recorded;
            EXPECT_TRUE(Has(sends, ",send,")) << room << " KiB: sent but not recorded";
            EXPECT_EQ(now.out, test::ReadFile(wrong)) << room;
            Tool({"send", "--no-backup", "--port", port, held});  // back to the start
        } else {
            ++refused;
            EXPECT_TRUE(Has(sent.err, "nothing sent")) << room << ": " << sent.err;
            EXPECT_EQ(now.out, test::ReadFile("before.set")) << room << " KiB: refused but sent";
        }
    }
    setenv("HOME", dir.path().c_str(), 1);
    umount(small.c_str());
    EXPECT_GT(recorded, 0);
    EXPECT_GT(refused, 0);
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
        flooding({"--fault", "80=flood"}),
        vanish({"--fault", "8F=vanish"}), good({});
    const pid_t holder = SpawnTool({"get", "--port", slow.device(), "-o", "-"}, {});
    // A program that shuts others out of a line without a lock file, as screen does, is found by its open files:
    // an unprivileged one, since nothing shuts root out.
    const int shutMaster = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(shutMaster >= 0 && grantpt(shutMaster) == 0 && unlockpt(shutMaster) == 0);
    const std::string shut = ptsname(shutMaster);
    const pid_t shutter = geteuid() == 0 && chmod(shut.c_str(), 0666) == 0 ? fork() : -1;
    if (shutter == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(1);
        prctl(PR_SET_DUMPABLE, 1);  // its open files, like any program's, visible to its own user
        const int fd = open(shut.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ioctl(fd, TIOCEXCL) != 0) _exit(1);
        pause();
        _exit(0);
    }
    chmod(good.device().c_str(), 0600);  // for the unprivileged user: no permission
    std::this_thread::sleep_for(300ms);
    const auto get = [](const std::string& port, const std::string& target = "out.set") {
        return std::vector<std::string>{"get", "--port", port, "-o", target, "--force"};
    };
    const Case rows[] = {
        {"in use", get(slow.device()), 2, "is in use by another program (kavro-switch get --port"},
        {"in use, named without /dev/", get(slow.device().substr(5)), 2,
         "is in use by another program (kavro-switch get --port"},
        {"shut by a program without a lock file", get(shut), 2,
         "is in use by another program (kavro_cli_tests", {.asNobody = true}},
        {"silent", get(line), 2, "no switch answers on", {}, 6},  // gave up after four queries
        {"flood", get(flood.device()), 2, "source groups: a noisy line: "},
        {"a flood from the start", get(flooding.device()), 2, "answers as a switch", {}, 6},
        {"unplugged", get(vanish.device()), 2, "the port went away"},
        {"no permission, on mode 0600: no group helps", get(good.device()), 2,
         "). Only its owner root may read and write it, so joining a group does not help", {.asNobody = true}},
        {"missing", get("/dev/kavro-no-such-port"), 2, "does not exist on this computer"},
        {"folder", get("/tmp"), 2, "is not a serial port"},
        {"/dev/null", get("/dev/null"), 2, "is not a serial port"},
        {"a regular file named without a folder", get("kept.set"), 2, "kept.set is not a serial port"},
        {"SIGINT", get(line), 130, "interrupted; nothing written", {.signal = SIGINT}},
        {"SIGTERM", get(line), 143, "interrupted; nothing written", {.signal = SIGTERM}},
        {"SIGHUP", get(line), 129, "interrupted; nothing written", {.signal = SIGHUP}},
        {"SIGQUIT", get(line), 131, "interrupted; nothing written", {.signal = SIGQUIT}},
        {"a missing folder", get(line, "none/x.set"), 2, "does not exist", {}, 0.8},
        {"a dangling link", get(line, "dangling.set"), 2, "is a link to nothing", {}, 0.8},
        {"a link, even forced", get(line, "link.set"), 2, "is a link", {}, 0.8},
        {"a folder", get(line, "folder.set"), 2, "is a folder", {}, 0.8},
        {"a device", get(line, "/dev/null"), 2, "never replaced", {}, 0.8},
        {"an existing file", {"get", "--port", line, "-o", "kept.set"}, 2, "--force replaces it", {}, 0.8},
        {"a long name", get(good.device(), std::string(243, 'n') + ".set"), 0, ""},
    };
    for (const Case& row : rows) {
        if (row.io.asNobody && geteuid() != 0) continue;  // root only
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
    if (shutter > 0) kill(shutter, SIGKILL), waitpid(shutter, nullptr, 0);
    close(shutMaster);
    Check({"the simulator serves again after its client was killed", get(slow.device()), 0, "Saved out.set"});
    close(kept), close(master);
}

// The conventions a script relies on, a row each.
TEST_F(Cli, ScriptsCanTrustIt) {
    const std::string a = Prepared("a.set", 0, "Caf\xE9" "0"), b = Prepared("b.set", 0, "Q\"\n0");
    test::WriteFile("bad.set", test::ReadFile(a).replace(128 + 2, 1, 1, 25));  // record 2: command list position 25
    test::WriteFile("other.set", test::ReadFile(a).replace(4, 6, "switch"));    // not a configuration file's header
    Simulator sim({});
    int closedPipe[2];
    ASSERT_TRUE(pipe(closedPipe) == 0 && close(closedPipe[0]) == 0);  // nobody reads
    const int fileIn = open(a.c_str(), O_RDONLY), full = open("/dev/full", O_WRONLY);
    // The README's first get, on a fresh account: the data folder is made; a folder of its name elsewhere is not.
    ASSERT_FALSE(fs::exists(dir / "KavroSwitch")) << "a fresh account";
    fs::create_directories("elsewhere");
    Check({"get into the data folder", {"get", "--port", sim.device(), "-o", dir / "KavroSwitch/site1.set"}, 0, "Saved"});
    EXPECT_EQ(test::ReadFile(dir / "KavroSwitch/site1.set").size(), 14976u);
    const Case cases[] = {
        {"another folder named as the data folder is not made", {"get", "-o", "elsewhere/KavroSwitch/x.set"}, 2,
         "the folder elsewhere/KavroSwitch does not exist"},
        {"show --json prints UTF-8", {"show", "--json", a}, 0, "\"motorAddress\": \"Caf\xC3\xA9" "0\""},
        {"show prints the priority Set IP sends", {"show", a}, 0,
         "  Function1: Set IP  data 60\n  Function2: STOP\n  Function3: NONE\n  Destination: Src Group 01026F\n"
         "  Lock priority: 07\n  Seq: on\n"},
        {"show --json too", {"show", "--json", a}, 0, "\"lockPriority\": \"07\""},
        {"prune --dry-run tells what it would remove", {"history", "--prune-older-than", "30", "--dry-run"}, 0,
         "Would remove 0 entries and 0 files older than 30 days from "},
        {"prune", {"history", "--prune-older-than", "1"}, 0, "Removed 0 entries and 0 files older than 1 day from "},
        {"standard input as the file", {"show", "-"}, 0, "Caf\xC3\xA9", {.in = fileIn}},
        {"diff quotes texts on one line", {"diff", a, b}, 1,
         "Channel 1: Motor Address: \"Caf\xC3\xA9" "0\" -> \"Q\\\"\\n0\"\n"},
        {"--version anywhere", {"show", "--version"}, 0, "kavro-switch 3."},
        {"ports lists the sixteen numbers", {"ports", "--json"}, 0, "\"number\": 16"},
        {"-- ends the options", {"show", "--", "--json"}, 2, "--json: no such file"},
        {"an odd file name is quoted with escapes, on one line", {"show", "a\nb \x1B.set"}, 2,
         "kavro-switch: \"a\\nb \\x1B.set\": no such file\n"},
        {"an extra argument is an error", {"show", a, a}, 2, "unexpected argument"},
        {"an unknown option is an error", {"get", "--bogus"}, 2, "unknown option --bogus"},
        {"an option without its value is an error", {"get", "--port"}, 2, "--port needs a value"},
        {"a missing operand is an error", {"diff", a}, 2, "diff needs"},
        {"an unknown command is an error", {"fetch"}, 2, "unknown command \"fetch\""},
        {"a value import refuses is named as such", {"diff", a, "bad.set"}, 2, "holds 25, which import refuses"},
        {"a file that cannot be read, in the window's words", {"show", "bad.set"}, 2, "bad.set: File Read Error\n"},
        {"a file of another kind, in the window's words", {"show", "other.set"}, 2, "other.set: Bad File Type\n"},
        {"a full disk fails the command", {"show", a}, 2, "standard output cannot be written", {.out = full}},
        {"a reader that went away fails the read", {"get", "--port", sim.device(), "-o", "-"}, 2,
         "standard output cannot be written", {.out = closedPipe[1]}},
    };
    for (const Case& c : cases) Check(c);
    close(fileIn), close(full), close(closedPipe[1]);
    // Texts of a file that would move the cursor or break lines are printed escaped; show's lines stay its lines.
    const Outcome hostile = Tool({"show", Prepared("esc.set", 0, "\x1B[2J\n\r")}), plain = Tool({"show", a});
    EXPECT_TRUE(Has(hostile.out, "Destination: Specific \"\\x1B[2J\\n\\r\"\n")) << hostile.out;
    EXPECT_EQ(std::count(hostile.out.begin(), hostile.out.end(), '\n'), std::count(plain.out.begin(), plain.out.end(), '\n'));
    EXPECT_TRUE(std::none_of(hostile.out.begin(), hostile.out.end(), [](char c) { return c != '\n' && std::iscntrl(c); }));
    // A lock priority is printed for the channels whose commands send one (3, 6 and 7 here), and no other.
    std::string locked;
    for (std::size_t at = 0; (at = plain.out.find("  Lock priority:", at)) != std::string::npos; ++at)
        locked += plain.out.substr(plain.out.rfind("Channel ", at) + 8, 1);
    EXPECT_EQ(locked, "367") << plain.out;
    // --force replaces a file as it was kept: one only its owner reads stays so.
    test::WriteFile("private.set", "old"), fs::permissions("private.set", fs::perms::owner_read | fs::perms::owner_write);
    Check({"a forced get", {"get", "--port", sim.device(), "-o", "private.set", "--force"}, 0, "Saved private.set"});
    EXPECT_EQ(fs::status("private.set").permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A site handed over: three switches in its manifest, two on the bus. site get reads them, a verified send then
// changes three fields of the second, the third is never reached. The report's summary says "as planned",
// "differs from plan" naming the fields, and "never read"; each sheet holds what a get of its switch finds (shown
// by show --json); labels show as typed, escaped; nothing in the page runs or loads; the JSON parses and tells the
// HTML's facts; the CSV is the summary. --live reads every switch first and keeps the reads.
TEST_F(Cli, AReportHandsASiteOver) {
    const auto files = test::WriteDemoSite(dir.path(), 3);
    Simulator bus({"--address", "00AB01,00AB02", "--load", files[0] + "," + files[1]});
    const std::string port = bus.device();
    Check({"site get", {"site", "get", "site.csv", "--port", port}, 2, "00AB03 Stairs 'north': no switch answers"});
    Check({"a change", {"send", "--verify", "--port", port, "--switch-address", "00AB02", "changed.set"}, 0, "holds"});
    for (const char* kind : {"html", "json", "csv"})
        Check({kind, {"report", "--manifest", "site.csv", "-o", std::string("report.") + kind}, 1,
               "Report of 3 switches written to report." + std::string(kind) +
                   ": 1 as planned, 1 differs from plan, 1 never read\n"});
    const std::string html = test::ReadFile("report.html"), csv = test::ReadFile("report.csv");
    QJsonParseError error;
    const QJsonArray switches =
        QJsonDocument::fromJson(QByteArray::fromStdString(test::ReadFile("report.json")), &error)["switches"].toArray();
    ASSERT_TRUE(error.error == QJsonParseError::NoError && switches.size() == 3) << error.errorString().toStdString();

    const auto escaped = [](const std::string& text) {  // as a page must write a text
        std::string out;
        for (const char c : text)
            out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : c == '"' ? "&quot;" : c == '\'' ? "&#39;"
                                                                                              : std::string(1, c);
        return out;
    };
    const auto cells = [&](std::initializer_list<std::string> texts) {
        std::string row;
        for (const std::string& t : texts) row += "<td>" + escaped(t) + "</td>";
        return row;
    };
    const std::string summary = html.substr(0, html.find("id=\"sheet-1\""));
    EXPECT_TRUE(Has(summary, "<p>3 switches: 1 as planned, 1 differs from plan, 1 never read.")) << summary;
    const char* const states[] = {"as planned", "differs from plan: 4 fields", "never read"};
    for (int n = 0; n < 3; ++n) {
        const QJsonObject s = switches[n].toObject();
        const std::string address = test::DemoAddress(n), label = test::DemoLabel(n);
        EXPECT_TRUE(s["address"].toString().toStdString() == address && s["label"].toString().toStdString() == label &&
                    s["stateText"].toString().toStdString() == states[n]) << n;
        EXPECT_TRUE(Has(summary, cells({label, address})) && Has(summary, escaped(states[n]))) << label;
        EXPECT_TRUE(Has(csv, "\r\n" + (n ? label : "\"Hall <east> & \"\"main\"\"\"") + "," + address + ",")) << csv;
        const auto start = html.find("id=\"sheet-" + std::to_string(n + 1) + "\"");
        const std::string sheet = html.substr(start, html.find("id=\"sheet-", start + 1) - start);
        EXPECT_TRUE(Has(sheet, "<h2>" + escaped(label) + "</h2>")) << label;
        for (const QJsonValue d : s["differences"].toArray())
            EXPECT_TRUE(Has(sheet, "<li>" + escaped(d["text"].toString().toStdString()) + "</li>")) << label;
        if (n == 2) {
            EXPECT_TRUE(s["channels"].isNull() && !Has(sheet, "<svg")) << "nothing held is shown for a switch never read";
            EXPECT_TRUE(Has(sheet, ">Firmware</th>") && Has(sheet, ">not read</td>")) << sheet;
            continue;
        }
        // What the switch holds, read apart from the report and shown as the window names it.
        const std::string kept = "held" + std::to_string(n) + ".set";
        Check({"a get", {"get", "--port", port, "--switch-address", address, "-o", kept}, 0, "Saved"});
        const QJsonArray held = QJsonDocument::fromJson(QByteArray::fromStdString(Tool({"show", "--json", kept}).out))["channels"].toArray();
        const QJsonArray shown = s["channels"].toArray();
        ASSERT_TRUE(held.size() == 8 && shown.size() == 8) << label;
        for (int c = 0; c < kChannels; ++c) {
            const QJsonObject h = held[c].toObject();
            for (int e = 0; e < 3; ++e) {
                const QJsonObject want = h["events"][std::array{"press", "hold", "release"}[e]].toObject();
                const QJsonObject got = shown[c]["events"][e].toObject();
                const std::string name = h["seq"].toBool() ? kSeqEventNames[e] : kEventNames[e];
                const bool lock = SendsLockPriority(CommandPosition(want["code"].toInt()));
                const std::string data = want["data"].toString().toStdString(),
                                  priority = lock ? h["lockPriority"].toString().toStdString() : "";
                EXPECT_TRUE(got["name"].toString().toStdString() == name && got["command"] == want["command"] &&
                            got["data"].toString().toStdString() == data &&
                            got["lockPriority"].toString().toStdString() == priority &&
                            got["destination"] == h["destination"] && got["address"] == h["address"])
                    << label << " channel " << c + 1 << " " << name;
                EXPECT_TRUE(Has(sheet, cells({name, want["command"].toString().toStdString(), data, priority})))
                    << label << " channel " << c + 1 << " " << name;
            }
        }
    }
    EXPECT_TRUE(Has(summary, "channel 1, On Press command; channel 2, Seq; channel 3, destination")) << summary;
    EXPECT_FALSE(Has(html, "<east>") || Has(html, "<b>") || Has(html, "<script") || Has(html, "src=") ||
                 Has(html, "href=") || Has(html, "url(")) << "a label is never markup, nothing is loaded";
    std::size_t links = 0;
    for (auto at = html.find("http"); at != std::string::npos; at = html.find("http", at + 1)) ++links;
    EXPECT_EQ(links, 2u) << "the SVG namespace of the two drawings, and nothing else";

    const Outcome live = Check({"--live", {"report", "--live", "--port", port, "--manifest", "site.csv", "-o",
                                            "live.json"}, 1, "00AB03 Stairs 'north': no switch answers"});
    const QJsonArray now = QJsonDocument::fromJson(QByteArray::fromStdString(test::ReadFile("live.json")))["switches"].toArray();
    EXPECT_TRUE(now[0]["stateShown"]["time"].toString() >= switches[0]["stateShown"]["time"].toString() &&
                now[2]["state"] == "read failed" && now[2]["readFailure"].toString().contains("no switch answers"))
        << live.out;
    EXPECT_TRUE(Has(Tool({"history", "00AB01"}).out.substr(0, 200), "  get ")) << "the live read is in the journal";
    const Outcome named = Check({"by address", {"report", "00ab01", "00AB03", "-o", "named.csv"}, 1, "1 no planned file"});
    EXPECT_TRUE(Has(test::ReadFile("named.csv"), "\r\n,00AB03,,,,,never read,,\r\n")) << test::ReadFile("named.csv");
    const Case refused[] = {
        {"no output", {"report", "--manifest", "site.csv"}, 2, "report needs -o FILE"},
        {"an output of no known kind", {"report", "00AB01", "-o", "report.txt"}, 2, ".html, .json or .csv, not report.txt"},
        {"a manifest and addresses", {"report", "--manifest", "site.csv", "00AB01", "-o", "x.csv"}, 2, "not both"},
        {"--live without a port", {"report", "--live", "00AB01", "-o", "x.csv"}, 2, "--port DEVICE is required"},
        {"a port without --live", {"report", "--port", port, "00AB01", "-o", "x.csv"}, 2, "--port goes with --live"},
        {"the global address", {"report", "FFFFFF", "-o", "x.csv"}, 2, "FFFFFF names no switch"},
        {"an existing report", {"report", "00AB01", "-o", "named.csv"}, 2, "exists already (--force replaces it)"},
    };
    for (const Case& c : refused) Check(c);
}

}  // namespace
}  // namespace kavro
