#include <gtest/gtest.h>

#include "bodies.h"
#include "fields.h"
#include "test_bytes.h"

// ---- whole packets ----

TEST(ViewPacket, SplitsHeaderAndBody) {
    Bytes p(6 + 1);
    BuildHeader(p.data(), 1, 2001, KIND_ANSWER);
    p[6] = 'S';
    const auto v = ViewPacket(p.data(), p.size());
    ASSERT_TRUE(v);
    EXPECT_EQ(2001, v->header.command);
    EXPECT_EQ(1u, v->bodyLength);
    EXPECT_EQ(p.data() + 6, v->body);
}

TEST(ViewPacket, KeepAliveAnswerHasNoBody) {
    Bytes p(6);
    BuildHeader(p.data(), 0, 2002, KIND_ANSWER);
    const auto v = ViewPacket(p.data(), p.size());
    ASSERT_TRUE(v);
    EXPECT_EQ(0u, v->bodyLength);
}

TEST(ViewPacket, RejectsShortHeaderOversizeBodyAndMissingBytes) {
    Bytes p(6 + 10);
    EXPECT_FALSE(ViewPacket(p.data(), 5));
    EXPECT_FALSE(ViewPacket(nullptr, 0));
    BuildHeader(p.data(), 11, 2007, KIND_SERVER);
    EXPECT_FALSE(ViewPacket(p.data(), p.size()));  // body past the bytes
    BuildHeader(p.data(), 0x8000, 2007, KIND_SERVER);
    EXPECT_FALSE(ViewPacket(p.data(), p.size()));  // negative as signed 16-bit
    Bytes big(6 + 4091);
    BuildHeader(big.data(), 4091, 2007, KIND_SERVER);
    EXPECT_FALSE(ViewPacket(big.data(), big.size()));  // does not fit 4096
    BuildHeader(big.data(), 4090, 2007, KIND_SERVER);
    EXPECT_TRUE(ViewPacket(big.data(), big.size()));
}

// ---- single-character bodies ----

TEST(LoginAnswer, ResultCharacter) {
    const uint8_t s[] = {'S'};
    EXPECT_EQ('S', ParseLoginAnswer(s, 1).value());
    EXPECT_FALSE(ParseLoginAnswer(s, 0));
}

TEST(SessionEnd, ReasonCharacter) {
    const uint8_t v[] = {'V', 'x'};
    EXPECT_EQ('V', ParseSessionEnd(v, 2).value());
    EXPECT_FALSE(ParseSessionEnd(v, 0));
    EXPECT_FALSE(ParseSessionEnd(nullptr, 0));
}

// ---- 2003/2004 kind 2 ----

TEST(RequestAnswer, ThirtyTwoBytesAtTheirOffsets) {
    Bytes b(32);
    PutByte(b, 0, 'F');
    PutByte(b, 1, 'R');
    Put(b, 2, "lee");
    Put(b, 15, "ALREADYCHATTING");
    PutByte(b, 31, 'Y');
    const auto a = ParseRequestAnswer(b.data(), b.size());
    ASSERT_TRUE(a);
    EXPECT_EQ('F', a->result);
    EXPECT_EQ('R', a->answer);
    EXPECT_EQ("lee", a->memberId);
    EXPECT_EQ("ALREADYCHATTING", a->resultCode);
    EXPECT_EQ('Y', a->cancelFlag);
}

TEST(RequestAnswer, ShortBodyIsDropped) {
    Bytes b(31);
    EXPECT_FALSE(ParseRequestAnswer(b.data(), b.size()));
}

TEST(RequestAnswer, FullSlotsAreBoundedToTheirWidth) {
    Bytes b(32, 'x');
    const auto a = ParseRequestAnswer(b.data(), b.size());
    ASSERT_TRUE(a);
    EXPECT_EQ(std::string(13, 'x'), a->memberId);
    EXPECT_EQ(std::string(16, 'x'), a->resultCode);
}

// ---- 2003/2004 kind 4 ----

