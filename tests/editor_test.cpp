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
    Editor() : screen(&ui) { screen.FillCommandLists(); }

    // The destination mode of a channel, read from its four boxes.
    std::string Mode(int c) {
        std::string mode;
        int ticked = 0;
        for (auto [box, name] : {std::pair{SpecificBox(c), "Specific"}, {GroupBox(c), "Group"},
                                 {PointToPointBox(c), "P-P"}, {SrcGroupBox(c), "Src Group"}})
            if (screen.Check1[box].value() == 1) {
                mode = name;
                ++ticked;
            }
        return ticked == 1 ? mode : "broken: " + std::to_string(ticked) + " ticked";
    }

    test::ScriptedUi ui;
    ConfigScreen screen;
};

TEST(CommandCatalogue, CodesAndPositionsBothWays) {
    EXPECT_EQ(CodeFromListIndex(7), 0x08);
    EXPECT_EQ(CodeFromListIndex(18), 0x25);
    EXPECT_EQ(CodeFromListIndex(19), 0);
    EXPECT_EQ(CodeFromListIndex(-1), 0);
    for (int p = 0; p < kCommandCount; ++p) EXPECT_EQ(ListIndexFromCode(CodeFromListIndex(p)), p);
    for (int code : {0x07, 0x09, 0x0E, 0x0F, 0x11, 0x1F, 0x26, 0xFF}) EXPECT_EQ(ListIndexFromCode(code), 0) << code;
}

TEST_F(Editor, IndexRulesPutChannelEightReleaseLast) {
    EXPECT_EQ(EventIndex(7, 2), 23);
    EXPECT_EQ(LabelIndex(7, 2), 23);
    EXPECT_EQ(LabelIndex(0, 1), 8);
    EXPECT_EQ(SrcGroupBox(7), 31);
    // Label2 is event-major: 0..7 press, 8..15 hold, 16..23 release.
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(screen.Label2[c].caption(), "On Press");
        EXPECT_EQ(screen.Label2[8 + c].caption(), "On Hold");
        EXPECT_EQ(screen.Label2[16 + c].caption(), "On Release");
        EXPECT_EQ(screen.Label2[c].colour(), kPressColour);
        EXPECT_FALSE(screen.Label2[8 + c].colour().has_value());
        EXPECT_EQ(screen.Label2[16 + c].colour(), kReleaseColour);
    }
    EXPECT_THROW(screen.ADDR[0], std::out_of_range);
    EXPECT_THROW(screen.ADDR[2], std::out_of_range);
}

TEST_F(Editor, AfterStartupEveryEventIsNoneWithNothingShown) {
    for (int i = 0; i < kEvents; ++i) {
        EXPECT_EQ(screen.Combo1[i].listIndex(), 0);
        EXPECT_EQ(screen.Combo1[i].items().size(), 19u);
        EXPECT_EQ(screen.EventCommandCode[i], 0);
        EXPECT_FALSE(screen.SW_Data[i].visible());
        EXPECT_FALSE(screen.RANGE[i].visible());
        EXPECT_EQ(screen.SW_Data[i].text(), "Text1");  // the placeholder stays
    }
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_FALSE(screen.PRI[c].visible());
        EXPECT_FALSE(screen.PRILBL[c].visible());
        EXPECT_EQ(Mode(c), "Group");
        EXPECT_FALSE(screen.SpecAddr[c].visible());
        EXPECT_FALSE(screen.SwSrcGroup[c].visible());
        EXPECT_EQ(screen.Frames[c].visible(), c < 6);
    }
    EXPECT_EQ(screen.CommandNames[15], "Lock Down limit");
    EXPECT_EQ(screen.CommandNames[14], "Lock UP limit");
}

