// kavro-switch: the configuration tool without a window. It runs the very
// same core as the window program (screen model, transfers, file format),
// so its files and frames equal the window's byte for byte.
//
// Exit status: 0 success (compare: identical; diff: same values),
//              1 compare or diff found differences, 2 any failure.

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "cli/config_text.h"
#include "cli/console_ui.h"
#include "cli/load_switch.h"
#include "cli/pty_server.h"
#include "configfile/config_records.h"
#include "qtplatform/qt_event_pump.h"
#include "qtplatform/qt_serial_port.h"
#include "shell/frm_main.h"
#include "simulator/simulated_serial_port.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr int kOk = 0;
constexpr int kDiffers = 1;
constexpr int kFailed = 2;

const char* const kUsage =
    "Usage: kavro-switch COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  get --port DEVICE [--switch-address HEX6] -o FILE.set [--force] [--verbose]\n"
    "      Read the whole configuration of a switch and save it as FILE.set.\n"
    "  send --port DEVICE [--switch-address HEX6] FILE.set [--verbose]\n"
    "      Write the configuration in FILE.set into a switch.\n"
    "  compare --port DEVICE [--switch-address HEX6] FILE.set [--verbose]\n"
    "      Read a switch and compare it with FILE.set (exit 0 identical, 1 not).\n"
    "  show FILE.set [--json]\n"
    "      Print the configuration a file holds.\n"
    "  diff A.set B.set\n"
    "      Print the fields two files hold differently (exit 0 none, 1 some).\n"
    "  simulate [--firmware X.Y] [--address HEX6] [--load FILE.set] [--fault RULES] [--line-pacing on|off]\n"
    "      Run a virtual switch on a new pseudo-terminal; its device path is the\n"
    "      first line printed. Serves until interrupted.\n"
    "\n"
    "--switch-address HEX6 addresses the switch by its own address (\"Use Switch\n"
    "Address for Config\") instead of the global address FFFFFF.\n"
    "--fault RULES: comma-separated MESSAGE[/CHANNEL][@ATTEMPT]=FAULT rules, MESSAGE a\n"
    "hex message byte or *, FAULT one of silent, short, long, wrong-length,\n"
    "bad-checksum, trickle, garbage-before, channel-zero, channel-nine, vanish.\n"
    "Example: --fault 8D/3@1=silent,7D=bad-checksum\n"
    "\n"
    "Exit status: 0 success, 1 differences found (compare, diff), 2 failure.\n";

int Fail(const std::string& message) {
    std::cerr << "kavro-switch: " << message << "\n";
    return kFailed;
}

// Options and positional arguments of one command.
struct Args {
    std::map<std::string, std::string> options;  // "--port" -> value; flags -> ""
    std::vector<std::string> positional;
    bool has(const std::string& o) const { return options.count(o) != 0; }
    std::string get(const std::string& o) const {
        const auto it = options.find(o);
        return it == options.end() ? std::string{} : it->second;
    }
};

std::optional<Args> ParseArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued,
                              const std::vector<std::string>& flags, std::string* error) {
    Args args;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool isValued = std::find(valued.begin(), valued.end(), w) != valued.end();
        const bool isFlag = std::find(flags.begin(), flags.end(), w) != flags.end();
        if (isValued) {
            if (i + 1 >= words.size()) {
                *error = w + " needs a value";
                return std::nullopt;
            }
            args.options[w] = words[++i];
        } else if (isFlag) {
            args.options[w] = "";
        } else if (w.size() > 1 && w[0] == '-') {
            *error = "unknown option " + w;
            return std::nullopt;
        } else {
            args.positional.push_back(w);
        }
    }
    return args;
}

bool IsHex6(const std::string& text) { return std::regex_match(text, std::regex("[0-9A-Fa-f]{6}")); }

std::string OpenFailure(const OpenResult& r) {
    switch (r.status) {
    case OpenStatus::NotFound: return "no such device";
    case OpenStatus::PermissionDenied:
        return "permission denied (serial ports belong to the group dialout: sudo usermod -aG dialout $USER, then log in again)";
    case OpenStatus::Busy: return "in use by another program";
    default: return r.detail.empty() ? "it cannot be opened" : r.detail;
    }
}

// A main window without a window, on a serial device.
class Session {
public:
    bool open(const Args& args, std::string* error) {
        const std::string device = args.get("--port");
        if (device.empty()) {
            *error = "--port DEVICE is required";
            return false;
        }
        if (args.has("--switch-address") && !IsHex6(args.get("--switch-address"))) {
            *error = "--switch-address takes six hexadecimal digits, not \"" + args.get("--switch-address") + "\"";
            return false;
        }
        ShellEnvironment env;
        env.pump = &pump_;
        env.ui = &ui_;
        env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
        StartOptions options;
        options.device = device;
        form_ = std::make_unique<frmMain>(env, options);
        if (args.has("--verbose"))
            form_->Diagnostic.setEntryObserver([](const std::string& entry) {
                std::string line = entry;
                while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
                std::cout << line << std::endl;
            });
        form_->Form_Load();
        if (!form_->MSComm1().isOpen()) {
            *error = "cannot open " + device + ": " + OpenFailure(form_->PortOpenResult());
            return false;
        }
        return true;
    }

