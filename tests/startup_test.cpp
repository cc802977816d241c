// Start-up and shutdown of the main window: the port probe, Ports.ini, the
// choice of port, opening it, and the way out when there is none.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "buslink/ports_ini.h"
#include "shell/application.h"
#include "simulator/simulated_serial_port.h"
#include "support/scripted_port.h"
#include "support/scripted_ui.h"
#include "simulator/virtual_pump.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using test::ScriptedPort;
using test::ScriptedUi;

std::string Device(int n) { return "/dev/testport" + std::to_string(n); }

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Startup : public ::testing::Test {
protected:
    Startup() {
        folder = fs::temp_directory_path() /
                 ("kavro-startup-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        ini = folder / "Ports.ini";
        for (int i = 1; i <= 16; ++i) devices[Device(i)] = {OpenStatus::NotFound, "No such file or directory"};
    }
    ~Startup() override { fs::remove_all(folder); }

    void Exists(std::initializer_list<int> ports) {
        for (int p : ports) devices[Device(p)] = {OpenStatus::Opened, {}};
    }
    void WriteIni(const std::string& content) { std::ofstream(ini, std::ios::binary) << content; }

    std::unique_ptr<Application> Make(StartOptions options = {}, bool withSimulator = true) {
        ShellEnvironment env;
        env.pump = &pump;
        env.ui = &ui;
        env.hardwarePort = [this] {
            auto port = std::make_unique<ScriptedPort>(pump);
            port->openResults = devices;
            if (!mainPort) mainPort = port.get();  // the first adapter is the main window's
            return port;
        };
        if (withSimulator)
            env.simulatedPort = [this] {
                ++simulatorsMade;
                return std::make_unique<SimulatedSerialPort>(std::make_shared<SimulatedSwitch>(), pump, false);
            };
        env.portsIni = {ini, folder / "user" / "Ports.ini"};
        env.devices = Device;
        env.version = {3, 1, 1};
        return std::make_unique<Application>(env, options);
    }

    fs::path folder, ini;
    std::map<std::string, OpenResult> devices;
    VirtualPump pump;
    ScriptedUi ui;
    ScriptedPort* mainPort = nullptr;
    int simulatorsMade = 0;
};

TEST(Title, VersionWithAndWithoutRevision) {
    EXPECT_EQ(VersionedTitle(Application::kCaption, {3, 1, 1}), "Kavro Smart Switch Configuration  -  Version 3.1.1");
    EXPECT_EQ(VersionedTitle(Application::kCaption, {3, 1, 0}), "Kavro Smart Switch Configuration  -  Version 3.1");
    EXPECT_EQ(VersionedTitle("Diagnostic", {3, 1, 1}), "Diagnostic  -  Version 3.1.1");
}

TEST_F(Startup, NoPortsIniCreatesOneHoldingOneAndUsesPortOne) {
    Exists({1});
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_EQ(ReadFile(ini), "1\r\n");
    EXPECT_EQ(form->currentPort(), 1);
    EXPECT_TRUE(form->port().isOpen());
    EXPECT_EQ(form->port().portName(), Device(1));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->title, "Kavro Smart Switch Configuration  -  Version 3.1.1");
    EXPECT_EQ(form->diagnostic.title(), "Diagnostic  -  Version 3.1.1");
}

TEST_F(Startup, OpensWithTheBusSettingsAndEmptiesTheBuffers) {
    Exists({2});
    WriteIni("2\r\n");
    auto form = Make();
    form->start();
    EXPECT_EQ(mainPort->settings, "4800,O,8,1");
    EXPECT_TRUE(mainPort->handshakeSet);
    EXPECT_EQ(mainPort->openedNames.back(), Device(2));
    EXPECT_GE(mainPort->inputClears, 1);
    EXPECT_GE(mainPort->outputClears, 1);
    EXPECT_FALSE(mainPort->rts);  // RTS stays as the port left it until the first frame
    EXPECT_TRUE(pump.replyTimerRunning());
}

