// Start-up and shutdown of the main window: the port probe, Ports.ini, the
// choice of port, opening it, and the way out when there is none.

#include <gtest/gtest.h>

#include <chrono>

#include "shell/application.h"
#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_port.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using test::ScriptedPort;
using test::ScriptedUi;
using Result = Application::StartResult;

std::string Device(int n) { return "/dev/testport" + std::to_string(n); }

// A main window on scripted ports: ports 1 to 16 are missing unless a test
// makes them exist; Ports.ini lives in a temporary folder.
struct Rig {
    Rig() {
        for (int i = 1; i <= 16; ++i) devices[Device(i)] = {OpenStatus::NotFound, "No such file or directory"};
    }
    void Exists(const std::vector<int>& ports) {
        for (int p : ports) devices[Device(p)] = {OpenStatus::Opened, {}};
    }
    std::unique_ptr<Application> Make(StartOptions options = {}, bool withSimulator = true) {
        ShellEnvironment env;
        env.pump = &pump;
        env.ui = &ui;
        env.hardwarePort = [this] {
            auto port = std::make_unique<ScriptedPort>(pump);
            port->openResults = devices;
            if (!mainPort) mainPort = port.get();  // the first adapter is the main window's
            ++adaptersMade;
            return port;
        };
        if (withSimulator)
            env.simulatedPort = [this] {
                return std::make_unique<SimulatedSerialPort>(std::make_shared<SimulatedSwitch>(), pump, false);
            };
        env.portsIni = {ini, userIni};
        env.devices = Device;
        return std::make_unique<Application>(env, options);
    }

    test::TempFolder folder;
    const fs::path ini = folder / "Ports.ini", userIni = folder.path() / "user" / "Ports.ini";
    std::map<std::string, OpenResult> devices;
    VirtualPump pump;
    ScriptedUi ui;
    ScriptedPort* mainPort = nullptr;
    int adaptersMade = 0;
};

TEST(Title, VersionWithAndWithoutRevision) {
    EXPECT_EQ(VersionedTitle(Application::kCaption, {3, 1, 1}), "Kavro Smart Switch Configuration  -  Version 3.1.1");
    EXPECT_EQ(VersionedTitle(Application::kCaption, {3, 1, 0}), "Kavro Smart Switch Configuration  -  Version 3.1");
    EXPECT_EQ(VersionedTitle("Diagnostic", {3, 1, 1}), "Diagnostic  -  Version 3.1.1");
}

// Where the remembered port comes from (what a value means: PortsIni in
// port_selection_test.cpp). Ports 1 to 3 exist. Start-up only writes
// Ports.ini when there is none.
TEST(Startup, PortsIniChoosesThePort) {
    struct Row {
        const char* name;
        std::optional<std::string> beside, user;  // the file beside the program, the user's copy
        std::string opened;
        const char* besideAfter;  // nullptr: as it was
    };
    for (const Row& row : {
             Row{"no Ports.ini: one holding 1 is made beside the program", {}, {}, Device(1), "1\r\n"},
             Row{"beside the program", "3\r\n", {}, Device(3), nullptr},
             Row{"the user's copy wins", "3\r\n", "2\r\n", Device(2), nullptr},
             Row{"a device outside the table on the second line", "3\r\n/dev/ttyUSB9\r\n", {}, "/dev/ttyUSB9", nullptr},
             Row{"a value that names no port: port 1", "word\r\n", {}, Device(1), nullptr},
         }) {
        Rig rig;
        rig.Exists({1, 2, 3});
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
        if (row.beside) test::WriteFile(rig.ini, *row.beside);
        if (row.user) {
            fs::create_directories(rig.userIni.parent_path());
            test::WriteFile(rig.userIni, *row.user);
        }
        if (row.beside) fs::last_write_time(rig.ini, old);
        auto form = rig.Make();
        ASSERT_EQ(form->start(), Result::Ready) << row.name;
        EXPECT_EQ(form->port().portName(), row.opened) << row.name;
        EXPECT_TRUE(form->port().isOpen()) << row.name;
        EXPECT_TRUE(rig.ui.messages.empty()) << row.name;
        EXPECT_EQ(rig.ui.selectionShown, 0) << row.name;
        if (row.besideAfter) {
            EXPECT_EQ(test::ReadFile(rig.ini), row.besideAfter) << row.name;
        } else {
            EXPECT_EQ(test::ReadFile(rig.ini), *row.beside) << row.name;
            EXPECT_EQ(fs::last_write_time(rig.ini), old) << row.name << ": rewritten";
        }
        EXPECT_EQ(fs::exists(rig.userIni), row.user.has_value()) << row.name;
    }
}

