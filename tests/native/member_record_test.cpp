#include <gtest/gtest.h>

#include "member_rows.h"
#include "member_wire_builder.h"

namespace {

TEST(MemberWireRecord, ShortBodyIsRejectedAndExtraBytesIgnored) {
    const Bytes b = WireMember{}.Body();
    EXPECT_FALSE(ParseMemberWireRecord(b.data(), b.size() - 1));
    EXPECT_FALSE(ParseMemberWireRecord(nullptr, 141));
    Bytes longer = b;
    longer.resize(300, 'x');
    const auto r = ParseMemberWireRecord(longer.data(), longer.size());
    ASSERT_TRUE(r);
    EXPECT_EQ('N', r->buddy);
}

TEST(MemberWireRecord, TextsThatFillTheirSlotAreTakenToTheWidth) {
    WireMember m;
    m.id = "abcdefghijklm";                  // 13
    m.nickname = "0123456789012345678";       // 19
    m.stamp = "01234567890123456789";         // 20
    m.occupation = "ABCDEFGHIJKLMNOPQR";      // 18
    const MemberWireRecord w = m.Wire();
    EXPECT_EQ("abcdefghijklm", w.id);
    EXPECT_EQ("0123456789012345678", w.nicknameUtf8);
    EXPECT_EQ("01234567890123456789", w.stamp);
    EXPECT_EQ("ABCDEFGHIJKLMNOPQR", w.occupationUtf8);
    EXPECT_EQ("Seoul", w.regionUtf8);  // the next field did not run into it
}

TEST(MemberRecordBuild, FemaleMemberGetsEveryColumnWithItsPrefix) {
    WireMember m;
    m.status = 'W';
    const MemberRecord r = m.Record();
    EXPECT_TRUE(r.isFemale);
    EXPECT_EQ("kim01", r.id);
    EXPECT_EQ(std::string("0:") + kStatusWaiting, r.slots[SLOT_STATUS]);
    EXPECT_EQ("1:Nick", r.slots[SLOT_NICKNAME]);
    EXPECT_EQ("2:Y", r.slots[SLOT_WEBCAM]);
    EXPECT_EQ("3:77", r.slots[SLOT_POPULARITY]);
    EXPECT_EQ("4:25", r.slots[SLOT_AGE]);
    EXPECT_EQ("5:Seoul", r.slots[SLOT_REGION]);
    EXPECT_EQ("6:3", r.slots[SLOT_ALBUM]);
    EXPECT_EQ("", r.slots[SLOT_POINTS]);  // points are read for men only
    EXPECT_EQ("7:5", r.slots[SLOT_TASTE]);
    EXPECT_EQ("8:hello", r.slots[SLOT_TOPIC]);
    EXPECT_EQ("2024/1/2/3/4/5", r.stamp);
    EXPECT_EQ("student", r.extraText);
    EXPECT_FALSE(r.isFriend);
    EXPECT_FALSE(r.isBlocked);
}

TEST(MemberRecordBuild, MaleMemberGetsPointsAndNoAlbum) {
    WireMember m;
    m.sex = 'M';
    m.status = 'T';
    m.points = -1500;
    m.album = 9;
    const MemberRecord r = m.Record();
    EXPECT_FALSE(r.isFemale);
    EXPECT_EQ(std::string("0:") + kStatusChatting, r.slots[SLOT_STATUS]);
    EXPECT_EQ("6:-1500", r.slots[SLOT_POINTS]);
    EXPECT_EQ("", r.slots[SLOT_ALBUM]);
}

TEST(MemberRecordBuild, ZeroAndNegativeFieldsStayEmpty) {
    WireMember m;
    m.sex = 0;        // counts as a man for the points
    m.status = 0;
    m.age = 0;
    m.webcam = 0;
    m.taste = -1;
    m.friendFlag = 0;
    MemberRecord r = m.Record();
    EXPECT_FALSE(r.isFemale);
    EXPECT_EQ("", r.slots[SLOT_STATUS]);
    EXPECT_EQ("", r.slots[SLOT_AGE]);
    EXPECT_EQ("", r.slots[SLOT_WEBCAM]);
    EXPECT_EQ("", r.slots[SLOT_TASTE]);
    EXPECT_EQ("6:0", r.slots[SLOT_POINTS]);

    m.sex = 'F';
    m.album = -1;
    r = m.Record();
    EXPECT_EQ("", r.slots[SLOT_ALBUM]);
    m.album = 0;
    EXPECT_EQ("6:0", m.Record().slots[SLOT_ALBUM]);  // zero albums is a count
}

TEST(MemberRecordBuild, FlagsFollowTheirBytes) {
    WireMember m;
    m.friendFlag = 'Y';
    m.blocked = 'Y';
    MemberRecord r = m.Record();
    EXPECT_TRUE(r.isFriend);
    EXPECT_TRUE(r.isBlocked);
    m.friendFlag = 'y';  // only 'Y' means yes
    m.blocked = 'y';
    r = m.Record();
    EXPECT_FALSE(r.isFriend);
    EXPECT_FALSE(r.isBlocked);
}

TEST(MemberRecordBuild, MemberTextsAreConvertedThenAmpersandsDoubled) {
    WireMember m;
    m.nickname = "A&B";
    m.region = "x&&";
    m.topic = "&";
    m.occupation = "job&";
    std::vector<std::string> converted;
    const CleanUtf8Fn toAnsi = [&](std::string_view utf8) {
        converted.emplace_back(utf8);
        return "<" + std::string(utf8) + ">";
    };
    const MemberRecord r = BuildMemberRecord(m.Wire(), toAnsi);
    EXPECT_EQ("1:<A&&B>", r.slots[SLOT_NICKNAME]);
    EXPECT_EQ("5:<x&&&&>", r.slots[SLOT_REGION]);
    EXPECT_EQ("8:<&&>", r.slots[SLOT_TOPIC]);
    EXPECT_EQ("<job&&>", r.extraText);
    EXPECT_EQ(4u, converted.size());
    // The popularity and the id are not member-typed texts: no conversion.
    EXPECT_EQ("3:77", r.slots[SLOT_POPULARITY]);
}

TEST(ColumnValue, IsThePartBetweenTheFirstAndSecondColon) {
    EXPECT_EQ("25", ColumnValue("4:25"));
    EXPECT_EQ("", ColumnValue(""));
    EXPECT_EQ("", ColumnValue("4:"));
    EXPECT_EQ("time", ColumnValue("8:time: now"));  // a colon in a topic cuts it
    EXPECT_EQ("", ColumnValue("no colon"));
}

// ---- row cells ----

TEST(RowCells, StatusAndWebcamBecomeIconCodes) {
    WireMember m;
    m.status = 'W';
    m.webcam = 'Y';
    RowCells c = MakeRowCells(m.Record());
    EXPECT_EQ("0", c[0]);
    EXPECT_EQ("2", c[2]);
    m.status = 'T';
    m.webcam = 'N';
    c = MakeRowCells(m.Record());
    EXPECT_EQ("1", c[0]);
    EXPECT_EQ("3", c[2]);
    m.status = 0;  // no status shows the chatting code
    m.webcam = 0;
    c = MakeRowCells(m.Record());
    EXPECT_EQ("1", c[0]);
    EXPECT_EQ("3", c[2]);
}

TEST(RowCells, ColumnSixIsAlbumForWomenAndGroupedPointsForMen) {
    WireMember woman;
    woman.album = 1234;
    EXPECT_EQ("1234", MakeRowCells(woman.Record())[6]);
    WireMember man;
    man.sex = 'M';
    man.points = 1234567;
    EXPECT_EQ("1,234,567", MakeRowCells(man.Record())[6]);
    man.points = -1234;
    EXPECT_EQ("-1,234", MakeRowCells(man.Record())[6]);
    man.points = -123;
    EXPECT_EQ("-,123", MakeRowCells(man.Record())[6]);
}

TEST(RowCells, TheOtherColumnsShowTheValues) {
    WireMember m;
    m.nickname = "A&B";
    m.topic = "chat: later";
    const RowCells c = MakeRowCells(m.Record());
    EXPECT_EQ("A&&B", c[1]);
    EXPECT_EQ("77", c[3]);
    EXPECT_EQ("25", c[4]);
    EXPECT_EQ("Seoul", c[5]);
    EXPECT_EQ("chat", c[8]);
}

TEST(GroupThousands, CountsGroupsFromTheRight) {
    EXPECT_EQ("", GroupThousands(""));
    EXPECT_EQ("1", GroupThousands("1"));
    EXPECT_EQ("123", GroupThousands("123"));
    EXPECT_EQ("1,234", GroupThousands("1234"));
    EXPECT_EQ("123,456", GroupThousands("123456"));
    EXPECT_EQ("1,234,567", GroupThousands("1234567"));
    EXPECT_EQ("-2,147,483,648", GroupThousands("-2147483648"));
}

TEST(TasteCell, NamesKnownCodesAndKeepsOthers) {
    EXPECT_EQ("", TasteCellText(""));
    EXPECT_EQ("기타", TasteCellText("4"));
    EXPECT_EQ("스타킹", TasteCellText("10"));
    EXPECT_EQ("3", TasteCellText("3"));
    EXPECT_EQ("11", TasteCellText("11"));
    WireMember m;
    m.taste = 7;
    EXPECT_EQ("스커트", MakeRowCells(m.Record())[7]);
    m.taste = -5;
    EXPECT_EQ("", MakeRowCells(m.Record())[7]);
}

}  // namespace