TEST_F(Startup, InvalidPortsIniValuesMeanPortOneAndTheFileStays) {
    Exists({1});
    for (const std::string content : {"0\r\n", "17\r\n", "\r\n", "", "word\r\n", "70000\r\n", "-3\r\n", "3x\r\n"}) {
        WriteIni(content);
        auto form = Make();
        form->start();
        EXPECT_EQ(form->currentPort(), 1) << "content: " << content;
        EXPECT_EQ(ReadFile(ini), content) << "rewritten: " << content;
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(Startup, PortsIniFirstFieldRules) {
    EXPECT_EQ(FirstField("  7\r\n"), "7");
    EXPECT_EQ(FirstField("\"12\"\r\n"), "12");
    EXPECT_EQ(FirstField("5,9\r\n"), "5");
    EXPECT_EQ(FirstField("3"), "3");
    EXPECT_EQ(PortFromCandidate("16"), 16);
    EXPECT_EQ(PortFromCandidate("2.5"), 2);  // halves round to even
    EXPECT_EQ(PortFromCandidate("3.5"), 4);
    EXPECT_EQ(PortFromCandidate("32768"), 1);
    EXPECT_EQ(PortFromCandidate("99999999999999999999"), 1);
}

TEST_F(Startup, MissingPortAsksThenListsOnlyTheProbedPortsAndOpensTheChoice) {
    Exists({2, 5, 9});
    WriteIni("4\r\n");
    ui.selectionScript.push_back(ScriptedUi::Choose("5"));
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);

    ASSERT_EQ(ui.messages.size(), 1u);  // no "next start" note during start-up
    EXPECT_EQ(ui.messages[0].text, Application::kInactivePortMessage);
    ASSERT_EQ(ui.selectionShown, 1);
    EXPECT_TRUE(ui.selectionWasModal[0]);
    EXPECT_EQ(ui.listsSeen[0], (std::vector<std::string>{"2", "5", "9"}));
    EXPECT_FALSE(ui.enabledAtOpen[0]);  // nothing selected: the current port is missing
    EXPECT_EQ(form->currentPort(), 5);
    EXPECT_EQ(ReadFile(ini), "5\r\n");
    EXPECT_EQ(form->port().portName(), Device(5));
    EXPECT_TRUE(form->port().isOpen());
}

TEST_F(Startup, TimerIsStoppedWhileTheUserChooses) {
    Exists({2});
    WriteIni("4\r\n");
    bool timerRanDuringChoice = true;
    ui.selectionScript.push_back([&](CommPortSelection& w) {
        timerRanDuringChoice = pump.replyTimerRunning();
        ScriptedUi::Choose("2")(w);
    });
    auto form = Make();
    form->start();
    EXPECT_FALSE(timerRanDuringChoice);
    EXPECT_TRUE(pump.replyTimerRunning());
}

TEST_F(Startup, CancelOffersAWayOutAndQuitEndsStartup) {
    Exists({2});
    WriteIni("4\r\n");
    ui.noPortAnswers = {NoPortChoice::Quit};
    auto form = Make();
    EXPECT_EQ(form->start(), Application::StartResult::Quit);
    EXPECT_EQ(ui.selectionShown, 1);
    ASSERT_EQ(ui.noPortQuestions.size(), 1u);
    EXPECT_TRUE(ui.simulatorOffered[0]);
    EXPECT_EQ(ReadFile(ini), "4\r\n");
    EXPECT_FALSE(form->port().isOpen());
}

TEST_F(Startup, ChoosingAgainAfterACancelRepeatsTheMessage) {
    Exists({2});
    WriteIni("4\r\n");
    ui.noPortAnswers = {NoPortChoice::ChooseAgain};
    ui.selectionScript.push_back([](CommPortSelection& w) { w.cancel(); });
    ui.selectionScript.push_back(ScriptedUi::Choose("2"));
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_EQ(ui.selectionShown, 2);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(form->port().portName(), Device(2));
}

TEST_F(Startup, NoPortsAtAllCanContinueWithTheSimulatedSwitch) {
    ui.noPortAnswers = {NoPortChoice::UseSimulator};
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_TRUE(ui.listsSeen[0].empty());
    EXPECT_TRUE(form->usingSimulator());
    EXPECT_EQ(simulatorsMade, 1);
    EXPECT_TRUE(form->port().isOpen());
    EXPECT_EQ(&form->bus.port(), &form->port());
}

TEST_F(Startup, WithoutASimulatorTheWayOutIsOnlyQuit) {
    ui.noPortAnswers = {NoPortChoice::UseSimulator, NoPortChoice::Quit};
    auto form = Make({}, false);
    EXPECT_EQ(form->start(), Application::StartResult::Quit);
    EXPECT_FALSE(ui.simulatorOffered[0]);
}

TEST_F(Startup, RefusedPortIsExplainedInPlainWords) {
    Exists({2});
    devices[Device(5)] = {OpenStatus::PermissionDenied, "Permission denied"};
    WriteIni("5\r\n");
    ui.selectionScript.push_back(ScriptedUi::Choose("2"));
    auto form = Make();
    form->start();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("not allowed to open it"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("dialout"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find(Device(5)), std::string::npos);
    EXPECT_EQ(ui.messages[1].text, Application::kInactivePortMessage);
}

TEST_F(Startup, PortThatFailsToOpenAfterTheProbeLeavesTheProgramUsable) {
    Exists({3});
    WriteIni("3\r\n");
    auto form = Make();
    // The probe finds port 3; by the time it is opened for real it is gone.
    mainPort->openResults[Device(3)] = {OpenStatus::NotFound, "No such file or directory"};
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(Device(3)), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("does not exist"), std::string::npos);
    EXPECT_FALSE(form->port().isOpen());
    EXPECT_NE(form->connectionText().find("not open"), std::string::npos);
    EXPECT_TRUE(pump.replyTimerRunning());
}

TEST_F(Startup, DeviceGivenOnTheCommandLineSkipsProbeAndChoice) {
    WriteIni("9\r\n");  // port 9 does not exist; it does not matter
    devices["/dev/pts/7"] = {OpenStatus::Opened, {}};
    StartOptions options;
    options.device = "/dev/pts/7";
    auto form = Make(options);
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_EQ(ui.selectionShown, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(mainPort->openedNames, (std::vector<std::string>{"/dev/pts/7"}));
    EXPECT_TRUE(form->port().isOpen());
    EXPECT_NE(form->connectionText().find("/dev/pts/7"), std::string::npos);
}

TEST_F(Startup, DeviceOnTheCommandLineThatCannotOpenSaysWhy) {
    devices["/dev/ttyUSB3"] = {OpenStatus::PermissionDenied, "Permission denied"};
    StartOptions options;
    options.device = "/dev/ttyUSB3";
    auto form = Make(options);
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("/dev/ttyUSB3"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("dialout"), std::string::npos);
    EXPECT_FALSE(form->port().isOpen());
    EXPECT_NE(form->connectionText().find("not open"), std::string::npos);
}

TEST_F(Startup, SimulatorOptionNeedsNoPortAtAll) {
    StartOptions options;
    options.simulator = true;
    auto form = Make(options);
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_TRUE(form->usingSimulator());
    EXPECT_TRUE(form->port().isOpen());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->connectionText(), "Connected to the simulated switch");
}

TEST_F(Startup, ADeviceRememberedOutsideTheTableIsOpened) {
    Exists({3});
    WriteIni("3\r\n/dev/ttyUSB9\r\n");
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_EQ(form->port().portName(), "/dev/ttyUSB9");
    EXPECT_EQ(form->connectionText(), "/dev/ttyUSB9 open, 4800 baud, odd parity");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Startup, PortsIniBesideTheProgramIsReadAndStartupWritesNothing) {
    Exists({3});
    WriteIni("3\r\n");
    const auto before = fs::last_write_time(ini);
    auto form = Make();
    ASSERT_EQ(form->start(), Application::StartResult::Ready);
    EXPECT_EQ(form->currentPort(), 3);
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(folder), {}), std::vector<fs::path>{ini});
    EXPECT_EQ(fs::last_write_time(ini), before);
}

