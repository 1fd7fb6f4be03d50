#include <gtest/gtest.h>

#include "fields.h"
#include "member_profiles.h"
#include "packet.h"
#include "packet_describe.h"
#include "text_display.h"
#include "tray_bodies.h"
#include "test_client.h"

namespace devserver {
namespace {

using testing::Concat;
using testing::Field;
using testing::Text;

TEST(TextDisplay, KeepsUtf8AndEscapesEverythingElse) {
    EXPECT_EQ(QuoteText("안녕하세요"), "\"안녕하세요\"");
    EXPECT_EQ(QuoteText("a\nb\"c"), "\"a\\nb\\\"c\"");
    // CP949 bytes of 안 (B0 C8) are not UTF-8; a lone lead byte at the end neither.
    EXPECT_EQ(QuoteText("\xB0\xC8"), "\"\\xB0\\xC8\"");
    EXPECT_EQ(QuoteText("x\xEC\x95"), "\"x\\xEC\\x95\"");
    EXPECT_EQ(QuoteText(std::string("\0", 1)), "\"\\x00\"");
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));  // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_TRUE(IsValidUtf8("쪽지 ok"));
}

TEST(TextDisplay, CutUtf8NeverSplitsACharacter) {
    const std::string s = "가나다";  // 3 bytes each
    EXPECT_EQ(CutUtf8(s, 9), s);
    EXPECT_EQ(CutUtf8(s, 8), "가나");
    EXPECT_EQ(CutUtf8(s, 6), "가나");
    EXPECT_EQ(CutUtf8(s, 2), "");
    EXPECT_EQ(CutUtf8("abc", 2), "ab");
}

MemberProfile Alice() {
    MemberProfile p;
    p.id = "alice";
    p.nickname = "앨리스";
    p.sex = 'F';
    p.age = 27;
    p.occupation = "회사원";
    p.region = "서울";
    p.topic = "수다";
    p.taste = 5;
    p.popularity = "77";
    p.points = 12500;
    return p;
}

TEST(MemberRecords, IncomingChatRecordHasSexBeforeAgeAndTheRequestFlag) {
    const Bytes r = BuildIncomingChatRecord(Alice(), 'S');
    ASSERT_EQ(r.size(), 114u);
    EXPECT_EQ(Text(r, 0, 13), "alice");
    EXPECT_EQ(Text(r, 13, 19), "앨리스");
    EXPECT_EQ(r[32], 'F');
    EXPECT_EQ(GetU16BE(&r[33]), 27);
    EXPECT_EQ(Text(r, 35, 19), "회사원");
    EXPECT_EQ(Text(r, 54, 16), "서울");
    EXPECT_EQ(Text(r, 70, 32), "수다");
    EXPECT_EQ(GetI16BE(&r[102]), 5);
    EXPECT_EQ(Text(r, 104, 5), "77");
    EXPECT_EQ(r[109], 'S');
    EXPECT_EQ(GetI32BE(&r[110]), 12500);
}

TEST(MemberRecords, ReceivedNoteHasAgeBeforeSexAndTheTextBehindTheRecord) {
    const Bytes r = BuildReceivedNote(Alice(), "안녕");
    ASSERT_EQ(r.size(), 115u + 6);
    EXPECT_EQ(GetU16BE(&r[32]), 27);
    EXPECT_EQ(r[34], 'F');
    EXPECT_EQ(GetI32BE(&r[109]), 12500);
    EXPECT_EQ(GetU16BE(&r[113]), 6);
    EXPECT_EQ(std::string(r.begin() + 115, r.end()), "안녕");
}

TEST(MemberRecords, ANoteTooLongToRelayIsCutAtACharacterSoThePacketFits) {
    std::string text;
    while (text.size() < 4075) text += "가";  // the longest a client may send
    const Bytes r = BuildReceivedNote(Alice(), text);
    EXPECT_LE(r.size(), kMaxBodyLength);
    const size_t n = GetU16BE(&r[113]);
    EXPECT_EQ(n, r.size() - 115);
    EXPECT_EQ(n % 3, 0u);
    EXPECT_TRUE(IsValidUtf8(std::string(r.begin() + 115, r.end())));
}

TEST(MemberRecords, LongMemberTextsAreCutAtCharacterBoundaries) {
    MemberProfile p = Alice();
    p.nickname = "가나다라마바사아자";  // 27 bytes for a 19-byte slot
    const Bytes r = BuildIncomingChatRecord(p, 'S');
    EXPECT_EQ(Text(r, 13, 19), "가나다라마바");
}

