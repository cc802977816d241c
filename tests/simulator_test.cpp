// The virtual switch answers the queries with frames the tool accepts.

#include <gtest/gtest.h>

#include "buslink/frame_codec.h"
#include "simulator/switch_simulator.h"

namespace kavro {
namespace {

// A query as the tool builds it, to the global address.
Bytes Query(std::uint8_t code, std::optional<int> channel = std::nullopt,
            std::array<std::uint8_t, 3> destination = {0xFF, 0xFF, 0xFF}) {
    FrameBuffer b{};
    const int length = channel ? 12 : 11;
    Bytes head{code, LengthByte(length, false), 0xFF, 0xFE, 0xFF, 0xFF,
               destination[0], destination[1], destination[2]};
    std::copy(head.begin(), head.end(), b.begin());
    if (channel) b[9] = static_cast<std::uint8_t>(*channel ^ 0xFF);
    AppendChecksum(b, length);
    return Bytes(b.begin(), b.begin() + length);
}

// Checks a reply the way the tool does: length byte, then checksum.
void ExpectAccepted(const Bytes& reply, int expectedLength) {
    ASSERT_EQ(static_cast<int>(reply.size()), expectedLength);
    FrameBuffer b{};
    std::copy(reply.begin(), reply.end(), b.begin());
    EXPECT_EQ(FrameLengthFrom(b[1]), expectedLength);
    EXPECT_EQ(VerifyChecksum(b), 1);
}

TEST(SimulatorQueries, WorkedQueryFramesAreTheOnesTheToolSends) {
    EXPECT_EQ(Query(msg::QueryFirmware), (Bytes{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x6C}));
    EXPECT_EQ(Query(msg::QuerySwitchAddress), (Bytes{0x8F, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x7B}));
    EXPECT_EQ(Query(msg::QuerySourceGroups), (Bytes{0x8C, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x78}));
    EXPECT_EQ(Query(msg::QueryChannel, 1),
              (Bytes{0x8D, 0xF3, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x09, 0x76}));
}

TEST(SimulatorQueries, FirmwareAndAddressAsConfigured) {
    SwitchState state = SwitchState::Factory();
    state.firmwareMajor = 3;
    state.firmwareMinor = 7;
    state.address = {0x12, 0xAB, 0x3C};
    SwitchSimulator sim(state);

    const Bytes firmware = *sim.answer(Query(msg::QueryFirmware));
    ExpectAccepted(firmware, 13);
    EXPECT_EQ(firmware[9] ^ 0xFF, 3);
    EXPECT_EQ(firmware[10] ^ 0xFF, 7);

    const Bytes address = *sim.answer(Query(msg::QuerySwitchAddress));
    ExpectAccepted(address, 11);
    EXPECT_EQ(address[3], 0x12);  // not complemented
    EXPECT_EQ(address[4], 0xAB);
    EXPECT_EQ(address[5], 0x3C);
}

TEST(SimulatorQueries, ChannelRecordCarriesTheChannelAndItsBlocks) {
    SwitchSimulator sim(SwitchState::Demo());
    for (int channel = 1; channel <= 8; ++channel) {
        const Bytes reply = *sim.answer(Query(msg::QueryChannel, channel));
        ExpectAccepted(reply, 33);
        EXPECT_EQ(reply[9] ^ 0xFF, channel);
        const auto& blocks = sim.state().channelBlocks[channel - 1];
        EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), reply.begin() + 10));
    }
    // Demo channel 2 press: "DOWN limit" (0x02) data 0x10, specific motor 00A107.
    const Bytes ch2 = *sim.answer(Query(msg::QueryChannel, 2));
    EXPECT_EQ(ch2[10] ^ 0xFF, 0x02);
    EXPECT_EQ(ch2[11] ^ 0xFF, 0x10);
    EXPECT_EQ(ch2[13] ^ 0xFF, 2);
    EXPECT_EQ((ch2[14] ^ 0xFF) << 16 | (ch2[15] ^ 0xFF) << 8 | (ch2[16] ^ 0xFF), 0x00A107);
}

TEST(SimulatorQueries, FactorySwitchReadsAsNoneToTheGroup) {
    SwitchSimulator sim;
    const Bytes reply = *sim.answer(Query(msg::QueryChannel, 5));
    for (int e = 0; e < 3; ++e) {
        const int b = 10 + 7 * e;
        EXPECT_EQ(reply[b] ^ 0xFF, 0x00);      // NONE
        EXPECT_EQ(reply[b + 3] ^ 0xFF, 0x00);  // mode Group
    }
    const Bytes groups = *sim.answer(Query(msg::QuerySourceGroups));
    ExpectAccepted(groups, 35);
    for (int i = 9; i < 33; ++i) EXPECT_EQ(groups[i] ^ 0xFF, 0x00);  // "000000"
}

TEST(SimulatorQueries, UnansweredFrames) {
    SwitchSimulator sim;
    Bytes bad = Query(msg::QueryFirmware);
    bad[10] ^= 1;
    EXPECT_FALSE(sim.answer(bad));                                                  // bad checksum
    EXPECT_FALSE(sim.answer(Query(msg::QueryFirmware, std::nullopt, {1, 2, 3})));  // someone else
    EXPECT_FALSE(sim.answer(Query(msg::QueryChannel, 0)));
    EXPECT_FALSE(sim.answer(Query(msg::QueryChannel, 9)));
    EXPECT_FALSE(sim.answer(Query(0x42)));
    EXPECT_EQ(sim.framesAnswered(), 0);
}

TEST(SimulatorQueries, AnswersItsOwnAddressAndTheGlobalOne) {
    SwitchState state = SwitchState::Factory();
    state.address = {0x01, 0x02, 0x03};
    SwitchSimulator sim(state);
    EXPECT_TRUE(sim.answer(Query(msg::QueryFirmware, std::nullopt, {1, 2, 3})));
    EXPECT_TRUE(sim.answer(Query(msg::QueryFirmware)));
}

TEST(SimulatorStream, FramesSplitAnywhereAndLeadingGarbageAreHandled) {
    SwitchSimulator sim;
    Bytes stream{0x00, 0x13};  // noise the switch cannot make a frame of
    const Bytes q1 = Query(msg::QueryFirmware), q2 = Query(msg::QueryChannel, 3);
    stream.insert(stream.end(), q1.begin(), q1.end());
    stream.insert(stream.end(), q2.begin(), q2.end());
    Bytes out;
    for (std::uint8_t b : stream) {
        const Bytes part = sim.receive(&b, 1);
        out.insert(out.end(), part.begin(), part.end());
    }
    ASSERT_EQ(out.size(), 13u + 33u);
    EXPECT_EQ(out[0], msg::QueryFirmware);
    EXPECT_EQ(out[13], msg::QueryChannel);
}

}  // namespace
}  // namespace kavro
