// The configuration editor's screen model: index rules, the command lists
// with their data fields and lock priorities, the destination modes, "Seq",
// "Clear Data", the "Show" options and moving the window by keyboard.

#include <gtest/gtest.h>

#include "editor/config_screen.h"
#include "support/scripted_ui.h"

namespace kavro {
namespace {

class Editor : public ::testing::Test {
protected:
    Editor() : screen(&ui) { screen.fillCommandLists(); }

    // The destination mode of a channel, read from its four boxes.
    std::string Mode(int c) {
        std::string mode;
        int ticked = 0;
        for (auto [box, name] : {std::pair{SpecificBox(c), "Specific"}, {GroupBox(c), "Group"},
                                 {PointToPointBox(c), "P-P"}, {SrcGroupBox(c), "Src Group"}})
            if (screen.destinationBoxes[box].value() == 1) {
                mode = name;
                ++ticked;
            }
        return ticked == 1 ? mode : "broken: " + std::to_string(ticked) + " ticked";
    }

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

TEST_F(Editor, IndexRulesPutChannelEightReleaseLast) {
    EXPECT_EQ(EventIndex(7, 2), 23);
    EXPECT_EQ(EventNameIndex(7, 2), 23);
    EXPECT_EQ(EventNameIndex(0, 1), 8);
    EXPECT_EQ(SrcGroupBox(7), 31);
    // eventNames is event-major: 0..7 press, 8..15 hold, 16..23 release.
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(screen.eventNames[c].caption(), "On Press");
        EXPECT_EQ(screen.eventNames[8 + c].caption(), "On Hold");
        EXPECT_EQ(screen.eventNames[16 + c].caption(), "On Release");
        EXPECT_EQ(screen.eventNames[c].colour(), kPressColour);
        EXPECT_FALSE(screen.eventNames[8 + c].colour().has_value());
        EXPECT_EQ(screen.eventNames[16 + c].colour(), kReleaseColour);
    }
}

TEST_F(Editor, AfterStartupEveryEventIsNoneWithNothingShown) {
    for (int i = 0; i < kEvents; ++i) {
        EXPECT_EQ(screen.commands[i].selected(), 0);
        EXPECT_EQ(screen.commands[i].items().size(), 19u);
        EXPECT_EQ(screen.commandCodes[i], 0);
        EXPECT_FALSE(screen.data[i].visible());
        EXPECT_FALSE(screen.ranges[i].visible());
        EXPECT_EQ(screen.data[i].text(), "Text1");  // the placeholder stays
    }
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_FALSE(screen.lockPriority[c].visible());
        EXPECT_FALSE(screen.lockPriorityLabel[c].visible());
        EXPECT_EQ(Mode(c), "Group");
        EXPECT_FALSE(screen.motorAddress[c].visible());
        EXPECT_FALSE(screen.sourceGroupAddress[c].visible());
        EXPECT_EQ(screen.frames[c].visible(), c < 6);
    }
    EXPECT_EQ(screen.commandNames[15], "Lock Down limit");
    EXPECT_EQ(screen.commandNames[14], "Lock UP limit");
}

TEST_F(Editor, DataFieldFollowsTheCommand) {
    ListBox& box = screen.commands[4];
    box.select(7);  // absolute position
    EXPECT_TRUE(screen.data[4].visible());
    EXPECT_EQ(screen.ranges[4].caption(), "0->FFFF");
    EXPECT_EQ(screen.data[4].text(), "0000");
    EXPECT_EQ(screen.data[4].maxLength(), 4);
    EXPECT_EQ(screen.commandCodes[4], 0x08);

    box.select(8);  // JOG UP ms
    EXPECT_EQ(screen.ranges[4].caption(), "0->FF ms");
    EXPECT_EQ(screen.data[4].text(), "00");
    EXPECT_EQ(screen.data[4].maxLength(), 2);
    screen.data[4].typeText("ABCD");
    EXPECT_EQ(screen.data[4].text(), "AB");

    for (int p : {5, 6}) {  // next IP UP / DOWN hide the field
        box.select(p);
        EXPECT_FALSE(screen.data[4].visible());
        EXPECT_FALSE(screen.ranges[4].visible());
    }
}

TEST_F(Editor, TypedDataIsKeptWhileHiddenButLostOnReselection) {
    ListBox& box = screen.commands[0];
    box.select(2);  // DOWN limit
    screen.data[0].typeText("7F");
    box.select(3);  // STOP
    EXPECT_FALSE(screen.data[0].visible());
    EXPECT_EQ(screen.data[0].text(), "7F");
    EXPECT_EQ(screen.commandCodes[0], 0x03);
    box.select(2);
    EXPECT_EQ(screen.data[0].text(), "00");
}

TEST_F(Editor, NoSelectionShowsTheFieldsAsTheyWere) {
    screen.commands[5].select(7);
    screen.data[5].typeText("12");
    screen.commands[5].select(-1);
    EXPECT_EQ(screen.commandCodes[5], 0);
    EXPECT_TRUE(screen.data[5].visible());
    EXPECT_TRUE(screen.ranges[5].visible());
    EXPECT_EQ(screen.data[5].text(), "12");
    EXPECT_EQ(screen.ranges[5].caption(), "0->FFFF");
    EXPECT_EQ(screen.data[5].maxLength(), 4);
}

TEST_F(Editor, LockPriorityOnlyForChannelsWithALockCommand) {
    const int hold3 = EventIndex(2, 1);
    screen.lockPriority[2].typeText("5");
    screen.commands[hold3].select(17);  // Unlock
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(screen.lockPriority[c].visible(), c == 2) << c;
    EXPECT_TRUE(screen.lockPriorityLabel[2].visible());
    screen.commands[hold3].select(18);  // Set IP: data, but no lock
    EXPECT_FALSE(screen.lockPriority[2].visible());
    EXPECT_EQ(screen.lockPriority[2].text(), "5");
    for (int p = 0; p < kCommandCount; ++p) {
        screen.commands[EventIndex(0, 2)].select(p);
        EXPECT_EQ(screen.lockPriority[0].visible(), p >= 13 && p <= 17) << p;
    }
}

TEST_F(Editor, LockPriorityIsReevaluatedForEveryChannel) {
    // A stale visible priority on another channel is put right by any change.
    screen.lockPriority[6].setVisible(true);
    screen.commands[0].select(1);
    EXPECT_FALSE(screen.lockPriority[6].visible());
}


TEST_F(Editor, SpecificShowsItsAddressOnItsOwnChannelOnly) {
    screen.destinationBoxes[SpecificBox(1)].click();
    EXPECT_EQ(Mode(1), "Specific");
    EXPECT_TRUE(screen.motorAddress[1].visible());
    EXPECT_TRUE(screen.motorAddressLabel[1].visible());
    for (int c = 0; c < kChannels; ++c)
        if (c != 1) {
            EXPECT_EQ(Mode(c), "Group");
        }
    EXPECT_EQ(screen.destinationBusy, 0);
}

TEST_F(Editor, SrcGroupOnChannelEightIsBox31) {
    screen.destinationBoxes[31].click();
    EXPECT_EQ(Mode(7), "Src Group");
    EXPECT_TRUE(screen.sourceGroupAddress[7].visible());
    EXPECT_EQ(screen.destinationBoxes[21].value(), 0);
    EXPECT_EQ(screen.destinationBoxes[22].value(), 0);
    EXPECT_EQ(screen.destinationBoxes[23].value(), 0);
}

TEST_F(Editor, ClickOnTheTickedBoxKeepsIt) {
    screen.destinationBoxes[GroupBox(3)].click();
    EXPECT_EQ(Mode(3), "Group");
    EXPECT_FALSE(screen.motorAddress[3].visible());
    EXPECT_FALSE(screen.sourceGroupAddress[3].visible());
}

TEST_F(Editor, CodeSettingTheTickedBoxToZeroKeepsItAndOneSelects) {
    screen.destinationBoxes[GroupBox(4)].setValue(0);
    EXPECT_EQ(Mode(4), "Group");
    screen.destinationBoxes[PointToPointBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "P-P");
    screen.destinationBoxes[SpecificBox(4)].setValue(0);  // clear box to 0: nothing
    EXPECT_EQ(Mode(4), "P-P");
    screen.destinationBoxes[SrcGroupBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "Src Group");
    screen.destinationBoxes[SpecificBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "Specific");
    EXPECT_FALSE(screen.sourceGroupAddress[4].visible());
}


TEST_F(Editor, ControlWithBadIndexChangesNothing) {
    int changes = 0;
    screen.setObserver([&] { ++changes; });
    screen.applyDestination(32);
    screen.applyDestination(-1);
    screen.applyDestination(1000);
    EXPECT_EQ(changes, 0);
}


TEST_F(Editor, SeqRenamesTheChannelsEvents) {
    screen.seq[7].click();
    EXPECT_EQ(screen.eventNames[7].caption(), "Function1");
    EXPECT_EQ(screen.eventNames[15].caption(), "Function2");
    EXPECT_EQ(screen.eventNames[23].caption(), "Function3");
    EXPECT_EQ(screen.eventNames[6].caption(), "On Press");
    screen.seq[7].setValue(0);
    EXPECT_EQ(screen.eventNames[7].caption(), "On Press");
    EXPECT_EQ(screen.eventNames[15].caption(), "On Hold");
    EXPECT_EQ(screen.eventNames[23].caption(), "On Release");
}

TEST_F(Editor, ClearDataResetsEveryChannelButKeepsTexts) {
    for (int c = 0; c < kChannels; ++c) {
        screen.destinationBoxes[c % 2 ? SpecificBox(c) : SrcGroupBox(c)].click();
        screen.motorAddress[c].typeText("00A1" + std::to_string(c) + "7");
        screen.sourceGroupAddress[c].typeText("0102" + std::to_string(c) + "3");
        screen.seq[c].click();
        for (int e = 0; e < 3; ++e) {
            screen.commands[EventIndex(c, e)].select(15);  // Lock Down limit
            screen.data[EventIndex(c, e)].typeText("4" + std::to_string(e));
        }
        screen.lockPriority[c].typeText("0" + std::to_string(c));
    }
    screen.useSwitchAddress.click();
    screen.ppMotorAddress.typeText("123456");

    screen.clearData();

    EXPECT_EQ(ui.beeps, 1);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(Mode(c), "Group") << c;
        EXPECT_FALSE(screen.motorAddress[c].visible());
        EXPECT_FALSE(screen.motorAddressLabel[c].visible());
        EXPECT_FALSE(screen.sourceGroupAddress[c].visible());
        EXPECT_EQ(screen.motorAddress[c].text(), "00A1" + std::to_string(c) + "7");
        EXPECT_EQ(screen.sourceGroupAddress[c].text(), "0102" + std::to_string(c) + "3");
        EXPECT_EQ(screen.seq[c].value(), 0);
        EXPECT_EQ(screen.eventNames[EventNameIndex(c, 0)].caption(), "On Press");
        EXPECT_EQ(screen.eventNames[EventNameIndex(c, 2)].caption(), "On Release");
        EXPECT_FALSE(screen.lockPriority[c].visible());
        EXPECT_EQ(screen.lockPriority[c].text(), "0" + std::to_string(c));
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            EXPECT_EQ(screen.commands[i].selected(), 0);
            EXPECT_EQ(screen.commandCodes[i], 0);
            EXPECT_FALSE(screen.data[i].visible());
            EXPECT_EQ(screen.data[i].text(), "4" + std::to_string(e));
        }
    }
    EXPECT_EQ(screen.useSwitchAddress.value(), 1);
    EXPECT_EQ(screen.ppMotorAddress.text(), "123456");
    // Choosing "Specific" again shows the old address.
    screen.destinationBoxes[SpecificBox(1)].click();
    EXPECT_TRUE(screen.motorAddress[1].visible());
    EXPECT_EQ(screen.motorAddress[1].text(), "00A117");
}

