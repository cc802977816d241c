// The channel frames on screen: the user's actions reach the screen model,
// changes made by code show in the widgets, every control can be told
// apart by assistive technology, and no caption is cut.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "gui/twips.h"
#include "support/gui_fixture.h"

namespace kavro {
namespace {

using GuiEditor = test::GuiFixture;

TEST_F(GuiEditor, ChangesMadeByCodeShowInTheWidgets) {
    form->screen.commands[EventIndex(7, 2)].select(16);  // Lock IP on channel 8 release
    form->screen.seq[7].setValue(1);
    form->screen.destinationBoxes[SrcGroupBox(7)].setValue(1);
    form->screen.sourceGroupAddress[7].setText("0A0B0C");
    form->screen.firmwareVersion.setText("2.14");

    EXPECT_EQ(Find<QComboBox>("Combo1_23")->currentText(), "Lock IP");
    EXPECT_FALSE(Find<QLineEdit>("PRI_7")->isHidden());
    EXPECT_EQ(Find<QLabel>("Label2_23")->text(), "Function3");
    EXPECT_TRUE(Find<QCheckBox>("Check1_31")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("Check1_22")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("SwSrcGroup_7")->text(), "0A0B0C");
    EXPECT_EQ(Find<QLineEdit>("SW_FIRMWARE")->text(), "2.14");
}

TEST_F(GuiEditor, ShowOptionsMoveAndHideFrames) {
    auto* frame7 = Find<QGroupBox>("Frame7");
    auto* frame1 = Find<QGroupBox>("Frame1");
    EXPECT_TRUE(frame7->isHidden());
    QTest::mouseClick(Find<QRadioButton>("opt78"), Qt::LeftButton);
    EXPECT_FALSE(frame7->isHidden());
    EXPECT_TRUE(frame1->isHidden());
    EXPECT_EQ(form->screen.frames[6].top(), 960);
    QTest::mouseClick(Find<QRadioButton>("optAll"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(frame1->isHidden());
    EXPECT_GT(frame7->y(), Find<QGroupBox>("Frame3")->y());  // the fourth row
}

TEST_F(GuiEditor, ArrowKeysMoveTheWindowAndNeverReachTheList) {
    auto* combo = Find<QComboBox>("Combo1_0");
    combo->setFocus();
    const QPoint before = window->pos();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(window->pos().y() - before.y(), Twips(150));
    QTest::keyClick(combo, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(window->pos().y() - before.y(), Twips(150));
}

TEST_F(GuiEditor, EveryControlHasItsOwnAccessibleName) {
    QSet<QString> names;
    int controls = 0;
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const bool interactive = qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QAbstractButton*>(w);
        if (!interactive || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        ++controls;
        const QString name = w->accessibleName();
        EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
        EXPECT_EQ(w->accessibleDescription(), name) << name.toStdString();
        EXPECT_FALSE(names.contains(name)) << "twice: " << name.toStdString();
        names.insert(name);
    }
    // Per channel: 3 commands, 3 data, Seq, 4 destinations, priority, source
    // group and motor address; then the Show options, Clear Data, the four
    // boxes of the right column, the seven commands with "Verify after
    // Send", and in the status line the verdict's details and Stop.
    EXPECT_EQ(controls, 8 * 14 + 4 + 1 + 4 + 8 + 2);
    for (const char* expected :
         {"Channel 1 Press command", "Channel 8 Release command", "Channel 3 Hold data", "Channel 2 Specific",
          "Channel 2 Group", "Channel 2 P-P", "Channel 2 Src Group", "Channel 5 Seq", "Channel 6 Motor Address",
          "Channel 7 Source Group Address", "Channel 4 Lock Priority", "Switch Address", "P-P Motor Address",
          "Use Switch Address for Config", "Firmware Version", "Get Config", "Diagnostic", "Clear Data", "All",
          "1- 6 "})
        EXPECT_TRUE(names.contains(expected)) << expected;
}

// Every caption fits its widget at the screen's resolution (the suite runs
// at 96 and at 144 dpi).
TEST_F(GuiEditor, NoCaptionIsCut) {
    ConfigScreen& s = form->screen;
    s.selectShowOption(s.showAll);
    const int longest[] = {7, 12, 15, 17, 9, 13, 2, 8};  // long names and every data shape
    for (int c = 0; c < kChannels; ++c) {
        for (int e = 0; e < 3; ++e) s.commands[EventIndex(c, e)].select(longest[(c + e) % 8]);
        s.destinationBoxes[c % 2 ? SpecificBox(c) : SrcGroupBox(c)].setValue(1);
        s.seq[c].setValue(c % 2);
    }
    window->adjustSize();
    QApplication::processEvents();
    const auto widgets = window->findChildren<QWidget*>();
    int checked = 0;
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(window.get())) continue;
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const int text = combo->fontMetrics().horizontalAdvance(combo->currentText());
            EXPECT_GT(combo->width() - text, 16) << combo->accessibleName().toStdString();
            ++checked;
        } else if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
            if (qobject_cast<QLabel*>(w) && static_cast<QLabel*>(w)->text().isEmpty()) continue;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
            ++checked;
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title()));
            ++checked;
        }
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
}  // namespace kavro

