// Ports.ini: what a value means, and where the file is read and written.
// (The "Comm Port Selection" window on the main window: startup_test.cpp.)

#include <gtest/gtest.h>

#include <algorithm>

#include "buslink/ports_ini.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

// Files of the older tool and ours read each other: the older one reads the
// first field only. A value that names no port from 1 to 16 means port 1.
// (The plain number and the device line: PortsIniChoosesThePort in
// startup_test.cpp; every value against a reference: fuzz/ports_ini_fuzzer.cpp.)
// A second line is a device only when it is a device's path on this system; a note or a number there is not.
TEST(PortsIni, ReadsTheNumberAndTheDeviceLine) {
    struct Row { const char *name, *content, *firstField, *device; int port; };
    test::TempFolder folder;
#ifdef _WIN32
    const char *outside = "COM17", *otherSystems = "/dev/ttyUSB9";
#else
    const char *outside = "/dev/ttyUSB9", *otherSystems = "COM17";
#endif
    const std::string quoted = " \"7\",x\n" + std::string(outside) + "\n", other = "4\r\n" + std::string(otherSystems) + "\r\n";
    for (const Row& row : {
             Row{"quoted, with a comma, LF only", quoted.c_str(), "7", outside, 7},
             Row{"a note on the second line", "3\r\n; set by IT\r\n", "3", "", 3},
             Row{"a number under a blank first line", "\r\n5\r\n", "", "", 1},
             Row{"another system's device", other.c_str(), "4", "", 4},
             Row{"leading and trailing spaces, no line end", "  16 ,2", "16", "", 16},
             Row{"port 17", "17\r\n", "17", "", 1},
             Row{"port 0", "0\r\n", "0", "", 1},
             Row{"too large for 16 bits", "32768\r\n", "32768", "", 1},
             Row{"a word", "COM3\r\n", "COM3", "", 1},
             Row{"a half rounds to even", "2.5\r\n", "2.5", "", 2},
             Row{"another half", "3.5\r\n", "3.5", "", 4},
             Row{"an empty line", "\r\n", "", "", 1},
         }) {
        test::WriteFile(folder / "Ports.ini", row.content);
        const auto read = ReadPortsIni(folder / "Ports.ini");
        ASSERT_TRUE(read) << row.name;
        EXPECT_EQ(read->firstField + "|" + read->device, row.firstField + std::string("|") + row.device) << row.name;
        EXPECT_EQ(PortFromCandidate(read->firstField), row.port) << row.name;
    }
}

// Where Ports.ini is read and written: beside a program run from its build
// folder or a portable copy; for an installed program, the user's file over
// the administrator's. A choice is written, and the next start must find it,
// with nothing else written anywhere.
TEST(PortsIniPlaces, TheNextStartReadsTheLastChoice) {
    const std::string admin = "etc/xdg/KavroSwitch/Ports.ini", user = "home/.config/KavroSwitch/Ports.ini";
    // folder: where the program runs (bin links to usr/bin, where it was built to be installed); readFirst, written:
    // the files start-up reads before the choice and the choice goes to.
    struct Row { const char* name; const char* folder; bool adminFile; std::string readFirst, written; };
    for (const Row& row : {
             Row{"run from its build folder", "build/gui", true, "build/gui/Ports.ini", "build/gui/Ports.ini"},
             Row{"a portable copy", "opt/kavro/bin", false, "opt/kavro/bin/Ports.ini", "opt/kavro/bin/Ports.ini"},
             Row{"installed, nothing provided: the user's", "usr/bin", false, user, user},
             Row{"installed: the administrator's is read, the user's written", "usr/bin", true, admin, user},
             Row{"installed, started through a linked folder", "bin", true, admin, user},
         }) {
        test::TempFolder base;
        for (const char* folder : {"build/gui", "opt/kavro/bin", "usr/bin", "etc/xdg/KavroSwitch"})
            fs::create_directories(base / folder);
#ifdef _WIN32
        if (row.folder == std::string("bin")) continue;  // links to folders need privileges there
#else
        fs::create_directory_symlink("usr/bin", base / "bin");
#endif
        if (row.adminFile) test::WriteFile(base / admin, "7\r\n");
        const PortsIniPlaces places = PortsIniPlacesFor(base / row.folder, base / "usr" / "bin", base / user, base / admin);
        EXPECT_EQ(PortsIniToRead(places), base / row.readFirst) << row.name;
        ASSERT_TRUE(StorePortsIni(places, 4)) << row.name;
        EXPECT_EQ(test::ReadFile(base / row.written), "4\r\n") << row.name;
        EXPECT_EQ(PortsIniToRead(places), base / row.written) << row.name << ": the next start";
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(base.path()))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::vector<fs::path> expected{base / row.written};
        if (row.adminFile) expected.push_back(base / admin);
        std::sort(files.begin(), files.end()), std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files, expected) << row.name << ": nothing else written";
        EXPECT_TRUE(!row.adminFile || test::ReadFile(base / admin) == "7\r\n") << row.name;
    }
    test::TempFolder base;
    test::WriteFile(base / "file", "");
    EXPECT_FALSE(StorePortsIni({base / "file" / "Ports.ini", {}}, 2)) << "a place that cannot be written";
}

}  // namespace
}  // namespace kavro
