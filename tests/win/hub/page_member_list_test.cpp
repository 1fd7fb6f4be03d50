// The member list as pages have it over the bridge: one list connection for
// every page, the whole list on subscribing and each change after it, the
// menu's actions reaching Notewell's own handling and the list server, and
// a page that stops reading costing Notewell nothing it cannot bound.
#include <winsock2.h>

#include <string>

#include "hub_fixture.h"
#include "popups/send_note_dlg.h"

namespace hub {
namespace {

// A page's end of the bridge, as a browser speaks it.
class ListPage {
public:
    // receiveBuffer: the socket's own, small for a page that stops reading
    // (the system's buffers would take megabytes before Notewell saw it).
    explicit ListPage(uint16_t port, int receiveBuffer = 0) {
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (receiveBuffer)
            ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = ::htons(port);
        at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        ::connect(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        const std::string handshake = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                      "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                                      "Origin: http://www.corvala.co.kr\r\n\r\n";
        ::send(s, handshake.data(), static_cast<int>(handshake.size()), 0);
    }
    ~ListPage() { Close(); }
    void Close() {
        if (s != INVALID_SOCKET) ::closesocket(s);
        s = INVALID_SOCKET;
    }
    void SendText(const std::string& text) {
        std::string frame(1, '\x81');
        if (text.size() < 126) {
            frame += static_cast<char>(0x80 | text.size());
        } else {  // the shortest length form only
            frame += static_cast<char>(0x80 | 126);
            frame += static_cast<char>(text.size() >> 8);
            frame += static_cast<char>(text.size() & 0xFF);
        }
        const char mask[4] = {0x21, 0x43, 0x65, 0x07};
        frame.append(mask, 4);
        for (size_t i = 0; i < text.size(); ++i) frame += static_cast<char>(text[i] ^ mask[i % 4]);
        ::send(s, frame.data(), static_cast<int>(frame.size()), 0);
    }
    void Read() {
        char buffer[16384];
        for (int got; (got = ::recv(s, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, got);
    }
    // What arrived from `from` on holds `part`.
    bool WaitFor(const std::string& part, size_t from = 0, DWORD ms = 8000) {
        return testing_support::PumpUntil([&] {
            Read();
            return received.find(part, from) != std::string::npos;
        }, ms);
    }
    size_t Count(const std::string& part) const {
        size_t n = 0;
        for (size_t at = received.find(part); at != std::string::npos; at = received.find(part, at + 1)) ++n;
        return n;
    }
    std::string received;
    SOCKET s = INVALID_SOCKET;
};

class PageMemberListTest : public HubTest {
protected:
    void SetUp() override {
        HubTest::SetUp();
        // A list server of the test's own: the list port is fixed.
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const size_t h = std::hash<std::string>()(std::string("list.") + info->name());
        address = "127.2." + std::to_string(1 + h % 250) + "." + std::to_string(1 + (h / 250) % 250);
        devserver::DevServerOptions options;
        options.bindAddress = address;
        options.trayPort = 0;
        options.listEnabled = true;
        options.listPort = 5200;
        options.logSink = [](const std::string&) {};
        lists = std::make_unique<devserver::DevServer>(options);
        ASSERT_TRUE(lists->Start());
        OpenConnected("me/pw/M/sess/127.0.0.1");
    }
    void TearDown() override {
        dlg.reset();
        if (lists) lists->Stop();
        HubTest::TearDown();
    }
    void ListWoman(const std::string& id, const std::string& nick, int age, bool chatting = false) {
        MemberProfile p = lists->GetMember(id);
        p.sex = 'F';
        p.nickname = nick;
        p.age = static_cast<int16_t>(age);
        lists->SetMember(p);
        devserver::ListedMember m;
        m.id = id;
        m.chatting = chatting;
        lists->MemberList().PutMember(m);
    }
    std::string Subscribe(const std::string& sex = "man") {
        return R"({"op":"listSubscribe","id":1,"viewer":{"id":"viewer","password":"pw","sex":")" + sex +
               R"(","server":")" + address + R"("}})";
    }
    size_t OpenListConnections() const {
        size_t n = 0;
        for (const auto& c : lists->Connections())
            if (c.channel == devserver::Channel::List && c.closeMs < 0) ++n;
        return n;
    }

