// The tray client's server link, in process: a real CTrayMainDlg against the
// development server on a free port.
#include <gtest/gtest.h>

#include <memory>

#include "support_services.h"
#include "tray_main_dlg.h"
#include "dev_server.h"
#include "fields.h"
#include "tray_messages.h"
#include "win_test_support.h"

using namespace testing_support;
using devserver::Bytes;

namespace {

const char kBroken[] = "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.";
const char kEnded[] = "서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";
const char kUnknown[] = "Corvala 서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";

Bytes Header(uint16_t length, uint16_t command, uint16_t kind) {
    Bytes b(6);
    PutU16BE(&b[0], length);
    PutU16BE(&b[2], command);
    PutU16BE(&b[4], kind);
    return b;
}

// A window handed to Notewell with WM_TRAY_WATCH; counts the end notices it gets.
class Watcher {
public:
    Watcher() {
        window = ::CreateWindowA("STATIC", "watcher", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~Watcher() { ::DestroyWindow(window); }
    void Watch(HWND tray) { ::SendMessageA(tray, WM_TRAY_WATCH, reinterpret_cast<WPARAM>(window), 0); }
    int notices = 0;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_TRAY_WATCH && w == 0 && l == 0)
            ++reinterpret_cast<Watcher*>(::GetWindowLongPtrA(h, GWLP_USERDATA))->notices;
        return ::DefWindowProcA(h, m, w, l);
    }
    HWND window = nullptr;
};

class TrayLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
    }

    void StartServer(int readyAfterMs = 0) {
        devserver::DevServerOptions options;
        options.trayPort = 0;
        options.readyAfterMs = readyAfterMs;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);
        ASSERT_TRUE(server->Start());
    }

    // Opens the main window as the program would, connected to the server.
    void OpenTray(const std::string& args = "u1/pw/F/sess/127.0.0.1") {
        dlg = std::make_unique<CTrayMainDlg>(("Notewell.exe " + args).c_str());
        if (server) dlg->serverPort = server->TrayPort();
        ASSERT_TRUE(dlg->Create(IDD_TRAY_MAIN));
        window = dlg->m_hWnd;
    }

    void LogIn() {
        OpenTray();
        ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("u1", 0).has_value(); }, 8000));
        ASSERT_TRUE(PumpUntil([&] { return dlg->isLoggedIn; }, 5000));
        // Ticks are driven by the tests, not by the 6 s timer.
        dlg->KillTimer(CTrayMainDlg::KEEPALIVE_TIMER);
    }

    bool Ended() const { return !::IsWindow(window); }
    bool WaitEnded(DWORD ms = 15000) { return PumpUntil([&] { return Ended(); }, ms); }
    void Tick() { ::SendMessageA(window, WM_TIMER, CTrayMainDlg::KEEPALIVE_TIMER, 0); }

    void TearDown() override {
        if (window && ::IsWindow(window)) ::DestroyWindow(window);
        dlg.reset();
        if (server) server->Stop();
    }

    MessageBoxRecorder boxes;
    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<CTrayMainDlg> dlg;
    HWND window = nullptr;
};

TEST_F(TrayLinkTest, LoginBodyCarriesIdentityWebcamAndVersion) {
    StartServer();
    LogIn();
    auto login = server->WaitForPacket(devserver::CMD_LOGIN, 1000);
    ASSERT_TRUE(login);
    EXPECT_EQ(login->kind, 1);
    ASSERT_EQ(login->body.size(), 90u);
    const uint8_t* b = login->body.data();
    EXPECT_EQ(GetText(b, 13), "u1");
    EXPECT_EQ(GetText(b + 13, 32), "pw");
    EXPECT_EQ(b[45], 'N');  // no capture driver under test
    EXPECT_EQ(GetText(b + 46, 32), "sess");
    EXPECT_EQ(dlg->ownSex, 'F');
    EXPECT_EQ(dlg->loginMark, 'P');
    EXPECT_TRUE(dlg->loginSent);
}

TEST_F(TrayLinkTest, ConnectsOnTheSecondAttemptWithOneReaderAndOneLogin) {
    StartServer(3500);  // the first 3000 ms attempt times out
    OpenTray();
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("u1", 0).has_value(); }, 12000));
    PumpFor(500);
    EXPECT_EQ(server->AcceptTimes().size(), 1u);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGIN), 1u);
    EXPECT_TRUE(dlg->isConnected);
}

