// kavro-switch-config: the window program.
//   kavro-switch-config               the remembered port (Ports.ini)
//   kavro-switch-config --simulator   the built-in simulated switch
//   kavro-switch-config --port DEV    any device for this run

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include "gui/main_window.h"
#include "gui/qt_ui_services.h"
#include "buslink/ports_ini.h"
#include "platform/utf8_path.h"
#include "qtplatform/qt_event_pump.h"
#include "qtplatform/qt_serial_port.h"
#include "qtplatform/system_ports.h"
#include "gui/window_icon.h"
#include "shell/frm_main.h"
#include "simulator/simulated_serial_port.h"

int main(int argc, char* argv[]) {
    using namespace kavro;
    QApplication app(argc, argv);
    QApplication::setApplicationName("KavroSwitch");
    QApplication::setWindowIcon(ProgramIcon());
    const Version version = ProgramVersion();
    QApplication::setApplicationVersion(
        QString("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision));

    QCommandLineParser parser;
    parser.setApplicationDescription("Kavro Smart Switch Configuration");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulatorOption("simulator", "Work with the built-in simulated switch instead of a serial port.");
    const QCommandLineOption portOption("port", "Use DEVICE (/dev/ttyUSB0, COM3, a pseudo-terminal) for this run.", "DEVICE");
    parser.addOption(simulatorOption);
    parser.addOption(portOption);
    parser.process(app);

    StartOptions options;
    options.simulator = parser.isSet(simulatorOption);
    if (parser.isSet(portOption)) options.device = parser.value(portOption).toStdString();

    QtEventPump pump;
    QtUiServices ui;
    auto simulator = std::make_shared<SimulatedSwitch>(SwitchState::Demo());

    ShellEnvironment env;
    env.pump = &pump;
    env.ui = &ui;
    env.hardwarePort = [] { return std::make_unique<QtSerialPort>(); };
    env.systemPorts = SystemSerialPorts;
    env.simulatedPort = [&] { return std::make_unique<SimulatedSerialPort>(simulator, pump, true); };
    env.dataFolder = DefaultDataFolder(PathFromUtf8(QDir::homePath().toStdString()));
    env.portsIni = {PathFromUtf8(QApplication::applicationDirPath().toStdString()) / "Ports.ini",
                    PathFromUtf8(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString()) /
                        "Ports.ini"};

    frmMain form(env, options);
    ui.followDiagnostic(form.Diagnostic);
    if (form.Form_Load() == frmMain::LoadResult::Quit) return 0;

    MainWindow window(form, ui);
    ui.setMainWindow(&window);
    form.Visible = true;
    window.show();
    return QApplication::exec();
}
