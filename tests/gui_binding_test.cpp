// Every way a control can change (mouse, keyboard, a screen reader's
// actions through the accessibility interfaces, a test robot's setters,
// code changing the model) reaches the screen model exactly once, and every
// widget then shows what the model holds.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QTest>

#include "gui/twips.h"
#include "support/gui_fixture.h"

namespace kavro {
namespace {

using legacy::ObjectName;

class GuiBinding : public test::GuiFixture {
protected:
    QAccessibleInterface* Accessible(const std::string& name) {
        return QAccessible::queryAccessibleInterface(Find(name));
    }
    void Act(const std::string& name, const QString& action) { Accessible(name)->actionInterface()->doAction(action); }
    void Replace(const std::string& name, const QString& text) {
        QAccessibleInterface* a = Accessible(name);
        a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
    }

    // The widgets that do not show what the model holds.
    std::vector<std::string> Mismatches() const {
        const ConfigScreen& s = form->screen;
        std::vector<std::string> wrong;
        const auto check = [&](const std::string& name, bool same, const Control& model) {
            if (!same || Find(name)->isHidden() == model.visible()) wrong.push_back(name);
        };
        const auto text = [&](const std::string& name, const TextBox& m) {
            check(name, Find<QLineEdit>(name)->text().toStdString() == m.text(), m);
        };
        const auto box = [&](const std::string& name, const CheckBox& m) {
            check(name, Find<QCheckBox>(name)->checkState() == (m.value() == 1 ? Qt::Checked : Qt::Unchecked), m);
        };
        for (int i = 0; i < kEvents; ++i) {
            const std::string command = ObjectName(legacy::kCommands, i), name = ObjectName(legacy::kEventNames, i);
            check(command, Find<QComboBox>(command)->currentIndex() == s.commands[i].selected(), s.commands[i]);
            check(name, Find<QLabel>(name)->text().toStdString() == s.eventNames[i].caption(), s.eventNames[i]);
            text(ObjectName(legacy::kData, i), s.data[i]);
        }
        for (int b = 0; b < 32; ++b) box(ObjectName(legacy::kDestinationBoxes, b), s.destinationBoxes[b]);
        for (int c = 0; c < kChannels; ++c) {
            box(ObjectName(legacy::kSeq, c), s.seq[c]);
            text(ObjectName(legacy::kMotorAddress, c), s.motorAddress[c]);
            text(ObjectName(legacy::kSourceGroupAddress, c), s.sourceGroupAddress[c]);
            text(ObjectName(legacy::kLockPriority, c), s.lockPriority[c]);
            check(legacy::kChannelFrame + std::to_string(c + 1), true, s.frames[c]);
        }
        text(legacy::kPointToPointAddress, s.ppMotorAddress);
        text(legacy::kSwitchAddress, s.switchAddress);
        text(legacy::kFirmwareVersion, s.firmwareVersion);
        box(legacy::kUseSwitchAddress, s.useSwitchAddress);
        box("verifyAfterSend", form->verifyAfterSend);
        return wrong;
    }
};

TEST_F(GuiBinding, EveryPathReachesTheModelOnceAndTheWindowMirrorsIt) {
    ConfigScreen& s = form->screen;
    struct Step {
        const char* name;
        std::function<void()> act;
        std::function<bool()> modelHolds;  // none: a change made by code
        std::function<void()>* handler;    // the control's handler, run exactly once
    };
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const auto toggled = [&](const std::string& name) { return [=, this] { Act(name, toggle); }; };
    const auto replaced = [&](const std::string& name, QString text) { return [=, this] { Replace(name, text); }; };
    const auto combo = [&](int i) { return Find<QComboBox>(legacy::kCommands, i); };
    const auto frame = [&](int number) { return Find(legacy::kChannelFrame + std::to_string(number)); };
    QPoint before;
    int chosen = 0;
    const Step steps[] = {
        {"Seq of channel 1 toggled by a screen reader", toggled(ObjectName(legacy::kSeq, 0)),
         [&] { return s.seq[0].value() == 1 && s.eventNames[EventNameIndex(0, 0)].caption() == "Function1"; },
         &s.seq[0].onClick},
        {"Specific of channel 2 toggled by a screen reader",
         toggled(ObjectName(legacy::kDestinationBoxes, SpecificBox(1))),
         [&] { return DestinationOf(s, 1) == Destination::Specific; }, &s.destinationBoxes[SpecificBox(1)].onClick},
        {"the ticked Specific box clicked with the mouse stays ticked",
         [&] {
             auto* box = Find<QCheckBox>(legacy::kDestinationBoxes, SpecificBox(1));
             QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
         },
         [&] { return DestinationOf(s, 1) == Destination::Specific; }, nullptr},
        {"nine characters into a motor address box take its six",
         replaced(ObjectName(legacy::kMotorAddress, 1), "123456789"),
         [&] { return s.motorAddress[1].text() == "123456"; }, nullptr},
        {"P-P of channel 3 pressed by a screen reader",
         [&] {
             Act(ObjectName(legacy::kDestinationBoxes, PointToPointBox(2)), QAccessibleActionInterface::pressAction());
             QTest::qWait(300);
         },
         [&] { return DestinationOf(s, 2) == Destination::PointToPoint; },
         &s.destinationBoxes[PointToPointBox(2)].onClick},
        {"command chosen from the opened list with the keyboard",
         [&] {
             Act(ObjectName(legacy::kCommands, 0), QAccessibleActionInterface::showMenuAction());
             for (int i = 0; i < 16; ++i) QTest::keyClick(combo(0)->view(), Qt::Key_Down);
             QTest::keyClick(combo(0)->view(), Qt::Key_Return);
         },
         [&] { return s.commands[0].text() == "Lock IP" && s.data[0].text() == "00" && s.lockPriority[0].visible(); },
         &s.commands[0].onClick},
        {"command chosen by a screen reader selecting its list entry",
         [&] { Accessible(ObjectName(legacy::kCommands, 2))->child(0)->child(3)->actionInterface()->doAction(toggle); },
         [&] { return s.commands[2].text() == "STOP"; }, &s.commands[2].onClick},
        {"a keystroke into a full data box is refused, not the last character",
         [&] {
             Replace(ObjectName(legacy::kData, 0), "05");
             Find<QLineEdit>(legacy::kData, 0)->setCursorPosition(1);
             QTest::keyClicks(Find<QLineEdit>(legacy::kData, 0), "3");
         },
         [&] { return s.data[0].text() == "05"; }, nullptr},
        {"lock priority set as a value by a screen reader",
         [&] { Accessible(ObjectName(legacy::kLockPriority, 0))->setText(QAccessible::Value, "7"); },
         [&] { return s.lockPriority[0].text() == "7"; }, nullptr},
        {"command set by a test robot", [&] { combo(4)->setCurrentIndex(7); },
         [&] { return s.commandCodes[4] == 0x08 && s.data[4].text() == "0000"; }, &s.commands[4].onClick},
        {"command chosen with End on the closed list", [&] { QTest::keyClick(combo(5), Qt::Key_End); },
         [&] { return s.commands[5].text() == "Set IP"; }, &s.commands[5].onClick},
        {"Down on a closed list moves the window, not the list",
         [&] {
             before = window->pos();
             chosen = s.commands[1].selected();
             QTest::keyClick(combo(1), Qt::Key_Down);
         },
         [&] { return s.commands[1].selected() == chosen && window->pos().y() - before.y() == Twips(150); }, nullptr},
        {"Shift+Down on a closed list chooses the next command; the window stays",
         [&] { before = window->pos(), QTest::keyClick(combo(1), Qt::Key_Down, Qt::ShiftModifier); },
         [&] { return s.commands[1].selected() == chosen + 1 && window->pos() == before; }, &s.commands[1].onClick},
        {"Src Group of channel 5 toggled by a test robot",
         [&] { Find<QCheckBox>(legacy::kDestinationBoxes, SrcGroupBox(4))->toggle(); },
         [&] { return DestinationOf(s, 4) == Destination::SrcGroup; }, &s.destinationBoxes[SrcGroupBox(4)].onClick},
        {"source group address set by a test robot",
         [&] { Find<QLineEdit>(legacy::kSourceGroupAddress, 4)->setText("0A0B0C"); },
         [&] { return s.sourceGroupAddress[4].text() == "0A0B0C"; }, nullptr},
        {"switch address replaced by a screen reader", replaced(legacy::kSwitchAddress, "000001"),
         [&] { return s.switchAddress.text() == "000001"; }, nullptr},
        {"its use toggled by a screen reader", toggled(legacy::kUseSwitchAddress),
         [&] { return s.useSwitchAddress.value() == 1; }, &s.useSwitchAddress.onClick},
        {"Verify after Send clicked with the mouse",
         [&] { QTest::mouseClick(Find("verifyAfterSend"), Qt::LeftButton); },
         [&] { return form->verifyAfterSend.value() == 1; }, &form->verifyAfterSend.onClick},
        {"show option 7-8 clicked with the mouse", [&] { QTest::mouseClick(Find("opt78"), Qt::LeftButton); },
         [&] { return s.show7to8.value() && s.frames[6].visible() && !s.frames[0].visible(); }, nullptr},
        {"show option All toggled by a screen reader", [&] { Act("optAll", toggle), QApplication::processEvents(); },
         [&] {
             return s.showAll.value() && s.frames[0].visible() && s.frames[7].visible() &&
                    frame(7)->y() > frame(3)->y();  // frame 7 on a fourth row
         },
         nullptr},
        {"what a read found set by code",
         [&] {
             s.commands[EventIndex(7, 2)].select(16);  // Lock IP
             s.sourceGroupAddress[7].setText("0A0B0C");
             s.firmwareVersion.setText("2.14");
         }},
    };
    for (const Step& step : steps) {
        auto runs = std::make_shared<int>(0);
        if (step.handler) {
            *step.handler = [runs, inner = *step.handler] {
                ++*runs;
                if (inner) inner();
            };
        }
        step.act();
        EXPECT_TRUE(!step.modelHolds || step.modelHolds()) << step.name;
        EXPECT_EQ(*runs, step.handler ? 1 : 0) << step.name;
        EXPECT_EQ(Mismatches(), std::vector<std::string>{}) << step.name;
    }
}

// The mapping table names only widgets that exist: an array by its first
// member, the channel frames by the first.
TEST_F(GuiBinding, EveryLegacyWidgetNameNamesAWidget) {
    ChooseFile(dir.path() + "/names.set");
    for (const char* button : {legacy::kSelectPort, legacy::kDiagnostic, legacy::kExport, legacy::kCompare})
        Click(button);  // the other windows, a message window among them
    const auto exists = [](const std::string& name) {
        const QString objectName = QString::fromStdString(name);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == objectName || top->findChild<QWidget*>(objectName)) return true;
        return false;
    };
    for (const legacy::LegacyName& row : legacy::kLegacyNames) {
        const std::string name = row.widget;
        if (name.empty()) continue;
        const std::string first = name == legacy::kChannelFrame ? name + "1" : ObjectName(row.widget, 0);
        EXPECT_TRUE(exists(name) || exists(first)) << row.legacy << " -> " << name;
    }
}

// A screen reader tells every control apart by its name; the commands
// have mnemonics, the window its icon.
TEST_F(GuiBinding, EveryControlHasItsOwnAccessibleName) {
    QSet<QString> names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QAbstractButton*>(w);
        if (!control || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        const QString name = w->accessibleName();
        EXPECT_FALSE(name.isEmpty() || names.contains(name)) << w->objectName().toStdString() << ": "
                                                              << name.toStdString();
        EXPECT_EQ(w->accessibleDescription(), name) << name.toStdString();
        names.insert(name);
    }
    EXPECT_TRUE(names.contains("Channel 8 Release command") && names.contains("Channel 2 Src Group"));
    EXPECT_TRUE(window->button(legacy::kReadSwitch)->text().contains('&'));
    EXPECT_FALSE(window->windowIcon().isNull());
}

}  // namespace
}  // namespace kavro
