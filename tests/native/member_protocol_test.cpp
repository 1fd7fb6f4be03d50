#include <gtest/gtest.h>

#include "list_bodies.h"
#include "member_actions.h"
#include "member_wire_builder.h"
#include "packet.h"

namespace {

PacketHeader HeaderOf(const ListPacket& p) { return ParseHeader(p.data()); }

TEST(ListPackets, LoginIs57BytesOfCutZeroFilledFields) {
    const ListPacket p = BuildListLoginPacket("kim01", std::string(40, 'p'), "1,0,0,46");
    ASSERT_EQ(63u, p.size());
    const PacketHeader h = HeaderOf(p);
    EXPECT_EQ(57, h.bodyLength);
    EXPECT_EQ(LIST_LOGIN, h.command);
    EXPECT_EQ(KIND_REQUEST, h.kind);
    EXPECT_EQ(Padded("kim01", 13), At(p, 6, 13));
    EXPECT_EQ(std::string(32, 'p'), At(p, 19, 32));  // cut, no terminator
    EXPECT_EQ(Padded("1,0,0,46", 12), At(p, 51, 12));
}

TEST(ListPackets, TimeMembersAndRelationBodies) {
    const ListPacket t = BuildListTimePacket(0x01020304u);
    ASSERT_EQ(10u, t.size());
    EXPECT_EQ(LIST_TIME, HeaderOf(t).command);
    EXPECT_EQ(std::string("\x01\x02\x03\x04", 4), At(t, 6, 4));

    const ListPacket m = BuildListMembersPacket('B');
    ASSERT_EQ(7u, m.size());
    EXPECT_EQ(LIST_MEMBERS, HeaderOf(m).command);
    EXPECT_EQ('B', m[6]);

    const ListPacket r = BuildRelationPacket('F', "lee", "A&&B");
    ASSERT_EQ(39u, r.size());
    EXPECT_EQ(33, HeaderOf(r).bodyLength);
    EXPECT_EQ(LIST_RELATION, HeaderOf(r).command);
    EXPECT_EQ('F', r[6]);
    EXPECT_EQ(Padded("lee", 13), At(r, 7, 13));
    EXPECT_EQ(Padded("A&&B", 19), At(r, 20, 19));  // the doubled display form goes as it is
}

TEST(RelationReply, ReadsItsFieldsAndTreatsMissingBytesAsZero) {
    Bytes b(50, 0);
    PutByte(b, 0, 'F');
    PutByte(b, 1, 'B');
    Put(b, 2, "abcdefghijklm");  // fills its 13 bytes
    Put(b, 15, "nick");
    Put(b, 34, "BLOCKED_USER");
    RelationReply r = ParseRelationReply(b.data(), b.size());
    EXPECT_EQ('F', r.status);
    EXPECT_EQ('B', r.action);
    EXPECT_EQ("abcdefghijklm", r.memberId);
    EXPECT_EQ("nick", r.nicknameUtf8);
    EXPECT_EQ("BLOCKED_USER", r.resultCode);

    r = ParseRelationReply(b.data(), 20);  // the body ends inside the nickname
    EXPECT_EQ("abcdefghijklm", r.memberId);
    EXPECT_EQ("nick", r.nicknameUtf8);
    EXPECT_EQ("", r.resultCode);
    r = ParseRelationReply(b.data(), 0);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0, ReplyStatusByte(nullptr, 0));
    EXPECT_EQ('F', ReplyStatusByte(b.data(), 1));
}

TEST(RelationReply, OutcomesOfEachActionLetter) {
    auto a = RelationOutcomeFor('A');
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->setsFriend && a->friendValue && !a->setsBlocked);
    EXPECT_STREQ(" 해당 회원을 친구로 등록하였습니다.", a->messageTail);
    auto f = RelationOutcomeFor('F');
    EXPECT_TRUE(f->setsFriend && f->friendValue && f->setsBlocked && !f->blockedValue);
    EXPECT_STREQ("친구 등록", f->caption);
    auto b = RelationOutcomeFor('B');
    EXPECT_TRUE(b->setsBlocked && b->blockedValue && b->removesInBuddyMode);
    EXPECT_STREQ("회원 차단", b->caption);
    auto r = RelationOutcomeFor('R');
    EXPECT_TRUE(r->setsFriend && !r->friendValue && r->removesInBuddyMode);
    auto u = RelationOutcomeFor('U');
    EXPECT_TRUE(u->setsBlocked && !u->blockedValue && !u->removesInBuddyMode);
    EXPECT_STREQ(" 해당 회원을 차단해제하였습니다.", u->messageTail);
    EXPECT_FALSE(RelationOutcomeFor('X'));
}

