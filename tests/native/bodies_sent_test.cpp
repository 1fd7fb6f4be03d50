#include <gtest/gtest.h>

#include "bodies.h"
#include "fields.h"
#include "test_bytes.h"

namespace {
// Checks the header of a built packet and that its size matches.
void ExpectHeader(const PacketBytes& p, uint16_t bodyLength, uint16_t command, uint16_t kind) {
    ASSERT_GE(p.size(), kHeaderSize);
    const PacketHeader h = ParseHeader(p.data());
    EXPECT_EQ(bodyLength, h.bodyLength);
    EXPECT_EQ(command, h.command);
    EXPECT_EQ(kind, h.kind);
    EXPECT_EQ(kHeaderSize + bodyLength, p.size());
}
std::string Body(const PacketBytes& p, size_t offset, size_t n) { return At(p, kHeaderSize + offset, n); }
}  // namespace

TEST(LoginPacket, NinetyBytesAtTheirOffsets) {
    const PacketBytes p = BuildLoginPacket("kim01", "secret", true, "SESS42", "1,0,0,46");
    ExpectHeader(p, 90, 2001, KIND_REQUEST);
    EXPECT_EQ(Padded("kim01", 13), Body(p, 0, 13));
    EXPECT_EQ(Padded("secret", 32), Body(p, 13, 32));
    EXPECT_EQ("Y", Body(p, 45, 1));
    EXPECT_EQ(Padded("SESS42", 32), Body(p, 46, 32));
    EXPECT_EQ(Padded("1,0,0,46", 12), Body(p, 78, 12));
}

TEST(LoginPacket, NoWebcamIsN) {
    const PacketBytes p = BuildLoginPacket("a", "b", false, "c", "");
    EXPECT_EQ("N", Body(p, 45, 1));
    EXPECT_TRUE(AllZero(p.data(), kHeaderSize + 78, 12));  // unreadable version: all zero
}

TEST(LoginPacket, LongValuesAreCutToTheirFields) {
    const std::string id(20, 'i'), pw(40, 'p'), sess(33, 's'), ver(15, 'v');
    const PacketBytes p = BuildLoginPacket(id, pw, true, sess, ver);
    ExpectHeader(p, 90, 2001, KIND_REQUEST);
    EXPECT_EQ(std::string(13, 'i'), Body(p, 0, 13));   // full field, no terminator
    EXPECT_EQ(std::string(32, 'p'), Body(p, 13, 32));
    EXPECT_EQ("Y", Body(p, 45, 1));                   // not overwritten by the password
    EXPECT_EQ(std::string(32, 's'), Body(p, 46, 32));
    EXPECT_EQ(std::string(12, 'v'), Body(p, 78, 12));
}

TEST(KeepAlivePacket, FourBytesOfBigEndianTime) {
    const PacketBytes p = BuildKeepAlivePacket(0x5F5E1000u);
    ExpectHeader(p, 4, 2002, KIND_REQUEST);
    EXPECT_EQ(0x5F5E1000u, GetU32BE(p.data() + kHeaderSize));
    EXPECT_EQ(0x5F, p[6]);
}

TEST(IdOnlyPackets, ChatRequestChatCheckAndLogout) {
    const PacketBytes req = BuildChatRequestPacket("ALL");
    ExpectHeader(req, 13, 2003, KIND_REQUEST);
    EXPECT_EQ(Padded("ALL", 13), Body(req, 0, 13));

    const PacketBytes check = BuildChatCheckPacket("lee");
    ExpectHeader(check, 13, 2011, KIND_REQUEST);
    EXPECT_EQ(Padded("lee", 13), Body(check, 0, 13));

    const PacketBytes logout = BuildLogoutPacket("kim01");
    ExpectHeader(logout, 13, 2008, KIND_SERVER);  // the logout alone has kind 4
    EXPECT_EQ(Padded("kim01", 13), Body(logout, 0, 13));

    const PacketBytes longId = BuildChatCheckPacket("abcdefghijklmnop");
    ExpectHeader(longId, 13, 2011, KIND_REQUEST);
    EXPECT_EQ("abcdefghijklm", Body(longId, 0, 13));
}

