#include "delivery_plan.h"

#include <gtest/gtest.h>

namespace devserver {
namespace {

// (offset, length, pause) triples for compact comparison.
std::vector<std::tuple<size_t, size_t, int>> Plan(size_t size, const Delivery& d) {
    std::vector<std::tuple<size_t, size_t, int>> out;
    for (const Chunk& c : PlanChunks(size, d)) out.emplace_back(c.offset, c.length, c.pauseBeforeMs);
    return out;
}

TEST(DeliveryPlan, PlainIsOneWrite) {
    EXPECT_EQ(Plan(20, {}), (std::vector<std::tuple<size_t, size_t, int>>{{0, 20, 0}}));
    // An empty item (a close marker) still makes one, empty, write.
    EXPECT_EQ(Plan(0, {}), (std::vector<std::tuple<size_t, size_t, int>>{{0, 0, 0}}));
}

TEST(DeliveryPlan, SplitCoversEveryByteOnceWithGapsBetweenPieces) {
    Delivery d;
    d.split = {3, 2};
    d.gapMs = 150;
    EXPECT_EQ(Plan(10, d), (std::vector<std::tuple<size_t, size_t, int>>{{0, 3, 0}, {3, 2, 150}, {5, 5, 150}}));
    // Pieces that reach past the end are cut to the packet.
    d.split = {4, 100};
    EXPECT_EQ(Plan(10, d), (std::vector<std::tuple<size_t, size_t, int>>{{0, 4, 0}, {4, 6, 150}}));
}

TEST(DeliveryPlan, StallPausesBeforeTheRestAndWinsOverASplitGapAtTheSamePlace) {
    Delivery d;
    d.stallAfter = 8;
    d.stallMs = 12000;
    EXPECT_EQ(Plan(20, d), (std::vector<std::tuple<size_t, size_t, int>>{{0, 8, 0}, {8, 12, 12000}}));
    d.split = {8};
    d.gapMs = 50;
    EXPECT_EQ(Plan(20, d), (std::vector<std::tuple<size_t, size_t, int>>{{0, 8, 0}, {8, 12, 12000}}));
    // A stall at or past the end leaves the packet whole.
    d.split.clear();
    d.stallAfter = 20;
    EXPECT_EQ(Plan(20, d), (std::vector<std::tuple<size_t, size_t, int>>{{0, 20, 0}}));
}

TEST(DeliveryPlan, DripWritesEveryByteAloneAfterItsPause) {
    Delivery d;
    d.dripMs = 1000;
    EXPECT_FALSE(d.Plain());
    const auto chunks = PlanChunks(4, d);
    ASSERT_EQ(chunks.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(chunks[i].offset, i);
        EXPECT_EQ(chunks[i].length, 1u);
        EXPECT_EQ(chunks[i].pauseBeforeMs, i == 0 ? 0 : 1000);
    }
    EXPECT_EQ(DescribeDelivery(d), "one byte every 1000 ms");
}

}  // namespace
}  // namespace devserver
