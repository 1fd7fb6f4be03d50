#include <gtest/gtest.h>

#include "bridge_handshake.h"
#include "service_sites.h"

namespace {

const ServiceSites kSites("www.corvala.co.kr", "partner.example.com");
constexpr uint16_t kPort = 5290;
// The example of the WebSocket standard: key, and SHA-1 of key + GUID.
constexpr char kSampleKey[] = "dGhlIHNhbXBsZSBub25jZQ==";
constexpr std::array<uint8_t, 20> kSampleDigest = {0xb3, 0x7a, 0x4f, 0x2c, 0xc0, 0x62, 0x4f, 0x16, 0x90, 0xf6,
                                                   0x46, 0x06, 0xcf, 0x38, 0x59, 0x45, 0xb2, 0xbe, 0xc4, 0xea};

struct Request {
    std::string requestLine = "GET /bridge HTTP/1.1";
    std::string host = "Host: 127.0.0.1:5290";
    std::string origin = "Origin: https://www.corvala.co.kr";
    std::string key = std::string("Sec-WebSocket-Key: ") + kSampleKey;
    std::string version = "Sec-WebSocket-Version: 13";
    std::string upgrade = "Upgrade: websocket";
    std::string connection = "Connection: keep-alive, Upgrade";
    std::string extra;

    std::string Text() const {
        std::string t = requestLine + "\r\n";
        for (const std::string* h : {&host, &origin, &key, &version, &upgrade, &connection, &extra})
            if (!h->empty()) t += *h + "\r\n";
        return t + "\r\n";
    }
};

HandshakeOutcome Read(const std::string& text) {
    HandshakeReader reader(kSites, kPort);
    return reader.Feed(text);
}

void ExpectRefused(const Request& r, int status, const char* what) {
    const HandshakeOutcome o = Read(r.Text());
    EXPECT_EQ(HandshakeStatus::Refused, o.status) << what;
    EXPECT_EQ(status, o.httpStatus) << what;
}

}  // namespace

TEST(BridgeHandshake, StandardExampleIsAcceptedWithItsAcceptValue) {
    EXPECT_EQ("dGhlIHNhbXBsZSBub25jZQ==258EAFA5-E914-47DA-95CA-C5AB0DC85B11", AcceptKeyInput(kSampleKey));
    EXPECT_EQ("s3pPLMBiTxaQ9kYGzzhZRbK+xOo=", AcceptValue(kSampleDigest));
    EXPECT_EQ("", Base64Encode(nullptr, 0));
    const uint8_t foo[] = {'f', 'o', 'o', 'b'};
    EXPECT_EQ("Zm9vYg==", Base64Encode(foo, 4));

    Request r;
    r.extra = "Sec-WebSocket-Extensions: permessage-deflate; client_max_window_bits";
    const HandshakeOutcome o = Read(r.Text());
    ASSERT_EQ(HandshakeStatus::Accepted, o.status) << o.reason;
    EXPECT_EQ(kSampleKey, o.key);
    EXPECT_EQ("https://www.corvala.co.kr", o.origin);
    EXPECT_EQ("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n",
              SwitchingProtocolsResponse(AcceptValue(kSampleDigest)));
}

TEST(BridgeHandshake, ReadsByteByByteAndKeepsWhatFollowsTheHead) {
    HandshakeReader reader(kSites, kPort);
    const std::string text = Request().Text() + "\x81\x85";
    for (size_t i = 0; i + 3 < text.size(); ++i)
        ASSERT_EQ(HandshakeStatus::NeedMore, reader.Feed(text.substr(i, 1)).status) << i;
    EXPECT_EQ(HandshakeStatus::Accepted, reader.Feed(text.substr(text.size() - 3)).status);
    EXPECT_EQ("\x81\x85", reader.Leftover());
}