TEST(ChatAnswerPacket, ThirtyFourBytes) {
    const PacketBytes p = BuildChatAnswerPacket('R', "park", "\xEB\xB0\x95", 'N');
    ExpectHeader(p, 34, 2005, KIND_REQUEST);
    EXPECT_EQ("R", Body(p, 0, 1));
    EXPECT_EQ(Padded("park", 13), Body(p, 1, 13));
    EXPECT_EQ(Padded("\xEB\xB0\x95", 19), Body(p, 14, 19));
    EXPECT_EQ("N", Body(p, 33, 1));
}

TEST(ChatAnswerPacket, NicknameCutTo19KeepsTheFlag) {
    const PacketBytes p = BuildChatAnswerPacket('A', std::string(14, 'x'), std::string(25, 'n'), 'Y');
    ExpectHeader(p, 34, 2005, KIND_REQUEST);
    EXPECT_EQ(std::string(13, 'x'), Body(p, 1, 13));
    EXPECT_EQ(std::string(19, 'n'), Body(p, 14, 19));
    EXPECT_EQ("Y", Body(p, 33, 1));
}

TEST(ChatControlPacket, FourteenBytes) {
    const PacketBytes p = BuildChatControlPacket("choi", 'A');
    ExpectHeader(p, 14, 2006, KIND_REQUEST);
    EXPECT_EQ(Padded("choi", 13), Body(p, 0, 13));
    EXPECT_EQ("A", Body(p, 13, 1));
}

TEST(NotePacket, EmptyNoteHasBodyLength15) {
    const PacketBytes p = BuildNotePacket("lee", "");
    ExpectHeader(p, 15, 2007, KIND_REQUEST);
    EXPECT_EQ(Padded("lee", 13), Body(p, 0, 13));
    EXPECT_EQ(0, GetU16BE(p.data() + kHeaderSize + 13));
}

TEST(NotePacket, TextFollowsItsLengthWithoutTerminator) {
    const PacketBytes p = BuildNotePacket("ALL", "hello");
    ExpectHeader(p, 20, 2007, KIND_REQUEST);
    EXPECT_EQ(5, GetU16BE(p.data() + kHeaderSize + 13));
    EXPECT_EQ("hello", Body(p, 15, 5));
}

TEST(NotePacket, LengthIsBigEndian) {
    const std::string text(300, 'z');
    const PacketBytes p = BuildNotePacket("a", text);
    EXPECT_EQ(0x01, p[kHeaderSize + 13]);
    EXPECT_EQ(0x2C, p[kHeaderSize + 14]);
}

TEST(NotePacket, LongestTextFillsThePacketExactly) {
    EXPECT_EQ(4075u, kMaxNoteTextLength);
    const std::string text(4075, 'a');
    const PacketBytes p = BuildNotePacket("a", text);
    ExpectHeader(p, 4090, 2007, KIND_REQUEST);
    EXPECT_EQ(4096u, p.size());
}

TEST(NotePacket, LongerTextIsCutToFit4096) {
    const std::string text(5000, 'a');
    const PacketBytes p = BuildNotePacket("a", text);
    ExpectHeader(p, 4090, 2007, KIND_REQUEST);
    EXPECT_EQ(4075, GetU16BE(p.data() + kHeaderSize + 13));
    EXPECT_TRUE(BodyLengthFits(ParseHeader(p.data()).bodyLength));
}

TEST(NotePacket, CutNeverSplitsAUtf8Character) {
    // "가" is three bytes; 4075 = 3 * 1358 + 1, so the cut backs off to 4074.
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "\xEA\xB0\x80";
    EXPECT_EQ(4074u, NoteTextSendLength(text));
    const PacketBytes p = BuildNotePacket("a", text);
    ExpectHeader(p, 15 + 4074, 2007, KIND_REQUEST);
    EXPECT_EQ(4074, GetU16BE(p.data() + kHeaderSize + 13));
    EXPECT_EQ(text.substr(0, 4074), Body(p, 15, 4074));
}

TEST(NotePacket, CutOfInvalidUtf8StillBounded) {
    const std::string text(5000, '\x80');  // continuation bytes only
    const size_t n = NoteTextSendLength(text);
    EXPECT_LE(n, kMaxNoteTextLength);
    EXPECT_GE(n, kMaxNoteTextLength - 3);
}
