// "Get Config" and "Send Config" against the simulated switch, with the
// faults it can be told to make. The same scenarios run on virtual time and
// over a pseudo-terminal (see the rig each test program links).

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "buslink/frame_codec.h"
#include "configfile/config_records.h"
#include "support/transfer_rig.h"

namespace kavro {
namespace {

using test::MakeRig;

// A switch whose channels use every destination mode, "Seq", locks,
// 16-bit data and source groups.
SwitchState Rich() {
    SwitchState s = SwitchState::Factory();
    s.firmwareMajor = 2;
    s.firmwareMinor = 14;
    s.address = {0x12, 0xAB, 0x3C};
    s.setChannel(1, {{{0x02, 0x10}, {0x0B, 0x50}, {0x03}}}, 2, 0x00A107);            // Specific
    s.setChannel(2, {{{0x08, 0x34, 0x12}, {0x00}, {0x23, 0x05, 0x03}}}, 1, 0x000042);  // P-P
    s.setChannel(3, {{{0x20, 0, 0x07}, {0x23, 0x05, 0x09}, {0x24}}}, 0x40, 0xFFFFFF);        // Group, Seq
    s.setChannel(4, {{{0x01}, {0x00}, {0x00}}}, 0xC0, 0xFFFFFF);                              // Src Group, Seq
    s.setChannel(5, {{{0x0A, 0x20}, {0x0C, 0x30}, {0x0D, 0x40}}}, 1, 0x000077);         // P-P again
    s.setChannel(6, {{{0x04, 0x0F}, {0x05}, {0x06}}}, 0, 0xFFFFFF);                           // Group
    s.setChannel(7, {{{0x10, 0x22}, {0x21}, {0x22, 0x11, 0x04}}}, 0x80, 0xFFFFFF);           // Src Group
    s.setChannel(8, {{{0x25, 0x03}, {0x00}, {0x00}}}, 2, 0xFEDCBA);                   // Specific
    s.setSourceGroup(4, 0x010203);
    s.setSourceGroup(7, 0xABCDEF);
    return s;
}

std::string Mode(const ConfigScreen& s, int c) { return DestinationName(DestinationOf(s, c)); }

std::string Command(const ConfigScreen& s, int c, int e) { return s.commands[EventIndex(c, e)].text(); }
std::string Data(const ConfigScreen& s, int c, int e) { return s.data[EventIndex(c, e)].text(); }

TEST(GetConfig, FillsEveryControl) {
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();
    const ConfigScreen& s = rig->form().screen;

    EXPECT_EQ(s.firmwareVersion.text(), "2.14");
    EXPECT_EQ(s.switchAddress.text(), "12AB3C");
    EXPECT_EQ(Command(s, 0, 0), "DOWN limit");
    EXPECT_EQ(Data(s, 0, 0), "10");
    EXPECT_EQ(Command(s, 0, 1), "JOG DOWN ms");
    EXPECT_EQ(Data(s, 0, 1), "50");
    EXPECT_EQ(Command(s, 0, 2), "STOP");
    EXPECT_EQ(Mode(s, 0), "Specific");
    EXPECT_EQ(s.motorAddress[0].text(), "00A107");
    EXPECT_TRUE(s.motorAddress[0].visible());

    EXPECT_EQ(Command(s, 1, 0), "absolute position");
    EXPECT_EQ(Data(s, 1, 0), "1234");  // 16 bits, and no priority from it
    EXPECT_EQ(Command(s, 1, 2), "Lock IP");
    EXPECT_EQ(Data(s, 1, 2), "05");
    EXPECT_EQ(s.lockPriority[1].text(), "03");
    EXPECT_TRUE(s.lockPriority[1].visible());
    EXPECT_EQ(Mode(s, 1), "P-P");

    EXPECT_EQ(Command(s, 2, 0), "Lock Current Pos");
    EXPECT_EQ(s.lockPriority[2].text(), "09");  // hold's 09 beats press's 07; release's 00 does not count
    EXPECT_EQ(Mode(s, 2), "Group");
    EXPECT_EQ(s.seq[2].value(), 1);
    EXPECT_EQ(s.eventNames[EventNameIndex(2, 0)].caption(), "Function1");

    EXPECT_EQ(Mode(s, 3), "Src Group");
    EXPECT_EQ(s.seq[3].value(), 1);
    EXPECT_EQ(s.sourceGroupAddress[3].text(), "010203");
    EXPECT_TRUE(s.sourceGroupAddress[3].visible());

    // Both P-P channels write the shared address: the last one read wins.
    EXPECT_EQ(s.ppMotorAddress.text(), "000077");
    EXPECT_EQ(Command(s, 5, 0), "GOTO IP");
    EXPECT_EQ(Data(s, 5, 0), "0F");
    EXPECT_EQ(Mode(s, 6), "Src Group");
    EXPECT_EQ(s.sourceGroupAddress[6].text(), "ABCDEF");
    EXPECT_EQ(s.lockPriority[6].text(), "04");
    EXPECT_EQ(Command(s, 7, 0), "Set IP");
    EXPECT_EQ(s.motorAddress[7].text(), "FEDCBA");
    EXPECT_EQ(s.sourceGroupAddress[0].text(), "000000");
    for (int e = 0; e < kEvents; ++e)
        EXPECT_EQ(s.commandCodes[e], CommandCode(s.commands[e].selected()));

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
    const auto frames = rig->frames();
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[0], (Bytes{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C}));
    EXPECT_EQ(frames[1], (Bytes{0x8F, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x7B}));
    EXPECT_EQ(frames[2], (Bytes{0x8D, 0xF3, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x09, 0x76}));
    for (int ch = 1; ch <= 8; ++ch) EXPECT_EQ(frames[1 + ch][9], Complement(ch));
    EXPECT_EQ(frames[10], (Bytes{0x8C, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x78}));
}

TEST(GetConfig, SwitchAddressChosenAddressesEveryQuery) {
    auto rig = MakeRig(Rich());
    ConfigScreen& s = rig->form().screen;
    s.switchAddress.setText("12AB3C");
    s.useSwitchAddress.setValue(1);
    rig->form().readSwitch();
    for (const Bytes& f : rig->frames()) {
        EXPECT_EQ(f[6], 0x12);
        EXPECT_EQ(f[7], 0xAB);
        EXPECT_EQ(f[8], 0x3C);
    }
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
}

TEST(GetConfig, NeverClearsSeqAndReplacesAStaleSrcGroup) {
    SwitchState state = Rich();
    state.setChannel(1, {{{0x01}, {0}, {0}}}, 0, 0);  // Group, no Seq
    auto rig = MakeRig(state);
    ConfigScreen& s = rig->form().screen;
    s.seq[0].setValue(1);
    s.destinationBoxes[SrcGroupBox(0)].setValue(1);
    rig->form().readSwitch();
    EXPECT_EQ(s.seq[0].value(), 1);
    EXPECT_EQ(Mode(s, 0), "Group");
}

TEST(GetConfig, ModeOutsideTheThreeSetsNoBoxAndShowsNoAddress) {
    SwitchState state = Rich();
    state.setChannel(6, {{{0x01}, {0}, {0}}}, 0x03, 0x334455);
    auto rig = MakeRig(state);
    ConfigScreen& s = rig->form().screen;
    s.destinationBoxes[PointToPointBox(5)].setValue(1);  // what the channel showed before
    rig->form().readSwitch();
    EXPECT_EQ(Mode(s, 5), "P-P");
    EXPECT_EQ(s.motorAddress[5].text(), "000000");
    EXPECT_EQ(s.ppMotorAddress.text(), "000077");  // channel 5's, not the 334455 of channel 6
}

TEST(GetConfig, ChannelByteAboveEightOrZeroLandsOnChannelOne) {
    for (const char* plan : {"8D/5=channel-nine", "8D/5=channel-zero"}) {
        auto rig = MakeRig(Rich());
        rig->Plan(plan);
        rig->form().readSwitch();
        const ConfigScreen& s = rig->form().screen;
        // Channel 5's record went into channel 1's controls.
        EXPECT_EQ(Command(s, 0, 0), "JOG UP ms") << plan;
        EXPECT_EQ(Data(s, 0, 2), "40") << plan;
        EXPECT_EQ(Command(s, 4, 0), "NONE") << plan;
        EXPECT_EQ(rig->frames().size(), 11u);  // accepted the first time
    }
}

TEST(GetConfig, FailedSwitchAddressShowsErrorAndTheReadGoesOn) {
    auto rig = MakeRig(Rich());
    rig->Plan("8F=silent");
    rig->form().readSwitch();
    const ConfigScreen& s = rig->form().screen;
    EXPECT_EQ(s.switchAddress.text(), "Error");
    EXPECT_EQ(s.firmwareVersion.text(), "2.14");
    EXPECT_EQ(Command(s, 7, 0), "Set IP");
    const ReadReport& r = rig->form().transfer.lastRead();
    EXPECT_FALSE(r.switchAddress);
    EXPECT_EQ(r.failures(), "switch address");
    EXPECT_EQ(r.framesSent, 12);
    EXPECT_TRUE(rig->ui().messages.empty());
}

// Each fault on the first attempt only: the second attempt reads the
// channel; on every attempt: the channel keeps what it showed. A stray
// byte left over never spoils the exchanges after it.
TEST(GetConfig, EachReplyFaultFailsItsAttempt) {
    for (const char* fault : {"silent", "short", "wrong-length", "bad-checksum", "garbage-before"}) {
        auto rig = MakeRig(Rich());
        rig->Plan(std::string("8D/2@1=") + fault);
        rig->form().readSwitch();
        EXPECT_EQ(Data(rig->form().screen, 1, 0), "1234") << fault;
        EXPECT_EQ(rig->frames().size(), 12u) << fault;
        EXPECT_TRUE(rig->form().transfer.lastRead().complete()) << fault;

        rig = MakeRig(Rich());
        rig->Plan(std::string("8D/2=") + fault);
        rig->form().screen.commands[EventIndex(1, 0)].select(11);
        rig->form().readSwitch();
        EXPECT_EQ(Command(rig->form().screen, 1, 0), "JOG DOWN pulse") << fault;
        EXPECT_EQ(rig->frames().size(), 12u) << fault;
        EXPECT_EQ(rig->form().transfer.lastRead().failures(), "channel 2") << fault;
    }
}

// A channel reply cut after any of its 33 bytes fails its attempt, and the
// second attempt reads the channel. Eight cuts share a read; over the
// pseudo-terminal, where each costs a real time-out, the last eight only.
TEST(GetConfig, AReplyCutAtAnyByteFailsItsAttempt) {
    for (int first : {0, 8, 16, 24, 25}) {
        auto rig = MakeRig(Rich());
        if (!rig->virtualTime() && first != 25) continue;
        std::string plan;
        int cuts = 0;
        for (int cut = first; cut < std::min(first + 8, 33); ++cut, ++cuts)
            plan += (cuts ? "," : "") + std::string("8D/") + std::to_string(cuts + 1) + "@1=cut:" + std::to_string(cut);
        rig->Plan(plan);
        rig->form().readSwitch();
        EXPECT_TRUE(rig->form().transfer.lastRead().complete()) << plan;
        EXPECT_EQ(rig->frames().size(), 11u + cuts) << plan;
        EXPECT_EQ(Data(rig->form().screen, 1, 0), "1234") << plan;
    }
}

// A reply that runs long is waited for to the time-out, cut to 49 bytes,
// and judged by its length byte and checksum like any other.
TEST(GetConfig, LongReplyRunsToTheTimeOutAndIsJudgedOnItsFrame) {
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();
    const std::uint32_t normal = rig->nowMs();
    rig = MakeRig(Rich());
    rig->Plan("8D/2@1=long");
    rig->form().readSwitch();
    EXPECT_GE(rig->nowMs() - normal, 700u);
    EXPECT_EQ(rig->frames().size(), 11u);
    EXPECT_EQ(Data(rig->form().screen, 1, 0), "1234");
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
}

TEST(GetConfig, SlowButTimelyReplyIsAccepted) {
    auto rig = MakeRig(Rich());
    rig->Plan("*=trickle");
    rig->form().readSwitch();
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
    EXPECT_EQ(rig->frames().size(), 11u);
}

TEST(GetConfig, SilentSwitchIsNotReadFromTheStaleBuffer) {
    auto rig = MakeRig(Rich());
    rig->form().readSwitch();  // a good read leaves a good reply in the buffer
    rig->Plan("*=silent");
    rig->form().screen.firmwareVersion.setText("");
    if (!rig->virtualTime()) GTEST_SKIP() << "22 time-outs: on virtual time only";
    const std::uint32_t start = rig->nowMs();
    rig->form().readSwitch();
    const ConfigScreen& s = rig->form().screen;
    EXPECT_EQ(s.firmwareVersion.text(), "Error");
    EXPECT_EQ(s.switchAddress.text(), "Error");
    EXPECT_EQ(rig->frames().size(), 11u + 22u);
    EXPECT_FALSE(rig->form().transfer.lastRead().complete());
    EXPECT_LE(rig->nowMs() - start, 22u * (25 + 1000 + 40));
}

TEST(GetConfig, VanishingLineStopsOnceAndKeepsWhatWasRead) {
    auto rig = MakeRig(Rich());
    rig->Plan("8D/4=vanish");
    rig->form().readSwitch();
    const ConfigScreen& s = rig->form().screen;
    EXPECT_EQ(Command(s, 2, 0), "Lock Current Pos");  // channel 3 was read
    EXPECT_EQ(Command(s, 3, 0), "NONE");              // channel 4 never came
    EXPECT_NE(s.firmwareVersion.text(), "Error");
    ASSERT_EQ(rig->ui().messages.size(), 1u);
    EXPECT_NE(rig->ui().messages[0].text.find("went away"), std::string::npos);
    EXPECT_EQ(rig->form().transfer.lastRead().end, TransferEnd::LineLost);
    EXPECT_FALSE(rig->form().port().isOpen());
    EXPECT_FALSE(rig->form().busy());
    EXPECT_EQ(rig->ui().pointers.back(), Pointer::Default);

    // Later transfers find no port and say so, without waiting.
    const std::uint32_t start = rig->nowMs();
    rig->form().readSwitch();
    rig->form().writeSwitch();
    EXPECT_LT(rig->nowMs() - start, 100u);
    EXPECT_EQ(rig->ui().messages.size(), 3u);
    EXPECT_EQ(rig->form().transfer.lastWrite().end, TransferEnd::NoPort);
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

TEST(Transfers, SecondTransferOrClearDataDuringAWaitIsIgnored) {
    auto rig = MakeRig(Rich());
    rig->during(60, [&] {
        rig->form().readSwitch();
        rig->form().writeSwitch();
        rig->form().clearData();
    });
    rig->form().readSwitch();
    EXPECT_EQ(rig->frames().size(), 11u);
    EXPECT_EQ(Command(rig->form().screen, 0, 0), "DOWN limit");  // not cleared
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
}

// Listing the ports opens devices; never inside a transfer's wait.
TEST(Transfers, SelectCommDuringATransferDoesNothing) {
    auto rig = MakeRig(Rich());
    rig->during(60, [&] { rig->form().selectPort(); });
    rig->form().readSwitch();
    EXPECT_EQ(rig->ui().selectionShown, 0);
    EXPECT_EQ(rig->form().portSelection, nullptr);
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
}

TEST(Transfers, ClosingTheWindowDuringAReadEndsItQuietly) {
    auto rig = MakeRig(Rich());
    rig->during(150, [&] { rig->form().shutDown(); });
    rig->form().readSwitch();
    EXPECT_LT(rig->frames().size(), 11u);
    EXPECT_EQ(rig->form().transfer.lastRead().end, TransferEnd::Closing);
    EXPECT_TRUE(rig->ui().messages.empty());
    EXPECT_FALSE(rig->form().port().isOpen());
}

// --- Send Config ---------------------------------------------------------

TEST(SendConfig, TenFramesCarryTheScreen) {
    auto rig = MakeRig(SwitchState::Factory());
    ConfigScreen& s = rig->form().screen;
    s.switchAddress.setText("12AB3C");
    s.ppMotorAddress.setText("0000A5");
    // Channel 1: Src Group with Seq; a lock command carrying the priority.
    s.destinationBoxes[SrcGroupBox(0)].setValue(1);
    s.seq[0].setValue(1);
    s.sourceGroupAddress[0].setText("0A0B0C");
    s.commands[EventIndex(0, 0)].select(16);  // Lock IP
    s.data[EventIndex(0, 0)].setText("05");
    s.lockPriority[0].setText("7F3");
    // Channel 2: Specific; absolute position 1234.
    s.destinationBoxes[SpecificBox(1)].setValue(1);
    s.motorAddress[1].setText("a1b2c3");
    s.commands[EventIndex(1, 1)].select(7);
    s.data[EventIndex(1, 1)].setText("1234");
    // Channel 3: P-P; Src Group on channel 4 without Seq.
    s.destinationBoxes[PointToPointBox(2)].setValue(1);
    s.destinationBoxes[SrcGroupBox(3)].setValue(1);
    s.sourceGroupAddress[3].setText("123456");
    s.sourceGroupAddress[4].setText("654321");  // not in Src Group mode: not sent

    rig->form().writeSwitch();
    const auto f = rig->frames();
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(rig->form().transfer.lastWrite().framesSent, 10);

    // The switch address frame, even though the frames go to FFFFFF.
    // (The switch stores only frames whose checksum is right; the copy
    // tests below read back what it stored.)
    EXPECT_EQ(Bytes(f[0].begin(), f[0].begin() + 12),
              (Bytes{0x7F, 0x71, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0xAB, 0x3C}));
    for (int c = 0; c < 8; ++c) {
        ASSERT_EQ(f[1 + c].size(), 33u);
        EXPECT_EQ(f[1 + c][0], 0x7D);
        EXPECT_EQ(f[1 + c][1], 0x5E);
        EXPECT_EQ(f[1 + c][9], Complement(c + 1));
    }
    const Bytes& ch1 = f[1];
    EXPECT_EQ(ch1[10], Complement(0x23));
    EXPECT_EQ(ch1[11], Complement(0x05));
    EXPECT_EQ(ch1[12], Complement(0x7F));  // the priority, not the data's high byte
    for (int b : {10, 17, 24}) {
        EXPECT_EQ(ch1[b + 3], 0x3F);  // 0xC0: Src Group with Seq
        EXPECT_EQ(ch1[b + 4], 0x00);
        EXPECT_EQ(ch1[b + 5], 0x00);
        EXPECT_EQ(ch1[b + 6], 0x00);
    }
    const Bytes& ch2 = f[2];
    EXPECT_EQ(ch2[17], Complement(0x08));
    EXPECT_EQ(ch2[18], 0xCB);  // 0x34
    EXPECT_EQ(ch2[19], 0xED);  // 0x12
    for (int b : {10, 17, 24}) {
        EXPECT_EQ(ch2[b + 3], Complement(2));
        EXPECT_EQ(ch2[b + 4], Complement(0xA1));
        EXPECT_EQ(ch2[b + 5], Complement(0xB2));
        EXPECT_EQ(ch2[b + 6], Complement(0xC3));
    }
    // The placeholder of a data box never given a command with data.
    EXPECT_EQ(ch2[11], 0xFF);
    EXPECT_EQ(ch2[12], 0xF1);
    const Bytes& ch3 = f[3];
    EXPECT_EQ(ch3[13], Complement(1));
    EXPECT_EQ(ch3[14], Complement(0x00));
    EXPECT_EQ(ch3[16], Complement(0xA5));
    EXPECT_EQ(f[4][13], Complement(0x80));  // Src Group without Seq
    const Bytes& ch5 = f[5];
    EXPECT_EQ(ch5[13], Complement(0));  // Group
    EXPECT_EQ(ch5[14], 0x00);
    EXPECT_EQ(ch5[15], 0x00);
    EXPECT_EQ(ch5[16], 0x00);

    const Bytes& groups = f[9];
    ASSERT_EQ(groups.size(), 35u);
    EXPECT_EQ(groups[0], 0x7C);
    EXPECT_EQ(groups[1], 0x5C);
    EXPECT_EQ(groups[9], Complement(0x0A));
    EXPECT_EQ(groups[10], Complement(0x0B));
    EXPECT_EQ(groups[11], Complement(0x0C));
    EXPECT_EQ(groups[18], Complement(0x12));
    EXPECT_EQ(groups[20], Complement(0x56));
    for (int i : {12, 13, 14, 21, 22, 23}) EXPECT_EQ(groups[i], 0xFF);
    EXPECT_TRUE(rig->ui().messages.empty());
}

TEST(SendConfig, SwitchAddressAddressesEveryFrame) {
    SwitchState state = SwitchState::Factory();
    state.address = {0x12, 0xAB, 0x3C};
    auto rig = MakeRig(state);
    ConfigScreen& s = rig->form().screen;
    s.switchAddress.setText("12ab3c");
    s.useSwitchAddress.setValue(1);
    rig->form().writeSwitch();
    const auto f = rig->frames();
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(Bytes(f[0].begin() + 9, f[0].begin() + 12), (Bytes{0x12, 0xAB, 0x3C}));
    for (const Bytes& frame : f) EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 9), (Bytes{0x12, 0xAB, 0x3C}));
    EXPECT_TRUE(rig->form().transfer.lastWrite().complete());
}

