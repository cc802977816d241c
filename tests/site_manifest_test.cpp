// A site manifest read as the site commands read it, from the text a
// spreadsheet or an editor saves: each row either the switches it lists
// (address|file|label, in order) or the line a refusal names.

#include <gtest/gtest.h>

#include <string>

#include "cli/site_manifest.h"

namespace kavro::cli {
namespace {

TEST(SiteManifest, ReadsWhatSpreadsheetsWriteAndNamesTheLineOfWhatItRefuses) {
    struct Row {
        const char* name;
        std::string text;
        const char* lists;    // the switches, "address|file|label" joined by ";"
        const char* refused;  // else the start of the refusal
    };
    const Row rows[] = {
        {"plain lines, a comment and a blank line", "# address, file\n00ab01, hall.set\n\n00AB02,stairs.set, Stairs\n",
         "00AB01|hall.set|;00AB02|stairs.set|Stairs", ""},
        {"a byte-order mark and CR LF", "\xEF\xBB\xBF" "00AB01,a.set,A\r\n00AB02,b.set,B\r\n", "00AB01|a.set|A;00AB02|b.set|B", ""},
        {"quoted commas and doubled quotes", "00AB01,\"hall, main.set\",\"The \"\"north\"\" hall\"\n",
         "00AB01|hall, main.set|The \"north\" hall", ""},
        {"a comment after the fields", "00AB01, a.set, Top  # floor 3\n", "00AB01|a.set|Top", ""},
        {"no end of line at the end", "00AB01,a.set", "00AB01|a.set|", ""},
        {"a control character in a label is written out", "00AB01,a.set,Hall\x1B[2J\n", "00AB01|a.set|Hall\\x1B[2J", ""},
        {"five digits are no address", "00AB01,a.set\n0AB02,b.set\n", "", "site.csv:2: "},
        {"a word is no address", "hall,a.set\n", "", "site.csv:1: "},
        {"FFFFFF answers for every switch", "FFFFFF,a.set\n", "", "site.csv:1: "},
        {"one switch twice, in either case", "00ab01,a.set\n00AB01,b.set\n", "", "site.csv:2: switch 00AB01 is listed twice"},
        {"a line without its file", "00AB01\n", "", "site.csv:1: "},
        {"an empty file name", "00AB01,\"\"\n", "", "site.csv:1: the file is missing"},
        {"four fields", "00AB01,a.set,A,extra\n", "", "site.csv:1: "},
        {"a quote left open", "00AB01,\"a.set\n00AB02,b.set\n", "", "site.csv:1: "},
        {"a NUL byte cuts no file name short", std::string("00AB01,a.set\0junk\n", 18), "", "site.csv:1: "},
        {"a line over 4 KiB", "00AB01,a.set," + std::string(kManifestLineLimit, 'x') + "\n", "", "site.csv:1: "},
        {"comments only", "# nothing yet\n\n", "", "site.csv: lists no switch"},
    };
    for (const Row& row : rows) {
        std::string error;
        const auto site = ParseManifest(row.text, "site.csv", &error);
        std::string lists;
        for (const SiteSwitch& s : site.value_or(std::vector<SiteSwitch>{}))
            lists += (lists.empty() ? "" : ";") + s.address + "|" + s.file + "|" + s.label;
        EXPECT_EQ(lists, row.lists) << row.name;
        EXPECT_EQ(site.has_value(), *row.refused == '\0') << row.name;
        EXPECT_EQ(error.rfind(row.refused, 0), 0u) << row.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << row.name << ": one line";
    }
}

}  // namespace
}  // namespace kavro::cli
