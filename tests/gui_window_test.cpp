// The window as a technician meets it: a small screen, a read locking the
// commands and stopped midway or losing its port, the other windows, and
// closing. What transfers and files do is for transfer_scenarios.cpp.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCursor>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOption>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <regex>

#include "configfile/config_records.h"
#include "configfile/file_windows.h"
#include "gui/end_on_signal.h"
#include "gui/readable_colour.h"
#include "support/gui_fixture.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

using namespace legacy;
using legacy::kCommands;  // not the editor's own

class GuiWindow : public test::GuiFixture {
protected:
    bool InView(QWidget* w) const {
        const QRect place(w->mapTo(window.get(), QPoint()), w->size());
        return w->isVisibleTo(window.get()) && window->rect().contains(place);
    }
    static QStringList AnsweringBoxes(const std::function<void()>& what) { return test::Answering("", what); }
};

// Down to 1024 x 600 at scale 1, 1.5 and 2 (the suite runs at 96 and 144
// dpi; scale 2 at 96 dpi is half the size), the commands, the status line
// and the progress stay in view; the channels scroll. At 1024 x 600 and
// scale 1 every channel frame is seen at its full width, with one vertical
// scroll bar and no other.
TEST_F(GuiWindow, TheCommandsAndTheStatusLineFitASmallScreen) {
    const double scale = std::max(qEnvironmentVariableIntValue("QT_FONT_DPI"), 96) / 96.0;
    std::vector<QSize> sizes{QSize(1024 / scale, 600 / scale)};
    if (scale < 1.25) sizes.push_back(QSize(512, 300));
    QTest::qWait(300);  // the offscreen platform tells the size late
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()) && InView(Find("connection")))
        << "the window opens within the screen";
    form->screen().selectShowOption(form->screen().showAll);
    linePacing = true;
    for (const QSize size : sizes) {
        // Again until it holds: the offscreen platform lets the size the
        // window took when first shown arrive after a resize.
        for (int i = 0; i < 50 && window->size() != size; ++i) window->resize(size), QTest::qWait(20);
        EXPECT_EQ(window->size(), size) << "the window may be made this small";
        EXPECT_TRUE(InView(window->statusBar()) && InView(Find("connection"))) << size.width();
        if (size == QSize(1024, 600)) {
            QWidget* channels = Find<QScrollArea>("channelArea")->viewport();
            for (int c = 0; c < kChannels; ++c) {
                QWidget* frame = Find(kChannelFrame + std::to_string(c + 1));
                const int left = frame->mapTo(channels, QPoint()).x();
                EXPECT_TRUE(left >= 0 && left + frame->width() <= channels->width()) << "frame " << c + 1;
            }
            QStringList bars;
            for (QScrollBar* bar : window->findChildren<QScrollBar*>())
                if (bar->isVisibleTo(window.get()) && bar->maximum() > 0)
                    bars << (bar->orientation() == Qt::Vertical ? "vertical" : "horizontal");
            EXPECT_EQ(bars.join(','), "vertical");
        }
        for (const char* b : {kReadSwitch, kWriteSwitch, kImport, kExport, kCompare, kSelectPort, kDiagnostic})
            EXPECT_TRUE(InView(window->button(b))) << b << " at " << size.width();
        bool progressInView = false;
        QTimer::singleShot(150, [&] { progressInView = InView(Find("progress")) && InView(Find("stop")); });
        test::Answering("Send", [&] { Click(kWriteSwitch); });  // the start-up address, asked about
        EXPECT_TRUE(progressInView) << size.width();
    }
}