TEST(BridgeHandshake, MalformedRequestsGet400) {
    Request r;
    auto with = [](Request base, std::string Request::*field, std::string value) {
        base.*field = std::move(value);
        return base;
    };
    ExpectRefused(with(r, &Request::requestLine, "POST /bridge HTTP/1.1"), 400, "method");
    ExpectRefused(with(r, &Request::requestLine, "GET /bridge HTTP/1.0"), 400, "version");
    ExpectRefused(with(r, &Request::requestLine, "GET  /bridge HTTP/1.1"), 400, "two blanks");
    ExpectRefused(with(r, &Request::requestLine, "GET bridge HTTP/1.1"), 400, "target");
    ExpectRefused(with(r, &Request::host, ""), 400, "no host");
    ExpectRefused(with(r, &Request::extra, "HOST: 127.0.0.1:5290"), 400, "second host");
    ExpectRefused(with(r, &Request::extra, "origin: https://www.corvala.co.kr"), 400, "second origin");
    ExpectRefused(with(r, &Request::key, ""), 400, "no key");
    ExpectRefused(with(r, &Request::key, "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZR=="), 400, "key bits");
    ExpectRefused(with(r, &Request::key, "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25j"), 400, "key short");
    ExpectRefused(with(r, &Request::upgrade, "Upgrade: h2c"), 400, "upgrade");
    ExpectRefused(with(r, &Request::connection, "Connection: keep-alive"), 400, "connection");
    ExpectRefused(with(r, &Request::extra, "X-Long: a\r\n  folded"), 400, "folding");
    ExpectRefused(with(r, &Request::extra, "X-Name : value"), 400, "blank before colon");
    ExpectRefused(with(r, &Request::extra, "X-Bare: a\nb"), 400, "bare line feed");
    ExpectRefused(with(r, &Request::extra, std::string("X-Nul: a\0b", 10)), 400, "control character");
    ExpectRefused(with(r, &Request::version, "Sec-WebSocket-Version: 8"), 426, "version 8");
    ExpectRefused(with(r, &Request::version, ""), 426, "no version");

    std::string many;
    for (int i = 0; i < 64; ++i) many += "X-" + std::to_string(i) + ": 1\r\n";
    ExpectRefused(with(r, &Request::extra, many + "X-Last: 1"), 431, "header count");

    HandshakeReader reader(kSites, kPort);
    EXPECT_EQ(HandshakeStatus::NeedMore, reader.Feed("GET / HTTP/1.1\r\nX: " + std::string(8000, 'a')).status);
    const HandshakeOutcome& big = reader.Feed(std::string(200, 'a'));
    EXPECT_EQ(431, big.httpStatus);
}

TEST(BridgeHandshake, HostMustBeTheLoopbackNameAndPortDialled) {
    EXPECT_TRUE(IsLoopbackHost("127.0.0.1:5290", 5290));
    EXPECT_TRUE(IsLoopbackHost("LocalHost:5290", 5290));
    for (const char* host : {"127.0.0.1:5291", "127.0.0.1", "localhost", "evil.example.com:5290",
                             "127.0.0.1.nip.io:5290", "localhost.:5290", "127.1:5290", "[::1]:5290",
                             "127.0.0.1:05290", "127.0.0.1:+5290", "127.0.0.1:5290 x", "www.corvala.co.kr:5290"})
        EXPECT_FALSE(IsLoopbackHost(host, 5290)) << host;
    Request rebinding;
    rebinding.host = "Host: attacker.example:5290";
    ExpectRefused(rebinding, 403, "rebinding");
}

TEST(BridgeHandshake, OnlyTheServiceOriginsGetIn) {
    for (const char* origin : {"https://www.corvala.co.kr", "http://corvala.co.kr", "https://m.corvala.co.kr:443",
                               "HTTPS://WWW.CORVALA.CO.KR", "https://partner.example.com"})
        EXPECT_TRUE(IsServiceOrigin(origin, kSites)) << origin;
    for (const char* origin : {"null", "", "https://evil.example", "https://www.corvala.co.kr.evil.example",
                               "https://evilcorvala.co.kr", "https://www.corvala.co.kr/", "https://www.corvala.co.kr/x",
                               "https://www.corvala.co.kr?x", "https://www.corvala.co.kr#x",
                               "https://www.corvala.co.kr:8443", "https://www.corvala.co.kr:",
                               "https://user@www.corvala.co.kr", "https://www.corvala.co.kr x",
                               "file://www.corvala.co.kr", "chrome-extension://abcdef", "www.corvala.co.kr",
                               "https://sub.partner.example.com"})
        EXPECT_FALSE(IsServiceOrigin(origin, kSites)) << origin;

    Request r;
    r.origin = "Origin: null";
    ExpectRefused(r, 403, "null");
    r.origin = "";
    ExpectRefused(r, 403, "missing");
    r.origin = "Origin: https://evil.example";
    ExpectRefused(r, 403, "foreign");
}

TEST(BridgeHandshake, RefusalsSayLittleAndCloseTheConnection) {
    const std::string forbidden = RefusalResponse(403);
    EXPECT_EQ("HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 10\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\nForbidden\n",
              forbidden);
    EXPECT_NE(std::string::npos, RefusalResponse(426).find("\r\nSec-WebSocket-Version: 13\r\n"));
    EXPECT_EQ(0u, RefusalResponse(431).find("HTTP/1.1 431 Request Header Fields Too Large\r\n"));
}
