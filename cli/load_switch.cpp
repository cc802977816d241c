#include "cli/load_switch.h"

#include "cli/console_ui.h"
#include "shell/switch_tool.h"
#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"

namespace kavro {

std::optional<SwitchState> SwitchStateFromFile(const std::filesystem::path& file, SwitchState base,
                                               std::string* error) {
    VirtualPump pump;
    ConsoleUi ui;
    auto simulated = std::make_shared<SimulatedSwitch>(std::move(base));
    ShellEnvironment env;
    env.pump = &pump;
    env.ui = &ui;
    env.hardwarePort = [&] { return std::make_unique<SimulatedSerialPort>(simulated, pump, false); };
    env.simulatedPort = env.hardwarePort;
    StartOptions options;
    options.simulator = true;
    const std::unique_ptr<SwitchTool> tool = MakeSwitchTool(env, options);
    SwitchTool& form = *tool;
    form.start();
    if (const LoadOutcome loaded = LoadConfigFile(file, form.screen()); loaded != LoadOutcome::Loaded) {
        *error = file.string() + ": " + LoadProblem(loaded);
        return std::nullopt;
    }
    // The switch is alone on its line: it is reached by the global address
    // whatever the file ticks, so a file saved by a switch's own address
    // loads into a switch of any address.
    form.screen().useSwitchAddress.setValue(0);
    form.writeSwitch();
    if (!form.lastWrite().complete()) {
        const std::string& refusal = form.lastWrite().refusal;
        *error = file.string() + ": " +
                 (refusal.empty() ? WriteVerdict(form.lastWrite()).summary : refusal.substr(0, refusal.find('\n')));
        return std::nullopt;
    }
    return simulated->state();
}

}  // namespace kavro
