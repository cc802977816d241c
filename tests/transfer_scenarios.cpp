// "Get Config" and "Send Config" against the simulated switch, with the
// faults it can be told to make. The same scenarios run on virtual time and
// over a pseudo-terminal (see the rig each test program links).

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "support/transfer_rig.h"

namespace kavro {
namespace {

using test::MakeRig;
using test::TransferRig;

// A switch whose channels use every destination mode, "Seq", locks,
// 16-bit data and source groups. Channel 8's motor and channel 7's source
// group travel as 11 13 0D and 0A (XON, XOFF, CR, LF): a pseudo-terminal
// that is not raw would eat or turn them.
SwitchState Rich() {
    SwitchState s = SwitchState::Factory();
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

std::string Mode(const ConfigScreen& s, int c) { return DestinationName(DestinationOf(s, c)); }
std::string Command(const ConfigScreen& s, int c, int e) { return s.commands[EventIndex(c, e)].text(); }
bool Complete(TransferRig& rig, bool write) {
    return write ? rig.form().transfer.lastWrite().complete() : rig.form().transfer.lastRead().complete();
}
TransferEnd End(TransferRig& rig, bool write) {
    return write ? rig.form().transfer.lastWrite().end : rig.form().transfer.lastRead().end;
}

// A channel as the user sees it, in one line: destination, Seq, the three
// events with their data where a data box shows, and the boxes shown.
std::string Shown(const ConfigScreen& s, int c) {
    std::string text = Mode(s, c) + (s.seq[c].value() ? " Seq" : "");
    for (int e = 0; e < 3; ++e) {
        text += " | " + Command(s, c, e);
        if (s.data[EventIndex(c, e)].visible()) text += " " + s.data[EventIndex(c, e)].text();
    }
    if (s.lockPriority[c].visible()) text += " | priority " + s.lockPriority[c].text();
    if (s.motorAddress[c].visible()) text += " | motor " + s.motorAddress[c].text();
    if (s.sourceGroupAddress[c].visible()) text += " | group " + s.sourceGroupAddress[c].text();
    return text;
}

// Rich(), read over a screen that showed other things: a read never clears
// "Seq" and replaces a stale "Src Group"; a mode outside the three (channel
// 6 here) ticks no box and shows no address.
TEST(GetConfig, FillsEveryControl) {
    const char* const expected[kChannels]{
        "Specific Seq | DOWN limit 10 | JOG DOWN ms 50 | STOP | motor 00A107",
        "P-P | Lock IP 05 | NONE | absolute position 1234 | priority 03",  // 16 bits, and no priority from them
        "Group Seq | Lock Current Pos | Lock IP 05 | Unlock | priority 09",  // the last non-zero of 07, 09, 00
        "Src Group Seq | UP limit | NONE | NONE | group 010203",
        "P-P | JOG UP ms 20 | JOG UP pulse 30 | JOG DOWN pulse 40",
        "P-P | GOTO IP 0F | next IP UP | next IP DOWN",
        "Src Group | relative position 22 | Lock UP limit | Lock Down limit 11 | priority 04 | group F5CDEF",
        "Specific | Set IP 03 | NONE | NONE | motor EEECF2",
    };
    SwitchState state = Rich();
    state.setChannel(6, {{{0x04, 0x0F}, {0x05}, {0x06}}}, 0x03, 0x334455);
    auto rig = MakeRig(state);
    ConfigScreen& s = rig->form().screen;
    s.seq[0].setValue(1);
    s.destinationBoxes[SrcGroupBox(0)].setValue(1);
    s.destinationBoxes[PointToPointBox(5)].setValue(1);
    rig->form().readSwitch();
    EXPECT_EQ(s.firmwareVersion.text(), "2.14");
    EXPECT_EQ(s.switchAddress.text(), "12AB3C");
    EXPECT_EQ(s.ppMotorAddress.text(), "000077");  // channel 5's, the last P-P read; not channel 6's 334455
    EXPECT_EQ(s.motorAddress[5].text(), "000000");
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(Shown(s, c), expected[c]) << "channel " << c + 1;
        if (c != 3 && c != 6) {
            EXPECT_EQ(s.sourceGroupAddress[c].text(), "000000") << "channel " << c + 1;
        }
    }
    for (int i = 0; i < kEvents; ++i) EXPECT_EQ(s.commandCodes[i], CommandCode(s.commands[i].selected())) << i;
    const ReadReport& report = rig->form().transfer.lastRead();
    EXPECT_TRUE(report.complete());
    EXPECT_EQ(report.framesSent, 11);
    EXPECT_EQ(rig->frames().size(), 11u);
    EXPECT_TRUE(rig->ui().messages.empty());
    EXPECT_FALSE(rig->form().busy());
    EXPECT_EQ(rig->ui().pointers, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default}));
}

