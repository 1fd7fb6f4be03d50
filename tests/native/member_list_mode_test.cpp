#include <gtest/gtest.h>

#include "member_list_mode.h"

namespace {

TEST(ColumnSpec, BothListsHaveNineColumnsDifferingInColumnSix) {
    const auto female = ParseColumnSpec(kFemaleListColumns);
    const auto male = ParseColumnSpec(kMaleListColumns);
    ASSERT_EQ(9u, female.size());
    ASSERT_EQ(9u, male.size());
    EXPECT_EQ("대화", female[0].name);
    EXPECT_EQ(59, female[0].width);
    EXPECT_EQ("앨범", female[6].name);
    EXPECT_EQ("포인트", male[6].name);
    EXPECT_EQ("대화주제", male[8].name);
    EXPECT_EQ(152, male[8].width);
    int total = 0;
    for (const auto& c : female) total += c.width;
    EXPECT_EQ(59 + 80 + 39 + 63 + 51 + 52 + 64 + 50 + 152, total);
}

TEST(ColumnSpec, WalkStopsAtANameWithoutWidth) {
    const auto cols = ParseColumnSpec("a,10;b,x;c");
    ASSERT_EQ(2u, cols.size());
    EXPECT_EQ(10, cols[0].width);
    EXPECT_EQ("b", cols[1].name);
    EXPECT_EQ(0, cols[1].width);
    EXPECT_TRUE(ParseColumnSpec("").empty());
    EXPECT_EQ(1u, ParseColumnSpec("only,5").size());
}

TEST(ViewerSex, OnlyValuesAboveManByteByByteCountAsWoman) {
    EXPECT_TRUE(ComparesAboveMan("woman"));
    EXPECT_TRUE(ComparesAboveMan("mana"));
    EXPECT_FALSE(ComparesAboveMan("man"));
    EXPECT_FALSE(ComparesAboveMan("M"));
    EXPECT_FALSE(ComparesAboveMan("F"));
    EXPECT_FALSE(ComparesAboveMan(""));
    EXPECT_FALSE(ComparesAboveMan(std::string("man\0x", 5)));  // a C string ends at zero
    EXPECT_TRUE(ComparesAboveMan("\xB3\xB2"));                  // bytes compare unsigned
}

TEST(ListMode, WomanStartsOnTheMaleListAndAcceptsOnlyMen) {
    ListMode m;
    m.StartFor("woman");
    EXPECT_TRUE(m.viewerIsWoman);
    EXPECT_TRUE(m.showMen);
    EXPECT_TRUE(m.ShowsMaleColumns());
    EXPECT_TRUE(m.Accepts(RecordOperation::Add, false, 'N'));
    EXPECT_FALSE(m.Accepts(RecordOperation::Add, true, 'N'));
    EXPECT_TRUE(m.Accepts(RecordOperation::Update, false, 'N'));
    EXPECT_FALSE(m.Accepts(RecordOperation::Update, true, 'N'));
    EXPECT_EQ('M', m.RequestLetter());
}

TEST(ListMode, ManOrEmptyStartsOnTheFemaleListAndAcceptsOnlyWomen) {
    for (const char* sex : {"man", ""}) {
        ListMode m;
        m.StartFor(sex);
        EXPECT_FALSE(m.viewerIsWoman);
        EXPECT_FALSE(m.ShowsMaleColumns());
        EXPECT_TRUE(m.Accepts(RecordOperation::Add, true, 'N'));
        EXPECT_FALSE(m.Accepts(RecordOperation::Add, false, 'N'));
        EXPECT_EQ('F', m.RequestLetter());
    }
}

TEST(ListMode, RemovalsApplyInEveryModeAndUnknownOperationsNever) {
    ListMode m;
    m.StartFor("man");
    EXPECT_TRUE(m.Accepts(RecordOperation::Remove, false, 0));
    m.buddyMode = true;
    EXPECT_TRUE(m.Accepts(RecordOperation::Remove, false, 0));
    EXPECT_FALSE(m.Accepts(RecordOperation::Unknown, true, 'Y'));
    EXPECT_EQ(RecordOperation::Unknown, OperationOf('a'));
    EXPECT_EQ(RecordOperation::Remove, OperationOf('R'));
}

TEST(ListMode, BuddyModeTakesAddsOfBuddiesOnlyButUpdatesOfAnyOtherSexMember) {
    ListMode m;
    m.StartFor("man");
    m.listReady = true;
    const ListModeChange c = m.Apply("B");
    EXPECT_TRUE(c.changed);
    EXPECT_FALSE(c.maleColumns);  // a man's buddy list shows women's columns
    EXPECT_EQ('B', c.requestLetter);
    EXPECT_TRUE(m.Accepts(RecordOperation::Add, true, 'Y'));
    EXPECT_FALSE(m.Accepts(RecordOperation::Add, true, 'N'));
    EXPECT_FALSE(m.Accepts(RecordOperation::Add, false, 'Y'));
    EXPECT_TRUE(m.Accepts(RecordOperation::Update, true, 'N'));
}

TEST(ListMode, BuddyTwiceChangesTheListOnce) {
    ListMode m;
    m.StartFor("woman");
    m.listReady = true;
    EXPECT_TRUE(m.Apply("B").changed);
    EXPECT_FALSE(m.Apply("B").changed);
    EXPECT_TRUE(m.buddyMode);
}

TEST(ListMode, SexValueSwitchesListsAndLeavesBuddyMode) {
    ListMode m;
    m.StartFor("man");
    m.listReady = true;
    m.Apply("B");
    ListModeChange c = m.Apply("woman");
    EXPECT_TRUE(c.changed);
    EXPECT_TRUE(c.maleColumns);
    EXPECT_EQ('M', c.requestLetter);
    EXPECT_FALSE(m.buddyMode);
    EXPECT_TRUE(m.showMen);
    EXPECT_FALSE(m.OffersFullMenu());  // a man looking at men
    c = m.Apply("F");
    EXPECT_FALSE(m.showMen);
    EXPECT_EQ('F', c.requestLetter);
    EXPECT_TRUE(m.OffersFullMenu());
    EXPECT_TRUE(m.Apply("F").changed);  // a sex value rebuilds every time
}

TEST(ListMode, LabelBuddyRequestsTheBuddyListThenFiltersAsASexList) {
    ListMode m;
    m.StartFor("woman");
    m.listReady = true;
    const ListModeChange c = m.ApplyLabel("B");
    EXPECT_TRUE(c.changed);
    EXPECT_EQ('B', c.requestLetter);
    EXPECT_TRUE(c.maleColumns);
    EXPECT_FALSE(m.buddyMode);
    EXPECT_TRUE(m.Accepts(RecordOperation::Add, false, 'N'));  // a plain sex-list filter
}

TEST(ListMode, NothingChangesBeforeTheListIsReady) {
    ListMode m;
    m.StartFor("man");
    EXPECT_FALSE(m.Apply("B").changed);
    EXPECT_FALSE(m.ApplyLabel("woman").changed);
    EXPECT_FALSE(m.buddyMode);
    EXPECT_FALSE(m.showMen);
}

}  // namespace
