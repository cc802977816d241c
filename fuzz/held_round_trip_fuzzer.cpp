// The way a technician copies a switch: a switch holding anything (every
// byte of its configuration from the fuzz input) is read into a fresh
// screen, exported, imported, and sent with verify into a factory switch;
// then one byte that switch holds is changed. What must hold: the read is
// whole, the send is refused exactly when the switch address read is
// FFFFFF, otherwise every frame is acknowledged and the read-back holds
// what was sent; and after the change, the comparison of what the switch
// holds with the screen sent reports a difference exactly when a byte the
// switch holds of a sent field changed. Which bytes those are is told here
// from the sent bytes alone:
//   switch address                     always
//   event block +0 command code        always
//   event block +1 data, low byte      a command with a data value
//   event block +2 data high, or the   "absolute position" (08), or a lock
//                 lock priority        command (code above 1F)
//   event block +3 mode byte           always, every bit
//   event block +4..6 motor address    mode 1 (P-P) or 2 (Specific), no "Src Group"
//   source group address of a channel  that channel in "Src Group"

#include <memory>

#include "buslink/field_parsers.h"
#include "configfile/config_records.h"
#include "fuzz_support.h"
#include "shell/application.h"
#include "simulator/simulated_serial_port.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_ui.h"

namespace kavro::fuzz {
namespace {

// The commands with a data value, by code.
bool HasData(int code) {
    for (int c : {0x02, 0x04, 0x08, 0x0A, 0x0B, 0x0C, 0x0D, 0x10, 0x22, 0x23, 0x25})
        if (code == c) return true;
    return false;
}

// Whether a byte at this place of the switch's configuration belongs to a
// field that was sent: 0..2 the switch address, 3..170 the channel blocks,
// 171..194 the source group table.
bool IsHeld(int place, const SwitchState& sent) {
    if (place < 3) return true;
    if (place < 171) {
        const int c = (place - 3) / 21, at = (place - 3) % 21, offset = at % 7;
        const std::uint8_t* block = &sent.channelBlocks[c][at - offset];
        const int code = block[0] ^ 0xFF, mode = block[3] ^ 0xFF;
        switch (offset) {
        case 0: case 3: return true;
        case 1: return HasData(code);
        case 2: return code == 0x08 || code > 0x1F;
        default: return !(mode & 0x80) && ((mode & 0x0F) == 1 || (mode & 0x0F) == 2);
        }
    }
    const int c = (place - 171) / 3;
    return (sent.channelBlocks[c][3] ^ 0xFF) & 0x80;
}

template <typename State>  // SwitchState, const or not
auto& ByteAt(State& s, int place) {
    if (place < 3) return s.address[place];
    if (place < 171) return s.channelBlocks[(place - 3) / 21][(place - 3) % 21];
    return s.sourceGroups[place - 171];
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteScript script(data, size);
    SwitchState original = SwitchState::factory();
    for (int place = 0; place < 195; ++place) ByteAt(original, place) = script.bytes(1)[0];
    const int changed = script.number(0, 194);
    const std::uint8_t value = script.bytes(1)[0];

    VirtualPump pump;
    test::ScriptedUi ui;
    auto line = std::make_shared<SimulatedSwitch>(original);
    ShellEnvironment env{.pump = &pump, .ui = &ui};
    env.simulatedPort = [&] { return std::make_unique<SimulatedSerialPort>(line, pump, false); };
    env.hardwarePort = env.simulatedPort;
    Application form(env, StartOptions{.simulator = true});
    form.start();

    Expect(form.readFresh({}).complete(), "a faithful switch is read whole");
    const auto file = ConfigFileBytes(form.freshScreen());
    Expect(file.has_value(), "what was read exports");
    ConfigScreen sent;
    sent.fillCommandLists();
    Expect(LoadConfig(*file, sent) == LoadOutcome::Loaded, "the export imports");

    *line = SimulatedSwitch(SwitchState::factory());
    form.verifyAfterSend().setValue(1);
    form.writeScreen(sent);
    const WriteReport& write = form.lastWrite();
    if (IsGlobalAddressText(sent.switchAddress.text()))
        return Expect(write.end == TransferEnd::GlobalSwitchAddress && line->frames().empty(),
                      "a switch address of FFFFFF is never sent"),
               0;
    Expect(write.complete() && form.lastVerify().holds(), "the copy is acknowledged and holds what was sent");

    const SwitchState holds = line->state();
    SwitchState after = holds;
    ByteAt(after, changed) = value;
    *line = SimulatedSwitch(after);
    const ReadReport& read = form.readFresh({});
    Expect(read.complete(), "the changed switch is read whole");
    const bool reported = !CompareHeld(sent, read.held).empty();
    const bool heldFieldChanged = value != ByteAt(holds, changed) && IsHeld(changed, holds);
    Expect(reported == heldFieldChanged, "a change is reported exactly when a byte of a sent field changed");
    return 0;
}
