// The "Comm Port Selection" window and Ports.ini after start-up.

#include <gtest/gtest.h>

#include <algorithm>

#include "buslink/comm_port_selection.h"
#include "buslink/ports_ini.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

// A main window stand-in that keeps its port choice in a real Ports.ini.
struct Owner : PortChoiceOwner {
    std::array<bool, 17> availablePorts() override { return available; }
    int currentPort() const override { return current; }
    void setCurrentPort(int p) override { current = p; }
    void rememberPort() override { WritePortsIni(ini, current, device); }
    bool mainWindowVisible() const override { return visible; }
    std::string chosenDevice() const override { return device; }
    void setChosenDevice(const std::string& d) override { device = d; }
    std::vector<SystemPort> systemPorts() override { return present; }

    test::TempFolder folder;
    fs::path ini = folder / "Ports.ini";
    std::array<bool, 17> available{};
    int current = 1;
    std::string device;
    std::vector<SystemPort> present;
    bool visible = true;
};

TEST(portSelection, ChoosingANumberedPort) {
    // pick: the entry chosen, -1 keeps what is selected; written: Ports.ini
    // afterwards, nullptr for none; device: what the window shows (Linux).
    struct Row {
        const char* name;
        std::vector<int> available;
        int current;
        bool mainWindowShown;  // false: during start-up
        int pick;
        const char *written, *device;
    };
    for (const Row& row : {
             Row{"the current port again: nothing written, nothing said", {1, 3}, 3, true, -1, nullptr, "/dev/ttyS2"},
             Row{"another port after start-up: written, with a note", {1, 3}, 3, true, 0, "1\r\n", "/dev/ttyS0"},
             Row{"another port during start-up: written, no note", {1, 3}, 3, false, 0, "1\r\n", "/dev/ttyS0"},
             Row{"the current port missing: nothing selected at first", {5, 13}, 4, true, 0, "5\r\n", "/dev/ttyUSB0"},
             Row{"a USB modem-class adapter", {5, 13}, 13, true, -1, nullptr, "/dev/ttyACM0"},
         }) {
        Owner owner;
        for (int p : row.available) owner.available[p] = true;
        owner.current = row.current;
        owner.visible = row.mainWindowShown;
        test::ScriptedUi ui;
        CommPortSelection window(owner, ui, DeviceForPort);
        window.open();
        std::vector<std::string> listed;
        for (int p : row.available) listed.push_back(std::to_string(p));
        EXPECT_EQ(window.entries(), listed) << row.name;
        const auto current = std::find(row.available.begin(), row.available.end(), row.current);
        const bool listedNow = current != row.available.end();
        EXPECT_EQ(window.selectedPosition(), listedNow ? current - row.available.begin() : -1) << row.name;
        EXPECT_EQ(window.changePortEnabled(), listedNow) << row.name;

        window.selectEntry(row.pick);
#ifndef _WIN32
        EXPECT_EQ(window.selectedDevice(), row.device) << row.name;
#endif
        window.changePort();
        EXPECT_FALSE(window.isOpen()) << row.name;
        EXPECT_EQ(owner.current, row.pick >= 0 ? row.available[row.pick] : row.current) << row.name;
        EXPECT_EQ(fs::exists(owner.ini), row.written != nullptr) << row.name;
        EXPECT_EQ(test::ReadFile(owner.ini), row.written ? row.written : "") << row.name;
        const bool noted = row.written && row.mainWindowShown;
        ASSERT_EQ(ui.messages.size(), noted ? 1u : 0u) << row.name;
        if (noted) {
            EXPECT_EQ(ui.messages[0].text, "Please be aware that these COM Port changes will take affect the next "
                                           "time this program is executed.");
            EXPECT_EQ(ui.messages[0].title, "Comm Port Selection");
        }
    }
}

