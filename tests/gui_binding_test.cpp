// Every way a control can change (mouse, keyboard, a screen reader's
// actions, code changing the model) reaches the screen model exactly once,
// and every widget then shows what the model holds. What the model then
// does is editor_test.cpp's business.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWheelEvent>

#include "gui/twips.h"
#include "support/gui_fixture.h"

namespace kavro {
namespace {

using namespace legacy;
using legacy::kCommands, legacy::kEventNames;  // not the editor's own

class GuiBinding : public test::GuiFixture {
protected:
    QAccessibleInterface* Accessible(const std::string& n) { return QAccessible::queryAccessibleInterface(Find(n)); }
    void Act(const std::string& name, const QString& action) { Accessible(name)->actionInterface()->doAction(action); }
    void MouseClick(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2)); }
    void Replace(const std::string& name, const QString& text) {
        QAccessibleInterface* a = Accessible(name);
        a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
    }

    // The widgets that do not show what the model holds.
    std::vector<std::string> Mismatches() const {
        const ConfigScreen& s = form->screen();
        std::vector<std::string> wrong;
        const auto check = [&](const std::string& name, bool same, const Control& model) {
            if (!same || Find(name)->isHidden() == model.visible()) wrong.push_back(name);
        };
        const auto text = [&](auto n, auto& m) { check(n, Find<QLineEdit>(n)->text().toStdString() == m.text(), m); };
        const auto box = [&](auto n, auto& m) { check(n, Find<QCheckBox>(n)->isChecked() == (m.value() == 1), m); };
        for (int i = 0; i < kEvents; ++i) {
            const std::string command = ObjectName(kCommands, i), name = ObjectName(kEventNames, i);
            check(command, Find<QComboBox>(command)->currentIndex() == s.commands[i].selected(), s.commands[i]);
            check(name, Find<QLabel>(name)->text().toStdString() == s.eventNames[i].caption(), s.eventNames[i]);
            text(ObjectName(kData, i), s.data[i]);
        }
        for (int b = 0; b < 32; ++b) box(ObjectName(kDestinationBoxes, b), s.destinationBoxes[b]);
        for (int c = 0; c < kChannels; ++c) {
            box(ObjectName(kSeq, c), s.seq[c]);
            text(ObjectName(kMotorAddress, c), s.motorAddress[c]);
            text(ObjectName(kSourceGroupAddress, c), s.sourceGroupAddress[c]);
            text(ObjectName(kLockPriority, c), s.lockPriority[c]);
            check(kChannelFrame + std::to_string(c + 1), true, s.frames[c]);
        }
        text(kPointToPointAddress, s.ppMotorAddress), text(kSwitchAddress, s.switchAddress);
        text(kFirmwareVersion, s.firmwareVersion), box(kUseSwitchAddress, s.useSwitchAddress);
        if (window->findChild<QAction*>("arrowKeysMoveWindow")->isChecked() != (s.arrowKeysMoveWindow.value() == 1))
            wrong.push_back("arrowKeysMoveWindow");
        return wrong;
    }
};

