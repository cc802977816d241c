// Configuration files: the record format byte for byte, export that never
// overwrites and never leaves half a file, import through the screen's own
// reactions, compare, and files of any content.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "configfile/file_commands.h"
#include "support/scripted_ui.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Record(const RecordValue& v) {
    const auto r = *EncodeRecord(v);
    return std::string(r.begin(), r.end());
}

// Everything a screen shows that files and transfers care about.
struct Snapshot {
    std::vector<RecordValue> values;
    std::vector<bool> shown;
    std::vector<std::string> names;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Snap(const ConfigScreen& s) {
    Snapshot snap{ScreenRecords(s), {}, {}};
    for (int i = 0; i < kEvents; ++i) {
        snap.shown.push_back(s.data[i].visible());
        snap.names.push_back(s.eventNames[i].caption() + "|" + s.ranges[i].caption());
    }
    for (int c = 0; c < kChannels; ++c) {
        snap.shown.push_back(s.motorAddress[c].visible());
        snap.shown.push_back(s.sourceGroupAddress[c].visible());
        snap.shown.push_back(s.lockPriority[c].visible());
    }
    return snap;
}

class ConfigFiles : public ::testing::Test {
protected:
    ConfigFiles() : files(screen, ui, folder()) {
        fs::remove_all(folder());
        screen.fillCommandLists();
    }
    ~ConfigFiles() override { fs::remove_all(folder()); }

    static fs::path folder() {
        return fs::temp_directory_path() /
               ("kavro-files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    fs::path Export(const std::string& name) {
        ui.fileAnswers.push_back((folder() / name).string());
        files.exportConfig();
        return files.dialog.fileName;
    }
    void Import(const fs::path& p) {
        ui.fileAnswers.push_back(p.string());
        files.importConfig();
    }
    std::string Compare(const fs::path& p) {
        ui.fileAnswers.push_back(p.string());
        files.resultWindow.setText("");
        files.compareWithFile();
        return files.resultWindow.text();
    }
    // A screen that uses every field, every channel and every mode.
    void FillEverything(ConfigScreen& s) {
        const int modes[4] = {SpecificBox(0), GroupBox(0), PointToPointBox(0), SrcGroupBox(0)};
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                const int i = EventIndex(c, e);
                s.commands[i].select((c * 3 + e * 7) % kCommandCount);
                s.data[i].setText("A" + std::to_string(c) + std::to_string(e));
            }
            const int m = modes[c % 4];
            s.destinationBoxes[m < 24 ? m + 3 * c : SrcGroupBox(c)].setValue(1);
            s.seq[c].setValue(c % 2);
            s.motorAddress[c].setText("a0b" + std::to_string(c) + "c9");
            s.lockPriority[c].setText(std::to_string(c) + "F");
            s.sourceGroupAddress[c].setText("0" + std::to_string(c) + "1234");
        }
        s.ppMotorAddress.setText("00beef");
        s.switchAddress.setText("12AB3C");
        s.useSwitchAddress.setValue(1);
    }

    test::ScriptedUi ui;
    ConfigScreen screen{&ui};
    ConfigFileCommands files;
};

TEST(RecordFormat, TextsFitTheirRecordAndThePaddingIsZero) {
    EXPECT_EQ(Record(std::string(124, 'x')).size(), 128u);
    EXPECT_FALSE(EncodeRecord(std::string(125, 'x')));
    EXPECT_EQ(Record(std::string()).substr(0, 4), std::string("\x08\x00\x00\x00", 4));
    EXPECT_EQ(Record(std::string("AB")).substr(6), std::string(122, '\0'));
}