namespace {
Bytes IncomingBody() {
    Bytes b(114);
    Put(b, 0, "kim01");
    Put(b, 13, "\xEB\xB0\x95");  // UTF-8 nickname
    PutByte(b, 32, 'F');
    Put16BE(b, 33, 258);
    Put(b, 35, "student");
    Put(b, 54, "Seoul");
    Put(b, 70, "hello there");
    Put16BE(b, 102, 0xFFFF);  // -1
    Put(b, 104, "12345");
    PutByte(b, 109, 'S');
    Put32BE(b, 110, static_cast<uint32_t>(-1500));
    return b;
}
}  // namespace

TEST(IncomingChatRecord, FieldsAtTheirOffsets) {
    const Bytes b = IncomingBody();
    const auto r = ParseIncomingChatRecord(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ("kim01", r->memberId);
    EXPECT_EQ("\xEB\xB0\x95", r->nickname);
    EXPECT_EQ('F', r->sex);
    EXPECT_EQ(258, r->age);
    EXPECT_EQ("student", r->occupation);
    EXPECT_EQ("Seoul", r->region);
    EXPECT_EQ("hello there", r->chatTopic);
    EXPECT_EQ(-1, r->taste);
    EXPECT_EQ("12345", r->popularity);  // full slot, no terminator
    EXPECT_EQ('S', r->requestFlag);
    EXPECT_EQ(-1500, r->points);
}

TEST(IncomingChatRecord, TextReadsUpToTheFirstZeroInItsSlot) {
    Bytes b = IncomingBody();
    Put(b, 54, std::string("Bus\0an", 6));
    EXPECT_EQ("Bus", ParseIncomingChatRecord(b.data(), b.size())->region);
}

TEST(IncomingChatRecord, ShortRecordIsDropped) {
    const Bytes b = IncomingBody();
    EXPECT_FALSE(ParseIncomingChatRecord(b.data(), 113));
    EXPECT_FALSE(ParseIncomingChatRecord(b.data(), 0));
}

// ---- 2005 ----

TEST(AnswerResult, ThirtyOneBytes) {
    Bytes b(31);
    PutByte(b, 0, 'F');
    PutByte(b, 1, 'A');
    Put(b, 2, "park");
    Put(b, 15, "NO_SUCH_USER");
    const auto a = ParseAnswerResult(b.data(), b.size());
    ASSERT_TRUE(a);
    EXPECT_EQ('F', a->result);
    EXPECT_EQ('A', a->code);
    EXPECT_EQ("park", a->memberId);
    EXPECT_EQ("NO_SUCH_USER", a->resultCode);
    EXPECT_FALSE(ParseAnswerResult(b.data(), 30));
}

// ---- 2006 ----

TEST(ChatDecision, SeventyEightBytes) {
    Bytes b(78);
    Put(b, 0, "choi");
    PutByte(b, 13, 'A');
    Put(b, 14, std::string(32, 'K'));          // full key, no terminator
    Put(b, 46, "192.168.100.200");              // 15 characters
    Put(b, 62, "CANCELED");
    const auto d = ParseChatDecision(b.data(), b.size());
    ASSERT_TRUE(d);
    EXPECT_EQ("choi", d->memberId);
    EXPECT_EQ('A', d->decision);
    EXPECT_EQ(std::string(32, 'K'), d->chatKey);  // not run into the address
    EXPECT_EQ("192.168.100.200", d->chatServerAddress);
    EXPECT_EQ("CANCELED", d->resultCode);
    EXPECT_TRUE(HasChatServer(*d));
    EXPECT_FALSE(ParseChatDecision(b.data(), 77));
}

TEST(ChatDecision, NoChatServer) {
    Bytes b(78);
    PutByte(b, 13, 'A');
    Put(b, 46, "0.0.0.0");
    EXPECT_FALSE(HasChatServer(*ParseChatDecision(b.data(), b.size())));
}

TEST(ChatDecision, FullAddressSlotIsSixteenBytes) {
    Bytes b(78, '9');
    const auto d = ParseChatDecision(b.data(), b.size());
    ASSERT_TRUE(d);
    EXPECT_EQ(std::string(16, '9'), d->chatServerAddress);
    EXPECT_EQ(std::string(16, '9'), d->resultCode);
}

// ---- 2007 kind 2 and 2011 ----

TEST(NoteAnswer, ThirtyBytes) {
    Bytes b(30);
    PutByte(b, 0, 'F');
    Put(b, 1, "lee");
    Put(b, 14, "SHORT_CASH");
    const auto a = ParseNoteAnswer(b.data(), b.size());
    ASSERT_TRUE(a);
    EXPECT_EQ('F', a->result);
    EXPECT_EQ("lee", a->memberId);
    EXPECT_EQ("SHORT_CASH", a->resultCode);
    EXPECT_FALSE(ParseNoteAnswer(b.data(), 29));
}

TEST(ChatCheckAnswer, ThirtyBytes) {
    Bytes b(30);
    PutByte(b, 0, 'S');
    Put(b, 1, "ALL");
    const auto a = ParseChatCheckAnswer(b.data(), b.size());
    ASSERT_TRUE(a);
    EXPECT_EQ('S', a->result);
    EXPECT_EQ("ALL", a->memberId);
    EXPECT_EQ("", a->resultCode);
    EXPECT_FALSE(ParseChatCheckAnswer(b.data(), 29));
}

// ---- 2007 kind 4 ----

namespace {
Bytes NoteBody(std::string_view text, size_t extra = 0) {
    Bytes b(115 + text.size() + extra);
    Put(b, 0, "kim01");
    Put(b, 13, "Nick");
    Put16BE(b, 32, 31);
    PutByte(b, 34, 'M');
    Put(b, 35, "office");
    Put(b, 54, "Daegu");
    Put(b, 70, "topic");
    Put16BE(b, 102, 7);
    Put(b, 104, "77");
    Put32BE(b, 109, 123456);
    Put16BE(b, 113, static_cast<uint16_t>(text.size()));
    Put(b, 115, text);
    return b;
}
}  // namespace

TEST(ReceivedNote, AgeBeforeSexAndTextBehindTheRecord) {
    const Bytes b = NoteBody("hello");
    const auto r = ParseReceivedNote(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ("kim01", r->memberId);
    EXPECT_EQ("Nick", r->nickname);
    EXPECT_EQ(31, r->age);
    EXPECT_EQ('M', r->sex);
    EXPECT_EQ("office", r->occupation);
    EXPECT_EQ("Daegu", r->region);
    EXPECT_EQ("topic", r->chatTopic);
    EXPECT_EQ(7, r->taste);
    EXPECT_EQ("77", r->popularity);
    EXPECT_EQ(123456, r->points);
    EXPECT_EQ("hello", r->text);
}

TEST(ReceivedNote, EmptyNote) {
    const Bytes b = NoteBody("");
    const auto r = ParseReceivedNote(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ("", r->text);
}

TEST(ReceivedNote, LengthPastTheBodyIsDropped) {
    Bytes b = NoteBody("hello");
    Put16BE(b, 113, 6);
    EXPECT_FALSE(ParseReceivedNote(b.data(), b.size()));
    Put16BE(b, 113, 0xFFFF);
    EXPECT_FALSE(ParseReceivedNote(b.data(), b.size()));
    Put16BE(b, 113, 5);
    EXPECT_FALSE(ParseReceivedNote(b.data(), b.size() - 1));
}

TEST(ReceivedNote, ShortRecordIsDropped) {
    const Bytes b = NoteBody("");
    EXPECT_FALSE(ParseReceivedNote(b.data(), 114));
}

TEST(ReceivedNote, BytesBehindTheTextAreIgnored) {
    const Bytes b = NoteBody("hi", 4);
    const auto r = ParseReceivedNote(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ("hi", r->text);
}

TEST(ReceivedNote, TextKeepsAllNBytes) {
    const Bytes b = NoteBody(std::string("a\0b", 3));
    const auto r = ParseReceivedNote(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(std::string("a\0b", 3), r->text);
}