namespace kavro {
namespace {

TEST_F(GuiEditor, GetConfigFillsTheWindowAndLocksTheButtonsMeanwhile) {
    bool lockedDuringRead = false;
    QTimer::singleShot(5, [&] {
        lockedDuringRead = !window->button("GET_DATA")->isEnabled() && !window->button("SEND_DATA")->isEnabled() &&
                           !Find<QPushButton>("Command1")->isEnabled() && !window->button("SelComm")->isEnabled() &&
                           Find<QProgressBar>("progress")->isVisible();
    });
    window->button("GET_DATA")->click();
    EXPECT_TRUE(lockedDuringRead);
    EXPECT_EQ(Find<QLineEdit>("SW_FIRMWARE")->text(), "2.14");
    EXPECT_EQ(Find<QLineEdit>("ADDR_3")->text(), "000001");
    EXPECT_TRUE(window->button("GET_DATA")->isEnabled());
    EXPECT_FALSE(Find<QProgressBar>("progress")->isVisible());
    EXPECT_TRUE(Find<QLabel>("connection")->text().contains("Get Config complete"));
}

}  // namespace
}  // namespace kavro

namespace kavro {
namespace {

TEST_F(GuiEditor, ExportThenCompareShowsTheMessageWindows) {
    const QString file = dir.path() + "/gui.set";
    ui.fileDialogOverride = [&](const CommonDialog&, FileDialogMode) { return file; };
    window->button("Export")->click();
    EXPECT_TRUE(QFile::exists(file));

    window->button("Compare")->click();
    MessageWindowWidget* msg = ui.messageWindow(form->files.resultWindow);
    ASSERT_NE(msg, nullptr);
    EXPECT_TRUE(msg->isVisible());
    EXPECT_EQ(msg->label()->text(), "File is identical to screen");
    EXPECT_TRUE(msg->label()->styleSheet().contains("rgb(0,128,0)"));

    form->screen.ppMotorAddress.setText("ABCDEF");
    window->button("Compare")->click();
    EXPECT_EQ(msg->label()->text(), "File does not match screen");
    EXPECT_TRUE(msg->details()->toPlainText().contains("P-P Motor Address: file \"FFFFFF\", screen \"ABCDEF\""));

    window->button("Export")->click();  // the name exists now
    MessageWindowWidget* exists = ui.messageWindow(form->files.existsWindow);
    ASSERT_NE(exists, nullptr);
    EXPECT_EQ(exists->windowTitle(), "Form1");
    EXPECT_EQ(exists->label()->text(), "File already Exists, choose another File name");

    window->button("Import")->click();
    EXPECT_EQ(form->screen.ppMotorAddress.text(), "FFFFFF");
    EXPECT_EQ(Find<QLineEdit>("ADDR_1")->text(), "FFFFFF");
}

}  // namespace
}  // namespace kavro
