// Configuration files: the record layout field by field, export that never
// overwrites and never leaves half a file, import through the screen's own
// reactions, compare, and damaged files of any kind.

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "configfile/file_commands.h"
#include "configfile/whole_file.h"
#include "configfile/windows1252.h"
#include "platform/utf8_path.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Command = void (ConfigFileCommands::*)();
constexpr Command kExport = &ConfigFileCommands::exportConfig, kImport = &ConfigFileCommands::importConfig,
                  kCompare = &ConfigFileCommands::compareWithFile;

RecordValue Number(int v) { return static_cast<std::int16_t>(v); }
long FilesIn(const fs::path& folder) { return std::distance(fs::directory_iterator(folder), {}); }

// The layout of a saved file, written out here rather than taken from the
// production table, so that a field stored in the wrong record shows.
std::vector<RecordValue> Layout(const ConfigScreen& s) {
    std::vector<RecordValue> r{std::string("SWITCH")};
    for (int c = 0; c < kChannels; ++c) {
        for (int e = 0; e < 3; ++e) r.push_back(Number(s.commands[EventIndex(c, e)].selected()));
        for (int e = 0; e < 3; ++e) r.push_back(s.data[EventIndex(c, e)].text());
        for (int box : ChannelBoxes(c)) r.push_back(Number(s.destinationBoxes[box].value()));
        r.insert(r.end(), {Number(s.seq[c].value()), s.motorAddress[c].text(), s.lockPriority[c].text()});
    }
    r.insert(r.end(), {s.ppMotorAddress.text(), s.switchAddress.text(), Number(s.useSwitchAddress.value())});
    for (int c = 0; c < kChannels; ++c) r.push_back(s.sourceGroupAddress[c].text());
    return r;
}

// Everything a screen shows that files care about: the values, and which
// fields show under which names.
using Snapshot = std::pair<std::vector<RecordValue>, std::vector<std::string>>;
Snapshot Snap(const ConfigScreen& s) {
    std::vector<std::string> shown;
    for (int i = 0; i < kEvents; ++i)
        shown.push_back(s.eventNames[i].caption() + "|" + s.ranges[i].caption() + std::to_string(s.data[i].visible()));
    for (int c = 0; c < kChannels; ++c)
        for (const TextBox* box : {&s.motorAddress[c], &s.sourceGroupAddress[c], &s.lockPriority[c]})
            shown.push_back(std::to_string(box->visible()));
    return {ScreenRecords(s), shown};
}

// A screen with its file commands and a user who answers the file dialog.
struct Station {
    explicit Station(const fs::path& folder) : files(screen, ui, folder) { screen.fillCommandLists(); }
    // Runs a command with the user's choice (nothing: cancel); the window it showed, "" for none, and a verdict's
    // colour (what each says: designed_texts_test.cpp).
    std::string Run(Command command, std::optional<fs::path> answer) {
        ui.fileAnswers.push_back(answer ? std::optional(Utf8FromPath(*answer)) : std::nullopt);
        return Shown([&] { (files.*command)(); });
    }
    // Import of a file named without the dialog (the window's command line).
    std::string Named(const fs::path& file) {
        return Shown([&] { files.importFile(Utf8FromPath(file)); });
    }
    std::string Shown(const std::function<void()>& command) {
        ui.windowsShown.clear();
        command();
        if (ui.windowsShown.empty()) return "";
        const MessageWindow& shown = *ui.windowsShown.back();
        const std::optional<Rgb> colour = shown.colour();
        return shown.name() + (colour == kMessageRed ? " red" : colour == kMessageGreen ? " green" : "");
    }
    test::ScriptedUi ui;
    ConfigScreen screen{&ui};
    ConfigFileCommands files;
};

struct ConfigFiles : ::testing::Test {
    // Every field, channel and mode used, each with a value no fresh screen has.
    ConfigFiles() {
        ConfigScreen& s = mine.screen;
        for (int c = 0; c < kChannels; ++c) {
            for (int e = 0; e < 3; ++e) {
                s.commands[EventIndex(c, e)].select((1 + c * 3 + e * 7) % kCommandCount);
                s.data[EventIndex(c, e)].setText("D" + std::to_string(EventIndex(c, e)));
            }
            s.destinationBoxes[ChannelBoxes(c)[c % 4]].setValue(1);
            s.seq[c].setValue(c % 2);
            s.motorAddress[c].setText("a0b" + std::to_string(c) + "c9");
            s.lockPriority[c].setText(std::to_string(c) + "F");
            s.sourceGroupAddress[c].setText("0" + std::to_string(c) + "1234");
        }
        s.commands[EventIndex(7, 2)].select(-1);  // no command
        s.ppMotorAddress.setText("00beef");
        s.switchAddress.setText("12AB3C");
        s.useSwitchAddress.setValue(1);
    }
    test::TempFolder temp;
    const fs::path data = temp / "data";  // made by the first command
    Station mine{data};
};

