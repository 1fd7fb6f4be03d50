// The real Notewell.exe against a misbehaving server: the hostile scenario
// files of the development server, played as they stand. Notewell keeps
// working or ends with its stated message; it never crashes, never shows one
// box inside another, and shows what arrived whole before the fault.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>

#include "dev_server.h"
#include "scenario.h"
#include "tray_messages.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

const char kBrokenText[] = "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.";
const char kEndedText[] = "서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";
const char kUnknownText[] = "Corvala 서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";
const char kSorryText[] = "죄송합니다. 잠시 후 다시 시도해 주세요.";
const char kNoteTitle[] = "쪽지 받기";

std::string ReadScenario(const std::string& name) {
    std::ifstream in(std::string(SCENARIOS_DIR) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class NotewellAgainstHostileServer : public ::testing::Test {
protected:
    // Without a window manager on the test display wine waits for one each
    // time a captioned window of Notewell goes; unmanaged, its boxes go at once.
    static void SetUpTestSuite() { MakeProgramsWindowsUnmanaged("Notewell.exe"); }
    // The scenario's statements apply before the server takes anyone.
    void Play(std::string script) {
        devserver::DevServerOptions options;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);
        std::vector<devserver::ScriptError> errors;
        ASSERT_TRUE(scenario.Parse(script, &errors)) << (errors.empty() ? "" : errors[0].message);
        std::atomic<bool> stop{false};
        scenario.Run(*server, stop, 0, scenario.FirstBlockingStep());
        ASSERT_TRUE(server->Start());
        ChildProcess::Options start;
        start.application = Widen(HostToWindowsPath(NOTEWELL_EXE));
        start.waitForInputIdle = true;
        tray = std::make_unique<ChildProcess>(Widen("Notewell.exe demo/pw/M/sess/127.0.0.1"), start);
        ASSERT_TRUE(tray->Started());
        boxes = std::make_unique<ForeignBoxAnswerer>(tray->Id(), "서버 메시지");
        ASSERT_TRUE(PumpUntil([&] { return server->WaitForPacket(devserver::CMD_LOGIN, 0).has_value(); }, 15000));
    }
    void TearDown() override {
        tray.reset();
        if (server) server->Stop();
    }
    // Answers every box as the member would, until `done`, noting whether a
    // received note was ever open.
    void AnswerBoxesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
        boxes->AnswerUntil(done, timeoutMs, [&](HWND w) {
            noteSeen = noteSeen || WindowTextOf(w) == kNoteTitle;
        });
    }
    size_t Count(const std::string& text) const { return boxes->Count(text); }
    bool Saw(const std::string& text) const { return Count(text) > 0; }
    // Ends with a message and no crash: the exit code is the dialog's.
    void ExpectOrderlyExit() {
        AnswerBoxesUntil([&] { return !tray->Running(); }, 30000);
        const std::optional<DWORD> code = tray->Wait(1000);
        ASSERT_TRUE(code.has_value());
        EXPECT_LT(*code, 0x80000000u) << "ended by an exception";
    }

    devserver::Scenario scenario;
    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<ChildProcess> tray;
    std::unique_ptr<ForeignBoxAnswerer> boxes;
    bool noteSeen = false;
};

// The flood file at a tenth of its size (each refusal is a box to press).
TEST_F(NotewellAgainstHostileServer, RefusalFloodShowsEachBoxOnceOneAfterAnotherThenTheNote) {
    std::string script = ReadScenario("hostile-refusal-flood.txt");
    const std::string full = "times=3000";
    ASSERT_NE(script.find(full), std::string::npos);
    script.replace(script.find(full), full.size(), "times=300");
    script.replace(script.find("after-login demo 3s end A"), 25, "");
    Play(script);
    ASSERT_FALSE(HasFatalFailure());
    AnswerBoxesUntil([&] { return Count(kSorryText) == 300 && noteSeen; }, 90000);
    EXPECT_EQ(boxes->MostAtOnce(), 1);
    EXPECT_EQ(Count(kSorryText), 300u);
    EXPECT_TRUE(noteSeen) << "the note behind the flood";
    EXPECT_EQ(boxes->Texts().size(), 300u);
    // Still working: it answers the page and logs out once.
    HWND window = ::FindWindowA(nullptr, kTrayWindowTitle);
    ASSERT_NE(window, nullptr);
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    ASSERT_TRUE(tray->WaitExit(10000));
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT, "demo"), 1u);
}

TEST_F(NotewellAgainstHostileServer, GarbageEndsWithTheUnknownCommandMessageAfterTheNote) {
    Play(ReadScenario("hostile-garbage.txt"));
    ASSERT_FALSE(HasFatalFailure());
    ExpectOrderlyExit();
    EXPECT_TRUE(noteSeen);
    EXPECT_TRUE(Saw(kUnknownText));
    EXPECT_EQ(boxes->MostAtOnce(), 1);
}

// Lengths past the buffer, a reset inside a body, a body too slow to arrive:
// the link is broken, the note before it was shown.
TEST_F(NotewellAgainstHostileServer, BrokenStreamsEndWithTheLinkMessageAfterTheNote) {
    for (const char* file : {"hostile-oversize-body.txt", "hostile-negative-body.txt", "hostile-reset-mid-body.txt",
                             "hostile-one-byte-per-second.txt"}) {
        SCOPED_TRACE(file);
        noteSeen = false;
        scenario = devserver::Scenario();
        tray.reset();
        if (server) server->Stop();
        Play(ReadScenario(file));
        ASSERT_FALSE(HasFatalFailure());
        ExpectOrderlyExit();
        EXPECT_TRUE(Saw(kBrokenText));
        EXPECT_TRUE(Saw(kEndedText));
        EXPECT_FALSE(Saw(kUnknownText));
        if (std::string(file) != "hostile-one-byte-per-second.txt") {
            EXPECT_TRUE(noteSeen);
        }
    }
}

TEST_F(NotewellAgainstHostileServer, UnansweredLoginLeavesItQuietUntilTheMemberEndsIt) {
    Play(ReadScenario("hostile-login-unanswered.txt"));
    ASSERT_FALSE(HasFatalFailure());
    AnswerBoxesUntil([] { return false; }, 3000);
    EXPECT_TRUE(boxes->Texts().empty());
    EXPECT_TRUE(tray->Running());
    EXPECT_EQ(server->CountReceived(devserver::CMD_KEEPALIVE, "demo"), 0u);
    ::SendMessageA(::FindWindowA(nullptr, kTrayWindowTitle), WM_TRAY_CLOSE, 0, 0);
    ASSERT_TRUE(tray->WaitExit(10000));
    PumpFor(300);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 1u);  // the session never got a member
}

}  // namespace
