// The bridge as a page's browser speaks it, over a real loopback socket: only
// the service's own pages get in, their requests reach the main window's
// operations, and a Notewell started from a link waits for a page's identity.
#include <winsock2.h>

#include <string>

#include "hub_fixture.h"
#include "popups/send_note_dlg.h"

namespace hub {
namespace {

// A page's end of the bridge: non-blocking, so the test keeps pumping the
// main window while it waits for an answer.
class PageSocket {
public:
    explicit PageSocket(uint16_t port) {
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = ::htons(port);
        at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        connected = ::connect(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
    }
    ~PageSocket() { ::closesocket(s); }
    void Send(const std::string& bytes) { ::send(s, bytes.data(), static_cast<int>(bytes.size()), 0); }
    // A text frame as a browser sends it: final, masked.
    void SendText(const std::string& text) {
        std::string frame(1, '\x81');
        frame += static_cast<char>(0x80 | text.size());  // the tests' texts are short
        const char mask[4] = {0x12, 0x34, 0x56, 0x78};
        frame.append(mask, 4);
        for (size_t i = 0; i < text.size(); ++i) frame += static_cast<char>(text[i] ^ mask[i % 4]);
        Send(frame);
    }
    // Pumps until what arrived holds `part` (or the peer closed).
    bool WaitFor(const std::string& part, DWORD timeoutMs = 5000) {
        return testing_support::PumpUntil([&] {
            char buffer[4096];
            const int got = ::recv(s, buffer, sizeof buffer, 0);
            if (got > 0) received.append(buffer, static_cast<size_t>(got));
            return received.find(part) != std::string::npos;
        }, timeoutMs);
    }
    bool connected = false;
    std::string received;

private:
    SOCKET s;
};

std::string Handshake(uint16_t port, const std::string& origin, const std::string& host = std::string()) {
    return "GET / HTTP/1.1\r\nHost: " + (host.empty() ? "127.0.0.1:" + std::to_string(port) : host) +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
           "Sec-WebSocket-Version: 13\r\nOrigin: " + origin + "\r\n\r\n";
}

class PageBridgeTest : public HubTest {};

TEST_F(PageBridgeTest, OnlyTheServicePagesThroughTheirLoopbackNameGetIn) {
    OpenConnected("me/pw/M/sess/127.0.0.1");
    const uint16_t port = dlg->bridge.Port();
    ASSERT_NE(port, 0);
    for (const auto& [origin, host] : {std::pair<std::string, std::string>{"http://evil.example", ""},
                                      {"null", ""},
                                      {"http://www.corvala.co.kr", "rebind.example:" + std::to_string(port)}}) {
        PageSocket page(port);
        ASSERT_TRUE(page.connected);
        page.Send(Handshake(port, origin, host));
        EXPECT_TRUE(page.WaitFor("HTTP/1.1 403")) << origin << " " << host;
        page.SendText(R"({"op":"noteToAll"})");
        Settle(100);
        EXPECT_EQ(dlg->popups.noteToAll, nullptr) << origin << " " << host;
    }

    // The service's page: the accept value is the handshake's own (Windows'
    // SHA-1), the page learns the state, and a note target opens the note window.
    PageSocket page(port);
    page.Send(Handshake(port, "http://www.corvala.co.kr"));
    ASSERT_TRUE(page.WaitFor("s3pPLMBiTxaQ9kYGzzhZRbK+xOo="));
    ASSERT_TRUE(page.WaitFor(R"("state")"));
    page.SendText(R"({"id":7,"op":"sendNote","target":{"id":"amy","nickname":"Amy","sex":"F","age":22}})");
    ASSERT_TRUE(page.WaitFor(R"("id":7)"));
    EXPECT_NE(page.received.find(R"("ok":true)"), std::string::npos);
    ASSERT_NE(dlg->popups.sendNote, nullptr);
    EXPECT_EQ(dlg->popups.sendNote->RecipientId(), "amy");

    // Closing tells the page why, before the bridge goes.
    page.SendText(R"({"id":8,"op":"logout","ask":false})");
    EXPECT_TRUE(page.WaitFor(R"("ended")"));
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(WaitSent(CMD_LOGOUT, 1));
}

TEST_F(PageBridgeTest, StartedFromALinkItLogsInWithThePagesIdentity) {
    devserver::DevServerOptions options;
    options.trayPort = 0;
    options.logSink = [](const std::string&) {};
    server = std::make_unique<devserver::DevServer>(options);
    ASSERT_TRUE(server->Start());
    dlg = std::make_unique<CTrayMainDlg>(R"(Notewell.exe --url "notewell:start?t=abc-123")");
    dlg->serverPort = server->TrayPort();
    ASSERT_TRUE(dlg->Create(IDD_TRAY_MAIN));
    window = dlg->m_hWnd;
    Settle(300);
    EXPECT_FALSE(dlg->isConnected) << "a link carries no identity: nothing to connect with";

    PageSocket page(dlg->bridge.Port());
    page.Send(Handshake(dlg->bridge.Port(), "https://corvala.co.kr"));
    ASSERT_TRUE(page.WaitFor(R"("waiting")"));
    page.SendText(R"({"id":1,"op":"login","member":{"id":"kim","password":"pw","sex":"F","sessionId":"s1","server":"127.0.0.1"}})");
    ASSERT_TRUE(page.WaitFor(R"("loggedIn")", 10000));
    EXPECT_TRUE(server->WaitForLogin("kim", 5000).has_value());
    EXPECT_EQ(dlg->userId, "kim");
}

TEST_F(PageBridgeTest, StartedFromALinkWithNoPageItEndsQuietly) {
    dlg = std::make_unique<CTrayMainDlg>(R"(Notewell.exe --url "notewell:start")");
    ASSERT_TRUE(dlg->Create(IDD_TRAY_MAIN));
    window = dlg->m_hWnd;
    ::PostMessageW(window, WM_TIMER, CTrayMainDlg::IDENTITY_TIMER, 0);  // the minute is over
    Settle();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
}  // namespace hub