TEST(GetConfig, QueriesAreTheWorkedFramesInOrder) {
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();
    const auto f = rig->frames();
    ASSERT_EQ(f.size(), 11u);
    EXPECT_EQ(f[0], (Bytes{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C}));
    EXPECT_EQ(f[1], (Bytes{0x8F, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x7B}));
    EXPECT_EQ(f[2], (Bytes{0x8D, 0xF3, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x09, 0x76}));
    for (int ch = 1; ch <= 8; ++ch) {
        const Bytes query{0x8D, 0xF3, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, Complement(ch)};
        EXPECT_EQ(Bytes(f[1 + ch].begin(), f[1 + ch].end() - 2), query) << "channel " << ch;
    }
    EXPECT_EQ(f[10], (Bytes{0x8C, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x78}));
}

// Eight cut rules from byte `first` on, one per channel's first attempt.
std::string Cuts(int first) {
    std::string plan;
    for (int i = 0; i < 8; ++i)
        plan += (i ? ",8D/" : "8D/") + std::to_string(i + 1) + "@1=cut:" + std::to_string(first + i);
    return plan;
}

// Each fault on the first attempt only: the second attempt reads the
// channel. On every attempt: the channel keeps what it showed, and the read
// goes on. A stray byte left over never spoils the exchanges after it, and a
// reply that did not come is never taken from what an earlier one left.
TEST(GetConfig, EachReplyFaultFailsItsAttempt) {
    struct Row {
        const char* name;
        std::string plan;
        std::size_t frames;
        const char* failures;
        int channel;        // whose On Press to look at afterwards
        const char* shows;  // what it shows then
        std::uint32_t slowerMs = 0;
        bool virtualOnly = false;
        bool readFirst = false;  // a good read first leaves good replies in the buffer
    };
    const char* read = "Lock IP";
    const char* kept = "JOG DOWN pulse";  // what channel 2 showed before the read
    const std::vector<Row> rows{
        {"silent once", "8D/2@1=silent", 12, "", 1, read, 800},
        {"short once", "8D/2@1=short", 12, "", 1, read},
        {"wrong length once", "8D/2@1=wrong-length", 12, "", 1, read},
        {"bad checksum once", "8D/2@1=bad-checksum", 12, "", 1, read},
        {"garbage before once", "8D/2@1=garbage-before", 12, "", 1, read},
        {"silent twice", "8D/2=silent", 12, "channel 2", 1, kept},
        {"short twice", "8D/2=short", 12, "channel 2", 1, kept},
        {"wrong length twice", "8D/2=wrong-length", 12, "channel 2", 1, kept},
        {"bad checksum twice", "8D/2=bad-checksum", 12, "channel 2", 1, kept},
        {"garbage before twice", "8D/2=garbage-before", 12, "channel 2", 1, kept},
        // Waited for to the time-out, cut to 49 bytes, judged on its frame.
        {"long once", "8D/2@1=long", 11, "", 1, read, 700},
        {"slow but timely", "*=trickle", 11, "", 1, read},
        // A channel byte above eight or zero puts channel 5's record into channel 1.
        {"reply names channel 9", "8D/5=channel-nine", 11, "channel 5 (the reply named channel 9)", 0, "JOG UP ms"},
        {"reply names channel 0", "8D/5=channel-zero", 11, "channel 5 (the reply named channel 0)", 0, "JOG UP ms"},
        {"switch address silent", "8F=silent", 12, "switch address", 7, "Set IP"},
        // Cut after any of the 33 bytes; over the pty, where each costs a
        // real time-out, the last eight only.
        {"cut after bytes 0-7", Cuts(0), 19, "", 1, read, 0, true},
        {"cut after bytes 8-15", Cuts(8), 19, "", 1, read, 0, true},
        {"cut after bytes 16-23", Cuts(16), 19, "", 1, read, 0, true},
        {"cut after bytes 25-32", Cuts(25), 19, "", 1, read},
        {"silent switch after a good read", "*=silent", 11 + 22,
         "firmware version, switch address, channel 1, channel 2, channel 3, channel 4, channel 5, channel 6, "
         "channel 7, channel 8, source groups", 1, read, 0, true, true},
    };
    auto good = MakeRig(Rich());
    good->form().readSwitch();
    const std::uint32_t normalMs = good->nowMs();
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        if (row.virtualOnly && !rig->virtualTime()) continue;
        ConfigScreen& s = rig->form().screen;
        s.commands[EventIndex(1, 0)].select(11);
        if (row.readFirst) rig->form().readSwitch();
        rig->Plan(row.plan);
        rig->form().readSwitch();
        const ReadReport& report = rig->form().transfer.lastRead();
        EXPECT_EQ(report.failures(), row.failures) << row.name;
        EXPECT_EQ(report.complete(), *row.failures == 0) << row.name;
        EXPECT_EQ(rig->frames().size(), row.frames) << row.name;
        EXPECT_EQ(Command(s, row.channel, 0), row.shows) << row.name;
        EXPECT_EQ(s.firmwareVersion.text(), report.firmware ? "2.14" : "Error") << row.name;
        EXPECT_EQ(s.switchAddress.text(), report.switchAddress ? "12AB3C" : "Error") << row.name;
        EXPECT_TRUE(rig->ui().messages.empty()) << row.name;
        EXPECT_GE(rig->nowMs() - normalMs, row.slowerMs) << row.name;
    }
}

