// "Get Config" and "Send Config" against the simulated switch, with the faults it can be told to make. The same
// scenarios run on virtual time and over a pseudo-terminal (see the rig each test program links).

#include <gtest/gtest.h>

#include <algorithm>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "history/journal.h"
#include "support/temp_folder.h"
#include "support/transfer_rig.h"

namespace kavro {
namespace {

using test::MakeRig;

// A switch whose channels use every destination mode, "Seq", locks, 16-bit data and source groups. Channel 8's
// motor and channel 7's source group travel as 11 13 0D and 0A (XON, XOFF, CR, LF): a pseudo-terminal that is
// not raw would eat or turn them.
SwitchState Rich() {
    SwitchState s = SwitchState::factory();
    s.address = {0x12, 0xAB, 0x3C};
    s.setChannel(1, {{{0x02, 0x10}, {0x0B, 0x50}, {0x03}}}, 2, 0x00A107);
    s.setChannel(2, {{{0x23, 0x05, 0x03}, {0x00}, {0x08, 0x34, 0x12}}}, 1, 0x000042);
    s.setChannel(3, {{{0x20, 0, 0x07}, {0x23, 0x05, 0x09}, {0x24}}}, 0x40, 0xFFFFFF);
    s.setChannel(4, {{{0x01}, {0x00}, {0x00}}}, 0xC0, 0xFFFFFF);
    s.setChannel(5, {{{0x0A, 0x20}, {0x0C, 0x30}, {0x0D, 0x40}}}, 1, 0x000077);
    s.setChannel(6, {{{0x04, 0x0F}, {0x05}, {0x06}}}, 0, 0xFFFFFF);
    s.setChannel(7, {{{0x10, 0x22}, {0x21}, {0x22, 0x11, 0x04}}}, 0x80, 0xFFFFFF);
    s.setChannel(8, {{{0x25, 0x03}, {0x00}, {0x00}}}, 2, 0xEEECF2);
    s.setSourceGroup(4, 0x010203);
    s.setSourceGroup(7, 0xF5CDEF);
    return s;
}

std::string Command(const ConfigScreen& s, int c, int e) { return s.commands[EventIndex(c, e)].text(); }
std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

// Runs Send Config or Get Config; how it ended.
TransferEnd Transfer(test::TransferRig& rig, bool write) {
    write ? rig.form().writeSwitch() : rig.form().readSwitch();
    return write ? rig.form().lastWrite().end : rig.form().lastRead().end;
}

// A channel as the user sees it, in one line: destination, Seq, the three events with their data where a data
// box shows, and the boxes shown.
std::string Shown(const ConfigScreen& s, int c) {
    std::string text = std::string(DestinationName(DestinationOf(s, c))) + (s.seq[c].value() ? " Seq" : "");
    for (int i = EventIndex(c, 0); i <= EventIndex(c, 2); ++i)
        text += " | " + s.commands[i].text() + (s.data[i].visible() ? " " + s.data[i].text() : "");
    if (s.lockPriority[c].visible()) text += " | priority " + s.lockPriority[c].text();
    if (s.motorAddress[c].visible()) text += " | motor " + s.motorAddress[c].text();
    if (s.sourceGroupAddress[c].visible()) text += " | group " + s.sourceGroupAddress[c].text();
    return text;
}

// Rich(), read over a screen that showed other things: a read sets "Seq" both ways and replaces a stale "Src
// Group"; a mode outside the three (channel 6 here) ticks no box and shows no address.
TEST(GetConfig, FillsEveryControl) {
    const char* const expected[kChannels]{
        "Specific | DOWN limit 10 | JOG DOWN ms 50 | STOP | motor 00A107",  // "Seq" cleared: the switch's is off
        "P-P | Lock IP 05 | NONE | absolute position 1234 | priority 03",  // 16 bits, and no priority from them
        "Group Seq | Lock Current Pos | Lock IP 05 | Unlock | priority 09",  // the last non-zero of 07, 09, 00
        "Src Group Seq | UP limit | NONE | NONE | group 010203",
        "P-P | JOG UP ms 20 | JOG UP pulse 30 | JOG DOWN pulse 40",
        "P-P | GOTO IP 0F | next IP UP | next IP DOWN",
        "Src Group | relative position 22 | Lock UP limit | Lock Down limit 11 | priority 04 | group F5CDEF",
        "Specific | Set IP 03 | NONE | NONE | priority 00 | motor EEECF2",  // Set IP's block carries a priority
    };
    SwitchState state = Rich();
    state.setChannel(6, {{{0x04, 0x0F}, {0x05}, {0x06}}}, 0x03, 0x334455);
    auto rig = MakeRig(state);
    ConfigScreen& s = rig->form().screen();
    s.seq[0].setValue(1);
    s.destinationBoxes[SrcGroupBox(0)].setValue(1);
    s.destinationBoxes[PointToPointBox(5)].setValue(1);
    rig->form().readSwitch();
    EXPECT_EQ(s.firmwareVersion.text() + " " + s.switchAddress.text(), "2.14 12AB3C");
    EXPECT_EQ(s.ppMotorAddress.text(), "000077");  // channel 5's, the last P-P read; not channel 6's 334455
    EXPECT_EQ(s.motorAddress[5].text(), "000000");
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(Shown(s, c), expected[c]) << "channel " << c + 1;
        EXPECT_EQ(s.sourceGroupAddress[c].text(), c == 3 ? "010203" : c == 6 ? "F5CDEF" : "000000") << c + 1;
    }
    for (int i = 0; i < kEvents; ++i) EXPECT_EQ(s.commandCode(i), CommandCode(s.commands[i].selected())) << i;
    EXPECT_TRUE(rig->form().lastRead().complete());
    EXPECT_TRUE(rig->ui.messages.empty());
    EXPECT_EQ(rig->ui.pointers, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default}));
    const auto f = rig->frames();  // the worked query frames, in order
    ASSERT_EQ(f.size(), 11u);
    EXPECT_EQ(f[0], (Bytes{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C}));
    EXPECT_EQ(f[1], (Bytes{0x8F, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x7B}));
    EXPECT_EQ(f[2], (Bytes{0x8D, 0xF3, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x09, 0x76}));
    for (int ch = 1; ch <= 8; ++ch) EXPECT_EQ(f[1 + ch][9], Complement(ch)) << "channel " << ch;
    EXPECT_EQ(f[10], (Bytes{0x8C, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x78}));
}

