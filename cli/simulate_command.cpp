// simulate: a virtual switch on a pseudo-terminal, for trying the tool and
// for tests without hardware.

#include <regex>
#include <sstream>

#include "buslink/field_parsers.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/load_switch.h"
#include "platform/utf8_path.h"
#include "transfer/frame_fields.h"

#ifndef _WIN32
#include "cli/pty_server.h"
#endif

namespace kavro::cli {

int Simulate(const CommandLine& line) {
#ifdef _WIN32
    (void)line;
    return Fail("simulate is not available on Windows (it needs a pseudo-terminal)");
#else
    std::string error;
    SwitchState state = SwitchState::factory();
    if (line.has("--firmware")) {
        std::smatch m;
        const std::string v = line.get("--firmware");
        if (!std::regex_match(v, m, std::regex("([0-9]{1,3})\\.([0-9]{1,3})")) || std::stoi(m[1]) > 255 ||
            std::stoi(m[2]) > 255)
            return Fail("--firmware takes MAJOR.MINOR, each 0 to 255");
        state.firmwareMajor = std::stoi(m[1]);
        state.firmwareMinor = std::stoi(m[2]);
    }
    // One switch, or a bus of several, each at an address of its own.
    std::vector<std::string> addresses;
    std::istringstream list(line.get("--address"));
    for (std::string a; std::getline(list, a, ',');) addresses.push_back(a);
    if (addresses.empty()) addresses.push_back(AddressText(state.address.data(), false));
    for (const std::string& a : addresses)
        if (!IsBusAddressText(a)) return Fail("--address takes six hexadecimal digits (several: comma between)");
    FaultPlan plan;
    if (line.has("--fault")) {
        const auto parsed = ParseFaultPlan(line.get("--fault"), &error);
        if (!parsed) return Fail(error);
        plan = *parsed;
    }
    const std::string pacing = line.has("--line-pacing") ? line.get("--line-pacing") : "off";
    if (pacing != "on" && pacing != "off") return Fail("--line-pacing takes on or off");

    // One file for every switch, or one each, in the order of --address.
    std::vector<std::string> files;
    std::istringstream loads(line.get("--load"));
    for (std::string f; std::getline(loads, f, ',');) files.push_back(f);
    if (files.size() > 1 && files.size() != addresses.size())
        return Fail("--load takes one file, or one for each switch of --address");

    std::vector<SimulatedSwitch> switches;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        // The switch already has its --address when its file is written
        // into it; without --address it keeps the address its file gives it.
        SwitchState held = state;
        if (line.has("--address")) {
            ParserSlots slots;
            ParseAddressText(addresses[i], slots);
            held.address = {static_cast<std::uint8_t>(slots.address1), static_cast<std::uint8_t>(slots.address2),
                            static_cast<std::uint8_t>(slots.address3)};
        }
        const std::array<std::uint8_t, 3> address = held.address;
        if (!files.empty()) {
            const auto loaded = SwitchStateFromFile(PathFromUtf8(files[files.size() > 1 ? i : 0]), held, &error);
            if (!loaded) return Fail(error);
            held = *loaded;
        }
        if (line.has("--address")) held.address = address;
        switches.emplace_back(held, plan);
    }
    SwitchBus bus(std::move(switches));
    if (!ServeOnPseudoTerminal(bus, pacing == "on", line.has("--echo"), &error)) return Fail(error);
    return kOk;
#endif
}

}  // namespace kavro::cli
