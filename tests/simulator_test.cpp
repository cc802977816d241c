// The virtual switch: which frames it answers, how it cuts a byte stream
// into frames, and the fault rules it refuses. What the rules it accepts do
// is seen in every fault of the transfer scenarios.

#include <gtest/gtest.h>

#include "buslink/frame_codec.h"
#include "simulator/fault_plan.h"
#include "simulator/switch_simulator.h"

namespace kavro {
namespace {

// A query as the tool builds it.
Bytes Query(std::uint8_t code, int channel = 0, std::array<std::uint8_t, 3> to = {0xFF, 0xFF, 0xFF}) {
    Bytes query{code, LengthByte(channel ? 12 : 11, false), 0xFF, 0xFE, 0xFF, 0xFF, to[0], to[1], to[2]};
    if (channel) query.push_back(Complement(channel));
    AppendChecksum(query);
    return query;
}

TEST(Simulator, AnswersItsOwnAndTheGlobalAddressOnly) {
    SwitchState state = SwitchState::Factory();
    state.address = {0x01, 0x02, 0x03};
    SwitchSimulator sim(state);
    EXPECT_TRUE(sim.answer(Query(msg::queryFirmware, 0, {1, 2, 3})));
    EXPECT_TRUE(sim.answer(Query(msg::queryFirmware)));
    Bytes bad = Query(msg::queryFirmware);
    bad[10] ^= 1;
    EXPECT_FALSE(sim.answer(bad));                                       // bad checksum
    EXPECT_FALSE(sim.answer(Query(msg::queryFirmware, 0, {1, 2, 4})));  // someone else
    EXPECT_FALSE(sim.answer(Query(msg::queryChannel, 9)));
    EXPECT_FALSE(sim.answer(Query(0x42)));
    EXPECT_EQ(sim.framesAnswered(), 2);
}

TEST(Simulator, FramesSplitAnywhereAfterNoiseAreAnswered) {
    SwitchSimulator sim;
    Bytes stream{0x00, 0x13}, out;  // noise no frame starts with, then two queries
    for (const Bytes& q : {Query(msg::queryFirmware), Query(msg::queryChannel, 3)})
        stream.insert(stream.end(), q.begin(), q.end());
    for (std::uint8_t b : stream) {
        const Bytes part = sim.receive(&b, 1);
        out.insert(out.end(), part.begin(), part.end());
    }
    ASSERT_EQ(out.size(), 13u + 33u);
    EXPECT_EQ(out[0], msg::queryFirmware);
    EXPECT_EQ(out[13], msg::queryChannel);
    EXPECT_EQ(out[13 + 9], Complement(3));
}

TEST(FaultPlan, MalformedRulesAreRefused) {
    std::string error;
    for (const char* bad : {"8D=melt", "8D/9=silent", "8D@0=silent", "XYZ=silent", "8D", "8D/3@1=silent,80"}) {
        EXPECT_FALSE(ParseFaultPlan(bad, &error)) << bad;
        EXPECT_NE(error.find("bad fault rule"), std::string::npos) << bad;
    }
}

}  // namespace
}  // namespace kavro
