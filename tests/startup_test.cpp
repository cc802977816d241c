// Start-up and shutdown of the main window: the port probe, Ports.ini, the
// choice of port, opening it, and the way out when there is none.

#include <gtest/gtest.h>

#include "shell/application.h"
#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_port.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUi;
using Result = Application::StartResult;

// The numbered devices, and a device outside the table, as this system names them: Ports.ini takes a second
// line for a device only when it is one.
#ifdef _WIN32
std::string Device(int n) { return "COM" + std::to_string(n); }
const std::string kOutside = "COM17";
#else
std::string Device(int n) { return "/dev/testport" + std::to_string(n); }
const std::string kOutside = "/dev/ttyUSB9";
#endif

// A main window on scripted ports: of ports 1 to 16 only those in `exist`
// are there; Ports.ini, in a temporary folder, holds `iniText` if given.
struct Rig {
    explicit Rig(const std::vector<int>& exist, const char* iniText = nullptr) {
        for (int i = 1; i <= 16; ++i) devices[Device(i)] = {OpenStatus::NotFound, "No such file or directory"};
        for (int p : exist) devices[Device(p)] = {OpenStatus::Opened, {}};
        if (iniText) test::WriteFile(ini, iniText);
    }
    std::unique_ptr<Application> Make(StartOptions options = {}, bool withSimulator = true) {
        ShellEnvironment env{.pump = &pump, .ui = &ui, .portsIni = {ini, provided}, .devices = Device,
                             .systemPorts = [this] { return present; }};
        env.hardwarePort = [this] {
            auto port = std::make_unique<test::ScriptedPort>(pump);
            port->openResults = devices;
            if (!mainPort) mainPort = port.get();  // the first adapter is the main window's
            ++adaptersMade;
            return port;
        };
        if (withSimulator)
            env.simulatedPort = [this] { return std::make_unique<SimulatedSerialPort>(sw, pump, false); };
        return std::make_unique<Application>(env, options);
    }

    test::TempFolder folder;
    const fs::path ini = folder / "Ports.ini", provided = folder / "Provided.ini";
    std::map<std::string, OpenResult> devices;
    std::vector<SystemPort> present;  // the ports the system reports
    VirtualPump pump;
    std::shared_ptr<SimulatedSwitch> sw = std::make_shared<SimulatedSwitch>();
    ScriptedUi ui;
    test::ScriptedPort* mainPort = nullptr;
    int adaptersMade = 0;
};

// Where the remembered port comes from (what a value means: PortsIni in
// port_selection_test.cpp). Ports 1 to 3 exist. Start-up only writes
// Ports.ini when it finds none (" 3" would be rewritten "3").
TEST(Startup, PortsIniChoosesThePort) {
    // own: the program's own file; provided: an administrator's (an installed program's places).
    struct Row { const char *name, *own, *provided; std::string opened; };
    const std::string outside = " 3\r\n" + kOutside + "\r\n", numbered = "1\r\n" + Device(2) + "\r\n";
    for (const Row& row : {
             Row{"no Ports.ini: one holding 1 is made", nullptr, nullptr, Device(1)},
             Row{"the program's own", " 3\r\n", nullptr, Device(3)},
             Row{"the own file wins over the administrator's", " 3\r\n", " 2\r\n", Device(3)},
             Row{"the administrator's, read and not copied", nullptr, " 2\r\n", Device(2)},
             Row{"a device outside the table on the second line", outside.c_str(), nullptr, kOutside},
             Row{"a numbered device on the second line is its number", numbered.c_str(), nullptr, Device(2)},
             Row{"a note on the second line opens no device of its name", "3\r\n; set by IT\r\n", nullptr, Device(3)},
             Row{"a number under a blank first line is no device", "\r\n5\r\n", nullptr, Device(1)},
         }) {
        Rig rig({1, 2, 3}, row.own);
        if (row.provided) test::WriteFile(rig.provided, row.provided);
        auto form = rig.Make();
        ASSERT_EQ(form->start(), Result::Ready) << row.name;
        EXPECT_EQ(form->port().isOpen() ? form->port().portName() : "", row.opened) << row.name;
        EXPECT_TRUE(rig.ui.messages.empty() && rig.ui.selectionShown == 0) << row.name;
        EXPECT_EQ(fs::exists(rig.ini) ? test::ReadFile(rig.ini) : "none", row.own ? row.own : row.provided ? "none" : "1\r\n")
            << row.name;
        EXPECT_EQ(fs::exists(rig.provided) ? test::ReadFile(rig.provided) : "none", row.provided ? row.provided : "none")
            << row.name;
    }
}

