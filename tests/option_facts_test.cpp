// The command table of kavro-switch against its other copies: the manual
// page (synopsis and OPTIONS) and the bash completion, read from the source
// tree, must offer each command with exactly the options the tool takes,
// each option with the value it takes; and the completion run in bash.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/command_line.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

// The options a text names: "-o" and every "--name".
Names OptionsIn(const std::string& text) {
    static const std::regex option("(^|[^A-Za-z0-9.-])(-o|--[a-z][a-z-]*)(?=[^A-Za-z0-9-]|$)");
    Names names;
    for (std::sregex_iterator m(text.begin(), text.end(), option), end; m != end; ++m) names.insert((*m)[2].str());
    return names;
}

// The words of a list, separated by spaces or by "|".
Names Words(const std::string& text, char separator = ' ') {
    Names words;
    std::istringstream in(text);
    for (std::string w; std::getline(in, w, separator);) {
        w.erase(0, w.find_first_not_of(" \n"));
        w.erase(w.find_last_not_of(" \n") + 1);
        if (!w.empty()) words.insert(w);
    }
    return words;
}

// Troff as it reads: "\-" a dash, fonts and quotes gone, the macros' names
// gone, one space between words, and "A | B" as "A|B".
std::string Plain(std::string manual) {
    manual = std::regex_replace(manual, std::regex("\\\\f[BIRP]|\""), "");
    manual = std::regex_replace(manual, std::regex("\\\\-"), "-");
    manual = std::regex_replace(manual, std::regex("(^|\\n)\\.(B|I|RB|IR|BR|RI|BI|IB)( |\\n)"), "$1");
    manual = std::regex_replace(manual, std::regex("\\s+"), " ");
    return std::regex_replace(manual, std::regex(" \\| "), "|");
}

// From `from` up to `to`, or what follows `from` when to is empty.
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const auto start = text.find(from);
    if (start == std::string::npos) return "";
    return text.substr(start, to.empty() ? std::string::npos : text.find(to, start + from.size()) - start);
}

// Each option the table gives the command and the text lacks, and each the
// text names that the table does not give it, fails the test by name.
void ExpectSameOptions(const std::string& command, const Names& table, const Names& found, const std::string& where) {
    for (const std::string& option : table)
        if (!found.count(option)) ADD_FAILURE() << command << " " << option << ": in the command table, not in " << where;
    for (const std::string& option : found)
        if (!table.count(option)) ADD_FAILURE() << command << " " << option << ": in " << where << ", not in the command table";
}

Names OptionsOf(const cli::CommandSpec& command) {
    Names names;
    for (const cli::OptionSpec& o : command.options) names.insert(o.name);
    return names;
}

// Each valued option followed by its value's name in the text.
void ExpectValuesNamed(const cli::CommandSpec& command, const std::string& text, const std::string& where) {
    for (const cli::OptionSpec& o : command.options)
        if (o.takesValue() && text.find(std::string(o.name) + " " + o.value) == std::string::npos)
            ADD_FAILURE() << command.name << " " << o.name << ": " << where << " does not give it " << o.value;
}

TEST(CommandTable, ManualPageOffersWhatTheToolTakes) {
    const std::string manual = test::ReadFile(KAVRO_SOURCE_DIR "/man/kavro-switch.1");
    const std::string synopsis = Between(manual, ".SH SYNOPSIS", ".SH DESCRIPTION");
    Names every{"--help", "--version"};
    for (const cli::CommandSpec& c : cli::Commands()) {
        // The usage and the command's help print the table's own synopsis.
        ExpectSameOptions(c.name, OptionsOf(c), OptionsIn(c.synopsis), "the usage's synopsis");
        ExpectValuesNamed(c, c.synopsis, "the usage's synopsis");
        const std::string own = Plain(Between(synopsis, ".B kavro-switch " + std::string(c.name) + "\n", ".br"));
        ASSERT_FALSE(own.empty()) << c.name << " is not in the manual's synopsis";
        ExpectSameOptions(c.name, OptionsOf(c), OptionsIn(own), "the manual's synopsis");
        ExpectValuesNamed(c, own, "the manual's synopsis");
        for (const cli::OptionSpec& o : c.options) every.insert(o.name);
    }
    // OPTIONS: each entry's tag is the line after .TP.
    const std::string options = Between(manual, ".SH OPTIONS", ".SH EXIT STATUS");
    std::string tags;
    for (auto at = options.find(".TP\n"); at != std::string::npos; at = options.find(".TP\n", at + 1))
        tags += Plain(options.substr(at + 4, options.find('\n', at + 4) - at - 4)) + "\n";
    ExpectSameOptions("kavro-switch", every, OptionsIn(tags), "the manual's OPTIONS");
    for (const cli::CommandSpec& c : cli::Commands()) ExpectValuesNamed(c, tags, "the manual's OPTIONS");
}