// A read of some parts asks those alone, in order, and tells of those alone; four queries without a well-formed
// reply end it whatever the parts are.
TEST(GetConfig, APartialReadAsksOnlyItsParts) {
    auto rig = MakeRig(Rich());
    ReadParts parts{.firmware = false, .switchAddress = false, .channels = {}, .sourceGroups = false};
    parts.channels[2] = parts.channels[4] = true;
    int mostSteps = 0;
    rig->form().setTransferObserver([&] { mostSteps = std::max(mostSteps, rig->form().progress().steps); });
    rig->form().readFresh({}, parts);
    const ConfigScreen& s = rig->form().freshScreen();
    const auto f = rig->frames();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0][9], Complement(3));
    EXPECT_EQ(f[1][9], Complement(5));
    EXPECT_EQ(mostSteps, 2);
    EXPECT_TRUE(rig->form().lastRead().complete());
    EXPECT_EQ(Shown(s, 2) + " / " + Shown(s, 4) + " / " + Shown(s, 0),
              "Group Seq | Lock Current Pos | Lock IP 05 | Unlock | priority 09 / P-P | JOG UP ms 20 | JOG UP pulse 30 | "
              "JOG DOWN pulse 40 / Group | NONE | NONE | NONE");
    rig->plan("8D/3=silent,8D/5=bad-checksum");
    rig->form().readFresh({}, parts);
    EXPECT_EQ(ReadVerdict(rig->form().lastRead()).summary,
              "No switch answered properly: Get Config gave up after four queries (a reply with a bad checksum)");
    parts.channels[2] = false;
    rig->form().readFresh({}, parts);
    EXPECT_EQ(ReadVerdict(rig->form().lastRead()).summary, "Get Config: channel 5: a reply with a bad checksum");
    EXPECT_EQ(rig->frames().size(), 2u + 4 + 2);
}

// Each fault on a read's first attempt only (@2: the switch counts the good read before) is made good by the
// second attempt. On every attempt: the channel keeps what it showed, the verdict says what came instead, and the
// read goes on. A reply for another channel is shown nowhere. A stray byte left over never spoils the exchanges
// after it, and a reply that did not come is never taken from what the good read before it left. Four queries
// without a well-formed reply end a read. A write frame counts as acknowledged only by a well-formed reply; all ten
// go out whatever comes back.
TEST(Transfers, EachReplyFault) {
    struct Row {
        const char *name, *plan;
        std::string verdict;
        std::size_t frames;
        std::uint32_t slowerMs = 0;
        const char* shows = "DOWN limit, JOG DOWN pulse";  // channels 1 and 2 On Press afterwards; nullptr: a write
        bool slow = false;                                 // on virtual time only
        bool whole = false;                                // the verdict is all of the summary, not its start
    };
    const std::string done = "Get Config complete", sent = "Send Config sent, but a garbled reply came to: ";
    const char* read = "DOWN limit, Lock IP";  // channel 2 read again
    const Row rows[]{
        {"silent once", "8D/2@2=silent", done, 12, 800, read},
        {"cut before its last byte once", "8D/2@2=cut:32", done, 12, 0, read},
        {"wrong length once", "8D/2@2=wrong-length", done, 12, 0, read},
        {"bad checksum once", "8D/2@2=bad-checksum", done, 12, 0, read},
        {"garbage before once", "8D/2@2=garbage-before", done, 12, 0, read},
        {"reply names channel 9 once", "8D/2@2=channel-nine", done, 12, 0, read},
        {"short twice", "8D/2=short", "Get Config: channel 2: a short reply (16 of 33 bytes)", 12},
        {"bad checksum twice", "8D/2=bad-checksum", "Get Config: channel 2: a reply with a bad checksum", 12},
        {"long once: waited for to the time-out, judged on its first 49 bytes", "8D/2@2=long", done, 11, 700, read},
        {"slow but timely", "*=trickle", done, 11, 0, read},
        {"reply names channel 9", "8D/2=channel-nine", "Get Config: channel 2: a reply for channel 9", 12},
        {"reply names channel 0", "8D/2=channel-zero", "Get Config: channel 2: a reply for channel 0", 12},
        {"switch address silent", "8F=silent", "Get Config: no answer for switch address", 12, 0, read},
        {"a flood at the source groups", "8C=flood", "Get Config: source groups: a noisy line: ", 12, 0, read, true},
        {"silent switch", "*=silent", "No switch answered: Get Config gave up after four queries", 4, 0, nullptr, true},
        {"falls silent after channel 3: four queries without an answer end the read",
         "8D/4=silent,8D/5=silent,8D/6=silent,8D/7=silent,8D/8=silent,8C=silent",
         "The switch fell silent: Get Config gave up after four queries without a well-formed reply; read: firmware "
         "version, switch address, channels 1 to 3", 9, 0, read, true, true},
        {"every write answered", "", "Send Config sent", 10, 0, nullptr},
        {"a write answered with a bad checksum", "7F=bad-checksum", sent + "switch address", 10, 0, nullptr},
        {"a short acknowledgement", "7D/4=short", sent + "channel 4", 10, 0, nullptr},
        {"garbage before an acknowledgement", "7C=garbage-before", sent + "source groups", 10, 0, nullptr},
        {"a flood from channel 7 on", "7D/7=flood", sent + "channel 7, channel 8, source groups", 10, 0, nullptr, true},
        {"two writes unanswered", "7D/3=silent,7F=silent",
         "Send Config sent, but no answer came to: switch address, channel 3", 10, 0, nullptr},
        {"a write nobody hears", "*=silent", "Send Config: no switch answered any of the 10 frames", 10, 0, {}, true},
    };
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        if (row.slow && !rig->virtualTime) continue;
        rig->form().readSwitch();
        const std::uint32_t normalMs = rig->nowMs();
        ConfigScreen& s = rig->form().screen();
        s.commands[EventIndex(1, 0)].select(11);
        rig->plan(row.plan);
        const std::uint32_t start = rig->nowMs();
        const bool write = !row.shows && row.verdict.rfind("No switch", 0) != 0;
        Transfer(*rig, write);
        const Verdict verdict = write ? WriteVerdict(rig->form().lastWrite())
                                      : ReadVerdict(rig->form().lastRead());
        EXPECT_EQ(row.whole ? verdict.summary : verdict.summary.substr(0, row.verdict.size()), row.verdict)
            << row.name << ": " << verdict.summary;
        EXPECT_EQ(verdict.ok, row.verdict.find(':') == std::string::npos) << row.name;  // a colon: what failed
        EXPECT_EQ(rig->frames().size(), 11 + row.frames) << row.name;
        EXPECT_TRUE(rig->ui.messages.empty()) << row.name;
        EXPECT_GE(rig->nowMs() - start, row.slowerMs ? normalMs + row.slowerMs : 0) << row.name;
        if (write) continue;
        const ReadReport& report = rig->form().lastRead();
        EXPECT_EQ(s.firmwareVersion.text(), report.firmware.read ? "2.14" : "Error") << row.name;
        EXPECT_EQ(s.switchAddress.text(), report.switchAddress.read ? "12AB3C" : "Error") << row.name;
        EXPECT_TRUE(!row.shows || Command(s, 0, 0) + ", " + Command(s, 1, 0) == row.shows) << row.name;
    }
}

