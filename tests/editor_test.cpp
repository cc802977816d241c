// The configuration editor's screen model: index rules, the command lists
// with their data fields and lock priorities, the destination modes, "Seq",
// "Clear Data", the "Show" options and moving the window by keyboard.

#include <gtest/gtest.h>

#include "editor/config_screen.h"
#include "support/scripted_ui.h"

namespace kavro {
namespace {

// The four boxes of a channel as "0100" (Group ticked).
std::string Ticks(const ConfigScreen& s, int c) {
    std::string ticks;
    for (int box : ChannelBoxes(c)) ticks += std::to_string(s.destinationBoxes[box].value());
    return ticks;
}

// A channel's three event names.
std::string Names(const ConfigScreen& s, int c) {
    return s.eventNames[EventNameIndex(c, 0)].caption() + "," + s.eventNames[EventNameIndex(c, 1)].caption() + "," +
           s.eventNames[EventNameIndex(c, 2)].caption();
}

struct Editor : ::testing::Test {
    Editor() : screen(&ui) { screen.fillCommandLists(); }
    test::ScriptedUi ui;
    ConfigScreen screen;
};

TEST(CommandCatalogue, CodesAndPositionsBothWays) {
    EXPECT_EQ(std::pair(CommandCode(7), CommandCode(18)), std::pair(0x08, 0x25));
    EXPECT_EQ(CommandCode(19) + CommandCode(-1), 0);
    for (int p = 0; p < kCommandCount; ++p) EXPECT_EQ(CommandPosition(CommandCode(p)), p);
    for (int code : {0x07, 0x09, 0x0E, 0x0F, 0x11, 0x1F, 0x26, 0xFF}) EXPECT_EQ(CommandPosition(code), 0) << code;
}

TEST_F(Editor, AfterStartupEveryEventIsNoneWithNothingShown) {
    EXPECT_EQ(EventIndex(7, 2), 23);
    EXPECT_EQ(SrcGroupBox(7), 31);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(EventNameIndex(c, 2), 16 + c);  // event-major: 0..7 press, 8..15 hold, 16..23 release
        EXPECT_EQ(Ticks(screen, c), "0100");
        EXPECT_FALSE(screen.lockPriority[c].visible() || screen.lockPriorityLabel[c].visible() ||
                     screen.motorAddress[c].visible() || screen.sourceGroupAddress[c].visible());
        EXPECT_EQ(screen.frames[c].visible(), c < 6);
    }
    for (int i = 0; i < kEvents; ++i) {  // the entries, and "Text1" in every data box: designed_texts_test.cpp
        EXPECT_EQ(screen.commands[i].selected() + screen.commandCode(i), 0);
        EXPECT_EQ(screen.commands[i].items().size(), 19u);
        EXPECT_FALSE(screen.data[i].visible() || screen.ranges[i].visible());
    }
}

// Channel 2's release event had "absolute position" with "12" typed, and a
// lock priority "5"; then the user chooses another command. Positions 13 to
// 18 (the locks and "Set IP", whose blocks carry the priority) show the lock
// priority, and a stale one on another channel goes.
// range: nullptr when the data field is hidden; typable: the characters it takes.
TEST_F(Editor, ChoosingACommandSetsItsDataFieldAndLockPriority) {
    struct Row { const char *name; int position; const char *range, *data; std::size_t typable; int code; bool lock; };
    const int i = EventIndex(1, 2);
    for (const Row& row : {
             Row{"the same command again: the typed data is lost", 7, "0->FFFF", "0000", 4, 0x08, false},
             Row{"JOG UP ms: two digits of milliseconds", 8, "0->FF ms", "00", 2, 0x0A, false},
             Row{"relative position: two digits, no lock priority", 12, "0->FF", "00", 2, 0x10, false},
             Row{"Lock Current Pos: no data, but the lock priority", 13, nullptr, "12", 0, 0x20, true},
             Row{"next IP UP hides the field, which keeps its text", 5, nullptr, "12", 0, 0x05, false},
             Row{"Unlock: no data, but the lock priority", 17, nullptr, "12", 0, 0x24, true},
             Row{"Lock Down limit: data and lock priority", 15, "0->FF", "00", 2, 0x22, true},
             Row{"Set IP: data, and the lock priority it sends", 18, "0->0F", "00", 2, 0x25, true},
             Row{"no selection (only a file makes one) shows the field as it was", -1, "0->FFFF", "12", 4, 0, false},
         }) {
        ConfigScreen s(&ui);
        s.fillCommandLists();
        s.lockPriority[1].typeText("5");
        s.commands[i].select(7);
        s.data[i].typeText("12");
        s.lockPriority[6].setVisible(true);
        s.commands[i].select(row.position);
        EXPECT_EQ(s.commandCode(i), row.code) << row.name;
        EXPECT_EQ(s.data[i].visible() + s.ranges[i].visible(), row.range ? 2 : 0) << row.name;
        EXPECT_EQ(s.data[i].text(), row.data) << row.name;
        EXPECT_TRUE(!row.range || s.ranges[i].caption() == row.range) << row.name;
        s.data[i].typeText("ABCDEF");
        EXPECT_TRUE(!row.range || s.data[i].text() == std::string("ABCDEF", row.typable)) << row.name << ": typed";
        for (int c = 0; c < kChannels; ++c)
            EXPECT_EQ(s.lockPriority[c].visible() + s.lockPriorityLabel[c].visible(), row.lock && c == 1 ? 2 : 0)
                << row.name;
        EXPECT_EQ(s.lockPriority[1].text(), "5") << row.name;
    }
}

// One box of a channel is ticked at a time, by the user's click or by code
// setting a value (as a file or a read does); the channel's address fields
// follow, and no other channel changes. from: the mode clicked first;
// value: Click, or the value code sets; motor, source: the address fields shown.
TEST_F(Editor, DestinationBoxesTickOneModeAndShowItsAddress) {
    enum { S, G, P, R, Click = -1 };
    struct Row { const char* name; int channel, from, box, value; const char* ticks; bool motor, source; };
    for (const Row& row : {
             Row{"Specific shows the motor address", 1, G, S, Click, "1000", true, false},
             Row{"Src Group on channel 8 is box 31 and shows the source address", 7, G, R, Click, "0001", false, true},
             Row{"P-P shows no address", 2, G, P, Click, "0010", false, false},
             Row{"a click on ticked Specific keeps it and its address", 0, S, S, Click, "1000", true, false},
             Row{"Group after Specific hides the address", 4, S, G, Click, "0100", false, false},
             Row{"Specific after Src Group swaps the addresses", 5, R, S, Click, "1000", true, false},
             Row{"code clearing the ticked box keeps it", 4, G, G, 0, "0100", false, false},
             Row{"code clearing a clear box changes nothing", 4, P, S, 0, "0010", false, false},
             Row{"code setting a box selects its mode", 4, P, R, 1, "0001", false, true},
         }) {
        ConfigScreen s(&ui);
        const int c = row.channel;
        s.destinationBoxes[ChannelBoxes(c)[row.from]].click();
        CheckBox& box = s.destinationBoxes[ChannelBoxes(c)[row.box]];
        row.value == Click ? box.click() : box.setValue(row.value);
        EXPECT_EQ(Ticks(s, c), row.ticks) << row.name;
        EXPECT_EQ(s.motorAddress[c].visible() + s.motorAddressLabel[c].visible(), row.motor ? 2 : 0) << row.name;
        EXPECT_EQ(s.sourceGroupAddress[c].visible(), row.source) << row.name;
        for (int other = 0; other < kChannels; ++other)
            EXPECT_TRUE(other == c || Ticks(s, other) == "0100") << row.name << ": channel " << other + 1;
        EXPECT_FALSE(s.applyingDestination()) << row.name;
    }
    // Whichever box was ticked, a click on another leaves that one alone ticked.
    for (int from : {S, G, P, R})
        for (int to : {S, G, P, R}) {
            ConfigScreen s(&ui);
            s.destinationBoxes[ChannelBoxes(3)[from]].click();
            s.destinationBoxes[ChannelBoxes(3)[to]].click();
            std::string ticks = "0000";
            ticks[static_cast<std::size_t>(to)] = '1';
            EXPECT_EQ(Ticks(s, 3), ticks) << "box " << from << ", then box " << to;
        }
}

// The handler sets the other boxes, whose own handlers must not run: a box set while it runs changes only itself.
TEST_F(Editor, ABoxSetWhileTheHandlerRunsChangesOnlyItself) {
    bool nested = false;
    screen.setObserver([&] {
        if (!screen.applyingDestination() || nested) return;
        nested = true;
        screen.destinationBoxes[SrcGroupBox(0)].click();
        EXPECT_EQ(Ticks(screen, 0).substr(3), "1");
        EXPECT_FALSE(screen.sourceGroupAddress[0].visible());
    });
    screen.destinationBoxes[SpecificBox(0)].click();
    EXPECT_TRUE(nested);
    EXPECT_EQ(Ticks(screen, 0), "1000");  // the handler, going on, clears it again
}

TEST_F(Editor, ControlWithBadIndexChangesNothing) {
    int changes = 0;
    screen.setObserver([&] { ++changes; });
    for (int index : {32, -1, 1000}) screen.applyDestination(index);
    EXPECT_EQ(changes, 0);
}

// "Clear Data" resets modes, address fields, Seq (which renames its channel's
// events) and commands, and keeps every text typed.
TEST_F(Editor, ClearDataResetsEveryChannelButKeepsTexts) {
    auto state = [](const ConfigScreen& s) {  // what it resets (Seq by the names), what it keeps
        std::string shape, texts = s.ppMotorAddress.text() + std::to_string(s.useSwitchAddress.value());
        for (int c = 0; c < kChannels; ++c) {
            shape += Ticks(s, c) + Names(s, c) + (s.motorAddress[c].visible() ? "M" : "") +
                     (s.sourceGroupAddress[c].visible() ? "S" : "") + (s.lockPriority[c].visible() ? "L" : "") + ";";
            texts += s.motorAddress[c].text() + s.sourceGroupAddress[c].text() + s.lockPriority[c].text();
        }
        for (int i = 0; i < kEvents; ++i) {
            shape += std::to_string(s.commands[i].selected()) + (s.data[i].visible() ? "D;" : ";");
            texts += s.data[i].text() + ";";
        }
        return std::pair(shape, texts);
    };
    const std::string fresh = state(screen).first;
    for (int c = 0; c < kChannels; ++c) {
        screen.destinationBoxes[c % 2 ? SpecificBox(c) : SrcGroupBox(c)].click();
        for (TextBox* t : {&screen.motorAddress[c], &screen.sourceGroupAddress[c], &screen.lockPriority[c]})
            t->typeText("0" + std::to_string(c));
        if (c % 2) screen.seq[c].click();
        for (int e = 0; e < 3; ++e) screen.commands[EventIndex(c, e)].select(15);  // Lock Down limit, with data
    }
    for (TextBox& data : screen.data) data.typeText("42");
    screen.useSwitchAddress.click();
    screen.ppMotorAddress.typeText("123456");
    EXPECT_EQ(Names(screen, 7) + "|" + Names(screen, 6), "Function1,Function2,Function3|On Press,On Hold,On Release");
    const std::string typed = state(screen).second;
    screen.clearData();
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(state(screen), std::pair(fresh, typed));
}

TEST_F(Editor, ShowOptionsChooseTheVisibleChannels) {
    // shown: channels 1..8, then the options 1 - 3, 1 - 6, 7 - 8, All; top78: where channels 7 and 8 stand.
    struct Row { const char* name; OptionButton* option; const char* shown; int top78; };
    for (const Row& row : {Row{"1 - 3", &screen.show1to3, "11100000" "1000", 7800},
                           Row{"7 - 8 move up to the first row", &screen.show7to8, "00000011" "0010", 960},
                           Row{"All puts 7 - 8 in the fourth row", &screen.showAll, "11111111" "0001", 7820},
                           Row{"7 - 8 again", &screen.show7to8, "00000011" "0010", 960},
                           Row{"1 - 6 hides 7 - 8 where they stood", &screen.show1to6, "11111100" "0100", 960}}) {
        screen.selectShowOption(*row.option);
        std::string shown;
        for (int c = 0; c < kChannels; ++c) shown += screen.frames[c].visible() ? '1' : '0';
        for (OptionButton* o : {&screen.show1to3, &screen.show1to6, &screen.show7to8, &screen.showAll})
            shown += o->value() ? '1' : '0';
        EXPECT_EQ(shown, row.shown) << row.name;
        EXPECT_EQ(screen.frames[6].top() + screen.frames[7].top(), 2 * row.top78) << row.name;
    }
}

// ... and only while "Arrow keys move the window" is ticked, as it is from the start.
TEST_F(Editor, ArrowKeysMoveTheWindowOnlyWithoutModifiers) {
    // preference: "Arrow keys move the window" ticked (1) or not; left, top: where the window is after the key.
    struct Row { const char* name; Key key; unsigned modifiers; int preference, left, top; };
    screen.windowDragged(1000, 2000);
    for (const Row& row : {Row{"up", Key::Up, kNoModifier, 1, 1000, 1850}, Row{"right", Key::Right, 0, 1, 1150, 1850},
                           Row{"down", Key::Down, 0, 1, 1150, 2000}, Row{"left", Key::Left, 0, 1, 1000, 2000},
                           Row{"shift", Key::Up, kShift, 1, 1000, 2000},
                           Row{"another key", Key::Other, 0, 1, 1000, 2000},
                           Row{"the preference cleared: the key is the control's", Key::Up, 0, 0, 1000, 2000},
                           Row{"ticked again", Key::Down, 0, 1, 1000, 2150}}) {
        const bool moves = screen.left() != row.left || screen.top() != row.top;
        if (row.preference == 0) screen.arrowKeysMoveWindow.click();
        if (row.preference == 1 && screen.arrowKeysMoveWindow.value() == 0) screen.arrowKeysMoveWindow.click();
        EXPECT_EQ(screen.keyDown(row.key, row.modifiers), moves) << row.name;
        EXPECT_EQ(std::pair(screen.left(), screen.top()), std::pair(row.left, row.top)) << row.name;
    }
}

}  // namespace
}  // namespace kavro
