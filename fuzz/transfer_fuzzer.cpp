// "Get Config" and then "Send Config" on virtual time, against a line whose
// every reply comes from the fuzz input. The input is a script read front
// to back:
//   flags     bit 0 "Use Switch Address for Config", bit 1 the demo switch
//             answers instead of a factory one, bit 2 the user presses
//             "Get Config", "Send Config" and "Clear Data" during a wait
//   numbers   the phase of the reply timer, when that press comes (x5 ms)
//   text      the "Switch Address" box, up to 6 bytes
// then, for each frame the tool sends, how the line answers it:
//   kind      0 the switch's own answer, 1 silence, 2 a frame of the length
//             the tool expects with fuzz bytes inside and a right checksum,
//             3 up to 60 raw bytes, 4 the line goes away (adapter unplugged)
//   pieces    the answer cut into pieces, each arriving some x5 ms after
//             the frame, up to 1275 ms: late pieces land in later exchanges
// Where the script ends the switch answers everything, at once.
//
// What must hold: every part a read accepted shows on the screen as a
// decoding written out here, from the bytes the switch held; a read asks
// each part once or twice, in order, at most
// 22 queries, and a second time whenever the first answer failed, giving
// up after four queries when neither the firmware version nor the switch
// address got a well-formed reply, and, after a part was read, only where
// the last part asked failed both times and parts are left; a write
// sends exactly its ten frames in order unless the line went away; every
// frame on the line is whole; a press during a transfer starts nothing;
// and the screen keeps its invariants.

#include <memory>
#include <utility>

#include "screen_invariants.h"
#include "shell/application.h"
#include "simulator/switch_simulator.h"
#include "simulator/virtual_pump.h"
#include "support/scripted_port.h"
#include "support/scripted_ui.h"

namespace kavro::fuzz {
namespace {

enum class Answer { FromSwitch, Silence, FramedNoise, RawNoise, Unplugged };

// The serial line of this run: it keeps the tool's frames and answers each
// as the script says, through the pump.
class ScriptedLine : public test::ScriptedPort {
public:
    ScriptedLine(ByteScript& script, EventPump& pump, SwitchState state)
        : ScriptedPort(pump), script_(script), switch_(std::move(state)) {}

    std::vector<Bytes> frames;  // whole frames the tool sent
    bool gone = false;

private:
    void answer(const Bytes& frame) override {
        frames.push_back(frame);
        Bytes reply;
        switch (static_cast<Answer>(script_.number(0, 4))) {
        case Answer::FromSwitch: reply = switch_.answer(frame).value_or(Bytes{}); break;
        case Answer::Silence: break;
        case Answer::FramedNoise:
            reply = script_.bytes(Shape(frame[0]).replyLength - 2);
            reply[1] = LengthByte(Shape(frame[0]).replyLength, false);
            AppendChecksum(reply);
            break;
        case Answer::RawNoise: reply = script_.bytes(script_.number(0, 60)); break;
        case Answer::Unplugged:
            gone = true;
            openResults[portName()] = {OpenStatus::NotFound, {}};
            close();
            return;
        }
        for (std::size_t at = 0; at < reply.size();) {
            // Taking the piece's size off what is left makes "all of it"
            // the choice of a script that has ended.
            const std::size_t left = reply.size() - at;
            const std::size_t size = left - script_.number(0, static_cast<int>(left) - 1);
            deliver(script_.number(0, 255) * 5, Bytes(reply.begin() + at, reply.begin() + at + size));
            at += size;
        }
    }

