// The real Notewell.exe against the development server, answered as a user
// would: its windows are found by title, its message boxes read and pressed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "dev_server.h"
#include "fields.h"
#include "packet.h"
#include "records.h"
#include "res/resource.h"
#include "tray_bodies.h"
#include "tray_messages.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

// Notewell as the login control starts it, with the member's arguments (and
// the program search path it gets, when not ours).
std::unique_ptr<ChildProcess> StartNotewell(const std::string& args, const std::wstring& searchPath = L"") {
    ChildProcess::Options options;
    options.application = Widen(HostToWindowsPath(NOTEWELL_EXE));
    options.environmentPath = searchPath;
    options.waitForInputIdle = true;
    return std::make_unique<ChildProcess>(Widen("Notewell.exe " + args), options);
}

// A copy of Notewell.exe as another Windows session has it: on one machine,
// the session's own object (kTrayInstanceName) gets another name in the copy,
// so two members' Notewells can run side by side as on two machines.
std::string NotewellOfAnotherSession() {
    const std::string original = HostToWindowsPath(NOTEWELL_EXE);
    std::ifstream in(original, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring name = kTrayInstanceName;
    const std::string pattern(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(wchar_t));
    const size_t at = bytes.find(pattern);
    if (at == std::string::npos) return {};
    bytes[at + pattern.size() - sizeof(wchar_t)] ^= 1;  // the name's last character
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "notewell-other-session";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\Notewell.exe";
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
    return copy;
}

// Notewell started as the login control starts it, not waited for.
std::unique_ptr<ChildProcess> StartNotewellNow(const std::string& args) {
    ChildProcess::Options options;
    options.application = Widen(HostToWindowsPath(NOTEWELL_EXE));
    return std::make_unique<ChildProcess>(Widen("Notewell.exe " + args), options);
}

int TrayWindowCount() {
    int count = 0;
    for (HWND w = ::FindWindowA(nullptr, kTrayWindowTitle); w; w = ::FindWindowExA(nullptr, w, nullptr, kTrayWindowTitle))
        ++count;
    return count;
}

class NotewellEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        devserver::DevServerOptions options;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);  // port 5210, as the program uses
        ASSERT_TRUE(server->Start());
        tray = StartNotewell("member1/secret/M/web-session/127.0.0.1");
        ASSERT_TRUE(tray->Started());
        ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("member1", 0).has_value(); }, 15000));
        ASSERT_TRUE(PumpUntil([&] { return (window = ::FindWindowA(nullptr, kTrayWindowTitle)) != nullptr; }, 5000));
    }
    void TearDown() override {
        tray.reset();
        server->Stop();
    }
    size_t Logouts() const { return server->CountReceived(devserver::CMD_LOGOUT, "member1"); }

    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<ChildProcess> tray;
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
            EXPECT_TRUE(tray->Running());
            EXPECT_EQ(Logouts(), 0u);
        }
    }
    ASSERT_TRUE(tray->WaitExit(10000));
    EXPECT_EQ(Logouts(), 1u);
}

// The member logs out on the page while a box of Notewell's is still up: the
// logout goes out now, not once the box is answered.
TEST_F(NotewellEndToEnd, CloseWhileABoxIsOpenLogsOutAtOnceAndAnswersTheBox) {
    ASSERT_TRUE(server->Send("member1", devserver::CMD_CHAT_CHECK, KIND_ANSWER,
                             devserver::BuildResultForMember('F', "member2", "NO_SUCH_USER")));
    ForeignBox box = WaitForForeignBox(tray->Id(), "서버 메시지", 10000);
    ASSERT_NE(box.window, nullptr);
    std::thread page([&] { ::SendMessageA(window, WM_TRAY_CLOSE, 0, 0); });
    page.join();
    ASSERT_TRUE(PumpUntil([&] { return Logouts() > 0; }, 5000)) << "the logout waited for the box";
    ASSERT_TRUE(tray->WaitExit(10000));
    EXPECT_EQ(Logouts(), 1u);
    EXPECT_FALSE(::IsWindow(box.window));
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
        return !tray->Running();
    }, 15000);
    EXPECT_FALSE(tray->Running());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Corvala 서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요."),
              texts.end());
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// Two members on two Notewells: bob asks alice for a 1:1 chat from the page,
// alice accepts in her popup, and each Notewell starts the chat program with
// its own eight values. The chat program's stand-in (found on the search path)
// logs its command line.
class TwoNotewellsChat : public ::testing::Test {
protected:
    void SetUp() override {
        devserver::DevServerOptions options;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);
        server->SetMember({"bob", "Bob", 'M', 34, "office", "Seoul", "hello", 5, "12", 12500, 'Y'});
        server->SetMember({"alice", "Alice", 'F', 27, "student", "Busan", "chat", 6, "98", 4800, 'Y'});
        server->SetChatServerAddress("10.1.2.3");
        // Every Notewell first ends the chat programs it finds: on one machine,
        // the second one's clean-up could end the first one's program before it
        // has logged. The test hands out the server's decision one side after
        // the other instead of the server's own relay.
        server->SetReply(devserver::CMD_CHAT_CONTROL, devserver::Reply::None());
        ASSERT_TRUE(server->Start());

        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        log = std::string(temp) + "pvchat_e2e_" + std::to_string(::GetCurrentProcessId()) + ".log";
        std::remove(log.c_str());
        ::SetEnvironmentVariableA("PVCHAT_STANDIN_LOG", log.c_str());