TEST(MemberRecords, MemberWireRecordPlacesTheListFields) {
    const Bytes r = BuildMemberWireRecord(Alice(), 'A', false);
    ASSERT_EQ(r.size(), 141u);
    EXPECT_EQ(r[0], 'A');
    EXPECT_EQ(r[1], 'F');
    EXPECT_EQ(Text(r, 2, 13), "alice");
    EXPECT_EQ(Text(r, 16, 19), "앨리스");
    EXPECT_EQ(GetI16BE(&r[40]), 27);
    EXPECT_EQ(Text(r, 64, 32), "수다");
    EXPECT_EQ(Text(r, 121, 18), "회사원");
}

TEST(Profiles, TextsOverrideTheDefaultsAndBadFieldsAreRefused) {
    MemberProfile p;
    std::string error;
    ASSERT_TRUE(ParseProfileText("bob:밥:M:31", &p, &error)) << error;
    EXPECT_EQ(p.nickname, "밥");
    EXPECT_EQ(p.sex, 'M');
    EXPECT_EQ(p.age, 31);
    EXPECT_EQ(p.region, DefaultProfile("bob").region);
    EXPECT_FALSE(ParseProfileText("carol:::::::::lots", &p, &error));
    EXPECT_FALSE(ParseProfileText("bob:x:X:31", &p, &error));
    EXPECT_FALSE(ParseProfileText("bob:x:M:old", &p, &error));
    EXPECT_FALSE(ParseProfileText("averyveryverylongid:x", &p, &error));
    EXPECT_FALSE(ParseProfileText(":x", &p, &error));
    // Defaults are stable for one id.
    EXPECT_EQ(DefaultProfile("dave").age, DefaultProfile("dave").age);
    EXPECT_EQ(DefaultProfile("dave").nickname, "dave");
}

TEST(TrayBodies, ParsersRefuseShortBodiesAndNotesThatOverrunTheirBody) {
    LoginBody login;
    EXPECT_FALSE(ParseLogin(Bytes(89, 'a'), &login));
    NoteBody note;
    Bytes body = Concat({Field("bob", 13), Bytes{0, 5}, Bytes{'a', 'b', 'c'}});
    EXPECT_FALSE(ParseNote(body, &note));
    body = Concat({Field("bob", 13), Bytes{0, 3}, Bytes{'a', 'b', 'c'}});
    ASSERT_TRUE(ParseNote(body, &note));
    EXPECT_EQ(note.text, "abc");
    body = Concat({Field("bob", 13), Bytes{0, 0}});
    ASSERT_TRUE(ParseNote(body, &note));  // a note of 0 bytes is legal
    EXPECT_EQ(note.text, "");
    // A 13-byte id without terminator is read to its width, never past it.
    TargetBody t;
    ASSERT_TRUE(ParseTarget(Bytes(13, 'z'), &t));
    EXPECT_EQ(t.id, std::string(13, 'z'));
}

TEST(PacketDescribe, ShowsDecodedFieldsAndFlagsBadBodies) {
    WirePacket note{CMD_NOTE, KIND_REQUEST, Concat({Field("bob", 13), Bytes{0, 6}, Bytes{0xEC, 0x95, 0x88, 0xEB, 0x85, 0x95}})};
    EXPECT_EQ(DescribePacket(Channel::Tray, true, note), "NOTE kind 1 to=\"bob\" text=\"안녕\"");
    WirePacket shortLogin{CMD_LOGIN, KIND_REQUEST, Bytes{1, 2}};
    EXPECT_EQ(DescribePacket(Channel::Tray, true, shortLogin), "LOGIN kind 1 MALFORMED hex=0102");
    WirePacket password{CMD_LOGIN, KIND_REQUEST,
                        Concat({Field("al", 13), Field("secret", 32), Bytes{'Y'}, Field("s", 32), Field("v", 12)})};
    EXPECT_EQ(DescribePacket(Channel::Tray, true, password).find("secret"), std::string::npos);
    uint8_t bad[6];
    BuildHeader(bad, 5000, CMD_NOTE, 4);
    const std::string raw = DescribeRawBytes(Channel::Tray, Concat({FramePacket(CMD_KEEPALIVE, 2, {}), Bytes(bad, bad + 6)}));
    EXPECT_NE(raw.find("KEEPALIVE kind 2"), std::string::npos);
    EXPECT_NE(raw.find("length 5000"), std::string::npos);
}

}  // namespace
}  // namespace devserver
