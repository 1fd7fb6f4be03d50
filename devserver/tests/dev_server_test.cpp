// The server over real TCP: login, keep-alive, delivery shapes, hostile input.
#include <chrono>
#include <random>
#include <thread>

#include "fields.h"
#include "packet.h"
#include "server_fixture.h"
#include "tray_bodies.h"

namespace devserver::testing {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST_F(ServerTest, LoginIsAnsweredAsConfiguredAndRecordedWithItsTiming) {
    TestClient a;
    ASSERT_TRUE(a.Connect(server_->TrayPort()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(a.Login("alice"), 'S');
    const auto login = server_->WaitForPacket(CMD_LOGIN, 1000);
    ASSERT_TRUE(login);
    EXPECT_EQ(Text(login->body, 0, 13), "alice");
    ASSERT_EQ(server_->AcceptTimes().size(), 1u);
    EXPECT_GE(login->atMs - server_->AcceptTimes()[0], 40);
    EXPECT_EQ(server_->WaitForLogin("alice", 100), login->session);

    server_->SetLoginResult('F');
    TestClient b;
    ASSERT_TRUE(b.Connect(server_->TrayPort()));
    EXPECT_EQ(b.Login("bob"), 'F');
    EXPECT_FALSE(server_->WaitForLogin("bob", 50));

    server_->SetLoginResult(std::nullopt);
    TestClient c;
    ASSERT_TRUE(c.Connect(server_->TrayPort()));
    ASSERT_TRUE(c.SendLogin("carol"));
    EXPECT_FALSE(c.ReadPacket(300));
    EXPECT_TRUE(server_->WaitForPacket(CMD_LOGIN, 1000, "", 2));
}

TEST_F(ServerTest, KeepAlivesAreAnsweredWithAnEmptyKind2OrLeftSilent) {
    auto a = LoggedIn("alice");
    ASSERT_TRUE(a->SendPacket(CMD_KEEPALIVE, KIND_REQUEST, Bytes{0, 0, 0, 1}));
    const auto answer = a->ReadPacket();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->command, CMD_KEEPALIVE);
    EXPECT_EQ(answer->kind, KIND_ANSWER);
    EXPECT_TRUE(answer->body.empty());

    server_->SetAnswerKeepAlives(false);
    ASSERT_TRUE(a->SendPacket(CMD_KEEPALIVE, KIND_REQUEST, Bytes{0, 0, 0, 2}));
    EXPECT_FALSE(a->ReadPacket(300));
    EXPECT_EQ(server_->CountReceived(CMD_KEEPALIVE, "alice"), 2u);
}

TEST_F(ServerTest, SplitDeliveryArrivesInPiecesSpreadOverTime) {
    auto a = LoggedIn("alice");
    Delivery how;
    how.split = {2, 3};
    how.gapMs = 150;
    const auto start = Clock::now();
    ASSERT_TRUE(server_->Send("alice", CMD_SESSION_END, KIND_SERVER, Bytes{'O'}, how));
    // 7 bytes as 2 + 3 + 2, the last one about 300 ms after the first.
    size_t total = 0;
    int pieces = 0;
    while (total < 7) {
        const Bytes got = a->ReadSome(1000);
        ASSERT_FALSE(got.empty());
        total += got.size();
        ++pieces;
    }
    EXPECT_GE(pieces, 2);  // three unless the reader fell behind a gap
    EXPECT_GE(MsSince(start), 280);
}

TEST_F(ServerTest, AStalledBodyHoldsBackThePacketAndWhatFollowsIt) {
    auto a = LoggedIn("alice");
    Delivery how;
    how.stallAfter = 8;  // header and two body bytes
    how.stallMs = 600;
    ASSERT_TRUE(server_->Send("alice", CMD_CHAT_CHECK, KIND_ANSWER, BuildResultForMember('S', "bob", ""), how));
    ASSERT_TRUE(server_->EndSession("alice", 'A'));
    const auto start = Clock::now();
    EXPECT_EQ(a->ReadSome(1000).size(), 8u);
    EXPECT_TRUE(a->ReadSome(300).empty());  // still stalled
    // The rest of the check answer, then the session end queued behind it.
    Bytes rest;
    while (rest.size() < 28u + 7u) {
        const Bytes got = a->ReadSome(1000);
        ASSERT_FALSE(got.empty());
        rest.insert(rest.end(), got.begin(), got.end());
    }
    EXPECT_GE(MsSince(start), 500);
    EXPECT_EQ(Bytes(rest.begin() + 28, rest.end()), FramePacket(CMD_SESSION_END, KIND_SERVER, {'A'}));
}

TEST_F(ServerTest, TwoPacketsInOneSegmentAndALyingHeaderGoOutAsGiven) {
    auto a = LoggedIn("alice");
    const Bytes two = Concat({FramePacket(CMD_KEEPALIVE, KIND_ANSWER, {}), FramePacket(CMD_SESSION_END, KIND_SERVER, {'C'})});
    ASSERT_TRUE(server_->SendRaw("alice", two));
    EXPECT_EQ(a->ReadSome(1000), two);

    uint8_t header[6];
    BuildHeader(header, 5000, CMD_NOTE, KIND_SERVER);
    ASSERT_TRUE(server_->SendRaw("alice", Bytes(header, header + 6)));
    EXPECT_EQ(a->ReadSome(1000), Bytes(header, header + 6));
    EXPECT_TRUE(LogHas("length 5000"));
}

TEST_F(ServerTest, AClientAnnouncingAnOversizeBodyIsDroppedAndOthersCarryOn) {
    auto good = LoggedIn("alice");
    TestClient bad;
    ASSERT_TRUE(bad.Connect(server_->TrayPort()));
    uint8_t header[6];
    BuildHeader(header, 4091, CMD_NOTE, KIND_REQUEST);
    ASSERT_TRUE(bad.SendBytes(Concat({Bytes(header, header + 6), Bytes(64, 'x')})));
    EXPECT_TRUE(bad.WaitClosed(2000));
    EXPECT_TRUE(LogHas("header announces a body of 4091 bytes"));
    ASSERT_TRUE(good->SendPacket(CMD_KEEPALIVE, KIND_REQUEST, Bytes{0, 0, 0, 0}));
    EXPECT_TRUE(good->ReadCommand(CMD_KEEPALIVE));
}

TEST_F(ServerTest, GarbageFromManyClientsNeverBringsTheServerDown) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 30; ++round) {
        TestClient c;
        ASSERT_TRUE(c.Connect(server_->TrayPort()));
        for (int k = 0; k < 10; ++k) {
            // Plausible headers (known commands, any kind) with short, random bodies,
            // so that every body parser sees truncated and odd input.
            const uint16_t command = static_cast<uint16_t>(2001 + random() % 12);
            Bytes body(random() % 120);
            for (auto& b : body) b = static_cast<uint8_t>(random());
            c.SendPacket(command, static_cast<uint16_t>(random() % 6), body);
        }
        if (round % 3 == 0) {
            Bytes noise(random() % 300);
            for (auto& b : noise) b = static_cast<uint8_t>(random());
            c.SendBytes(noise);
        }
    }
    // Still serving, with proper answers.
    auto a = LoggedIn("alice");
    ASSERT_TRUE(a->SendPacket(CMD_CHAT_CHECK, KIND_REQUEST, Field("bob", 13)));
    const auto answer = a->ReadCommand(CMD_CHAT_CHECK);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'S');
}