// A screen reader tells every control apart by its name, which holds the control's own caption; a command list
// is named by its role and heard whole: the command its value, its text and its entry selected in the list (NONE
// as well), after a read as before. The "Show" options are radio buttons named by their captions without the spaces
// around them. A description never repeats the name. No letter is two mnemonics.
TEST_F(GuiWindow, EveryControlHasItsOwnAccessibleName) {
    QSet<QString> names, mnemonics;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = w->inherits("QComboBox") || w->inherits("QLineEdit") || w->inherits("QAbstractButton");
        if (!control || w->parentWidget()->inherits("QComboBox")) continue;  // not a list's own parts
        const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const QString name = a->text(QAccessible::Name), caption = button ? button->text() : QString();
        EXPECT_FALSE(name.isEmpty() || names.contains(name)) << w->objectName().toStdString();
        EXPECT_TRUE(name.contains(QString(caption).remove('&').trimmed()))
            << name.toStdString() << " is not labelled by " << caption.toStdString();
        EXPECT_NE(a->text(QAccessible::Description), name) << name.toStdString();
        const int amp = caption.indexOf('&');
        EXPECT_TRUE(amp < 0 || !mnemonics.contains(caption.at(amp + 1).toUpper())) << caption.toStdString();
        if (amp >= 0) mnemonics.insert(caption.at(amp + 1).toUpper());
        names.insert(name);
    }
    const auto heard = [&](int channel, int event) {  // name | value | text | the entries selected
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Find(kCommands, EventIndex(channel, event)));
        QAccessibleTextInterface* text = list->textInterface();
        QAccessibleInterface* entries = list->child(0);
        QStringList selected;
        for (int k = 0; k < entries->childCount(); ++k)
            if (entries->child(k)->state().selected) selected << entries->child(k)->text(QAccessible::Name);
        return QStringList{list->text(QAccessible::Name), list->text(QAccessible::Value),
                           text ? text->text(0, text->characterCount()) : "(no text)", selected.join(',')}
            .join('|');
    };
    EXPECT_EQ(heard(7, 2), "Channel 8, On Release command|NONE|NONE|NONE");
    simulator->state().setChannel(8, {{{}, {}, {0x23, 0x05, 0x07}}}, kModeGroup, 0xFFFFFF);  // release: Lock IP
    Click(kReadSwitch);
    EXPECT_EQ(heard(7, 2), "Channel 8, On Release command|Lock IP|Lock IP|Lock IP");
    EXPECT_TRUE(names.contains("Channel 2, Src Group") && names.contains("Details...")) << "the details button";
    QStringList shows;
    for (const char* option : kShowOptions) {
        const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Find(option));
        shows << a->text(QAccessible::Name) + (a->role() == QAccessible::RadioButton ? "" : " (no radio button)") +
                     (a->state().checked ? " (ticked)" : "");
    }
    EXPECT_EQ(shows.join('|'), "1 - 3|1- 6 (ticked)|7 - 8|All");
}

// Channels 7 and 8 by keyboard alone (the arrows move the window): each "Show" option is a Tab stop, Tab enters
// the group at the ticked one, and each has a mnemonic. Every Tab stop is seen and named. The focus comes back to
// a button a transfer locked.
TEST_F(GuiWindow, TheKeyboardReachesEveryShowOption) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QList<QRadioButton*> shows{Find<QRadioButton>(kShowOptions[0]), Find<QRadioButton>(kShowOptions[1]),
                                     Find<QRadioButton>(kShowOptions[2]), Find<QRadioButton>(kShowOptions[3])};
    const auto tabRound = [&] {  // the show options in the order Tab meets them, from the notice's side
        window->button(kDiagnostic)->setFocus();
        QList<QRadioButton*> met;
        for (int i = 0; i < 400 && met.size() < 4; ++i) {
            QWidget* w = QApplication::focusWidget();
            EXPECT_TRUE(w->isVisible() && !QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString();
            if (auto* r = qobject_cast<QRadioButton*>(w); r && !met.contains(r)) met << r;
            QTest::keyClick(w, Qt::Key_Tab);
        }
        return met;
    };
    EXPECT_EQ(tabRound(), (QList{shows[1], shows[2], shows[3], shows[0]})) << "from the ticked 1 - 6";
    QTest::keyClick(shows[2], Qt::Key_Space);  // 7 - 8, reached by Tab
    EXPECT_TRUE(form->screen().show7to8.value() && Find("Frame7")->isVisible() && !Find("Frame1")->isVisible());
    EXPECT_EQ(tabRound(), (QList{shows[2], shows[3], shows[0], shows[1]})) << "from the ticked 7 - 8";
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);  // All
    QTest::qWait(300);
    EXPECT_TRUE(form->screen().showAll.value() && Find("Frame8")->isVisible() && Find("Frame1")->isVisible());
    QTest::keyClick(window.get(), Qt::Key_G, Qt::AltModifier), QTest::qWait(300);  // Get Config, locked while it runs
    EXPECT_TRUE(Status().contains("Get Config complete") && window->button(kReadSwitch)->hasFocus());
}