        const std::wstring withStandIn = SearchPathWith(HostToWindowsPath(PVCHAT_STANDIN_DIR));
        bob = StartNotewell("bob/pw-b/M/s-bob/127.0.0.1", withStandIn);
        // One Notewell per Windows session: alice's is on another machine.
        const std::string otherSession = NotewellOfAnotherSession();
        ASSERT_FALSE(otherSession.empty()) << "no session object's name in Notewell.exe";
        ChildProcess::Options asAlice;
        asAlice.application = Widen(otherSession);
        asAlice.environmentPath = withStandIn;
        asAlice.waitForInputIdle = true;
        alice = std::make_unique<ChildProcess>(Widen("Notewell.exe alice/pw-a/F/s-alice/127.0.0.1"), asAlice);
        ASSERT_TRUE(bob->Started() && alice->Started());
        ASSERT_TRUE(PumpUntil([&] {
            return server->WaitForLogin("bob", 0).has_value() && server->WaitForLogin("alice", 0).has_value();
        }, 15000));
    }
    void TearDown() override {
        bob.reset();
        alice.reset();
        server->Stop();
        ::SetEnvironmentVariableA("PVCHAT_STANDIN_LOG", nullptr);
        std::remove(log.c_str());
    }
    HWND TrayWindowOf(const ChildProcess& p) {
        return WaitForProcessWindow(p.Id(), [](HWND w) {
            return WindowTextOf(w) == kTrayWindowTitle;
        }, 5000);
    }

    std::unique_ptr<devserver::DevServer> server;
    std::unique_ptr<ChildProcess> bob, alice;
    std::string log;
};

