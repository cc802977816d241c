// Every text and colour of this tool's design that a user reads, written out here once, letter for letter, and
// compared with what the window, its message windows, the port and diagnostic windows and the command-line tool
// show: a widget found by its object name, a caption as Qt draws it (without the mnemonic's '&'), a tip, a title,
// a message box as the user meets it. Nothing here is taken from the program's own constants.

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTest>

#include "support/gui_fixture.h"
#include "support/scripted_port.h"
#include "support/temp_folder.h"
#ifdef KAVRO_SWITCH_BIN
#include "support/tool_process.h"
#endif

namespace kavro {
namespace {

using namespace legacy;
using legacy::kCommands, legacy::kEventNames;  // not the editor's own

QString Rgb(const QColor& c) { return QString("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()); }

// What a widget shows as its text: a caption as Qt draws it, without the '&' that marks its mnemonic.
QString Shown(const QWidget* w) {
    if (!w) return "(no such widget)";
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return QString(b->text()).remove('&');
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return QString(g->title()).remove('&');
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    return w->windowTitle();
}

// The colour a label's text is drawn in.
QString Colour(const QWidget* w) {
    if (!w) return "(no such widget)";
    w->ensurePolished();
    return Rgb(w->palette().color(QPalette::WindowText));
}

QString Tip(const QWidget* w) { return w ? w->toolTip() : "(no such widget)"; }

// One text where all show the same, or each one's where they differ.
QString Same(QStringList each) {
    const QString first = each.value(0);
    each.removeDuplicates();
    return each.size() == 1 ? first : each.join(" | ");
}

#ifdef KAVRO_SWITCH_BIN
// What kavro-switch says on standard error about a file, after the file's name.
QString ToolSays(const std::vector<std::string>& args) {
    std::FILE* err = std::tmpfile();
    waitpid(test::SpawnTool(args, {.err = fileno(err)}), nullptr, 0);
    const QString said = QString::fromStdString(test::Written(err)).trimmed();
    std::fclose(err);
    return said.section(": ", -1);
}
#endif

class SpecifiedTexts : public test::GuiFixture {
protected:
    QString Text(const std::string& name) const { return Shown(Find(name)); }
    // What members first, first + step, ... last of a control array show.
    QString Each(const char* array, int first, int last, int step = 1, QString (*read)(const QWidget*) = Shown) const {
        QStringList each;
        for (int i = first; i <= last; i += step) each << read(Find(array, i));
        return Same(each);
    }
    // Runs a file command on the file named (nothing: the dialog is cancelled).
    void File(const char* command, const QString& name) {
        ui.fileDialogOverride = [&](auto&, auto) { return name.isEmpty() ? name : dir.path() + "/" + name; };
        Click(command);
    }
    // The label of a message window.
    const QLabel* Message(const char* window) const {
        const QWidget* w = Find(window);
        return w ? w->findChild<QLabel*>(kMessageText) : nullptr;
    }

    // Start-up on a PC where the remembered port 4 is gone and Ports.ini cannot be written, as a technician meets
    // it: the boxes in turn (title, then text) and the port window's captions. In the port window a device that is
    // there but refused is typed first, then port 2 chosen; after start-up Select Comm chooses port 3; at the end
    // the port will not empty.
    QStringList StartOnAPortGone(QStringList& portWindow) {
        const auto device = [](int n) { return "/dev/testport" + std::to_string(n); };
        const std::string folder = dir.path().toStdString();
        test::WriteFile(folder + "/Provided.ini", "4\r\n");
        test::WriteFile(folder + "/blocked", "");  // where Ports.ini's folder should be: it cannot be written
        QtEventPump startPump;
        QtUiServices startUi;
        test::ScriptedPort* own = nullptr;
        ShellEnvironment start{.pump = &startPump, .ui = &startUi,
                               .portsIni = {folder + "/blocked/Ports.ini", folder + "/Provided.ini"}, .devices = device};
        start.hardwarePort = [&] {
            auto port = std::make_unique<test::ScriptedPort>(startPump);
            for (int n = 1; n <= 16; ++n)
                if (n != 2 && n != 3) port->openResults[device(n)] = {OpenStatus::NotFound, "No such file or directory"};
            port->openResults[device(5)] = {OpenStatus::PermissionDenied, "Permission denied", {}, "alice", "uucp"};
            if (!own) own = port.get();  // the first adapter is the main window's
            return port;
        };
        Application form(start, {});
        QTimer user;  // in the port window: the refused device typed, Change Port; then port 2, Change Port
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* modal = qobject_cast<PortSelectionDialog*>(QApplication::activeModalWidget());
            if (!modal || modal->property("chosen").toBool()) return;
            auto* list = modal->findChild<QComboBox*>(kPortList);
            auto* typed = modal->findChild<QLineEdit*>("typedDevice");
            for (QLabel* label : modal->findChildren<QLabel*>())
                if (label->buddy() == list && portWindow.isEmpty())
                    portWindow << modal->windowTitle() << label->text() << Shown(modal->findChild<QWidget*>(kChangePort))
                               << Shown(modal->findChild<QWidget*>(kCancelPort));
            if (typed->text().isEmpty()) QTest::keyClicks(typed, QString::fromStdString(device(5)));
            else modal->setProperty("chosen", true), emit list->activated(list->findText("2"));
            QTimer::singleShot(0, modal->findChild<QPushButton*>(kChangePort), &QPushButton::click);
        });
        user.start(30);
        return test::Answering("OK", [&] {
            EXPECT_EQ(form.start(), Application::StartResult::Ready);
            form.windowShown = true;
            form.selectPort();
            PortSelectionDialog* later = startUi.portSelectionDialog();
            emit later->findChild<QComboBox*>(kPortList)->activated(1);  // port 3
            later->findChild<QPushButton*>(kChangePort)->click();
            own->stuckOutput = 3;
            form.shutDown();
        });
    }
};

TEST_F(SpecifiedTexts, EveryTextReadsAsDesigned) {
    // The command lists in order, each with the range label and default text its data box shows (none: no box).
    const char* const catalogue[19][3] = {
        {"NONE"}, {"UP limit"}, {"DOWN limit", "0->FF", "00"}, {"STOP"}, {"GOTO IP", "0->0F", "00"}, {"next IP UP"},
        {"next IP DOWN"}, {"absolute position", "0->FFFF", "0000"}, {"JOG UP ms", "0->FF ms", "00"},
        {"JOG DOWN ms", "0->FF ms", "00"}, {"JOG UP pulse", "0->FF", "00"}, {"JOG DOWN pulse", "0->FF", "00"},
        {"relative position", "0->FF", "00"}, {"Lock Current Pos"}, {"Lock UP limit"}, {"Lock Down limit", "0->FF", "00"},
        {"Lock IP", "0->0F", "00"}, {"Unlock"}, {"Set IP", "0->0F", "00"}};

    // What shows only for a moment, or in other windows, kept for the rows below.
    QStringList portWindow, logColours, proposed;
    const QStringList boxes = StartOnAPortGone(portWindow);
    ASSERT_EQ(boxes.size(), 6) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes[1].contains("port 5 (/dev/testport5) exists, but the user alice is not allowed") &&
                boxes[1].contains("sudo usermod -aG uucp alice"))
        << "a refused device typed in the port window is explained: " << boxes[1].toStdString();
    QString older, olderDiagnostic;  // the titles of version 3.1.0
    {
        ShellEnvironment olderEnv = env;
        QtUiServices olderUi;
        olderEnv.version = {3, 1, 0}, olderEnv.ui = &olderUi;
        Application olderForm(olderEnv, {.simulator = true});
        olderForm.start();
        MainWindow olderWindow(olderForm, olderUi);
        olderUi.setMainWindow(&olderWindow);
        olderWindow.button(kDiagnostic)->click();
        older = olderWindow.windowTitle(), olderDiagnostic = olderUi.diagnosticWindow()->windowTitle();
    }

