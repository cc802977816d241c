#include "cli/command_line.h"

#include <algorithm>

#include "cli/commands.h"

namespace kavro::cli {
namespace {

// The options, each once; a command's row names those it takes.
const OptionSpec kPort{"--port", "DEVICE", "the serial device (/dev/ttyUSB0, COM3)"};
const OptionSpec kSwitchAddress{"--switch-address", "HEX6",
                                "reach the switch by its own address instead of the global FFFFFF"};
const OptionSpec kSite{"--site", "NAME", "the site, as the journal records it"};
const OptionSpec kOutput{"-o", "FILE", "the file to write (for get, - is standard output)"};
const OptionSpec kForce{"--force", nullptr, "replace an existing regular file"};
const OptionSpec kVerbose{"--verbose", nullptr, "print every frame on standard error"};
const OptionSpec kDecode{"--decode", nullptr, "with --verbose, print what each frame means"};
const OptionSpec kVerify{"--verify", nullptr, "read the switch back after the write and compare"};
const OptionSpec kNoBackup{"--no-backup", nullptr, "write without first reading and keeping what the switch holds"};
const OptionSpec kSteps{"--steps", "N", "go back before the N-th newest write"};
const OptionSpec kAt{"--at", "TIME", "put back what the switch held at TIME"};
const OptionSpec kLimit{"--limit", "N", "the newest N entries"};
const OptionSpec kSince{"--since", "TIME", "the entries from TIME on"};
const OptionSpec kJson{"--json", nullptr, "print JSON instead of text"};
const OptionSpec kCsv{"--csv", nullptr, "print the entries as CSV"};
const OptionSpec kPrune{"--prune-older-than", "DAYS", "remove the entries older than DAYS days"};
const OptionSpec kDryRun{"--dry-run", nullptr, "with --prune-older-than, list what would go and remove nothing"};
const OptionSpec kManifest{"--manifest", "SITE.csv", "the manifest of the site"};
const OptionSpec kLive{"--live", nullptr, "read every switch first, on --port, and keep the reads"};
const OptionSpec kFirmware{"--firmware", "X.Y", "the firmware version the switch reports"};
const OptionSpec kAddress{"--address", "HEX6", "its switch address; A,B,C puts several switches on the line"};
const OptionSpec kLoad{"--load", "FILE", "the configuration it holds; F1,F2,F3 one for each switch"};
const OptionSpec kFault{"--fault", "RULES", "misbehave as RULES say"};
const OptionSpec kLinePacing{"--line-pacing", "on|off", "on: as slow as a 4800 baud line"};
const OptionSpec kEcho{"--echo", nullptr, "echo every frame the tool sends, as many RS-485 adapters do"};

}  // namespace

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands{
        {"get", Get, "--port DEVICE [--switch-address HEX6] [--site NAME] -o FILE [--force] [--verbose [--decode]]",
         "Read the whole configuration of a switch (firmware version, switch address, the eight\n"
         "channels, the source groups) and save it as FILE, or on standard output for -o -.\n"
         "Nothing is written unless every part was read. An existing FILE is kept unless --force\n"
         "is given, which replaces a regular file only (never a folder, a device or a link).\n"
         "The read is kept in the journal too (kavro-switch help history), for --site NAME.",
         {kPort, kSwitchAddress, kSite, kOutput, kForce, kVerbose, kDecode}, 0, 0, ""},
        {"send", Send,
         "--port DEVICE [--switch-address HEX6] [--site NAME] [--verify] [--no-backup] FILE [--verbose [--decode]]",
         "Write the configuration in FILE (- for standard input) into a switch: the switch\n"
         "address, the eight channels and the source groups, ten frames. First the switch is\n"
         "read, as the write will reach it; what it holds and the write are entered in the\n"
         "journal before the first frame, and nothing is written when that fails. --no-backup\n"
         "skips the read (the write is still entered). With --verify the switch is read back,\n"
         "must hold what was sent, and the read is kept. An address that travels (the switch\n"
         "address, a channel's motor, P-P or source group address) must have all six digits:\n"
         "a file holding a shorter one sends nothing.",
         {kPort, kSwitchAddress, kSite, kVerify, kNoBackup, kVerbose, kDecode}, 1, 1, "FILE"},
        {"restore", Restore,
         "--port DEVICE [--switch-address HEX6] [--site NAME] [--steps N | --at TIME | FILE] [--verbose [--decode]]",
         "Put back what a switch held. The switch is read first; then what it held before the\n"
         "newest write into it on this bus is written back, byte for byte as the switch reported\n"
         "it, and read back. A write whose program died half way counts as the newest. --steps N\n"
         "goes back before the N-th newest write, --at TIME to what the switch held then (the\n"
         "newest read at or before it), FILE writes a configuration file instead. The read is\n"
         "kept as the backup of the restore. Without --switch-address the switch is reached by\n"
         "the global address, so that an address a send changed can be given back. A restore\n"
         "that is refused (another bus, another switch, nothing to go back to) reads and\n"
         "records nothing.",
         {kPort, kSwitchAddress, kSite, kSteps, kAt, kVerbose, kDecode}, 0, 1, "FILE"},
        {"history", History,
         "[ADDRESS] [--limit N] [--since TIME] [--site NAME] [--json | --csv] | --prune-older-than DAYS [--dry-run]",
         "List the journal: the switches it knows, or one switch's entries, newest first (time,\n"
         "event, result, addresses, bus, site, file). Events: get, before-send, send, after-send,\n"
         "before-restore, restore, after-restore, site-send. --json and --csv print the entries\n"
         "(of every switch without ADDRESS) for other programs and spreadsheets. The journal and\n"
         "the configurations it names are in the data folder's history/ (~/KavroSwitch,\n"
         "C:\\KavroSwitch on Windows). Nothing is removed but by --prune-older-than DAYS, which\n"
         "removes older entries and the files only they name, never a write with its backup,\n"
         "each switch's newest backup and state, or a file the journal did not write;\n"
         "--dry-run lists them instead.",
         {kLimit, kSince, kSite, kJson, kCsv, kPrune, kDryRun}, 0, 1, "ADDRESS"},
        {"compare", Compare, "--port DEVICE [--switch-address HEX6] FILE [--verbose [--decode]]",
         "Read a switch and compare what it holds with FILE (- for standard input): exit 0 when\n"
         "the switch matches the file, 1 when it differs (each difference on a line). When a part\n"
         "cannot be read, the parts that were are still compared, and the exit status is 2.",
         {kPort, kSwitchAddress, kVerbose, kDecode}, 1, 1, "FILE"},
        {"show", Show, "FILE [--json]",
         "Print the configuration FILE holds (- for standard input), as text or as JSON.",
         {kJson}, 1, 1, "FILE"},
        {"diff", Diff, "A B",
         "Print the fields two files hold differently, one line each (exit 0 none, 1 some).\n"
         "A value that import would refuse is named as such (exit 2). Either file may be -.",
         {}, 2, 2, "A B"},
        {"site", Site,
         "get|send|compare|restore MANIFEST --port DEVICE [--site NAME] [--no-backup] [--verbose [--decode]]",
         "Every switch of a bus in one run. MANIFEST is a CSV file, a switch a line: ADDRESS,\n"
         "FILE[, LABEL] (# starts a comment; files are found beside the manifest). site get\n"
         "saves each switch into its file (a dated name beside it when the file exists), site\n"
         "send backs each switch up as send does, writes its file into it by its address and\n"
         "reads it back, site compare checks each against its file, site restore puts every\n"
         "switch back as it was before the newest site send of the site. The journal records\n"
         "the run for the site NAME, by default the manifest's file name. The whole manifest is\n"
         "checked before anything is sent. Exit 0 when every switch succeeded (compare: 1 when\n"
         "some differ), else 2.",
         {kPort, kSite, kNoBackup, kVerbose, kDecode}, 2, 2,
         "get, send, compare or restore and a MANIFEST"},
        {"report", Report,
         "--manifest SITE.csv | ADDRESS... -o FILE [--force] [--site NAME] [--live --port DEVICE [--verbose [--decode]]]",
         "The commissioning report of a site: every switch of the manifest (or each ADDRESS)\n"
         "with what the journal last recorded of it (the newest state read, by a get, a backup\n"
         "or a read-back; the newest read; the newest verified write), compared with its planned\n"
         "file (the manifest's FILE, beside it). Each switch is \"as planned\", \"differs from plan:\n"
         "N fields\", \"never read\" or \"read failed\". --live reads every switch first, as site\n"
         "get does, and keeps the reads in the journal, so that the report proves what the\n"
         "switches hold. FILE's name gives its kind: .html (a summary, then a sheet per switch\n"
         "with a drawing of its buttons; self-contained, prints on A4 and Letter), .json (the\n"
         "same for other programs) or .csv (the summary table). Exit 0 when every switch is as\n"
         "planned, 1 when one is not, 2 when no report was written.",
         {kManifest, kOutput, kForce, kSite, kLive, kPort, kVerbose, kDecode}, 0, 100000,
         "ADDRESS"},
        {"ports", Ports, "[--json]",
         "List the serial ports: the port numbers 1 to 16 with their devices, and the serial\n"
         "ports the system reports now, with description, maker, USB ids and serial number.",
         {kJson}, 0, 0, ""},
        {"simulate", Simulate,
         "[--firmware X.Y] [--address HEX6] [--load FILE] [--fault RULES] [--line-pacing on|off] [--echo]",
         "Run a virtual switch on a new pseudo-terminal; its device path is the first line\n"
         "printed. Serves until interrupted. --fault RULES makes it misbehave: comma-separated\n"
         "MESSAGE[/CHANNEL][@ATTEMPT]=FAULT, MESSAGE a hex message byte or *, FAULT one of\n"
         "silent, short, long, wrong-length, bad-checksum, trickle, garbage-before, channel-zero,\n"
         "channel-nine, vanish, flood, keep-old, cut:N. Example: --fault 8D/3@1=silent,7D=flood\n"
         "--address A,B,C puts several switches on the line, each answering its own address;\n"
         "--load FILE gives them all FILE's configuration, --load F1,F2,F3 each its own.\n"
         "--echo makes the line echo every frame the tool sends, as many RS-485 adapters do.",
         {kFirmware, kAddress, kLoad, kFault, kLinePacing, kEcho}, 0, 0, ""},
    };
    return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

const OptionSpec* FindOption(const CommandSpec& command, const std::string& name) {
    for (const OptionSpec& o : command.options)
        if (name == o.name) return &o;
    return nullptr;
}

std::string Usage() {
    std::string text = "Usage: kavro-switch COMMAND [OPTIONS] [ARGUMENTS]\n"
                       "       kavro-switch help [COMMAND] | --help | --version\n\nCommands:\n";
    for (const CommandSpec& c : Commands()) text += "  " + std::string(c.name) + " " + c.synopsis + "\n";
    text += "\n--port DEVICE: the serial device (/dev/ttyUSB0, COM3). --switch-address HEX6 reaches\n"
            "the switch by its own address (\"Use Switch Address for Config\") instead of the global\n"
            "address FFFFFF. --verbose prints every frame on standard error, --decode names them.\n"
            "send, site send and restore keep what the switch held first (kavro-switch history).\n"
            "\nExit status: 0 success, 1 differences found (compare, diff), 2 failure, 128+N when\n"
            "stopped by signal N. kavro-switch help COMMAND tells more about one command.\n";
    return text;
}

std::string CommandHelp(const CommandSpec& c) {
    std::string text = "Usage: kavro-switch " + std::string(c.name) + " " + c.synopsis + "\n\n" + c.help + "\n";
    if (!c.options.empty()) text += "\nOptions:\n";
    for (const OptionSpec& o : c.options) {
        std::string named = "  " + std::string(o.name) + (o.takesValue() ? " " + std::string(o.value) : "");
        named.resize(std::max<std::size_t>(named.size() + 2, 28), ' ');
        text += named + o.help + "\n";
    }
    return text;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words, const CommandSpec& command,
                                            std::string* error) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || word.empty() || word[0] != '-') {
            line.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const OptionSpec* option = FindOption(command, name);
        if (option && option->takesValue()) {
            if (equals != std::string::npos) {
                line.options[name] = word.substr(equals + 1);
            } else if (i + 1 < words.size()) {
                line.options[name] = words[++i];
            } else {
                *error = name + " needs a value";
                return std::nullopt;
            }
        } else if (option && equals == std::string::npos) {
            line.options[name] = "";
        } else {
            *error = "unknown option " + word + " for " + command.name + " (kavro-switch help " + command.name +
                     " lists its options)";
            return std::nullopt;
        }
    }
    const int count = static_cast<int>(line.operands.size());
    if (count < command.minOperands) {
        *error = std::string(command.name) + " needs " + command.operands;
        return std::nullopt;
    }
    if (count > command.maxOperands) {
        *error = "unexpected argument \"" + line.operands[command.maxOperands] + "\" for " + command.name;
        return std::nullopt;
    }
    return line;
}

bool AsksFor(const std::vector<std::string>& words, const char* longName, const char* shortName) {
    for (const std::string& w : words) {
        if (w == "--") return false;
        if (w == longName || w == shortName) return true;
    }
    return false;
}

}  // namespace kavro::cli
