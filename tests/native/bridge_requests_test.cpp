#include <gtest/gtest.h>

#include "bridge_requests.h"

namespace {

// Stands in for the conversion to code page 949: a Hangul syllable (three
// UTF-8 bytes) becomes two bytes, as it does there.
std::string FakeCodePage949(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xE0) {
            out += "\xB0\xA1";
            i += 2;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

BridgeDecoded Decode(const std::string& text) { return DecodeBridgeRequest(text, FakeCodePage949); }

std::string Repeat(const char* s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

}  // namespace

TEST(BridgeRequests, DecodesEveryOperation) {
    BridgeDecoded d = Decode(R"({"op":"login","id":7,"member":{"id":"kim01","password":"p/w&1","sex":"F",)"
                             R"("sessionId":"S42","server":"10.0.0.1"}})");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_EQ(BridgeOp::Login, d.request->op);
    EXPECT_EQ(7, d.request->id);
    const TrayArguments a = ArgumentsOf(d.request->identity);
    EXPECT_EQ("kim01", a.userId);
    EXPECT_EQ("p/w&1", a.password);  // whole: the bridge does not split on '/'
    EXPECT_EQ('F', a.ownSex);
    EXPECT_EQ("S42", a.sessionId);
    EXPECT_EQ("10.0.0.1", a.serverAddress);

    d = Decode(R"({"op":"logout","ask":true})");
    ASSERT_TRUE(d.request);
    EXPECT_TRUE(d.request->ask);
    EXPECT_FALSE(d.request->id);
    EXPECT_FALSE(Decode(R"({"op":"logout"})").request->ask);
    EXPECT_EQ(BridgeOp::NoteToAll, Decode(R"({"op":"noteToAll","id":0})").request->op);
    EXPECT_EQ(BridgeOp::ChatToAll, Decode(R"({"op":"chatToAll","id":2147483647})").request->op);

    d = Decode(R"({"op":"sendNote","target":{"id":"lee","nickname":"별빛","sex":"M","age":25}})");
    ASSERT_TRUE(d.request) << d.error;
    const NoteTargetInfo note = NoteRecordOf(d.request->note, FakeCodePage949);
    EXPECT_EQ("lee", note.MemberId());
    EXPECT_EQ("\xB0\xA1\xB0\xA1", note.Nickname());
    EXPECT_EQ(25, note.Age());
    EXPECT_EQ('M', note.SexCode());

    d = Decode(R"({"op":"askChat","target":{"id":"park","nickname":"하늘","sex":"F","age":-3,"occupation":"학생",)"
               R"("region":"서울","taste":7,"popularity":"99","topic":"안녕/하세요","points":-2147483648}})");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_EQ("안녕/하세요", d.request->chat.chatTopic);
    const ChatTargetInfo chat = ChatRecordOf(d.request->chat, FakeCodePage949);
    EXPECT_EQ("park", chat.MemberId());
    EXPECT_EQ('F', chat.SexCode());
    EXPECT_EQ(-3, chat.Age());
    EXPECT_EQ(7, chat.Taste());
    EXPECT_EQ("99", chat.Popularity());
    EXPECT_EQ(11u, chat.ChatTopic().size());
    EXPECT_EQ(INT32_MIN, chat.Points());
    // Only the id is required, as with Gatekin's shortest texts.
    d = Decode(R"({"op":"askChat","target":{"id":"park"}})");
    ASSERT_TRUE(d.request);
    EXPECT_EQ(0, ChatRecordOf(d.request->chat, nullptr).Points());
}

TEST(BridgeRequests, RefusalsAndTheirCodes) {
    const std::string member = R"("member":{"id":"kim","password":"pw","sex":"M","sessionId":"s","server":"1.2.3.4")";
    const std::pair<std::string, const char*> cases[] = {
        {"", "bad-json"},
        {"[1]", "bad-json"},
        {R"({"op":"noteToAll")", "bad-json"},
        {R"({"op":"noteToAll","op":"chatToAll"})", "bad-json"},
        {R"({"op":"sendNote","target":{"id":"a","id":"b"}})", "bad-json"},
        {R"({"op":"x","target":{"a":{"b":{"c":{"d":1}}}}})", "bad-json"},
        {"{\"op\":\"noteToAll\",\"x\":\"\xC0\xAF\"}", "bad-json"},
        {R"({"op":"fileOpen","path":"C:\\"})", "unknown-op"},
        {R"({"op":"NoteToAll"})", "unknown-op"},
        {R"({"id":1})", "bad-field"},
        {R"({"op":7})", "bad-field"},
        {R"({"op":"noteToAll","origin":"https://www.corvala.co.kr"})", "bad-field"},
        {R"({"op":"noteToAll","id":-1})", "bad-field"},
        {R"({"op":"noteToAll","id":2147483648})", "bad-field"},
        {R"({"op":"noteToAll","id":1.0})", "bad-field"},
        {R"({"op":"noteToAll","id":"1"})", "bad-field"},
        {R"({"op":"logout","ask":1})", "bad-field"},
        {R"({"op":"login"})", "bad-field"},
        {R"({"op":"login","member":{"id":"kim","password":"pw","sex":"M","sessionId":"s"}})", "bad-field"},
        {"{\"op\":\"login\"," + member + ",\"extra\":1}}", "bad-field"},
        {R"({"op":"login","member":{"id":"kim","password":"pw","sex":"X","sessionId":"s","server":"1.2.3.4"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"kim","password":"pw","sex":"M","sessionId":"s","server":"evil.example"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"","password":"pw","sex":"M","sessionId":"s","server":"1.2.3.4"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"k\"im","password":"pw","sex":"M","sessionId":"s","server":"1.2.3.4"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"kim","password":"p\"w","sex":"M","sessionId":"s","server":"1.2.3.4"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"kim","password":"p\u0000w","sex":"M","sessionId":"s","server":"1.2.3.4"}})", "bad-field"},
        {R"({"op":"login","member":{"id":"abcdefghijklmn","password":"pw","sex":"M","sessionId":"s","server":"1.2.3.4"}})", "too-long"},
        {R"({"op":"sendNote","target":{"nickname":"a"}})", "bad-field"},
        {R"({"op":"sendNote","target":{"id":"a","age":32768}})", "bad-field"},
        {R"({"op":"sendNote","target":{"id":"a","age":"25"}})", "bad-field"},
        {R"({"op":"sendNote","target":{"id":"a","nickname":null}})", "bad-field"},
        {R"({"op":"sendNote","target":"a/b/F/25"})", "bad-field"},
        {R"({"op":"askChat","target":{"id":"a","points":2147483648}})", "bad-field"},
        {R"({"op":"askChat","target":{"id":"a","occupation":"x\ty"}})", "bad-field"},
        {R"({"op":"askChat","target":{"id":"a","popularity":"12345"}})", "too-long"},
        {R"({"op":"sendNote","target":{"id":"abcdefghijklm"}})", "too-long"},
        {"{\"op\":\"noteToAll\",\"pad\":\"" + std::string(kMaxRequestText, ' ') + "\"}", "too-long"},
    };
    for (const auto& [text, code] : cases) {
        const BridgeDecoded d = Decode(text);
        EXPECT_FALSE(d.request) << text;
        EXPECT_EQ(code, d.error) << text;
    }
    // The id of a refused request is still answered.
    EXPECT_EQ(9, Decode(R"({"op":"nope","id":9})").id);
}

TEST(BridgeRequests, SlotsAreMeasuredInTheRecordsCodePage) {
    // 9 Hangul: 27 UTF-8 bytes but 18 in code page 949, the nickname slot less its terminator.
    const std::string nine = Repeat("별", 9);
    BridgeDecoded d = Decode(R"({"op":"sendNote","target":{"id":"a","nickname":")" + nine + "\"}}");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_EQ(18u, NoteRecordOf(d.request->note, FakeCodePage949).Nickname().size());
    EXPECT_EQ("too-long", Decode(R"({"op":"sendNote","target":{"id":"a","nickname":")" + nine + "a\"}}").error);
    // 75 Hangul fill the 151-byte topic.
    EXPECT_TRUE(Decode(R"({"op":"askChat","target":{"id":"a","topic":")" + Repeat("가", 75) + "\"}}").request);
    EXPECT_EQ("too-long", Decode(R"({"op":"askChat","target":{"id":"a","topic":")" + Repeat("가", 76) + "\"}}").error);
    // JSON escapes count as the characters they stand for.
    EXPECT_TRUE(Decode(R"({"op":"sendNote","target":{"id":"a","nickname":")" + Repeat("\\ubcc4", 9) + "\"}}").request);
}

