// The commissioning report's core: a switch's bytes in the window's words,
// each switch judged by what the journal recorded of it against its planned
// file, and texts that show as typed. What the whole command writes and a
// browser prints is for cli_test.cpp and scripts/report-check.sh.

#include <gtest/gtest.h>

#include "configfile/config_records.h"
#include "platform/csv_line.h"
#include "report/switch_picture.h"
#include "report/markup.h"
#include "report/report_csv.h"
#include "report/report_html.h"
#include "report/site_report.h"
#include "simulator/switch_simulator.h"
#include "support/demo_site.h"
#include "support/temp_folder.h"
#include "transfer/held_comparison.h"

namespace kavro {
namespace {

using namespace std::chrono;

// What a switch whose state is set as the simulator holds it replies.
HeldConfiguration HeldOf(const SwitchState& state) {
    return {state.address, state.channelBlocks, state.sourceGroups};
}

// Each row one channel of a switch as its replies carry it, and what its sheet says: the events' names, commands,
// data and lock priorities, and the destination of each event.
TEST(ReportSheet, TheSheetSaysWhatTheSwitchsBytesSay) {
    struct Row {
        const char* name;
        std::array<PlainEvent, 3> events;
        int mode;
        unsigned address;
        const char* says[3];  // per event: "name|command|data|priority|destination address"
    };
    const Row rows[] = {
        {"a lock command carries its priority, and Set IP, which sends it too",
         {{{0x23, 0x05, 0x07}, {0x25, 0x0C, 0x07}, {0x24, 0, 0x07}}}, kModeSpecific, 0xA1B2C3,
         {"On Press|Lock IP|05|07|Specific A1B2C3", "On Hold|Set IP|0C|07|Specific A1B2C3",
          "On Release|Unlock||07|Specific A1B2C3"}},
        {"an absolute position is four digits, leading zero and low byte first; Seq names the events",
         {{{0x08, 0x34, 0x02}, {0x02, 0xFF}, {0x00}}}, kModePointToPoint | kSeqFlag, 0x00BE01,
         {"Function1|absolute position|0234||P-P 00BE01", "Function2|DOWN limit|FF||P-P 00BE01",
          "Function3|NONE|||P-P 00BE01"}},
        {"a code the list lacks is named by its code; Src Group goes to the channel's source group",
         {{{0x07, 0x11}, {0x11}, {0x0A, 0x50}}}, kSrcGroupFlag, 0xFFFFFF,
         {"On Press|code 07|||Src Group 010208", "On Hold|code 11|||Src Group 010208",
          "On Release|JOG UP ms|50||Src Group 010208"}},
        {"Group stands for 000000; a mode no box stands for has no address",
         {{{0x01}, {0x03}, {0x05}}}, 5, 0x123456,
         {"On Press|UP limit|||mode 5", "On Hold|STOP|||mode 5", "On Release|next IP UP|||mode 5"}},
    };
    for (const Row& row : rows) {
        SwitchState state = SwitchState::factory();
        state.setChannel(8, row.events, row.mode, row.address);
        state.setSourceGroup(8, 0x010208);
        const SheetChannel channel = ChannelsFromHeld(HeldOf(state))[7];
        for (int e = 0; e < 3; ++e) {
            const SheetEvent& got = channel.events[e];
            const std::string destination = got.destination + (got.address.empty() ? "" : " " + got.address);
            EXPECT_EQ(got.name + "|" + got.command + "|" + got.data + "|" + got.lockPriority + "|" + destination,
                      row.says[e]) << row.name;
        }
        EXPECT_TRUE(channel.oneDestination()) << row.name;
        // The drawing names the press event under its button only where Seq renames the events.
        SwitchSheet sheet;
        sheet.channels = ChannelsFromHeld(HeldOf(state));
        const std::string svg = SwitchPictureSvg(sheet);
        EXPECT_EQ(svg.find(">" + channel.events[0].name + "</text>") != std::string::npos, (row.mode & kSeqFlag) != 0)
            << row.name;
    }
    // A switch written by another tool may send each event elsewhere: each is told.
    SwitchState mixed = SwitchState::factory();
    mixed.setChannel(1, {}, kModeGroup, 0xFFFFFF);
    mixed.channelBlocks[0][kEventBlockSize + 3] = Complement(kModeSpecific);
    const SheetChannel channel = ChannelsFromHeld(HeldOf(mixed))[0];
    EXPECT_TRUE(!channel.oneDestination() && channel.events[0].destination == "Group" &&
                channel.events[1].destination == "Specific" && channel.events[1].address == "FFFFFF");
}

// A site of switches in every state the report tells, each made as the tools record it in the journal.
class ReportState : public ::testing::Test {
protected:
    ReportState() {
        test::WriteDemoSite(dir.path(), 6);
        journal = Journal::open(dir.path(), "9.9.9", &problem, [this] { return now += 1min; });
        EXPECT_TRUE(journal) << problem;
    }
    // A complete read of switch n holding demo configuration v; an imported older history has no firmware.
    void Read(int n, unsigned v, const char* firmware = "2.14") {
        ConfigScreen screen;
        test::FillDemoScreen(screen, v, test::DemoAddress(n));
        ReadRecord read{journal_event::kGet, &screen, HeldFromScreen(screen), test::DemoAddress(n), firmware, "ok",
                        {"/dev/ttyUSB0"}};
        EXPECT_TRUE(journal->recordRead(read).ok());
    }
    PlannedSwitch Planned(int n) const {
        const std::string file = "switch " + std::to_string(n + 1) + ".set";
        return {test::DemoAddress(n), test::DemoLabel(n), file, dir / file};
    }