// A switch address box that does not hold six hexadecimal digits ("Error"
// after a failed read) is never sent as an address: the parsers would make
// it E0 00 00 and give the switch that address. Send Config, and a read
// addressed by it, send nothing and say why.
TEST(Transfers, SwitchAddressThatIsNoAddressSendsNothing) {
    struct Row {
        const char* name;
        const char* address;
        bool useSwitchAddress;
        bool write;
    };
    for (const Row& row : {Row{"Send after a read left Error", "Error", false, true},
                           Row{"Send with five digits", "12AB3", false, true},
                           Row{"Get addressed by Error", "Error", true, false},
                           Row{"Get addressed by an empty box", "", true, false}}) {
        auto rig = MakeRig(SwitchState::Factory());
        rig->form().screen.switchAddress.setText(row.address);
        rig->form().screen.useSwitchAddress.setValue(row.useSwitchAddress ? 1 : 0);
        if (row.write) rig->form().writeSwitch();
        else rig->form().readSwitch();
        EXPECT_TRUE(rig->frames().empty()) << row.name;
        ASSERT_EQ(rig->ui().messages.size(), 1u) << row.name;
        EXPECT_NE(rig->ui().messages[0].text.find("not six hexadecimal digits"), std::string::npos) << row.name;
        const TransferOutcome& outcome = row.write ? static_cast<const TransferOutcome&>(rig->form().transfer.lastWrite())
                                                   : rig->form().transfer.lastRead();
        EXPECT_EQ(outcome.end, TransferEnd::InvalidSwitchAddress) << row.name;
        EXPECT_EQ(rig->form().screen.switchAddress.text(), row.address) << row.name;
    }
    // Read by the global address, "Error" is only a box's text.
    auto rig = MakeRig(SwitchState::Factory());
    rig->form().screen.switchAddress.setText("Error");
    rig->form().readSwitch();
    EXPECT_TRUE(rig->form().transfer.lastRead().complete());
}

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

