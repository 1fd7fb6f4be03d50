// Member to member: chat requests, answers, decisions and notes between two
// (or three) logged-in clients.
#include "fields.h"
#include "packet.h"
#include "server_fixture.h"

namespace devserver::testing {
namespace {

class RelayTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        MemberProfile a = server_->GetMember("alice");
        a.nickname = "앨리스";
        a.sex = 'F';
        a.age = 27;
        server_->SetMember(a);
        MemberProfile b = server_->GetMember("bob");
        b.sex = 'M';
        server_->SetMember(b);
        alice_ = LoggedIn("alice");
        bob_ = LoggedIn("bob");
    }

    // alice asks bob; returns the request as bob received it.
    std::optional<WirePacket> AliceAsksBob() {
        EXPECT_TRUE(alice_->SendPacket(CMD_CHAT_REQUEST, KIND_REQUEST, Field("bob", 13)));
        return bob_->ReadCommand(CMD_CHAT_REQUEST);
    }
    void BobAnswers(char code, char flag = 'N') {
        EXPECT_TRUE(bob_->SendPacket(CMD_CHAT_ANSWER, KIND_REQUEST,
                                     Concat({Bytes{static_cast<uint8_t>(code)}, Field("alice", 13), Field("앨리스", 19),
                                             Bytes{static_cast<uint8_t>(flag)}})));
    }

    std::unique_ptr<TestClient> alice_, bob_;
};

TEST_F(RelayTest, AnAcceptedRequestEndsWithTheSameChatDecisionForBoth) {
    const auto request = AliceAsksBob();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, KIND_SERVER);
    ASSERT_EQ(request->body.size(), 114u);
    EXPECT_EQ(Text(request->body, 0, 13), "alice");
    EXPECT_EQ(Text(request->body, 13, 19), "앨리스");
    EXPECT_EQ(request->body[32], 'F');
    EXPECT_EQ(GetU16BE(&request->body[33]), 27);
    EXPECT_EQ(request->body[109], 'S');

    BobAnswers('A');
    const auto result = bob_->ReadCommand(CMD_CHAT_ANSWER);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body[0], 'S');
    const auto answer = alice_->ReadCommand(CMD_CHAT_REQUEST);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, KIND_ANSWER);
    ASSERT_EQ(answer->body.size(), 32u);
    EXPECT_EQ(answer->body[0], 'S');
    EXPECT_EQ(answer->body[1], 'A');
    EXPECT_EQ(Text(answer->body, 2, 13), "bob");

    server_->SetChatServerAddress("10.1.2.3");
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_CONTROL, KIND_REQUEST, Concat({Field("bob", 13), Bytes{'A'}})));
    const auto forAlice = alice_->ReadCommand(CMD_CHAT_CONTROL);
    const auto forBob = bob_->ReadCommand(CMD_CHAT_CONTROL);
    ASSERT_TRUE(forAlice && forBob);
    EXPECT_EQ(forAlice->kind, KIND_ANSWER);
    EXPECT_EQ(forBob->kind, KIND_SERVER);
    ASSERT_EQ(forAlice->body.size(), 78u);
    EXPECT_EQ(Text(forAlice->body, 0, 13), "bob");
    EXPECT_EQ(Text(forBob->body, 0, 13), "alice");
    EXPECT_EQ(forAlice->body[13], 'A');
    EXPECT_EQ(forBob->body[13], 'A');
    EXPECT_EQ(Text(forAlice->body, 14, 32).size(), 32u);
    EXPECT_EQ(Text(forAlice->body, 14, 32), Text(forBob->body, 14, 32));
    EXPECT_EQ(Text(forBob->body, 46, 16), "10.1.2.3");
}

TEST_F(RelayTest, ARefusalOnTimeoutReachesTheAskerWithTheCancelFlag) {
    ASSERT_TRUE(AliceAsksBob());
    BobAnswers('R', 'Y');
    const auto answer = alice_->ReadCommand(CMD_CHAT_REQUEST);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[1], 'R');
    EXPECT_EQ(answer->body[31], 'Y');
}

TEST_F(RelayTest, AWithdrawalTakesTheRequestAwayAndALateAnswerIsCancelled) {
    ASSERT_TRUE(AliceAsksBob());
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_CONTROL, KIND_REQUEST, Concat({Field("bob", 13), Bytes{'C'}})));
    const auto gone = bob_->ReadCommand(CMD_CHAT_CONTROL);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->kind, KIND_SERVER);
    EXPECT_EQ(Text(gone->body, 0, 13), "alice");
    EXPECT_EQ(gone->body[13], 'R');

    BobAnswers('A');
    const auto late = bob_->ReadCommand(CMD_CHAT_ANSWER);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->body[0], 'F');
    EXPECT_EQ(Text(late->body, 15, 16), "CANCELED");
    EXPECT_FALSE(alice_->ReadCommand(CMD_CHAT_REQUEST, 200));
}