TEST_F(ServerTest, RequestsBeforeLoginAreRefusedWithNotLoggedIn) {
    TestClient a;
    ASSERT_TRUE(a.Connect(server_->TrayPort()));
    ASSERT_TRUE(a.SendPacket(CMD_NOTE, KIND_REQUEST, Concat({Field("bob", 13), Bytes{0, 0}})));
    const auto answer = a.ReadPacket();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'F');
    EXPECT_EQ(Text(answer->body, 14, 16), "NOT_LOG_IN");
}

TEST_F(ServerTest, EndSessionAndDisconnectReachTheRightMember) {
    auto a = LoggedIn("alice");
    auto b = LoggedIn("bob");
    ASSERT_TRUE(server_->EndSession("bob", 'V'));
    const auto end = b->ReadPacket();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->command, CMD_SESSION_END);
    EXPECT_EQ(end->kind, KIND_SERVER);
    EXPECT_EQ(end->body, Bytes{'V'});
    EXPECT_FALSE(a->ReadPacket(100));

    ASSERT_TRUE(server_->Disconnect("alice"));
    EXPECT_TRUE(a->WaitClosed(1000));
    EXPECT_FALSE(server_->Send("nobody", CMD_KEEPALIVE, KIND_ANSWER, {}));
}

TEST_F(ServerTest, ASecondLoginOfTheSameMemberEndsTheFirstSession) {
    auto first = LoggedIn("alice");
    auto second = LoggedIn("alice");
    const auto end = first->ReadCommand(CMD_SESSION_END);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->body, Bytes{'O'});
    // Packets for alice now go to the new session.
    ASSERT_TRUE(server_->Send("alice", CMD_KEEPALIVE, KIND_ANSWER, {}));
    EXPECT_TRUE(second->ReadCommand(CMD_KEEPALIVE));
}