TEST(SendConfig, VanishingLineStopsTheWrite) {
    auto rig = MakeRig(SwitchState::Factory());
    rig->Plan("7D/5=vanish");
    rig->form().writeSwitch();
    EXPECT_EQ(rig->frames().size(), 6u);  // 7F, channels 1-4, then channel 5 took the line down
    EXPECT_EQ(rig->form().transfer.lastWrite().end, TransferEnd::LineLost);
    ASSERT_EQ(rig->ui().messages.size(), 1u);
    EXPECT_FALSE(rig->form().busy());
}

// --- Copying a configuration between switches ------------------------------

// What the tool itself would have written: all lock commands of a channel
// share its one priority, and group destinations carry FFFFFF.
SwitchState Copyable() {
    SwitchState s = Rich();
    s.setChannel(8, {{{0x25, 0x03, 0x0E}, {0x22, 0x44, 0x0E}, {0x00}}}, 2, 0xFEDCBA);  // one priority
    s.setChannel(5, {{{0x0A, 0x20}, {0x0C, 0x30}, {0x0D, 0x40}}}, 1, 0x000042);         // same P-P address
    s.setChannel(3, {{{0x20, 0, 0x09}, {0x23, 0x05, 0x09}, {0x24, 0, 0x09}}}, 0x40, 0xFFFFFF);
    s.setChannel(2, {{{0x08, 0x34, 0x12}, {0x00}, {0x23, 0x05, 0x03}}}, 1, 0x000042);
    s.setChannel(7, {{{0x10, 0x22}, {0x21, 0, 0x04}, {0x22, 0x11, 0x04}}}, 0x80, 0xFFFFFF);
    return s;
}