    // Actions of the user that the rows below take in turn, and where they read.
    const auto then = [](auto act, auto read) { return [=] { return act(), read(); }; };
    const auto text = [this](const std::string& name) { return [this, name] { return Text(name); }; };
    const auto tip = [this](const std::string& name) { return [this, name] { return Tip(Find(name)); }; };
    const auto each = [this](const char* array, int first, int last, int step = 1, QString (*read)(const QWidget*) = Shown) {
        return [=, this] { return Each(array, first, last, step, read); };
    };
    const auto fileMessage = [this](const char* window) { return [this, window] { return Shown(Message(window)); }; };
    const auto messageColour = [this] { return Colour(Message("FileMsg")); };
    const auto box = [&](int i, int part) { return [&, i, part] { return boxes.value(i).section('\n', part, part); }; };
    const auto exportDialog = [&] {  // the real file dialog, read and cancelled
        ui.fileDialogOverride = nullptr;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            proposed = {dialog->findChild<QLineEdit*>("fileNameEdit")->text(), dialog->defaultSuffix()};
            dialog->reject();
        });
        user.start(20);
        Click(kExport);
    };
    const auto importFile = [&](const QString& name, const std::string& bytes) {
        test::WriteFile((dir.path() + "/" + name).toStdString(), bytes);
        File(kImport, name);
    };
    const auto readSwitch = [&] {  // Get Config, watching the log's newest entry and its colour to the end
        const auto look = [&] {
            if (const DiagnosticWindow* log = ui.diagnosticWindow())
                logColours << log->logBox()->toPlainText().left(3) + Rgb(log->logBox()->palette().color(QPalette::Text));
        };
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, look);
        watch.start(1);
        Click(kReadSwitch);
        look();
    };
    const auto logLine = [&](int n) {
        return [&, n] { return ui.diagnosticWindow()->logBox()->toPlainText().section('\n', n, n); };
    };
    const auto logColour = [&](const QString& newest) {
        return [&, newest] { return Same(logColours.filter(newest).replaceInStrings(newest, "")); };
    };

    struct Row { const char* where; std::function<QString()> shown; const char* text; };
    std::vector<Row> rows = {
        // The main window as it opens.
        {"the main window's title", [&] { return window->windowTitle(); },
         "Kavro Smart Switch Configuration  -  Version 3.1.1"},
        {"the title of version 3.1.0", [&] { return older; }, "Kavro Smart Switch Configuration  -  Version 3.1"},
        {"Frame1", text("Frame1"), "Switch and DC #1"}, {"Frame2", text("Frame2"), "Switch and DC #2"},
        {"Frame3", text("Frame3"), "Switch and DC #3"}, {"Frame4", text("Frame4"), "Switch and DC #4"},
        {"Frame5", text("Frame5"), "Switch and DC #5"}, {"Frame6", text("Frame6"), "Switch and DC #6"},
        {"Frame7", text("Frame7"), "DC #7"}, {"Frame8", text("Frame8"), "DC #8"},
        {"frmShow", text("frmShow"), "Show"},
        // The "Show" options carry mnemonics (Alt+1, Alt+6, Alt+7, Alt+A), which Qt underlines: the user reads the
        // caption without the '&', as on every button.
        {"opt13", text(kShowOptions[0]), "1 - 3"}, {"opt16", text(kShowOptions[1]), "1- 6 "},
        {"opt78", text(kShowOptions[2]), "7 - 8"}, {"optAll", text(kShowOptions[3]), "All"},
        {"Command1", text(kClearData), "Clear Data"}, {"Frame9", text("Frame9"), "Commands"},
        {"GET_DATA", text(kReadSwitch), "Get Config"}, {"SEND_DATA", text(kWriteSwitch), "Send Config"},
        {"Import", text(kImport), "Import Config"}, {"Export", text(kExport), "Export Config"},
        {"Compare", text(kCompare), "Compare"}, {"Compare's tip", tip(kCompare), "Compare File to Switch setup"},
        {"SelComm", text(kSelectPort), "Select Comm"}, {"DIAG", text(kDiagnostic), "Diagnostic"},
        {"Frame10", text("Frame10"), "Switch Address"}, {"ADDR_3", text(kSwitchAddress), "000000"},
        {"UseSwPP", text(kUseSwitchAddress), "Use Switch Address for Config"},
        // "override" spelt right; earlier versions of this tool said "overide".
        {"UseSwPP's tip", tip(kUseSwitchAddress),
         "The default Global Address is FFFFFF click to override and use the P-P Addr for communications"},
        {"Frame11", text("Frame11"), "P-P Motor Address"}, {"ADDR_1", text(kPointToPointAddress), "FFFFFF"},
        {"ADDR_1's tip", tip(kPointToPointAddress),
         "This P-P Address is used if the \"P-P\" Checkbox is active in the \"Button\" boxes."},
        {"frmSF", text("frmSF"), "Firmware Version"},
        // Every channel's controls.
        {"Label2_0..7", each(kEventNames, 0, 7), "On Press"}, {"Label2_8..15", each(kEventNames, 8, 15), "On Hold"},
        {"Label2_16..23", each(kEventNames, 16, 23), "On Release"},
        {"Label2_0..7's colour", each(kEventNames, 0, 7, 1, Colour), "RGB(0, 0, 255)"},
        {"Label2_16..23's colour", each(kEventNames, 16, 23, 1, Colour), "RGB(128, 64, 0)"},
        {"SW_Data_0..23", each(kData, 0, 23), "Text1"}, {"RANGE_0..23", each(kRanges, 0, 23), "Range"},
        {"Check3_0..7", each(kSeq, 0, 7), "Seq"}, {"PRI_0..7", each(kLockPriority, 0, 7), "00"},
        {"PRILBL_0..7", each(kLockPriorityLabel, 0, 7), "Lock Priority"},
        {"Check1_24..31", each(kDestinationBoxes, 24, 31), "Src Group"},
        {"SwSrcGroup_0..7", each(kSourceGroupAddress, 0, 7), "000000"},
        {"the caption before each channel's destination boxes", [&] {
             QStringList each;  // a label of its own, in each frame
             for (int c = 1; c <= kChannels; ++c)
                 for (QLabel* l : Find("Frame" + std::to_string(c))->findChildren<QLabel*>())
                     if (l->text().startsWith("Dest")) each << l->text();
             return each.size() == kChannels ? Same(each) : each.join(" | ");
         }, "Dest ="},
        {"Check1 3c+1", each(kDestinationBoxes, 1, 22, 3), "Group"},
        {"Check1 3c+1's tip", each(kDestinationBoxes, 1, 22, 3, Tip), "Use the Group (000000) Address."},
        {"Check1 3c+2", each(kDestinationBoxes, 2, 23, 3), "P-P"},
        {"Check1 3c+2's tip", each(kDestinationBoxes, 2, 23, 3, Tip), "Use the Default Button Destination Address."},
        {"Check1 3c", each(kDestinationBoxes, 0, 21, 3), "Specific"},
        {"SpecLbl_0..7", each(kMotorAddressLabel, 0, 7), "Motor Address"},
        {"SpecAddr_0..7", each(kMotorAddress, 0, 7), "000000"},
        {"Label2_0..7, every Seq ticked",
         then([&] { for (int c = 0; c < kChannels; ++c) Find<QCheckBox>(kSeq, c)->click(); }, each(kEventNames, 0, 7)),
         "Function1"},
        {"Label2_8..15, every Seq ticked", each(kEventNames, 8, 15), "Function2"},
        {"Label2_16..23, every Seq ticked", each(kEventNames, 16, 23), "Function3"},
        // The file dialog, and the message windows of the file commands.
        {"the name Export's dialog proposes", then(exportDialog, [&] { return proposed.value(0); }), "default.set"},
        {"the extension Export's dialog adds", [&] { return proposed.value(1); }, "set"},
        {"FileError", then([&] { File(kExport, "kept.set"), File(kExport, "kept.set"); }, fileMessage("FileError")),
         "File already Exists, choose another File name"},
        {"FileError's title", [&] { return Find("FileError")->windowTitle(); }, "Form1"},
        {"FileErrorImport", then([&] { File(kImport, "none.set"); }, fileMessage("FileErrorImport")),
         "Import file does not exist. Choose from file list."},
        {"FileErrorImport's title", [&] { return Find("FileErrorImport")->windowTitle(); }, "Form1"},
        {"FileMsg, Compare with the file just exported", then([&] { File(kCompare, "kept.set"); }, fileMessage("FileMsg")),
         "File is identical to screen"},
        {"FileMsg's colour", messageColour, "RGB(0, 128, 0)"},
        {"FileMsg's title, empty", [&] { return Find("FileMsg")->windowTitle().remove(QChar(0x200B)); }, ""},
        {"FileMsg, Compare after a change",
         then([&] { Find<QCheckBox>(kSeq, 0)->click(), File(kCompare, "kept.set"); }, fileMessage("FileMsg")),
         "File does not match screen"},
        {"FileMsg's colour", messageColour, "RGB(255, 0, 0)"},
        {"FileMsg, Import of a file headed \"switch\"",
         then([&] { importFile("lower.set", std::string("\x08\x00\x06\x00switch", 10) + std::string(118, '\0')); },
              fileMessage("FileMsg")), "Bad File Type"},
        {"FileMsg's colour", messageColour, "RGB(255, 0, 0)"},
        {"FileMsg, Import of a file cut short",
         then([&] { importFile("cut.set", test::ReadFile(dir.path().toStdString() + "/kept.set").substr(0, 3000)); },
              fileMessage("FileMsg")), "File Read Error"},
        {"FileMsg's colour", messageColour, "RGB(255, 0, 0)"},
#ifdef KAVRO_SWITCH_BIN
        {"kavro-switch show, a file headed \"switch\"", [&] { return ToolSays({"show", dir.path().toStdString() + "/lower.set"}); },
         "Bad File Type"},
        {"kavro-switch show, a file cut short", [&] { return ToolSays({"show", dir.path().toStdString() + "/cut.set"}); },
         "File Read Error"},
#endif
        // The diagnostic window through Get Config: the newest entry on top, the whole log in one colour.
        {"the log's top line", then(readSwitch, logLine(0)), "RCV= 35"},
        {"the log's second line, the reply", [&] { return logLine(1)().left(3); }, "-->"},
        {"the log's third line, the source-group query", logLine(2), "<--8C F4 FF FE FF FF FF FF FF 08 78 "},
        {"the log's colour while a frame sent is the newest entry", logColour("<--"), "RGB(255, 0, 255)"},
        {"the log's colour while a reply is the newest entry", logColour("RCV"), "RGB(0, 0, 0)"},
        {"frm_Diagnostic's title", [&] { return ui.diagnosticWindow()->windowTitle(); }, "Diagnostic  -  Version 3.1.1"},
        {"frm_Diagnostic's title, version 3.1.0", [&] { return olderDiagnostic; }, "Diagnostic  -  Version 3.1"},
        {"the frame around the log", [&] { return Shown(ui.diagnosticWindow()->findChild<QGroupBox*>()); },
         "Communication Window"},
        {"SW_FIRMWARE after a read whose firmware query failed twice", then([&] {
             simulator->setPlan(*ParseFaultPlan("80=bad-checksum,8F=bad-checksum"));
             test::Answering("OK", [&] { Click(kReadSwitch); });
         }, text(kFirmwareVersion)), "Error"},
        {"ADDR_3 after a read whose address query failed twice", text(kSwitchAddress), "Error"},
        // Start-up on a port gone, the port window, Select Comm, and the end.
        {"the box at start-up", box(0, 1),
         "This program is currently set to a port that is inactive on this PC.  Press OK to select an active one."},
        {"xfrmCommPortSelection's title", [&] { return portWindow.value(0); }, "Comm Port Selection"},
        {"xlblCommPort", [&] { return portWindow.value(1); }, "Data Communication Port (COM) :"},
        {"xcmdChangeCommPort", [&] { return portWindow.value(2); }, "Change Port"},
        {"xcmdCancel", [&] { return portWindow.value(3); }, "Cancel"},
        {"the box when Ports.ini cannot be written at start-up", box(2, 1), "Could not update 'Ports.ini' file."},
        {"the box when Ports.ini cannot be written later", box(3, 1), "Could not update 'Ports.ini' file."},
        {"the box after Select Comm chose another port", box(4, 1),
         "Please be aware that these COM Port changes will take affect the next time this program is executed."},
        {"its title", box(4, 0), "Comm Port Selection"},
        {"the box when the port will not empty at the end", box(5, 1), "Error Cleaning Up"},
    };
    // Each command in every list, and what choosing it shows in channel 1's first data box and its range label.
    for (int p = 0; p < 19; ++p) {
        rows.push_back({"Combo1_0..23", [&, p] {
                            QStringList entries;
                            for (int i = 0; i < kEvents; ++i) entries << Find<QComboBox>(kCommands, i)->itemText(p);
                            return Same(entries);
                        }, catalogue[p][0]});
        if (!catalogue[p][1]) continue;
        rows.push_back({catalogue[p][0], then([&, p] { Find<QComboBox>(kCommands, 0)->setCurrentIndex(p); },
                                              text(ObjectName(kRanges, 0))), catalogue[p][1]});
        rows.push_back({catalogue[p][0], text(ObjectName(kData, 0)), catalogue[p][2]});
    }
    for (const Row& row : rows) EXPECT_EQ(row.shown().toStdString(), row.text) << row.where;
}

}  // namespace
}  // namespace kavro