// Many RS-485 adapters hear their own transmission: every frame sent comes back before the switch's reply, and the
// echo of the switch address query is itself a well-formed frame (naming FEFFFF). Through such an adapter a read
// gives the very file, and a verified send the very verdict and switch, that a plain adapter gives, with the same
// frames on the line; each echo is told in the diagnostic log. (How long it takes: scripts/bench.sh.)
TEST(Transfers, AnEchoingAdapterGivesWhatAPlainOneGives) {
    struct Outcome {
        std::optional<ConfigBytes> file;
        std::string read, sent;
        SwitchState held;
        std::size_t frames = 0;
        bool echoLogged = false;
    };
    const auto run = [](bool echo) {
        auto rig = MakeRig(Rich());
        rig->echo(echo);
        Application& form = rig->form();
        form.readSwitch();
        Outcome o{ConfigFileBytes(form.screen()), ReadVerdict(form.lastRead()).summary};
        o.echoLogged = form.diagnostic().text().find("ECHO 8C F4 FF FE FF FF FF FF FF 08 78 \r\n") != std::string::npos;
        form.screen().commands[EventIndex(4, 1)].select(3);
        form.verifyAfterSend().setValue(1);
        form.writeSwitch();
        o.sent = VerifiedWriteVerdict(form.lastWrite(), form.lastVerify()).summary;
        o.held = rig->withSwitch([](SimulatedSwitch& sw) { return sw.state(); });
        o.frames = rig->frames().size();
        return o;
    };
    const Outcome plain = run(false), echoed = run(true);
    ASSERT_TRUE(plain.file && echoed.file);
    EXPECT_EQ(*echoed.file, *plain.file);
    EXPECT_EQ(echoed.read, "Get Config complete");
    EXPECT_EQ(echoed.sent, plain.sent);
    EXPECT_EQ(plain.sent, "Send Config sent and verified: the switch holds what was sent");
    EXPECT_TRUE(echoed.held.address == plain.held.address && echoed.held.channelBlocks == plain.held.channelBlocks &&
                echoed.held.sourceGroups == plain.held.sourceGroups);
    EXPECT_EQ(echoed.frames, plain.frames);
    EXPECT_TRUE(echoed.echoLogged && !plain.echoLogged);
}

