// The member list's own connection: login and its retries, the list request,
// keep-alive time packets, the server's drop and hostile input.
#include <algorithm>
#include <ctime>

#include "fields.h"
#include "rosterly_fixture.h"
#include "rosterly_texts.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class ListConnection : public RosterlyTest {};

TEST_F(ListConnection, LogsInWithIdPasswordAndVersionThenAsksForTheList) {
    StartServer();
    HostViewer(L"man");
    const auto login = server->WaitForPacket(devserver::LIST_LOGIN, 0);
    ASSERT_TRUE(login);
    ASSERT_EQ(57u, login->body.size());
    EXPECT_EQ("viewer", GetText(login->body.data(), 13));
    EXPECT_EQ("pw", GetText(login->body.data() + 13, 32));
    // Linked into a test program the module has no version resource: an all-zero field.
    EXPECT_EQ("", GetText(login->body.data() + 45, 12));
    const auto request = server->WaitForPacket(devserver::LIST_MEMBERS, 0);
    ASSERT_TRUE(request);
    EXPECT_EQ(devserver::Bytes{'F'}, request->body);
    EXPECT_TRUE(main.control->IsLoggedIn());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ListConnection, TextIdAndTextPwdTakeEffectAtTheNextLogin) {
    StartServer();
    server->SetReply(devserver::LIST_LOGIN, devserver::Reply::None());  // no answer: the retries go on
    main = Host({{L"SEX", L"man"}, {L"ID", L"first"}, {L"PWD", L"one"}});
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::LIST_LOGIN) == 1; }, 3000));
    main.control->SetTextID("second");
    main.control->SetTextPwd("two");
    EXPECT_EQ("", main.control->GetTextID());
    EXPECT_EQ(1u, server->CountReceived(devserver::LIST_LOGIN));  // nothing sent by itself
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::LIST_LOGIN) == 2; }, 3500));
    const auto retry = server->Received().back();
    EXPECT_EQ("second", GetText(retry.body.data(), 13));
    EXPECT_EQ("two", GetText(retry.body.data() + 13, 32));
}

TEST_F(ListConnection, RefusedLoginsAreRetriedTenTimesEachWithItsMessage) {
    StartServer();
    server->SetReply(devserver::LIST_LOGIN, devserver::Reply::With('E'));
    main = Host({{L"SEX", L"man"}, {L"ID", L"viewer"}, {L"PWD", L"pw"}});
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::LIST_LOGIN) == 11; }, 26000));
    PumpFor(2500);  // the timer has stopped: no twelfth
    EXPECT_EQ(11u, server->CountReceived(devserver::LIST_LOGIN));
    EXPECT_EQ(11u, boxes.CountText(kNotConnectedText));
    EXPECT_EQ(kServerMessageCaption, boxes.Boxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_TOPMOST), boxes.Boxes()[0].type & (MB_ICONERROR | MB_TOPMOST));
    EXPECT_EQ(0u, server->CountReceived(devserver::LIST_MEMBERS));
    EXPECT_FALSE(main.control->IsLoggedIn());
}

TEST_F(ListConnection, ChatProgramAndListRefusalsShowTheirMessages) {
    StartServer();
    server->SetReply(devserver::LIST_LOGIN, devserver::Reply::With('V'));
    main = Host({{L"SEX", L"man"}, {L"ID", L"viewer"}, {L"PWD", L"pw"}});
    ASSERT_TRUE(boxes.WaitForText(kChatProgramNotInstalledText, 3000));
    CloseHosted(main);
    PumpFor(50);

    server->SetReply(devserver::LIST_LOGIN, devserver::Reply::Normal());
    server->SetReply(devserver::LIST_MEMBERS, devserver::Reply::With('F'));
    HostViewer(L"man");
    EXPECT_TRUE(boxes.WaitForText(kNotConnectedText, 3000));
}

TEST_F(ListConnection, ASecondLoginReplyAsksForTheListAgain) {
    StartServer();
    HostViewer(L"man");
    ToViewer(devserver::LIST_LOGIN, 2, {'S'});
    EXPECT_TRUE(WaitRequests(devserver::LIST_MEMBERS, 2));
    ToViewer(devserver::LIST_LOGIN, 4, {'E'});  // other kinds are ignored
    PumpFor(300);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ListConnection, KeepAliveSendsTimePacketsOnItsSixSecondTimer) {
    StartServer();
    HostViewer(L"man");
    const auto start = ::GetTickCount();
    ASSERT_TRUE(WaitRequests(devserver::LIST_TIME, 1, 8000));
    EXPECT_GE(::GetTickCount() - start, 5000u);
    const auto time = server->WaitForPacket(devserver::LIST_TIME, 0);
    ASSERT_EQ(4u, time->body.size());
    const uint32_t sent = GetU32BE(time->body.data());
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    EXPECT_LE(now - sent, 5u);
}