TEST_F(TwoNotewellsChat, AcceptedRequestStartsTheChatProgramOnBothSides) {
    // The page asks bob's Notewell, as the login control's SendChat does.
    const HWND bobsTray = TrayWindowOf(*bob);
    ASSERT_NE(bobsTray, nullptr);
    ChatTargetInfo target = PackChatTargetInfo("alice/Alice/F/27/student/Busan/6/98/chat/4800");
    COPYDATASTRUCT data{COPYDATA_CHAT_REQUEST, sizeof target, &target};
    ::SendMessageA(bobsTray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));

    // The server's consent opens bob's waiting popup, which sends the request.
    auto request = server->WaitForPacket(devserver::CMD_CHAT_REQUEST, 10000, "bob");
    ASSERT_TRUE(request);
    EXPECT_EQ(GetText(request->body.data(), 13), "alice");

    // Alice's Notewell shows the request; she accepts.
    const HWND incoming = WaitForProcessWindow(alice->Id(), [](HWND w) {
        return ::IsWindowVisible(w) && ::GetDlgItem(w, IDC_ACCEPT) != nullptr;
    }, 10000);
    ASSERT_NE(incoming, nullptr);
    PressButton(incoming, IDC_ACCEPT);
    auto answer = server->WaitForPacket(devserver::CMD_CHAT_ANSWER, 10000, "alice");
    ASSERT_TRUE(answer);

    // Bob's Notewell, told of the acceptance, agrees to the chat.
    auto control = server->WaitForPacket(devserver::CMD_CHAT_CONTROL, 10000, "bob");
    ASSERT_TRUE(control);
    EXPECT_EQ(GetText(control->body.data(), 13), "alice");

    // Both get 2006 'A' with the same key; each starts the chat program.
    const std::string key = "K7e2eChatKey0123456789abcdefghij";
    auto launched = [&](size_t lines) {
        return PumpUntil([&] { return ReadLines(log).size() >= lines; }, 10000);
    };
    ASSERT_TRUE(server->Send("bob", devserver::CMD_CHAT_CONTROL, KIND_ANSWER,
                             devserver::BuildChatDecision("alice", 'A', key, "10.1.2.3", "")));
    ASSERT_TRUE(launched(1));
    ASSERT_TRUE(server->Send("alice", devserver::CMD_CHAT_CONTROL, KIND_SERVER,
                             devserver::BuildChatDecision("bob", 'A', key, "10.1.2.3", "")));
    ASSERT_TRUE(launched(2));
    PumpFor(300);
    const std::vector<std::string> lines = ReadLines(log);
    ASSERT_EQ(lines.size(), 2u);
    // Under wine there is no capture driver, so the webcam value is 'F'.
    EXPECT_EQ(lines[0], "PVChat.exe \"bob\" \"pw-b\" \"10.1.2.3\" \"10.1.2.3\" \"" + key + "\" \"F\" \"P\" \"M\"");
    EXPECT_EQ(lines[1], "PVChat.exe \"alice\" \"pw-a\" \"10.1.2.3\" \"10.1.2.3\" \"" + key + "\" \"F\" \"P\" \"F\"");
    // Both stay connected: no box, no logout.
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT), 0u);
    EXPECT_EQ(WaitForForeignBox(bob->Id(), "서버 메시지", 100).window, nullptr);
    EXPECT_EQ(WaitForForeignBox(alice->Id(), "서버 메시지", 100).window, nullptr);
}

// The service's page as members have it: the container plays the login page
// with the registered Gatekin.ocx, which starts the real Notewell.exe by the
// program search; a second page logs the member out through its own control.
class PageAndNotewell : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::FindWindowA(nullptr, kTrayWindowTitle), nullptr) << "another \"PvxTray\" window exists";
        devserver::DevServerOptions options;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);
        ASSERT_TRUE(server->Start());
        ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(GATEKIN_OCX), "DllRegisterServer"));
        registered = true;
    }
    void TearDown() override {
        // A Notewell the page started is not our child: end it by its window.
        if (HWND tray = ::FindWindowA(nullptr, kTrayWindowTitle)) {
            DWORD id = 0;
            ::GetWindowThreadProcessId(tray, &id);
            if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
                ::TerminateProcess(p, 1);
                ::WaitForSingleObject(p, 5000);
                ::CloseHandle(p);
            }
        }
        if (registered) CallModuleEntry(HostToWindowsPath(GATEKIN_OCX), "DllUnregisterServer");
        server->Stop();
    }
    // Runs a page to its end with Notewell's folder on the program search path.
    DWORD RunPage(const std::string& arguments) {
        std::string folder = HostToWindowsPath(NOTEWELL_EXE);
        folder = folder.substr(0, folder.find_last_of('\\'));
        ChildProcess::Options options;
        options.environmentPath = SearchPathWith(folder);
        const std::optional<DWORD> code = RunToEnd(
            L"\"" + Widen(HostToWindowsPath(CONTAINER_EXE)) + L"\" GATEKIN.GatekinCtrl.1 " + Widen(arguments), options,
            30000);
        return code.value_or(~0u);
    }

    std::unique_ptr<devserver::DevServer> server;
    bool registered = false;
};

