// The configuration editor's screen model: index rules, the command lists
// with their data fields and lock priorities, the destination modes, "Seq",
// "Clear Data", the "Show" options and moving the window by keyboard.

#include <gtest/gtest.h>

#include "editor/config_screen.h"
#include "support/scripted_ui.h"

namespace kavro {
namespace {

// A channel's four destination boxes in screen order: Specific, Group, P-P,
// Src Group.
std::array<int, 4> Boxes(int c) { return {SpecificBox(c), GroupBox(c), PointToPointBox(c), SrcGroupBox(c)}; }

// The four boxes of a channel as "0100" (Group ticked).
std::string Ticks(const ConfigScreen& s, int c) {
    std::string ticks;
    for (int box : Boxes(c)) ticks += std::to_string(s.destinationBoxes[box].value());
    return ticks;
}

// A channel's three event names.
std::string Names(const ConfigScreen& s, int c) {
    return s.eventNames[EventNameIndex(c, 0)].caption() + "," + s.eventNames[EventNameIndex(c, 1)].caption() + "," +
           s.eventNames[EventNameIndex(c, 2)].caption();
}

class Editor : public ::testing::Test {
protected:
    Editor() : screen(&ui) { screen.fillCommandLists(); }

    test::ScriptedUi ui;
    ConfigScreen screen;
};

TEST(CommandCatalogue, CodesAndPositionsBothWays) {
    EXPECT_EQ(CommandCode(7), 0x08);
    EXPECT_EQ(CommandCode(18), 0x25);
    EXPECT_EQ(CommandCode(19), 0);
    EXPECT_EQ(CommandCode(-1), 0);
    for (int p = 0; p < kCommandCount; ++p) EXPECT_EQ(CommandPosition(CommandCode(p)), p);
    for (int code : {0x07, 0x09, 0x0E, 0x0F, 0x11, 0x1F, 0x26, 0xFF}) EXPECT_EQ(CommandPosition(code), 0) << code;
}

TEST_F(Editor, AfterStartupEveryEventIsNoneWithNothingShown) {
    EXPECT_EQ(EventIndex(7, 2), 23);
    EXPECT_EQ(SrcGroupBox(7), 31);
    for (int c = 0; c < kChannels; ++c) {
        // eventNames is event-major: 0..7 press, 8..15 hold, 16..23 release.
        EXPECT_EQ(EventNameIndex(c, 2), 16 + c);
        EXPECT_EQ(Names(screen, c), "On Press,On Hold,On Release");
        EXPECT_EQ(screen.eventNames[EventNameIndex(c, 0)].colour(), kPressColour);
        EXPECT_FALSE(screen.eventNames[EventNameIndex(c, 1)].colour().has_value());
        EXPECT_EQ(screen.eventNames[EventNameIndex(c, 2)].colour(), kReleaseColour);
        EXPECT_FALSE(screen.lockPriority[c].visible() || screen.lockPriorityLabel[c].visible());
        EXPECT_EQ(Ticks(screen, c), "0100");
        EXPECT_FALSE(screen.motorAddress[c].visible() || screen.sourceGroupAddress[c].visible());
        EXPECT_EQ(screen.frames[c].visible(), c < 6);
    }
    for (int i = 0; i < kEvents; ++i) {
        EXPECT_EQ(screen.commands[i].selected(), 0);
        EXPECT_EQ(screen.commands[i].items().size(), 19u);
        EXPECT_EQ(screen.commandCodes[i], 0);
        EXPECT_FALSE(screen.data[i].visible() || screen.ranges[i].visible());
        EXPECT_EQ(screen.data[i].text(), "Text1");  // the placeholder stays
    }
    EXPECT_EQ(screen.commandNames[14], "Lock UP limit");
    EXPECT_EQ(screen.commandNames[15], "Lock Down limit");
}

// Channel 2's hold event had "absolute position" with "12" typed; then the
// user chooses another command.
TEST_F(Editor, ChoosingACommandSetsItsDataFieldAndLockPriority) {
    // range: nullptr when the data field is hidden; typable: characters it takes.
    struct Row {
        const char* name;
        int position;
        const char *range, *data;
        std::size_t typable;
        int code;
        bool lock;
    };
    const int i = EventIndex(1, 1);
    for (const Row& row : {
             Row{"the same command again: the typed data is lost", 7, "0->FFFF", "0000", 4, 0x08, false},
             Row{"JOG UP ms: two digits of milliseconds", 8, "0->FF ms", "00", 2, 0x0A, false},
             Row{"DOWN limit: two digits", 2, "0->FF", "00", 2, 0x02, false},
             Row{"next IP UP hides the field, which keeps its text", 5, nullptr, "12", 0, 0x05, false},
             Row{"next IP DOWN hides it too", 6, nullptr, "12", 0, 0x06, false},
             Row{"STOP hides it too", 3, nullptr, "12", 0, 0x03, false},
             Row{"Unlock: no data, but the lock priority", 17, nullptr, "12", 0, 0x24, true},
             Row{"Lock Down limit: data and lock priority", 15, "0->FF", "00", 2, 0x22, true},
             Row{"Set IP: data, but no lock priority", 18, "0->0F", "00", 2, 0x25, false},
             Row{"no selection (only a file makes one) shows the field as it was", -1, "0->FFFF", "12", 4, 0, false},
         }) {
        ConfigScreen s(&ui);
        s.fillCommandLists();
        s.lockPriority[1].typeText("5");
        s.commands[i].select(7);
        s.data[i].typeText("12");
        s.commands[i].select(row.position);
        EXPECT_EQ(s.commandCodes[i], row.code) << row.name;
        EXPECT_EQ(s.data[i].visible(), row.range != nullptr) << row.name;
        EXPECT_EQ(s.ranges[i].visible(), row.range != nullptr) << row.name;
        EXPECT_EQ(s.data[i].text(), row.data) << row.name;
        if (row.range) {
            EXPECT_EQ(s.ranges[i].caption(), row.range) << row.name;
            s.data[i].typeText("ABCDEF");
            EXPECT_EQ(s.data[i].text(), std::string("ABCDEF").substr(0, row.typable)) << row.name;
        }
        for (int c = 0; c < kChannels; ++c) EXPECT_EQ(s.lockPriority[c].visible(), row.lock && c == 1) << row.name;
        EXPECT_EQ(s.lockPriorityLabel[1].visible(), row.lock) << row.name;
        EXPECT_EQ(s.lockPriority[1].text(), "5") << row.name;
    }
}

TEST_F(Editor, LockPriorityIsReevaluatedForEveryChannel) {
    for (int p = 0; p < kCommandCount; ++p) {
        screen.commands[EventIndex(0, 2)].select(p);
        EXPECT_EQ(screen.lockPriority[0].visible(), p >= 13 && p <= 17) << p;
    }
    // A stale visible priority on another channel is put right by any change.
    screen.lockPriority[6].setVisible(true);
    screen.commands[0].select(1);
    EXPECT_FALSE(screen.lockPriority[6].visible());
}

// One box of a channel is ticked at a time, by the user's click or by code
// setting a value (as a file or a read does); the channel's address fields
// follow, and no other channel changes.
TEST_F(Editor, DestinationBoxesTickOneModeAndShowItsAddress) {
    enum { S, G, P, R, Click = -1 };
    // from: the mode clicked first; value: Click, or the value code sets;
    // motor, source: the address fields shown.
    struct Row {
        const char* name;
        int channel, from, box, value;
        const char* ticks;
        bool motor, source;
    };
    for (const Row& row : {
             Row{"Specific shows the motor address", 1, G, S, Click, "1000", true, false},
             Row{"Src Group on channel 8 is box 31 and shows the source address", 7, G, R, Click, "0001", false, true},
             Row{"P-P shows no address", 2, G, P, Click, "0010", false, false},
             Row{"a click on the ticked box keeps it", 3, G, G, Click, "0100", false, false},
             Row{"a click on ticked Specific keeps its address", 0, S, S, Click, "1000", true, false},
             Row{"Group after Specific hides the address", 4, S, G, Click, "0100", false, false},
             Row{"Specific after Src Group swaps the addresses", 5, R, S, Click, "1000", true, false},
             Row{"code clearing the ticked box keeps it", 4, G, G, 0, "0100", false, false},
             Row{"code clearing a clear box changes nothing", 4, P, S, 0, "0010", false, false},
             Row{"code setting a box selects its mode", 4, P, R, 1, "0001", false, true},
             Row{"code setting Specific after Src Group", 6, R, S, 1, "1000", true, false},
         }) {
        ConfigScreen s(&ui);
        const int c = row.channel;
        s.destinationBoxes[Boxes(c)[row.from]].click();
        CheckBox& box = s.destinationBoxes[Boxes(c)[row.box]];
        row.value == Click ? box.click() : box.setValue(row.value);
        EXPECT_EQ(Ticks(s, c), row.ticks) << row.name;
        EXPECT_EQ(s.motorAddress[c].visible(), row.motor) << row.name;
        EXPECT_EQ(s.motorAddressLabel[c].visible(), row.motor) << row.name;
        EXPECT_EQ(s.sourceGroupAddress[c].visible(), row.source) << row.name;
        for (int other = 0; other < kChannels; ++other)
            EXPECT_TRUE(other == c || Ticks(s, other) == "0100") << row.name << ": channel " << other + 1;
        EXPECT_EQ(s.destinationBusy, 0) << row.name;
    }
}

// The handler sets the other boxes, whose own handlers must not run.
TEST_F(Editor, ABoxSetWhileTheHandlerRunsChangesOnlyItself) {
    screen.destinationBusy = 1;
    screen.destinationBoxes[SpecificBox(0)].click();
    EXPECT_EQ(Ticks(screen, 0), "1100");
    EXPECT_FALSE(screen.motorAddress[0].visible());
}

TEST_F(Editor, ControlWithBadIndexChangesNothing) {
    int changes = 0;
    screen.setObserver([&] { ++changes; });
    for (int index : {32, -1, 1000}) screen.applyDestination(index);
    EXPECT_EQ(changes, 0);
}

TEST_F(Editor, SeqRenamesTheChannelsEvents) {
    screen.seq[7].click();
    EXPECT_EQ(Names(screen, 7), "Function1,Function2,Function3");
    EXPECT_EQ(Names(screen, 6), "On Press,On Hold,On Release");
    screen.seq[7].setValue(0);
    EXPECT_EQ(Names(screen, 7), "On Press,On Hold,On Release");
}

TEST_F(Editor, ClearDataResetsEveryChannelButKeepsTexts) {
    // Everything "Clear Data" resets: modes, address fields, Seq, commands.
    auto shape = [](const ConfigScreen& s) {
        std::string shape;
        for (int c = 0; c < kChannels; ++c)
            shape += Ticks(s, c) + Names(s, c) + std::to_string(s.seq[c].value()) +
                     std::to_string(s.motorAddress[c].visible()) + std::to_string(s.motorAddressLabel[c].visible()) +
                     std::to_string(s.sourceGroupAddress[c].visible()) + std::to_string(s.lockPriority[c].visible());
        for (int i = 0; i < kEvents; ++i)
            shape += std::to_string(s.commands[i].selected()) + std::to_string(s.commandCodes[i]) +
                     std::to_string(s.data[i].visible()) + ";";
        return shape;
    };
    const std::string fresh = shape(screen);
    for (int c = 0; c < kChannels; ++c) {
        screen.destinationBoxes[c % 2 ? SpecificBox(c) : SrcGroupBox(c)].click();
        screen.motorAddress[c].typeText("00A1" + std::to_string(c) + "7");
        screen.sourceGroupAddress[c].typeText("0102" + std::to_string(c) + "3");
        screen.lockPriority[c].typeText("0" + std::to_string(c));
        screen.seq[c].click();
        for (int e = 0; e < 3; ++e) {
            screen.commands[EventIndex(c, e)].select(15);  // Lock Down limit
            screen.data[EventIndex(c, e)].typeText("4" + std::to_string(e));
        }
    }
    screen.useSwitchAddress.click();
    screen.ppMotorAddress.typeText("123456");

    screen.clearData();

    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(shape(screen), fresh);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(screen.motorAddress[c].text(), "00A1" + std::to_string(c) + "7");
        EXPECT_EQ(screen.sourceGroupAddress[c].text(), "0102" + std::to_string(c) + "3");
        EXPECT_EQ(screen.lockPriority[c].text(), "0" + std::to_string(c));
        for (int e = 0; e < 3; ++e) EXPECT_EQ(screen.data[EventIndex(c, e)].text(), "4" + std::to_string(e));
    }
    EXPECT_EQ(screen.useSwitchAddress.value(), 1);
    EXPECT_EQ(screen.ppMotorAddress.text(), "123456");
}

TEST_F(Editor, ShowOptionsChooseTheVisibleChannels) {
    struct Row {
        const char* name;
        OptionButton* option;
        const char* frames;  // channels 1..8
        int top78;           // where channels 7 and 8 stand
    };
    for (const Row& row : {Row{"1 - 3", &screen.show1to3, "11100000", 7800},
                           Row{"7 - 8 move up to the first row", &screen.show7to8, "00000011", 960},
                           Row{"All puts 7 - 8 in the fourth row", &screen.showAll, "11111111", 7820},
                           Row{"7 - 8 again", &screen.show7to8, "00000011", 960},
                           Row{"1 - 6 leaves 7 - 8 hidden where they were", &screen.show1to6, "11111100", 960}}) {
        screen.selectShowOption(*row.option);
        std::string frames;
        for (int c = 0; c < kChannels; ++c) frames += screen.frames[c].visible() ? '1' : '0';
        EXPECT_EQ(frames, row.frames) << row.name;
        EXPECT_EQ(screen.frames[6].top(), row.top78) << row.name;
        EXPECT_EQ(screen.frames[7].top(), row.top78) << row.name;
        for (OptionButton* o : {&screen.show1to3, &screen.show1to6, &screen.show7to8, &screen.showAll})
            EXPECT_EQ(o->value(), o == row.option) << row.name;
    }
}

TEST_F(Editor, ArrowKeysMoveTheWindowOnlyWithoutModifiers) {
    struct Row {
        const char* name;
        Key key;
        unsigned modifiers;
        int left, top;  // where the window is after the key
    };
    screen.Left = 1000;
    screen.Top = 2000;
    for (const Row& row : {Row{"up", Key::Up, kNoModifier, 1000, 1850}, Row{"right", Key::Right, 0, 1150, 1850},
                           Row{"down", Key::Down, 0, 1150, 2000}, Row{"left", Key::Left, 0, 1000, 2000},
                           Row{"shift", Key::Up, kShift, 1000, 2000}, Row{"another key", Key::Other, 0, 1000, 2000},
                           Row{"ctrl alt", Key::Left, kCtrl | kAlt, 1000, 2000}}) {
        const bool moves = screen.Left != row.left || screen.Top != row.top;
        EXPECT_EQ(screen.keyDown(row.key, row.modifiers), moves) << row.name;
        EXPECT_EQ(screen.Left, row.left) << row.name;
        EXPECT_EQ(screen.Top, row.top) << row.name;
    }
}

}  // namespace
}  // namespace kavro
