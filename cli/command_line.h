#pragma once
// The command line of kavro-switch: its commands with their options and
// help, and the parsing of one command's words. Options may come anywhere
// among the operands, as --name VALUE or --name=VALUE; "--" ends them, and
// "-" alone is an operand (standard input or output).

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kavro::cli {

inline constexpr int kOk = 0;
inline constexpr int kDiffers = 1;
inline constexpr int kFailed = 2;

struct CommandLine;

// One option: its name, the name of its value (none for a flag) and what it
// does in a line. Each is written once, and the commands that take it name
// it in their row; the manual page and the completion are held to them.
struct OptionSpec {
    const char* name;   // "--port", "-o"
    const char* value;  // "DEVICE"; nullptr: a flag
    const char* help;   // one line, for kavro-switch help COMMAND
    bool takesValue() const { return value != nullptr; }
};

struct CommandSpec {
    const char* name;
    int (*run)(const CommandLine& line);  // the exit status
    const char* synopsis;  // the arguments, as in the usage
    const char* help;      // what it does, in a few lines
    std::vector<OptionSpec> options;  // those it takes, as the help lists them
    int minOperands = 0;
    int maxOperands = 0;
    const char* operands = "";  // their names, for "missing" messages
};

// Every command, in the order the usage lists them.
const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(const std::string& name);

const OptionSpec* FindOption(const CommandSpec& command, const std::string& name);

// The usage of the whole tool, and the help of one command (with its options).
std::string Usage();
std::string CommandHelp(const CommandSpec& command);

struct CommandLine {
    std::map<std::string, std::string> options;  // "--port" -> value; flags -> ""
    std::vector<std::string> operands;
    bool has(const std::string& option) const { return options.count(option) != 0; }
    std::string get(const std::string& option) const {
        const auto it = options.find(option);
        return it == options.end() ? std::string{} : it->second;
    }
};

// One command's words; nothing, and the reason in error, for words the
// command does not take.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words, const CommandSpec& command,
                                            std::string* error);

// Whether the words ask for help or the version before any "--".
bool AsksFor(const std::vector<std::string>& words, const char* longName, const char* shortName);

}  // namespace kavro::cli