TEST(ListKeepAlive, UnansweredSendsTwoOfEveryThreeTicksAnsweredOneInFive) {
    ListKeepAlive silent;
    std::string sent;
    for (int i = 0; i < 9; ++i) sent += silent.OnTick(true) ? 'S' : '.';
    EXPECT_EQ("SSS.SS.SS", sent);

    ListKeepAlive answered;
    sent.clear();
    for (int i = 0; i < 10; ++i) {
        const bool s = answered.OnTick(true);
        sent += s ? 'S' : '.';
        if (s) answered.timeAcked = true;  // the server answers at once
    }
    EXPECT_EQ("S....S....", sent);
}

TEST(ListKeepAlive, DoesNothingWhileNotConnected) {
    ListKeepAlive k;
    EXPECT_FALSE(k.OnTick(false));
    EXPECT_EQ(0, k.keepAliveTick);
}

// ---- menu rules and the records for Notewell ----

TEST(MemberMenu, BlockedMemberOffersOnlyUnblockAmongTheFriendItems) {
    WireMember m;
    m.blocked = 'Y';
    m.friendFlag = 'Y';
    const MemberMenuFlags f = MenuFlagsFor(m.Record());
    EXPECT_FALSE(f.Enables(ID_MEMBER_ADD_FRIEND));
    EXPECT_FALSE(f.Enables(ID_MEMBER_REMOVE_FRIEND));
    EXPECT_FALSE(f.Enables(ID_MEMBER_BLOCK));
    EXPECT_TRUE(f.Enables(ID_MEMBER_UNBLOCK));
    EXPECT_TRUE(f.Enables(ID_MEMBER_NOTE));
    EXPECT_TRUE(f.Enables(ID_MEMBER_PROFILE));
    EXPECT_TRUE(f.Enables(ID_MEMBER_PROFILE_SAME));
}

TEST(MemberMenu, FriendOffersRemoveAndBlockAndChattingMemberNoChat) {
    WireMember m;
    m.friendFlag = 'Y';
    m.status = 'T';
    const MemberMenuFlags f = MenuFlagsFor(m.Record());
    EXPECT_FALSE(f.Enables(ID_MEMBER_ADD_FRIEND));
    EXPECT_TRUE(f.Enables(ID_MEMBER_REMOVE_FRIEND));
    EXPECT_TRUE(f.Enables(ID_MEMBER_BLOCK));
    EXPECT_FALSE(f.Enables(ID_MEMBER_UNBLOCK));
    EXPECT_FALSE(f.Enables(ID_MEMBER_CHAT));
    m.status = 0;  // no status is not chatting
    EXPECT_TRUE(MenuFlagsFor(m.Record()).Enables(ID_MEMBER_CHAT));
}

TEST(TrayRecords, NoteRecordCarriesIdNicknameAgeAndSex) {
    WireMember m;
    m.id = "lee";
    m.nickname = "A&B";
    m.age = 31;
    const NoteTargetInfo n = NoteTargetFor(m.Record());
    EXPECT_EQ("lee", n.MemberId());
    EXPECT_EQ("A&&B", n.Nickname());
    EXPECT_EQ(31, n.Age());
    EXPECT_EQ("F", n.Sex());
    m.age = 0;
    m.sex = 'M';
    const NoteTargetInfo empty = NoteTargetFor(m.Record());
    EXPECT_EQ(0, empty.Age());
    EXPECT_EQ("M", empty.Sex());
}

TEST(TrayRecords, ChatRecordOfAManCarriesPointsAndOfAWomanTheAlbumCount) {
    WireMember m;
    m.sex = 'M';
    m.points = 1234567;
    m.taste = 8;
    m.topic = "topic";
    m.occupation = "job&";
    ChatTargetInfo c = ChatTargetFor(m.Record());
    EXPECT_EQ("kim01", c.MemberId());
    EXPECT_EQ("M", c.Sex());
    EXPECT_EQ(25, c.Age());
    EXPECT_EQ("job&&", c.Occupation());
    EXPECT_EQ("Seoul", c.Region());
    EXPECT_EQ(8, c.Taste());
    EXPECT_EQ("77", c.Popularity());
    EXPECT_EQ("topic", c.ChatTopic());
    EXPECT_EQ(1234567, c.Points());  // the stored number, not the grouped text
    m.sex = 'F';
    m.album = 42;
    m.taste = -1;
    c = ChatTargetFor(m.Record());
    EXPECT_EQ(42, c.Points());
    EXPECT_EQ(0, c.Taste());  // an empty taste is 0
}

TEST(TrayRecords, LongTextsAreCutToTheirSlotsLessOneByte) {
    WireMember m;
    m.id = "abcdefghijklm";
    const NoteTargetInfo n = NoteTargetFor(m.Record());
    EXPECT_EQ("abcdefghijkl", n.MemberId());
    EXPECT_EQ(0, n.memberId[12]);
}

}  // namespace