// Work is not lost unasked: Send Config asks before writing a switch address nobody chose; closing, Clear Data, Get
// Config and Import Config ask while the screen has changes not sent, exported or read, which the status line
// marks. Default: do nothing (Enter takes it).
TEST_F(GuiWindow, UnsentWorkAndAnUnchosenAddressAreAskedAbout) {
    int dialogs = 0;
    ui.fileDialogOverride = [&](auto&, auto) { return ++dialogs, dir.path() + "/kept.set"; };
    const auto frames = [&] { return simulator->frames().size(); };
    QLineEdit* address = Find<QLineEdit>(kSwitchAddress);
    struct Row { const char* name; std::function<void()> act; QString answer; bool asked; std::function<bool()> holds;
                 bool marked; };
    const auto typed = [&] { return form->screen().switchAddress.text() == "12AB"; };
    for (const Row& row : {
             Row{"Send, start-up address: Do Not Send", [&] { Click(kWriteSwitch); }, "Do Not Send", true,
                 [&] { return frames() == 0; }, false},
             Row{"Send, start-up address: Send", [&] { Click(kWriteSwitch); }, "Send", true,
                 [&] { return frames() == 10; }, false},
             Row{"Clear Data after a command was chosen: Cancel",
                 [&] { form->screen().commands[0].select(3), Click(kClearData); }, "Cancel", true,
                 [&] { return form->screen().commands[0].selected() == 3; }, true},
             Row{"Clear Data: Discard Changes, back to what was sent", [&] { Click(kClearData); }, "Discard Changes",
                 true, [&] { return form->screen().commands[0].selected() == 0; }, false},
             Row{"closing after an address was typed: Cancel", [&] {
                  QTest::keyClick(address, Qt::Key_A, Qt::ControlModifier), QTest::keyClicks(address, "12ab");
                  window->close();
              }, "Cancel", true, [&] { return window->isVisible() && typed(); }, true},
             Row{"Get Config over the typed address: Cancel, nothing read", [&] { Click(kReadSwitch); }, "Cancel", true,
                 [&] { return frames() == 10 && typed(); }, true},
             Row{"Import Config over it: Cancel, no file asked for", [&] { Click(kImport); }, "Cancel", true,
                 [&] { return dialogs == 0 && typed(); }, true},
             Row{"closing after Export asks nothing", [&] { Click(kExport), window->close(); }, "", false,
                 [&] { return !window->isVisible() && !form->port().isOpen(); }, false},
         }) {
        const QStringList asked = test::Answering(row.answer, row.act);
        EXPECT_EQ(asked.size(), row.asked ? 1 : 0) << row.name;
        EXPECT_TRUE(asked.isEmpty() || asked[0].endsWith(QString(row.name).startsWith("Send") ? "\nDo Not Send" : "\nCancel"))
            << row.name << ": the default";
        EXPECT_TRUE(row.holds()) << row.name;
        EXPECT_EQ(Find("unsentChanges")->isVisibleTo(window.get()), row.marked) << row.name;
    }
}

// A file damaged at record 8 loads records 1 to 7 (as earlier versions did) over what the screen showed: the status
// line marks the mixture, and Send Config asks before writing it (default: do not). A Get that reads the switch
// whole, an Import that loads a file whole, and Clear Data end the mark.
TEST_F(GuiWindow, ADamagedImportIsMarkedAndSendAsksFirst) {
    ConfigScreen file;
    file.fillCommandLists();
    file.commands[EventIndex(0, 0)].select(3);
    const ConfigBytes whole = *ConfigFileBytes(file);
    std::string bytes(whole.begin(), whole.end());
    test::WriteFile((dir.path() + "/whole.set").toStdString(), bytes);
    bytes.replace(7 * 128, 4, std::string("\x02\x00\x03\x00", 4));  // record 8, a check box, holds 3
    test::WriteFile((dir.path() + "/damaged.set").toStdString(), bytes);
    bytes.replace(2 * 128, 4, std::string("\x02\x00\x63\x00", 4));  // record 3 too, command 99: records 1, 2 load
    test::WriteFile((dir.path() + "/early.set").toStdString(), bytes);
    QString chosen;
    ui.fileDialogOverride = [&](auto&, auto) { return dir.path() + "/" + chosen; };
    form->screen().switchAddress.setText("00ABCD");  // chosen: only the mixture is asked about
    QLabel* mark = Find<QLabel>("damagedLoad");
    const auto importing = [&](const char* name) { chosen = name, test::Answering("Discard Changes", [&] { Click(kImport); }); };
    struct Row { const char* name; std::function<void()> act; int loaded; };  // records loaded, 0: not marked
    for (const Row& row : {
             Row{"a damaged import", [&] { importing("damaged.set"); }, 7},
             Row{"Send asks; Do Not Send, the default, sends nothing", [&] {
                  const QStringList asked = test::Answering("Do Not Send", [&] { Click(kWriteSwitch); });
                  EXPECT_TRUE(asked.size() == 1 && asked[0].contains("records 1 to 7") && asked[0].endsWith("\nDo Not Send"))
                      << asked.join('|').toStdString();
                  EXPECT_EQ(simulator->frames().size(), 0u);
              }, 7},
             Row{"Send, answered Send", [&] {
                  test::Answering("Send", [&] { Click(kWriteSwitch); });
                  EXPECT_EQ(simulator->frames().size(), 10u);
              }, 7},
             Row{"Clear Data", [&] { test::Answering("Discard Changes", [&] { Click(kClearData); }); }, 0},
             Row{"damaged again", [&] { importing("damaged.set"); }, 7},
             Row{"a whole file imported", [&] { importing("whole.set"); }, 0},
             Row{"damaged early, after the second record", [&] { importing("early.set"); }, 2},
             Row{"Get Config, read whole", [&] { test::Answering("Discard Changes", [&] { Click(kReadSwitch); }); }, 0},
         }) {
        row.act();
        EXPECT_EQ(mark->isVisibleTo(window.get()), row.loaded > 0) << row.name;
        EXPECT_TRUE(!row.loaded ||
                    mark->text() == "partly loaded from a damaged file: records 1 to " + QString::number(row.loaded))
            << row.name;
    }
}