TEST_F(TrayLinkTest, SplitAndCoalescedPacketsAreAllDelivered) {
    StartServer();
    server->SetLoginResult(std::nullopt);
    OpenTray();
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGIN) > 0; }, 8000));
    // The login answer in three pieces, 200 ms apart.
    devserver::Delivery split;
    split.split = {2, 3};
    split.gapMs = 200;
    ASSERT_TRUE(server->Send("#1", devserver::CMD_LOGIN, 2, Bytes{'S'}, split));
    ASSERT_TRUE(PumpUntil([&] { return dlg->isLoggedIn; }, 5000));
    // A keep-alive answer and a login answer in one segment: both arrive.
    dlg->isLoggedIn = false;
    Bytes two = Header(0, 2002, 2);
    Bytes second = Header(1, 2001, 2);
    second.push_back('S');
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_TRUE(server->SendRaw("#1", two));
    EXPECT_TRUE(PumpUntil([&] { return dlg->isLoggedIn && dlg->keepAlive.timeAcked; }, 5000));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(TrayLinkTest, BodyStalledPastTenSecondsEndsTheSessionWithoutLogout) {
    StartServer();
    LogIn();
    devserver::Delivery stall;
    stall.stallAfter = 8;  // header and two body bytes
    stall.stallMs = 12000;
    ASSERT_TRUE(server->Send("u1", devserver::CMD_NOTE, 2, Bytes(30, 'x'), stall));
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(boxes.WaitForText(kBroken, 14000));
    const DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 9500u);
    EXPECT_TRUE(WaitEnded());
    EXPECT_EQ(boxes.CountText(kEnded), 1u);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
}

TEST_F(TrayLinkTest, OversizeBodyLengthIsABrokenConnection) {
    StartServer();
    LogIn();
    ASSERT_TRUE(server->SendRaw("u1", Header(5000, 2007, 4)));
    EXPECT_TRUE(boxes.WaitForText(kBroken, 5000));
    EXPECT_TRUE(WaitEnded());
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
}

TEST_F(TrayLinkTest, UnknownCommandEndsThroughItsOwnPathAndStillTriesTheLogout) {
    StartServer();
    LogIn();
    Watcher watcher;
    watcher.Watch(window);
    ASSERT_TRUE(server->Send("u1", 2009, 4, Bytes{}));
    ASSERT_TRUE(boxes.WaitForText(kUnknown, 5000));
    EXPECT_TRUE(WaitEnded());
    PumpFor(100);
    EXPECT_EQ(watcher.notices, 1);  // once, though the window's end also tells the watcher
    // The reader closed the link on the unknown command, so the logout finds no
    // connection and names its place.
    EXPECT_EQ(boxes.CountText("9서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요."), 1u);
    EXPECT_EQ(boxes.CountText(kEnded), 0u);
}

TEST_F(TrayLinkTest, SilentServerGetsThreeKeepAlivesThenTheLinkIsDead) {
    StartServer();
    server->SetAnswerKeepAlives(false);
    LogIn();
    Watcher watcher;
    watcher.Watch(window);
    for (int tick = 0; tick < 3; ++tick) {
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_KEEPALIVE) == size_t(tick + 1); }, 3000))
            << "tick " << tick;
    }
    EXPECT_FALSE(Ended());
    Tick();  // the fourth tick, 18 s into the cycle
    EXPECT_TRUE(WaitEnded(3000));
    EXPECT_EQ(boxes.CountText(kEnded), 1u);
    PumpFor(300);
    EXPECT_EQ(server->CountReceived(devserver::CMD_KEEPALIVE), 3u);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
    EXPECT_EQ(watcher.notices, 1);
}

TEST_F(TrayLinkTest, ServerClosingTheLinkEndsTheSessionAndTellsTheWatcherOnce) {
    StartServer();
    LogIn();
    Watcher watcher;
    watcher.Watch(window);
    ASSERT_TRUE(server->Disconnect("u1"));
    EXPECT_TRUE(WaitEnded(5000));
    PumpFor(200);
    EXPECT_EQ(boxes.CountText(kEnded), 1u);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
    EXPECT_EQ(watcher.notices, 1);
}

TEST_F(TrayLinkTest, AnsweredKeepAliveSilencesTheRestOfTheCycle) {
    StartServer();
    LogIn();
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return dlg->keepAlive.timeAcked; }, 3000));
    Tick();
    Tick();
    Tick();  // clears the answer
    Tick();  // back to the cycle's start
    PumpFor(300);
    EXPECT_EQ(server->CountReceived(devserver::CMD_KEEPALIVE), 1u);
    Tick();
    EXPECT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_KEEPALIVE) == 2u; }, 3000));
    EXPECT_FALSE(Ended());
}