// The line goes away: one message, the port closed, what was done stays;
// later transfers find no port and say so, without waiting.
TEST(Transfers, VanishingLineStopsOnceAndKeepsWhatWasDone) {
    for (bool write : {false, true}) {
        auto rig = MakeRig(Rich());
        rig->Plan(write ? "7D/5=vanish" : "8D/4=vanish");
        if (write) rig->form().writeSwitch();
        else rig->form().readSwitch();
        const char* name = write ? "Send Config" : "Get Config";
        EXPECT_EQ(rig->frames().size(), 6u) << name;  // 2 frames before the channels, then channels 1-4
        if (!write) {
            EXPECT_EQ(Command(rig->form().screen, 2, 0), "Lock Current Pos");  // channel 3 was read
            EXPECT_EQ(Command(rig->form().screen, 3, 0), "NONE");              // channel 4 never came
        }
        ASSERT_EQ(rig->ui().messages.size(), 1u) << name;
        EXPECT_NE(rig->ui().messages[0].text.find("went away"), std::string::npos) << name;
        EXPECT_EQ(End(*rig, write), TransferEnd::LineLost) << name;
        EXPECT_FALSE(rig->form().port().isOpen()) << name;
        EXPECT_FALSE(rig->form().busy()) << name;
        EXPECT_EQ(rig->ui().pointers.back(), Pointer::Default) << name;

        const std::uint32_t start = rig->nowMs();
        rig->form().readSwitch();
        rig->form().writeSwitch();
        EXPECT_LT(rig->nowMs() - start, 100u) << name;
        EXPECT_EQ(rig->ui().messages.size(), 3u) << name;
        EXPECT_EQ(rig->form().transfer.lastWrite().end, TransferEnd::NoPort) << name;
    }
}