// What the window's boxes give back to a file: each character of code page 1252 its own byte (the "€" of 0x80
// included), and any other character, or a broken UTF-8 sequence, one "?".
TEST(FileText, TypedTextGoesBackToTheFilesCodePage) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(byte)), undefined ? "?" : byte) << b;
    }
    const struct {
        const char *typed, *file;
    } rows[]{
        {"Caf\xC3\xA9 \xE2\x82\xAC" "5", "Caf\xE9 \x80" "5"},
        {"\xE2\x86\x92", "?"},          // an arrow, not in the code page
        {"\xF0\x9F\x98\x80!", "?!"},    // four bytes, one character
        {"\xA9x", "?x"},                // a continuation byte alone
    };
    for (const auto& row : rows) EXPECT_EQ(Windows1252FromUtf8(row.typed), row.file) << row.typed;
}

TEST_F(ConfigFiles, ExportWritesEveryFieldInItsRecord) {
    EXPECT_EQ(mine.Run(kExport, data / "all.set"), "");
    EXPECT_TRUE(mine.ui.messages.empty());
    EXPECT_EQ(FilesIn(data), 1);  // no temporary file left beside it
    const std::string b = test::ReadFile(data / "all.set");
    ASSERT_EQ(b.size(), 117u * 128);
    EXPECT_EQ(b.substr(0, 128), "\x08\x00\x06\x00SWITCH"s + std::string(118, '\0'));  // the padding is zero
    EXPECT_EQ(b.substr(94 * 128, 4), "\x02\x00\xFF\xFF"s);  // record 95: no command
    EXPECT_EQ(b.substr(116 * 128, 9), "\x07\x00" "EndMark"s);
    const std::vector<RecordValue> layout = Layout(mine.screen);
    for (std::size_t n = 1; n <= layout.size(); ++n)
        EXPECT_EQ(RecordReader(ConfigBytes(b.begin(), b.end())).read(n), layout[n - 1]) << "record " << n;
    EXPECT_TRUE(EncodeRecord(std::string(124, 'x')));  // the longest text a record holds
    EXPECT_FALSE(EncodeRecord(std::string(125, 'x')));
}

TEST_F(ConfigFiles, ExportNeverOverwritesAFileOrAFolder) {
    fs::create_directories(data / "adir.set");
    test::WriteFile(data / "keep.set", "precious bytes");
    for (const char* name : {"keep.set", "adir.set"})
        EXPECT_EQ(mine.Run(kExport, data / name), "FileError") << name;
    EXPECT_EQ(test::ReadFile(data / "keep.set"), "precious bytes");
}

// Cancelled dialogs do nothing; a name typed without extension gets ".set",
// in any script, as UTF-8 from the dialog; the next dialog proposes it.
TEST_F(ConfigFiles, TheDialogProposesWhatTheLastCommandChose) {
    const Snapshot before = Snap(mine.screen);
    for (Command command : {kExport, kImport, kCompare}) EXPECT_EQ(mine.Run(command, std::nullopt), "");
    EXPECT_EQ(Snap(mine.screen), before);
    EXPECT_EQ(FilesIn(data), 0);
    mine.Run(kExport, data / PathFromUtf8("\u03A9-M\u00FCller"));
    mine.Run(kImport, std::nullopt);
    const fs::path written = data / PathFromUtf8("\u03A9-M\u00FCller.set");
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(data), {}), std::vector{written});
    const auto& seen = mine.ui.dialogsSeen;
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].first.initialFolder, Utf8FromPath(data));
    EXPECT_EQ(seen[4].first.fileName, Utf8FromPath(written));
    EXPECT_EQ(std::pair(seen[3].second, seen[4].second), std::pair(FileDialogMode::Save, FileDialogMode::Open));
}