TEST(CopyBetweenSwitches, SecondSwitchHoldsWhatTheFirstHolds) {
    auto rig = MakeRig(Copyable());
    rig->form().readSwitch();
    SwitchState blank = SwitchState::Factory();
    blank.address = {0x00, 0x00, 0x09};
    rig->replaceSwitch(blank);
    rig->form().writeSwitch();

    const SwitchState a = Copyable(), b = rig->State();
    EXPECT_EQ(b.address, a.address);  // the 0x7F frame carried it
    for (int c = 0; c < 8; ++c) EXPECT_EQ(b.channelBlocks[c], a.channelBlocks[c]) << "channel " << c + 1;
    EXPECT_EQ(b.sourceGroups, a.sourceGroups);

    // A second copy changes nothing.
    const auto framesBefore = rig->frames().size();
    rig->form().readSwitch();
    rig->form().writeSwitch();
    const SwitchState again = rig->State();
    EXPECT_EQ(again.channelBlocks, b.channelBlocks);
    EXPECT_EQ(again.sourceGroups, b.sourceGroups);
    const auto f = rig->frames();
    ASSERT_EQ(f.size(), framesBefore + 21);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(f[framesBefore + 11 + i], f[framesBefore - 10 + i]) << "frame " << i;
}

TEST(CopyBetweenSwitches, TwoThingsDoNotSurviveByDesign) {
    SwitchState a = Copyable();
    // A priority byte on a channel with no lock command, and a source group
    // on a channel that is not in "Src Group" mode.
    a.setChannel(1, {{{0x02, 0x10, 0x05}, {0x0B, 0x50}, {0x03}}}, 2, 0x00A107);
    a.setSourceGroup(2, 0x0D0E0F);
    auto rig = MakeRig(a);
    rig->form().readSwitch();
    EXPECT_EQ(rig->form().screen.lockPriority[0].text(), "00");  // no lock command: its byte is the data's
    rig->replaceSwitch(SwitchState::Factory());
    rig->form().writeSwitch();
    const SwitchState b = rig->State();
    EXPECT_EQ(b.channelBlocks[0][2], Complement(0x00));  // the stray priority is gone
    EXPECT_EQ(b.sourceGroups[3], 0xFF);            // the unused source group too
    a.channelBlocks[0][2] = Complement(0x00);
    a.sourceGroups[3] = a.sourceGroups[4] = a.sourceGroups[5] = 0xFF;
    EXPECT_EQ(b.channelBlocks, a.channelBlocks);
    EXPECT_EQ(b.sourceGroups, a.sourceGroups);
}