#ifndef _WIN32
// SIGTERM (a logout, a shutdown) ends the program at once, even while it asks whether to lose unsent changes: they
// go to the recovery file in the data folder, the port is closed, and every event loop ends, the question's too.
// The next start offers them, dated (Enter loads them), as unsent changes; the file goes.
TEST_F(GuiWindow, ASignalKeepsUnsentChangesAndTheNextStartOffersThem) {
    int endedBy = 0;
    ASSERT_TRUE(EndOnSignals([&](int signal) { endedBy = signal, EndProgram(*form, signal); }));
    form->screen().commands[EventIndex(1, 0)].select(5);
    form->screen().switchAddress.setText("12AB3C");
    const std::vector<RecordValue> unsent = ScreenRecords(form->screen());
    QElapsedTimer sinceSignal;
    QTimer::singleShot(300, [&] { sinceSignal.start(), ::kill(::getpid(), SIGTERM); });
    QTimer::singleShot(3000, [] {  // a question still open fails the test rather than hangs it
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    QEventLoop session;  // the program's own, which a signal ends with 128 + its number, as a shell expects
    QTimer::singleShot(0, [&] { window->close(); });  // asks whether to lose them, and nobody answers
    EXPECT_EQ(session.exec(), 128 + SIGTERM);
    EXPECT_LT(sinceSignal.elapsed(), 2000);
    EXPECT_EQ(endedBy, SIGTERM);
    EXPECT_FALSE(form->port().isOpen());
    const std::filesystem::path recovery = (dir.path() + "/KavroSwitch/unsent-changes.set").toStdString();
    ASSERT_TRUE(std::filesystem::exists(recovery));

    test::ScriptedUi user;  // the next start
    ShellEnvironment next = env;
    next.ui = &user;
    Application again(next, StartOptions{.simulator = true});
    ASSERT_EQ(again.start(), Application::StartResult::Ready);
    again.offerRecovery();
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_TRUE(std::regex_match(user.questions[0], std::regex("Changes from 20[0-9]{2}-[01][0-9]-[0-3][0-9] "
                                                               "[0-2][0-9]:[0-5][0-9] were not sent or exported\\. "
                                                               "Load them\\?")))
        << user.questions[0];
    EXPECT_EQ(ScreenRecords(again.screen()), unsent);
    EXPECT_TRUE(again.unsentChanges() && !std::filesystem::exists(recovery));
}
#endif

// After the adapter went away, the next Get or Select Comm opens it again once it is back.
TEST_F(GuiWindow, AnAdapterPluggedInAgainIsOpenedWithoutARestart) {
    struct Row { const char* name; const char* button; bool back; };
    for (const Row& row : {Row{"Get, the adapter still out", kReadSwitch, false}, Row{"Get", kReadSwitch, true},
                           Row{"Select Comm", kSelectPort, true}}) {
        line->unplug();
        EXPECT_FALSE(form->port().isOpen()) << row.name;
        if (row.back) line->plugIn();
        EXPECT_EQ(AnsweringBoxes([&] { Click(row.button); }).size(), row.back ? 0 : 1) << row.name << ": no port";
        EXPECT_EQ(form->port().isOpen(), row.back) << row.name;
    }
    EXPECT_TRUE(Status().contains("Get Config complete"));
}

// While a read runs, the commands that would share its buffers are locked
// and its progress and the hourglass show; Stop or Escape ends it at its
// next frame, and what was read stays.
TEST_F(GuiWindow, AReadLocksTheCommandsAndEndsOnStopOrEscape) {
    struct Row { const char* name; std::function<void()> stop; const char* status; };
    const Row rows[] = {
        {"left to run", nullptr, "Get Config complete"},
        {"Stop", [&] { Find<QPushButton>("stop")->click(); }, "Get Config stopped before the end"},
        {"Escape", [&] { QTest::keyClick(Find(kCommands, 0), Qt::Key_Escape); }, "Get Config stopped"},
    };
    for (const Row& row : rows) {
        simulator->setPlan(row.stop ? *ParseFaultPlan("*=trickle") : FaultPlan{});
        bool locked = false;
        QTimer::singleShot(5, [&] {
            const QCursor* pointer = QGuiApplication::overrideCursor();
            locked = Find("progress")->isVisible() && pointer && pointer->shape() == Qt::WaitCursor;
            for (const char* b : {kReadSwitch, kWriteSwitch, kClearData, kSelectPort})
                locked = locked && !window->button(b)->isEnabled();
        });
        if (row.stop) QTimer::singleShot(150, row.stop);
        form->screen().firmwareVersion.setText("");
        Click(kReadSwitch);
        EXPECT_TRUE(locked) << row.name;
        EXPECT_LT(form->lastRead().framesSent, row.stop ? 3 : 12) << row.name;
        EXPECT_EQ(Find<QLineEdit>(kFirmwareVersion)->text(), "2.14") << row.name << ": what was read stays";
        EXPECT_TRUE(Status().contains(row.status)) << row.name;
        EXPECT_TRUE(window->button(kReadSwitch)->isEnabled() && !Find("progress")->isVisible() &&
                    !QGuiApplication::overrideCursor()) << row.name;
    }
}

// With no port to use, the question offers to choose one (its default), the simulated switch where there is one,
// or to quit; each button does what it says.
TEST_F(GuiWindow, TheNoPortQuestionDoesWhatEachButtonSays) {
    struct Row { bool simulator; const char* button; NoPortChoice choice; };
    for (const Row& row : {Row{true, "Choose a Port", NoPortChoice::ChooseAgain},
                           Row{true, "Use Simulated Switch", NoPortChoice::UseSimulator},
                           Row{true, "Quit", NoPortChoice::Quit}, Row{false, "Choose a Port", NoPortChoice::ChooseAgain},
                           Row{false, "Quit", NoPortChoice::Quit}}) {
        NoPortChoice chosen{};
        const QStringList asked = test::Answering(row.button, [&] { chosen = ui.askNoPort("No port.", row.simulator); });
        EXPECT_TRUE(chosen == row.choice && asked.size() == 1 && asked[0].endsWith("No port.\n\nChoose a Port"))
            << row.button << (row.simulator ? " with" : " without") << " a simulator: " << asked.join('|').toStdString();
    }
}

// A port that goes away during a read is told at once, and the details
// button of the status line says what to do.
TEST_F(GuiWindow, AFailedReadSaysWhatToDo) {
    simulator->setPlan(*ParseFaultPlan("8D/4=vanish"));
    const QStringList told = AnsweringBoxes([&] { Click(kReadSwitch); });
    EXPECT_TRUE(Status().contains("the port went away")) << Status().toStdString();
    EXPECT_TRUE(told.size() == 1 && told[0].contains("connection to the switch was lost"));
    const QStringList details = AnsweringBoxes([&] { Find<QToolButton>("verdictDetails")->click(); });
    EXPECT_TRUE(details.size() == 1 && details[0].contains("Plug it in again")) << details.join('|').toStdString();
}

// "Back up before Send" ticked: Send Config reads the switch first, keeps what it held in the history, and only then
// writes; the backup is what a read just before found, not what was sent.
TEST_F(GuiWindow, BackUpBeforeSendReadsKeepsThenWrites) {
    Find<QCheckBox>("backUpBeforeSend")->click();
    ASSERT_EQ(form->backUpBeforeSend().value(), 1);
    Click(kReadSwitch);
    form->readFresh(AddressingOf(form->screen()));
    const auto held = ConfigFileBytes(form->freshScreen());
    form->screen().commands[EventIndex(0, 0)].select(5);
    const std::size_t start = simulator->frames().size();
    Click(kWriteSwitch);
    std::string codes;  // q for a query, w for a write
    for (std::size_t i = start; i < simulator->frames().size(); ++i) codes += simulator->frames()[i][0] & 0x80 ? 'q' : 'w';
    EXPECT_EQ(codes, std::string(11, 'q') + std::string(10, 'w'));
    QDir kept(dir.path() + "/KavroSwitch/history/" + QString::fromStdString(form->screen().switchAddress.text()));
    const QStringList backups = kept.entryList({"*-before-send.set"});
    ASSERT_EQ(backups.size(), 1);
    QFile backup(kept.filePath(backups[0]));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    const QByteArray bytes = backup.readAll();
    EXPECT_EQ(ConfigBytes(bytes.begin(), bytes.end()), *held);
    EXPECT_TRUE(Status().contains("Send Config sent")) << Status().toStdString();
}

// The switch tells its firmware version in every whole read, the backup before a send and the check after it
// included: the Firmware Version box shows it, as after Get Config.
TEST_F(GuiWindow, EveryReadOfASendShowsTheFirmwareVersion) {
    simulator->state().firmwareMajor = 3, simulator->state().firmwareMinor = 21;
    form->screen().switchAddress.setText("000001");
    struct Row { const char* name; bool backUp, verify; QString shown; };
    for (const Row& row : {Row{"neither: nothing read", false, false, ""}, Row{"the backup", true, false, "3.21"},
                           Row{"the check after", false, true, "3.21"}}) {
        Find<QCheckBox>("backUpBeforeSend")->setChecked(row.backUp);
        Find<QCheckBox>("verifyAfterSend")->setChecked(row.verify);
        form->screen().firmwareVersion.setText("");
        Click(kWriteSwitch);
        EXPECT_TRUE(Status().contains("Send Config sent")) << row.name << Status().toStdString();
        EXPECT_EQ(Find<QLineEdit>(kFirmwareVersion)->text(), row.shown) << row.name;
    }
}

// The History window lists what the journal keeps of the switch on screen, newest first. Load puts a kept
// configuration on the screen as Import does; Restore, after a question naming the switch, the time and the bus,
// puts it back into the switch, which then holds it byte for byte; a restore the command line would refuse (the
// journal cannot be written) is refused here too, and sends nothing.
TEST_F(GuiWindow, TheHistoryLoadsAndRestoresWhatTheJournalKept) {
    simulator->state() = SwitchState::demo();
    Click(kReadSwitch);
    const SwitchState before = simulator->state();
    const auto got = ConfigFileBytes(form->screen());
    form->screen().commands[EventIndex(0, 0)].select(5);
    Find<QCheckBox>("backUpBeforeSend")->click();
    Click(kWriteSwitch);
    ASSERT_TRUE(form->lastWrite().complete());
    ASSERT_NE(simulator->state().channelBlocks[0], before.channelBlocks[0]);

    const auto open = [&] {
        Find<QPushButton>("history")->click();
        QDialog* history = nullptr;
        for (QDialog* d : window->findChildren<QDialog*>("historyWindow"))
            if (d->isVisible()) history = d;
        EXPECT_TRUE(history);
        return history;
    };
    const auto pick = [&](QDialog* history, const QString& event) {
        auto* list = history->findChild<QTreeWidget*>("historyEntries");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(1) == event) return list->setCurrentItem(list->topLevelItem(i));
        ADD_FAILURE() << event.toStdString() << " is not listed";
    };
    QDialog* history = open();
    auto* list = history->findChild<QTreeWidget*>("historyEntries");
    QStringList events;
    for (int i = 0; i < list->topLevelItemCount(); ++i) events << list->topLevelItem(i)->text(1);
    EXPECT_EQ(events.join(' '), "send before-send get");
    EXPECT_EQ(list->accessibleName(), "Journal entries, newest first");

    // Load: the get's configuration on the screen, the screen's changes given up when asked.
    form->screen().commands[EventIndex(1, 1)].select(3);
    pick(history, "get");
    const QStringList asked = test::Answering("Discard Changes", [&] { history->findChild<QPushButton*>("historyLoad")->click(); });
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(ConfigFileBytes(form->screen()), got);
    EXPECT_TRUE(Status().contains("from the history: what switch 001234 held at ")) << Status().toStdString();

    // Restore: the send undone, after the question.
    history = open();
    pick(history, "send");
    const QStringList question = test::Answering("Restore", [&] { history->findChild<QPushButton*>("historyRestore")->click(); });
    ASSERT_EQ(question.size(), 1);
    EXPECT_TRUE(question[0].contains("Restore switch 001234 on simulated switch to what it held at ")) << question[0].toStdString();
    const SwitchState after = simulator->state();
    EXPECT_TRUE(after.address == before.address && after.channelBlocks == before.channelBlocks &&
                after.sourceGroups == before.sourceGroups);
    EXPECT_TRUE(form->lastVerify().holds()) << Status().toStdString();

    // Refused where the command line refuses: nothing goes on the line.
    history = open();
    pick(history, "get");
    QDir(dir.path() + "/KavroSwitch/history").removeRecursively();
    QFile(dir.path() + "/KavroSwitch/history").open(QIODevice::WriteOnly);
    const std::size_t frames = simulator->frames().size();
    const QStringList refused = test::Answering("Restore", [&] { history->findChild<QPushButton*>("historyRestore")->click(); });
    EXPECT_TRUE(refused.join('|').contains("is not a folder")) << refused.join('|').toStdString();
    EXPECT_EQ(simulator->frames().size(), frames);
}

// Select Comm, Diagnostic and Compare bring up windows beside the main window: one
// port window listing the ports present and the port in use, the traffic logged before Diagnostic was
// shown (decoded on request, saved under a header), a result window over the main window, owned by it, with the
// focus, an alert named by its text, that Enter and Escape close. Every widget the legacy-name table names is
// there; closing closes them all.
TEST_F(GuiWindow, EveryLegacyWidgetNameNamesAWidget) {
    ui.fileDialogOverride = [&](const CommonDialog& d, auto) { return dir.path() + "/names." + d.defaultExtension.c_str(); };
    Click(kReadSwitch);
    for (const char* button : {kSelectPort, kSelectPort, kDiagnostic, kExport, kCompare}) Click(button);
    QPointer<PortSelectionDialog> ports = ui.portSelectionDialog();
    ASSERT_TRUE(window->findChildren<PortSelectionDialog*>().size() == 1 && ports->isVisible() && !ports->isModal());
    EXPECT_EQ(ports->findChild<QTreeWidget*>("presentPorts")->topLevelItem(0)->text(1), "5");  // for /dev/ttyUSB0
    EXPECT_EQ(ports->findChild<QLabel*>("portInUse")->text(), "In use now: Connected to the simulated switch");
    QPointer<DiagnosticWindow> diag = ui.diagnosticWindow();
    ASSERT_TRUE(diag && diag->isVisible());
    diag->findChild<QCheckBox*>("decoded")->setChecked(true);
    const QString log = diag->logBox()->toPlainText();
    EXPECT_TRUE(log.contains("<--80 F4 FF FE FF FF FF FF FF 08 6C \n") && log.contains("      query channel 3\n"));
    ASSERT_TRUE(diag->saveLog());
    QFile saved(dir.path() + "/names.txt");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString header = saved.readLine();
    for (const QString& part : {QString(kProgramCaption), QDate::currentDate().toString("yyyy-MM-dd"),
                                QString("Connected to the simulated switch")})
        EXPECT_TRUE(header.contains(part)) << header.toStdString();
    const auto has = [&](const std::string& n) {
        return window->objectName() == n.c_str() || window->findChild<QWidget*>(n.c_str());
    };
    for (const LegacyName& row : kLegacyNames) {
        const std::string name = row.widget;  // an array by its first member, the channel frames by Frame1
        EXPECT_TRUE(name.empty() || has(name) || has(name + "_0") || has(name + "1")) << row.legacy << name;
    }
    QPointer<MessageWindowWidget> result = ui.messageWindow(form->files().resultWindow());
    const QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(result);
    EXPECT_EQ(result->parentWidget(), window.get());
    EXPECT_EQ(alert->role(), QAccessible::AlertMessage);
    const QString said = result->findChild<QLabel*>(kMessageText)->text();
    EXPECT_TRUE(!said.isEmpty() && alert->text(QAccessible::Name) == said);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        Click(kCompare);
        QTest::qWait(50);  // activated as the window system gets round to it
        ASSERT_EQ(QApplication::focusWidget()->window(), result) << key;
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_FALSE(result->isVisible()) << key;
    }
    window->close();
    EXPECT_FALSE(form->port().isOpen() || (ports && ports->isVisible()) || (diag && diag->isVisible()));
}