    // The switch address chosen on the command line, as the user would set
    // it on the screen.
    void addressSwitch(const Args& args) {
        if (!args.has("--switch-address")) return;
        form_->Screen.ADDR[3].setText(args.get("--switch-address"));
        form_->Screen.UseSwPP.setValue(1);
    }

    // Reads the switch; false with the reason when anything is missing.
    bool read(std::string* error) {
        form_->GET_DATA_Click();
        const ReadReport& r = form_->Transfer.lastRead();
        if (!r.complete()) *error = ReadVerdict(r).summary;
        return r.complete();
    }

    frmMain& form() { return *form_; }

private:
    QtEventPump pump_;
    ConsoleUi ui_;
    std::unique_ptr<frmMain> form_;
};

const char* LoadError(LoadOutcome outcome) {
    switch (outcome) {
    case LoadOutcome::CannotOpen: return "cannot be opened";
    case LoadOutcome::BadFileType: return "Bad File Type";
    case LoadOutcome::ReadError: return "File Read Error";
    default: return "";
    }
}

bool CheckFile(const std::string& file, std::string* error) {
    std::error_code ec;
    if (file.empty()) *error = "a configuration file is required";
    else if (!fs::exists(file, ec)) *error = file + ": no such file";
    else return true;
    return false;
}

int Get(const std::vector<std::string>& words) {
    std::string error;
    const auto args = ParseArgs(words, {"--port", "--switch-address", "-o"}, {"--force", "--verbose"}, &error);
    if (!args) return Fail(error);
    const std::string out = args->get("-o");
    if (out.empty()) return Fail("-o FILE.set is required");
    std::error_code ec;
    if (fs::is_directory(out, ec)) return Fail(out + " is a folder");
    if (fs::exists(out, ec) && !args->has("--force")) return Fail(out + " exists already (--force replaces it)");

    Session session;
    if (!session.open(*args, &error)) return Fail(error);
    session.addressSwitch(*args);
    const bool complete = session.read(&error);
    const ConfigScreen& screen = session.form().Screen;
    std::cout << "Firmware version: " << screen.SW_FIRMWARE.text() << "\n"
              << "Switch address: " << screen.ADDR[3].text() << std::endl;
    if (!complete) return Fail(error + "; no file written");
    const WriteResult written = WriteConfigFile(out, screen, args->has("--force"));
    if (written.outcome == WriteOutcome::Exists) return Fail(out + " exists already (--force replaces it)");
    if (written.outcome != WriteOutcome::Written) return Fail(out + ": not saved: " + written.detail);
    std::cout << "Saved " << out << std::endl;
    return kOk;
}

// The common start of send and compare: a file argument and an open port.
int WithFileAndSwitch(const std::vector<std::string>& words,
                      const std::function<int(Session&, const Args&, const std::string&)>& run) {
    std::string error;
    const auto args = ParseArgs(words, {"--port", "--switch-address"}, {"--verbose"}, &error);
    if (!args) return Fail(error);
    const std::string file = args->positional.empty() ? "" : args->positional[0];
    if (!CheckFile(file, &error)) return Fail(error);
    Session session;
    if (!session.open(*args, &error)) return Fail(error);
    return run(session, *args, file);
}

int Send(const std::vector<std::string>& words) {
    return WithFileAndSwitch(words, [](Session& session, const Args& args, const std::string& file) {
        const LoadOutcome loaded = LoadConfigFile(file, session.form().Screen);
        if (loaded != LoadOutcome::Loaded) return Fail(file + ": " + LoadError(loaded) + "; nothing sent");
        session.addressSwitch(args);
        session.form().SEND_DATA_Click();
        const WriteReport& r = session.form().Transfer.lastWrite();
        const Verdict verdict = WriteVerdict(r);
        if (!r.complete() || r.framesHeard == 0) return Fail(verdict.summary);
        if (!verdict.ok) std::cerr << "kavro-switch: warning: " << verdict.summary << "\n";
        std::cout << "Sent " << file << " (10 frames)" << std::endl;
        return kOk;
    });
}

int Compare(const std::vector<std::string>& words) {
    return WithFileAndSwitch(words, [](Session& session, const Args& args, const std::string& file) {
        std::string error;
        session.addressSwitch(args);
        if (!session.read(&error)) return Fail(error);
        const CompareResult result = CompareConfigFile(file, session.form().Screen);
        if (result.outcome == CompareOutcome::Unreadable) return Fail(file + ": File Read Error");
        if (result.outcome == CompareOutcome::Identical) {
            std::cout << "File is identical to screen" << std::endl;
            return kOk;
        }
        std::cout << "File does not match screen\n";
        for (const Difference& d : result.differences)
            std::cout << "  " << d.field << ": file " << d.fileValue << ", switch " << d.screenValue << "\n";
        std::cout.flush();
        return kDiffers;
    });
}