TEST_F(ServerTest, LogoutIsRecordedOnceAndTheMemberIsNoLongerReachable) {
    auto a = LoggedIn("alice");
    auto b = LoggedIn("bob");
    ASSERT_TRUE(a->SendPacket(CMD_LOGOUT, KIND_SERVER, Field("alice", 13)));
    ASSERT_TRUE(server_->WaitForPacket(CMD_LOGOUT, 1000));
    EXPECT_EQ(server_->CountReceived(CMD_LOGOUT), 1u);
    ASSERT_TRUE(b->SendPacket(CMD_NOTE, KIND_REQUEST, Concat({Field("alice", 13), Bytes{0, 1}, Bytes{'x'}})));
    const auto answer = b->ReadCommand(CMD_NOTE);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'F');
    EXPECT_EQ(Text(answer->body, 14, 16), "NO_SUCH_USER_M");
}

// The tray client connects with 3 attempts of 3000 ms each. Held-back
// connections must make the first attempt time out (not fail at once) and
// let a later one through.
TEST_F(ServerTest, DelayedReadinessTimesOutTheFirstAttemptAndAcceptsALaterOne) {
    DevServerOptions options;
    options.readyAfterMs = 3500;
    StartServer(options);
    const auto start = Clock::now();
    devnet::SocketHandle first = devnet::StartConnect("127.0.0.1", server_->TrayPort());
    ASSERT_NE(first, devnet::kNoSocket);
    EXPECT_EQ(devnet::FinishConnect(first, 3000), devnet::Wait::Timeout);
    devnet::CloseSocket(first);
    EXPECT_TRUE(server_->AcceptTimes().empty());

    TestClient second;
    ASSERT_TRUE(second.Connect(server_->TrayPort(), 3000));
    EXPECT_GE(MsSince(start), 3400);
    EXPECT_EQ(second.Login("alice"), 'S');
    EXPECT_EQ(server_->AcceptTimes().size(), 1u);  // the placeholders are not sessions
}

TEST_F(ServerTest, MemberListPortAnswersLoginAndListsMembersOfTheWantedSex) {
    DevServerOptions options;
    options.listEnabled = true;
    StartServer(options);
    MemberProfile woman = server_->GetMember("alice");
    woman.sex = 'F';
    server_->SetMember(woman);
    MemberProfile man = server_->GetMember("bob");
    man.sex = 'M';
    server_->SetMember(man);
    auto alice = LoggedIn("alice");
    auto bob = LoggedIn("bob");

    TestClient list;
    ASSERT_TRUE(list.Connect(server_->ListPort()));
    ASSERT_TRUE(list.SendPacket(LIST_LOGIN, KIND_REQUEST, Concat({Field("bob", 13), Field("pw", 32), Field("1,0,0,46", 12)})));
    const auto login = list.ReadPacket();
    ASSERT_TRUE(login);
    EXPECT_EQ(login->body, Bytes{'S'});
    ASSERT_TRUE(list.SendPacket(LIST_MEMBERS, KIND_REQUEST, Bytes{'F'}));
    const auto row = list.ReadPacket();
    ASSERT_TRUE(row);
    EXPECT_EQ(row->kind, KIND_SERVER);
    ASSERT_EQ(row->body.size(), 141u);
    EXPECT_EQ(Text(row->body, 2, 13), "alice");
    EXPECT_FALSE(list.ReadPacket(200));  // bob is a man and the viewer
}

}  // namespace
}  // namespace devserver::testing