TEST_F(Editor, ShowOptionsChooseTheVisibleChannels) {
    auto visible = [&] {
        std::string v;
        for (int c = 0; c < kChannels; ++c) v += screen.frames[c].visible() ? '1' : '0';
        return v;
    };
    screen.selectShowOption(screen.show1to3);
    EXPECT_EQ(visible(), "11100000");
    EXPECT_TRUE(screen.show1to3.value());
    EXPECT_FALSE(screen.show1to6.value());
    screen.selectShowOption(screen.show7to8);
    EXPECT_EQ(visible(), "00000011");
    EXPECT_EQ(screen.frames[6].top(), 960);
    EXPECT_EQ(screen.frames[7].top(), 960);
    screen.selectShowOption(screen.showAll);
    EXPECT_EQ(visible(), "11111111");
    EXPECT_EQ(screen.frames[6].top(), 7820);
    screen.selectShowOption(screen.show7to8);
    screen.selectShowOption(screen.show1to6);
    EXPECT_EQ(visible(), "11111100");
    EXPECT_EQ(screen.frames[7].top(), 960);  // hidden where it was
    screen.selectShowOption(screen.show1to3);
    EXPECT_EQ(screen.frames[7].top(), 960);
}

TEST_F(Editor, ArrowKeysMoveTheWindowOnlyWithoutModifiers) {
    screen.Left = 1000;
    screen.Top = 2000;
    EXPECT_TRUE(screen.keyDown(Key::Up, kNoModifier));
    EXPECT_EQ(screen.Top, 1850);
    EXPECT_TRUE(screen.keyDown(Key::Right, kNoModifier));
    EXPECT_EQ(screen.Left, 1150);
    EXPECT_TRUE(screen.keyDown(Key::Down, kNoModifier));
    EXPECT_TRUE(screen.keyDown(Key::Left, kNoModifier));
    EXPECT_EQ(screen.Left, 1000);
    EXPECT_EQ(screen.Top, 2000);
    EXPECT_FALSE(screen.keyDown(Key::Up, kShift));
    EXPECT_FALSE(screen.keyDown(Key::Left, kCtrl | kAlt));
    EXPECT_FALSE(screen.keyDown(Key::Other, kNoModifier));
    EXPECT_EQ(screen.Top, 2000);
}

TEST(EditorBeforeStartup, DataBoxesHoldThePlaceholderWithoutLimit) {
    ConfigScreen screen;
    EXPECT_EQ(screen.data[0].text(), "Text1");
    EXPECT_EQ(screen.data[0].maxLength(), 0);
    EXPECT_TRUE(screen.ranges[0].visible());
    EXPECT_TRUE(screen.lockPriority[0].visible());
    EXPECT_EQ(screen.commands[0].selected(), -1);
    EXPECT_TRUE(screen.commands[0].items().empty());
}

}  // namespace
}  // namespace kavro
