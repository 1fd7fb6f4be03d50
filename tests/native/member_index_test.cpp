#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "member_index.h"

namespace {

std::unique_ptr<MemberRecord> Rec(const std::string& id, const std::string& nick = "n") {
    auto r = std::make_unique<MemberRecord>();
    r->id = id;
    r->slots[SLOT_NICKNAME] = "1:" + nick;
    return r;
}

TEST(MemberRowIndex, NewMembersGoOnTopAndListedOnesAreReplacedInPlace) {
    MemberRowIndex index;
    EXPECT_EQ(MemberRowIndex::Upsert::InsertedTop, index.Apply(Rec("a"), false).kind);
    EXPECT_EQ(MemberRowIndex::Upsert::InsertedTop, index.Apply(Rec("b"), false).kind);
    EXPECT_EQ(MemberRowIndex::Upsert::InsertedTop, index.Apply(Rec("c"), false).kind);
    // rows: c b a
    EXPECT_EQ(0u, *index.RowOf("c"));
    EXPECT_EQ(2u, *index.RowOf("a"));

    MemberRecord* old = index.Find("b");
    auto u = index.Apply(Rec("b", "new"), false);
    EXPECT_EQ(MemberRowIndex::Upsert::Replaced, u.kind);
    EXPECT_EQ(1u, u.row);
    EXPECT_EQ(old, u.previous.get());  // handed back to be freed after the row goes
    EXPECT_EQ("1:new", index.Find("b")->slots[SLOT_NICKNAME]);
    EXPECT_EQ(3u, index.size());
}

TEST(MemberRowIndex, UpdateOfAnUnlistedMemberIsDroppedButOfAListedOneReplaces) {
    MemberRowIndex index;
    auto d = index.Apply(Rec("x"), true);
    EXPECT_EQ(MemberRowIndex::Upsert::Dropped, d.kind);
    EXPECT_EQ(nullptr, d.record);
    EXPECT_TRUE(d.previous);
    EXPECT_TRUE(index.empty());
    index.Apply(Rec("x"), false);
    EXPECT_EQ(MemberRowIndex::Upsert::Replaced, index.Apply(Rec("x"), true).kind);
}

TEST(MemberRowIndex, RemovalShiftsTheRowsBelowAndUnknownIdsAreIgnored) {
    MemberRowIndex index;
    for (const char* id : {"a", "b", "c", "d"}) index.Apply(Rec(id), false);
    // rows: d c b a
    auto removed = index.Remove("c");
    ASSERT_TRUE(removed);
    EXPECT_EQ(1u, removed->row);
    EXPECT_EQ("c", removed->record->id);
    EXPECT_EQ(1u, *index.RowOf("b"));
    EXPECT_EQ(2u, *index.RowOf("a"));
    EXPECT_FALSE(index.Remove("c"));
    EXPECT_FALSE(index.RowOf("c"));
    EXPECT_EQ(nullptr, index.Find("zz"));
}

TEST(MemberRowIndex, IdsCompareAsExactBytes) {
    MemberRowIndex index;
    index.Apply(Rec("Kim"), false);
    EXPECT_EQ(MemberRowIndex::Upsert::InsertedTop, index.Apply(Rec("kim"), false).kind);
    EXPECT_EQ(MemberRowIndex::Upsert::InsertedTop, index.Apply(Rec("kim "), false).kind);
    EXPECT_EQ(3u, index.size());
}

TEST(MemberRowIndex, ReorderTakesTheSortedOrderAndRejectsForeignRecords) {
    MemberRowIndex index;
    for (const char* id : {"a", "b", "c"}) index.Apply(Rec(id), false);
    std::vector<const MemberRecord*> sorted = {index.Find("a"), index.Find("b"), index.Find("c")};
    ASSERT_TRUE(index.Reorder(sorted));
    EXPECT_EQ(0u, *index.RowOf("a"));
    EXPECT_EQ(2u, *index.RowOf("c"));
    index.Apply(Rec("d"), false);  // a new member still goes on top
    EXPECT_EQ(0u, *index.RowOf("d"));
    EXPECT_EQ(1u, *index.RowOf("a"));

    MemberRecord stranger;
    stranger.id = "a";
    EXPECT_FALSE(index.Reorder({&stranger, index.Find("b"), index.Find("c"), index.Find("d")}));
    EXPECT_FALSE(index.Reorder({index.Find("a"), index.Find("a"), index.Find("c"), index.Find("d")}));
    EXPECT_FALSE(index.Reorder({index.Find("a")}));
    EXPECT_EQ(0u, *index.RowOf("d"));  // a rejected order changes nothing
}

TEST(MemberRowIndex, ClearForgetsEverything) {
    MemberRowIndex index;
    index.Apply(Rec("a"), false);
    index.Clear();
    EXPECT_TRUE(index.empty());
    EXPECT_FALSE(index.RowOf("a"));
    index.Apply(Rec("a"), false);
    EXPECT_EQ(0u, *index.RowOf("a"));
}

// The positions must match a plain vector model through every mix of
// insertions at the top (past several rebuilds), replacements, removals and sorts.
TEST(MemberRowIndex, AgreesWithAPlainListModelUnderRandomOperations) {
    std::mt19937 rng(1234);
    MemberRowIndex index;
    std::vector<std::string> model;  // ids in row order
    for (int step = 0; step < 20000; ++step) {
        const int choice = static_cast<int>(rng() % 100);
        const std::string id = "m" + std::to_string(rng() % 700);
        const auto at = std::find(model.begin(), model.end(), id);
        if (choice < 55) {
            const bool updateOnly = choice < 15;
            auto u = index.Apply(Rec(id), updateOnly);
            if (at != model.end()) {
                ASSERT_EQ(MemberRowIndex::Upsert::Replaced, u.kind);
                ASSERT_EQ(static_cast<size_t>(at - model.begin()), u.row);
            } else if (updateOnly) {
                ASSERT_EQ(MemberRowIndex::Upsert::Dropped, u.kind);
            } else {
                ASSERT_EQ(MemberRowIndex::Upsert::InsertedTop, u.kind);
                ASSERT_EQ(0u, u.row);
                model.insert(model.begin(), id);
            }
        } else if (choice < 95) {
            auto removed = index.Remove(id);
            ASSERT_EQ(at != model.end(), removed.has_value());
            if (removed) {
                ASSERT_EQ(static_cast<size_t>(at - model.begin()), removed->row);
                model.erase(at);
            }
        } else {
            std::shuffle(model.begin(), model.end(), rng);
            std::vector<const MemberRecord*> order;
            for (const auto& m : model) order.push_back(index.Find(m));
            ASSERT_TRUE(index.Reorder(order));
        }
        ASSERT_EQ(model.size(), index.size());
        if (step % 97 == 0) {
            for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(i, *index.RowOf(model[i])) << step;
        }
    }
}

}  // namespace
