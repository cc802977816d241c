// The window as a technician meets it: a small screen, a read locking the
// commands and stopped midway or losing its port, the other windows, and
// closing. What transfers and files do is for transfer_scenarios.cpp.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "configfile/config_records.h"
#include "configfile/file_windows.h"
#include "gui/readable_colour.h"
#include "support/gui_fixture.h"

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
    // Runs what, answering every message box it raises; their texts.
    static QStringList AnsweringBoxes(const std::function<void()>& what) {
        QStringList texts;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                texts << box->text() + "\n" + box->informativeText(), box->accept();
        });
        answer.start(20);
        what();
        return texts;
    }
};

// Down to 1024 x 600 at scale 1, 1.5 and 2 (the suite runs at 96 and 144
// dpi; scale 2 at 96 dpi is half the size), the commands, the status line
// and the progress stay in view; the channels scroll.
TEST_F(GuiWindow, TheCommandsAndTheStatusLineFitASmallScreen) {
    const double scale = std::max(qEnvironmentVariableIntValue("QT_FONT_DPI"), 96) / 96.0;
    std::vector<QSize> sizes{QSize(1024 / scale, 600 / scale)};
    if (scale < 1.25) sizes.push_back(QSize(512, 300));
    form->screen.selectShowOption(form->screen.showAll);
    linePacing = true;
    for (const QSize size : sizes) {
        // Again until it holds: the offscreen platform lets the size the
        // window took when first shown arrive after a resize.
        for (int i = 0; i < 50 && window->size() != size; ++i) window->resize(size), QTest::qWait(20);
        EXPECT_EQ(window->size(), size) << "the window may be made this small";
        EXPECT_TRUE(InView(window->statusBar()) && InView(Find("connection"))) << size.width();
        for (const char* b : {kReadSwitch, kWriteSwitch, kImport, kExport, kCompare, kSelectPort, kDiagnostic})
            EXPECT_TRUE(InView(window->button(b))) << b << " at " << size.width();
        bool progressInView = false;
        QTimer::singleShot(5, [&] { progressInView = InView(Find("progress")) && InView(Find("stop")); });
        Click(kWriteSwitch);
        EXPECT_TRUE(progressInView) << size.width();
    }
}

// A screen reader tells every control apart by its name.
TEST_F(GuiWindow, EveryControlHasItsOwnAccessibleName) {
    QSet<QString> names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = w->inherits("QComboBox") || w->inherits("QLineEdit") || w->inherits("QAbstractButton");
        if (!control || w->parentWidget()->inherits("QComboBox")) continue;  // not a list's own parts
        const QString name = w->accessibleName();
        EXPECT_FALSE(name.isEmpty() || names.contains(name)) << w->objectName().toStdString();
        EXPECT_EQ(w->accessibleDescription(), name) << name.toStdString();
        names.insert(name);
    }
    EXPECT_TRUE(names.contains("Channel 8 Release command") && names.contains("Channel 2 Src Group"));
}