// The third byte of an event block is a lock priority only in the blocks of
// lock commands; elsewhere it is the data's high byte (the placeholder
// "Text1" of a data box never used gives 0E). A write then a read gives
// back the priority the screen had.
TEST(CopyBetweenSwitches, LockPriorityComesBackAsItWasSent) {
    struct Row {
        const char* name;
        std::array<int, 3> commands;  // list positions, press, hold, release
        std::array<const char*, 3> data;
        const char* priority;
    };
    for (const Row& row : {Row{"Lock Current Pos 00 beside a placeholder", {13, 3, 0}, {"Text1", "Text1", "Text1"}, "00"},
                           Row{"Lock IP 03 beside a STOP with hidden data", {3, 16, 0}, {"1234", "05", "Text1"}, "03"},
                           Row{"Unlock 7F after absolute position", {7, 17, 1}, {"FFFF", "Text1", "AB12"}, "7F"}}) {
        auto rig = MakeRig(SwitchState::Factory());
        ConfigScreen& s = rig->form().screen;
        for (int e = 0; e < 3; ++e) {
            s.commands[EventIndex(2, e)].select(row.commands[e]);
            s.data[EventIndex(2, e)].setText(row.data[e]);
        }
        s.lockPriority[2].setText(row.priority);
        rig->form().writeSwitch();
        s.lockPriority[2].setText("--");
        rig->form().readSwitch();
        EXPECT_EQ(s.lockPriority[2].text(), row.priority) << row.name;
    }
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
            const int i = EventIndex(c, e);
            s.commands[i].select(pick(kCommandCount));
            if (pick(3)) s.data[i].setText(hex(pick(6)));
        }
        s.destinationBoxes[std::array{SpecificBox(c), GroupBox(c), PointToPointBox(c), SrcGroupBox(c)}[pick(4)]].setValue(1);
        s.seq[c].setValue(pick(2));
        s.motorAddress[c].setText(hex(6));
        s.sourceGroupAddress[c].setText(hex(6));
        s.lockPriority[c].setText(hex(pick(3)));
    }
    s.ppMotorAddress.setText(hex(6));
    s.switchAddress.setText(hex(6));
}

