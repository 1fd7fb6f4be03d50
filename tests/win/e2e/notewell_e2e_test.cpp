// The real Notewell.exe against the development server, answered as a user
// would: its windows are found by title, its message boxes read and pressed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "dev_server.h"
#include "fields.h"
#include "tray_messages.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

class NotewellProcess {
public:
    explicit NotewellProcess(const std::string& args) {
        const std::string exe = HostToWindowsPath(NOTEWELL_EXE);
        std::string line = "Notewell.exe " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        started = ::CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        if (started) ::WaitForInputIdle(pi.hProcess, 10000);
    }
    ~NotewellProcess() {
        if (!started) return;
        if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, 5000);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms) { return PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, ms); }
    DWORD Id() const { return pi.dwProcessId; }
    BOOL started = FALSE;
    PROCESS_INFORMATION pi{};
};

class NotewellEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        devserver::DevServerOptions options;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);  // port 5210, as the program uses
        ASSERT_TRUE(server->Start());
        tray = std::make_unique<NotewellProcess>("member1/secret/M/web-session/127.0.0.1");
        ASSERT_TRUE(tray->started);
        ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("member1", 0).has_value(); }, 15000));
        ASSERT_TRUE(PumpUntil([&] { return (window = ::FindWindowA(nullptr, kTrayWindowTitle)) != nullptr; }, 5000));
    }
    void TearDown() override {
        tray.reset();
        server->Stop();
    }
    size_t Logouts() const { return server->CountReceived(devserver::CMD_LOGOUT, "member1"); }

    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<NotewellProcess> tray;
    HWND window = nullptr;
};

TEST_F(NotewellEndToEnd, LogsInWithItsVersionAndStaysHidden) {
    auto login = server->WaitForPacket(devserver::CMD_LOGIN, 100);
    ASSERT_TRUE(login);
    ASSERT_EQ(login->body.size(), 90u);
    EXPECT_EQ(GetText(login->body.data() + 78, 12), "1,0,0,46");
    EXPECT_EQ(login->body[45], 'N');
    PumpFor(200);
    EXPECT_FALSE(::IsWindowVisible(window));
    // Alive: keep-alives are answered, no box is shown.
    EXPECT_EQ(WaitForForeignBox(tray->Id(), "서버 메시지", 100).window, nullptr);
}

TEST_F(NotewellEndToEnd, CloseFromAnotherProcessLogsOutExactlyOnce) {
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    ASSERT_TRUE(tray->WaitExit(10000));
    PumpFor(300);
    EXPECT_EQ(Logouts(), 1u);
    EXPECT_EQ(::FindWindowA(nullptr, kTrayWindowTitle), nullptr);
}

TEST_F(NotewellEndToEnd, CloseAskAnsweredCancelKeepsItThenOkEndsIt) {
    for (int button : {IDCANCEL, IDOK}) {
        std::thread asker([&] { ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0); });
        ForeignBox box = WaitForForeignBox(tray->Id(), "쪽지받기 종료", 10000);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, "쪽지받기 아이콘을 종료하시겠습니까?");
        PressButton(box.window, button);
        asker.join();
        if (button == IDCANCEL) {
            PumpFor(500);
            EXPECT_EQ(::WaitForSingleObject(tray->pi.hProcess, 0), WAIT_TIMEOUT);
            EXPECT_EQ(Logouts(), 0u);
        }
    }
    ASSERT_TRUE(tray->WaitExit(10000));
    EXPECT_EQ(Logouts(), 1u);
}

TEST_F(NotewellEndToEnd, ServerEndingTheSessionShowsTheReasonOnceAfterTheLogout) {
    ASSERT_TRUE(server->EndSession("member1", 'O'));
    ForeignBox box = WaitForForeignBox(tray->Id(), "서버 메시지", 10000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, "다른 곳에서 로그인하여 접속이 끊어집니다.");
    EXPECT_EQ(Logouts(), 1u);  // sent before the box
    PressButton(box.window, IDOK);
    ASSERT_TRUE(tray->WaitExit(10000));
    EXPECT_EQ(Logouts(), 1u);
}

TEST_F(NotewellEndToEnd, UnknownCommandEndsTheProgram) {
    ASSERT_TRUE(server->Send("member1", 2009, 4, {}));
    // Each box the user sees is pressed until the program is gone.
    int pressed = 0;
    std::vector<std::string> texts;
    PumpUntil([&] {
        ForeignBox box = WaitForForeignBox(tray->Id(), "서버 메시지", 50);
        if (box.window) {
            texts.push_back(box.text);
            PressButton(box.window, IDOK);
            ++pressed;
        }
        return ::WaitForSingleObject(tray->pi.hProcess, 0) == WAIT_OBJECT_0;
    }, 15000);
    EXPECT_EQ(::WaitForSingleObject(tray->pi.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Corvala 서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요."),
              texts.end());
}

}  // namespace
