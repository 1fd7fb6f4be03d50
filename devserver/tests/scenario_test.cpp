#include "scenario.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fields.h"
#include "packet.h"
#include "server_fixture.h"

namespace devserver::testing {
namespace {

TEST(ScenarioParse, ReportsEachBadLineWithItsNumberAndKeepsTheGoodOnes) {
    Scenario s;
    std::vector<ScriptError> errors;
    const std::string text =
        "# a comment\n"
        "login F\n"
        "on 2011 answer F NO_SUCH_USER   # trailing comment\n"
        "wait 2\n"                                   // no unit
        "send 2007 4 \"x\"\n"                        // no target outside a trigger
        "after-login 1s send 2007 4 bogus\n"          // unknown body item
        "on 2011 answer F THIS_CODE_IS_TOO_LONG\n"
        "send to=alice 2002 2 \"unterminated\n"
        "member bob nick=밥 sex=M age=40\n"
        "wait 1.5s\n";
    EXPECT_FALSE(s.Parse(text, &errors));
    std::vector<int> lines;
    for (const auto& e : errors) lines.push_back(e.line);
    EXPECT_EQ(lines, (std::vector<int>{4, 5, 6, 7, 8}));
    ASSERT_EQ(s.Steps().size(), 4u);
    EXPECT_EQ(s.FirstBlockingStep(), 3u);
    EXPECT_EQ(s.Steps()[3].ms, 1500);
}

TEST(ScenarioParse, Durations) {
    int64_t ms;
    EXPECT_TRUE(ParseDuration("250ms", &ms));
    EXPECT_EQ(ms, 250);
    EXPECT_TRUE(ParseDuration("3.5s", &ms));
    EXPECT_EQ(ms, 3500);
    EXPECT_TRUE(ParseDuration("0", &ms));
    EXPECT_EQ(ms, 0);
    for (const char* bad : {"", "s", "5", "-1s", "1e3s", "2h", "ms"}) EXPECT_FALSE(ParseDuration(bad, &ms)) << bad;
}

// Every scenario the README and the demo point people to parses.
TEST(ScenarioParse, TheShippedExamplesAndScenariosAreValid) {
    std::vector<std::filesystem::path> files;
    for (const char* dir : {DEVSERVER_EXAMPLES_DIR, DEVSERVER_SCENARIOS_DIR})
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".txt") files.push_back(entry.path());
    EXPECT_GE(files.size(), 15u);
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        std::ifstream in(file);
        ASSERT_TRUE(in) << name;
        std::stringstream text;
        text << in.rdbuf();
        Scenario s;
        std::vector<ScriptError> errors;
        EXPECT_TRUE(s.Parse(text.str(), &errors)) << name << ":" << (errors.empty() ? 0 : errors[0].line) << ": "
                                                  << (errors.empty() ? "" : errors[0].message);
    }
}

class ScenarioRun : public ServerTest {
protected:
    void Load(const std::string& text) {
        Scenario s;
        std::vector<ScriptError> errors;
        ASSERT_TRUE(s.Parse(text, &errors)) << (errors.empty() ? "" : errors[0].message);
        std::atomic<bool> stop{false};
        s.Run(*server_, stop);
    }
};

TEST_F(ScenarioRun, SettingsChangeTheAnswersAndTriggersActOnTheirSession) {
    Load("member bob nick=밥 sex=M age=40\n"
         "on 2011 answer F NO_SUCH_USER\n"
         "after-login alice 100ms send 2007 4 note-from bob \"안녕하세요\"\n"
         "once after-packet 2002 alice 0 end O\n");
    auto alice = LoggedIn("alice");
    const auto note = alice->ReadCommand(CMD_NOTE, 2000);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->kind, KIND_SERVER);
    EXPECT_EQ(Text(note->body, 0, 13), "bob");
    EXPECT_EQ(Text(note->body, 13, 19), "밥");
    EXPECT_EQ(GetU16BE(&note->body[32]), 40);
    EXPECT_EQ(std::string(note->body.begin() + 115, note->body.end()), "안녕하세요");

    ASSERT_TRUE(alice->SendPacket(CMD_CHAT_CHECK, KIND_REQUEST, Field("bob", 13)));
    const auto check = alice->ReadCommand(CMD_CHAT_CHECK);
    ASSERT_TRUE(check);
    EXPECT_EQ(Text(check->body, 14, 16), "NO_SUCH_USER");

    // The after-packet trigger fires once: two keep-alives, one session end.
    ASSERT_TRUE(alice->SendPacket(CMD_KEEPALIVE, KIND_REQUEST, Bytes(4)));
    ASSERT_TRUE(alice->SendPacket(CMD_KEEPALIVE, KIND_REQUEST, Bytes(4)));
    ASSERT_TRUE(alice->ReadCommand(CMD_SESSION_END, 2000));
    EXPECT_FALSE(alice->ReadCommand(CMD_SESSION_END, 300));
}

TEST_F(ScenarioRun, BodyItemsAndJoinedPacketsBuildTheExactBytes) {
    auto alice = LoggedIn("alice");
    Load("send to=alice 2011 2 \"S\" id:bob code:OK u16:258 i16:-1 u32:1 hex:ff zeros:2 ++ 2002 2\n");
    const Bytes got = alice->ReadSome(1000);
    const Bytes first = FramePacket(CMD_CHAT_CHECK, KIND_ANSWER,
                                    Concat({Bytes{'S'}, Field("bob", 13), Field("OK", 16), Bytes{1, 2}, Bytes{0xFF, 0xFF},
                                            Bytes{0, 0, 0, 1}, Bytes{0xFF}, Bytes{0, 0}}));
    EXPECT_EQ(got, Concat({first, FramePacket(CMD_KEEPALIVE, KIND_ANSWER, {})}));

    Load("raw to=alice hdr:5000:2007:4 \"abc\"\n");
    uint8_t header[6];
    BuildHeader(header, 5000, CMD_NOTE, KIND_SERVER);
    EXPECT_EQ(alice->ReadSome(1000), Concat({Bytes(header, header + 6), Bytes{'a', 'b', 'c'}}));
}

// The hostile statements: a packet many times over in one write, a packet one
// byte at a time, and a reset after a half packet.
TEST_F(ScenarioRun, TimesDripAndResetDeliverWhatTheyPromise) {
    auto alice = LoggedIn("alice");
    Load("send to=alice times=50 2005 2 \"F\" \"R\" id:bob code:SENDING_FAIL\n");
    for (int i = 0; i < 50; ++i) {
        const auto p = alice->ReadCommand(CMD_CHAT_ANSWER, 2000);
        ASSERT_TRUE(p) << i;
        EXPECT_EQ(Text(p->body, 15, 16), "SENDING_FAIL");
    }

    Load("send to=alice drip=100ms 2002 2 hex:0102\n");
    size_t pieces = 0, bytes = 0;
    for (int i = 0; i < 20 && bytes < 8; ++i) {
        const Bytes got = alice->ReadSome(500);
        if (got.empty()) break;
        ++pieces;
        bytes += got.size();
    }
    EXPECT_EQ(bytes, 8u);
    EXPECT_GE(pieces, 6u);  // one write per byte, 100 ms apart

    Load("raw to=alice hdr:200:2007:4 zeros:20\nreset to=alice\n");
    EXPECT_EQ(alice->ReadSome(1000).size(), 26u);
    EXPECT_TRUE(alice->WaitClosed(3000));
}

}  // namespace
}  // namespace devserver::testing