TEST_F(RelayTest, RequestsToAbsentMembersAndScriptedRefusalsAnswerTheAskerOnly) {
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_REQUEST, KIND_REQUEST, Field("nobody", 13)));
    auto answer = alice_->ReadCommand(CMD_CHAT_REQUEST);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'F');
    EXPECT_EQ(Text(answer->body, 15, 16), "NO_SUCH_USER");

    server_->SetReply(CMD_CHAT_REQUEST, Reply::With('F', "ALREADYCHATTING"));
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_REQUEST, KIND_REQUEST, Field("bob", 13)));
    answer = alice_->ReadCommand(CMD_CHAT_REQUEST);
    ASSERT_TRUE(answer);
    EXPECT_EQ(Text(answer->body, 15, 16), "ALREADYCHATTING");
    EXPECT_FALSE(bob_->ReadCommand(CMD_CHAT_REQUEST, 200));

    server_->SetChatCheckAnswer('F', "SHORT_CASH_MSG2");
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_CHECK, KIND_REQUEST, Field("bob", 13)));
    answer = alice_->ReadCommand(CMD_CHAT_CHECK);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'F');
    EXPECT_EQ(Text(answer->body, 1, 13), "bob");
    EXPECT_EQ(Text(answer->body, 14, 16), "SHORT_CASH_MSG2");
}

TEST_F(RelayTest, AGroupRequestReachesOnlyMenAndTheFirstAcceptanceWins) {
    MemberProfile c = server_->GetMember("carl");
    c.sex = 'M';
    server_->SetMember(c);
    MemberProfile d = server_->GetMember("dana");
    d.sex = 'F';
    server_->SetMember(d);
    auto carl = LoggedIn("carl");
    auto dana = LoggedIn("dana");
    ASSERT_TRUE(alice_->SendPacket(CMD_CHAT_REQUEST, KIND_REQUEST, Field("ALL", 13)));
    ASSERT_TRUE(bob_->ReadCommand(CMD_CHAT_REQUEST_ALL));
    ASSERT_TRUE(carl->ReadCommand(CMD_CHAT_REQUEST_ALL));
    EXPECT_FALSE(dana->ReadPacket(200));

    BobAnswers('R');
    EXPECT_FALSE(alice_->ReadCommand(CMD_CHAT_REQUEST_ALL, 200));  // carl may still accept
    ASSERT_TRUE(carl->SendPacket(CMD_CHAT_ANSWER, KIND_REQUEST,
                                 Concat({Bytes{'A'}, Field("alice", 13), Field("x", 19), Bytes{'N'}})));
    const auto answer = alice_->ReadCommand(CMD_CHAT_REQUEST_ALL);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[1], 'A');
    EXPECT_EQ(Text(answer->body, 2, 13), "carl");
}

TEST_F(RelayTest, NotesAreRelayedWithTheSendersCardAndAnsweredToTheSender) {
    const std::string text = "안녕하세요";
    Bytes length(2);
    PutU16BE(length.data(), static_cast<uint16_t>(text.size()));
    ASSERT_TRUE(alice_->SendPacket(CMD_NOTE, KIND_REQUEST, Concat({Field("bob", 13), length, Bytes(text.begin(), text.end())})));
    const auto answer = alice_->ReadCommand(CMD_NOTE);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, KIND_ANSWER);
    ASSERT_EQ(answer->body.size(), 30u);
    EXPECT_EQ(answer->body[0], 'S');
    const auto note = bob_->ReadCommand(CMD_NOTE);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->kind, KIND_SERVER);
    ASSERT_EQ(note->body.size(), 115u + text.size());
    EXPECT_EQ(Text(note->body, 0, 13), "alice");
    EXPECT_EQ(note->body[34], 'F');
    EXPECT_EQ(GetU16BE(&note->body[113]), text.size());
    EXPECT_EQ(std::string(note->body.begin() + 115, note->body.end()), text);
}

TEST_F(RelayTest, ANoteWhoseLengthOverrunsItsBodyIsAnsweredWithAServerError) {
    ASSERT_TRUE(alice_->SendPacket(CMD_NOTE, KIND_REQUEST, Concat({Field("bob", 13), Bytes{0x0F, 0xA0}, Bytes{'x'}})));
    const auto answer = alice_->ReadCommand(CMD_NOTE);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body[0], 'E');
    EXPECT_FALSE(bob_->ReadPacket(200));
}

TEST_F(RelayTest, AnAskerWhoDisconnectsWithdrawsTheRequest) {
    ASSERT_TRUE(AliceAsksBob());
    alice_->Close();
    const auto gone = bob_->ReadCommand(CMD_CHAT_CONTROL, 2000);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->body[13], 'R');
}

}  // namespace
}  // namespace devserver::testing