TEST_F(GuiBinding, EveryPathReachesTheModelOnceAndTheWindowMirrorsIt) {
    ConfigScreen& s = form->screen();
    struct Step {
        const char* name;
        std::function<void()> act;
        std::function<bool()> modelHolds;  // none: a change made by code
        Control* handler;                  // the control whose handler runs exactly once
    };
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const auto combo = [&](int i) { return Find<QComboBox>(kCommands, i); };
    const auto frame = [&](int number) { return Find(kChannelFrame + std::to_string(number)); };
    const auto specific = [&] { return DestinationOf(s, 1) == Destination::Specific; };
    const QPoint start = window->pos();
    QPoint before;
    QLineEdit* address = Find<QLineEdit>(kSwitchAddress);
    const auto wheel = [&](QWidget* w) {
        QWheelEvent turn(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, {}, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &turn);
    };
    const Step steps[] = {
        {"Seq 1 toggled by a screen reader", [&] { Act(ObjectName(kSeq, 0), toggle); },
         [&] { return s.seq[0].value() == 1; }, &s.seq[0]},
        {"Specific 2 toggled by a screen reader", [&] { Act(ObjectName(kDestinationBoxes, SpecificBox(1)), toggle); },
         specific, &s.destinationBoxes[SpecificBox(1)]},
        {"the ticked Specific 2 clicked with the mouse stays ticked",
         [&] { MouseClick(Find(kDestinationBoxes, SpecificBox(1))); }, specific, nullptr},
        {"nine characters into a motor address box take its six",
         [&] { Replace(ObjectName(kMotorAddress, 1), "123456789"); },
         [&] { return s.motorAddress[1].text() == "123456"; }, nullptr},
        {"command chosen from the opened list with the keyboard", [&] {
             Act(ObjectName(kCommands, 0), QAccessibleActionInterface::showMenuAction());
             for (int i = 0; i < 16; ++i) QTest::keyClick(combo(0)->view(), Qt::Key_Down);
             QTest::keyClick(combo(0)->view(), Qt::Key_Return);
         }, [&] { return s.commands[0].text() == "Lock IP"; }, &s.commands[0]},
        {"command chosen by a screen reader selecting its list entry",
         [&] { Accessible(ObjectName(kCommands, 2))->child(0)->child(3)->actionInterface()->doAction(toggle); },
         [&] { return s.commands[2].text() == "STOP"; }, &s.commands[2]},
        {"a keystroke into a full data box is refused, not the last character", [&] {
             Replace(ObjectName(kData, 0), "05"), Find<QLineEdit>(kData, 0)->setCursorPosition(1);
             QTest::keyClicks(Find<QLineEdit>(kData, 0), "3");
         }, [&] { return s.data[0].text() == "05"; }, nullptr},
        // Down alone moves the window, as it always did; Shift+Down chooses the next command.
        {"Down, then Shift+Down on a closed list",
         [&] { QTest::keyClick(combo(1), Qt::Key_Down), QTest::keyClick(combo(1), Qt::Key_Down, Qt::ShiftModifier); },
         [&] { return s.commands[1].selected() == 1 && window->pos().y() - start.y() == Twips(150); },
         &s.commands[1]},
        {"Arrow keys move the window cleared in Options: Down chooses the next command, the window stays", [&] {
             before = window->pos();
             window->findChild<QAction*>("arrowKeysMoveWindow")->trigger();
             QTest::keyClick(combo(1), Qt::Key_Down);
         }, [&] { return s.commands[1].selected() == 2 && window->pos() == before && !s.arrowKeysMoveWindow.value(); },
         &s.commands[1]},
        {"show option All toggled by a screen reader",
         [&] { Act(kShowOptions[3], toggle), QApplication::processEvents(); },
         [&] { return s.showAll.value() && frame(7)->y() > frame(3)->y(); }, nullptr},  // frame 7 on a fourth row
        {"g, 9 and a typed into a hex box: g refused, a shown as A",
         [&] { address->clear(), QTest::keyClicks(address, "g9a"); }, [&] { return s.switchAddress.text() == "9A"; },
         nullptr},
        {"a paste with a space and a screen reader's \"zz\" refused", [&] {
             QApplication::clipboard()->setText("1 2");
             QTest::keyClick(address, Qt::Key_V, Qt::ControlModifier), Replace(kSwitchAddress, "zz");
         }, [&] { return s.switchAddress.text() == "9A"; }, nullptr},
        {"\" 1f \" pasted over a full data box, the spaces of a spreadsheet's cell around it: 1F", [&] {
             QApplication::clipboard()->setText(" 1f ");
             QLineEdit* data = Find<QLineEdit>(kData, 0);
             data->selectAll(), QTest::keyClick(data, Qt::Key_V, Qt::ControlModifier);
         }, [&] { return s.data[0].text() == "1F"; }, nullptr},
        {"the wheel over an unfocused command list leaves it", [&] { wheel(combo(4)); },
         [&] { return s.commands[4].selected() == 0; }, nullptr},
        {"the wheel over the focused list chooses the next command", [&] {
             window->activateWindow(), QTest::qWait(50);  // from the list's closed popup
             combo(4)->setFocus(), wheel(combo(4));
         },
         [&] { return s.commands[4].selected() == 1; }, &s.commands[4]},
        {"what a read or a file put there set by code, lower case and odd text kept", [&] {
             s.commands[EventIndex(7, 2)].select(16);  // Lock IP
             s.sourceGroupAddress[7].setText("0A0B0C"), s.firmwareVersion.setText("2.14");
             s.motorAddress[2].setText("ab12g9");
         }},
    };
    for (const Step& step : steps) {
        auto runs = std::make_shared<int>(0);
        if (step.handler)
            step.handler->setClickHandler([runs, inner = step.handler->clickHandler()] { ++*runs, inner ? inner() : void(); });
        step.act();
        EXPECT_TRUE(!step.modelHolds || step.modelHolds()) << step.name;
        EXPECT_EQ(*runs, step.handler ? 1 : 0) << step.name;
        EXPECT_EQ(Mismatches(), std::vector<std::string>{}) << step.name;
    }
}

}  // namespace
}  // namespace kavro
