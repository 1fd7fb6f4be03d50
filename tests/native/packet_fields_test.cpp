#include <gtest/gtest.h>

#include "fields.h"
#include "packet.h"
#include "test_bytes.h"

TEST(PacketHeader, BuildWritesThreeBigEndianFields) {
    uint8_t out[6];
    BuildHeader(out, 90, 2001, KIND_REQUEST);
    const uint8_t expected[6] = {0x00, 0x5A, 0x07, 0xD1, 0x00, 0x01};
    EXPECT_EQ(0, std::memcmp(out, expected, 6));
}

TEST(PacketHeader, StructFormHasTheSameBytes) {
    PacketHeader h;
    BuildHeader(&h, 13, 2008, KIND_SERVER);
    uint8_t out[6];
    BuildHeader(out, 13, 2008, KIND_SERVER);
    EXPECT_EQ(0, std::memcmp(&h, out, 6));
}

TEST(PacketHeader, ParseReadsNetworkOrder) {
    const uint8_t in[6] = {0x0F, 0xFA, 0x07, 0xD7, 0x00, 0x04};
    const PacketHeader h = ParseHeader(in);
    EXPECT_EQ(4090, h.bodyLength);
    EXPECT_EQ(2007, h.command);
    EXPECT_EQ(KIND_SERVER, h.kind);
}

TEST(PacketHeader, BodyLengthBoundIsTheReceiveBuffer) {
    EXPECT_EQ(4090u, kMaxBodyLength);
    EXPECT_TRUE(BodyLengthFits(0));
    EXPECT_TRUE(BodyLengthFits(4090));
    EXPECT_FALSE(BodyLengthFits(4091));
    EXPECT_FALSE(BodyLengthFits(0x8000));  // negative as signed 16-bit
    EXPECT_FALSE(BodyLengthFits(0xFFFF));
}

TEST(Fields, PutTextPadsWithZeros) {
    uint8_t slot[8];
    std::memset(slot, 0xAA, sizeof slot);
    PutText(slot, 8, "abc");
    EXPECT_EQ(Padded("abc", 8), At(slot, 0, 8));
}

TEST(Fields, PutTextFullSlotHasNoTerminatorAndLongerIsCut) {
    uint8_t slot[5 + 1];
    slot[5] = 0x55;
    PutText(slot, 5, "abcdefgh");
    EXPECT_EQ("abcde", At(slot, 0, 5));
    EXPECT_EQ(0x55, slot[5]);  // nothing written past the slot
}

TEST(Fields, PutTextOfAnEmptyViewZeroesTheSlot) {
    // A default string_view has a null data pointer; it must not reach memcpy.
    uint8_t slot[4] = {1, 2, 3, 4};
    PutText(slot, 4, std::string_view());
    EXPECT_TRUE(AllZero(slot, 0, 4));
}

TEST(Fields, PutTextTerminatedKeepsOneZero) {
    uint8_t slot[4];
    PutTextTerminated(slot, 4, "abcdef");
    EXPECT_EQ(std::string("abc\0", 4), At(slot, 0, 4));
}

TEST(Fields, GetTextStopsAtFirstZeroOrWidth) {
    const uint8_t a[6] = {'a', 'b', 0, 'c', 'd', 'e'};
    EXPECT_EQ("ab", GetText(a, 6));
    EXPECT_EQ("abc", GetText(reinterpret_cast<const uint8_t*>("abcdef"), 3));
    EXPECT_EQ("", GetText(a, 0));
}

TEST(Fields, NumbersBothOrders) {
    uint8_t b[4];
    PutU16BE(b, 0x1234);
    EXPECT_EQ(0x12, b[0]);
    EXPECT_EQ(0x1234, GetU16BE(b));
    PutU32BE(b, 0x89ABCDEFu);
    EXPECT_EQ(0x89, b[0]);
    EXPECT_EQ(0x89ABCDEFu, GetU32BE(b));
    EXPECT_EQ(static_cast<int32_t>(0x89ABCDEFu), GetI32BE(b));
    PutU16LE(b, 0x1234);
    EXPECT_EQ(0x34, b[0]);
    EXPECT_EQ(0x1234, GetU16LE(b));
    PutU32LE(b, 0x89ABCDEFu);
    EXPECT_EQ(0xEF, b[0]);
    EXPECT_EQ(0x89ABCDEFu, GetU32LE(b));
    const uint8_t minusOne[2] = {0xFF, 0xFF};
    EXPECT_EQ(-1, GetI16BE(minusOne));
}
