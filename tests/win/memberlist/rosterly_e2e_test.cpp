// End to end: the registered Rosterly.ocx in the control container (another
// process, created by ProgID with its PARAM values), the real Notewell.exe,
// and the development server on both ports. The viewer right-clicks a row,
// picks "1:1 채팅신청" in the real menu, and Notewell asks the server (2011).
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dev_server.h"
#include "fields.h"
#include "packet.h"
#include "tray_messages.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

constexpr char kAddress[] = "127.1.253.63";  // Notewell's port 5210 and the list's 5200, on our own address

// A window of the process (its own or a descendant) of this window class.
HWND WaitForWindowOfClass(DWORD processId, const char* className, DWORD timeoutMs, bool visibleOnly = false) {
    return WaitForProcessWindow(processId, [&](HWND w) {
        char cls[64] = {};
        ::GetClassNameA(w, cls, sizeof cls);
        return std::string(cls) == className && (!visibleOnly || ::IsWindowVisible(w));
    }, timeoutMs, true);
}

// Returns once the open menu's loop has handled what was queued for it
// before the call. The menu opens where the pointer is, and its appearing
// brings a move of the pointer, which clears the highlight; a key posted
// while that move waits is taken first (posted messages go before input), so
// a slow start (cold caches) made Enter choose the item above. A message sent
// to the menu is answered from inside the loop's wait for messages, and each
// further one only after the loop handled a message it found there.
bool WaitForMenuLoop(HWND menu) {
    for (int round = 0; round < 4; ++round) {
        DWORD_PTR ignored = 0;
        if (!::SendMessageTimeoutW(menu, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) return false;
    }
    return true;
}

TEST(RosterlyEndToEnd, ChoosingAChatRequestInTheRealMenuMakesNotewellAskTheServer) {
    ASSERT_EQ(nullptr, ::FindWindowA(nullptr, kTrayWindowTitle)) << "another Notewell runs on this desktop";
    // Registered in this prefix, as its installer's regsvr32 would.
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX), "DllRegisterServer"));

    devserver::DevServerOptions options;
    options.bindAddress = kAddress;
    options.listEnabled = true;
    options.logSink = [](const std::string&) {};
    devserver::DevServer server(options);
    ASSERT_TRUE(server.Start());
    devserver::MemberProfile amy = server.GetMember("amy");
    amy.sex = 'F';
    amy.nickname = u8"에이미";
    amy.age = 24;
    server.SetMember(amy);
    server.MemberList().PutMember(devserver::ListedMember{"amy", false, 12, ""});

    ChildProcess::Options asProgram;
    asProgram.application = Widen(HostToWindowsPath(NOTEWELL_EXE));
    asProgram.waitForInputIdle = true;
    ChildProcess tray(Widen(std::string("Notewell.exe viewer/pw/M/web-session/") + kAddress), asProgram);
    ASSERT_TRUE(tray.Started());
    ASSERT_TRUE(PumpUntil([&] { return server.WaitForLogin("viewer", 0).has_value(); }, 15000));

    asProgram.application = Widen(HostToWindowsPath(CONTAINER_EXE));
    ChildProcess page(Widen(std::string("ControlContainer.exe ROSTERLY.RosterlyCtrl.1 --param SEX=man --param ID=viewer "
                                        "--param PWD=pw --param SERVERIP=") +
                            kAddress + " --activate --stay"),
                      asProgram);
    ASSERT_TRUE(page.Started());
    const HWND list = WaitForWindowOfClass(page.Id(), "SysListView32", 15000);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return server.CountReceived(devserver::LIST_MEMBERS, "viewer") > 0; }, 15000));
    ASSERT_TRUE(PumpUntil([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 5000));
    const auto login = server.WaitForPacket(devserver::LIST_LOGIN, 0);
    ASSERT_TRUE(login);
    EXPECT_EQ("1,0,0,46", GetText(login->body.data() + 45, 12));  // the module's own version

    // Right-click the first row (the press and the release, as the mouse gives them).
    const LPARAM at = MAKELPARAM(20, 10 + 27 / 2 + 20);  // below the header, in row 0
    ::PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
    ::PostMessageA(list, WM_RBUTTONUP, 0, at);
    const HWND menu = WaitForWindowOfClass(page.Id(), "#32768", 5000, true);
    ASSERT_NE(menu, nullptr);
    // "쪽지보내기", then "1:1 채팅신청".
    ASSERT_TRUE(WaitForMenuLoop(menu));
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        ::PostMessageA(menu, WM_KEYDOWN, key, 0);
        if (key != VK_RETURN) ASSERT_TRUE(WaitForMenuLoop(menu));
    }
    const auto check = [&] { return server.WaitForPacket(devserver::CMD_CHAT_CHECK, 0, "viewer"); };
    ASSERT_TRUE(PumpUntil([&] { return check().has_value(); }, 10000));
    EXPECT_EQ("amy", GetText(check()->body.data(), 13));

    if (HWND trayWindow = ::FindWindowA(nullptr, kTrayWindowTitle)) ::PostMessageA(trayWindow, WM_TRAY_CLOSE, 0, 0);
    if (HWND container = ::GetAncestor(list, GA_ROOT)) ::PostMessageA(container, WM_CLOSE, 0, 0);
    PumpFor(500);
    server.Stop();
}