// The box of a refused list stays up for two keep-alive ticks while the
// rows of the list arrive behind it and the server answers the time packets.
TEST_F(ListConnection, TheListGrowsAndTheKeepAliveCountsAnswersWhileItsBoxIsUp) {
    StartServer();
    HostViewer(L"man");
    const DWORD loggedIn = ::GetTickCount();
    int depth = 0, deepest = 0, shown = 0, rowsInBox = 0;
    size_t timesInBox = 0;
    MessageBoxHandler recorder = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        deepest = std::max(deepest, ++depth);
        if (++shown == 1) {
            for (const char* id : {"amy", "bea", "cat"}) {
                devserver::MemberProfile p = devserver::DefaultProfile(id);
                p.sex = 'F';
                ToViewer(devserver::LIST_MEMBERS, 4, devserver::BuildListRecord(p, {id}, {}, 'A'));
            }
            PumpUntil([&] { return main.control->RowCount() == 3; }, 3000);
            rowsInBox = main.control->RowCount();
            // Ticks at about 6 s and 12 s: the first sends a time packet, its
            // answer stops the second; unread, both would send one.
            const DWORD since = ::GetTickCount() - loggedIn;
            if (since < 13500) PumpFor(13500 - since);
            timesInBox = Requests(devserver::LIST_TIME);
        }
        --depth;
        return IDOK;
    });
    ToViewer(devserver::LIST_MEMBERS, 2, {'E'});
    const bool answered = PumpUntil([&] { return shown > 0 && depth == 0; }, 20000);
    SetMessageBoxHandler(recorder);
    ASSERT_TRUE(answered);
    EXPECT_EQ(3, rowsInBox);
    EXPECT_EQ(1u, timesInBox);
    EXPECT_EQ(1, deepest);
    EXPECT_EQ(1, shown);
}

TEST_F(ListConnection, AfterTheServersDropTheRowsStayAndServerActionsSayNotConnected) {
    StartServer();
    SetMember("amy", 'F');
    List("amy");
    CRosterlyCtrl* c = HostViewer(L"man", 1);
    ToViewer(devserver::LIST_DROP, 4, {});
    ASSERT_TRUE(PumpUntil([&] { return !c->IsConnected(); }, 3000));
    EXPECT_FALSE(c->HasSocket());
    EXPECT_EQ(1, c->RowCount());
    EXPECT_EQ(0u, boxes.Count());  // the drop itself says nothing
    ASSERT_TRUE(PumpUntil([&] { return server->Connections().back().closeMs >= 0; }, 3000));
    Select(c, 0);
    c->OnAddFriend();
    EXPECT_EQ(1u, boxes.CountText(kNotConnectedText));
}

TEST_F(ListConnection, AReadThatEndsMidPacketStopsOnceWithItsMessage) {
    StartServer();
    HostViewer(L"man");
    // Half a header, then the server closes: the read loop must end, not spin.
    ASSERT_TRUE(server->SendRaw("list:viewer", devserver::Bytes{0x00, 0x05, 0x03}));
    server->Disconnect("list:viewer");
    ASSERT_TRUE(boxes.WaitForText(kLinkBrokenText, 3000));
    PumpFor(500);
    EXPECT_EQ(1u, boxes.CountText(kLinkBrokenText));
    EXPECT_EQ(nullptr, boxes.Boxes()[0].owner);
    EXPECT_TRUE(main.control->IsConnected());  // the state stays as it was
}

