// kavro-switch-config: the window program.
//   kavro-switch-config               the remembered port (Ports.ini)
//   kavro-switch-config --simulator   the built-in simulated switch
//   kavro-switch-config --port DEV    any device for this run
//   kavro-switch-config FILE          a configuration file loaded at start

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPalette>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <cstdio>
#include <string>

#include "gui/end_on_signal.h"
#include "gui/main_window.h"
#include "gui/parent_console.h"
#include "gui/qt_ui_services.h"
#include "gui/readable_colour.h"
#include "buslink/ports_ini.h"
#include "configfile/file_commands.h"
#include "platform/utf8_path.h"
#include "platform_qt/qt_event_pump.h"
#include "platform_qt/qt_serial_port.h"
#include "platform_qt/system_ports.h"
#include "gui/window_icon.h"
#include "shell/switch_tool.h"
#include "simulator/simulated_serial_port.h"

namespace {

const char* const kHelp =
    "Usage: kavro-switch-config [--simulator | --port DEVICE] [--dark] [FILE]\n"
    "\n"
    "The Kavro Smart Switch configuration window; FILE, a configuration file (.set),\n"
    "is loaded at start as Import Config loads it.\n"
    "\n"
    "  --simulator     work with the built-in simulated switch, no serial port needed\n"
    "  --port DEVICE   use DEVICE (/dev/ttyUSB0, COM3, a pseudo-terminal) for this run\n"
    "  --dark          dark colours, for desktops whose dark theme Qt does not follow\n"
    "  -V, --version   print the version and stop\n"
    "  -h, --help      print this help and stop\n";

// Version and help need no window system: a package check or an ssh
// session without a display asks for them too.
int AnswerWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--version" || word == "-V") {
            kavro::PrintToParentConsole();
            const kavro::Version v = kavro::ProgramVersion();
            std::printf("kavro-switch-config %d.%d.%d\n", v.major, v.minor, v.revision);
            return 0;
        }
        if (word == "--help" || word == "-h") {
            kavro::PrintToParentConsole();
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    return -1;
}

// The options of this run, and the file to load at start (made absolute,
// as the status line names it); false, with the reason printed, for others.
bool ReadOptions(kavro::StartOptions& options, QString& file) {
    QCommandLineParser parser;
    const QCommandLineOption simulatorOption("simulator", "Work with the built-in simulated switch.");
    const QCommandLineOption portOption("port", "Use DEVICE for this run.", "DEVICE");
    const QCommandLineOption darkOption("dark", "Dark colours.");
    parser.addOptions({simulatorOption, portOption, darkOption});
    if (!parser.parse(QApplication::arguments()) || parser.positionalArguments().size() > 1) {
        kavro::PrintToParentConsole();
        std::fprintf(stderr, "kavro-switch-config: %s\n%s",
                     parser.errorText().isEmpty() ? "one file at most" : qPrintable(parser.errorText()), kHelp);
        return false;
    }
    if (!parser.positionalArguments().isEmpty())
        file = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    if (parser.isSet(darkOption)) {
        QApplication::setStyle("Fusion");
        QApplication::setPalette(kavro::DarkPalette());
    }
    QApplication::setStyle(new kavro::ReadableIndicatorStyle(QApplication::style()->name()));
    options.simulator = parser.isSet(simulatorOption);
    if (parser.isSet(portOption)) options.device = parser.value(portOption).toStdString();
    return true;
}

std::filesystem::path Path(const QString& path) { return kavro::PathFromUtf8(path.toStdString()); }

