// The member list port's population: pushes of added, changed and removed
// members to the viewers whose list holds them, buddy lists, and relation
// requests, over real TCP and from scenario lines.
#include "fields.h"
#include "packet.h"
#include "scenario.h"
#include "server_fixture.h"

namespace devserver::testing {
namespace {

class ListTest : public ServerTest {
protected:
    void SetUp() override {
        DevServerOptions options;
        options.listEnabled = true;
        StartServer(options);
        SetSex("amy", 'F');
        SetSex("bora", 'F');
        SetSex("carl", 'M');
        SetSex("viewer", 'M');
    }
    void SetSex(const std::string& id, char sex) {
        MemberProfile p = server_->GetMember(id);
        p.sex = sex;
        server_->SetMember(p);
    }
    // A list client logged in as `id` that asked for `list`.
    std::unique_ptr<TestClient> Viewer(const std::string& id, char list) {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->Connect(server_->ListPort()));
        EXPECT_TRUE(c->SendPacket(LIST_LOGIN, KIND_REQUEST, Concat({Field(id, 13), Field("pw", 32), Field("1", 12)})));
        const auto login = c->ReadCommand(LIST_LOGIN);
        EXPECT_TRUE(login && login->body == Bytes{'S'});
        EXPECT_TRUE(c->SendPacket(LIST_MEMBERS, KIND_REQUEST, Bytes{static_cast<uint8_t>(list)}));
        EXPECT_TRUE(server_->WaitForPacket(LIST_MEMBERS, 2000, id));
        return c;
    }
    static ListedMember Listed(const std::string& id, bool chatting = false) {
        ListedMember m;
        m.id = id;
        m.chatting = chatting;
        return m;
    }
    void Run(const std::string& script) {
        Scenario s;
        std::vector<ScriptError> errors;
        ASSERT_TRUE(s.Parse(script, &errors)) << (errors.empty() ? "" : errors[0].message);
        std::atomic<bool> stop{false};
        s.Run(*server_, stop);
    }
};

TEST_F(ListTest, AddedChangedAndRemovedMembersArePushedToViewersOfTheirSex) {
    server_->MemberList().PutMember(Listed("amy"));  // before the request: in the first list
    auto viewer = Viewer("viewer", 'F');
    auto first = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->kind, KIND_SERVER);
    EXPECT_EQ(first->body[0], 'A');
    EXPECT_EQ(Text(first->body, 2, 13), "amy");

    server_->MemberList().PutMember(Listed("carl"));  // a man: not on the female list
    server_->MemberList().PutMember(Listed("bora", true));
    auto added = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(added);
    EXPECT_EQ(Text(added->body, 2, 13), "bora");
    EXPECT_EQ(added->body[15], 'T');

    ASSERT_TRUE(server_->MemberList().UpdateMember("bora", [](ListedMember& m) { m.chatting = false; }));
    auto changed = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->body[0], 'U');
    EXPECT_EQ(changed->body[15], 'W');

    ASSERT_TRUE(server_->MemberList().RemoveMember("carl"));  // removals reach every viewer
    auto removed = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->body[0], 'R');
    EXPECT_EQ(Text(removed->body, 2, 13), "carl");
    EXPECT_FALSE(server_->MemberList().RemoveMember("carl"));
    EXPECT_FALSE(server_->MemberList().UpdateMember("nobody", [](ListedMember&) {}));
}

TEST_F(ListTest, BuddyListHoldsTheViewersBuddiesFlaggedInByte140) {
    server_->MemberList().PutMember(Listed("amy"));
    server_->MemberList().PutMember(Listed("bora"));
    server_->MemberList().SetRelation("viewer", "bora", MemberRelation{true, false, true});
    auto viewer = Viewer("viewer", 'B');
    auto row = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(row);
    EXPECT_EQ(Text(row->body, 2, 13), "bora");
    EXPECT_EQ(row->body[140], 'Y');
    EXPECT_EQ(row->body[96], 'Y');  // a friend too
    EXPECT_FALSE(viewer->ReadCommand(LIST_MEMBERS, 200));  // amy is no buddy

    server_->MemberList().SetRelation("viewer", "amy", MemberRelation{false, false, true});
    auto joined = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->body[0], 'A');
    EXPECT_EQ(Text(joined->body, 2, 13), "amy");
    server_->MemberList().SetRelation("viewer", "amy", MemberRelation{});
    auto left = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->body[0], 'R');
}