// The line goes away: one message, the port closed, what was done stays; later transfers find no port and say
// so, without waiting.
TEST(Transfers, VanishingLineStopsOnceAndKeepsWhatWasDone) {
    for (bool write : {false, true}) {
        const char* name = write ? "Send Config" : "Get Config";
        auto rig = MakeRig(Rich());
        rig->plan(write ? "7D/5=vanish" : "8D/4=vanish");
        EXPECT_EQ(Transfer(*rig, write), TransferEnd::LineLost) << name;
        EXPECT_EQ(rig->frames().size(), 6u) << name;  // the one that vanished is the sixth either way
        const ConfigScreen& s = rig->form().screen();
        EXPECT_TRUE(write || Command(s, 2, 0) + ", " + Command(s, 3, 0) == "Lock Current Pos, NONE");  // 4 never came
        ASSERT_EQ(rig->ui.messages.size(), 1u) << name;
        EXPECT_NE(rig->ui.messages[0].text.find("went away"), std::string::npos) << name;
        // Frames 0..4 were acknowledged before the sixth took the line with it.
        EXPECT_TRUE(!write || WriteVerdict(rig->form().lastWrite()).summary.find(
                                  "after 6 of 10 frames: the switch now holds part of the screen (it acknowledged "
                                  "switch address, channel 1, channel 2, channel 3, channel 4). Send Config again") !=
                                  std::string::npos) << WriteVerdict(rig->form().lastWrite()).summary;
        EXPECT_FALSE(rig->form().port().isOpen()) << name;
        const std::uint32_t start = rig->nowMs();
        EXPECT_EQ(Transfer(*rig, false), TransferEnd::NoPort) << name;
        EXPECT_EQ(Transfer(*rig, true), TransferEnd::NoPort) << name;
        EXPECT_LT(rig->nowMs() - start, 100u) << name;
        EXPECT_EQ(rig->ui.messages.size(), 3u) << name;
    }
}

// What the user does while a read waits: a second transfer, Clear Data and Select Comm (listing ports opens
// devices) are ignored; closing the window ends the read quietly.
TEST(Transfers, ActionsDuringAReadWait) {
    struct Row {
        const char* name;
        void (*action)(Application&);
        bool closes;
    };
    const Row rows[]{
        {"second transfer or Clear Data", [](auto& a) { a.readSwitch(); a.writeSwitch(); a.clearData(); }, false},
        {"Select Comm", [](auto& a) { a.selectPort(); }, false},
        {"closing the window", [](auto& a) { a.shutDown(); }, true},
    };
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        rig->during(row.closes ? 150 : 60, [&] { row.action(rig->form()); });
        EXPECT_EQ(Transfer(*rig, false), row.closes ? TransferEnd::Closing : TransferEnd::Finished) << row.name;
        EXPECT_TRUE(rig->ui.messages.empty() && rig->ui.selectionShown == 0 && !rig->form().portSelection()) << row.name;
        EXPECT_EQ(rig->frames().size() == 11u, !row.closes) << row.name;
        EXPECT_EQ(rig->form().port().isOpen(), !row.closes) << row.name;
        EXPECT_TRUE(row.closes || Command(rig->form().screen(), 0, 0) == "DOWN limit") << row.name;  // not cleared
    }
}

// The journal tells how each Send Config ended, as the switch saw it: whole, or stopped by closing the window
// part-way (not failed: the switch answered every frame it was sent).
TEST(Transfers, TheJournalTellsHowASendEnded) {
    const struct {
        const char* name;
        std::uint32_t closeAfterMs;  // 0: not closed
        const char* outcome;
        bool allSent;
    } rows[]{{"sent whole", 0, journal_outcome::kOk, true}, {"the window closed part-way", 400, journal_outcome::kStopped, false}};
    for (const auto& row : rows) {
        auto rig = MakeRig(Rich());
        rig->form().readSwitch();
        rig->form().screen().commands[EventIndex(0, 0)].select(5);
        const std::size_t before = rig->frames().size();
        if (row.closeAfterMs) rig->during(row.closeAfterMs, [&] { rig->form().shutDown(); });
        rig->form().writeSwitch();
        EXPECT_EQ(rig->frames().size() - before == 10u, row.allSent) << row.name;
        std::string problem;
        const auto journal = Journal::open(rig->data.path(), "9.9.9", &problem);
        ASSERT_TRUE(journal) << problem;
        const auto entries = journal->entries({});
        const auto send = std::find_if(entries.begin(), entries.end(),
                                       [](const JournalEntry& e) { return e.event == journal_event::kSend; });
        ASSERT_NE(send, entries.end()) << row.name;
        EXPECT_EQ(send->outcome, row.outcome) << row.name;
    }
}

// Unsent changes kept at the end of a session and found damaged at the next start: what loaded is marked as a
// mixture, unless nothing but the file's first record did.
TEST(Recovery, ADamagedRecoveryFileIsMarkedWhenPartOfItLoaded) {
    const struct {
        const char* name;
        int damagedRecord;  // 0: whole
        const char* mark;
    } rows[]{{"whole", 0, ""}, {"damaged at record 2: nothing loaded", 2, ""},
             {"damaged at record 3", 3, "partly loaded from a damaged file: records 1 to 2"},
             {"damaged at record 9", 9, "partly loaded from a damaged file: records 1 to 8"}};
    for (const auto& row : rows) {
        auto rig = MakeRig(Rich());
        ConfigScreen kept;
        kept.fillCommandLists();
        kept.commands[EventIndex(0, 0)].select(5);  // record 2
        const ConfigBytes whole = *ConfigFileBytes(kept);
        std::string bytes(whole.begin(), whole.end());
        if (row.damagedRecord) bytes.replace((row.damagedRecord - 1) * 128, 4, std::string("\x02\x00\x63\x00", 4));
        const std::filesystem::path recovery = rig->data.path() / "unsent-changes.set";
        test::WriteFile(recovery, bytes);
        rig->form().offerRecovery();
        EXPECT_EQ(rig->form().damagedLoadMark(), row.mark) << row.name;
        EXPECT_EQ(Command(rig->form().screen(), 0, 0) == Command(kept, 0, 0), row.damagedRecord != 2) << row.name;
        EXPECT_FALSE(std::filesystem::exists(recovery)) << row.name;
    }
}