    std::string address;
    std::unique_ptr<devserver::DevServer> lists;
};

TEST_F(PageMemberListTest, PagesShareOneListThatFollowsTheServerAndTheModes) {
    ListWoman("mina", "미나", 25);
    ListWoman("sora", "A&B", 31, true);
    ListPage first(dlg->bridge.Port());
    ASSERT_TRUE(first.WaitFor(R"("type":"state")"));
    first.SendText(Subscribe());
    // The women's list for a man, the whole of it, as the list server gives it.
    ASSERT_TRUE(first.WaitFor(R"("event":"reset","mode":"F","fullMenu":true)"));
    ASSERT_TRUE(first.WaitFor(R"(["mina",1,21)"));
    ASSERT_TRUE(first.WaitFor(R"(["sora",1,5)"));  // chatting: no chat item
    EXPECT_NE(first.received.find(R"("1:A&&B")"), std::string::npos) << "the display form";
    EXPECT_NE(first.received.find(R"("4:31")"), std::string::npos);

    // A second page gets the same list over the same connection.
    ListPage second(dlg->bridge.Port());
    second.SendText(Subscribe());
    ASSERT_TRUE(second.WaitFor(R"(["mina",1,)"));
    ASSERT_TRUE(second.WaitFor(R"(["sora",1,)"));
    EXPECT_EQ(1u, OpenListConnections());
    EXPECT_EQ(1u, lists->CountReceived(devserver::LIST_LOGIN));

    // Changes as they come, to both.
    size_t mark1 = first.received.size(), mark2 = second.received.size();
    ListWoman("yuna", "유나", 22);
    lists->MemberList().RemoveMember("mina");
    for (ListPage* page : {&first, &second}) {
        const size_t mark = page == &first ? mark1 : mark2;
        ASSERT_TRUE(page->WaitFor(R"(["u",["yuna",1,)", mark));
        ASSERT_TRUE(page->WaitFor(R"(["r","mina"])", mark));
    }

    // A mode change from one page: every page starts again on the men's list.
    mark1 = first.received.size();
    mark2 = second.received.size();
    first.SendText(R"({"op":"listMode","label":"woman"})");
    ASSERT_TRUE(first.WaitFor(R"("event":"reset","mode":"M","fullMenu":false)", mark1));
    ASSERT_TRUE(second.WaitFor(R"("event":"reset","mode":"M")", mark2));
    EXPECT_TRUE(testing_support::PumpUntil([&] { return lists->CountReceived(devserver::LIST_MEMBERS) == 2; }, 5000));

    // The last page gone, the list connection goes with it.
    first.Close();
    Settle(300);
    EXPECT_EQ(1u, OpenListConnections());
    second.SendText(R"({"op":"listUnsubscribe"})");
    EXPECT_TRUE(testing_support::PumpUntil([&] { return OpenListConnections() == 0; }, 5000));
    EXPECT_FALSE(dlg->memberList.HasSession());
}

TEST_F(PageMemberListTest, TheMenusActionsGoWhereRosterlysGo) {
    ListWoman("mina", "미나", 25);
    ListWoman("sora", "소라", 31, true);
    ListPage page(dlg->bridge.Port());
    page.SendText(Subscribe());
    ASSERT_TRUE(page.WaitFor(R"(["sora",1,)"));

    // A note opens Notewell's own note window for the member.
    page.SendText(R"({"op":"listAction","id":2,"action":"note","member":"mina"})");
    ASSERT_TRUE(page.WaitFor(R"("id":2,"ok":true)"));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return dlg->popups.sendNote != nullptr; }, 5000));

    // A chat request goes out over Notewell's connection; one for a member
    // who is chatting is refused with the list's words.
    page.SendText(R"({"op":"listAction","id":3,"action":"chat","member":"mina"})");
    ASSERT_TRUE(page.WaitFor(R"("id":3,"ok":true)"));
    EXPECT_TRUE(WaitSent(CMD_CHAT_CHECK, 1));
    page.SendText(R"({"op":"listAction","id":4,"action":"doubleClick","member":"sora"})");
    ASSERT_TRUE(page.WaitFor(R"("id":4,"ok":false,"error":"chatting")"));
    EXPECT_EQ(1u, BoxCount("상대방이 이미 대화중이므로 대화신청을 하실 수 없습니다."));

    // A block goes to the list server; its answer is told and reaches the page as the row's new flags.
    const size_t mark = page.received.size();
    page.SendText(R"({"op":"listAction","id":5,"action":"block","member":"mina"})");
    ASSERT_TRUE(page.WaitFor(R"("id":5,"ok":true)"));
    const auto relation = lists->WaitForPacket(devserver::LIST_RELATION, 5000);
    ASSERT_TRUE(relation);
    ASSERT_GE(relation->body.size(), 14u);
    EXPECT_EQ('B', relation->body[0]);
    EXPECT_EQ("mina", std::string(reinterpret_cast<const char*>(&relation->body[1])));
    // Blocked: only unblock among the friend items, and the chat item.
    ASSERT_TRUE(page.WaitFor(R"(["u",["mina",1,24,)", mark));
    EXPECT_TRUE(testing_support::PumpUntil([&] { return BoxCount("미나 해당 회원을 차단했습니다.") == 1; }, 5000));

    // What the menu does not offer is not done: a blocked member cannot be blocked again.
    page.SendText(R"({"op":"listAction","id":6,"action":"block","member":"mina"})");
    ASSERT_TRUE(page.WaitFor(R"("id":6,"ok":false,"error":"not-offered")"));
    page.SendText(R"({"op":"listAction","id":7,"action":"note","member":"nobody"})");
    ASSERT_TRUE(page.WaitFor(R"("id":7,"ok":false,"error":"not-listed")"));
    EXPECT_EQ(1u, lists->CountReceived(devserver::LIST_RELATION));
}

TEST_F(PageMemberListTest, APageThatStopsReadingIsDroppedAndTheOthersGoOn) {
    // Long nicknames make a long list in few members.
    for (int i = 0; i < 400; ++i) ListWoman("w" + std::to_string(i), std::string(18, 'n'), 20 + i % 30);
    dlg->memberList.stallLimitMs = 500;
    ListPage reader(dlg->bridge.Port());
    ListPage sleeper(dlg->bridge.Port(), 4096);
    reader.SendText(Subscribe());
    sleeper.SendText(Subscribe());
    ASSERT_TRUE(reader.WaitFor(R"(["w0",1,)"));
    // The sleeper reads nothing more. Changes keep coming: it is let go,
    // and the reader has every one of them.
    for (int round = 0; round < 80 && dlg->memberList.PageCount() == 2; ++round) {
        for (int i = 0; i < 400; ++i)
            lists->MemberList().UpdateMember("w" + std::to_string(i), [&](devserver::ListedMember& m) {
                m.chatting = !m.chatting;
            });
        reader.WaitFor("never", 0, 100);
    }
    EXPECT_EQ(1u, dlg->memberList.PageCount());
    lists->MemberList().RemoveMember("w7");
    EXPECT_TRUE(reader.WaitFor(R"(["r","w7"])"));
    EXPECT_EQ(1u, OpenListConnections());
}

}  // namespace
}  // namespace hub