TEST_F(Editor, DataFieldFollowsTheCommand) {
    ListBox& box = screen.Combo1[4];
    box.setListIndex(7);  // absolute position
    EXPECT_TRUE(screen.SW_Data[4].visible());
    EXPECT_EQ(screen.RANGE[4].caption(), "0->FFFF");
    EXPECT_EQ(screen.SW_Data[4].text(), "0000");
    EXPECT_EQ(screen.SW_Data[4].maxLength(), 4);
    EXPECT_EQ(screen.EventCommandCode[4], 0x08);

    box.setListIndex(8);  // JOG UP ms
    EXPECT_EQ(screen.RANGE[4].caption(), "0->FF ms");
    EXPECT_EQ(screen.SW_Data[4].text(), "00");
    EXPECT_EQ(screen.SW_Data[4].maxLength(), 2);
    screen.SW_Data[4].typeText("ABCD");
    EXPECT_EQ(screen.SW_Data[4].text(), "AB");

    for (int p : {5, 6}) {  // next IP UP / DOWN hide the field
        box.setListIndex(p);
        EXPECT_FALSE(screen.SW_Data[4].visible());
        EXPECT_FALSE(screen.RANGE[4].visible());
    }
}

TEST_F(Editor, TypedDataIsKeptWhileHiddenButLostOnReselection) {
    ListBox& box = screen.Combo1[0];
    box.setListIndex(2);  // DOWN limit
    screen.SW_Data[0].typeText("7F");
    box.setListIndex(3);  // STOP
    EXPECT_FALSE(screen.SW_Data[0].visible());
    EXPECT_EQ(screen.SW_Data[0].text(), "7F");
    EXPECT_EQ(screen.EventCommandCode[0], 0x03);
    box.setListIndex(2);
    EXPECT_EQ(screen.SW_Data[0].text(), "00");
}

TEST_F(Editor, NoSelectionShowsTheFieldsAsTheyWere) {
    screen.Combo1[5].setListIndex(7);
    screen.SW_Data[5].typeText("12");
    screen.Combo1[5].setListIndex(-1);
    EXPECT_EQ(screen.EventCommandCode[5], 0);
    EXPECT_TRUE(screen.SW_Data[5].visible());
    EXPECT_TRUE(screen.RANGE[5].visible());
    EXPECT_EQ(screen.SW_Data[5].text(), "12");
    EXPECT_EQ(screen.RANGE[5].caption(), "0->FFFF");
    EXPECT_EQ(screen.SW_Data[5].maxLength(), 4);
}

TEST_F(Editor, LockPriorityOnlyForChannelsWithALockCommand) {
    const int hold3 = EventIndex(2, 1);
    screen.PRI[2].typeText("5");
    screen.Combo1[hold3].setListIndex(17);  // Unlock
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(screen.PRI[c].visible(), c == 2) << c;
    EXPECT_TRUE(screen.PRILBL[2].visible());
    screen.Combo1[hold3].setListIndex(18);  // Set IP: data, but no lock
    EXPECT_FALSE(screen.PRI[2].visible());
    EXPECT_EQ(screen.PRI[2].text(), "5");
    for (int p = 0; p < kCommandCount; ++p) {
        screen.Combo1[EventIndex(0, 2)].setListIndex(p);
        EXPECT_EQ(screen.PRI[0].visible(), p >= 13 && p <= 17) << p;
    }
}

TEST_F(Editor, LockPriorityIsReevaluatedForEveryChannel) {
    // A stale visible priority on another channel is put right by any change.
    screen.PRI[6].setVisible(true);
    screen.Combo1[0].setListIndex(1);
    EXPECT_FALSE(screen.PRI[6].visible());
}


TEST_F(Editor, SpecificShowsItsAddressOnItsOwnChannelOnly) {
    screen.Check1[SpecificBox(1)].click();
    EXPECT_EQ(Mode(1), "Specific");
    EXPECT_TRUE(screen.SpecAddr[1].visible());
    EXPECT_TRUE(screen.SpecLbl[1].visible());
    for (int c = 0; c < kChannels; ++c)
        if (c != 1) {
            EXPECT_EQ(Mode(c), "Group");
        }
    EXPECT_EQ(screen.CheckControlBusy, 0);
}