// Send Config read back: the switch holds every field that travels, and
// the fields that never come back raise no false alarm. A switch that
// acknowledges a channel's write but keeps what it had is caught, by
// channel.
TEST(VerifiedWrite, TheSwitchHoldsWhatWasSentOrTheChannelIsNamed) {
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
    rig->form().screen.commands[EventIndex(2, 1)].select(rig->form().screen.commands[EventIndex(2, 1)].selected() == 3 ? 4 : 3);
    rig->Plan("7D/3=keep-old");
    rig->form().writeSwitch();
    const VerifyReport& check = rig->form().lastVerify();
    ASSERT_FALSE(check.differences.empty());
    for (const HeldDifference& d : check.differences) EXPECT_EQ(d.channel, 3) << DescribeHeldDifference(d);
    const Verdict verdict = VerifiedWriteVerdict(rig->form().transfer.lastWrite(), check);
    EXPECT_FALSE(verdict.ok);
    EXPECT_NE(verdict.summary.find("channel 3, On Hold command"), std::string::npos) << verdict.summary;
}

// Every field that travels both ways is compared: a changed one is named,
// the source group address of a "Src Group" channel included.
TEST(VerifiedWrite, EachFieldThatTravelsIsCompared) {
    struct Row {
        const char* name;
        std::function<void(ConfigScreen&)> change;
        const char* field;
    };
    const std::vector<Row> rows{
        {"a source group address", [](ConfigScreen& s) { s.sourceGroupAddress[3].setText("010204"); }, "source group address"},
        {"a command", [](ConfigScreen& s) { s.commands[EventIndex(0, 2)].select(5); }, "On Release command"},
        {"16-bit data", [](ConfigScreen& s) { s.data[EventIndex(1, 0)].setText("1235"); }, "On Press data"},
        {"a lock priority", [](ConfigScreen& s) { s.lockPriority[2].setText("0A"); }, "lock priority"},
        {"Seq", [](ConfigScreen& s) { s.seq[2].setValue(0); }, "Seq"},
        {"a destination", [](ConfigScreen& s) { s.destinationBoxes[GroupBox(7)].setValue(1); }, "destination"},
        {"a motor address", [](ConfigScreen& s) { s.motorAddress[0].setText("00A108"); }, "motor address"},
        {"the switch address", [](ConfigScreen& s) { s.switchAddress.setText("12AB3D"); }, "switch address"},
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
        EXPECT_EQ(differences[0].field, row.field) << row.name;
    }
}

}  // namespace
}  // namespace kavro