    test::TempFolder dir;
    SystemTime now = sys_days{2026y / 12 / 1} + 9h;
    std::string problem;
    std::unique_ptr<Journal> journal;
};

TEST_F(ReportState, EachSwitchIsJudgedByTheNewestStateRecorded) {
    Read(0, 0);                       // as planned
    Read(1, 1), Read(1, 7);           // changed since, and read again
    Read(3, 3);                       // read once, then a read that failed
    journal->recordRead({journal_event::kGet, nullptr, std::nullopt, test::DemoAddress(3), "2.14",
                         "no answer for channel 3", {"/dev/ttyUSB0"}});
    Read(4, 9);                       // read as it was before a verified send of its plan
    ConfigScreen plan;
    plan.fillCommandLists();
    ASSERT_EQ(LoadConfigFile(dir / "switch 5.set", plan), LoadOutcome::Loaded);
    const ReadRecord backup{journal_event::kBeforeSend, nullptr, std::nullopt, test::DemoAddress(4)};
    const BegunWrite write = journal->beginWrite({journal_event::kSend, test::DemoAddress(4), test::DemoAddress(4),
                                                  HeldFromScreen(plan), {"/dev/ttyUSB0"}}, nullptr);
    ASSERT_TRUE(write.ok()) << write.problem << backup.address;
    journal->finishWrite(write.writeId, journal_outcome::kOk, "ok", 10);
    ConfigScreen readBack;  // the switch holds its plan: the read-back is the write's verification and a state
    test::FillDemoScreen(readBack, 4, test::DemoAddress(4));
    EXPECT_TRUE(journal->recordReadBack(write.writeId, {journal_event::kAfterSend, &readBack, HeldFromScreen(readBack),
                                                        test::DemoAddress(4), "2.14", "ok", {"/dev/ttyUSB0"}}, true)
                    .ok());
    Read(5, 5, "");                   // read, without its firmware; its planned file is damaged
    test::WriteFile(dir / "switch 6.set", "SWITCH, but not a configuration file");

    std::vector<PlannedSwitch> site;
    for (int n = 0; n < 6; ++n) site.push_back(Planned(n));
    site.push_back({"00CC01", "", "", {}});  // named by address: no plan
    ReportOptions options{"site.csv", "2026-12-02T10:00:00Z", "9.9.9", {{"00CC01", "no switch answers"}}};
    const auto report = BuildReport(*journal, site, options, &problem);
    ASSERT_TRUE(report) << problem;
    const struct {
        const char* state;
        bool verifiedWrite;
    } expected[] = {{"as planned", false}, {"differs from plan: ", false}, {"never read", false},
                    {"read failed", false}, {"as planned", true}, {"planned file unreadable", false},
                    {"read failed", false}};
    for (std::size_t n = 0; n < report->switches.size(); ++n) {
        const SwitchReport& s = report->switches[n];
        EXPECT_TRUE(s.stateText().rfind(expected[n].state, 0) == 0) << n << ": " << s.stateText();
        EXPECT_EQ(s.lastVerifiedWrite.has_value(), expected[n].verifiedWrite) << n;
    }
    // What changed is named field by field, as compare names it, and counted.
    const SwitchReport& changed = report->switches[1];
    ConfigScreen planned, holds;
    planned.fillCommandLists();
    ASSERT_EQ(LoadConfigFile(dir / "switch 2.set", planned), LoadOutcome::Loaded);
    test::FillDemoScreen(holds, 7, test::DemoAddress(1));
    EXPECT_EQ(changed.differences.size(), CompareHeld(planned, HeldFromScreen(holds)).size());
    EXPECT_EQ(changed.stateText(), "differs from plan: " + std::to_string(changed.differences.size()) + " fields");
    // A failed read shows the state before it, and says so.
    const SwitchSheet failed = SheetOf(report->switches[3]);
    EXPECT_TRUE(failed.holdsConfiguration && failed.notes.size() == 1 &&
                failed.notes[0].find("failed: no answer for channel 3. Shown is the newest state") != std::string::npos)
        << (failed.notes.empty() ? "" : failed.notes[0]);
    EXPECT_EQ(report->switches[4].shown->event, journal_event::kAfterSend) << "a read-back is a state";
    const std::string unreadable = SheetOf(report->switches[5]).notes.back();
    EXPECT_NE(unreadable.find("switch 6.set: File Read Error"), std::string::npos) << unreadable;  // shorter than a record
    for (const auto& [n, firmware] : {std::pair{0, "2.14"}, {5, "not read"}, {2, "not read"}}) {
        const auto facts = SheetOf(report->switches[n]).facts;
        EXPECT_TRUE(std::find(facts.begin(), facts.end(), std::pair<std::string, std::string>{"Firmware", firmware}) !=
                    facts.end()) << n;
    }

    // The CSV is the summary, a switch a line, read back as spreadsheets and manifests read it.
    const std::string csv = ReportCsv(*report);
    std::size_t at = csv.find("\r\n") + 2;
    for (const SwitchReport& s : report->switches) {
        const std::size_t end = csv.find("\r\n", at);
        std::string error;
        const auto fields = SplitCsvLine(std::string_view(csv).substr(at, end - at), &error);
        ASSERT_TRUE(fields && fields->size() == 9) << error;
        EXPECT_TRUE((*fields)[0] == s.planned.label && (*fields)[1] == s.planned.address &&
                    (*fields)[6] == s.stateText()) << (*fields)[0];
        at = end + 2;
    }
}

// A text shows as typed: its markup characters are references, bytes that are no UTF-8 and control characters
// (which XML refuses in a drawing) become U+FFFD, and a report carries no markup a label brought.
TEST(ReportPage, TextsShowAsTyped) {
    const struct {
        std::string text, markup;
    } rows[] = {
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"Office & \"Co\" 'north'", "Office &amp; &quot;Co&quot; &#39;north&#39;"},
        {"Caf\xE9 \x1B[2J", "Caf\xEF\xBF\xBD \xEF\xBF\xBD[2J"},
        {"K\xC3\xBC" "che", "K\xC3\xBC" "che"},
    };
    for (const auto& row : rows) EXPECT_EQ(MarkupText(row.text), row.markup) << row.text;
    SiteReport report{"<site>", "2026-12-02T10:00:00Z", "9.9.9", {}};
    SwitchReport s;
    s.planned = {"00AB01", "</td><script>x</script>", "a&b.set", {}};
    s.state = HandoverState::DiffersFromPlan;
    s.shown = JournalEntry{.event = "get", .firmware = "<2.14>"};
    s.comparedWithPlan = true;
    s.differences = {{1, "On Press command", "<x>", "STOP"}};
    report.switches.push_back(s);
    const std::string html = ReportHtml(report);
    for (const char* markup : {"<script", "<x>", "<site>", "<2.14>", "a&b"})
        EXPECT_EQ(html.find(markup), std::string::npos) << markup;
    EXPECT_NE(html.find("the file says &lt;x&gt;, the switch holds STOP"), std::string::npos);
}

}  // namespace
}  // namespace kavro
