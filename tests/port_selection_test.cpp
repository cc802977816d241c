// Ports.ini: what a value means, and where the file is read and written.
// (The "Comm Port Selection" window on the main window: startup_test.cpp.)

#include <gtest/gtest.h>

#include "buslink/ports_ini.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

// Files of the older tool and ours read each other: the older one reads the
// first field only. A value that names no port from 1 to 16 means port 1.
// (The plain number and the device line: PortsIniChoosesThePort in
// startup_test.cpp; every value against a reference: fuzz/ports_ini_fuzzer.cpp.)
TEST(PortsIni, ReadsTheNumberAndTheDeviceLine) {
    struct Row { const char *name, *content, *firstField, *device; int port; };
    test::TempFolder folder;
    for (const Row& row : {
             Row{"quoted, with a comma, LF only", " \"7\",x\nCOM17\n", "7", "COM17", 7},
             Row{"leading and trailing spaces, no line end", "  16 ,2", "16", "", 16},
             Row{"port 17", "17\r\n", "17", "", 1},
         }) {
        test::WriteFile(folder / "Ports.ini", row.content);
        const auto read = ReadPortsIni(folder / "Ports.ini");
        ASSERT_TRUE(read) << row.name;
        EXPECT_EQ(read->firstField + "|" + read->device, row.firstField + std::string("|") + row.device) << row.name;
        EXPECT_EQ(PortFromCandidate(read->firstField), row.port) << row.name;
    }
}

// Where Ports.ini is read and written. The program's folder may be read-only
// (an installed program): a file provisioned there is read, and a choice
// that cannot be written there goes to the user's folder, which wins from
// then on. Nothing is written merely to find out.
TEST(PortsIniPlaces, ReadBesideTheProgramWriteWhereItWorks) {
    test::TempFolder base;
    fs::create_directories(base / "program");
    const PortsIniPlaces places{base / "program" / "Ports.ini", base / "user" / "KavroSwitch" / "Ports.ini"};
    const PortsIniPlaces readOnly{base / "absent" / "Ports.ini", places.user};  // cannot be written
    EXPECT_EQ(PortsIniToRead(places), places.beside) << "nothing anywhere yet";
    ASSERT_TRUE(StorePortsIni(places, 4));
    EXPECT_EQ(ReadPortsIni(PortsIniToRead(places))->firstField, "4") << "written beside the program";
    EXPECT_EQ(std::vector<fs::path>(fs::recursive_directory_iterator(base.path()), {}),
              (std::vector{base / "program", places.beside}))
        << "no test file left beside the program, and no copy for the user";
    ASSERT_TRUE(StorePortsIni(readOnly, 9));
    EXPECT_EQ(ReadPortsIni(places.user)->firstField, "9") << "the user's folder is made and used";
    EXPECT_EQ(PortsIniToRead(places), places.user) << "the later choice wins";
    EXPECT_FALSE(StorePortsIni({base / "absent" / "Ports.ini", {}}, 2)) << "nowhere to write";
}

}  // namespace
}  // namespace kavro