// What the screen shows is what goes on the line, or nothing goes. A switch address box of six hexadecimal digits
// addresses every frame when ticked; one that does not ("Error" after a failed read), FFFFFF (the address every
// switch answers to) as the address to write, or a box whose text the parsers would read as something else ("g9"
// as 09, "12345" as 1234, as a file may hold them) sends nothing, and the message names the box. An address that
// travels is six digits or nothing goes ("12345" would go out as 123450, another motor): each box, typed or from a
// file. Short data, an empty data box and lower case are sent as the value they show. A silent switch ends a read
// after four queries and keeps the address the user typed to reach it by.
TEST(Transfers, ShownIsSentOrNothingIs) {
    struct Row {
        const char *name, *address;
        bool use, write;
        std::size_t frames;
        const char* says = nullptr;  // in the message when nothing was sent
        void (*change)(ConfigScreen&) = [](ConfigScreen&) {};
    };
    const Bytes box{0x12, 0xAB, 0x3C}, everySwitch{0xFF, 0xFF, 0xFF};
    const Row rows[]{
        {"Get addressed by the box", "12AB3C", true, false, 11},
        {"Send addressed by the box in lower case", "12ab3c", true, true, 10},
        {"Get by the global address beside Error", "Error", false, false, 11},
        {"Send after a read left Error", "Error", false, true, 0, "\"Error\", not six hexadecimal digits"},
        {"Send with five digits", "12AB3", false, true, 0, "Switch Address: 12AB3 has five digits; a switch address has six"},
        {"Get addressed by Error", "Error", true, false, 0, "not six hexadecimal digits"},
        {"Send of FFFFFF as the switch's address", "FfFfFF", false, true, 0, ": FFFFFF is the address every switch"},
        {"Get by FFFFFF, the global address", "FFFFFF", true, false, 11},
        {"a data box holding g9", "12AB3C", false, true, 0, "Channel 3: the \"On Hold\" data box holds \"g9\", which "
         "would go out as 09", [](auto& s) { s.data[EventIndex(2, 1)].setText("g9"); }},
        {"a data box holding five digits", "12AB3C", false, true, 0, "\"12345\", which would go out as 1234",
         [](auto& s) { s.data[EventIndex(1, 2)].setText("12345"); }},
        {"a motor address with a letter past F", "12AB3C", false, true, 0,
         "Channel 1: the \"Motor Address\" box holds \"00a1G7\", which would go out as 00A1",
         [](auto& s) { s.motorAddress[0].setText("00a1G7"); }},
        {"a priority with a space", "12AB3C", false, true, 0, "\"Lock Priority\" box holds \" 3\"",
         [](auto& s) { s.lockPriority[2].setText(" 3"); }},
        {"a Specific channel's motor address of five digits", "12AB3C", false, true, 0,
         "Channel 1, Motor Address: 12345 has five digits; a switch address has six. So Send Config sent nothing: it "
         "would go out as 123450", [](auto& s) { s.motorAddress[0].setText("12345"); }},
        {"the P-P Motor Address a P-P channel uses, five digits", "12AB3C", false, true, 0,
         "Channel 2, P-P Motor Address: 12345 has five digits", [](auto& s) { s.ppMotorAddress.setText("12345"); }},
        {"a Src Group channel's address, five digits", "12AB3C", false, true, 0,
         "Channel 4, Src Group address: 12345 has five digits", [](auto& s) { s.sourceGroupAddress[3].setText("12345"); }},
        {"an empty motor address", "12AB3C", false, true, 0, "Channel 1, Motor Address is empty; a switch address has",
         [](auto& s) { s.motorAddress[0].setText(""); }},
        {"a file holding a short address, imported", "12AB3C", false, true, 0,
         "Channel 1, Motor Address: A1 has two digits", [](auto& s) {
             ConfigBytes file = *ConfigFileBytes(s);
             const Record motor = *EncodeRecord(std::string("A1"));  // record 13: channel 1's motor address
             std::copy(motor.begin(), motor.end(), file.begin() + 12 * kRecordSize);
             EXPECT_EQ(LoadConfig(file, s), LoadOutcome::Loaded) << "a file holding it still loads";
         }},
        {"addresses not used travel nowhere: five digits are sent", "12AB3C", false, true, 10, nullptr, [](auto& s) {
             s.motorAddress[1].setText("12345"), s.sourceGroupAddress[0].setText("1");
         }},
        {"short and empty data, lower-case addresses", "12AB3C", false, true, 10, nullptr, [](auto& s) {
             s.data[EventIndex(0, 0)].setText("a"), s.data[EventIndex(4, 0)].setText(""), s.motorAddress[0].setText("00a1b7");
         }},
        {"a silent switch keeps the address typed", "00ABCD", true, false, 4},
    };
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        ConfigScreen& s = rig->form().screen();
        rig->form().readSwitch();
        rig->withSwitch([](SimulatedSwitch& sw) { sw = SimulatedSwitch(Rich()); });  // frames from here on
        row.change(s);
        s.switchAddress.setText(row.address);
        s.useSwitchAddress.setValue(row.use ? 1 : 0);
        const std::uint32_t start = rig->nowMs();
        Transfer(*rig, row.write);
        const auto f = rig->frames();
        ASSERT_EQ(f.size(), row.frames) << row.name;
        ParserSlots typed;
        ParseAddressText(row.address, typed);
        const Bytes destination = row.use ? Bytes{Byte(typed.address1), Byte(typed.address2), Byte(typed.address3)}
                                          : everySwitch;
        for (const Bytes& frame : f) EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 9), destination) << row.name;
        EXPECT_TRUE(!row.frames || !row.write || Bytes(f[0].begin() + 9, f[0].begin() + 12) == box) << row.name;
        ASSERT_EQ(rig->ui.messages.size(), row.says ? 1u : 0u) << row.name;
        EXPECT_EQ(s.switchAddress.text(), row.frames == 11 ? "12AB3C" : row.address) << row.name;
        EXPECT_TRUE(row.frames != 4 || rig->nowMs() - start < 4500u) << row.name;  // four waits of at most a second
        if (row.frames == 10) {  // what the switch holds, read back, is what the screen shows
            rig->form().readFresh({});
            EXPECT_TRUE(CompareHeld(s, rig->form().lastRead().held).empty()) << row.name;
        }
        EXPECT_TRUE(!row.says || rig->ui.messages[0].text.find(row.says) != std::string::npos) << row.name;
    }
}