TEST_F(TrayLinkTest, CloseAskCancelledKeepsTheLinkAndAcceptedLogsOutOnce) {
    StartServer();
    LogIn();
    boxes.answer = IDCANCEL;
    ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0);
    ASSERT_EQ(boxes.CountText("쪽지받기 아이콘을 종료하시겠습니까?"), 1u);
    EXPECT_EQ(boxes.Boxes().back().caption, "쪽지받기 종료");
    EXPECT_EQ(boxes.Boxes().back().type, UINT(MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST));
    PumpFor(200);
    EXPECT_FALSE(Ended());
    EXPECT_TRUE(dlg->isConnected);
    Watcher watcher;
    watcher.Watch(window);
    boxes.answer = IDOK;
    ::SendMessageA(window, WM_TRAY_CLOSE_ASK, 0, 0);
    EXPECT_TRUE(WaitEnded(3000));
    PumpFor(100);
    EXPECT_EQ(watcher.notices, 1);
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGOUT) > 0; }, 3000));
    PumpFor(200);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 1u);
    auto logout = server->WaitForPacket(devserver::CMD_LOGOUT, 10);
    EXPECT_EQ(logout->kind, 4);
    EXPECT_EQ(GetText(logout->body.data(), 13), "u1");
}

// Windows ending the member's session ends the process without the window's
// own end: the logout goes out at once, silently, and only once.
TEST_F(TrayLinkTest, WindowsSessionEndLogsOutOnceWithoutABox) {
    StartServer();
    LogIn();
    ::SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
    ::SendMessageA(window, WM_ENDSESSION, FALSE, 0);  // cancelled by another program
    PumpFor(200);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
    ::SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGOUT) > 0; }, 3000));
    ::DestroyWindow(window);
    PumpFor(200);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 1u);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(TrayLinkTest, SessionEndedElsewhereLogsOutAndSaysSoOnce) {
    StartServer();
    LogIn();
    ASSERT_TRUE(server->EndSession("u1", 'O'));
    EXPECT_TRUE(WaitEnded(5000));
    EXPECT_EQ(boxes.CountText("다른 곳에서 로그인하여 접속이 끊어집니다."), 1u);
    EXPECT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGOUT) > 0; }, 3000));
}

TEST_F(TrayLinkTest, RefusedLoginShowsMessageTwo) {
    StartServer();
    server->SetLoginResult('F');
    OpenTray();
    EXPECT_TRUE(boxes.WaitForText("2서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.", 8000));
    EXPECT_FALSE(dlg->isLoggedIn);
}

TEST_F(TrayLinkTest, WithoutServerAddressTheProgramStaysIdleAndUnconnected) {
    OpenTray("");
    PumpFor(300);
    EXPECT_TRUE(dlg->userId.empty());
    EXPECT_EQ(dlg->ownSex, 0);
    EXPECT_FALSE(dlg->isConnected);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(boxes.Count(), 0u);
    // Ending unconnected sends nothing and says nothing.
    ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(TrayLinkTest, SixFieldsUseTheFirstFiveAndSexKeepsOneCharacter) {
    OpenTray("id/pass/FM/sess/0.0.0.1/extra");
    EXPECT_EQ(dlg->userId, "id");
    EXPECT_EQ(dlg->password, "pass");
    EXPECT_EQ(dlg->ownSex, 'F');
    EXPECT_EQ(dlg->sessionId, "sess");
    EXPECT_EQ(dlg->serverAddress, "0.0.0.1");
}

// A capture driver of our own: answers the connect request like a camera.
LRESULT CALLBACK FakeCaptureProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_USER + 10 /* WM_CAP_DRIVER_CONNECT */) return TRUE;
    return ::DefWindowProcA(hwnd, msg, w, l);
}

HWND FakeCaptureWindow(const char* title, DWORD style, int x, int y, int w, int h, HWND parent, int id) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &FakeCaptureProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "FakeCapture";
    ::RegisterClassA(&wc);
    return ::CreateWindowA("FakeCapture", title, style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), wc.hInstance, nullptr);
}

TEST_F(TrayLinkTest, WebcamProbeSaysYesWhenTheDriverConnects) {
    CaptureWindowCreator previous = SetCaptureWindowCreator(&FakeCaptureWindow);
    StartServer();
    LogIn();
    SetCaptureWindowCreator(previous);
    auto login = server->WaitForPacket(devserver::CMD_LOGIN, 1000);
    ASSERT_TRUE(login);
    EXPECT_EQ(login->body[45], 'Y');
    EXPECT_TRUE(dlg->webcamPresent);
}

TEST(TrayVersionText, ReadsTheProgramsFileVersionWithoutBlanks) {
    std::string text;
    CTrayMainDlg::ReadVersionText(text, HostToWindowsPath(NOTEWELL_EXE).c_str());
    EXPECT_EQ(text, "1,0,0,46");
    CTrayMainDlg::ReadVersionText(text, "Z:\\no\\such\\file.exe");
    EXPECT_EQ(text, "");
}

}  // namespace