// Import stops at the first record it cannot take: what came before stays,
// nothing after is applied, and a file that is no configuration file (or
// none at all) leaves the screen alone. Compare reads from record 2 on. A
// file named on the window's command line is imported alike, without the
// dialog.
TEST_F(ConfigFiles, DamagedFilesAreRefused) {
    mine.Run(kExport, data / "good.set");
    const std::string good = test::ReadFile(data / "good.set");
    using Make = std::function<void(const fs::path&)>;
    auto bytes = [](std::string b) -> Make { return [b](const fs::path& p) { test::WriteFile(p, b); }; };
    auto patched = [&](int n, std::string b) { return bytes(std::string(good).replace((n - 1) * 128, b.size(), b)); };
    auto huge = [](const fs::path& p) { test::WriteFile(p, ""), fs::resize_file(p, 100u * 1024 * 1024); };
    using enum LoadOutcome;
    using enum CompareOutcome;
    // imports, compares: what each makes of the file; applied: value records loaded, from record 2 on; last: the
    // last record the load put into the screen (the header is record 1).
    struct Row { const char* name; Make make; LoadOutcome imports; CompareOutcome compares; int applied, last; };
    for (const Row& row : {
             Row{"a header in other letters", patched(1, "\x08\x00\x06\x00switch"s), BadFileType, Identical, 0, 0},
             Row{"a number for the header", patched(1, "\x02\x00\x06\x00"s), BadFileType, Identical, 0, 0},
             // A first record that cannot be read is a read error, as any record's is.
             Row{"an empty file", bytes(""), ReadError, Different, 0, 0},
             Row{"100 MB of zeros: no header, no record at all", huge, ReadError, Unreadable, 0, 0},
             Row{"a folder", [](const fs::path& p) { fs::create_directory(p); }, CannotOpen, Unreadable, 0, 0},
             Row{"no file at all", [](const fs::path&) {}, CannotOpen, Unreadable, 0, 0},
             Row{"record 8, a check box, holds 3", patched(8, "\x02\x00\x03\x00"s), ReadError, Different, 6, 7},
             Row{"cut inside record 108", bytes(good.substr(0, 107 * 128 + 20)), ReadError, Different, 106, 107},
             Row{"record 5's length past its record", patched(5, "\x08\x00\x7D\x00"s), ReadError, Unreadable, 3, 4},
             Row{"record 2's type word unknown", patched(2, "\x05\x00"s), ReadError, Unreadable, 0, 1},
             Row{"record 2's type word an integer's in its low byte only", patched(2, "\x02\x01"s), ReadError, Unreadable, 0, 1},
         }) {
        const fs::path bad = temp / "bad.set";
        row.make(bad);
        const bool missing = !fs::exists(bad);
        Station blank(data), probe(data), named(data);
        const bool refused = row.imports == BadFileType || row.imports == ReadError;
        EXPECT_EQ(blank.Run(kImport, bad), missing ? "FileErrorImport" : refused ? "FileMsg red" : "") << row.name;
        EXPECT_EQ(named.Named(bad), blank.Run(kImport, bad)) << row.name;
        EXPECT_EQ(Snap(named.screen), Snap(blank.screen)) << row.name;
        EXPECT_EQ(named.ui.dialogsSeen.size(), 0u) << row.name;
        int last = -1;
        EXPECT_EQ(LoadConfigFile(bad, probe.screen, &last), row.imports) << row.name;
        EXPECT_EQ(last, row.last) << row.name;
        EXPECT_EQ(blank.files.lastEvent().lastRecord, missing ? 0 : row.last) << row.name;
        EXPECT_EQ(mine.Run(kCompare, bad), missing ? "FileErrorImport" : row.compares == Identical ? "FileMsg green"
                                           : row.compares == Different ? "FileMsg red" : "") << row.name;
        EXPECT_EQ(mine.files.compareWithScreen().outcome, row.compares) << row.name;
        const std::vector<RecordValue> loaded = ScreenRecords(blank.screen), file = ScreenRecords(mine.screen);
        for (int n = 2; n < 2 + row.applied; ++n) EXPECT_EQ(loaded[n - 1], file[n - 1]) << row.name << " " << n;
        EXPECT_TRUE(!row.applied || loaded[row.applied + 1] != file[row.applied + 1]) << row.name << ": damaged";
        EXPECT_TRUE(row.applied || Snap(blank.screen) == Snap(Station(data).screen)) << row.name << ": screen changed";
        // The file is closed, and a good file loads at once after the failure.
        EXPECT_TRUE(fs::remove_all(bad) > 0 || missing) << row.name;
        blank.Run(kImport, data / "good.set");
        EXPECT_EQ(Snap(blank.screen), Snap(mine.screen)) << row.name;
        named.Named(data / "good.set");
        EXPECT_EQ(Snap(named.screen), Snap(mine.screen)) << row.name;
        EXPECT_EQ(FileEventText(named.files.lastEvent()), "Loaded " + Utf8FromPath(data / "good.set")) << row.name;
        EXPECT_EQ(blank.files.lastEvent().lastRecord, 116) << row.name << ": a whole file, the last value record";
    }
}