TEST(GetConfig, ProgressTellsWhatIsHappening) {
    auto rig = MakeRig(Rich());
    rig->Plan("8D/3@1=bad-checksum");
    std::vector<std::string> texts;
    std::vector<int> steps;
    rig->form().transfer.setObserver([&] {
        const auto& p = rig->form().transfer.progress();
        if (p.active && (texts.empty() || texts.back() != p.text)) texts.push_back(p.text);
        if (p.active) steps.push_back(p.step);
    });
    rig->form().readSwitch();
    EXPECT_EQ(texts.front(), "Reading firmware version");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Reading channel 3 of 8"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Reading channel 3 of 8 (second try)"), texts.end());
    EXPECT_EQ(texts.back(), "Reading source groups");
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(steps.back(), 10);
    EXPECT_FALSE(rig->form().transfer.progress().active);
}

// What the user does while a read waits: a second transfer, Clear Data and
// Select Comm (listing ports opens devices) are ignored; closing the window
// ends the read quietly.
TEST(Transfers, ActionsDuringAReadWait) {
    struct Row {
        const char* name;
        void (*action)(Application&);
        bool closes;
    };
    const std::vector<Row> rows{
        {"second transfer or Clear Data", [](auto& a) { a.readSwitch(); a.writeSwitch(); a.clearData(); }, false},
        {"Select Comm", [](auto& a) { a.selectPort(); }, false},
        {"closing the window", [](auto& a) { a.shutDown(); }, true},
    };
    for (const Row& row : rows) {
        auto rig = MakeRig(Rich());
        rig->during(row.closes ? 150 : 60, [&] { row.action(rig->form()); });
        rig->form().readSwitch();
        EXPECT_TRUE(rig->ui().messages.empty()) << row.name;
        EXPECT_EQ(rig->ui().selectionShown, 0) << row.name;
        EXPECT_EQ(rig->form().portSelection, nullptr) << row.name;
        if (row.closes) {
            EXPECT_LT(rig->frames().size(), 11u) << row.name;
            EXPECT_EQ(rig->form().transfer.lastRead().end, TransferEnd::Closing) << row.name;
            EXPECT_FALSE(rig->form().port().isOpen()) << row.name;
        } else {
            EXPECT_EQ(rig->frames().size(), 11u) << row.name;
            EXPECT_EQ(Command(rig->form().screen, 0, 0), "DOWN limit") << row.name;  // not cleared
            EXPECT_TRUE(rig->form().transfer.lastRead().complete()) << row.name;
        }
    }
}

// A box that holds six hexadecimal digits addresses every frame when ticked.
// One that does not ("Error" after a failed read) is never sent as an
// address: the parsers would make it E0 00 00 and give the switch that
// address. Send Config, and a read addressed by it, send nothing and say why.
TEST(Transfers, SwitchAddressBoxAddressesEveryFrameOrNothingIsSent) {
    struct Row {
        const char* name;
        const char* address;
        bool use;
        bool write;
        std::size_t frames;
    };
    const Bytes box{0x12, 0xAB, 0x3C}, everySwitch{0xFF, 0xFF, 0xFF};
    for (const Row& row : {Row{"Get addressed by the box", "12AB3C", true, false, 11},
                           Row{"Send addressed by the box in lower case", "12ab3c", true, true, 10},
                           Row{"Get by the global address beside Error", "Error", false, false, 11},
                           Row{"Send after a read left Error", "Error", false, true, 0},
                           Row{"Send with five digits", "12AB3", false, true, 0},
                           Row{"Get addressed by Error", "Error", true, false, 0},
                           Row{"Get addressed by an empty box", "", true, false, 0}}) {
        auto rig = MakeRig(Rich());
        rig->form().screen.switchAddress.setText(row.address);
        rig->form().screen.useSwitchAddress.setValue(row.use ? 1 : 0);
        if (row.write) rig->form().writeSwitch();
        else rig->form().readSwitch();
        const auto f = rig->frames();
        ASSERT_EQ(f.size(), row.frames) << row.name;
        for (const Bytes& frame : f)
            EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 9), row.use ? box : everySwitch) << row.name;
        if (row.frames && row.write) {
            EXPECT_EQ(Bytes(f[0].begin() + 9, f[0].begin() + 12), box) << row.name;
        }
        EXPECT_EQ(Complete(*rig, row.write), row.frames > 0) << row.name;
        EXPECT_EQ(rig->ui().messages.size(), row.frames ? 0u : 1u) << row.name;
        if (row.frames) continue;
        EXPECT_NE(rig->ui().messages[0].text.find("not six hexadecimal digits"), std::string::npos) << row.name;
        EXPECT_EQ(End(*rig, row.write), TransferEnd::InvalidSwitchAddress) << row.name;
        EXPECT_EQ(rig->form().screen.switchAddress.text(), row.address) << row.name;
    }
}