TEST(CommandTable, CompletionOffersWhatTheToolTakes) {
    const std::string completion = test::ReadFile(KAVRO_SOURCE_DIR "/resources/kavro-switch.bash");
    // The options per command: lines such as `show|ports) options="--json" ;;`.
    std::map<std::string, Names> offers;
    const std::regex line("\\n\\s+([a-z|]+)\\) options=\"([^\"]*)\"");
    for (std::sregex_iterator m(completion.begin(), completion.end(), line), end; m != end; ++m)
        for (const std::string& name : Words((*m)[1].str(), '|')) offers[name] = Words((*m)[2].str());
    // The options after which a value is typed: the patterns of `case "$prev"`.
    Names valuedOffered;
    const std::string prev = Between(completion, "case \"$prev\" in", "esac");
    const std::regex pattern("\\n\\s+([-a-z|]+)\\)");
    for (std::sregex_iterator m(prev.begin(), prev.end(), pattern), end; m != end; ++m)
        for (const std::string& name : Words((*m)[1].str(), '|')) valuedOffered.insert(name);

    Names commands, valued;
    for (const cli::CommandSpec& c : cli::Commands()) {
        commands.insert(c.name);
        ExpectSameOptions(c.name, OptionsOf(c), offers[c.name], "the completion's options");
        for (const cli::OptionSpec& o : c.options)
            if (o.takesValue()) valued.insert(o.name);
    }
    ExpectSameOptions("a value after", valued, valuedOffered, "the completion's case \"$prev\"");

    // The commands: those recognised on the line, offered first, and after help.
    Names withHelp = commands;
    withHelp.insert("help");
    const std::string found = Between(completion, "case \"${COMP_WORDS[i]}\" in", ")");
    EXPECT_EQ(Words(found.substr(found.find('\n')), '|'), withHelp) << "the commands the completion finds on the line";
    const std::string first = Between(Between(completion, "-z \"$command\"", ""), "compgen -W \"", "\" --");
    Names firstTable = commands;
    firstTable.insert({"help", "--help", "--version"});
    EXPECT_EQ(Words(first.substr(12)), firstTable) << "the words offered before a command";
    const std::string afterHelp = Between(Between(completion, "help) mapfile", ""), "compgen -W \"", "\" --");
    EXPECT_EQ(Words(afterHelp.substr(12)), commands) << "the commands offered after help";
}

// The completion run in bash: file names whole, spaces and all (a reply a
// file, never a reply a word), and after history the switches with a
// history by their folders, nothing else kept there.
TEST(CommandTable, CompletionOffersFilesWholeAndSwitchesByAddress) {
    test::TempFolder dir;
    for (const char* name : {"site 1.set", "site 2.set", "site list.csv", "site notes.txt"}) test::WriteFile(dir / name, "");
    fs::create_directory(dir / "site folder");
    const fs::path history = dir / "KavroSwitch" / "history";
    for (const char* folder : {"00AB01", "00ab02", "00AB0G", "00AB012", "notes"}) fs::create_directories(history / folder);
    for (const char* file : {"journal.db", "journal.db-wal", "00AB03"}) test::WriteFile(history / file, "");
    // words: the command line up to the word being completed, typed.
    struct Row { const char* name; const char* words; const char* typed; Names offered; };
    for (const Row& row : {
             Row{"a configuration file", "show", "site", {"site 1.set", "site 2.set", "site folder"}},
             Row{"an output", "get -o", "site", {"site 1.set", "site 2.set", "site folder"}},
             Row{"a manifest", "site send", "site", {"site list.csv", "site folder"}},
             Row{"a switch with a history", "history", "", {"00AB01", "00ab02"}},
             Row{"a switch by its first digits", "history --limit 3", "00A", {"00AB01"}},
         }) {
        test::WriteFile(dir / "complete.sh", "cd \"$(dirname \"$0\")\" && HOME=\"$PWD\" && source '" KAVRO_SOURCE_DIR
                        "/resources/kavro-switch.bash'\nCOMP_WORDS=(kavro-switch " + std::string(row.words) + " '" +
                        row.typed + "'); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _kavro_switch; "
                        "printf '%s\\n' \"${COMPREPLY[@]}\"\n");
        std::FILE* out = popen(("bash '" + (dir / "complete.sh").string() + "'").c_str(), "r");
        ASSERT_NE(out, nullptr);
        Names offered;
        for (char line[256]; std::fgets(line, sizeof line, out);)
            if (std::strlen(line) > 1) offered.insert(std::string(line, std::strlen(line) - 1));
        pclose(out);
        EXPECT_EQ(offered, row.offered) << row.name;
    }
}

}  // namespace
}  // namespace kavro