// Where this program keeps Ports.ini (buslink/ports_ini.h): beside itself
// in a portable copy, a folder that says so; installed anywhere else, in
// the user's configuration folder, over the administrator's file in the
// system's (the first KavroSwitch/Ports.ini along $XDG_CONFIG_DIRS,
// /etc/xdg on Linux; %PROGRAMDATA% on Windows).
kavro::PortsIniPlaces PortsIniPlacesOfThisProgram() {
    const QString name = QApplication::organizationName() + "/Ports.ini";
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QStringList systemFolders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    systemFolders.removeAll(userFolder);
    QString administrator = systemFolders.isEmpty() ? QString() : systemFolders.first() + "/" + name;
    for (const QString& folder : systemFolders)
        if (QFileInfo::exists(folder + "/" + name)) {
            administrator = folder + "/" + name;
            break;
        }
    // The folder as the system names it (applicationDirPath has its links
    // resolved); writable as this user (root may write any).
    const QString programFolder = QApplication::applicationDirPath();
    kavro::ProgramFolder program{Path(programFolder), QFileInfo(programFolder).isWritable(), false};
    program.saysPortable = kavro::SaysPortable(program.path);
    return kavro::PortsIniPlacesFor(program, kavro::SystemProgramFolders(), Path(userFolder + "/" + name),
                                    administrator.isEmpty() ? "" : Path(administrator));
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace kavro;
    if (const int answered = AnswerWithoutWindow(argc, argv); answered >= 0) return answered;
    QApplication app(argc, argv);
    // One identity: the settings and Ports.ini live under KavroSwitch/ in
    // the configuration folders; the window's class (WM_CLASS, both halves
    // "kavro-switch-config") and its desktop entry name the program.
    QApplication::setOrganizationName("KavroSwitch");
    QApplication::setApplicationName("kavro-switch-config");
    QGuiApplication::setDesktopFileName(KAVRO_APP_ID);
    QApplication::setWindowIcon(ProgramIcon());

    kavro::StartOptions options;
    QString file;
    if (!ReadOptions(options, file)) return 2;

    QtEventPump pump;
    QtUiServices ui;
    auto simulator = std::make_shared<SimulatedSwitch>(SwitchState::demo());

    ShellEnvironment env;
    env.pump = &pump;
    env.ui = &ui;
    env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
    env.systemPorts = SystemSerialPorts;
    env.simulatedPort = [&] { return std::make_unique<SimulatedSerialPort>(simulator, pump, true); };
    env.dataFolder = DefaultDataFolder(Path(QDir::homePath()));
    env.portsIni = PortsIniPlacesOfThisProgram();

    const std::unique_ptr<SwitchTool> tool = MakeSwitchTool(env, options);
    SwitchTool& form = *tool;
    ui.followDiagnostic(form.diagnostic());
    if (form.start() == SwitchTool::StartResult::Quit) return 0;

    // "Verify after Send", "Back up before Send" and "Arrow keys move the
    // window" are kept between runs, in
    // ~/.config/KavroSwitch/kavro-switch-config.conf (on Windows the
    // registry, HKEY_CURRENT_USER\Software\KavroSwitch).
    QSettings settings;
    struct Kept { CheckBox* box; const char* key; bool unset; };
    for (auto [box, key, unset] : {Kept{&form.verifyAfterSend(), "verifyAfterSend", false},
                                   Kept{&form.backUpBeforeSend(), "backUpBeforeSend", false},
                                   Kept{&form.screen().arrowKeysMoveWindow, "arrowKeysMoveWindow", true}}) {
        box->setValue(settings.value(key, unset).toBool() ? 1 : 0);
        box->setClickHandler([&settings, box, key] { settings.setValue(key, box->value() == 1); });
    }

    MainWindow window(form, ui);
    ui.setMainWindow(&window);
    form.setWindowShown(true);
    // A signal ends the program at once, asking nothing (a logout or a
    // shutdown would wait for ever on a question).
    int endedBy = 0;
    EndOnSignals([&](int signal) {
        endedBy = signal;
        EndProgram(form, signal);
    });
    window.show();
    form.offerRecovery();
    if (endedBy) return 128 + endedBy;  // during the question: no event loop ran yet to end
    // A file named on the command line (a double-click in a file manager)
    // is loaded as Import Config loads it, its messages over the window.
    if (!file.isEmpty()) form.importFile(file.toStdString());
    window.refresh();
    const int status = QApplication::exec();
    return endedBy ? 128 + endedBy : status;
}
