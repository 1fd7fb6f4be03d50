#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "list_header_geometry.h"
#include "member_sort.h"
#include "member_wire_builder.h"

namespace {

// Byte order stands in for the system's locale-aware comparison.
class ByteCollation : public TextCollation {
public:
    int Compare(std::string_view a, std::string_view b) const override {
        ++calls;
        return a.compare(b) < 0 ? -1 : (a.compare(b) > 0 ? 1 : 0);
    }
    std::string SortKey(std::string_view text) const override { return std::string(text); }
    mutable int calls = 0;
};

MemberRecord Woman(const std::string& id) {
    WireMember m;
    m.id = id;
    return m.Record();
}
MemberRecord Man(const std::string& id) {
    WireMember m;
    m.id = id;
    m.sex = 'M';
    return m.Record();
}

int Cmp(const MemberRecord& a, const MemberRecord& b, int column, bool ascending = true) {
    return CompareMemberRows(a, b, column, ascending, ByteCollation());
}

TEST(MemberSort, AgesAndPointsCompareAsNumbers) {
    MemberRecord a = Woman("a"), b = Woman("b");
    a.slots[SLOT_AGE] = "4:9";
    b.slots[SLOT_AGE] = "4:10";
    EXPECT_LT(Cmp(a, b, 4), 0);
    EXPECT_GT(Cmp(a, b, 4, false), 0);
    MemberRecord m1 = Man("m1"), m2 = Man("m2");
    m1.slots[SLOT_POINTS] = "6:999";
    m2.slots[SLOT_POINTS] = "6:1000";
    EXPECT_LT(Cmp(m1, m2, 6), 0);
    m1.slots[SLOT_POINTS] = "6:-5";
    EXPECT_LT(Cmp(m1, m2, 6), 0);
    m1.slots[SLOT_POINTS] = "6:1000";
    EXPECT_EQ(0, Cmp(m1, m2, 6));  // equal numbers are equal: no tie-break
}

TEST(MemberSort, ColumnSixUsesTheAlbumWhenTheFirstRowIsAWoman) {
    MemberRecord w = Woman("w"), v = Woman("v");
    w.slots[SLOT_ALBUM] = "6:12";
    v.slots[SLOT_ALBUM] = "6:3";
    EXPECT_GT(Cmp(w, v, 6), 0);
    EXPECT_EQ(SLOT_ALBUM, SortSlotFor(6, w));
    EXPECT_EQ(SLOT_POINTS, SortSlotFor(6, Man("m")));
    EXPECT_EQ(SLOT_TASTE, SortSlotFor(7, w));
    EXPECT_EQ(SLOT_TOPIC, SortSlotFor(8, w));
    EXPECT_EQ(-1, SortSlotFor(9, w));
    EXPECT_EQ(0, Cmp(w, v, 9));
}

TEST(MemberSort, EqualWomenNicknamesAreOrderedByStamp) {
    MemberRecord a = Woman("a"), b = Woman("b");
    a.stamp = "2024/5/1/10/0/2";
    b.stamp = "2024/5/1/10/0/10";
    a.slots[SLOT_STATUS] = "0:z";  // a woman's status is no tie-break
    EXPECT_LT(Cmp(a, b, 1), 0);
    EXPECT_GT(Cmp(a, b, 1, false), 0);
}

TEST(MemberSort, EqualMenNicknamesAreOrderedByStatusThenStamp) {
    MemberRecord a = Man("a"), b = Man("b");
    a.slots[SLOT_STATUS] = "0:b";
    b.slots[SLOT_STATUS] = "0:a";
    a.stamp = "1";
    b.stamp = "2";
    EXPECT_GT(Cmp(a, b, 1), 0);  // the status decides before the stamp
    b.slots[SLOT_STATUS] = "0:b";
    EXPECT_LT(Cmp(a, b, 1), 0);
    b.stamp = "1";
    EXPECT_EQ(0, Cmp(a, b, 1));
}

TEST(MemberSort, TextColumnsCompareTheStoredTextsWithTheCollation) {
    MemberRecord a = Woman("a"), b = Woman("b");
    a.slots[SLOT_NICKNAME] = "1:abc";
    b.slots[SLOT_NICKNAME] = "1:abd";
    ByteCollation collation;
    EXPECT_LT(CompareMemberRows(a, b, 1, true, collation), 0);
    EXPECT_EQ(1, collation.calls);
    a.slots[SLOT_REGION] = "5:Busan";
    b.slots[SLOT_REGION] = "5:Seoul";
    EXPECT_LT(Cmp(a, b, 5), 0);
    a.slots[SLOT_TOPIC] = "8:z";
    b.slots[SLOT_TOPIC] = "8:a";
    EXPECT_GT(Cmp(a, b, 8), 0);
}

TEST(MemberSort, WebcamComparesValuesWithoutTieBreaks) {
    MemberRecord a = Woman("a"), b = Woman("b");
    a.slots[SLOT_WEBCAM] = "2:N";
    b.slots[SLOT_WEBCAM] = "2:Y";
    EXPECT_LT(Cmp(a, b, 2), 0);
    b.slots[SLOT_WEBCAM] = "2:N";
    a.stamp = "1";
    b.stamp = "9";
    EXPECT_EQ(0, Cmp(a, b, 2));
}

TEST(MemberSort, TheFirstRowsColumnNumberChoosesTheComparison) {
    // An empty age counts as column 0: a text comparison with tie-breaks.
    MemberRecord a = Woman("a"), b = Woman("b");
    a.slots[SLOT_AGE] = "";
    b.slots[SLOT_AGE] = "4:30";
    a.stamp = "9";
    EXPECT_LT(Cmp(a, b, 4), 0);  // "" sorts before "4:30" as text
    // The other way round the numbers decide: atoi("") is 0 and 30 > 0.
    EXPECT_GT(Cmp(b, a, 4), 0);
}

TEST(Stamps, CompareFieldByFieldAsNumbers) {
    EXPECT_LT(CompareStamps("2024/1/9", "2024/1/10"), 0);
    EXPECT_EQ(0, CompareStamps("1/2/3/4/5/6/7", "1/2/3/4/5/6/8"));  // six fields only
    EXPECT_EQ(0, CompareStamps("1/0", "1"));                        // missing fields are 0
    EXPECT_GT(CompareStamps("2", "1/99"), 0);
    EXPECT_EQ(0, CompareStamps("", ""));
}

TEST(SortState, ThreeClicksAscendDescendAscendAndANewColumnAscends) {
    SortState s;
    s.Click(4);
    EXPECT_TRUE(s.ascending);
    s.Click(4);
    EXPECT_FALSE(s.ascending);
    s.Click(4);
    EXPECT_TRUE(s.ascending);
    s.Click(1);
    EXPECT_TRUE(s.ascending);
    EXPECT_EQ(1, s.column);
    SortState first;
    first.Click(0);  // the state starts on column 0, not yet sorted
    EXPECT_TRUE(first.ascending);
}

TEST(MemberSort, AStableSortByAgeThenDescendingReversesDistinctAges) {
    std::vector<MemberRecord> rows;
    for (int age : {31, 9, 10, 100, 25}) {
        MemberRecord r = Woman("id" + std::to_string(age));
        r.slots[SLOT_AGE] = "4:" + std::to_string(age);
        rows.push_back(r);
    }
    auto ages = [&] {
        std::vector<std::string> out;
        for (const auto& r : rows) out.push_back(r.Value(SLOT_AGE));
        return out;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [](const MemberRecord& a, const MemberRecord& b) { return Cmp(a, b, 4) < 0; });
    EXPECT_EQ((std::vector<std::string>{"9", "10", "25", "31", "100"}), ages());
    std::stable_sort(rows.begin(), rows.end(),
                     [](const MemberRecord& a, const MemberRecord& b) { return Cmp(a, b, 4, false) < 0; });
    EXPECT_EQ((std::vector<std::string>{"100", "31", "25", "10", "9"}), ages());
}

}  // namespace