// While a read runs, the commands that would share its buffers are locked
// and its progress shows; Stop or Escape ends it at its next frame, and
// what was read stays.
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
            locked = Find("progress")->isVisible();
            for (const char* b : {kReadSwitch, kWriteSwitch, kClearData, kSelectPort})
                locked = locked && !window->button(b)->isEnabled();
        });
        if (row.stop) QTimer::singleShot(150, row.stop);
        form->screen.firmwareVersion.setText("");
        Click(kReadSwitch);
        EXPECT_TRUE(locked) << row.name;
        EXPECT_LT(form->transfer.lastRead().framesSent, row.stop ? 3 : 12) << row.name;
        EXPECT_EQ(Find<QLineEdit>(kFirmwareVersion)->text(), "2.14") << row.name << ": what was read stays";
        EXPECT_TRUE(Status().contains(row.status)) << row.name;
        EXPECT_TRUE(window->button(kReadSwitch)->isEnabled() && !Find("progress")->isVisible()) << row.name;
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
    ASSERT_EQ(form->backUpBeforeSend.value(), 1);
    Click(kReadSwitch);
    form->readFresh(AddressingOf(form->screen));
    const auto held = ConfigFileBytes(form->freshScreen());
    form->screen.commands[EventIndex(0, 0)].select(5);
    const std::size_t start = simulator->frames().size();
    Click(kWriteSwitch);
    std::string codes;  // q for a query, w for a write
    for (std::size_t i = start; i < simulator->frames().size(); ++i) codes += simulator->frames()[i][0] & 0x80 ? 'q' : 'w';
    EXPECT_EQ(codes, std::string(11, 'q') + std::string(10, 'w'));
    QDir kept(dir.path() + "/KavroSwitch/history/" + QString::fromStdString(form->screen.switchAddress.text()));
    const QStringList backups = kept.entryList({"*-before-send.set"});
    ASSERT_EQ(backups.size(), 1);
    QFile backup(kept.filePath(backups[0]));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    const QByteArray bytes = backup.readAll();
    EXPECT_EQ(ConfigBytes(bytes.begin(), bytes.end()), *held);
    EXPECT_TRUE(Status().contains("Send Config sent")) << Status().toStdString();
}

// Select Comm, Diagnostic and Compare bring up windows beside the main window: one
// port window listing the ports present, the traffic logged before Diagnostic was
// shown (decoded on request), a message window that Escape closes. Every
// widget the legacy-name table names is there; closing closes them all.
TEST_F(GuiWindow, EveryLegacyWidgetNameNamesAWidget) {
    ui.fileDialogOverride = [&](auto&, auto) { return dir.path() + "/names.set"; };
    Click(kReadSwitch);
    for (const char* button : {kSelectPort, kSelectPort, kDiagnostic, kExport, kCompare}) Click(button);
    QPointer<PortSelectionDialog> ports = ui.portSelectionDialog();
    ASSERT_TRUE(window->findChildren<PortSelectionDialog*>().size() == 1 && ports->isVisible() && !ports->isModal());
    EXPECT_EQ(ports->findChild<QTreeWidget*>("presentPorts")->topLevelItem(0)->text(1), "5");  // for /dev/ttyUSB0
    QPointer<DiagnosticWindow> diag = ui.diagnosticWindow();
    ASSERT_TRUE(diag && diag->isVisible());
    diag->findChild<QCheckBox*>("decoded")->setChecked(true);
    const QString log = diag->logBox()->toPlainText();
    EXPECT_TRUE(log.contains("<--80 F4 FF FE FF FF FF FF FF 08 6C \n") && log.contains("      query channel 3\n"));
    const auto has = [&](const std::string& n) {
        return window->objectName() == n.c_str() || window->findChild<QWidget*>(n.c_str());
    };
    for (const LegacyName& row : kLegacyNames) {
        const std::string name = row.widget;  // an array by its first member, the channel frames by Frame1
        EXPECT_TRUE(name.empty() || has(name) || has(name + "_0") || has(name + "1")) << row.legacy << name;
    }
    QPointer<MessageWindowWidget> result = ui.messageWindow(form->files.resultWindow);
    QTest::keyClick(result, Qt::Key_Escape);
    EXPECT_FALSE(result->isVisible());
    window->close();
    EXPECT_FALSE(form->port().isOpen() || (ports && ports->isVisible()) || (diag && diag->isVisible()));
}

// The event names' blue and brown and the message windows' red and green keep their colour where it reads, and
// on a dark background their hue.
TEST(ReadableColour, DesignedColoursReadOnADarkBackground) {
    for (Rgb colour : {kPressColour, kReleaseColour, kMessageRed, kMessageGreen}) {
        const QColor designed(colour.r, colour.g, colour.b), dark(0x20, 0x20, 0x20), shown = ReadableOn(colour, dark);
        EXPECT_GE(ContrastRatio(shown, dark), 4.5);
        EXPECT_NEAR(shown.hslHue(), designed.hslHue(), 2);
        EXPECT_EQ(ReadableColourStyle(colour), "color: " + designed.name()) << "on the light palette";
    }
}

}  // namespace
}  // namespace kavro