// A first start (no Ports.ini anywhere) where the system reports exactly one USB serial adapter takes it, says so
// in the status line until the first command, and remembers it; anything else starts on port 1, as designed.
// Ports 1, 2 and 5 exist; /dev/ttyUSB9 too, outside the numbered table.
TEST(Startup, AFirstStartTakesTheOneUsbAdapterPresent) {
    const SystemPort ftdi{Device(5), "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001},
        outside{"/dev/ttyUSB9", "CP2102 USB to UART", "Silicon Labs", "", 0x10C4, 0xEA60},
        builtIn{Device(2), "ttyS1", "", "", -1, -1};
    struct Row { const char* name; std::vector<SystemPort> present; const char* provided; std::string opened, ini;
                 const char* said; };
    for (const Row& row : {
             Row{"one adapter, port 5", {builtIn, ftdi}, nullptr, Device(5), "5\r\n",
                 "Chosen at this first start as the one USB serial adapter present: FT232R USB UART, FTDI, "
                 "USB 0403:6001, serial A12345 (Select Comm chooses another)"},
             Row{"one adapter outside the table, by its device", {outside}, nullptr, "/dev/ttyUSB9",
                 "1\r\n/dev/ttyUSB9\r\n", "the one USB serial adapter present: CP2102 USB to UART, Silicon Labs"},
             Row{"two adapters: port 1", {ftdi, outside}, nullptr, Device(1), "1\r\n", nullptr},
             Row{"a built-in port only: port 1", {builtIn}, nullptr, Device(1), "1\r\n", nullptr},
             Row{"an administrator's Ports.ini: no first start", {ftdi}, " 2\r\n", Device(2), "none", nullptr},
         }) {
        Rig rig({1, 2, 5});
        rig.devices["/dev/ttyUSB9"] = {OpenStatus::Opened, {}};
        rig.present = row.present;
        if (row.provided) test::WriteFile(rig.provided, row.provided);
        auto form = rig.Make();
        ASSERT_EQ(form->start(), Result::Ready) << row.name;
        EXPECT_TRUE(rig.ui.messages.empty() && rig.ui.selectionShown == 0) << row.name;
        EXPECT_EQ(form->port().isOpen() ? form->port().portName() : "", row.opened) << row.name;
        EXPECT_EQ(fs::exists(rig.ini) ? test::ReadFile(rig.ini) : "none", row.ini) << row.name;
        const std::string status = form->statusText();
        EXPECT_EQ(status.find("Chosen at this first start") != std::string::npos, row.said != nullptr) << status;
        EXPECT_TRUE(!row.said || status.find(row.said) != std::string::npos) << status;
        form->readSwitch();  // the first command: the status line tells how it went instead
        EXPECT_EQ(form->statusText().find("first start"), std::string::npos) << row.name;
    }
}

// Ports.ini names port 4, which cannot be used: the user is asked to choose
// among the ports the probe found, and may cancel to a way out.
TEST(Startup, TheRememberedPortCannotBeUsed) {
    const std::string off = "inactive", simulated = "the simulated switch";
    // picks: each selection window's choice, nullptr to cancel; told: a piece of each message box in turn (off:
    // the port is called inactive; the whole text: designed_texts_test.cpp); opened: the device, the simulated
    // switch or "" for none (the start ends in Quit).
    struct Row { const char* name; std::vector<int> exist; std::vector<const char*> picks;
                 std::deque<NoPortChoice> wayOut; bool simulatorBuiltIn; std::vector<std::string> told;
                 std::string opened; };
    using enum NoPortChoice;
    for (const Row& row : {
             Row{"missing: the ports found are listed", {2, 5, 9}, {"5"}, {}, true, {off}, Device(5)},
             Row{"refused: told why, not called inactive", {2}, {"2"}, {}, true, {Device(4) + ") exists, but"}, Device(2)},
             Row{"cancel, then quit", {2}, {nullptr}, {Quit}, true, {off}, ""},
             Row{"cancel, choose again: told again", {2}, {nullptr, "2"}, {ChooseAgain}, true, {off, off}, Device(2)},
             Row{"no port: the simulated switch", {}, {nullptr}, {UseSimulator}, true, {off}, simulated},
             Row{"no simulator: only quit", {}, {nullptr, nullptr}, {UseSimulator, Quit}, false, {off, off}, ""},
         }) {
        Rig rig(row.exist, "4\r\n");
        // Port 4 is missing, or there but refused where the plain words are expected.
        rig.devices[Device(4)] = {row.told[0] == off ? OpenStatus::NotFound : OpenStatus::PermissionDenied, {}};
        bool timerRanDuringChoice = false;  // the reply timer stops while the user chooses
        for (const char* pick : row.picks)
            rig.ui.selectionScript.push_back([&, pick](CommPortSelection& w) {
                timerRanDuringChoice = timerRanDuringChoice || rig.pump.replyTimerRunning();
                pick ? ScriptedUi::Choose(pick)(w) : w.cancel();
            });
        rig.ui.noPortAnswers = row.wayOut;
        auto form = rig.Make({}, row.simulatorBuiltIn);
        EXPECT_EQ(form->start(), row.opened.empty() ? Result::Quit : Result::Ready) << row.name;
        EXPECT_FALSE(timerRanDuringChoice) << row.name;
        EXPECT_EQ(rig.pump.replyTimerRunning(), !row.opened.empty()) << row.name;
        ASSERT_EQ(rig.ui.messages.size(), row.told.size()) << row.name;
        for (std::size_t i = 0; i < row.told.size(); ++i)
            EXPECT_NE(rig.ui.messages[i].text.find(row.told[i]), std::string::npos) << row.name << " " << i;
        EXPECT_EQ(rig.ui.selectionWasModal, std::vector<bool>(row.picks.size(), true)) << row.name;
        EXPECT_EQ(rig.ui.listsSeen[0].size(), row.exist.size()) << row.name << ": the ports the probe found";
        EXPECT_FALSE(rig.ui.enabledAtOpen[0]) << row.name << ": nothing selected, port 4 is not listed";
        EXPECT_EQ(rig.ui.simulatorOffered, std::vector<bool>(row.wayOut.size(), row.simulatorBuiltIn)) << row.name;
        EXPECT_EQ(form->usingSimulator() ? simulated : form->port().isOpen() ? form->port().portName() : "", row.opened)
            << row.name;
        if (form->usingSimulator()) form->readSwitch();  // the bus uses the port switched to
        EXPECT_TRUE(!form->usingSimulator() || form->lastRead().complete()) << row.name;
        const char* chosen = row.picks.back();
        EXPECT_EQ(test::ReadFile(rig.ini), std::string(chosen ? chosen : "4") + "\r\n") << row.name;
    }
}

// Opening the port, after the probe or without one, at 4800 baud, odd parity, the buffers emptied; a failure is
// told in plain words and leaves the program usable. A port given makes the remembered one (9, missing) irrelevant.
TEST(Startup, OpeningThePort) {
    // option: "--simulator", a device for --port, or none; told: a piece of the one message box; opened: the
    // device named, or "" for the simulator.
    struct Row { const char *name, *option, *told; std::string opened, status; };
    for (const Row& row : {
             Row{"the remembered port 3, gone after the probe", nullptr, "does not exist", Device(3), "not open"},
             Row{"a device given: no probe, no choice", "/dev/pts/7", nullptr, "/dev/pts/7", "7 open"},
             Row{"a device that may not be opened", "/dev/ttyUSB3", "dialout", "/dev/ttyUSB3", "not open"},
             Row{"a device in use", "/dev/ttyUSB4", "in use by another program (minicom)", "/dev/ttyUSB4", "not open"},
             Row{"the simulator needs no port", "--simulator", nullptr, "", "Connected to the simulated switch"},
         }) {
        const bool given = row.option != nullptr;
        StartOptions options{given && row.option == std::string("--simulator")};
        if (given && !options.simulator) options.device = row.option;
        Rig rig({3}, given ? "9\r\n" : "3\r\n");
        rig.devices["/dev/ttyUSB3"] = {OpenStatus::PermissionDenied, "Permission denied"};
        rig.devices["/dev/ttyUSB4"] = {OpenStatus::Busy, "Device or resource busy", "minicom"};
        auto form = rig.Make(options);
        if (!given) rig.mainPort->openResults[Device(3)] = {OpenStatus::NotFound, "No such file or directory"};
        ASSERT_EQ(form->start(), Result::Ready) << row.name;
        EXPECT_EQ(rig.ui.selectionShown, 0) << row.name;
        EXPECT_EQ(rig.adaptersMade, options.device ? 1 : given ? 0 : 2) << row.name << ": the probe's adapter";
        ASSERT_EQ(rig.ui.messages.size(), row.told ? 1u : 0u) << row.name;
        for (const std::string& part : {std::string(row.told ? row.told : ""), row.opened})
            EXPECT_TRUE(!row.told || rig.ui.messages[0].text.find(part) != std::string::npos) << row.name;
        EXPECT_EQ(std::pair(form->port().isOpen(), form->usingSimulator()), std::pair(!row.told, options.simulator))
            << row.name;
        EXPECT_NE(form->connectionText().find(row.status), std::string::npos) << row.name;
        EXPECT_TRUE(rig.pump.replyTimerRunning()) << row.name;
        EXPECT_TRUE(!options.device || form->systemPorts().front().device == row.option) << row.name << ": listed";
        if (!rig.mainPort) continue;  // the simulator
        EXPECT_EQ(rig.mainPort->openedNames, std::vector{row.opened}) << row.name;
        EXPECT_TRUE(rig.mainPort->settings == "4800,O,8,1" && rig.mainPort->handshakeSet) << row.name;
        EXPECT_EQ(rig.mainPort->inputClears + rig.mainPort->outputClears, row.told ? 0 : 2) << row.name;
        EXPECT_FALSE(rig.mainPort->rts) << row.name << ": RTS stays as the port left it until the first frame";
    }
}

// "Select Comm" after start-up: the current port again writes and says
// nothing; another port is for the next start, with a note, and the status
// names the port in use.
TEST(Startup, SelectCommAfterStartupIsForTheNextStart) {
    Rig rig({2, 5}, " 2\r\n");  // as no rewrite leaves it
    auto form = rig.Make();
    form->start();
    form->setWindowShown(true);
    form->selectPort();
    CommPortSelection& window = *form->portSelection();
    EXPECT_EQ(window.entries(), (std::vector<std::string>{"2", "5"}));
    EXPECT_TRUE(window.selectedPosition() == 0 && window.changePortEnabled() && window.selectedDevice() == Device(2));
    window.changePort();
    EXPECT_TRUE(rig.ui.messages.empty() && test::ReadFile(rig.ini) == " 2\r\n" && !window.isOpen());
    form->selectPort();  // a new window; Refresh finds port 5 gone, then back
    for (OpenStatus status : {OpenStatus::NotFound, OpenStatus::Opened}) {
        rig.devices[Device(5)].status = status;
        form->portSelection()->refresh();
        EXPECT_EQ(form->portSelection()->entries().size(), status == OpenStatus::Opened ? 2u : 1u);
    }
    ScriptedUi::Choose("5")(*form->portSelection());
    EXPECT_EQ(test::ReadFile(rig.ini), "5\r\n");
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_NE(rig.ui.messages[0].text.find("next time"), std::string::npos);
    EXPECT_EQ(form->connectionText(), "Port 2 (" + Device(2) + ") open, 4800 baud, odd parity; port 5 (" +
                                          Device(5) + ") from the next start");
}

// Beside the numbers, the ports the system reports now: one outside the
// numbered table is chosen by its device, which Ports.ini keeps on a second
// line under the number chosen last; one with a number, plugged in after
// the probe, is written as its number.
TEST(PortSelection, APortPresentOutsideTheTableIsChosenByItsDevice) {
    Rig rig({1, 5}, "1\r\n");
    rig.present = {{Device(5), "FT232R USB UART", "FTDI", "A12345", 0x0403, 0x6001},
                   {"/dev/ttyUSB9", "CP2102 USB to UART", "Silicon Labs", "", 0x10C4, 0xEA60},
                   {Device(7), "CH340", "QinHeng", "", 0x1A86, 0x7523}};
    auto form = rig.Make();
    form->start();
    form->selectPort();
    CommPortSelection& window = *form->portSelection();
    window.selectSystemPort(0);  // port 5's device: its number is chosen
    EXPECT_EQ(window.selectedPosition(), 1);
    window.selectSystemPort(1);
    EXPECT_EQ(window.selectedPosition(), -1);
    // A device typed is marked in the list of ports present when it is one of them, and by its number if it has one.
    const struct {
        const char* typed;
        int row, position;
    } typedRows[]{{"/dev/ttyUSB9", 1, -1}, {"/dev/ttyUSB8", -1, -1}, {"", -1, -1}};
    for (const auto& row : typedRows) {
        window.typeDevice(row.typed);
        EXPECT_EQ(std::pair(window.selectedSystemPort(), window.selectedPosition()), std::pair(row.row, row.position))
            << row.typed;
    }
    window.typeDevice(Device(5));
    EXPECT_EQ(std::pair(window.selectedSystemPort(), window.selectedPosition()), std::pair(0, 1));
    // A device that is there but refused is explained in the port window's own box, and not taken.
    rig.devices["/dev/ttyUSB8"] = {OpenStatus::PermissionDenied, "Permission denied"};
    window.typeDevice("/dev/ttyUSB8");
    window.changePort();
    ASSERT_FALSE(rig.ui.messages.empty());
    EXPECT_EQ(rig.ui.messages.back().title, "Comm Port Selection");
    EXPECT_NE(rig.ui.messages.back().text.find("/dev/ttyUSB8"), std::string::npos) << rig.ui.messages.back().text;
    EXPECT_EQ(test::ReadFile(rig.ini), "1\r\n");
    window.selectSystemPort(1);
    window.changePort();
    EXPECT_EQ(test::ReadFile(rig.ini), "1\r\n/dev/ttyUSB9\r\n");
    form->selectPort();  // opened again: the device is preselected
    EXPECT_EQ(form->portSelection()->selectedSystemPort(), 1);
    form->portSelection()->selectEntry(1);  // back to a number: the device line goes
    form->portSelection()->changePort();
    EXPECT_EQ(test::ReadFile(rig.ini), "5\r\n");
    rig.devices[Device(7)] = {OpenStatus::Opened, {}};  // plugged in since the probe ran
    form->selectPort();
    form->portSelection()->selectSystemPort(2);  // port 7, missing when the probe ran
    form->portSelection()->changePort();
    EXPECT_EQ(test::ReadFile(rig.ini), "7\r\n");
    EXPECT_NE(form->connectionText().find("port 7 (" + Device(7) + ") from the next start"), std::string::npos);
}

// An adapter pulled out while open is told to the window at once, not at its next command.
TEST(Startup, AnAdapterPulledOutIsToldAtOnce) {
    Rig rig({1});
    auto form = rig.Make();
    form->start();
    int told = 0;
    form->setPortLostObserver([&] { ++told; });
    rig.mainPort->unplug();
    EXPECT_EQ(told, 1);
}

TEST(Startup, UnloadEmptiesAndClosesThePortAndSaysSoWhenItCannotEmpty) {
    Rig rig({1});
    auto form = rig.Make();
    for (int stuck : {0, 3}) {  // bytes the output buffer will not give up
        form->start();
        rig.mainPort->stuckOutput = stuck;
        rig.mainPort->inputClears = 0;
        form->shutDown();
        EXPECT_TRUE(rig.mainPort->inputClears > 0 && !rig.mainPort->isOpen() && !rig.pump.replyTimerRunning()) << stuck;
        EXPECT_EQ(rig.ui.messages.size(), stuck ? 1u : 0u) << stuck;  // what it says: designed_texts_test.cpp
    }
}

}  // namespace
}  // namespace kavro
