// show, diff and ports: what files hold, how two differ, which serial
// ports there are. Nothing here touches a switch.

#include <iostream>

#include "buslink/port_devices.h"
#include "cli/commands.h"
#include "cli/config_json.h"
#include "cli/config_text.h"
#include "cli/file_arguments.h"
#include "cli/printed_text.h"
#include "platform_qt/system_ports.h"

namespace kavro::cli {

int Show(const CommandLine& line) {
    std::string error;
    const std::string file = line.operands[0];
    const auto bytes = ReadConfigArgument(file, &error);
    if (!bytes) return Fail(error);
    ConfigScreen screen;
    screen.fillCommandLists();
    if (!LoadConfigArgument(file, *bytes, screen, &error)) return Fail(error);
    std::cout << (line.has("--json") ? ConfigAsJson(screen) : ConfigAsText(screen));
    return kOk;
}

int Diff(const CommandLine& line) {
    const std::string& a = line.operands[0];
    const std::string& b = line.operands[1];
    if (a == "-" && b == "-") return Fail("only one of the two files can come from standard input");
    std::string error;
    const auto bytesA = ReadConfigArgument(a, &error);
    if (!bytesA) return Fail(error);
    const auto bytesB = ReadConfigArgument(b, &error);
    if (!bytesB) return Fail(error);
    const auto differences = DiffConfigs(*bytesA, ShownName(a), *bytesB, ShownName(b), &error);
    if (!differences) return Fail(error);
    bool refused = false;
    for (const Difference& d : *differences) {
        if (!d.refused.empty()) {
            refused = true;
            Warn(Utf8FromWindows1252(d.field + ": " + d.refused));
        }
        if (d.fileValue != d.screenValue)
            std::cout << Utf8FromWindows1252(d.field + ": " + d.fileValue + " -> " + d.screenValue) << "\n";
    }
    std::cout.flush();
    if (refused) return kFailed;
    return differences->empty() ? kOk : kDiffers;
}

// The numbers 1 to 16 as users choose them, and what the system reports
// now: an adapter outside the table is chosen by its path.
int Ports(const CommandLine& line) {
    const std::vector<SystemPort> present = SystemSerialPorts();
    auto presentAt = [&](const std::string& device) {
        for (const SystemPort& p : present)
            if (p.device == device) return true;
        return false;
    };
    if (line.has("--json")) {
        std::cout << PortsAsJson(present);
        return kOk;
    }
    std::cout << "Port numbers:\n";
    for (int n = 1; n <= 16; ++n)
        std::cout << (n < 10 ? "   " : "  ") << n << "  " << DeviceForPort(n)
                  << (presentAt(DeviceForPort(n)) ? "  (present)" : "") << "\n";
    std::cout << "Serial ports present now:\n";
    if (present.empty()) std::cout << "  none\n";
    for (const SystemPort& p : present) {
        const int number = PortNumberOf(p.device);
        std::cout << "  " << p.device << "  " << DescribeSystemPort(p)
                  << (number ? "  (port " + std::to_string(number) + ")" : "  (no number: use --port " + p.device + ")")
                  << "\n";
    }
    return kOk;
}

}  // namespace kavro::cli