TEST_F(PageAndNotewell, TheLoginPageStartsNotewellWhichLogsInAndTheLogoutPageEndsIt) {
    EXPECT_EQ(0u, RunPage("--param ID=carol --param PWD=pw-c --param SEX=F --param SESSIONID=page-session"
                          " --param SERVERIP=127.0.0.1 --activate --set LogStateProc=0"));
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("carol", 0).has_value(); }, 15000));
    const std::optional<devserver::RecordedPacket> login = server->WaitForPacket(devserver::CMD_LOGIN, 0);
    ASSERT_TRUE(login);
    ASSERT_EQ(login->body.size(), 90u);
    EXPECT_EQ(GetText(login->body.data() + 46, 32), "page-session");
    HWND tray = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (tray = ::FindWindowA(nullptr, kTrayWindowTitle)) != nullptr; }, 5000));
    DWORD trayProcess = 0;
    ::GetWindowThreadProcessId(tray, &trayProcess);

    // The same page again (a reload) finds Notewell running and starts no second one.
    EXPECT_EQ(0u, RunPage("--param ID=carol --param PWD=pw-c --param SEX=F --param SESSIONID=page-session"
                          " --param SERVERIP=127.0.0.1 --activate --set LogStateProc=0"));
    PumpFor(500);
    EXPECT_EQ(server->Connections().size(), 1u);

    // The logout page: LogStateProc 1 closes Notewell at once, logged out once.
    EXPECT_EQ(0u, RunPage("--activate --set LogStateProc=1"));
    ASSERT_TRUE(PumpUntil([&] { return ::FindWindowA(nullptr, kTrayWindowTitle) == nullptr; }, 10000));
    PumpFor(300);
    EXPECT_EQ(server->CountReceived(devserver::CMD_LOGOUT, "carol"), 1u);
    HANDLE p = ::OpenProcess(SYNCHRONIZE, FALSE, trayProcess);
    if (p) {
        EXPECT_EQ(::WaitForSingleObject(p, 5000), WAIT_OBJECT_0);
        ::CloseHandle(p);
    }
}

}  // namespace

// One Notewell per Windows session: a copy started while another is still
// starting (it holds the session's object, its window is not there yet) ends
// at once without logging in; started alone, it logs in.
TEST(OneNotewellPerSession, ACopyStartedWhileAnotherIsStartingEndsWithoutLoggingIn) {
    devserver::DevServerOptions options;
    options.logSink = [](const std::string&) {};
    devserver::DevServer server(options);
    ASSERT_TRUE(server.Start());
    HANDLE starting = ::CreateMutexW(nullptr, FALSE, kTrayInstanceName);  // as a starting Notewell holds it
    ASSERT_TRUE(starting);
    ASSERT_NE(ERROR_ALREADY_EXISTS, ::GetLastError()) << "a Notewell runs";
    auto second = StartNotewellNow("member1/secret/M/web-session/127.0.0.1");
    ASSERT_TRUE(second->Started());
    EXPECT_TRUE(second->WaitExit(10000)) << "the second copy kept running";
    EXPECT_FALSE(server.WaitForLogin("member1", 500).has_value());
    EXPECT_EQ(0, TrayWindowCount());
    ::CloseHandle(starting);

    auto alone = StartNotewellNow("member1/secret/M/web-session/127.0.0.1");
    EXPECT_TRUE(server.WaitForLogin("member1", 15000).has_value());
    ASSERT_TRUE(PumpUntil([] { return TrayWindowCount() == 1; }, 5000));
    ::SendMessageA(::FindWindowA(nullptr, kTrayWindowTitle), WM_TRAY_CLOSE, 0, 0);
    EXPECT_TRUE(alone->WaitExit(10000));
    server.Stop();
}

// A reload starts a second Notewell right after the first, before the first
// is ready: one of the two logs in, the other ends, and one "PvxTray" window
// takes the page's requests.
TEST(OneNotewellPerSession, TwoStartedTogetherLogInOnce) {
    devserver::DevServerOptions options;
    options.logSink = [](const std::string&) {};
    devserver::DevServer server(options);
    ASSERT_TRUE(server.Start());
    auto first = StartNotewellNow("member1/secret/M/web-session/127.0.0.1");
    auto second = StartNotewellNow("member1/secret/M/web-session/127.0.0.1");
    ASSERT_TRUE(first->Started() && second->Started());
    ASSERT_TRUE(PumpUntil([&] { return !first->Running() || !second->Running(); }, 10000)) << "both kept running";
    ASSERT_TRUE(server.WaitForLogin("member1", 15000).has_value());
    ASSERT_TRUE(PumpUntil([] { return TrayWindowCount() == 1; }, 5000));
    PumpFor(1000);
    EXPECT_EQ(1u, server.CountReceived(devserver::CMD_LOGIN));
    EXPECT_EQ(1, TrayWindowCount());
    ::SendMessageA(::FindWindowA(nullptr, kTrayWindowTitle), WM_TRAY_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !first->Running() && !second->Running(); }, 10000));
    server.Stop();
}