// "Select Comm" pressed again while its window is open brings that window
// up: the window keeps pointing at the one model it was made for. A port
// chosen there is for the next start; the status names the port in use.
TEST_F(Startup, SelectCommTwiceKeepsItsWindowAndTheStatusNamesThePortInUse) {
    Exists({2, 5});
    WriteIni("2\r\n");
    auto form = Make();
    form->start();
    form->windowShown = true;
    form->selectPort();
    CommPortSelection* open = form->portSelection.get();
    form->selectPort();
    EXPECT_EQ(form->portSelection.get(), open);
    EXPECT_EQ(ui.selectionShown, 2);

    ScriptedUi::Choose("5")(*open);
    EXPECT_EQ(ReadFile(ini), "5\r\n");
    EXPECT_EQ(form->port().portName(), Device(2));
    EXPECT_EQ(form->connectionText(), "Port 2 (" + Device(2) + ") open, 4800 baud, odd parity; port 5 (" +
                                          Device(5) + ") from the next start");
}

TEST_F(Startup, UnloadEmptiesAndClosesThePortAndSaysSoWhenItCannotEmpty) {
    Exists({1});
    auto form = Make();
    form->start();
    const int clearsBefore = mainPort->inputClears;
    form->shutDown();
    EXPECT_GT(mainPort->inputClears, clearsBefore);
    EXPECT_FALSE(mainPort->isOpen());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(pump.replyTimerRunning());

    form->start();
    mainPort->stuckOutput = 3;
    form->shutDown();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error Cleaning Up");
    EXPECT_FALSE(mainPort->isOpen());
}

}  // namespace
}  // namespace kavro