// The registered control in its container against a server that floods it
// with refusals, then forges a length: each refusal is a real box, answered
// one at a time (those read while one is up wait their turn); the record
// behind them is listed; the forged length breaks the link with its message;
// the page's process lives on.
TEST(RosterlyEndToEnd, ARefusalFloodAndAForgedLengthLeaveThePageAliveOneBoxAtATime) {
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX), "DllRegisterServer"));
    constexpr char kFloodAddress[] = "127.1.253.64";
    devserver::DevServerOptions options;
    options.bindAddress = kFloodAddress;
    options.trayPort = 0;
    options.listEnabled = true;
    options.logSink = [](const std::string&) {};
    devserver::DevServer server(options);
    ASSERT_TRUE(server.Start());

    ChildProcess::Options asProgram;
    asProgram.application = Widen(HostToWindowsPath(CONTAINER_EXE));
    asProgram.waitForInputIdle = true;
    ChildProcess page(Widen(std::string("ControlContainer.exe ROSTERLY.RosterlyCtrl.1 --param SEX=man --param ID=viewer "
                                        "--param PWD=pw --param SERVERIP=") +
                            kFloodAddress + " --activate --stay"),
                      asProgram);
    ASSERT_TRUE(page.Started());
    const HWND list = WaitForWindowOfClass(page.Id(), "SysListView32", 15000);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return server.CountReceived(devserver::LIST_MEMBERS, "viewer") > 0; }, 15000));

    const int refusals = 200;
    devserver::Bytes flood;
    auto join = [&](const devserver::Bytes& packet) { flood.insert(flood.end(), packet.begin(), packet.end()); };
    for (int i = 0; i < refusals; ++i) join(devserver::FramePacket(devserver::LIST_MEMBERS, KIND_ANSWER, {'E'}));
    devserver::MemberProfile after = devserver::DefaultProfile("after");
    after.sex = 'F';
    join(devserver::FramePacket(devserver::LIST_MEMBERS, KIND_SERVER,
                                devserver::BuildListRecord(after, {"after"}, {}, 'A')));
    ASSERT_TRUE(server.SendRaw("list:viewer", flood));
    ForeignBoxAnswerer boxes(page.Id(), "서버 메시지");
    const char kNotConnected[] = "서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.";
    boxes.AnswerUntil([&] {
        return boxes.Count(kNotConnected) == refusals && ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1;
    }, 90000);
    EXPECT_EQ(static_cast<size_t>(refusals), boxes.Count(kNotConnected));
    EXPECT_EQ(1, boxes.MostAtOnce());
    EXPECT_EQ(1, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));

    // A header announcing a body of 0x8000 bytes or more, then bytes that
    // would read as a forged record.
    devserver::Bytes forged = {0x90, 0x00, 0x03, 0xEB, 0x00, 0x04};  // 0x9000 bytes of a LIST_MEMBERS push
    const devserver::Bytes more = devserver::FramePacket(devserver::LIST_MEMBERS, KIND_SERVER,
                                                         devserver::BuildListRecord(after, {"forged"}, {}, 'A'));
    forged.insert(forged.end(), more.begin(), more.end());
    ASSERT_TRUE(server.SendRaw("list:viewer", forged));
    const char kBroken[] = "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.";
    boxes.AnswerUntil([&] { return boxes.Count(kBroken) == 1; }, 15000);
    boxes.AnswerUntil([] { return false; }, 1000);
    EXPECT_EQ(1u, boxes.Count(kBroken));
    EXPECT_EQ(1, boxes.MostAtOnce());
    EXPECT_TRUE(page.Running());
    EXPECT_EQ(1, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) << "nothing after the forged length is applied";

    if (HWND container = ::GetAncestor(list, GA_ROOT)) ::PostMessageA(container, WM_CLOSE, 0, 0);
    EXPECT_TRUE(page.WaitExit(10000));
    server.Stop();
}

}  // namespace