    ByteScript& script_;
    SwitchSimulator switch_;
};

// The place of a frame in its sequence: 0 firmware (reads only), then the
// switch address, channels 1..8 and source groups; -1 for anything else.
int Step(const Bytes& f, bool write) {
    if (!IsKnownMessage(f[0]) || Shape(f[0]).write != write) return -1;
    const int channel = ChannelNamedIn(f);
    const int step = f[0] == msg::queryFirmware                                      ? 0
                     : f[0] == msg::querySwitchAddress || f[0] == msg::writeSwitchAddress ? 1
                     : f[0] == msg::querySourceGroups || f[0] == msg::writeSourceGroups   ? 10
                     : channel >= 1 && channel <= 8                                      ? 1 + channel
                                                                                         : -1;
    return write && step > 0 ? step - 1 : step;
}

void ExpectWholeFrames(const std::vector<Bytes>& frames) {
    for (const Bytes& f : frames) Expect(ChecksumMatches(f), "every frame the tool sends has its checksum");
}

void ExpectRead(const std::vector<Bytes>& frames, const ReadReport& report, bool lineStayed) {
    ExpectWholeFrames(frames);
    if (report.end == TransferEnd::InvalidSwitchAddress) return Expect(frames.empty(), "a refused read sends nothing");
    Expect(frames.size() <= 22, "a read sends at most 22 queries");
    Expect(report.framesSent == static_cast<int>(frames.size()), "a read counts the frames it sent");
    Expect((report.end == TransferEnd::LineLost) == !lineStayed, "a read tells when the line went away");
    int asked[11] = {};
    int last = 0;
    for (const Bytes& f : frames) {
        const int step = Step(f, false);
        Expect(step >= last, "a read asks firmware, address, channels 1 to 8, source groups, in order");
        Expect(++asked[step] <= 2, "a read asks each part at most twice");
        last = step;
    }
    if (!lineStayed) return;
    if (report.end == TransferEnd::NoSwitch)
        return Expect(frames.size() == 4 && !report.firmware.read && !report.switchAddress.read,
                      "a read gives up after four queries without a well-formed reply, and only then");
    const auto& c = report.channels;
    const bool accepted[11] = {report.firmware.read, report.switchAddress.read, c[0].read, c[1].read, c[2].read,
                               c[3].read, c[4].read, c[5].read, c[6].read, c[7].read, report.sourceGroups.read};
    Expect(accepted[0] || accepted[1], "a read that went on had a well-formed reply to its first queries");
    // A read that fell silent gave up after a part that failed both times,
    // with parts left; every part before was asked as any read asks it.
    const int asks = report.end == TransferEnd::WentSilent ? last + 1 : 11;
    if (report.end == TransferEnd::WentSilent)
        Expect(asked[last] == 2 && !accepted[last] && last < 10, "a read gives up after a part that failed twice");
    for (int step = 0; step < 11; ++step)
        Expect(step < asks ? asked[step] == 2 || (asked[step] == 1 && accepted[step]) : asked[step] == 0,
               "a read asks every part, and asks again when the first answer failed");
}

// The list position of each command code, and the texts a read shows,
// written out apart from the code under test.
constexpr int kCodes[19] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x0A, 0x0B,
                            0x0C, 0x0D, 0x10, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25};
int Position(int code) {
    for (int p = 0; p < 19; ++p)
        if (kCodes[p] == code) return p;
    return 0;
}

std::string HexDigits(unsigned value, int digits) {
    std::string text(digits, '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[i] = "0123456789ABCDEF"[value & 0xF];
    return text;
}

std::string AddressOf(const std::uint8_t* complemented) {
    return HexDigits((complemented[0] ^ 0xFFu) << 16 | (complemented[1] ^ 0xFFu) << 8 | (complemented[2] ^ 0xFFu), 6);
}

void ExpectDecoded(const ConfigScreen& s, const ReadReport& report) {
    std::string pointToPoint;  // the last channel read in P-P mode leaves its address
    for (int c = 0; c < 8; ++c) {
        if (!report.channels[c].read) continue;
        const std::uint8_t* b = report.held.channelBlocks[c].data();
        std::string priority = "00";
        for (int e = 0; e < 3; ++e) {
            const int code = b[7 * e] ^ 0xFF, low = b[7 * e + 1] ^ 0xFF, high = b[7 * e + 2] ^ 0xFF;
            const int position = Position(code);
            Expect(s.commands[3 * c + e].selected() == position, "a read selects the command the switch holds");
            Expect(s.data[3 * c + e].text() == (position == 7 ? HexDigits(low + 256 * high, 4) : HexDigits(low, 2)),
                   "a read shows the data the switch holds");
            // A code the list lacks shows as "NONE", whose block carries no priority.
            if (kCodes[position] > 0x1F && high != 0) priority = HexDigits(high, 2);
        }
        Expect(s.lockPriority[c].text() == priority, "the lock priority is the last non-zero one of a lock command");
        const int mode = b[3] ^ 0xFF;
        Expect(s.seq[c].value() == (mode & 0x40 ? 1 : 0), "a read sets Seq as the switch holds it");
        if (mode & 0x80) Expect(s.destinationBoxes[24 + c].value() == 1, "Src Group as the switch holds it");
        const int boxes[3] = {3 * c + 1, 3 * c + 2, 3 * c};  // group, point to point, specific
        if (!(mode & 0x80) && (mode & 0x0F) <= 2)
            Expect(s.destinationBoxes[boxes[mode & 0x0F]].value() == 1, "the destination the switch holds");
        if ((mode & 0x0F) == 2) Expect(s.motorAddress[c].text() == AddressOf(b + 4), "the motor address it holds");
        if ((mode & 0x0F) == 1) pointToPoint = AddressOf(b + 4);
    }
    if (!pointToPoint.empty()) Expect(s.ppMotorAddress.text() == pointToPoint, "the P-P address of the last P-P channel");
    if (report.sourceGroups.read)
        for (int c = 0; c < 8; ++c)
            Expect(s.sourceGroupAddress[c].text() == AddressOf(&report.held.sourceGroups[3 * c]),
                   "the source group addresses the switch holds");
    if (report.switchAddress.read) {
        const auto& a = report.held.switchAddress;
        Expect(s.switchAddress.text() == HexDigits(a[0] << 16 | a[1] << 8 | a[2], 6), "the switch's address");
    }
}

void ExpectWrite(const std::vector<Bytes>& frames, const WriteReport& report, bool lineStayed, bool lineWasThere) {
    ExpectWholeFrames(frames);
    if (!report.refusal.empty()) return Expect(frames.empty(), "a refused write sends nothing");
    Expect((report.end == TransferEnd::NoPort) == !lineWasThere, "a write without a line says so");
    Expect(!lineWasThere || (report.end == TransferEnd::LineLost) == !lineStayed,
           "a write tells when the line went away");
    Expect(!lineStayed || frames.size() == 10, "a write sends exactly ten frames");
    Expect(frames.size() <= 10, "a write sends at most ten frames");
    Expect(report.framesSent == static_cast<int>(frames.size()), "a write counts the frames it sent");
    for (std::size_t k = 0; k < frames.size(); ++k)
        Expect(Step(frames[k], true) == static_cast<int>(k), "a write sends address, channels 1 to 8, source groups");
}

}  // namespace
}  // namespace kavro::fuzz

