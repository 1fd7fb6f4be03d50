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
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        ::PostMessageA(menu, WM_KEYDOWN, key, 0);
        PumpFor(100);
    }
    const auto check = [&] { return server.WaitForPacket(devserver::CMD_CHAT_CHECK, 0, "viewer"); };
    ASSERT_TRUE(PumpUntil([&] { return check().has_value(); }, 10000));
    EXPECT_EQ("amy", GetText(check()->body.data(), 13));

    if (HWND trayWindow = ::FindWindowA(nullptr, kTrayWindowTitle)) ::PostMessageA(trayWindow, WM_TRAY_CLOSE, 0, 0);
    if (HWND container = ::GetAncestor(list, GA_ROOT)) ::PostMessageA(container, WM_CLOSE, 0, 0);
    PumpFor(500);
    server.Stop();
}

}  // namespace