// ---- the header's sort arrow ----

namespace {

TEST(HeaderGeometry, TextRectLeavesRoomForTheArrowAndMovesWhenPressed) {
    const HeaderRect item{100, 0, 200, 20};  // q = 5
    EXPECT_EQ((HeaderRect{105, 0, 195, 20}), HeaderTextRect(item, false, false));
    EXPECT_EQ((HeaderRect{105, 0, 180, 20}), HeaderTextRect(item, false, true));
    EXPECT_EQ((HeaderRect{106, 2, 181, 22}), HeaderTextRect(item, true, true));
    const HeaderRect narrow{0, 0, 12, 20};
    const HeaderRect r = HeaderTextRect(narrow, false, true);
    EXPECT_LE(r.right, r.left);  // no width left: the text is not drawn
}

TEST(HeaderGeometry, ArrowPointsUpWhenAscendingAndDownWhenDescending) {
    const HeaderRect item{0, 0, 80, 23};  // q = 5 (rounded toward zero), R = 80, B = 23
    const HeaderArrow up = HeaderSortArrow(item, true);
    EXPECT_EQ((std::vector<HeaderPoint>{{70, 5}, {75, 17}, {63, 17}}), up.highlight);
    EXPECT_EQ((std::vector<HeaderPoint>{{64, 17}, {70, 4}}), up.shadow);
    const HeaderArrow down = HeaderSortArrow(item, false);
    EXPECT_EQ((std::vector<HeaderPoint>{{74, 5}, {69, 18}}), down.highlight);
    EXPECT_EQ((std::vector<HeaderPoint>{{68, 18}, {64, 5}, {74, 5}}), down.shadow);
    // The tip is the top point when ascending and the bottom point when descending.
    EXPECT_LT(up.highlight[0].y, up.highlight[1].y);
    EXPECT_GT(down.highlight[1].y, down.highlight[0].y);
}

}  // namespace

