// The member list over the bridge: what a page may ask of it, and what the
// page is sent, as a page's script reads it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge_list_messages.h"
#include "bridge_requests.h"

namespace {
BridgeDecoded Decode(const std::string& text) { return DecodeBridgeRequest(text, nullptr); }

MemberRecord ListedWoman() {
    MemberRecord r;
    r.id = "mina";
    r.isFemale = true;
    r.stamp = "2026/12/10/20/00/01";
    r.slots[SLOT_STATUS] = "0:대기중";
    r.slots[SLOT_NICKNAME] = "1:A&&B";
    r.slots[SLOT_AGE] = "4:25";
    r.slots[SLOT_ALBUM] = "6:12";
    return r;
}
}  // namespace

TEST(BridgeList, TheListsRequestsAndTheirRefusals) {
    BridgeDecoded d = Decode(R"({"op":"listSubscribe","id":3,"viewer":{"id":"viewer","password":"pw",)"
                             R"("sex":"woman","server":"10.0.0.1"}})");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_EQ(BridgeOp::ListSubscribe, d.request->op);
    EXPECT_EQ("woman", d.request->viewer.sex);
    EXPECT_EQ("10.0.0.1", d.request->viewer.serverAddress);

    d = Decode(R"({"op":"listMode","buddy":"B"})");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_FALSE(d.request->modeIsLabel);
    EXPECT_EQ("B", d.request->modeValue);
    d = Decode(R"({"op":"listAction","action":"unblock","member":"mina"})");
    ASSERT_TRUE(d.request) << d.error;
    EXPECT_EQ(ListAction::Unblock, d.request->action);
    EXPECT_EQ("mina", d.request->listMember);

    const std::pair<const char*, const char*> refused[] = {
        {R"({"op":"listSubscribe","viewer":{"id":"v","password":"p","sex":"man"}})", "bad-field"},  // no server
        {R"({"op":"listSubscribe","viewer":{"id":"v","password":"p","sex":"man","server":"evil.example"}})",
         "bad-field"},
        {R"({"op":"listSubscribe","viewer":{"id":"fourteen-chars","password":"p","sex":"man","server":"1.2.3.4"}})",
         "too-long"},
        {R"({"op":"listMode","label":"man","buddy":"B"})", "bad-field"},  // exactly one
        {R"({"op":"listMode"})", "bad-field"},
        {R"({"op":"listMode","label":"seventeen-letters"})", "too-long"},
        {R"({"op":"listAction","action":"delete","member":"mina"})", "bad-field"},
        {R"({"op":"listAction","action":"note","member":""})", "bad-field"},
        {R"({"op":"listAction","action":"note","member":"mina","row":3})", "bad-field"},
    };
    for (const auto& [text, code] : refused) {
        d = Decode(text);
        EXPECT_FALSE(d.request) << text;
        EXPECT_EQ(code, d.error) << text;
    }
}

TEST(BridgeList, MembersResetsAndChangesReadAsThePageReadsThem) {
    MemberRecord r = ListedWoman();
    const auto member = nlohmann::json::parse(EncodeListMember(r));
    ASSERT_EQ(14u, member.size());
    EXPECT_EQ("mina", member[0]);
    EXPECT_EQ(1, member[1]);
    EXPECT_EQ(kMenuAddFriend | kMenuBlock | kMenuChat, member[2]);
    EXPECT_EQ("1:A&&B", member[4 + SLOT_NICKNAME]);
    EXPECT_EQ("", member[4 + SLOT_POINTS]);

    // A text that is not UTF-8 never breaks the message: it is replaced.
    r.slots[SLOT_TOPIC] = "8:\xFF\xFE";
    r.isBlocked = true;
    const auto blocked = nlohmann::json::parse(EncodeListMember(r));
    EXPECT_EQ(kMenuUnblock | kMenuChat, blocked[2]);
    EXPECT_EQ("8:\xEF\xBF\xBD\xEF\xBF\xBD", blocked[4 + SLOT_TOPIC]);

    ListMode mode;
    mode.StartFor("woman");  // a woman sees the men's list, with the points column
    const auto reset = nlohmann::json::parse(EncodeListReset(mode));
    EXPECT_EQ("M", reset["mode"]);
    EXPECT_EQ(true, reset["fullMenu"]);
    EXPECT_EQ(9u, reset["columns"].size());
    EXPECT_EQ("포인트", reset["columns"][6][0]);
    EXPECT_EQ(64, reset["columns"][6][1]);

    const std::string one = EncodeListMember(ListedWoman());
    const auto rows = nlohmann::json::parse(EncodeListRows({one, one}));
    EXPECT_EQ(2u, rows["rows"].size());
    const std::string up = ListUpsertItem(one), gone = ListRemoveItem("so\"ra");
    const auto changes = nlohmann::json::parse(EncodeListChanges({up, gone}));
    EXPECT_EQ("u", changes["changes"][0][0]);
    EXPECT_EQ("mina", changes["changes"][0][1][0]);
    EXPECT_EQ("so\"ra", changes["changes"][1][1]);
}