// Read one switch, write another: it then holds what the first holds, as the tool itself would have written it
// (three frames are checked byte for byte). All lock commands of a channel share its one priority; group
// destinations carry FFFFFF. Two things do not survive by design: a priority byte on a channel with no lock
// command (its byte is the data's), and a source group on a channel not in "Src Group" mode.
TEST(CopyBetweenSwitches, SecondSwitchHoldsWhatTheFirstHolds) {
    SwitchState a = Rich();
    a.setChannel(1, {{{0x02, 0x10, 0x05}, {0x0B, 0x50}, {0x03}}}, 2, 0x00A107);      // the stray priority 05
    a.setChannel(2, {{{0x23, 0x05, 0x03}, {0x00}, {0x08, 0x34, 0x12}}}, 1, 0x000077);  // channel 5's P-P address
    a.setChannel(3, {{{0x20, 0, 0x09}, {0x23, 0x05, 0x09}, {0x24, 0, 0x09}}}, 0x40, 0xFFFFFF);
    a.setChannel(7, {{{0x10, 0x22}, {0x21, 0, 0x04}, {0x22, 0x11, 0x04}}}, 0x80, 0xFFFFFF);
    a.setChannel(8, {{{0x25, 0x03, 0x0E}, {0x22, 0x44, 0x0E}, {0x00}}}, 2, 0xEEECF2);
    a.setSourceGroup(2, 0x0D0E0F);  // channel 2 is not in Src Group
    auto rig = MakeRig(a);
    rig->form().readSwitch();
    EXPECT_EQ(rig->form().screen().lockPriority[0].text(), "00");
    rig->withSwitch([](SimulatedSwitch& sw) { sw = SimulatedSwitch(SwitchState::factory()); });
    rig->form().writeSwitch();
    const auto f = rig->frames();  // the second switch's
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(f[0], (Bytes{0x7F, 0x71, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0xAB, 0x3C, 0x08, 0xE1}));
    // Channel 2: Lock IP 05 with priority 03, NONE, absolute position 1234 low byte first; P-P to 000077.
    EXPECT_EQ(f[2], (Bytes{0x7D, 0x5E, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0xDC, 0xFA, 0xFC, 0xFE, 0xFF,
                           0xFF, 0x88, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x88, 0xF7, 0xCB, 0xED, 0xFE, 0xFF, 0xFF,
                           0x88, 0x1B, 0xDA}));
    // Only channels 4 and 7 are in Src Group: 010203 and F5CDEF.
    EXPECT_EQ(f[9], (Bytes{0x7C, 0x5C, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFE, 0xFD, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0A, 0x32, 0x10,
                           0xFF, 0xFF, 0xFF, 0x1D, 0x01}));
    a.channelBlocks[0][2] = Complement(0x00);
    a.setSourceGroup(2, 0x000000);
    const SwitchState b = rig->withSwitch([](SimulatedSwitch& sw) { return sw.state(); });
    EXPECT_EQ(b.address, a.address);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(b.channelBlocks[c], a.channelBlocks[c]) << "channel " << c + 1;
    EXPECT_EQ(b.sourceGroups, a.sourceGroups);
    EXPECT_TRUE(rig->ui.messages.empty());
    rig->form().readSwitch();  // a second copy sends the very same frames: nothing is left over from the first
    rig->form().writeSwitch();
    const auto again = rig->frames();
    ASSERT_EQ(again.size(), 31u);
    EXPECT_TRUE(std::equal(f.begin(), f.end(), again.begin() + 21));
}