// The event names' blue and brown and the message windows' red and green keep their hue on a dark background
// (as the light one shows them: designed_texts_test.cpp).
TEST(ReadableColour, DesignedColoursReadOnADarkBackground) {
    for (Rgb colour : {kPressColour, kReleaseColour, kMessageRed, kMessageGreen}) {
        const QColor designed(colour.r, colour.g, colour.b), dark(0x20, 0x20, 0x20), shown = ReadableOn(colour, dark);
        EXPECT_GE(ContrastRatio(shown, dark), 4.5);
        EXPECT_NEAR(shown.hslHue(), designed.hslHue(), 2);
    }
}

// An unticked check box or option button stands out from the dark window by 3:1 at least.
TEST(ReadableColour, UntickedBoxesShowOnTheDarkPalette) {
    ReadableIndicatorStyle style("Fusion");
    const QColor window = DarkPalette().color(QPalette::Window);
    for (auto [box, element] : {std::pair<QAbstractButton*, QStyle::SubElement>{new QCheckBox, QStyle::SE_CheckBoxIndicator},
                                {new QRadioButton, QStyle::SE_RadioButtonIndicator}}) {
        const std::unique_ptr<QAbstractButton> owner(box);
        box->setStyle(&style), box->setPalette(DarkPalette()), box->resize(box->sizeHint());
        const QImage image = box->grab().toImage();
        QStyleOptionButton option;
        option.initFrom(box);
        double best = 1;
        const QRect indicator = style.subElementRect(element, &option, box);
        for (int x = indicator.left(); x <= indicator.right(); ++x)
            for (int y = indicator.top(); y <= indicator.bottom(); ++y)
                best = std::max(best, ContrastRatio(image.pixelColor(x, y), window));
        EXPECT_GE(best, 3.0) << box->metaObject()->className();
    }
}

