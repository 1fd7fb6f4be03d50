// Memory of the real Notewell.exe while one box stays up: a refused note puts
// a "서버 메시지" box up and the member leaves it; meanwhile other members ask
// for a 1:1 chat and withdraw (2003 kind 4, then 2006 'R'), each request's
// popup opening and closing under the box. Prints private bytes, working set
// and the GDI objects Notewell holds every 100 requests, and the growth per
// request.
//
//   notewell_box_soak_bench [requests [Notewell.exe]]      (default 300)
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "dev_server.h"
#include "member_profiles.h"
#include "tray_bodies.h"
#include "wire_packet.h"

namespace {

const wchar_t kServerCaption[] = L"서버 메시지";

void Report(const char* when, HANDLE process, HWND tray) {
    const bench::ProcessMemory m = bench::MemoryOf(process);
    std::printf("%-22s private %8.0f KB  working set %8.0f KB  GDI objects %5ld\n", when, m.privateKb,
                m.workingSetKb, bench::AskTray(tray, 0));
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::atoi(argv[1]) : 300;
    const std::string program = argc > 2 ? std::string(argv[2]) : std::string(NOTEWELL_EXE);
    bench::MakeNotewellWindowsUnmanaged();

    const std::unique_ptr<devserver::DevServer> started = bench::StartQuietDevServer();
    if (!started) return 1;
    devserver::DevServer& server = *started;
    PROCESS_INFORMATION pi{};
    HWND tray = nullptr;
    int status = 0;
    if (!bench::StartLoggedInNotewell(server, program, "boxed", &pi, &tray)) {
        status = 1;
    } else {
        server.SendRaw("boxed", devserver::FramePacket(devserver::CMD_NOTE, 2,
                                                       devserver::BuildResultForMember('F', "zed", "SENDING_FAIL")));
        const bool boxUp = bench::WaitFor(
            [&] {
                return !bench::VisibleDialogs(pi.dwProcessId, [](const std::wstring& t) { return t == kServerCaption; })
                            .empty();
            },
            8000);
        std::printf("a box left open: %s; %d requests asked and withdrawn under it\n", boxUp ? "yes" : "no",
                    requests);
        ::Sleep(300);
        Report("box up, none asked", pi.hProcess, tray);
        const double startKb = bench::MemoryOf(pi.hProcess).privateKb;
        const DWORD began = ::GetTickCount();
        for (int i = 1; i <= requests; ++i) {
            devserver::MemberProfile asker;
            asker.id = asker.nickname = "m" + std::to_string(i);
            asker.sex = 'F';
            asker.age = 25;
            devserver::Bytes both = devserver::FramePacket(devserver::CMD_CHAT_REQUEST, 4,
                                                           devserver::BuildIncomingChatRecord(asker, 'S'));
            const devserver::Bytes withdrawal = devserver::FramePacket(
                devserver::CMD_CHAT_CONTROL, 4, devserver::BuildChatDecision(asker.id, 'R', "", "0.0.0.0", ""));
            both.insert(both.end(), withdrawal.begin(), withdrawal.end());
            server.SendRaw("boxed", both);
            ::Sleep(20);
            if (i % 100 == 0) {
                ::Sleep(300);
                Report(("after " + std::to_string(i)).c_str(), pi.hProcess, tray);
            }
        }
        ::Sleep(500);
        const double endKb = bench::MemoryOf(pi.hProcess).privateKb;
        std::printf("growth: %+.0f KB in all, %+.1f KB per request (%.1f s); box still up: %s\n", endKb - startKb,
                    (endKb - startKb) / requests, (::GetTickCount() - began) / 1000.0,
                    bench::AskTray(tray, 5) == 1 ? "yes" : "no");
    }
    bench::EndNotewell(tray, pi);
    server.Stop();
    return status;
}