TEST_F(Editor, SrcGroupOnChannelEightIsBox31) {
    screen.Check1[31].click();
    EXPECT_EQ(Mode(7), "Src Group");
    EXPECT_TRUE(screen.SwSrcGroup[7].visible());
    EXPECT_EQ(screen.Check1[21].value(), 0);
    EXPECT_EQ(screen.Check1[22].value(), 0);
    EXPECT_EQ(screen.Check1[23].value(), 0);
}

TEST_F(Editor, ClickOnTheTickedBoxKeepsIt) {
    screen.Check1[GroupBox(3)].click();
    EXPECT_EQ(Mode(3), "Group");
    EXPECT_FALSE(screen.SpecAddr[3].visible());
    EXPECT_FALSE(screen.SwSrcGroup[3].visible());
}

TEST_F(Editor, CodeSettingTheTickedBoxToZeroKeepsItAndOneSelects) {
    screen.Check1[GroupBox(4)].setValue(0);
    EXPECT_EQ(Mode(4), "Group");
    screen.Check1[PointToPointBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "P-P");
    screen.Check1[SpecificBox(4)].setValue(0);  // clear box to 0: nothing
    EXPECT_EQ(Mode(4), "P-P");
    screen.Check1[SrcGroupBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "Src Group");
    screen.Check1[SpecificBox(4)].setValue(1);
    EXPECT_EQ(Mode(4), "Specific");
    EXPECT_FALSE(screen.SwSrcGroup[4].visible());
}


TEST_F(Editor, ControlWithBadIndexChangesNothing) {
    int changes = 0;
    screen.setObserver([&] { ++changes; });
    screen.Check1_Control(32);
    screen.Check1_Control(-1);
    screen.Check1_Control(1000);
    EXPECT_EQ(changes, 0);
}


TEST_F(Editor, SeqRenamesTheChannelsEvents) {
    screen.Check3[7].click();
    EXPECT_EQ(screen.Label2[7].caption(), "Function1");
    EXPECT_EQ(screen.Label2[15].caption(), "Function2");
    EXPECT_EQ(screen.Label2[23].caption(), "Function3");
    EXPECT_EQ(screen.Label2[6].caption(), "On Press");
    screen.Check3[7].setValue(0);
    EXPECT_EQ(screen.Label2[7].caption(), "On Press");
    EXPECT_EQ(screen.Label2[15].caption(), "On Hold");
    EXPECT_EQ(screen.Label2[23].caption(), "On Release");
}

TEST_F(Editor, ClearDataResetsEveryChannelButKeepsTexts) {
    for (int c = 0; c < kChannels; ++c) {
        screen.Check1[c % 2 ? SpecificBox(c) : SrcGroupBox(c)].click();
        screen.SpecAddr[c].typeText("00A1" + std::to_string(c) + "7");
        screen.SwSrcGroup[c].typeText("0102" + std::to_string(c) + "3");
        screen.Check3[c].click();
        for (int e = 0; e < 3; ++e) {
            screen.Combo1[EventIndex(c, e)].setListIndex(15);  // Lock Down limit
            screen.SW_Data[EventIndex(c, e)].typeText("4" + std::to_string(e));
        }
        screen.PRI[c].typeText("0" + std::to_string(c));
    }
    screen.UseSwPP.click();
    screen.ADDR[1].typeText("123456");

    screen.Command1_Click();

    EXPECT_EQ(ui.beeps, 1);
    for (int c = 0; c < kChannels; ++c) {
        EXPECT_EQ(Mode(c), "Group") << c;
        EXPECT_FALSE(screen.SpecAddr[c].visible());
        EXPECT_FALSE(screen.SpecLbl[c].visible());
        EXPECT_FALSE(screen.SwSrcGroup[c].visible());
        EXPECT_EQ(screen.SpecAddr[c].text(), "00A1" + std::to_string(c) + "7");
        EXPECT_EQ(screen.SwSrcGroup[c].text(), "0102" + std::to_string(c) + "3");
        EXPECT_EQ(screen.Check3[c].value(), 0);
        EXPECT_EQ(screen.Label2[LabelIndex(c, 0)].caption(), "On Press");
        EXPECT_EQ(screen.Label2[LabelIndex(c, 2)].caption(), "On Release");
        EXPECT_FALSE(screen.PRI[c].visible());
        EXPECT_EQ(screen.PRI[c].text(), "0" + std::to_string(c));
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            EXPECT_EQ(screen.Combo1[i].listIndex(), 0);
            EXPECT_EQ(screen.EventCommandCode[i], 0);
            EXPECT_FALSE(screen.SW_Data[i].visible());
            EXPECT_EQ(screen.SW_Data[i].text(), "4" + std::to_string(e));
        }
    }
    EXPECT_EQ(screen.UseSwPP.value(), 1);
    EXPECT_EQ(screen.ADDR[1].text(), "123456");
    // Choosing "Specific" again shows the old address.
    screen.Check1[SpecificBox(1)].click();
    EXPECT_TRUE(screen.SpecAddr[1].visible());
    EXPECT_EQ(screen.SpecAddr[1].text(), "00A117");
}