// A source group address is compared where it is used: on a channel whose "Src Group" box is ticked on the screen
// or in the file (channel 4 is in Src Group, channel 3 in P-P); the other slots stay out.
TEST_F(ConfigFiles, CompareTellsIdenticalAndWhatDiffers) {
    mine.Run(kExport, data / "cmp.set");
    const std::string fileBefore = test::ReadFile(data / "cmp.set");
    const MessageWindow& result = mine.files.resultWindow();
    struct Row { const char* name; void (*change)(ConfigScreen&); std::vector<std::string> listed; };
    for (const Row& row : {
             Row{"the slot of a P-P channel: not compared", [](auto& s) { s.sourceGroupAddress[2].setText("999999"); }, {}},
             Row{"record 108, the last of every channel's", [](auto& s) { s.useSwitchAddress.setValue(0); },
                 {"Use Switch Address for Config: file ticked, screen clear"}},
             Row{"the slot of a Src Group channel", [](auto& s) { s.sourceGroupAddress[3].setText("999999"); },
                 {"Channel 4: Source Group Address: file \"031234\", screen \"999999\""}},
             Row{"Src Group in the file only", [](auto& s) {
                  s.sourceGroupAddress[3].setText("999999"), s.destinationBoxes[GroupBox(3)].click();
              }, {"Channel 4: Group: file clear, screen ticked", "Channel 4: Src Group: file ticked, screen clear",
                  "Channel 4: Source Group Address: file \"031234\", screen \"999999\"  (hidden: not used on the screen)"}},
             Row{"Src Group on the screen only", [](auto& s) {
                  s.destinationBoxes[SrcGroupBox(2)].click(), s.sourceGroupAddress[2].setText("999999");
              }, {"Channel 3: P-P: file ticked, screen clear", "Channel 3: Src Group: file clear, screen ticked",
                  "Channel 3: Source Group Address: file \"021234\", screen \"999999\""}},
         }) {
        Station station(data);
        station.Run(kImport, data / "cmp.set");
        row.change(station.screen);
        EXPECT_EQ(station.Run(kCompare, data / "cmp.set"), row.listed.empty() ? "FileMsg green" : "FileMsg red")
            << row.name;
        EXPECT_EQ(station.files.resultWindow().details(), row.listed) << row.name;
    }
    mine.screen.motorAddress[0].setText("A0B0C9");  // same digits, other case
    mine.screen.commands[EventIndex(7, 2)].select(3);
    const Snapshot changed = Snap(mine.screen);
    EXPECT_EQ(mine.Run(kCompare, data / "cmp.set"), "FileMsg red");
    ASSERT_EQ(result.details().size(), 2u);
    EXPECT_EQ(result.details()[0], "Channel 1: Motor Address: file \"a0b0c9\", screen \"A0B0C9\"");
    EXPECT_NE(result.details()[1].find("Channel 8, On Release: command"), std::string::npos);
    EXPECT_EQ(Snap(mine.screen), changed);                     // compare changes neither screen
    EXPECT_EQ(test::ReadFile(data / "cmp.set"), fileBefore);  // nor file
}

#ifndef _WIN32  // Windows has no file size limit for a process (RLIMIT_FSIZE)
// The file system refuses the data half-way: a file size limit makes the
// write fail after the first few records.
TEST_F(ConfigFiles, FailedExportLeavesNoFileAndSaysSo) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{4096, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    mine.Run(kExport, data / "half.set");
    // A text small enough for the writer to keep until it closes the file fails only then: not saved either.
    const rlimit tiny{512, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    const WriteResult small = WriteWholeFile(data / "small.html", std::string(1000, 'x'), false);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(small.outcome, WriteOutcome::Written);
    EXPECT_EQ(FilesIn(data), 0);  // neither the file nor a temporary one
    ASSERT_EQ(mine.ui.messages.size(), 1u);
    EXPECT_NE(mine.ui.messages[0].text.find("not saved"), std::string::npos);
}
#endif

}  // namespace
}  // namespace kavro