// Ports.ini names port 4, which cannot be used: the user is asked to choose
// among the ports the probe found, and may cancel to a way out.
TEST(Startup, TheRememberedPortCannotBeUsed) {
    const std::string inactive = Application::kInactivePortMessage;
    struct Row {
        const char* name;
        std::vector<int> exist;
        OpenStatus port4;
        std::vector<const char*> picks;  // each selection window: the port chosen, nullptr to cancel
        std::deque<NoPortChoice> wayOut;
        bool simulatorBuiltIn;
        Result result;
        std::vector<std::string> told;  // a piece of each message box in turn
        std::string opened;             // "" for none, or the simulated switch
        const char* iniAfter;
    };
    const std::string simulated = "the simulated switch";
    for (const Row& row : {
             Row{"missing: the ports found are listed and the choice opened", {2, 5, 9}, OpenStatus::NotFound, {"5"},
                 {}, true, Result::Ready, {inactive}, Device(5), "5\r\n"},
             Row{"refused: explained in plain words first", {2}, OpenStatus::PermissionDenied, {"2"}, {}, true,
                 Result::Ready, {"not allowed to open it", inactive}, Device(2), "2\r\n"},
             Row{"busy at the probe: listed as inactive, like a missing one", {2}, OpenStatus::busy, {"2"}, {}, true,
                 Result::Ready, {inactive}, Device(2), "2\r\n"},
             Row{"cancel, then quit", {2}, OpenStatus::NotFound, {nullptr}, {NoPortChoice::Quit}, true, Result::Quit,
                 {inactive}, "", "4\r\n"},
             Row{"cancel, then choose again: the message again", {2}, OpenStatus::NotFound, {nullptr, "2"},
                 {NoPortChoice::ChooseAgain}, true, Result::Ready, {inactive, inactive}, Device(2), "2\r\n"},
             Row{"no port at all: continue with the simulated switch", {}, OpenStatus::NotFound, {nullptr},
                 {NoPortChoice::UseSimulator}, true, Result::Ready, {inactive}, simulated, "4\r\n"},
             Row{"no simulator built in: the way out is only quit", {}, OpenStatus::NotFound, {nullptr, nullptr},
                 {NoPortChoice::UseSimulator, NoPortChoice::Quit}, false, Result::Quit, {inactive, inactive}, "",
                 "4\r\n"},
         }) {
        Rig rig;
        rig.Exists(row.exist);
        rig.devices[Device(4)] = {row.port4, {}};
        test::WriteFile(rig.ini, "4\r\n");
        bool timerRanDuringChoice = false;  // the reply timer stops while the user chooses
        for (const char* pick : row.picks)
            rig.ui.selectionScript.push_back([&, pick](CommPortSelection& w) {
                timerRanDuringChoice = timerRanDuringChoice || rig.pump.replyTimerRunning();
                pick ? ScriptedUi::Choose(pick)(w) : w.cancel();
            });
        rig.ui.noPortAnswers = row.wayOut;
        auto form = rig.Make({}, row.simulatorBuiltIn);
        EXPECT_EQ(form->start(), row.result) << row.name;
        EXPECT_FALSE(timerRanDuringChoice) << row.name;
        EXPECT_EQ(rig.pump.replyTimerRunning(), row.result == Result::Ready) << row.name;
        ASSERT_EQ(rig.ui.messages.size(), row.told.size()) << row.name;
        for (std::size_t i = 0; i < row.told.size(); ++i) {
            EXPECT_NE(rig.ui.messages[i].text.find(row.told[i]), std::string::npos) << row.name << " " << i;
            if (row.told[i] != inactive) {
                EXPECT_NE(rig.ui.messages[i].text.find(Device(4)), std::string::npos) << row.name;
            }
        }
        EXPECT_EQ(rig.ui.selectionShown, static_cast<int>(row.picks.size())) << row.name;
        EXPECT_EQ(rig.ui.selectionWasModal, std::vector<bool>(row.picks.size(), true)) << row.name;
        std::vector<std::string> listed;
        for (int p : row.exist) listed.push_back(std::to_string(p));
        EXPECT_EQ(rig.ui.listsSeen[0], listed) << row.name;
        EXPECT_FALSE(rig.ui.enabledAtOpen[0]) << row.name << ": nothing selected, port 4 is not listed";
        EXPECT_EQ(rig.ui.simulatorOffered, std::vector<bool>(row.wayOut.size(), row.simulatorBuiltIn)) << row.name;
        EXPECT_EQ(form->usingSimulator(), row.opened == simulated) << row.name;
        EXPECT_EQ(form->port().isOpen(), !row.opened.empty()) << row.name;
        if (row.opened == simulated) {
            EXPECT_EQ(&form->bus.port(), &form->port()) << row.name;
        } else if (!row.opened.empty()) {
            EXPECT_EQ(form->port().portName(), row.opened) << row.name;
        }
        EXPECT_EQ(test::ReadFile(rig.ini), row.iniAfter) << row.name;
    }
}

