// Ports.ini: what a value means, and where the file is read and written;
// what a port that cannot be opened is told with.
// (The "Comm Port Selection" window on the main window: startup_test.cpp.)

#include <gtest/gtest.h>

#include <algorithm>

#include "buslink/port_problems.h"
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

// Where Ports.ini is read and written: beside a portable copy; for an
// installed program, the user's file over the administrator's. A choice is
// written, and the next start must find it, with nothing else written
// anywhere: a Ports.ini beside an installed program stays as it was.
TEST(PortsIniPlaces, TheNextStartReadsTheLastChoice) {
    const std::string admin = "etc/xdg/KavroSwitch/Ports.ini", user = "home/.config/KavroSwitch/Ports.ini";
    // folder: where the program runs (usr and opt hold installed programs here); beside: a file found beside it
    // at start; readFirst, written: the files start-up reads before the choice and the choice goes to.
    struct Row {
        const char *name, *folder, *beside;
        bool writable, adminFile;
        std::string readFirst, written;
    };
    for (const Row& row : {
             Row{"a build folder, marked portable by the build", "build/gui", kPortableMarker, true, true,
                 "build/gui/Ports.ini", "build/gui/Ports.ini"},
             Row{"a copy whose Ports.ini says it is portable", "tools/bin", "Ports.ini", true, true, "tools/bin/Ports.ini",
                 "tools/bin/Ports.ini"},
             Row{"a copy that does not say so: the user's", "tools/bin", "", true, false, user, user},
             Row{"a marked copy the user cannot write", "tools/bin", kPortableMarker, false, true, admin, user},
             Row{"installed: the administrator's is read, the user's written", "opt/kavro/bin", kPortableMarker, true,
                 true, admin, user},
             Row{"installed, an old Ports.ini beside it", "usr/bin", "Ports.ini", true, false, user, user},
         }) {
        test::TempFolder base;
        for (const char* folder : {"build/gui", "tools/bin", "opt/kavro/bin", "usr/bin", "etc/xdg/KavroSwitch"})
            fs::create_directories(base / folder);
        std::vector<fs::path> expected{base / row.written};
        if (*row.beside) test::WriteFile(base / row.folder / row.beside, "9\r\n"), expected.push_back(base / row.folder / row.beside);
        if (row.adminFile) test::WriteFile(base / admin, "7\r\n"), expected.push_back(base / admin);
        const ProgramFolder program{base / row.folder, row.writable, SaysPortable(base / row.folder)};
        const PortsIniPlaces places = PortsIniPlacesFor(program, {base / "usr", base / "opt"}, base / user, base / admin);
        EXPECT_EQ(PortsIniToRead(places), base / row.readFirst) << row.name;
        ASSERT_TRUE(StorePortsIni(places, 4)) << row.name;
        EXPECT_EQ(test::ReadFile(base / row.written), "4\r\n") << row.name;
        EXPECT_EQ(PortsIniToRead(places), base / row.written) << row.name << ": the next start";
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(base.path()))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end()), std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        EXPECT_EQ(files, expected) << row.name << ": nothing else written";
        for (const std::string& kept : {admin, std::string(row.folder) + "/" + row.beside}) {
            if (kept == row.written || !fs::is_regular_file(base / kept)) continue;
            EXPECT_EQ(test::ReadFile(base / kept), kept == admin ? "7\r\n" : "9\r\n") << row.name << ": " << kept;
        }
    }
    test::TempFolder base;
    test::WriteFile(base / "file", "");
    EXPECT_FALSE(StorePortsIni({base / "file" / "Ports.ini", {}}, 2)) << "a place that cannot be written";
}

// "Installed" is where the program is, never how it was configured: under
// a system folder nothing makes a copy portable, not even root's right to
// write there; anywhere else, a folder that says so and the user may write.
TEST(PortsIniPlaces, InstalledIsWhereTheProgramIs) {
    struct Row {
        const char* name;
        const char* folder;
        bool writable, saysPortable, portable;
    };
    for (const Row& row : {
#ifdef _WIN32
             Row{"Program Files", "C:\\Program Files\\Kavro\\bin", true, true, false},
             Row{"Program Files, another case, slashes", "c:/PROGRAM FILES/Kavro/bin", true, true, false},
             Row{"the ZIP unpacked", "C:\\Tools\\KavroSwitchConfig\\bin", true, true, true},
             Row{"a folder named like Program Files", "C:\\Program Files Kavro\\bin", true, true, true},
             Row{"the programs without the marker", "C:\\Tools\\KavroSwitchConfig\\bin", true, false, false},
#else
             Row{"the Debian package, run as root", "/usr/bin", true, false, false},
             Row{"/usr/bin with a Ports.ini an older version left", "/usr/bin", true, true, false},
             Row{"CMake's default prefix, as root", "/usr/local/bin", true, true, false},
             Row{"cmake --install --prefix /opt/kavro, as root", "/opt/kavro/bin", true, true, false},
             Row{"/bin, a link to /usr/bin", "/bin", true, true, false},
             Row{"a folder named usr in a home", "/home/tech/usr/bin", true, true, true},
             Row{"a folder whose name begins with usr", "/usrlocal/bin", true, true, true},
             Row{"a build folder", "/home/tech/kavro/build/gui/", true, true, true},
             Row{"a build folder the user cannot write", "/home/tech/kavro/build/gui", false, true, false},
             Row{"installed with --prefix ~/.local", "/home/tech/.local/bin", true, false, false},
#endif
         })
        EXPECT_EQ(IsPortable({row.folder, row.writable, row.saysPortable}, SystemProgramFolders()), row.portable)
            << row.name;
}