// ---- sorting a whole list ----

namespace {

std::vector<MemberRecord> AgedWomen(const std::vector<std::string>& ages) {
    std::vector<MemberRecord> rows;
    for (size_t i = 0; i < ages.size(); ++i) {
        MemberRecord r = Woman("id" + std::to_string(i));
        r.slots[SLOT_AGE] = ages[i].empty() ? "" : "4:" + ages[i];
        rows.push_back(r);
    }
    return rows;
}

std::vector<const MemberRecord*> Pointers(const std::vector<MemberRecord>& rows) {
    std::vector<const MemberRecord*> out;
    for (const auto& r : rows) out.push_back(&r);
    return out;
}

TEST(SortMemberRows, OrdersByTheColumnAndKeepsEqualRowsInTheirOrder) {
    const auto rows = AgedWomen({"31", "9", "25", "9", "100", "25"});
    auto sorted = Pointers(rows);
    SortMemberRows(sorted, 4, true, ByteCollation());
    std::vector<std::string> ids;
    for (const auto* r : sorted) ids.push_back(r->id);
    EXPECT_EQ((std::vector<std::string>{"id1", "id3", "id2", "id5", "id0", "id4"}), ids);
    SortMemberRows(sorted, 4, false, ByteCollation());
    EXPECT_EQ("id4", sorted.front()->id);
    EXPECT_EQ("9", sorted.back()->Value(SLOT_AGE));
}

TEST(SortMemberRows, StaysWithinBoundsWhenTheComparisonIsNotAnOrder) {
    // Empty ages compare as text when first and as numbers when second: no
    // consistent order exists, but the sort must still give every row once.
    std::mt19937 rng(7);
    std::vector<std::string> ages;
    for (int i = 0; i < 1000; ++i) ages.push_back(rng() % 3 == 0 ? "" : std::to_string(rng() % 50));
    const auto rows = AgedWomen(ages);
    auto sorted = Pointers(rows);
    SortMemberRows(sorted, 4, true, ByteCollation());
    auto expected = Pointers(rows);
    std::sort(expected.begin(), expected.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(expected, sorted);
    std::vector<const MemberRecord*> none;
    SortMemberRows(none, 4, true, ByteCollation());
    EXPECT_TRUE(none.empty());
}

}  // namespace

namespace {

// Rows of every shape: either sex, empty or filled slots, odd prefixes.
MemberRecord RandomRow(std::mt19937& rng, int i) {
    WireMember m;
    m.id = "r" + std::to_string(i);
    m.sex = rng() % 2 ? 'F' : 'M';
    m.status = "TW\0"[rng() % 3];
    m.nickname = std::string(1, static_cast<char>('a' + rng() % 3));
    m.age = static_cast<int16_t>(rng() % 4 == 0 ? 0 : rng() % 30);
    m.album = static_cast<int16_t>(static_cast<int>(rng() % 5) - 1);
    m.points = static_cast<int32_t>(rng() % 2000) - 1000;
    m.webcam = "YN\0"[rng() % 3];
    m.taste = static_cast<int16_t>(static_cast<int>(rng() % 13) - 2);
    m.stamp = std::to_string(rng() % 3) + "/" + std::to_string(rng() % 3);
    return m.Record();
}

TEST(MemberSortKeys, AnswerAsTheRowComparisonForEveryPairAndColumn) {
    std::mt19937 rng(99);
    std::vector<MemberRecord> rows;
    for (int i = 0; i < 60; ++i) rows.push_back(RandomRow(rng, i));
    rows[3].slots[SLOT_TOPIC] = "";  // an empty text sorts as text
    const ByteCollation collation;
    for (int column = -1; column <= 9; ++column) {
        std::vector<MemberSortKey> keys;
        for (const auto& r : rows) keys.push_back(MakeSortKey(r, column, collation));
        for (bool ascending : {true, false})
            for (size_t i = 0; i < rows.size(); ++i)
                for (size_t j = 0; j < rows.size(); ++j)
                    ASSERT_EQ(CompareMemberRows(rows[i], rows[j], column, ascending, collation),
                              CompareSortKeys(keys[i], keys[j], column, ascending))
                        << "column " << column << " rows " << i << ", " << j;
    }
}

}  // namespace