// --- Send Config ---------------------------------------------------------

// Replies to writes are awaited but never read; all ten frames are sent
// whatever comes back. Whether anything came back at all is told.
TEST(SendConfig, AnswersToTheWritesAreHeardNotRead) {
    struct Row {
        const char* name;
        const char* plan;
        const char* verdict;
        bool slow;  // ten time-outs: on virtual time only
    };
    for (const Row& row :
         {Row{"every frame answered", "", "Send Config sent", false},
          Row{"a bad checksum still counts as an answer", "7F=bad-checksum", "Send Config sent", false},
          Row{"two frames unanswered", "7D/3=silent,7F=silent",
              "Send Config sent, but no answer came to: switch address, channel 3", false},
          Row{"nobody on the line", "*=silent", "Send Config: no switch answered any of the 10 frames", true}}) {
        auto rig = MakeRig(SwitchState::Factory());
        if (row.slow && !rig->virtualTime()) continue;
        rig->Plan(row.plan);
        rig->form().writeSwitch();
        EXPECT_EQ(rig->frames().size(), 10u) << row.name;
        EXPECT_TRUE(rig->ui().messages.empty()) << row.name;
        const Verdict verdict = WriteVerdict(rig->form().transfer.lastWrite());
        EXPECT_EQ(verdict.summary, row.verdict) << row.name;
        EXPECT_EQ(verdict.ok, std::string(row.verdict) == "Send Config sent") << row.name;
    }
}

// --- Copying a configuration between switches ------------------------------

// Read one switch, write another: every frame byte for byte, the headers
// literally and the payloads by what the second switch then holds (it keeps
// only frames whose checksum is right, each record where its channel byte
// says): what the first holds, as the tool itself would have written it.
// All lock commands of a channel share its one priority; group destinations
// carry FFFFFF. Two things do not survive by design: a priority byte on a
// channel with no lock command (its byte is the data's), and a source group
// on a channel not in "Src Group" mode.
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
    EXPECT_EQ(rig->form().screen.lockPriority[0].text(), "00");
    SwitchState blank = SwitchState::Factory();
    blank.address = {0x00, 0x00, 0x09};
    rig->replaceSwitch(blank);
    rig->form().writeSwitch();

    auto f = rig->frames();  // the second switch's
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(f[0], (Bytes{0x7F, 0x71, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0xAB, 0x3C, 0x08, 0xE1}));
    for (int i = 1; i < 10; ++i) {
        const bool groups = i == 9;
        const Bytes& frame = f[i];
        ASSERT_EQ(frame.size(), groups ? 35u : 33u) << "frame " << i;
        const Bytes header{std::uint8_t(groups ? 0x7C : 0x7D), std::uint8_t(groups ? 0x5C : 0x5E), 0xFF, 0xFE, 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFF};
        EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 9), header) << "frame " << i;
    }
    a.channelBlocks[0][2] = Complement(0x00);
    a.setSourceGroup(2, 0x000000);
    const SwitchState b = rig->State();
    EXPECT_EQ(b.address, a.address);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(b.channelBlocks[c], a.channelBlocks[c]) << "channel " << c + 1;
    EXPECT_EQ(b.sourceGroups, a.sourceGroups);
    EXPECT_TRUE(rig->ui().messages.empty());

    // A second copy sends the very same frames: nothing is left over from
    // one transfer to the next.
    rig->form().readSwitch();
    rig->form().writeSwitch();
    f = rig->frames();
    ASSERT_EQ(f.size(), 31u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(f[21 + i], f[i]) << "frame " << i;
}