// File > Export PDF... and Print... put the sheet of the screen on paper. What the switch holds is set on the
// simulator's own state and read with Get Config; pdftotext finds it in the PDF in the sheet's words: the events
// by their names ("Function1" with "Seq"), commands with their data and lock priorities, each channel's
// destination with its address, the switch's address and firmware.
TEST_F(GuiWindow, ThePrintedSheetHoldsWhatTheSwitchHolds) {
    SwitchState& held = simulator->state();
    held.address = {0x00, 0xAB, 0x01};
    held.setChannel(1, {{{0x02, 0x10}, {0x23, 0x05, 0x07}, {0x03}}}, kModeSpecific | kSeqFlag, 0xA1B2C3);
    held.setChannel(2, {{{0x08, 0x34, 0x12}, {0x0B, 0x50}, {0x00}}}, kModePointToPoint, 0x00BE01);
    held.setChannel(8, {{{0x24, 0, 0x09}, {0x25, 0x0C}, {0x01}}}, kSrcGroupFlag, 0xFFFFFF);
    held.setSourceGroup(8, 0x010208);
    form->screen().useSwitchAddress.setValue(0);
    Click(kReadSwitch);
    ASSERT_TRUE(Status().contains("Get Config complete")) << Status().toStdString();
    const auto text = [](const QString& pdf) {
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", pdf, "-"});
        EXPECT_TRUE(pdftotext.waitForFinished(10000) && pdftotext.exitCode() == 0) << "pdftotext (poppler-utils)";
        return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
    };
    const QStringList sheet{
        "Switch 00AB01", "Firmware 2.14", "Function1 DOWN limit 10", "Function2 Lock IP 05 07", "Function3 STOP",
        "Specific A1B2C3", "On Press absolute position 1234", "On Hold JOG DOWN ms 50", "P-P 00BE01",
        "On Press Unlock 09", "On Hold Set IP 0C", "On Release UP limit", "Src Group 010208",
        "What the window's screen holds, as Send Config would write it into a switch."};

    const QString exported = dir.path() + "/exported.pdf";
    std::string proposed;
    ui.fileDialogOverride = [&](const CommonDialog& dialog, FileDialogMode) {
        proposed = dialog.fileName;
        return exported;
    };
    window->findChild<QAction*>("exportSheetPdf")->trigger();
    EXPECT_EQ(proposed, "Switch 00AB01.pdf");
    const QString exportedText = text(exported);
    for (const QString& words : sheet) EXPECT_TRUE(exportedText.contains(words)) << words.toStdString() << " in\n"
                                                                                  << exportedText.toStdString();

    // Print... through Qt's print dialog, printing to a file as a user without a printer does.
    const QString printed = dir.path() + "/printed.pdf";
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* name = dialog->findChild<QLineEdit*>("filename")) name->setText(printed);
        dialog->printer()->setOutputFileName(printed);
        dialog->accept();
    });
    user.start(20);
    window->findChild<QAction*>("printSheet")->trigger();
    user.stop();
    const QString printedText = text(printed);
    for (const QString& words : sheet) EXPECT_TRUE(printedText.contains(words)) << words.toStdString() << " printed";
}

}  // namespace
}  // namespace kavro
