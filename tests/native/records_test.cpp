#include <gtest/gtest.h>

#include <climits>

#include "records.h"
#include "test_bytes.h"
#include "text_split.h"

// ---- layouts ----

TEST(RecordLayout, NoteTargetInfoOffsets) {
    EXPECT_EQ(36u, sizeof(NoteTargetInfo));
    EXPECT_EQ(0u, offsetof(NoteTargetInfo, memberId));
    EXPECT_EQ(13u, offsetof(NoteTargetInfo, nickname));
    EXPECT_EQ(32u, offsetof(NoteTargetInfo, age));
    EXPECT_EQ(34u, offsetof(NoteTargetInfo, sex));
}

TEST(RecordLayout, ChatTargetInfoOffsets) {
    EXPECT_EQ(260u, sizeof(ChatTargetInfo));
    EXPECT_EQ(32u, offsetof(ChatTargetInfo, sex));
    EXPECT_EQ(34u, offsetof(ChatTargetInfo, age));
    EXPECT_EQ(36u, offsetof(ChatTargetInfo, occupation));
    EXPECT_EQ(82u, offsetof(ChatTargetInfo, region));
    EXPECT_EQ(98u, offsetof(ChatTargetInfo, taste));
    EXPECT_EQ(100u, offsetof(ChatTargetInfo, popularity));
    EXPECT_EQ(105u, offsetof(ChatTargetInfo, chatTopic));
    EXPECT_EQ(256u, offsetof(ChatTargetInfo, points));
}

// ---- packing NoteTargetInfo (SendLabel) ----

TEST(PackNoteTargetInfo, FourFieldsAtTheirOffsets) {
    const NoteTargetInfo r = PackNoteTargetInfo("kim01/Nick/F/25");
    EXPECT_EQ(Padded("kim01", 13), At(&r, 0, 13));
    EXPECT_EQ(Padded("Nick", 19), At(&r, 13, 19));
    EXPECT_EQ(std::string("\x19\x00", 2), At(&r, 32, 2));  // 25, little-endian
    EXPECT_EQ(std::string("F\0", 2), At(&r, 34, 2));
    EXPECT_EQ(25, r.Age());
    EXPECT_EQ('F', r.SexCode());
    EXPECT_EQ("kim01", r.MemberId());
    EXPECT_EQ("Nick", r.Nickname());
    EXPECT_EQ("F", r.Sex());
}

TEST(PackNoteTargetInfo, ThirteenByteIdKeepsTwelve) {
    const NoteTargetInfo r = PackNoteTargetInfo("abcdefghijklm/n/M/1");
    EXPECT_EQ(std::string("abcdefghijkl\0", 13), At(&r, 0, 13));
    EXPECT_EQ("abcdefghijkl", r.MemberId());
    EXPECT_EQ("n", r.Nickname());  // the next field is unaffected
}

TEST(PackNoteTargetInfo, EveryTextSlotKeepsAZero) {
    const std::string big(100, 'x');
    const NoteTargetInfo r = PackNoteTargetInfo(big + "/" + big + "/" + big + "/7");
    EXPECT_EQ(0, r.memberId[12]);
    EXPECT_EQ(0, r.nickname[18]);
    EXPECT_EQ(std::string("x\0", 2), At(&r, 34, 2));  // sex "FM"-like texts keep one byte
    EXPECT_EQ(7, r.Age());
}

TEST(PackNoteTargetInfo, EmptyAndMissingFields) {
    const NoteTargetInfo empty = PackNoteTargetInfo("");
    EXPECT_TRUE(AllZero(&empty, 0, 36));
    const NoteTargetInfo two = PackNoteTargetInfo("id/nick");
    EXPECT_EQ("id", two.MemberId());
    EXPECT_EQ("nick", two.Nickname());
    EXPECT_TRUE(AllZero(&two, 32, 4));
}

