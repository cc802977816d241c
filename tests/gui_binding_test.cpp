// Every way a control can change (mouse, keyboard, a screen reader's
// actions through the accessibility interfaces, a test robot's setters)
// reaches the screen model exactly once, and what the window shows is what
// Send Config writes.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "support/gui_fixture.h"

namespace kavro {
namespace {


class GuiBinding : public test::GuiFixture {
protected:
    QAccessibleInterface* Accessible(const QString& name) { return QAccessible::queryAccessibleInterface(Find<QWidget>(name)); }
    void Act(const QString& name, const QString& action) { Accessible(name)->actionInterface()->doAction(action); }
    void Replace(const QString& name, const QString& text) {
        QAccessibleInterface* a = Accessible(name);
        a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
    }
    // Counts the runs of a control's handler from now on.
    std::shared_ptr<int> Count(std::function<void()>& handler) {
        auto runs = std::make_shared<int>(0);
        handler = [runs, inner = handler] {
            ++*runs;
            if (inner) inner();
        };
        return runs;
    }
};

TEST_F(GuiBinding, EveryPathReachesTheModelOnceAndSendConfigWritesIt) {
    ConfigScreen& s = form->screen;
    struct Step {
        const char* name;
        std::function<void()> act;
        std::function<bool()> modelHolds;
        std::function<void()>* handler;  // the control's handler, run exactly once
    };
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();
    const Step steps[] = {
        {"Seq of channel 1 toggled by a screen reader", [&] { Act("Check3_0", toggle); },
         [&] { return s.seq[0].value() == 1 && s.eventNames[EventNameIndex(0, 0)].caption() == "Function1"; },
         &s.seq[0].onClick},
        {"Specific of channel 2 toggled by a screen reader", [&] { Act("Check1_3", toggle); },
         [&] { return DestinationOf(s, 1) == Destination::Specific && s.motorAddress[1].visible(); },
         &s.destinationBoxes[SpecificBox(1)].onClick},
        {"the ticked Specific box clicked with the mouse stays ticked",
         [&] {
             auto* box = Find<QCheckBox>("Check1_3");
             QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
         },
         [&] { return DestinationOf(s, 1) == Destination::Specific && Find<QCheckBox>("Check1_3")->isChecked(); },
         nullptr},
        {"nine characters into a motor address box take its six", [&] { Replace("SpecAddr_1", "123456789"); },
         [&] { return s.motorAddress[1].text() == "123456" && Find<QLineEdit>("SpecAddr_1")->text() == "123456"; },
         nullptr},
        {"P-P of channel 3 pressed by a screen reader", [&] { Act("Check1_8", press); QTest::qWait(300); },
         [&] { return DestinationOf(s, 2) == Destination::PointToPoint; }, &s.destinationBoxes[PointToPointBox(2)].onClick},
        {"P-P Motor Address replaced by a screen reader", [&] { Replace("ADDR_1", "00ABCD"); },
         [&] { return s.ppMotorAddress.text() == "00ABCD"; }, nullptr},
        {"command chosen from the opened list with the keyboard",
         [&] {
             Act("Combo1_0", QAccessibleActionInterface::showMenuAction());
             auto* list = Find<QComboBox>("Combo1_0")->view();
             for (int i = 0; i < 16; ++i) QTest::keyClick(list, Qt::Key_Down);
             QTest::keyClick(list, Qt::Key_Return);
         },
         [&] { return s.commands[0].text() == "Lock IP" && s.data[0].text() == "00" && s.lockPriority[0].visible(); },
         &s.commands[0].onClick},
        {"command chosen by a screen reader selecting its list entry",
         [&] {
             QAccessibleInterface* list = Accessible("Combo1_2")->child(0);
             list->child(3)->actionInterface()->doAction(toggle);
         },
         [&] { return s.commands[2].text() == "STOP"; }, &s.commands[2].onClick},
        {"a keystroke into a full data box is refused, not the last character",
         [&] {
             Replace("SW_Data_0", "05");
             auto* data = Find<QLineEdit>("SW_Data_0");
             data->setCursorPosition(1);
             QTest::keyClicks(data, "3");
         },
         [&] { return s.data[0].text() == "05" && Find<QLineEdit>("SW_Data_0")->text() == "05"; }, nullptr},
        {"lock priority set as a value by a screen reader",
         [&] { Accessible("PRI_0")->setText(QAccessible::Value, "7"); }, [&] { return s.lockPriority[0].text() == "7"; },
         nullptr},
        {"command set by a test robot", [&] { Find<QComboBox>("Combo1_4")->setCurrentIndex(7); },
         [&] { return s.commandCodes[4] == 0x08 && s.data[4].text() == "0000"; }, &s.commands[4].onClick},
        {"command chosen with End on the closed list", [&] { QTest::keyClick(Find<QComboBox>("Combo1_5"), Qt::Key_End); },
         [&] { return s.commands[5].text() == "Set IP"; }, &s.commands[5].onClick},
        {"data typed by a screen reader", [&] { Replace("SW_Data_4", "1234"); },
         [&] { return s.data[4].text() == "1234"; }, nullptr},
        {"Src Group of channel 5 toggled by a test robot", [&] { Find<QCheckBox>("Check1_28")->toggle(); },
         [&] { return DestinationOf(s, 4) == Destination::SrcGroup && s.sourceGroupAddress[4].visible(); },
         &s.destinationBoxes[SrcGroupBox(4)].onClick},
        {"source group address set by a test robot", [&] { Find<QLineEdit>("SwSrcGroup_4")->setText("0A0B0C"); },
         [&] { return s.sourceGroupAddress[4].text() == "0A0B0C"; }, nullptr},
        {"switch address and its use set by a screen reader",
         [&] {
             Replace("ADDR_3", "000001");
             Act("UseSwPP", toggle);
         },
         [&] { return s.switchAddress.text() == "000001" && s.useSwitchAddress.value() == 1; }, &s.useSwitchAddress.onClick},
        {"show option All toggled by a screen reader", [&] { Act("optAll", toggle); },
         [&] { return s.showAll.value() && s.frames[6].visible() && s.frames[7].visible(); }, nullptr},
    };
    for (const Step& step : steps) {
        std::shared_ptr<int> runs = step.handler ? Count(*step.handler) : nullptr;
        step.act();
        EXPECT_TRUE(step.modelHolds()) << step.name;
        if (runs) {
            EXPECT_EQ(*runs, 1) << step.name;
        }
    }
    EXPECT_FALSE(Find<QWidget>("Frame8")->isHidden());

    window->button("SEND_DATA")->click();
    const auto& frames = simulator->frames();
    ASSERT_EQ(frames.size(), 10u);
    for (const Bytes& f : frames) EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 9), (Bytes{0x00, 0x00, 0x01}));
    const Bytes &ch1 = frames[1], &ch2 = frames[2], &ch3 = frames[3], &ch5 = frames[5], &groups = frames[9];
    EXPECT_EQ(Bytes(ch1.begin() + 10, ch1.begin() + 14), (Bytes{Complement(0x23), Complement(0x05), Complement(0x07), Complement(0x40)}));
    EXPECT_EQ(Bytes(ch2.begin() + 13, ch2.begin() + 17), (Bytes{Complement(2), Complement(0x12), Complement(0x34), Complement(0x56)}));
    EXPECT_EQ(Bytes(ch3.begin() + 13, ch3.begin() + 17), (Bytes{Complement(1), Complement(0x00), Complement(0xAB), Complement(0xCD)}));
    EXPECT_EQ(Bytes(ch2.begin() + 17, ch2.begin() + 20), (Bytes{Complement(0x08), Complement(0x34), Complement(0x12)}));
    EXPECT_EQ(ch2[24], Complement(0x25));
    EXPECT_EQ(ch1[24], Complement(0x03));
    EXPECT_EQ(ch5[13], Complement(0x80));
    EXPECT_EQ(Bytes(groups.begin() + 21, groups.begin() + 24), (Bytes{Complement(0x0A), Complement(0x0B), Complement(0x0C)}));
}

}  // namespace
}  // namespace kavro