using namespace kavro;
using namespace kavro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteScript script(data, size);
    const int flags = script.number(0, 255);
    VirtualPump pump;
    pump.setTimerPhase(script.number(0, 199));
    test::ScriptedUi ui;
    ui.answerYes = true;  // the typed switch address is an unsent change Get Config asks about
    ScriptedLine* line = nullptr;
    ShellEnvironment env{.pump = &pump, .ui = &ui};
    env.hardwarePort = [&] {
        const SwitchState state = flags & 2 ? SwitchState::demo() : SwitchState::factory();
        auto port = std::make_unique<ScriptedLine>(script, pump, state);
        line = port.get();
        return port;
    };
    Application form(env, StartOptions{.device = "scripted line"});
    form.start();
    form.screen().useSwitchAddress.setValue(flags & 1);
    form.screen().switchAddress.setText(script.text(6));
    if (flags & 4)
        pump.schedule(script.number(0, 255) * 5, [&] { form.readSwitch(), form.writeSwitch(), form.clearData(); });

    const bool addressable = IsBusAddressText(form.screen().switchAddress.text());
    form.readSwitch();
    ExpectRead(line->frames, form.lastRead(), !line->gone);
    ExpectDecoded(form.screen(), form.lastRead());
    Expect((form.lastRead().end == TransferEnd::InvalidSwitchAddress) == ((flags & 1) && !addressable),
           "a read is refused exactly when it would address the switch by a text that is no address");
    ExpectConsistent(form.screen());

    const bool lineWasThere = !line->gone;
    line->frames.clear();
    // The read fills every box it sends from with hexadecimal text; only the
    // switch address may hold something else (typed, or "Error").
    const std::string& address = form.screen().switchAddress.text();
    const bool sendable = IsBusAddressText(address) && !IsGlobalAddressText(address);
    form.writeSwitch();
    Expect(!lineWasThere || form.lastWrite().refusal.empty() == sendable,
           "a write is refused exactly when the switch address box holds no address of one switch");
    ExpectWrite(line->frames, form.lastWrite(), !line->gone, lineWasThere);
    ExpectConsistent(form.screen());
    Expect(!form.busy(), "no transfer runs once both have returned");
    return 0;
}
