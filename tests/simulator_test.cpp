// The virtual switch: which frames it answers, how it cuts a byte stream into frames, and the fault rules it
// refuses. What the rules it accepts do is seen in every fault of the transfer scenarios.

#include <gtest/gtest.h>

#include "buslink/frame_codec.h"
#include "simulator/fault_plan.h"
#include "simulator/switch_simulator.h"
#include "transfer/traffic_decoder.h"

namespace kavro {
namespace {

Bytes Query(std::uint8_t code, int channel = 0, std::array<std::uint8_t, 3> to = {0xFF, 0xFF, 0xFF}) {
    Bytes query{code, LengthByte(channel ? 12 : 11, false), 0xFF, 0xFE, 0xFF, 0xFF, to[0], to[1], to[2]};
    if (channel) query.push_back(Complement(channel));
    AppendChecksum(query);
    return query;
}

// Fed a byte at a time after noise no frame starts with, the demo switch (at 001234) answers its own and the
// global address only: not a bad checksum, another switch, channel 9 or an unknown message.
TEST(Simulator, AnswersItsOwnAndTheGlobalAddressOnly) {
    SwitchSimulator sim(SwitchState::demo());
    Bytes bad = Query(msg::queryFirmware), stream{0x00, 0x13}, out;
    bad[10] ^= 1;
    for (const Bytes& q : {bad, Query(msg::queryFirmware, 0, {0x00, 0x12, 0x35}), Query(msg::queryChannel, 9),
                           Query(0x42), Query(msg::queryFirmware, 0, {0x00, 0x12, 0x34}), Query(msg::queryChannel, 3)})
        stream.insert(stream.end(), q.begin(), q.end());
    for (std::uint8_t b : stream)
        for (std::uint8_t answer : sim.receive(&b, 1)) out.push_back(answer);
    ASSERT_EQ(out.size(), 13u + 33u);
    EXPECT_EQ(out[13 + 9], Complement(3));
    EXPECT_EQ(sim.framesAnswered(), 2);
}

// The diagnostic window's reading of a switch's answer to a channel query: the channel, then where its commands
// go, the address where the destination has one of its own (a Group's 000000 and a Src Group's table are not
// in the record), and Seq; then the switch that answered (a factory switch is 000001).
TEST(TrafficDecoder, AChannelReplySaysWhereItsCommandsGo) {
    const struct {
        int channel, mode;
        unsigned address;
        const char* destination;
    } rows[]{
        {3, kModeSpecific, 0xA1B2C3, "; Specific A1B2C3 from 000001"},
        {5, kModePointToPoint | kSeqFlag, 0x00BE01, "; P-P 00BE01, Seq from 000001"},
        {1, kModeGroup, 0x123456, "; Group from 000001"},
        {8, kModeGroup | kSrcGroupFlag, 0x123456, "; Src Group from 000001"},
    };
    for (const auto& row : rows) {
        SwitchState state = SwitchState::factory();
        state.setChannel(row.channel, {{{0x03}, {0x03}, {0x00}}}, row.mode, row.address);
        SwitchSimulator sim(state);
        const Bytes query = Query(msg::queryChannel, row.channel);
        Bytes reply;
        for (std::uint8_t b : sim.receive(query.data(), query.size())) reply.push_back(b);
        const std::string said = DescribeReply(reply);
        EXPECT_EQ(said.rfind("reply channel " + std::to_string(row.channel) + ": ", 0), 0u) << said;
        EXPECT_EQ(said.substr(said.rfind("; ")), row.destination) << said;
    }
}

TEST(FaultPlan, MalformedRulesAreRefused) {
    std::string error;
    for (const char* bad : {"8D=melt", "8D/9=silent", "8D@0=silent", "XYZ=silent", "8D", "8D/3@1=silent,80"})
        EXPECT_TRUE(!ParseFaultPlan(bad, &error) && error.find("bad fault rule") != std::string::npos) << bad;
}

}  // namespace
}  // namespace kavro