TEST(PackNoteTargetInfo, NumberParseLikeAtoi) {
    EXPECT_EQ(31, PackNoteTargetInfo("a/b/M/  31years").Age());
    EXPECT_EQ(0, PackNoteTargetInfo("a/b/M/x31").Age());
    EXPECT_EQ(-1, PackNoteTargetInfo("a/b/M/-1").Age());
    const NoteTargetInfo minusOne = PackNoteTargetInfo("a/b/M/-1");
    EXPECT_EQ(std::string("\xFF\xFF", 2), At(&minusOne, 32, 2));
    // Low 16 bits: 70000 = 0x11170 -> 0x1170.
    EXPECT_EQ(0x1170, PackNoteTargetInfo("a/b/M/70000").Age());
}

TEST(PackNoteTargetInfo, FieldsPastTheFourthAreIgnored) {
    const NoteTargetInfo r = PackNoteTargetInfo("a/b/F/20/extra/more");
    EXPECT_EQ(20, r.Age());
    EXPECT_EQ("F", r.Sex());
}

TEST(PackNoteTargetInfo, SlashInANicknameShiftsTheFields) {
    const NoteTargetInfo r = PackNoteTargetInfo("a/Ni/ck/F/20");
    EXPECT_EQ("Ni", r.Nickname());
    EXPECT_EQ("c", r.Sex());  // "ck" cut to the 2-byte slot less one
    EXPECT_EQ(0, r.Age());    // "F"
}

// ---- packing ChatTargetInfo (SendChat) ----

TEST(PackChatTargetInfo, TenFieldsAtTheirOffsets) {
    const ChatTargetInfo r =
        PackChatTargetInfo("lee/Nick/M/33/engineer/Seoul/6/123/let's talk/45000");
    EXPECT_EQ(Padded("lee", 13), At(&r, 0, 13));
    EXPECT_EQ(Padded("Nick", 19), At(&r, 13, 19));
    EXPECT_EQ(std::string("M\0", 2), At(&r, 32, 2));
    EXPECT_EQ(std::string("\x21\x00", 2), At(&r, 34, 2));
    EXPECT_EQ(Padded("engineer", 46), At(&r, 36, 46));
    EXPECT_EQ(Padded("Seoul", 16), At(&r, 82, 16));
    EXPECT_EQ(std::string("\x06\x00", 2), At(&r, 98, 2));
    EXPECT_EQ(Padded("123", 5), At(&r, 100, 5));
    EXPECT_EQ(Padded("let's talk", 151), At(&r, 105, 151));
    EXPECT_EQ(std::string("\xC8\xAF\x00\x00", 4), At(&r, 256, 4));  // 45000 LE
    EXPECT_EQ(33, r.Age());
    EXPECT_EQ(6, r.Taste());
    EXPECT_EQ(45000, r.Points());
    EXPECT_EQ("engineer", r.Occupation());
    EXPECT_EQ("Seoul", r.Region());
    EXPECT_EQ("123", r.Popularity());
    EXPECT_EQ("let's talk", r.ChatTopic());
    EXPECT_FALSE(r.IsAll());
}

TEST(PackChatTargetInfo, ThreeFieldsLeaveTheRestZero) {
    const ChatTargetInfo r = PackChatTargetInfo("lee/Nick/F");
    EXPECT_EQ("lee", r.MemberId());
    EXPECT_EQ("Nick", r.Nickname());
    EXPECT_EQ('F', r.SexCode());
    EXPECT_EQ(0, r.Age());
    EXPECT_EQ(0, r.Taste());
    EXPECT_EQ(0, r.Points());
    EXPECT_TRUE(AllZero(&r, 34, 260 - 34));
}

TEST(PackChatTargetInfo, LongTextsAreCutToSlotLessOne) {
    const std::string big(300, 'q');
    std::string text;
    for (int i = 0; i < 10; ++i) text += (i ? "/" : "") + big;
    const ChatTargetInfo r = PackChatTargetInfo(text);
    EXPECT_EQ(std::string(12, 'q'), r.MemberId());
    EXPECT_EQ(std::string(18, 'q'), r.Nickname());
    EXPECT_EQ("q", r.Sex());
    EXPECT_EQ(std::string(45, 'q'), r.Occupation());
    EXPECT_EQ(std::string(15, 'q'), r.Region());
    EXPECT_EQ(std::string(4, 'q'), r.Popularity());
    EXPECT_EQ(std::string(150, 'q'), r.ChatTopic());
    EXPECT_EQ(0, r.chatTopic[150]);
    EXPECT_EQ(0, r.Points());  // "qqq..." is not a number
}