// Send Config with "Back up before Send" and "Verify after Send": the switch is read first, as the write reaches it,
// and what it held is kept in the history, then it is written and read back. When the history cannot be written
// nothing goes on the line; when the read fails, or its backup cannot be kept, no write frame does and the switch
// holds what it held.
TEST(BackUpBeforeSend, ReadsKeepsThenWritesOrWritesNothing) {
    struct Row {
        const char *name, *plan;
        const char* spoil;  // made a file in the data folder, so that nothing can be kept there
        std::string frames;  // q a query, w a write
        const char* says = nullptr;  // in the message when nothing was written
        TransferEnd end = TransferEnd::NotBackedUp;
    };
    const std::string read(11, 'q'), write(10, 'w');
    const Row rows[]{
        {"kept, written, read back", "", nullptr, read + write + read},
        {"a read that fails", "8D/3=silent", nullptr, std::string(12, 'q'),
         "reading the switch to back it up first failed (Get Config: no answer for channel 3)"},
        {"a history folder that is a file", "", "history", "", "history is not a folder, so the write could not be entered",
         TransferEnd::NotJournaled},
        {"a switch folder that cannot be made", "", "history/12AB3C", read, "its backup could not be kept",
         TransferEnd::NotJournaled},
    };
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        Application& form = rig->form();
        form.readSwitch();
        form.readFresh(AddressingOf(form.screen()));
        const auto held = ConfigFileBytes(form.freshScreen());
        form.screen().commands[EventIndex(0, 0)].select(5);
        form.backUpBeforeSend().setValue(1), form.verifyAfterSend().setValue(1);
        const std::filesystem::path history = rig->data / "history";
        if (row.spoil) std::filesystem::remove_all(history), std::filesystem::create_directories((rig->data / row.spoil).parent_path()),
            test::WriteFile(rig->data / row.spoil, "");
        rig->withSwitch([](SimulatedSwitch& sw) { sw = SimulatedSwitch(Rich()); });  // frames from here on
        rig->plan(row.plan);
        form.writeSwitch();
        std::string codes;
        for (const Bytes& f : rig->frames()) codes += f[0] & 0x80 ? 'q' : 'w';
        EXPECT_EQ(codes, row.frames) << row.name;
        std::vector<std::string> backups;
        std::error_code none;
        for (const auto& f : std::filesystem::directory_iterator(history / "12AB3C", none))
            if (f.path().string().ends_with("-before-send.set")) backups.push_back(test::ReadFile(f.path()));
        ASSERT_EQ(backups.size(), row.says ? 0u : 1u) << row.name;
        if (!row.says) {
            EXPECT_EQ(backups[0], std::string(held->begin(), held->end())) << row.name;
            EXPECT_TRUE(form.lastVerify().holds() && rig->ui.messages.empty()) << row.name;
            continue;
        }
        const SwitchState now = rig->withSwitch([](SimulatedSwitch& sw) { return sw.state(); }), before = Rich();
        EXPECT_TRUE(now.channelBlocks == before.channelBlocks && now.address == before.address) << row.name;
        EXPECT_EQ(form.lastWrite().end, row.end) << row.name;
        ASSERT_EQ(rig->ui.messages.size(), 1u) << row.name;
        EXPECT_NE(rig->ui.messages[0].text.find(row.says), std::string::npos) << rig->ui.messages[0].text;
    }
}

// A restore puts back every byte the switch held, what a screen cannot show included: a source group address in the
// slot of a channel not in "Src Group" mode, different P-P addresses on two channels, a hold block whose address
// is not its press block's. Send Config of the backup file could not (it sends what the screen shows); the restore
// writes the switch's own bytes, and its read-back checks each of them. What no write can set, the firmware, is
// named instead.
TEST(Restore, PutsBackEveryByteTheSwitchHeld) {
    SwitchState before = Rich();
    before.setSourceGroup(1, 0x0A0B0C);                                      // channel 1 is "Specific"
    before.channelBlocks[5][kEventBlockSize + 4] = Complement(0x12);         // channel 6's hold block elsewhere
    auto rig = MakeRig(before);
    Application& form = rig->form();
    form.readSwitch();
    form.screen().commands[EventIndex(0, 0)].select(5), form.screen().ppMotorAddress.setText("00BEEF");
    form.backUpBeforeSend().setValue(1);
    form.writeSwitch();
    ASSERT_TRUE(form.lastWrite().complete());
    const auto held = [&] { return rig->withSwitch([](SimulatedSwitch& sw) { return sw.state(); }); };
    ASSERT_NE(held().sourceGroups, before.sourceGroups) << "Send Config sends 000000 in the slot of a channel not in Src Group";
    rig->withSwitch([](SimulatedSwitch& sw) { sw.state().firmwareMinor = 15; });

    const RestoreReport& restore = form.restore({});
    ASSERT_FALSE(restore.refused()) << restore.refusal;
    EXPECT_TRUE(restore.exact && form.lastWrite().complete() && form.lastVerify().holds());
    const SwitchState after = held();
    EXPECT_EQ(after.address, before.address);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(after.channelBlocks[c], before.channelBlocks[c]) << "channel " << c + 1;
    EXPECT_EQ(after.sourceGroups, before.sourceGroups);
    ASSERT_EQ(restore.notPutBack.size(), 1u);
    EXPECT_NE(restore.notPutBack[0].find("read from firmware 2.14, the switch runs 2.15"), std::string::npos);
    // A byte the switch keeps otherwise after the restore is named, not called held.
    rig->withSwitch([](SimulatedSwitch& sw) { sw.setPlan(*ParseFaultPlan("7C=keep-old")); });
    form.restore({.request = {.steps = 1}});
    ASSERT_FALSE(form.lastVerify().holds());
    EXPECT_EQ(DescribeHeldDifference(form.lastVerify().differences.front()).rfind("channel 1, source group address", 0), 0u);
}