// Beside the numbers, the ports the system reports now: one outside the
// numbered table is chosen by its device, which Ports.ini keeps on a second
// line under the number chosen last.
TEST(portSelection, APortPresentOutsideTheTableIsChosenByItsDevice) {
    Owner owner;
    owner.available[1] = owner.available[5] = true;
    owner.present = {{DeviceForPort(5), "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001},
                     {"/dev/ttyUSB9", "CP2102 USB to UART", "Silicon Labs", "", 0x10C4, 0xEA60}};
    test::ScriptedUi ui;
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
    ASSERT_EQ(window.systemPorts().size(), 2u);
    EXPECT_EQ(DescribeSystemPort(window.systemPorts()[0]), "FT232R USB UART, FTDI, USB 0403:6001, serial A12345");

    window.selectSystemPort(0);  // port 5's device: its number is chosen
    EXPECT_EQ(window.selectedPosition(), 1);
    window.selectSystemPort(1);
    EXPECT_EQ(window.selectedPosition(), -1);
    EXPECT_EQ(window.selectedDevice(), "/dev/ttyUSB9");
    window.changePort();
    EXPECT_EQ(owner.device, "/dev/ttyUSB9");
    EXPECT_EQ(owner.current, 1);
    EXPECT_EQ(test::ReadFile(owner.ini), "1\r\n/dev/ttyUSB9\r\n");

    window.open();  // opened again: the device is preselected
    EXPECT_EQ(window.selectedSystemPort(), 1);
    window.selectEntry(1);  // back to a number: the device line goes
    window.changePort();
    EXPECT_EQ(test::ReadFile(owner.ini), "5\r\n");
}

// Files of the older tool and ours read each other: the older one reads the
// first field only. A value that names no port from 1 to 16 means port 1.
TEST(PortsIni, ReadsTheNumberAndTheDeviceLine) {
    struct Row {
        const char *name, *content, *firstField, *device;
        int port;
    };
    test::TempFolder folder;
    for (const Row& row : {
             Row{"written by the older tool", "3\r\n", "3", "", 3},
             Row{"a device on the second line", "5\r\n/dev/ttyUSB9\r\n", "5", "/dev/ttyUSB9", 5},
             Row{"quoted, with a comma, LF only", " \"7\",x\nCOM17\n", "7", "COM17", 7},
             Row{"no line end", "12", "12", "", 12},
             Row{"leading and trailing spaces", "  16 ,2\r\n", "16", "", 16},
             Row{"halves round to even, down", "2.5\r\n", "2.5", "", 2},
             Row{"halves round to even, up", "3.5\r\n", "3.5", "", 4},
             Row{"port 0", "0\r\n", "0", "", 1},
             Row{"port 17", "17\r\n", "17", "", 1},
             Row{"negative", "-3\r\n", "-3", "", 1},
             Row{"a word", "word\r\n", "word", "", 1},
             Row{"a number and more", "3x\r\n", "3x", "", 1},
             Row{"an empty file", "", "", "", 1},
             Row{"too large for 16 bits", "32768\r\n", "32768", "", 1},
             Row{"far too large", "99999999999999999999\r\n", "99999999999999999999", "", 1},
         }) {
        test::WriteFile(folder / "Ports.ini", row.content);
        const auto read = ReadPortsIni(folder / "Ports.ini");
        ASSERT_TRUE(read) << row.name;
        EXPECT_EQ(read->firstField, row.firstField) << row.name;
        EXPECT_EQ(read->device, row.device) << row.name;
        EXPECT_EQ(PortFromCandidate(read->firstField), row.port) << row.name;
    }
    EXPECT_FALSE(ReadPortsIni(folder / "none.ini"));
    EXPECT_FALSE(WritePortsIni(folder / "no-such-folder" / "Ports.ini", 3));
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
    EXPECT_FALSE(fs::exists(places.user)) << "no copy for the user when beside works";
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(base / "program"), {}), std::vector{places.beside})
        << "no test file left beside the program";

    ASSERT_TRUE(StorePortsIni(readOnly, 9));
    EXPECT_EQ(ReadPortsIni(places.user)->firstField, "9") << "the user's folder is made and used";
    EXPECT_EQ(PortsIniToRead(places), places.user) << "the later choice wins";
    EXPECT_FALSE(StorePortsIni({base / "absent" / "Ports.ini", {}}, 2)) << "nowhere to write";
}

}  // namespace
}  // namespace kavro