TEST_F(ListTest, RelationRequestsChangeTheViewersRelationAndAreAnswered) {
    server_->MemberList().PutMember(Listed("amy"));
    auto viewer = Viewer("viewer", 'F');
    viewer->ReadCommand(LIST_MEMBERS);
    auto relate = [&](char action, const std::string& id) {
        EXPECT_TRUE(viewer->SendPacket(LIST_RELATION, KIND_REQUEST,
                                       Concat({Bytes{static_cast<uint8_t>(action)}, Field(id, 13), Field("A&&B", 19)})));
        return viewer->ReadCommand(LIST_RELATION);
    };
    auto reply = relate('F', "amy");
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->body.size(), 50u);
    EXPECT_EQ(reply->body[0], 'S');
    EXPECT_EQ(reply->body[1], 'F');
    EXPECT_EQ(Text(reply->body, 2, 13), "amy");
    EXPECT_EQ(Text(reply->body, 15, 19), "A&&B");
    MemberRelation r = server_->MemberList().Population().RelationOf("viewer", "amy");
    EXPECT_TRUE(r.friendOf);
    EXPECT_FALSE(r.blocked);
    relate('B', "amy");
    EXPECT_TRUE(server_->MemberList().Population().RelationOf("viewer", "amy").blocked);

    reply = relate('A', "ghost");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body[0], 'F');
    EXPECT_EQ(Text(reply->body, 34, 16), "NO_SUCH_USER");

    server_->SetReply(LIST_RELATION, Reply::With('F', "BLOCKED_USER"));
    reply = relate('A', "amy");
    ASSERT_TRUE(reply);
    EXPECT_EQ(Text(reply->body, 34, 16), "BLOCKED_USER");
}

TEST_F(ListTest, ScenarioLinesGrowChangeAndShrinkTheList) {
    auto viewer = Viewer("viewer", 'F');
    Run("list add dana nick=다나 sex=F age=29 album=7 chatting\n"
        "list fill 3 sex=F prefix=w chatting=2\n"
        "list waiting dana\n"
        "list friend viewer dana on\n"
        "list remove w1\n");
    auto dana = viewer->ReadCommand(LIST_MEMBERS);
    ASSERT_TRUE(dana);
    EXPECT_EQ(Text(dana->body, 2, 13), "dana");
    EXPECT_EQ(Text(dana->body, 16, 19), "다나");
    EXPECT_EQ(GetI16BE(&dana->body[58]), 7);
    EXPECT_EQ(dana->body[15], 'T');
    std::vector<std::string> seen;
    for (int i = 0; i < 6; ++i) {
        auto p = viewer->ReadCommand(LIST_MEMBERS);
        ASSERT_TRUE(p);
        seen.push_back(std::string(1, static_cast<char>(p->body[0])) + Text(p->body, 2, 13));
    }
    EXPECT_EQ((std::vector<std::string>{"Aw1", "Aw2", "Aw3", "Udana", "Udana", "Rw1"}), seen);
    EXPECT_EQ(server_->MemberList().Population().Ids().size(), 3u);
    Run("list clear\n");
    EXPECT_TRUE(server_->MemberList().Population().Ids().empty());

    Scenario bad;
    std::vector<ScriptError> errors;
    EXPECT_FALSE(bad.Parse("list fill 0\nlist shout amy\nlist friend a b maybe\n", &errors));
    EXPECT_EQ(errors.size(), 3u);
}

}  // namespace
}  // namespace devserver::testing