TEST_F(Editor, ShowOptionsChooseTheVisibleChannels) {
    auto visible = [&] {
        std::string v;
        for (int c = 0; c < kChannels; ++c) v += screen.Frames[c].visible() ? '1' : '0';
        return v;
    };
    screen.SelectShowOption(screen.opt13);
    EXPECT_EQ(visible(), "11100000");
    EXPECT_TRUE(screen.opt13.value());
    EXPECT_FALSE(screen.opt16.value());
    screen.SelectShowOption(screen.opt78);
    EXPECT_EQ(visible(), "00000011");
    EXPECT_EQ(screen.Frames[6].top(), 960);
    EXPECT_EQ(screen.Frames[7].top(), 960);
    screen.SelectShowOption(screen.optAll);
    EXPECT_EQ(visible(), "11111111");
    EXPECT_EQ(screen.Frames[6].top(), 7820);
    screen.SelectShowOption(screen.opt78);
    screen.SelectShowOption(screen.opt16);
    EXPECT_EQ(visible(), "11111100");
    EXPECT_EQ(screen.Frames[7].top(), 960);  // hidden where it was
    screen.SelectShowOption(screen.opt13);
    EXPECT_EQ(screen.Frames[7].top(), 960);
}

TEST_F(Editor, ArrowKeysMoveTheWindowOnlyWithoutModifiers) {
    screen.Left = 1000;
    screen.Top = 2000;
    EXPECT_TRUE(screen.Form_KeyDown(Key::Up, kNoModifier));
    EXPECT_EQ(screen.Top, 1850);
    EXPECT_TRUE(screen.Form_KeyDown(Key::Right, kNoModifier));
    EXPECT_EQ(screen.Left, 1150);
    EXPECT_TRUE(screen.Form_KeyDown(Key::Down, kNoModifier));
    EXPECT_TRUE(screen.Form_KeyDown(Key::Left, kNoModifier));
    EXPECT_EQ(screen.Left, 1000);
    EXPECT_EQ(screen.Top, 2000);
    EXPECT_FALSE(screen.Form_KeyDown(Key::Up, kShift));
    EXPECT_FALSE(screen.Form_KeyDown(Key::Left, kCtrl | kAlt));
    EXPECT_FALSE(screen.Form_KeyDown(Key::Other, kNoModifier));
    EXPECT_EQ(screen.Top, 2000);
}

TEST(EditorBeforeStartup, DataBoxesHoldThePlaceholderWithoutLimit) {
    ConfigScreen screen;
    EXPECT_EQ(screen.SW_Data[0].text(), "Text1");
    EXPECT_EQ(screen.SW_Data[0].maxLength(), 0);
    EXPECT_TRUE(screen.RANGE[0].visible());
    EXPECT_TRUE(screen.PRI[0].visible());
    EXPECT_EQ(screen.Combo1[0].listIndex(), -1);
    EXPECT_TRUE(screen.Combo1[0].items().empty());
}

}  // namespace
}  // namespace kavro