// A slot ends between code page 949 characters: "A" and nine two-byte
// characters are 19 bytes, and a 19-byte slot holds 18.
TEST(PackChatTargetInfo, ASlotNeverEndsInHalfACharacter) {
    std::string nickname = "A";
    for (int i = 0; i < 9; ++i) nickname += "\xB0\xA1";  // 가
    const ChatTargetInfo r = PackChatTargetInfo("bob/" + nickname);
    EXPECT_EQ(nickname.substr(0, 17), r.Nickname());
    const NoteTargetInfo n = PackNoteTargetInfo("bob/" + nickname);
    EXPECT_EQ(nickname.substr(0, 17), n.Nickname());
}

TEST(PackChatTargetInfo, NegativeAndSaturatedNumbers) {
    const ChatTargetInfo r = PackChatTargetInfo("a/b/M/-5/o/r/-1/p/t/-2147483649");
    EXPECT_EQ(-5, r.Age());
    EXPECT_EQ(-1, r.Taste());
    EXPECT_EQ(INT32_MIN, r.Points());
    EXPECT_EQ(INT32_MAX, PackChatTargetInfo("a/b/M/1/o/r/1/p/t/99999999999").Points());
}

TEST(ChatTargetAll, WritesAllAndKeepsTheRest) {
    ChatTargetInfo r = PackChatTargetInfo("someone_long/Nick/F/20/o/r/5/p/t/9");
    SetChatTargetAll(r);
    EXPECT_EQ("ALL", r.MemberId());
    EXPECT_TRUE(r.IsAll());
    EXPECT_EQ(std::string("ALL\0one_long\0", 13), At(&r, 0, 13));
    EXPECT_EQ("Nick", r.Nickname());
    EXPECT_EQ(9, r.Points());
}

TEST(MakeRecords, FromSeparateValues) {
    const NoteTargetInfo n = MakeNoteTargetInfo("id", "nick", -2, "M");
    EXPECT_EQ(-2, n.Age());
    EXPECT_EQ("M", n.Sex());
    ChatTargetFields f;
    f.memberId = "x";
    f.points = -7;
    f.taste = 10;
    const ChatTargetInfo c = MakeChatTargetInfo(f);
    EXPECT_EQ("x", c.MemberId());
    EXPECT_EQ(-7, c.Points());
    EXPECT_EQ(10, c.Taste());
    EXPECT_EQ("", c.Nickname());
}

// ---- readers of WM_COPYDATA buffers ----

TEST(ReadNoteTargetInfo, RejectsAShortBuffer) {
    Bytes b(35, 0);
    EXPECT_FALSE(ReadNoteTargetInfo(b.data(), b.size()));
    EXPECT_FALSE(ReadNoteTargetInfo(b.data(), 0));
    EXPECT_FALSE(ReadNoteTargetInfo(nullptr, 36));
}

