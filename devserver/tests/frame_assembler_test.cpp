#include "frame_assembler.h"

#include <gtest/gtest.h>

#include "test_client.h"

namespace devserver {
namespace {

using testing::Concat;

TEST(FrameAssembler, ReassemblesAPacketCutAtEveryByte) {
    const Bytes wire = FramePacket(CMD_NOTE, KIND_REQUEST, Bytes{'a', 'b', 'c', 'd', 'e'});
    for (size_t cut = 0; cut <= wire.size(); ++cut) {
        FrameAssembler a;
        std::vector<WirePacket> out;
        EXPECT_EQ(a.Feed(wire.data(), cut, out), FrameAssembler::Status::Ok);
        EXPECT_EQ(out.size(), cut == wire.size() ? 1u : 0u) << "cut " << cut;
        a.Feed(wire.data() + cut, wire.size() - cut, out);
        ASSERT_EQ(out.size(), 1u) << "cut " << cut;
        EXPECT_EQ(out[0].command, CMD_NOTE);
        EXPECT_EQ(out[0].body, (Bytes{'a', 'b', 'c', 'd', 'e'}));
        EXPECT_EQ(a.Pending(), 0u);
    }
}

TEST(FrameAssembler, DeliversEveryPacketOfOneSegmentIncludingEmptyBodies) {
    const Bytes wire = Concat({FramePacket(CMD_KEEPALIVE, 1, {}), FramePacket(CMD_LOGIN, 2, {'S'}),
                               FramePacket(CMD_KEEPALIVE, 1, {})});
    FrameAssembler a;
    std::vector<WirePacket> out;
    a.Feed(wire.data(), wire.size(), out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(out[0].body.empty());
    EXPECT_EQ(out[1].body, Bytes{'S'});
    EXPECT_EQ(out[2].command, CMD_KEEPALIVE);
}

TEST(FrameAssembler, AcceptsTheLargestBodyAndRefusesAnythingLarger) {
    const Bytes largest = FramePacket(CMD_NOTE, 1, Bytes(4090, 'x'));
    FrameAssembler ok;
    std::vector<WirePacket> out;
    EXPECT_EQ(ok.Feed(largest.data(), largest.size(), out), FrameAssembler::Status::Ok);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].body.size(), 4090u);

    for (uint16_t length : {uint16_t{4091}, uint16_t{0x8000}, uint16_t{0xFFFF}}) {
        FrameAssembler a;
        uint8_t header[6];
        BuildHeader(header, length, CMD_NOTE, 1);
        out.clear();
        EXPECT_EQ(a.Feed(header, sizeof(header), out), FrameAssembler::Status::Oversize);
        EXPECT_TRUE(a.Broken());
        EXPECT_EQ(a.OffendingHeader().bodyLength, length);
        // Once broken, nothing more is taken, not even a good packet.
        const Bytes good = FramePacket(CMD_KEEPALIVE, 1, {});
        EXPECT_EQ(a.Feed(good.data(), good.size(), out), FrameAssembler::Status::Oversize);
        EXPECT_TRUE(out.empty());
    }
}

TEST(FrameAssembler, PacketsBeforeAnOversizeHeaderInTheSameSegmentStillCount) {
    uint8_t bad[6];
    BuildHeader(bad, 5000, CMD_NOTE, 1);
    const Bytes wire = Concat({FramePacket(CMD_LOGOUT, 4, Bytes(13, 0)), Bytes(bad, bad + 6), Bytes(100, 'z')});
    FrameAssembler a;
    std::vector<WirePacket> out;
    EXPECT_EQ(a.Feed(wire.data(), wire.size(), out), FrameAssembler::Status::Oversize);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].command, CMD_LOGOUT);
}

}  // namespace
}  // namespace devserver