// --- What the switch holds ----------------------------------------------

// A screen as a user (or a file) may leave it: any command, data texts of
// any case and length, any destination, "Seq", addresses and priorities.
void RandomScreen(ConfigScreen& s, std::mt19937& random) {
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto hex = [&](int length) {
        std::string text;
        for (int i = 0; i < length; ++i) text += "0123456789ABCDEFabcdef"[pick(22)];
        return text;
    };
    for (int c = 0; c < kChannels; ++c) {
        for (int e = 0; e < 3; ++e) {
            s.commands[EventIndex(c, e)].select(pick(kCommandCount));
            if (pick(3)) s.data[EventIndex(c, e)].setText(hex(pick(6)));
        }
        const int boxes[4]{SpecificBox(c), GroupBox(c), PointToPointBox(c), SrcGroupBox(c)};
        s.destinationBoxes[boxes[pick(4)]].setValue(1);
        s.seq[c].setValue(pick(2));
        s.motorAddress[c].setText(hex(6));
        s.sourceGroupAddress[c].setText(hex(6));
        s.lockPriority[c].setText(hex(pick(3)));
    }
    s.ppMotorAddress.setText(hex(6));
    s.switchAddress.setText(hex(6));
}

// Send Config read back: the switch holds every field that travels, and
// the fields that never come back raise no false alarm. (A switch that
// keeps what it had is named by channel: gui_window_test.cpp, cli_test.cpp.)
TEST(VerifiedWrite, TheSwitchHoldsWhatWasSent) {
    std::mt19937 random(20261206);
    auto rig = MakeRig(SwitchState::Factory());
    rig->form().verifyAfterSend.setValue(1);
    for (int round = 0; round < (rig->virtualTime() ? 60 : 2); ++round) {
        RandomScreen(rig->form().screen, random);
        rig->form().writeSwitch();
        const VerifyReport& check = rig->form().lastVerify();
        ASSERT_TRUE(check.ran) << round;
        EXPECT_TRUE(check.holds()) << "round " << round << ": "
                                   << (check.differences.empty() ? ReadVerdict(check.read).summary
                                                                 : DescribeHeldDifference(check.differences[0]));
    }
}

// Every field that travels both ways is compared: a changed one is named,
// the source group address of a "Src Group" channel included.
TEST(VerifiedWrite, EachFieldThatTravelsIsCompared) {
    struct Row {
        const char* name;  // the field as the comparison names it
        void (*change)(ConfigScreen&);
    };
    const std::vector<Row> rows{
        {"source group address", [](auto& s) { s.sourceGroupAddress[3].setText("010204"); }},
        {"On Release command", [](auto& s) { s.commands[EventIndex(0, 2)].select(5); }},
        {"On Release data", [](auto& s) { s.data[EventIndex(1, 2)].setText("1235"); }},  // 16 bits
        {"lock priority", [](auto& s) { s.lockPriority[2].setText("0A"); }},
        {"Seq", [](auto& s) { s.seq[2].setValue(0); }},
        {"destination", [](auto& s) { s.destinationBoxes[GroupBox(7)].setValue(1); }},
        {"motor address", [](auto& s) { s.motorAddress[0].setText("00A108"); }},
        {"switch address", [](auto& s) { s.switchAddress.setText("12AB3D"); }},
    };
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();
    for (const Row& row : rows) {
        ConfigScreen expected;
        expected.fillCommandLists();
        ASSERT_EQ(LoadConfig(*ConfigFileBytes(rig->form().screen), expected), LoadOutcome::Loaded);
        EXPECT_TRUE(CompareHeld(expected, rig->form().screen).empty()) << row.name;
        row.change(expected);
        const auto differences = CompareHeld(expected, rig->form().screen);
        ASSERT_EQ(differences.size(), 1u) << row.name;
        EXPECT_EQ(differences[0].field, row.name);
    }
}

}  // namespace
}  // namespace kavro
