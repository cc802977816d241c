// The "Comm Port Selection" window and Ports.ini after start-up.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "buslink/comm_port_selection.h"
#include "buslink/ports_ini.h"
#include "support/scripted_ui.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;

// A main window stand-in that keeps its port choice in a real Ports.ini.
class Owner : public PortChoiceOwner {
public:
    explicit Owner(fs::path ini) : ini_(std::move(ini)) {}
    std::array<bool, 17> availablePorts() override { return available; }
    int currentPort() const override { return current; }
    void setCurrentPort(int p) override { current = p; }
    void rememberPort() override {
        ++writes;
        WritePortsIni(ini_, current, device);
    }
    bool mainWindowVisible() const override { return visible; }
    std::string chosenDevice() const override { return device; }
    void setChosenDevice(const std::string& d) override { device = d; }
    std::vector<SystemPort> systemPorts() override { return present; }

    std::array<bool, 17> available{};
    int current = 1;
    std::string device;
    std::vector<SystemPort> present;
    bool visible = true;
    int writes = 0;

private:
    fs::path ini_;
};

class portSelection : public ::testing::Test {
protected:
    portSelection() {
        folder = fs::temp_directory_path() /
                 ("kavro-selection-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(folder);
        ini = folder / "Ports.ini";
    }
    ~portSelection() override { fs::remove_all(folder); }

    std::string Ini() {
        std::ifstream in(ini, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path folder, ini;
    ScriptedUi ui;
};

TEST_F(portSelection, ListsAvailablePortsAscendingWithTheCurrentOneSelected) {
    Owner owner(ini);
    owner.available[1] = owner.available[3] = true;
    owner.current = 3;
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
    EXPECT_EQ(window.entries(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(window.selectedPosition(), 1);
    EXPECT_TRUE(window.changePortEnabled());
}

TEST_F(portSelection, ChoosingTheCurrentPortWritesNothingAndSaysNothing) {
    Owner owner(ini);
    owner.available[1] = owner.available[3] = true;
    owner.current = 3;
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
    window.changePort();
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(owner.writes, 0);
    EXPECT_FALSE(fs::exists(ini));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(portSelection, ChoosingAnotherPortAfterStartupRewritesPortsIniAndWarns) {
    Owner owner(ini);
    owner.available[1] = owner.available[3] = true;
    owner.current = 3;
    WritePortsIni(ini, 3);
    std::filesystem::remove(ini);  // deleted while the program runs: written anew
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
    window.selectEntry(0);
    window.changePort();
    EXPECT_EQ(owner.current, 1);
    EXPECT_EQ(Ini(), "1\r\n");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Please be aware that these COM Port changes will take affect the next time this program is executed.");
    EXPECT_EQ(ui.messages[0].title, "Comm Port Selection");
}


TEST_F(portSelection, ShowsTheDeviceBehindTheSelectedNumber) {
    Owner owner(ini);
    owner.available[5] = owner.available[13] = true;
    owner.current = 13;
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
#ifdef _WIN32
    EXPECT_EQ(window.selectedDevice(), "COM13");
#else
    EXPECT_EQ(window.selectedDevice(), "/dev/ttyACM0");
    window.selectEntry(0);
    EXPECT_EQ(window.selectedDevice(), "/dev/ttyUSB0");
#endif
}

// Beside the numbers, the ports the system reports now: one outside the
// numbered table is chosen by its device, which Ports.ini keeps on a second
// line under the number chosen last.
TEST_F(portSelection, APortPresentOutsideTheTableIsChosenByItsDevice) {
    Owner owner(ini);
    owner.available[1] = owner.available[5] = true;
    owner.current = 1;
    owner.present = {{DeviceForPort(5), "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001},
                     {"/dev/ttyUSB9", "CP2102 USB to UART", "Silicon Labs", "", 0x10C4, 0xEA60}};
    CommPortSelection window(owner, ui, DeviceForPort);
    window.open();
    ASSERT_EQ(window.systemPorts().size(), 2u);
    EXPECT_EQ(DescribeSystemPort(window.systemPorts()[0]), "FT232R USB UART, FTDI, USB 0403:6001, serial A12345");

    window.selectSystemPort(0);  // port 5's device: its number is chosen
    ASSERT_EQ(window.selectedPosition(), 1);
    EXPECT_EQ(window.entries()[1], "5");
    window.selectSystemPort(1);
    EXPECT_EQ(window.selectedPosition(), -1);
    EXPECT_EQ(window.selectedDevice(), "/dev/ttyUSB9");
    window.changePort();
    EXPECT_EQ(owner.device, "/dev/ttyUSB9");
    EXPECT_EQ(owner.current, 1);
    EXPECT_EQ(Ini(), "1\r\n/dev/ttyUSB9\r\n");
    EXPECT_EQ(ui.messages.size(), 1u);

    window.open();  // opened again: the device is preselected
    EXPECT_EQ(window.selectedSystemPort(), 1);
    window.selectEntry(1);  // back to a number: the device line goes
    window.changePort();
    EXPECT_EQ(Ini(), "5\r\n");
}

// files of the older tool and ours read each other: the older one reads
// the first field only.
TEST(PortsIni, ReadsTheNumberAndTheDeviceLine) {
    const fs::path file = fs::temp_directory_path() / "kavro-ports-ini";
    struct Row {
        const char* name;
        const char* content;
        const char* firstField;
        const char* device;
    };
    for (const Row& row : {Row{"written by the older tool", "3\r\n", "3", ""},
                           Row{"a device on the second line", "5\r\n/dev/ttyUSB9\r\n", "5", "/dev/ttyUSB9"},
                           Row{"quoted, with a comma, LF only", " \"7\",x\nCOM17\n", "7", "COM17"},
                           Row{"no line end", "12", "12", ""}}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << row.content;
        const auto read = ReadPortsIni(file);
        ASSERT_TRUE(read) << row.name;
        EXPECT_EQ(read->firstField, row.firstField) << row.name;
        EXPECT_EQ(read->device, row.device) << row.name;
    }
    fs::remove(file);
}

// Where Ports.ini is read and written. The program's folder may be read-only
// (an installed program): a file provisioned there is read, and a choice
// that cannot be written there goes to the user's folder, which wins from
// then on. Nothing is written merely to find out.
TEST(PortsIniPlaces, ReadBesideTheProgramWriteWhereItWorks) {
    const fs::path base = fs::temp_directory_path() / "kavro-places";
    fs::remove_all(base);
    fs::create_directories(base / "program");
    const PortsIniPlaces places{base / "program" / "Ports.ini", base / "user" / "KavroSwitch" / "Ports.ini"};
    const PortsIniPlaces readOnly{base / "absent" / "Ports.ini", places.user};  // cannot be written

    EXPECT_EQ(PortsIniToRead(places), places.beside) << "nothing anywhere yet";
    ASSERT_TRUE(StorePortsIni(places, 4));
    EXPECT_EQ(ReadPortsIni(PortsIniToRead(places))->firstField, "4") << "written beside the program";
    EXPECT_FALSE(fs::exists(places.user)) << "no copy for the user when beside works";
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(base / "program"), {}),
              std::vector<fs::path>{places.beside}) << "no test file left beside the program";

    ASSERT_TRUE(StorePortsIni(readOnly, 9));
    EXPECT_EQ(ReadPortsIni(places.user)->firstField, "9") << "the user's folder is made and used";
    EXPECT_EQ(PortsIniToRead(places), places.user) << "the later choice wins";
    EXPECT_FALSE(StorePortsIni({base / "absent" / "Ports.ini", {}}, 2)) << "nowhere to write";
    fs::remove_all(base);
}

TEST(PortsIni, WriteFailureIsReported) {
    EXPECT_FALSE(WritePortsIni(fs::temp_directory_path() / "kavro-no-such-folder" / "Ports.ini", 3));
}

}  // namespace
}  // namespace kavro