// A port that is there but refused: the message names the device's mode,
// owner and group, and gives the one remedy that applies to what the
// device allows and what the user's groups are, now and at the next login.
TEST(PortProblems, ARefusedPortGetsTheRemedyThatApplies) {
    // A device as the system describes it to the user tech: mode, owner and group; whether the group list
    // counts tech in the group, and whether this login has it yet.
    const auto device = [](unsigned mode, const char* group, bool inGroup, bool inLogin, const char* owner = "root") {
        return DeviceAccess{.user = "tech", .serialGroup = "dialout", .known = true, .location = "/dev/ttyS0",
                            .owner = owner, .group = group, .mode = mode, .userOwnsIt = owner == std::string("tech"),
                            .userInGroup = inGroup, .loginHasGroup = inLogin};
    };
    DeviceAccess asRoot = device(0660, "dialout", false, false), unknown{.user = "tech", .serialGroup = "uucp"};
    asRoot.user = "root", asRoot.superuser = true;
    const std::string elsewhere = "so the refusal comes from elsewhere: a security policy";
    struct Row { const char* name; DeviceAccess access; std::vector<std::string> says, never; };
    for (const Row& row : {
             Row{"open to root alone, tech in dialout already", device(0600, "root", true, true),
                 {"(crw------- root root)", "Only its owner root may read and write it, so joining a group does not help",
                  "sudo chgrp dialout /dev/ttyS0 && sudo chmod 660 /dev/ttyS0", "GROUP=\"dialout\", MODE=\"0660\""},
                 {"usermod", "log out"}},
             Row{"tech not in the device's group", device(0660, "dialout", false, false),
                 {"(crw-rw---- root dialout)",
                  "Add tech to that group (sudo usermod -aG dialout tech), then log out and in again."},
                 {"chgrp", "elsewhere"}},
             Row{"the group of another distribution", device(0660, "uucp", false, false), {"sudo usermod -aG uucp tech"}, {"dialout"}},
             Row{"tech added, this login older", device(0660, "dialout", true, false),
                 {"The user tech is in its group \"dialout\", but this login began before tech was added: log out and in again"},
                 {"usermod", "chgrp"}},
             Row{"tech in the group, this login has it", device(0660, "dialout", true, true),
                 {"The user tech is in its group \"dialout\" and this login has it, " + elsewhere, "getfacl /dev/ttyS0"},
                 {"usermod", "log out", "chgrp"}},
             Row{"the group may only read", device(0640, "dialout", true, true),
                 {"(crw-r----- root dialout)", "Only its owner root may read and write it"}, {"usermod", "log out"}},
             Row{"root's group is never to be joined", device(0660, "root", false, false),
                 {"Only its owner root and the group root may read and write it, so joining a group does not help"},
                 {"usermod"}},
             Row{"open to nobody", device(0000, "dialout", false, false),
                 {"(c--------- root dialout)", "Nobody may read and write it"}, {"usermod"}},
             Row{"open to every user", device(0666, "dialout", false, false),
                 {"(crw-rw-rw- root dialout)", "Every user may read and write it, " + elsewhere}, {"usermod"}},
             Row{"tech's own device, without read and write", device(0400, "dialout", false, false, "tech"),
                 {"(cr-------- tech dialout)", "chmod u+rw /dev/ttyS0"}, {"usermod", "chgrp"}},
             Row{"tech's own device, open to tech", device(0600, "dialout", false, false, "tech"),
                 {"The user tech owns it and may read and write it, " + elsewhere}, {"usermod"}},
             Row{"root refused", asRoot, {"the user root is not allowed", "root may open any device, " + elsewhere},
                 {"usermod"}},
             Row{"the device could not be looked at", unknown,
                 {"the user tech is not allowed to open it.", "Add tech to it (sudo usermod -aG uucp tech)"}, {"(c"}},
             Row{"nobody named", {}, {"this user is not allowed", "Add your user to it (sudo usermod -aG dialout $USER)"},
                 {}},
         }) {
        const PortProblem told = DescribeOpenFailure("port 1 (/dev/ttyS0)", {OpenStatus::PermissionDenied, {}, {}, row.access});
        const std::string text = told.what + ". " + told.remedy;
        EXPECT_EQ(told.what.rfind("port 1 (/dev/ttyS0) exists, but the user ", 0) == 0, !row.access.user.empty()) << row.name;
        for (const std::string& piece : row.says) EXPECT_NE(text.find(piece), std::string::npos) << row.name << ": " << text;
        for (const std::string& piece : row.never) EXPECT_EQ(text.find(piece), std::string::npos) << row.name << ": " << text;
    }
}

}  // namespace
}  // namespace kavro