TEST(BridgeRequests, NotewellsMessagesAndNoPassword) {
    EXPECT_EQ(R"({"type":"reply","id":3,"ok":true})", EncodeReply(3, true));
    EXPECT_EQ(R"({"type":"reply","id":null,"ok":false,"error":"bad-json"})", EncodeReply(std::nullopt, false, "bad-json"));
    EXPECT_EQ(R"({"type":"state","state":"loggedIn","reason":""})", EncodeState(BridgeState::LoggedIn));
    EXPECT_EQ(R"({"type":"state","state":"ended","reason":"server\"closed"})",
              EncodeState(BridgeState::Ended, "server\"closed"));
    EXPECT_EQ("{\"type\":\"state\",\"state\":\"waiting\",\"reason\":\"\xEF\xBF\xBD\"}",
              EncodeState(BridgeState::Waiting, "\xFF"));

    const std::string secret = "Zx9secret";
    for (const std::string& text :
         {R"({"op":"login","member":{"id":"kim","password":")" + secret + R"(","sex":"Q","sessionId":"s","server":"1.2.3.4"}})",
          R"({"op":"login","member":{"id":"kim","password":")" + secret + Repeat("x", 40) + R"(","sex":"M","sessionId":"s","server":"1.2.3.4"}})",
          R"({"op":"login","member":{"id":"kim","password":")" + secret + R"("})"}) {
        const BridgeDecoded d = Decode(text);
        ASSERT_FALSE(d.request);
        EXPECT_EQ(std::string::npos, d.error.find(secret));
        EXPECT_EQ(std::string::npos, EncodeReply(d.id, false, d.error).find(secret));
    }
}