// A verified send whose read-back misses a part tells it, and every field that differs in the parts read back: a
// switch that kept its old channel 5 while channel 3 could not be read back is named on both counts, in either
// order, in the window's verdict and its verify window.
TEST(VerifiedWrite, EveryPartNotReadBackAndEveryDifferenceAreNamed) {
    struct Row { const char* plan; int unread, kept; };
    for (const Row& row : {Row{"7D/5=keep-old,8D/3=silent", 3, 5}, Row{"7D/3=keep-old,8D/5=silent", 5, 3}}) {
        auto rig = MakeRig(Rich());
        Application& form = rig->form();
        form.readSwitch();
        for (int c : {2, 4}) form.screen().commands[EventIndex(c, 0)].select(3);  // STOP on press, channels 3 and 5
        form.verifyAfterSend().setValue(1);
        rig->plan(row.plan);
        form.writeSwitch();
        const std::string verdict = VerifiedWriteVerdict(form.lastWrite(), form.lastVerify()).summary;
        const std::string unread = "no answer for channel " + std::to_string(row.unread),
                          kept = "channel " + std::to_string(row.kept) + ", On Press command: sent STOP, the switch holds";
        EXPECT_TRUE(verdict.find(unread) != std::string::npos && verdict.find(kept) != std::string::npos) << verdict;
        EXPECT_EQ(form.statusText().find(verdict) != std::string::npos, true) << form.statusText();
        ASSERT_EQ(rig->ui.windowsShown.size(), 1u) << row.plan;
        const auto& listed = rig->ui.windowsShown[0]->details();  // the part not read back first
        ASSERT_GE(listed.size(), 2u) << row.plan;
        EXPECT_NE(listed[0].find(unread), std::string::npos) << listed[0];
        EXPECT_NE(listed[1].find(kept), std::string::npos) << listed[1];
    }
}

// Every field the switch holds of what was sent is compared, by the switch's own bytes: one field changed on the
// simulated switch is named, alone, whatever the screen can show of it (a mode no box stands for, a command code
// the list lacks, one event block of three).
TEST(VerifiedWrite, EachFieldTheSwitchHoldsIsCompared) {
    struct Row {
        const char *field, *found;  // as the comparison names them
        void (*change)(SwitchState&);
    };
    const auto set = [](SwitchState& s, int channel, int e, int offset, int value) {
        s.channelBlocks[channel - 1][kEventBlockSize * e + offset] = Complement(value);
    };
    static decltype(set) put = set;
    const Row rows[]{
        {"switch address", "12AB3D", [](auto& s) { s.address[2] = 0x3D; }},
        {"source group address", "010204", [](auto& s) { s.setSourceGroup(4, 0x010204); }},
        {"On Release command", "next IP UP", [](auto& s) { put(s, 1, 2, 0, 0x05); }},
        {"On Press command", "code 07", [](auto& s) { put(s, 1, 0, 0, 0x07); }},
        {"On Release data", "1334", [](auto& s) { put(s, 2, 2, 2, 0x13); }},  // the high byte of 16 bits
        {"lock priority", "0A", [](auto& s) { for (int e : {0, 1, 2}) put(s, 3, e, 2, 0x0A); }},
        {"lock priority (On Hold)", "0A", [](auto& s) { put(s, 3, 1, 2, 0x0A); }},
        {"Seq", "off", [](auto& s) { for (int e : {0, 1, 2}) put(s, 3, e, 3, 0x00); }},
        {"destination", "mode 12", [](auto& s) { for (int e : {0, 1, 2}) put(s, 5, e, 3, 0x0C); }},
        {"destination (On Hold)", "Group", [](auto& s) { put(s, 8, 1, 3, 0x00); }},
        {"motor address", "00A108", [](auto& s) { for (int e : {0, 1, 2}) put(s, 1, e, 6, 0x08); }},
        {"motor address (On Press)", "00A108", [](auto& s) { put(s, 1, 0, 6, 0x08); }},
        {"P-P motor address", "000043", [](auto& s) { for (int e : {0, 1, 2}) put(s, 2, e, 6, 0x43); }},
    };
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();
    rig->form().writeSwitch();  // the switch now holds what the screen sends
    const SwitchState sent = rig->withSwitch([](SimulatedSwitch& sw) { return sw.state(); });
    for (const Row& row : rows) {
        SwitchState held = sent;
        row.change(held);
        rig->withSwitch([&](SimulatedSwitch& sw) { sw = SimulatedSwitch(held); });
        ASSERT_TRUE(rig->form().readFresh({}).complete()) << row.field;
        const auto differences = CompareHeld(rig->form().screen(), rig->form().lastRead().held);
        ASSERT_EQ(differences.size(), 1u) << row.field;
        EXPECT_EQ(differences[0].field + " " + differences[0].found, std::string(row.field) + " " + row.found);
        int channel = 0;  // the channel the change lies in, as the simulator holds it (0: the switch address)
        for (int c = kChannels; c >= 1; --c)
            if (held.channelBlocks[c - 1] != sent.channelBlocks[c - 1] ||
                !std::equal(&held.sourceGroups[3 * (c - 1)], &held.sourceGroups[3 * c], &sent.sourceGroups[3 * (c - 1)]))
                channel = c;
        EXPECT_EQ(differences[0].channel, channel) << row.field;
    }
    // A restore's read-back compares every byte the switch holds, each named by what it carries.
    rig->withSwitch([&](SimulatedSwitch& sw) { sw = SimulatedSwitch(sent); });
    ASSERT_TRUE(rig->form().readFresh({}).complete());
    const HeldConfiguration whole = rig->form().lastRead().held;
    const char* carries[kEventBlockSize] = {"command", "data", "data high byte or lock priority", "mode byte",
                                            "motor address", "motor address", "motor address"};
    for (int at = 0; at < kEventBlockSize; ++at) {
        HeldConfiguration changed = whole;
        changed.channelBlocks[6][kEventBlockSize + at] ^= 0x01;  // channel 7's hold block
        const auto differences = CompareHeld(whole, changed, HeldMatch::EveryByte);
        ASSERT_EQ(differences.size(), 1u) << at;
        EXPECT_EQ(std::to_string(differences[0].channel) + " " + differences[0].field,
                  std::string("7 On Hold ") + carries[at]);
    }
}

}  // namespace
}  // namespace kavro