TEST_F(ConfigFiles, ExportWritesAllRecordsWithTheEndMark) {
    const fs::path p = Export("one.set");
    const std::string b = Bytes(p);
    ASSERT_EQ(b.size(), 14976u);
    EXPECT_EQ(b.substr(0, 10), std::string("\x08\x00\x06\x00SWITCH", 10));
    EXPECT_EQ(b.substr(14848, 9), std::string("\x07\x00" "EndMark", 9));
    // Record 106 holds the P-P motor address and record 107 the switch address.
    EXPECT_EQ(b.substr(105 * 128, 10), std::string("\x08\x00\x06\x00" "FFFFFF", 10));
    EXPECT_EQ(b.substr(106 * 128, 10), std::string("\x08\x00\x06\x00" "000000", 10));
    EXPECT_TRUE(ui.windowsShown.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(fs::is_directory(folder()));  // the data folder was made
    // Nothing else is left in the folder: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 1);
}

TEST_F(ConfigFiles, CheckValuesAndAnUnselectedCommand) {
    screen.destinationBoxes[SpecificBox(0)].setValue(1);  // record 8 ticked, 9 clear
    screen.commands[0].select(-1);          // record 2: no selection
    screen.motorAddress[0].setText("ab12cd");
    const std::string b = Bytes(Export("values.set"));
    EXPECT_EQ(b.substr(7 * 128, 4), std::string("\x02\x00\x01\x00", 4));
    EXPECT_EQ(b.substr(8 * 128, 4), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(b.substr(1 * 128, 4), std::string("\x02\x00\xFF\xFF", 4));
    EXPECT_EQ(b.substr(12 * 128, 10), std::string("\x08\x00\x06\x00" "ab12cd", 10));
}

TEST_F(ConfigFiles, ExportNeverOverwritesAFileOrAFolder) {
    const fs::path existing = folder() / "keep.set";
    fs::create_directories(folder());
    Put(existing, "precious bytes");
    Export("keep.set");
    EXPECT_EQ(Bytes(existing), "precious bytes");
    ASSERT_EQ(ui.windowsShown.size(), 1u);
    EXPECT_EQ(ui.windowsShown[0], &files.existsWindow);
    EXPECT_EQ(files.existsWindow.text(), "File already Exists, choose another File name");
    EXPECT_EQ(files.existsWindow.title(), "Form1");

    fs::create_directories(folder() / "adir.set");
    Export("adir.set");
    EXPECT_EQ(ui.windowsShown.size(), 2u);
    EXPECT_TRUE(fs::is_directory(folder() / "adir.set"));
}

TEST_F(ConfigFiles, NameWithoutExtensionGetsSetAndTheDialogKeepsItsSettings) {
    const fs::path p = Export("noext");
    EXPECT_EQ(p, folder() / "noext.set");
    EXPECT_TRUE(fs::exists(folder() / "noext.set"));
    EXPECT_EQ(ui.dialogsSeen[0].first.fileName, "default.set");
    EXPECT_EQ(ui.dialogsSeen[0].first.initialFolder, folder().string());
    EXPECT_EQ(ui.dialogsSeen[0].second, FileDialogMode::Save);
    // Import proposes what export chose, with the same default extension.
    ui.fileAnswers.push_back(std::nullopt);  // cancelled
    files.importConfig();
    EXPECT_EQ(ui.dialogsSeen[1].first.fileName, p.string());
    EXPECT_EQ(ui.dialogsSeen[1].first.defaultExtension, "set");
    EXPECT_EQ(ui.dialogsSeen[1].second, FileDialogMode::Open);
}

TEST_F(ConfigFiles, NamesInAnyScriptAreTheFilesChosen) {
    // The file dialog hands its choice over as UTF-8 text.
    const fs::path chosen = folder() / u8"\u03A9-M\u00FCller.set";  // Ω-Müller.set
    const std::u8string text = chosen.u8string();
    ui.fileAnswers.push_back(std::string(text.begin(), text.end()));
    files.exportConfig();
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 1);
    EXPECT_EQ(files.dialog.fileName, std::string(text.begin(), text.end()));
    ui.fileAnswers.push_back(files.dialog.fileName);
    files.compareWithFile();
    EXPECT_EQ(files.resultWindow.text(), "File is identical to screen");
}

TEST_F(ConfigFiles, CancelledDialogsDoNothing) {
    const Snapshot before = Snap(screen);
    for (auto action : {&ConfigFileCommands::exportConfig, &ConfigFileCommands::importConfig,
                        &ConfigFileCommands::compareWithFile}) {
        ui.fileAnswers.push_back(std::nullopt);
        (files.*action)();
    }
    EXPECT_TRUE(ui.windowsShown.empty());
    EXPECT_EQ(Snap(screen), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 0);
}

TEST_F(ConfigFiles, RoundTripGivesTheSameScreen) {
    FillEverything(screen);
    const Snapshot exported = Snap(screen);
    const fs::path p = Export("all.set");

    test::ScriptedUi otherUi;
    ConfigScreen other(&otherUi);
    other.fillCommandLists();
    ConfigFileCommands otherFiles(other, otherUi, folder());
    otherUi.fileAnswers.push_back(p.string());
    otherFiles.importConfig();

    EXPECT_TRUE(otherUi.windowsShown.empty());
    EXPECT_EQ(Snap(other), exported);
    for (int i = 0; i < kEvents; ++i) EXPECT_EQ(other.commandCodes[i], screen.commandCodes[i]);
}

TEST_F(ConfigFiles, DataTextsSurviveTheCommandSelections) {
    screen.commands[4].select(7);
    screen.data[4].setText("BEEF");
    const fs::path p = Export("data.set");
    screen.clearData();
    Import(p);
    EXPECT_EQ(screen.data[4].text(), "BEEF");
    EXPECT_EQ(screen.ranges[4].caption(), "0->FFFF");
    EXPECT_TRUE(screen.data[4].visible());
}

TEST_F(ConfigFiles, BadHeaderLeavesTheScreenAlone) {
    fs::create_directories(folder());
    FillEverything(screen);
    const fs::path good = Export("good.set");
    std::string b = Bytes(good);
    const Snapshot before = Snap(screen);

    test::ScriptedUi blankUi;
    ConfigScreen blank(&blankUi);
    blank.fillCommandLists();
    const Snapshot blankBefore = Snap(blank);
    ConfigFileCommands blankFiles(blank, blankUi, folder());
    for (const std::string& header : {Record(std::string("switch")), Record(std::int16_t{6})}) {
        const fs::path bad = folder() / "bad.set";
        fs::remove(bad);
        Put(bad, header + b.substr(128));
        blankUi.fileAnswers.push_back(bad.string());
        blankFiles.importConfig();
        EXPECT_EQ(blankFiles.resultWindow.text(), "Bad File Type");
        EXPECT_EQ(blankFiles.resultWindow.colour(), kMessageRed);
        EXPECT_TRUE(blankFiles.resultWindow.visible());
        EXPECT_EQ(Snap(blank), blankBefore);
    }
    EXPECT_EQ(Snap(screen), before);
    // A good file loads at once after the failures.
    blankUi.fileAnswers.push_back(good.string());
    blankFiles.resultWindow.setText("");
    blankFiles.importConfig();
    EXPECT_EQ(Snap(blank), before);
    EXPECT_EQ(blankFiles.resultWindow.text(), "");
}

TEST_F(ConfigFiles, ReadFailureAtRecordEightKeepsWhatCameBefore) {
    screen.commands[0].select(2);
    screen.commands[1].select(15);
    screen.data[0].setText("7F");
    screen.destinationBoxes[SpecificBox(0)].setValue(1);
    screen.motorAddress[0].setText("111111");
    const fs::path p = Export("rec8.set");
    std::string b = Bytes(p);
    b.replace(7 * 128, 4, std::string("\x02\x00\x03\x00", 4));  // "Specific" = 3
    Put(p, b);

    screen.clearData();
    screen.motorAddress[0].setText("222222");
    Import(p);
    EXPECT_EQ(files.resultWindow.text(), "File Read Error");
    EXPECT_EQ(screen.commands[0].selected(), 2);  // records 2..7 applied
    EXPECT_EQ(screen.commands[1].selected(), 15);
    EXPECT_EQ(screen.data[0].text(), "7F");
    EXPECT_EQ(screen.destinationBoxes[GroupBox(0)].value(), 1);  // record 8 on: untouched
    EXPECT_EQ(screen.motorAddress[0].text(), "222222");
}

TEST_F(ConfigFiles, TruncatedFileAppliesWhatIsThere) {
    screen.ppMotorAddress.setText("0000A5");
    screen.sourceGroupAddress[7].setText("777777");
    const fs::path p = Export("short.set");
    std::string b = Bytes(p);
    Put(p, b.substr(0, 107 * 128 + 20));  // ends inside record 108
    screen.ppMotorAddress.setText("FFFFFF");
    screen.sourceGroupAddress[7].setText("000000");
    Import(p);
    EXPECT_EQ(files.resultWindow.text(), "File Read Error");
    EXPECT_EQ(screen.ppMotorAddress.text(), "0000A5");      // record 106 came
    EXPECT_EQ(screen.sourceGroupAddress[7].text(), "000000");  // record 116 did not
}

TEST_F(ConfigFiles, AllFourDestinationsClearKeepsTheMode) {
    const fs::path p = Export("zeros.set");
    std::string b = Bytes(p);
    b.replace(8 * 128, 4, std::string("\x02\x00\x00\x00", 4));  // channel 1 "Group" = 0
    Put(p, b);
    screen.destinationBoxes[PointToPointBox(0)].setValue(1);
    Import(p);
    EXPECT_EQ(screen.destinationBoxes[PointToPointBox(0)].value(), 1);
    EXPECT_EQ(screen.destinationBoxes[GroupBox(0)].value(), 0);
    EXPECT_TRUE(ui.windowsShown.empty());
}

TEST_F(ConfigFiles, UntrustworthyLengthAndTypeWordsAreReadFailures) {
    const fs::path p = Export("words.set");
    const std::string good = Bytes(p);
    struct Case {
        std::size_t offset;
        std::string bytes;
    };
    // Record 5 (channel 1 press data): a length past its record; record 2:
    // an unknown type word; record 13: the largest length word.
    for (const Case& k : {Case{4 * 128, std::string("\x08\x00\x7D\x00", 4)}, Case{1 * 128, std::string("\x05\x00", 2)},
                          Case{12 * 128, std::string("\x08\x00\xFF\xFF", 4)}}) {
        std::string b = good;
        b.replace(k.offset, k.bytes.size(), k.bytes);
        Put(p, b);
        files.resultWindow.setText("");
        Import(p);
        EXPECT_EQ(files.resultWindow.text(), "File Read Error") << k.offset;
    }
    // A text whose record lies partly past the end of the file.
    Put(p, good.substr(0, 4 * 128 + 10));
    files.resultWindow.setText("");
    Import(p);
    EXPECT_EQ(files.resultWindow.text(), "File Read Error");
}

TEST_F(ConfigFiles, FilesOfAnyContentNeverCrashImportOrCompare) {
    fs::create_directories(folder());
    const Snapshot before = Snap(screen);
    const fs::path empty = folder() / "empty.set", one = folder() / "one.set", huge = folder() / "huge.set";
    Put(empty, "");
    Put(one, "\x08");
    { std::ofstream(huge, std::ios::binary); }
    fs::resize_file(huge, 100u * 1024 * 1024);  // 100 MB of zeros, sparse
    for (const fs::path& p : {empty, one, huge}) Import(p);
    EXPECT_EQ(files.resultWindow.text(), "Bad File Type");  // the last: zeros are no header
    // Records missing from a short file differ; a record that is no
    // record at all gives no verdict.
    EXPECT_EQ(Compare(empty), "File does not match screen");
    EXPECT_EQ(Compare(one), "File does not match screen");
    EXPECT_EQ(Compare(huge), "");
    fs::create_directories(folder() / "chosen-folder");
    Import(folder() / "chosen-folder");
    Compare(folder() / "chosen-folder");
    EXPECT_EQ(Snap(screen), before);
    // The files are closed: they can be removed and reused at once.
    for (const fs::path& p : {empty, one, huge}) EXPECT_TRUE(fs::remove(p));
}

TEST_F(ConfigFiles, ImportOfAMissingFileSaysSo) {
    Import(folder() / "nothing.set");
    ASSERT_EQ(ui.windowsShown.size(), 1u);
    EXPECT_EQ(ui.windowsShown[0], &files.missingWindow);
    EXPECT_EQ(files.missingWindow.text(), "Import file does not exist. Choose from file list.");
    Compare(folder() / "nothing.set");
    EXPECT_EQ(ui.windowsShown.size(), 2u);
}

TEST_F(ConfigFiles, CompareTellsIdenticalAndWhatDiffers) {
    FillEverything(screen);
    const fs::path p = Export("cmp.set");
    const std::string fileBefore = Bytes(p);
    EXPECT_EQ(Compare(p), "File is identical to screen");
    EXPECT_EQ(files.resultWindow.colour(), kMessageGreen);
    EXPECT_TRUE(files.resultWindow.details().empty());

    screen.sourceGroupAddress[2].setText("999999");  // not compared
    EXPECT_EQ(Compare(p), "File is identical to screen");

    screen.motorAddress[0].setText("A0B0C9");  // same digits, other case
    EXPECT_EQ(Compare(p), "File does not match screen");
    EXPECT_EQ(files.resultWindow.colour(), kMessageRed);
    ASSERT_EQ(files.resultWindow.details().size(), 1u);
    EXPECT_EQ(files.resultWindow.details()[0], "Channel 1: Motor Address: file \"a0b0c9\", screen \"A0B0C9\"");
    screen.motorAddress[0].setText("a0b0c9");

    const Snapshot screenBefore = Snap(screen);
    screen.commands[EventIndex(7, 2)].select(3);
    const Snapshot changed = Snap(screen);
    EXPECT_EQ(Compare(p), "File does not match screen");
    ASSERT_FALSE(files.resultWindow.details().empty());
    EXPECT_NE(files.resultWindow.details()[0].find("Channel 8, On Release: command"), std::string::npos);
    EXPECT_EQ(Snap(screen), changed);  // compare changes neither screen
    EXPECT_EQ(Bytes(p), fileBefore);    // nor file
    EXPECT_NE(changed, screenBefore);
}

TEST_F(ConfigFiles, CompareReadsAFileOfAnotherHeaderAndFlagsMissingRecords) {
    const fs::path p = Export("hdr.set");
    std::string b = Bytes(p);
    b.replace(0, 128, Record(std::string("switch")));
    Put(p, b);
    EXPECT_EQ(Compare(p), "File is identical to screen");

    Put(p, b.substr(0, 100 * 128));
    EXPECT_EQ(Compare(p), "File does not match screen");
    EXPECT_NE(files.resultWindow.details().back().find("not in the file"), std::string::npos);
}

TEST_F(ConfigFiles, FailedExportLeavesNoFileAndSaysSo) {
    // The file system refuses the data half-way: a file size limit makes
    // the write fail after the first few records.
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit for a process (RLIMIT_FSIZE)";
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    Export("half.set");
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(fs::exists(folder() / "half.set"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("not saved"), std::string::npos);
    // The name is free for the next export.
    Export("half.set");
    EXPECT_EQ(fs::file_size(folder() / "half.set"), 14976u);
#endif
}


}  // namespace
}  // namespace kavro
