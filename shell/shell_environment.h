#pragma once
// What a front end hands the program when it makes it (MakeSwitchTool):
// the platform's event pump, windows and serial ports, where files are
// kept, and how this run reaches the switch.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buslink/port_devices.h"
#include "buslink/ports_ini.h"
#include "history/journal.h"
#include "platform/event_pump.h"
#include "platform/serial_port.h"
#include "shell/version.h"
#include "shell/window_services.h"

namespace kavro {

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

// What the platform hands the main window.
struct ShellEnvironment {
    EventPump* pump = nullptr;
    WindowServices* ui = nullptr;
    SerialPortFactory hardwarePort;   // a new adapter for a real device
    SerialPortFactory simulatedPort;  // the built-in simulated switch; may be empty
    PortsIniPlaces portsIni;  // none: no Ports.ini at all
    std::filesystem::path dataFolder;  // where configuration files are kept
    PortDeviceTable devices = DeviceForPort;
    std::function<std::vector<SystemPort>()> systemPorts;  // the ports present now; may be empty
    Version version = ProgramVersion();
    Journal::Clock clock;  // the journal's times; empty: the computer's clock
};

// How this run reaches the switch.
struct StartOptions {
    bool simulator = false;             // --simulator: the built-in simulated switch
    std::optional<std::string> device;  // --port DEVICE: this device, no probe, no selection
};

}  // namespace kavro