TEST(ReadNoteTargetInfo, CopiesExactlyTheRecord) {
    const NoteTargetInfo src = PackNoteTargetInfo("kim01/Nick/F/25");
    Bytes b(40, 0xEE);
    std::memcpy(b.data(), &src, sizeof src);
    const auto r = ReadNoteTargetInfo(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(0, std::memcmp(&*r, &src, sizeof src));
    EXPECT_EQ("kim01", r->MemberId());
    EXPECT_EQ(25, r->Age());
}

TEST(ReadNoteTargetInfo, AccessorsAreBoundedToTheirSlots) {
    Bytes b(36, 'A');  // no terminator anywhere
    const auto r = ReadNoteTargetInfo(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(std::string(13, 'A'), r->MemberId());
    EXPECT_EQ(std::string(19, 'A'), r->Nickname());
    EXPECT_EQ("AA", r->Sex());
    EXPECT_EQ(0x4141, r->Age());
}

TEST(ReadChatTargetInfo, RejectsAShortBuffer) {
    Bytes b(259, 0);
    EXPECT_FALSE(ReadChatTargetInfo(b.data(), b.size()));
    EXPECT_FALSE(ReadChatTargetInfo(b.data(), 36));  // a NoteTargetInfo is no ChatTargetInfo
}

TEST(ReadChatTargetInfo, CopiesExactlyTheRecordAndIgnoresMore) {
    const ChatTargetInfo src = PackChatTargetInfo("lee/Nick/M/33/engineer/Seoul/6/123/talk/45000");
    Bytes b(300, 0xEE);
    std::memcpy(b.data(), &src, sizeof src);
    const auto r = ReadChatTargetInfo(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(0, std::memcmp(&*r, &src, sizeof src));
    EXPECT_EQ("talk", r->ChatTopic());
    EXPECT_EQ(45000, r->Points());
}

TEST(ReadChatTargetInfo, AccessorsAreBoundedToTheirSlots) {
    Bytes b(260, 'B');
    const auto r = ReadChatTargetInfo(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(std::string(13, 'B'), r->MemberId());
    EXPECT_EQ(std::string(19, 'B'), r->Nickname());
    EXPECT_EQ(std::string(2, 'B'), r->Sex());
    EXPECT_EQ(std::string(46, 'B'), r->Occupation());
    EXPECT_EQ(std::string(16, 'B'), r->Region());
    EXPECT_EQ(std::string(5, 'B'), r->Popularity());
    EXPECT_EQ(std::string(151, 'B'), r->ChatTopic());
    EXPECT_EQ(0x42424242, r->Points());
}

// ---- text helpers ----

TEST(ExtractField, AfxExtractSubStringSemantics) {
    EXPECT_EQ("a", ExtractField("a/b/c", 0));
    EXPECT_EQ("b", ExtractField("a/b/c", 1));
    EXPECT_EQ("c", ExtractField("a/b/c", 2));
    EXPECT_EQ("", ExtractField("a/b/c", 3));
    EXPECT_EQ("", ExtractField("a//c", 1));
    EXPECT_EQ("", ExtractField("a/b/", 2));
    EXPECT_EQ("", ExtractField("", 0));
    EXPECT_EQ("0,", ExtractField("1, 0, 0, 46", 1, ' '));
    EXPECT_EQ("", ExtractField("1,  0", 1, ' '));  // two blanks: an empty field
    EXPECT_EQ("ab", ExtractField(std::string_view("ab\0/cd", 6), 0));  // a C string ends at zero
    EXPECT_EQ("", ExtractField(std::string_view("ab\0/cd", 6), 1));
}

TEST(ParseDecimalLikeAtoi, Cases) {
    EXPECT_EQ(0, ParseDecimalLikeAtoi(""));
    EXPECT_EQ(0, ParseDecimalLikeAtoi("abc"));
    EXPECT_EQ(0, ParseDecimalLikeAtoi("-"));
    EXPECT_EQ(0, ParseDecimalLikeAtoi(" + 5"));
    EXPECT_EQ(42, ParseDecimalLikeAtoi("42"));
    EXPECT_EQ(42, ParseDecimalLikeAtoi(" \t\r\n\v\f42x7"));
    EXPECT_EQ(7, ParseDecimalLikeAtoi("+7"));
    EXPECT_EQ(-12, ParseDecimalLikeAtoi("-12.5"));
    EXPECT_EQ(1, ParseDecimalLikeAtoi("0001"));
    EXPECT_EQ(INT32_MAX, ParseDecimalLikeAtoi("2147483647"));
    EXPECT_EQ(INT32_MAX, ParseDecimalLikeAtoi("2147483648"));
    EXPECT_EQ(INT32_MIN, ParseDecimalLikeAtoi("-2147483648"));
    EXPECT_EQ(INT32_MIN, ParseDecimalLikeAtoi("-99999999999999999999999"));
    EXPECT_EQ(INT32_MAX, ParseDecimalLikeAtoi(std::string(5000, '9')));
}