TEST_F(ListConnection, ABodyThatNeverArrivesInFullIsDroppedWithTheMessage) {
    StartServer();
    CRosterlyCtrl* c = HostViewer(L"man");
    // A whole record, then a header announcing 32767 bytes and 10 of them.
    devserver::MemberProfile amy = devserver::DefaultProfile("amy");
    amy.sex = 'F';
    devserver::Bytes bytes = devserver::FramePacket(devserver::LIST_MEMBERS, 4,
                                                    devserver::BuildListRecord(amy, {"amy"}, {}, 'A'));
    const devserver::Bytes stalled{0x7F, 0xFF, 0x03, 0xEB, 0x00, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    bytes.insert(bytes.end(), stalled.begin(), stalled.end());
    ASSERT_TRUE(server->SendRaw("list:viewer", bytes));
    // The rest is awaited with the thread's messages running; the server
    // gives up after a while. Meanwhile the record before it is drawn.
    server->After(1500, [this] { server->Disconnect("list:viewer"); });
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(WaitRows(c, 1, 1000));
    EXPECT_TRUE(PumpUntil([&] { return !c->DrawingHeld(); }, 800)) << "a stalled packet holds the list's drawing";
    ASSERT_TRUE(boxes.WaitForText(kLinkBrokenText, 4000));
    EXPECT_GE(::GetTickCount() - start, 1300u);
    EXPECT_EQ(1, c->RowCount());
}

TEST_F(ListConnection, AnEmptyBodyDispatchesAndALengthOf0x8000OrMoreBreaksTheLink) {
    StartServer();
    HostViewer(L"man");
    // 1001 kind 2 with no body, a list refusal read as one, then a header
    // announcing 0x8000 bytes whose "body" forges a refusal and a member
    // record: none of what follows the impossible length may be applied.
    devserver::Bytes bytes{0x00, 0x00, 0x03, 0xE9, 0x00, 0x02,         // 1001, 0 bytes
                           0x00, 0x01, 0x03, 0xEB, 0x00, 0x02, 'E',    // 1003 refusal
                           0x80, 0x00, 0x03, 0xE9, 0x00, 0x02,         // 1001, 0x8000 bytes
                           0x00, 0x01, 0x03, 0xEB, 0x00, 0x02, 'F'};   // forged refusal
    devserver::MemberProfile woman = devserver::DefaultProfile("forged");
    woman.sex = 'F';
    const devserver::Bytes forged =
        devserver::FramePacket(LIST_MEMBERS, KIND_SERVER, devserver::BuildListRecord(woman, {"forged"}, {}, 'A'));
    bytes.insert(bytes.end(), forged.begin(), forged.end());
    ASSERT_TRUE(server->SendRaw("list:viewer", bytes));
    ASSERT_TRUE(boxes.WaitForText(kLinkBrokenText, 3000));
    PumpFor(300);
    EXPECT_EQ(1u, boxes.CountText(kNotConnectedText));
    EXPECT_EQ(1u, boxes.CountText(kLinkBrokenText));
    EXPECT_EQ(2u, boxes.Count());
    EXPECT_EQ(-1, RowOf(main.control, "forged"));
    // Broken: closed as a drop is, so server actions say so.
    EXPECT_FALSE(main.control->IsConnected());
    EXPECT_FALSE(main.control->HasSocket());
}

TEST_F(ListConnection, AWindowMadeAgainStartsANewSessionWithItsOwnLoginRetries) {
    StartServer();
    HostViewer(L"man");
    ASSERT_TRUE(PumpUntil([&] { return main.control->IsLoggedIn(); }, 3000));
    // The page makes the control's window again; this time the server is slow to answer the login.
    devserver::Reply silent;
    silent.mode = devserver::Reply::Mode::Silent;
    server->SetReply(devserver::LIST_LOGIN, silent);
    IOleInPlaceObject* inPlace = nullptr;
    ASSERT_TRUE(SUCCEEDED(main.host->Control()->QueryInterface(IID_IOleInPlaceObject,
                                                               reinterpret_cast<void**>(&inPlace))));
    inPlace->InPlaceDeactivate();
    inPlace->Release();
    ASSERT_EQ(nullptr, main.control->m_hWnd);
    ASSERT_TRUE(SUCCEEDED(main.host->Activate()));
    ASSERT_TRUE(main.control->IsConnected());
    EXPECT_FALSE(main.control->IsLoggedIn());
    // Not logged in yet: a mode change asks for nothing.
    const size_t asked = Requests(devserver::LIST_MEMBERS);
    main.control->SetTextLabel("woman");
    // The new session has its login retries.
    EXPECT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::LIST_LOGIN) >= 3; }, 5000));
    EXPECT_EQ(asked, Requests(devserver::LIST_MEMBERS));
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ListConnection, DestroyingTheWindowClosesTheConnection) {
    StartServer();
    HostViewer(L"man");
    CloseHosted(main);
    ASSERT_TRUE(PumpUntil([&] {
        const auto c = server->Connections();
        return !c.empty() && c.back().closeMs >= 0;
    }, 3000));
    EXPECT_EQ(0u, boxes.Count());
}

}  // namespace
