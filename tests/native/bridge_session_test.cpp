#include <gtest/gtest.h>

#include "bridge_session.h"
#include "service_sites.h"

namespace {

const ServiceSites kSites("www.corvala.co.kr");

constexpr char kUpgrade[] =
    "GET / HTTP/1.1\r\nHost: localhost:5291\r\nOrigin: https://www.corvala.co.kr\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
    "Upgrade: websocket\r\nConnection: Upgrade\r\n\r\n";

std::string Masked(uint8_t first, std::string_view payload) {
    std::string f(1, static_cast<char>(first));
    if (payload.size() < 126) {
        f += static_cast<char>(0x80 | payload.size());
    } else {
        f += static_cast<char>(0x80 | 126);
        f += static_cast<char>(payload.size() >> 8);
        f += static_cast<char>(payload.size() & 0xFF);
    }
    f += std::string("\x01\x02\x03\x04", 4);
    for (size_t i = 0; i < payload.size(); ++i) f += static_cast<char>(payload[i] ^ (i % 4 + 1));
    return f;
}

// The server frames in a stretch of output (after the 101), as text payloads with their first byte.
std::vector<std::string> ServerFrames(std::string_view out) {
    std::vector<std::string> frames;
    while (out.size() >= 2) {
        size_t n = static_cast<uint8_t>(out[1]), at = 2;
        if (n == 126) {
            n = (static_cast<uint8_t>(out[2]) << 8) | static_cast<uint8_t>(out[3]);
            at = 4;
        }
        frames.push_back(std::string(1, out[0]) + std::string(out.substr(at, n)));
        out.remove_prefix(at + n);
    }
    return frames;
}

struct BridgeSessionTest : ::testing::Test {
    uint64_t now = 1000;
    std::string hashed;
    BridgeSession session{BridgeSessionConfig{&kSites, 5291,
                                              [this](std::string_view text) {
                                                  hashed = std::string(text);
                                                  return std::array<uint8_t, 20>{0xb3, 0x7a, 0x4f, 0x2c, 0xc0, 0x62, 0x4f,
                                                                                 0x16, 0x90, 0xf6, 0x46, 0x06, 0xcf, 0x38,
                                                                                 0x59, 0x45, 0xb2, 0xbe, 0xc4, 0xea};
                                              },
                                              nullptr, [this] { return now; }}};

    std::string Drain() {
        std::string out(session.PendingOutput());
        session.Written(out.size());
        return out;
    }
    void Open() {
        ASSERT_FALSE(session.Feed(kUpgrade).close);
        ASSERT_TRUE(session.IsOpen());
        Drain();
    }
};

}  // namespace

TEST_F(BridgeSessionTest, HandshakeThenARequestAndItsReply) {
    // The handshake and the first request may come in one read.
    BridgeStep step = session.Feed(std::string(kUpgrade) + Masked(0x81, R"({"op":"sendNote","id":5,"target":{"id":"lee"}})"));
    EXPECT_EQ("dGhlIHNhbXBsZSBub25jZQ==258EAFA5-E914-47DA-95CA-C5AB0DC85B11", hashed);
    EXPECT_EQ("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n",
              Drain());
    EXPECT_FALSE(step.close);
    ASSERT_EQ(1u, step.requests.size());
    EXPECT_EQ(BridgeOp::SendNote, step.requests[0].op);
    EXPECT_EQ("lee", step.requests[0].note.memberId);
    EXPECT_EQ("https://www.corvala.co.kr", session.Origin());

    EXPECT_TRUE(session.SendReply(5, true));
    EXPECT_TRUE(session.SendState(BridgeState::Connecting));
    // A refused request is answered by the session itself, and the connection stays.
    step = session.Feed(Masked(0x81, R"({"op":"openFile","id":6})") + Masked(0x89, "p"));
    EXPECT_TRUE(step.requests.empty());
    EXPECT_FALSE(step.close);
    const std::vector<std::string> frames = ServerFrames(Drain());
    ASSERT_EQ(4u, frames.size());
    EXPECT_EQ("\x81" R"({"type":"reply","id":5,"ok":true})", frames[0]);
    EXPECT_EQ("\x81" R"({"type":"state","state":"connecting","reason":""})", frames[1]);
    EXPECT_EQ("\x81" R"({"type":"reply","id":6,"ok":false,"error":"unknown-op"})", frames[2]);
    EXPECT_EQ("\x8Ap", frames[3]);

    // The page closes: its code comes back, and nothing more is read or sent.
    step = session.Feed(Masked(0x88, "\x03\xE8") + Masked(0x81, R"({"op":"noteToAll"})"));
    EXPECT_TRUE(step.close);
    EXPECT_TRUE(step.requests.empty());
    EXPECT_EQ(std::string("\x88\x02\x03\xE8", 4), Drain());
    EXPECT_FALSE(session.SendReply(7, true));
    EXPECT_TRUE(session.ShouldCloseSocket());
}

