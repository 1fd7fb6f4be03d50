// Flood run of the real Notewell.exe against the development server: a burst
// of refused-note answers (2007 'F', one box each), then another member's 1:1
// request, while the member has not answered the first box. Prints how long
// the request took to appear under the box, whether the keep-alive still told
// a live server from a dead one meanwhile, the program's memory and the
// notices waiting, and then, answering every box as a member would, how many
// boxes came and how many were ever up at once.
//
//   notewell_flood_bench [answers [Notewell.exe]]      (default 3000)
// The program is this tree's build unless a path (host or Windows) is given,
// e.g. an older build to compare with.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dev_server.h"
#include "member_profiles.h"
#include "tray_bodies.h"
#include "tray_messages.h"
#include "wire_packet.h"

namespace {

constexpr UINT_PTR kKeepAliveTimer = 2;
const wchar_t kServerCaption[] = L"서버 메시지";

// The visible dialogs of the process with this caption, or (other) with any
// other caption but the hidden main window's.
std::vector<HWND> Dialogs(DWORD pid, const std::wstring& caption, bool other = false) {
    return bench::VisibleDialogs(pid, [&](const std::wstring& title) {
        return other ? title != caption && title != L"PvxTray" : title == caption;
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int answers = argc > 1 ? std::atoi(argv[1]) : 3000;
    const std::string program = argc > 2 ? std::string(argv[2]) : std::string(NOTEWELL_EXE);
    bench::MakeNotewellWindowsUnmanaged();

    const std::unique_ptr<devserver::DevServer> started = bench::StartQuietDevServer();
    if (!started) return 1;
    devserver::DevServer& server = *started;
    PROCESS_INFORMATION pi{};
    HWND tray = nullptr;
    int status = 0;
    if (!bench::StartLoggedInNotewell(server, program, "flood", &pi, &tray)) {
        status = 1;
    } else {
        ::Sleep(500);
        const double startKb = bench::MemoryOf(pi.hProcess).privateKb;
        devserver::Bytes burst;
        const devserver::Bytes refusal = devserver::FramePacket(
            devserver::CMD_NOTE, 2, devserver::BuildResultForMember('F', "zed", "SENDING_FAIL"));
        for (int i = 0; i < answers; ++i) burst.insert(burst.end(), refusal.begin(), refusal.end());
        devserver::MemberProfile amy;
        amy.id = amy.nickname = "amy";
        amy.sex = 'F';
        amy.age = 27;
        const devserver::Bytes request = devserver::FramePacket(devserver::CMD_CHAT_REQUEST, 4,
                                                                devserver::BuildIncomingChatRecord(amy, 'S'));
        burst.insert(burst.end(), request.begin(), request.end());
        const DWORD sent = ::GetTickCount();
        server.SendRaw("flood", burst);

        // The first box stays up, unanswered, until the request has had its chance.
        const bool boxUp = bench::WaitFor([&] { return !Dialogs(pi.dwProcessId, kServerCaption).empty(); }, 8000);
        const bool requestShown =
            bench::WaitFor([&] { return Dialogs(pi.dwProcessId, kServerCaption).size() == 1 &&
                                 !Dialogs(pi.dwProcessId, kServerCaption, true).empty(); },
                    5000);
        const DWORD requestMs = ::GetTickCount() - sent;
        std::printf("%d refusals and a request in one write; first box up: %s\n", answers, boxUp ? "yes" : "no");
        if (requestShown)
            std::printf("the request appeared under the box after %lu ms\n", static_cast<unsigned long>(requestMs));
        else
            std::printf("the request did not appear within 5 s while the box was up\n");
        ::Sleep(500);
        const long waiting = bench::AskTray(tray, 4);
        std::printf("under the box: private %+.0f KB, notices waiting %ld (boxes to come: %ld), packets unhandled %ld\n",
                    bench::MemoryOf(pi.hProcess).privateKb - startKb, waiting, waiting + 1, bench::AskTray(tray, 3));

        // One keep-alive cycle, ticked from outside, with the server answering.
        const size_t before = server.CountReceived(devserver::CMD_KEEPALIVE, "flood");
        for (int i = 0; i < 5; ++i) {
            ::PostMessageA(tray, WM_TIMER, kKeepAliveTimer, 0);
            ::Sleep(300);
        }
        const bool alive = ::IsWindow(tray) && bench::AskTray(tray, 5) == 1;
        std::printf("one keep-alive cycle under the box with a live server: %zu keep-alive(s) sent, link %s\n",
                    server.CountReceived(devserver::CMD_KEEPALIVE, "flood") - before, alive ? "kept" : "ended");

        // The member answers every box, each once it is up, until none has
        // come for 3 s and none waits. A box counts once it has gone.
        int shown = 0, mostAtOnce = 0;
        const DWORD answering = ::GetTickCount();
        DWORD lastSeen = answering;
        HWND pressed = nullptr;
        while (::GetTickCount() - answering < 900000) {
            const std::vector<HWND> up = Dialogs(pi.dwProcessId, kServerCaption);
            mostAtOnce = std::max<int>(mostAtOnce, static_cast<int>(up.size()));
            if (pressed && (!::IsWindow(pressed) || !::IsWindowVisible(pressed))) {
                ++shown;
                pressed = nullptr;
            }
            if (up.empty()) {
                if (::GetTickCount() - lastSeen > 3000 && bench::AskTray(tray, 4) <= 0) break;
                ::Sleep(2);
                continue;
            }
            lastSeen = ::GetTickCount();
            if (!pressed) {
                pressed = up[0];
                ::PostMessageA(pressed, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(pressed, IDOK)));
            }
            ::Sleep(1);
        }
        lastSeen = ::GetTickCount() - lastSeen;
        std::printf("boxes answered until none was left: %.1f s (%d presses), most up at once: %d\n",
                    (::GetTickCount() - answering - lastSeen) / 1000.0, shown, mostAtOnce);
        ::Sleep(300);
        std::printf("after the flood: private %+.0f KB, notices waiting %ld, packets unhandled %ld\n",
                    bench::MemoryOf(pi.hProcess).privateKb - startKb, bench::AskTray(tray, 4), bench::AskTray(tray, 3));
    }
    bench::EndNotewell(tray, pi);
    server.Stop();
    return status;
}
