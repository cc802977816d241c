// Every text and colour of this tool's design that a user reads, written out here once, letter for letter, and
// compared with what the window, its message windows and the port and diagnostic windows show (where kavro-switch
// prints one too, cli_test.cpp reads it there): a widget found by its object name, a caption as Qt draws it
// (without the mnemonic's '&'), a tip, a title, a message box as the user meets it. Nothing is taken from the
// program's own constants.

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>

#include "support/gui_fixture.h"
#include "support/scripted_port.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

using namespace legacy;
using legacy::kCommands, legacy::kEventNames;  // not the editor's own

QString Rgb(const QColor& c) { return QString("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()); }

// What a widget shows as its text: a caption as Qt draws it, without the '&' that marks its mnemonic.
QString Shown(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return QString(b->text()).remove('&');
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return QString(g->title()).remove('&');
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    return w->windowTitle();
}

// One text where all show the same, or each one's where they differ.
QString Same(QStringList each) {
    const QString first = each.value(0);
    each.removeDuplicates();
    return each.size() == 1 ? first : each.join(" | ");
}

class DesignedTexts : public test::GuiFixture {
protected:
    // What the widgets an object name names show: "Frame9"; the members of a control array, all alike,
    // "Label2_0..7" (every third: "Check1_1..22 by 3"); a message window's label, "FileMsg/Label1". A part after
    // ':' reads the tip, the title or the colour instead.
    QString Read(const QString& where) const {
        const QString path = where.section(':', 0, 0), part = where.section(':', 1);
        const auto many = QRegularExpression(R"(^(.+)_(\d+)\.\.(\d+)(?: by (\d+))?$)").match(path);
        QStringList names{path.section('/', 0, 0)};
        if (many.hasMatch()) names.clear();
        for (int i = many.captured(2).toInt(); many.hasMatch() && i <= many.captured(3).toInt();
             i += std::max(1, many.captured(4).toInt()))
            names << many.captured(1) + "_" + QString::number(i);
        QStringList each;
        for (const QString& name : names) {
            const QWidget* w = name == kMainWindow ? window.get() : Find(name.toStdString());
            if (w && path.contains('/')) w = w->findChild<QWidget*>(path.section('/', 1));
            if (!w) return "(no " + path + ")";
            w->ensurePolished();  // a style sheet's colour is in the palette once polished
            each << (part == "tip" ? w->toolTip() : part == "title" ? w->windowTitle()
                     : part == "colour" ? Rgb(w->palette().color(QPalette::WindowText)) : Shown(w));
        }
        return Same(each);
    }
    // Runs a file command on the file named in the test's folder (Import over unsent changes: discarding them).
    void File(const char* command, const QString& name) {
        ui.fileDialogOverride = [this, name](auto&, auto) { return dir.path() + "/" + name; };
        test::Answering("Discard Changes", [&] { Click(command); });
    }

    // Version 3.1.0 starts on a PC where the remembered port 4 is gone and Ports.ini cannot be written, as a
    // technician meets it: each box's title and text; in `seen` the port window's captions, then the main and the
    // diagnostic window's titles. In the port window a device that is there but refused is typed first, then
    // port 2 chosen; Select Comm in the window then chooses port 3; at the end the port will not empty.
    QStringList StartOnAPortGone(QStringList& seen) {
        const auto device = [](int n) { return "/dev/testport" + std::to_string(n); };
        const std::string folder = dir.path().toStdString();
        test::WriteFile(folder + "/Provided.ini", "4\r\n");
        test::WriteFile(folder + "/blocked", "");  // where Ports.ini's folder should be: it cannot be written
        QtEventPump pump;
        QtUiServices startUi;
        test::ScriptedPort* own = nullptr;
        ShellEnvironment start{.pump = &pump, .ui = &startUi, .devices = device, .version = {3, 1, 0}};
        start.portsIni = {folder + "/blocked/Ports.ini", folder + "/Provided.ini"};
        start.hardwarePort = [&] {
            auto port = std::make_unique<test::ScriptedPort>(pump);
            for (int n : {1, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})  // 2 and 3 are there, 5 refused
                port->openResults[device(n)] = {OpenStatus::NotFound, "No such file or directory"};
            port->openResults[device(5)] = {OpenStatus::PermissionDenied, "Permission denied", {},
                                            {.user = "alice", .serialGroup = "uucp"}};
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
            for (QLabel* label : modal->findChildren<QLabel*>())  // the list's own label
                if (label->buddy() == list && seen.isEmpty())
                    seen << modal->windowTitle() << label->text()
                               << Shown(modal->findChild<QWidget*>(kChangePort))
                               << Shown(modal->findChild<QWidget*>(kCancelPort));
            if (typed->text().isEmpty()) QTest::keyClicks(typed, QString::fromStdString(device(5)));
            else modal->setProperty("chosen", true), emit list->activated(list->findText("2"));
            QTimer::singleShot(0, modal->findChild<QPushButton*>(kChangePort), &QPushButton::click);
        });
        user.start(30);
        return test::Answering("OK", [&] {
            EXPECT_EQ(form.start(), Application::StartResult::Ready);
            MainWindow shown(form, startUi);
            startUi.setMainWindow(&shown);
            form.setWindowShown(true);
            shown.button(kDiagnostic)->click();
            seen << shown.windowTitle() << startUi.diagnosticWindow()->windowTitle();
            shown.button(kSelectPort)->click();
            PortSelectionDialog* later = startUi.portSelectionDialog();
            emit later->findChild<QComboBox*>(kPortList)->activated(1);  // port 3
            later->findChild<QPushButton*>(kChangePort)->click();
            own->stuckOutput = 3;
            form.shutDown();
        });
    }
};

TEST_F(DesignedTexts, EveryTextReadsAsDesigned) {
    // The command lists in order, each with the range label and default text its data box shows (none: no box).
    const char* const catalogue[19][3] = {
        {"NONE"}, {"UP limit"}, {"DOWN limit", "0->FF", "00"}, {"STOP"}, {"GOTO IP", "0->0F", "00"}, {"next IP UP"},
        {"next IP DOWN"}, {"absolute position", "0->FFFF", "0000"}, {"JOG UP ms", "0->FF ms", "00"},
        {"JOG DOWN ms", "0->FF ms", "00"}, {"JOG UP pulse", "0->FF", "00"}, {"JOG DOWN pulse", "0->FF", "00"},
        {"relative position", "0->FF", "00"}, {"Lock Current Pos"}, {"Lock UP limit"},
        {"Lock Down limit", "0->FF", "00"}, {"Lock IP", "0->0F", "00"}, {"Unlock"}, {"Set IP", "0->0F", "00"}};

    // What shows only for a moment or in another program's windows, kept for the rows below.
    QStringList seen, logColours, proposed;  // seen: the port window's captions, then version 3.1.0's titles
    const QStringList boxes = StartOnAPortGone(seen);
    ASSERT_EQ(boxes.size(), 6) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes[1].contains("port 5 (/dev/testport5) exists, but the user alice is not allowed") &&
                boxes[1].contains("sudo usermod -aG uucp alice"))
        << "a refused device typed in the port window is explained: " << boxes[1].toStdString();

    // What the user does before the rows that follow read.
    const auto dialogOf = [&](const char* command) {  // the real file dialog, read and cancelled
        return [&, command] {
            ui.fileDialogOverride = nullptr;
            QTimer user;
            QObject::connect(&user, &QTimer::timeout, [&] {
                if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                    proposed = {dialog->findChild<QLineEdit*>("fileNameEdit")->text(), dialog->defaultSuffix(),
                                dialog->nameFilters().join(";;")},
                    dialog->reject();
            });
            user.start(20);
            test::Answering("Discard Changes", [&] { Click(command); });  // Import over unsent changes asks first
        };
    };
    QStringList asked;  // the question a close asks, answered Cancel
    const auto importFile = [&](const QString& name, const std::string& bytes) {
        test::WriteFile((dir.path() + "/" + name).toStdString(), bytes);
        File(kImport, name);
    };
    const auto readSwitch = [&] {  // Get Config, watching the log's newest entry and its colour to the end
        const auto look = [&] {
            if (const QPlainTextEdit* log = ui.diagnosticWindow() ? ui.diagnosticWindow()->logBox() : nullptr)
                logColours << log->toPlainText().left(3) + Rgb(log->palette().color(QPalette::Text));
        };
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, look);
        watch.start(1);
        test::Answering("Discard Changes", [&] { Click(kReadSwitch); });
        look();
    };
    const auto logLine = [&](int n) {
        return [&, n] { return ui.diagnosticWindow()->logBox()->toPlainText().section('\n', n, n); };
    };
    const auto logColour = [&](const QString& newest) {
        return [&, newest] { return Same(logColours.filter(newest).replaceInStrings(newest, "")); };
    };
    const auto box = [&](int i, int part) { return [&, i, part] { return boxes.value(i).section('\n', part, part); }; };
    const auto kept = [&](const QStringList& list, int i) { return [&, i] { return list.value(i); }; };

    // where: an object name (see Read), or what `read` reads; act: what the user does first.
    struct Row { const char *where, *text; std::function<void()> act = {}; std::function<QString()> read = {}; };
    std::vector<Row> rows = {
        // The main window as it opens.
        {"frmMain:title", "Kavro Smart Switch Configuration  -  Version 3.1.1"},
        {"the title of version 3.1.0", "Kavro Smart Switch Configuration  -  Version 3.1", {}, kept(seen, 4)},
        {"Frame1", "Switch and DC #1"}, {"Frame2", "Switch and DC #2"}, {"Frame3", "Switch and DC #3"},
        {"Frame4", "Switch and DC #4"}, {"Frame5", "Switch and DC #5"}, {"Frame6", "Switch and DC #6"},
        {"Frame7", "DC #7"}, {"Frame8", "DC #8"}, {"frmShow", "Show"},
        // The "Show" options carry mnemonics (Alt+1, Alt+6, Alt+7, Alt+A), which Qt underlines: the user reads the
        // caption without the '&', as on every button.
        {"opt13", "1 - 3"}, {"opt16", "1- 6 "}, {"opt78", "7 - 8"}, {"optAll", "All"}, {"Command1", "Clear Data"},
        {"Frame9", "Commands"}, {"GET_DATA", "Get Config"}, {"SEND_DATA", "Send Config"}, {"Import", "Import Config"},
        {"Export", "Export Config"}, {"Compare", "Compare"}, {"Compare:tip", "Compare File to Switch setup"},
        {"SelComm", "Select Comm"}, {"DIAG", "Diagnostic"}, {"Frame10", "Switch Address"}, {"ADDR_3", "000000"},
        {"UseSwPP", "Use Switch Address for Config"},
        // "override" spelt right; earlier versions of this tool said "overide".
        {"UseSwPP:tip",
         "The default Global Address is FFFFFF click to override and use the P-P Addr for communications"},
        {"Frame11", "P-P Motor Address"}, {"ADDR_1", "FFFFFF"},
        {"ADDR_1:tip", "This P-P Address is used if the \"P-P\" Checkbox is active in the \"Button\" boxes."},
        {"frmSF", "Firmware Version"},
        {"verifyAfterSend", "Verify after Send"}, {"backUpBeforeSend", "Back up before Send"},
        // Every channel's controls.
        {"Label2_0..7", "On Press"}, {"Label2_8..15", "On Hold"}, {"Label2_16..23", "On Release"},
        {"Label2_0..7:colour", "RGB(0, 0, 255)"}, {"Label2_16..23:colour", "RGB(128, 64, 0)"},
        {"SW_Data_0..23", "Text1"}, {"RANGE_0..23", "Range"}, {"Check3_0..7", "Seq"}, {"PRI_0..7", "00"},
        {"PRILBL_0..7", "Lock Priority"}, {"Check1_24..31", "Src Group"}, {"SwSrcGroup_0..7", "000000"},
        {"the caption before each channel's destination boxes", "Dest =", {}, [&] {
             QStringList each;  // a label of its own in each channel
             for (QLabel* l : window->findChildren<QLabel*>()) if (l->text().startsWith("Dest")) each << l->text();
             return each.size() == kChannels ? Same(each) : each.join(" | ");
         }},
        {"Check1_1..22 by 3", "Group"}, {"Check1_1..22 by 3:tip", "Use the Group (000000) Address."},
        {"Check1_2..23 by 3", "P-P"}, {"Check1_2..23 by 3:tip", "Use the Default Button Destination Address."},
        {"Check1_0..21 by 3", "Specific"}, {"SpecLbl_0..7", "Motor Address"}, {"SpecAddr_0..7", "000000"},
        {"Label2_0..7", "Function1", [&] { for (int c = 0; c < kChannels; ++c) Find<QCheckBox>(kSeq, c)->click(); }},
        {"Label2_8..15", "Function2"}, {"Label2_16..23", "Function3"},
        {"the question before closing on changes not sent",
         "The screen has changes that were not sent to a switch or exported to a file.\n\nClose the program and lose "
         "them?", [&] { asked = test::Answering("Cancel", [&] { window->close(); }); },
         [&] { return asked.value(0).section('\n', 1, 3); }},
        // The window's settings.
        {"options", "Options"},
        {"its item", "Arrow keys move the window", {},
         [&] { return window->findChild<QAction*>("arrowKeysMoveWindow")->text().remove('&'); }},
        // The file dialog, and the message windows of the file commands.
        {"the name Export's dialog proposes", "default.set", dialogOf(kExport), kept(proposed, 0)},
        {"the extension Export's dialog adds", "set", {}, kept(proposed, 1)},
        {"the files Export's dialog lists", "Configuration Files (*.set);;All Files (*)", {}, kept(proposed, 2)},
        {"the files Import's dialog lists", "Configuration Files (*.set);;All Files (*)", dialogOf(kImport),
         kept(proposed, 2)},
        {"the files Compare's dialog lists", "Configuration Files (*.set);;All Files (*)", dialogOf(kCompare),
         kept(proposed, 2)},
        {"FileError/Label1", "File already Exists, choose another File name",
         [&] { File(kExport, "kept.set"), File(kExport, "kept.set"); }},
        {"FileError:title", "Form1"},
        {"FileErrorImport/Label1", "Import file does not exist. Choose from file list.",
         [&] { File(kImport, "none.set"); }},
        {"FileErrorImport:title", "Form1"},
        {"FileMsg/Label1", "File is identical to screen", [&] { File(kCompare, "kept.set"); }},
        {"FileMsg/Label1:colour", "RGB(0, 128, 0)"},
        {"FileMsg's title, empty", "", {}, [&] { return Read("FileMsg:title").remove(QChar(0x200B)); }},
        {"FileMsg/Label1", "File does not match screen",
         [&] { Find<QCheckBox>(kSeq, 0)->click(), File(kCompare, "kept.set"); }},
        {"FileMsg/Label1:colour", "RGB(255, 0, 0)"},
        {"FileMsg/Label1", "Bad File Type",
         [&] { importFile("lower.set", std::string("\x08\x00\x06\x00switch", 10) + std::string(118, '\0')); }},
        {"FileMsg/Label1:colour", "RGB(255, 0, 0)"},
        {"FileMsg/Label1", "File Read Error",
         [&] { importFile("cut.set", test::ReadFile(dir.path().toStdString() + "/kept.set").substr(0, 3000)); }},
        {"FileMsg/Label1:colour", "RGB(255, 0, 0)"},
        {"damagedLoad", "partly loaded from a damaged file: records 1 to 23"},  // 3000 bytes: 23 whole records
        // The diagnostic window through Get Config: the newest entry on top, the whole log in one colour.
        {"the log's top line", "RCV= 35", readSwitch, logLine(0)},
        {"the log's second line, the reply", "-->", {}, [&] { return logLine(1)().left(3); }},
        {"the log's third line, the source-group query", "<--8C F4 FF FE FF FF FF FF FF 08 78 ", {}, logLine(2)},
        {"the log's colour while a frame sent is the newest entry", "RGB(255, 0, 255)", {}, logColour("<--")},
        {"the log's colour while a reply is the newest entry", "RGB(0, 0, 0)", {}, logColour("RCV")},
        {"frm_Diagnostic:title", "Diagnostic  -  Version 3.1.1"},
        {"frm_Diagnostic's title, version 3.1.0", "Diagnostic  -  Version 3.1", {}, kept(seen, 5)},
        {"the frame around the log", "Communication Window", {},
         [&] { return Shown(ui.diagnosticWindow()->findChild<QGroupBox*>()); }},
        {"SW_FIRMWARE", "Error", [&] {  // a read whose firmware and address queries fail twice each
             simulator->setPlan(*ParseFaultPlan("80=bad-checksum,8F=bad-checksum"));
             test::Answering("OK", [&] { Click(kReadSwitch); });
         }},
        {"ADDR_3", "Error"},
        // Start-up on a port gone, the port window, Select Comm, and the end.
        {"the box at start-up", "This program is currently set to a port that is inactive on this PC.  Press OK to "
         "select an active one.", {}, box(0, 1)},
        {"xfrmCommPortSelection:title", "Comm Port Selection", {}, kept(seen, 0)},
        {"xlblCommPort", "Data Communication Port (COM) :", {}, kept(seen, 1)},
        {"xcmdChangeCommPort", "Change Port", {}, kept(seen, 2)},
        {"xcmdCancel", "Cancel", {}, kept(seen, 3)},
        {"the box when Ports.ini cannot be written at start-up", "Could not update 'Ports.ini' file.", {}, box(2, 1)},
        {"the box when Ports.ini cannot be written later", "Could not update 'Ports.ini' file.", {}, box(3, 1)},
        {"the box after Select Comm chose another port",
         "Please be aware that these COM Port changes will take affect the next time this program is executed.", {},
         box(4, 1)},
        {"its title", "Comm Port Selection", {}, box(4, 0)},
        {"the box when the port will not empty at the end", "Error Cleaning Up", {}, box(5, 1)},
    };
    // Each command in every list, and what choosing it in channel 1's first list shows beside it.
    for (int p = 0; p < 19; ++p) {
        rows.push_back({"Combo1_0..23", catalogue[p][0], {}, [&, p] {
                            QStringList entries;
                            for (int i = 0; i < kEvents; ++i) entries << Find<QComboBox>(kCommands, i)->itemText(p);
                            return Same(entries);
                        }});
        if (!catalogue[p][1]) continue;
        rows.push_back({"RANGE_0", catalogue[p][1], [&, p] { Find<QComboBox>(kCommands, 0)->setCurrentIndex(p); }});
        rows.push_back({"SW_Data_0", catalogue[p][2]});
    }
    for (const Row& row : rows) {
        if (row.act) row.act();
        EXPECT_EQ((row.read ? row.read() : Read(row.where)).toStdString(), row.text) << row.where;
    }
}

}  // namespace
}  // namespace kavro