int Show(const std::vector<std::string>& words) {
    std::string error;
    const auto args = ParseArgs(words, {}, {"--json"}, &error);
    if (!args) return Fail(error);
    const std::string file = args->positional.empty() ? "" : args->positional[0];
    if (!CheckFile(file, &error)) return Fail(error);
    ConfigScreen screen;
    screen.FillCommandLists();
    const LoadOutcome loaded = LoadConfigFile(file, screen);
    if (loaded != LoadOutcome::Loaded) return Fail(file + ": " + LoadError(loaded));
    std::cout << (args->has("--json") ? ConfigAsJson(screen) : ConfigAsText(screen));
    return kOk;
}

int Diff(const std::vector<std::string>& words) {
    std::string error;
    const auto args = ParseArgs(words, {}, {}, &error);
    if (!args) return Fail(error);
    if (args->positional.size() != 2) return Fail("diff takes two files");
    for (const auto& f : args->positional)
        if (!CheckFile(f, &error)) return Fail(error);
    const auto differences = DiffConfigFiles(args->positional[0], args->positional[1], &error);
    if (!differences) return Fail(error);
    for (const Difference& d : *differences)
        std::cout << d.field << ": " << d.fileValue << " -> " << d.screenValue << "\n";
    std::cout.flush();
    return differences->empty() ? kOk : kDiffers;
}

int Simulate(const std::vector<std::string>& words) {
#ifdef _WIN32
    (void)words;
    return Fail("simulate is not available on Windows (it needs a pseudo-terminal)");
#else
    std::string error;
    const auto args =
        ParseArgs(words, {"--firmware", "--address", "--load", "--fault", "--line-pacing"}, {}, &error);
    if (!args) return Fail(error);
    SwitchState state = SwitchState::Factory();
    if (args->has("--load")) {
        if (!CheckFile(args->get("--load"), &error)) return Fail(error);
        const auto loaded = SwitchStateFromFile(args->get("--load"), state, &error);
        if (!loaded) return Fail(error);
        state = *loaded;
    }
    if (args->has("--firmware")) {
        std::smatch m;
        const std::string v = args->get("--firmware");
        if (!std::regex_match(v, m, std::regex("([0-9]{1,3})\\.([0-9]{1,3})")) || std::stoi(m[1]) > 255 ||
            std::stoi(m[2]) > 255)
            return Fail("--firmware takes MAJOR.MINOR, each 0 to 255");
        state.firmwareMajor = std::stoi(m[1]);
        state.firmwareMinor = std::stoi(m[2]);
    }
    if (args->has("--address")) {
        const std::string a = args->get("--address");
        if (!IsHex6(a)) return Fail("--address takes six hexadecimal digits");
        for (int i = 0; i < 3; ++i) state.address[i] = static_cast<std::uint8_t>(std::stoi(a.substr(2 * i, 2), nullptr, 16));
    }
    FaultPlan plan;
    if (args->has("--fault")) {
        const auto parsed = ParseFaultPlan(args->get("--fault"), &error);
        if (!parsed) return Fail(error);
        plan = *parsed;
    }
    const std::string pacing = args->has("--line-pacing") ? args->get("--line-pacing") : "off";
    if (pacing != "on" && pacing != "off") return Fail("--line-pacing takes on or off");

    SimulatedSwitch simulated(state, plan);
    if (!ServeOnPseudoTerminal(simulated, pacing == "on", &error)) return Fail(error);
    return kOk;
#endif
}

}  // namespace
}  // namespace kavro

int main(int argc, char* argv[]) {
    using namespace kavro;
    QCoreApplication app(argc, argv);
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::cerr << kUsage;
        return kFailed;
    }
    const std::string command = words.front();
    words.erase(words.begin());
    if (command == "--help" || command == "-h" || command == "help" ||
        std::find(words.begin(), words.end(), "--help") != words.end()) {
        std::cout << kUsage;
        return kOk;
    }
    if (command == "--version") {
        const Version v = ProgramVersion();
        std::cout << "kavro-switch " << v.major << "." << v.minor << "." << v.revision << "\n";
        return kOk;
    }
    static const std::map<std::string, int (*)(const std::vector<std::string>&)> commands{
        {"get", Get}, {"send", Send}, {"compare", Compare}, {"show", Show}, {"diff", Diff}, {"simulate", Simulate}};
    const auto it = commands.find(command);
    if (it == commands.end()) return Fail("unknown command \"" + command + "\" (kavro-switch --help lists them)");
    return it->second(words);
}