// Opening the port for real, after the probe or without one, at 4800 baud,
// odd parity, the buffers emptied; a failure is told in plain words and
// leaves the program usable.
TEST(Startup, OpeningThePort) {
    struct Row {
        const char* name;
        const char* option;  // on the command line: "--simulator", the device for --port, or none
        bool vanishes;       // port 3 is found by the probe, gone when opened
        const char* told;    // a piece of the one message box; nullptr: none
        std::string opened;  // the device named, or "" for the simulator
        std::string status;  // a piece of the status line
    };
    for (const Row& row : {
             Row{"the remembered port opens", nullptr, false, nullptr, Device(3),
                 "Port 3 (" + Device(3) + ") open, 4800 baud, odd parity"},
             Row{"port 3 vanished between the probe and the open", nullptr, true, "does not exist", Device(3),
                 "not open"},
             Row{"a device given: no probe, no choice", "/dev/pts/7", false, nullptr, "/dev/pts/7", "/dev/pts/7 open"},
             Row{"a device given that may not be opened", "/dev/ttyUSB3", false, "dialout", "/dev/ttyUSB3", "not open"},
             Row{"a device given that another program holds", "/dev/ttyUSB4", false,
                 "in use by another program (minicom)", "/dev/ttyUSB4", "not open"},
             Row{"the simulator needs no port", "--simulator", false, nullptr, "", "Connected to the simulated switch"},
         }) {
        StartOptions options;
        options.simulator = row.option && row.option == std::string("--simulator");
        if (row.option && !options.simulator) options.device = row.option;
        Rig rig;
        rig.Exists({3});
        // A port given makes the remembered one irrelevant, even a missing one.
        const bool given = row.option != nullptr;
        test::WriteFile(rig.ini, given ? "9\r\n" : "3\r\n");
        rig.devices["/dev/ttyUSB3"] = {OpenStatus::PermissionDenied, "Permission denied"};
        rig.devices["/dev/ttyUSB4"] = {OpenStatus::busy, "Device or resource busy", "minicom"};
        auto form = rig.Make(options);
        if (row.vanishes) rig.mainPort->openResults[Device(3)] = {OpenStatus::NotFound, "No such file or directory"};
        ASSERT_EQ(form->start(), Result::Ready) << row.name;
        EXPECT_EQ(rig.ui.selectionShown, 0) << row.name;
        EXPECT_EQ(rig.adaptersMade, options.device ? 1 : given ? 0 : 2) << row.name << ": the probe's adapter";
        if (row.told) {
            ASSERT_EQ(rig.ui.messages.size(), 1u) << row.name;
            EXPECT_NE(rig.ui.messages[0].text.find(row.told), std::string::npos) << row.name;
            EXPECT_NE(rig.ui.messages[0].text.find(row.opened), std::string::npos) << row.name;
        } else {
            EXPECT_TRUE(rig.ui.messages.empty()) << row.name;
        }
        EXPECT_EQ(form->port().isOpen(), row.told == nullptr) << row.name;
        EXPECT_EQ(form->usingSimulator(), options.simulator) << row.name;
        EXPECT_NE(form->connectionText().find(row.status), std::string::npos) << row.name;
        EXPECT_TRUE(rig.pump.replyTimerRunning()) << row.name;
        if (!rig.mainPort) continue;  // the simulator
        EXPECT_EQ(rig.mainPort->openedNames, std::vector{row.opened}) << row.name;
        EXPECT_EQ(rig.mainPort->settings, "4800,O,8,1") << row.name;
        EXPECT_TRUE(rig.mainPort->handshakeSet) << row.name;
        EXPECT_EQ(rig.mainPort->inputClears + rig.mainPort->outputClears, row.told ? 0 : 2) << row.name;
        EXPECT_FALSE(rig.mainPort->rts) << row.name << ": RTS stays as the port left it until the first frame";
    }
}

// A port chosen with "Select Comm" after start-up is for the next start;
// the status names the port in use.
TEST(Startup, SelectCommAfterStartupIsForTheNextStart) {
    Rig rig;
    rig.Exists({2, 5});
    test::WriteFile(rig.ini, "2\r\n");
    auto form = rig.Make();
    form->start();
    form->windowShown = true;
    form->selectPort();
    ScriptedUi::Choose("5")(*form->portSelection);
    EXPECT_EQ(test::ReadFile(rig.ini), "5\r\n");
    EXPECT_EQ(form->port().portName(), Device(2));
    EXPECT_EQ(form->connectionText(), "Port 2 (" + Device(2) + ") open, 4800 baud, odd parity; port 5 (" +
                                          Device(5) + ") from the next start");
}

TEST(Startup, UnloadEmptiesAndClosesThePortAndSaysSoWhenItCannotEmpty) {
    Rig rig;
    rig.Exists({1});
    auto form = rig.Make();
    form->start();
    const int clearsBefore = rig.mainPort->inputClears;
    form->shutDown();
    EXPECT_GT(rig.mainPort->inputClears, clearsBefore);
    EXPECT_FALSE(rig.mainPort->isOpen());
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_FALSE(rig.pump.replyTimerRunning());

    form->start();
    rig.mainPort->stuckOutput = 3;
    form->shutDown();
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].text, "Error Cleaning Up");
    EXPECT_FALSE(rig.mainPort->isOpen());
}

}  // namespace
}  // namespace kavro