TEST_F(BridgeSessionTest, RefusedHandshakeAnswersAndCloses) {
    std::string foreign = kUpgrade;
    foreign.replace(foreign.find("https://www.corvala.co.kr"), 25, "https://evil.example.com");
    const BridgeStep step = session.Feed(foreign + Masked(0x81, R"({"op":"chatToAll"})"));
    EXPECT_TRUE(step.close);
    EXPECT_TRUE(step.requests.empty());
    EXPECT_FALSE(session.ShouldCloseSocket());  // the refusal is still to be written
    EXPECT_EQ(0u, Drain().find("HTTP/1.1 403 Forbidden\r\n"));
    EXPECT_TRUE(session.ShouldCloseSocket());
    EXPECT_FALSE(session.SendState(BridgeState::Started));
}

TEST_F(BridgeSessionTest, BadFramesCloseWithTheirCode) {
    Open();
    const BridgeStep step = session.Feed(Masked(0x82, "x"));
    EXPECT_TRUE(step.close);
    EXPECT_EQ(std::string("\x88\x02\x03\xEB", 4), Drain());
}

TEST_F(BridgeSessionTest, FloodOfRequestsClosesWith1008) {
    Open();
    std::string burst;
    for (int i = 0; i < 20; ++i) burst += Masked(0x81, R"({"op":"noteToAll"})");
    EXPECT_EQ(20u, session.Feed(burst).requests.size());
    now += 200;  // two more have been earned
    BridgeStep step = session.Feed(Masked(0x81, R"({"op":"noteToAll"})") + Masked(0x81, R"({"op":"noteToAll"})"));
    EXPECT_EQ(2u, step.requests.size());
    EXPECT_FALSE(step.close);
    step = session.Feed(Masked(0x89, ""));
    EXPECT_TRUE(step.close);
    EXPECT_EQ(0x88, static_cast<uint8_t>(Drain()[0]));
}

TEST_F(BridgeSessionTest, APageThatDoesNotReadIsDropped) {
    Open();
    const std::string ping = Masked(0x89, std::string(125, 'p'));
    BridgeStep step;
    for (int i = 0; i < 20 && !step.close; ++i) step = session.Feed(ping);  // pongs pile up unread
    EXPECT_FALSE(step.close);
    size_t rounds = 0;
    for (; !step.close && rounds < 10000; ++rounds) {
        now += 1000;
        for (int i = 0; i < 10 && !step.close; ++i) step = session.Feed(ping);
    }
    EXPECT_TRUE(step.close);
    EXPECT_LE(session.PendingOutput().size(), kMaxBridgeOutput);
    EXPECT_TRUE(session.PendingOutput().empty());
    EXPECT_TRUE(session.ShouldCloseSocket());
}

TEST_F(BridgeSessionTest, HandshakeHasATimeLimit) {
    session.Feed("GET / HTTP/1.1\r\n");
    now += kBridgeHandshakeTimeLimitMs - 1;
    EXPECT_FALSE(session.HandshakeOverdue());
    now += 1;
    EXPECT_TRUE(session.HandshakeOverdue());
}

TEST(BridgeConnectionLimit, TheFifthWaitsForARelease) {
    BridgeConnectionLimit limit;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(limit.TryAdmit());
    EXPECT_FALSE(limit.TryAdmit());
    limit.Release();
    EXPECT_TRUE(limit.TryAdmit());
    EXPECT_EQ(0u, BusyResponse().find("HTTP/1.1 503 Service Unavailable\r\n"));
    EXPECT_NE(std::string::npos, BusyResponse().find("\r\nConnection: close\r\n"));
}
