// Soak run of the real Notewell.exe against the development server: opens and
// closes every kind of popup (notes read, replied, written and sent to one or
// to everyone; incoming requests accepted, refused, withdrawn and expired;
// points-short notices; status notices; own and group requests withdrawn and
// expired) many times over, and prints the program's memory and the objects it
// holds after a warm-up and at the end. Countdowns are driven by posting their
// timer ticks, so no real seconds are waited.
//
//   notewell_soak_bench [rounds [warm-up rounds [Notewell.exe]]]     (14 popups per round)
// The program is this tree's build unless a path (host or Windows) is given,
// e.g. the i686 release build.
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
#include "records.h"
#include "res/resource.h"
#include "tray_bodies.h"
#include "tray_messages.h"

namespace {

constexpr DWORD kStepTimeoutMs = 8000;

// The popups of the process that are up: every visible dialog but the hidden main window.
std::vector<HWND> OpenDialogs(DWORD pid) {
    return bench::VisibleDialogs(pid, [](const std::wstring& caption) { return caption != L"PvxTray"; });
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kStepTimeoutMs) {
    return bench::WaitFor(done, timeoutMs);
}

struct Figures {
    double privateKb = 0, workingSetKb = 0;
    long gdiObjects = -1, windows = -1;
};

Figures Measure(HANDLE process, HWND tray) {
    const bench::ProcessMemory memory = bench::MemoryOf(process);
    return Figures{memory.privateKb, memory.workingSetKb, bench::AskTray(tray, 0), bench::AskTray(tray, 1)};
}

class Soak {
public:
    Soak(devserver::DevServer& server, HANDLE process, DWORD pid, HWND tray)
        : server(server), process(process), pid(pid), tray(tray) {}

    // One popup: `open` makes it appear, `close` is given its window and makes it go.
    bool Popup(const char* name, const std::function<void()>& open, const std::function<void(HWND)>& close) {
        open();
        HWND popup = nullptr;
        if (!WaitFor([&] {
                const auto dialogs = OpenDialogs(pid);
                popup = dialogs.size() == 1 ? dialogs[0] : nullptr;
                return popup != nullptr;
            })) {
            return Fail(name, "did not open");
        }
        close(popup);
        if (!WaitFor([&] { return OpenDialogs(pid).empty(); })) return Fail(name, "did not close");
        ++popups;
        return true;
    }

    bool Round() {
        const auto alice = server.GetMember("alice");
        const auto sendNote = [&](int item, int button) {
            return [=](HWND popup) {
                ::SendDlgItemMessageA(popup, item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("soak"));
                Click(popup, button);
            };
        };
        return Popup("note read", [&] { Server(devserver::CMD_NOTE, 4, devserver::BuildReceivedNote(alice, "안녕하세요")); },
                     [&](HWND p) { Click(p, IDCANCEL); }) &&
               Popup("note replied", [&] { Server(devserver::CMD_NOTE, 4, devserver::BuildReceivedNote(alice, "답장")); },
                     sendNote(IDC_REPLY_TEXT, IDC_REPLY_SEND)) &&
               Popup("note written", [&] { CopyData(COPYDATA_SEND_NOTE, NoteTarget()); },
                     sendNote(IDC_NOTE_TEXT, IDC_NOTE_SEND)) &&
               Popup("note to everyone", [&] { ::PostMessageA(tray, WM_TRAY_NOTE_ALL, 0, 0); },
                     sendNote(IDC_NOTE_BOX, IDC_NOTE_ALL_SEND)) &&
               Popup("request accepted", [&] { Incoming(alice, 'S'); }, [&](HWND p) { Click(p, IDC_ACCEPT); }) &&
               // The asker gives up after the acceptance: the server settles it with a status notice.
               Popup("status notice",
                     [&] { Server(devserver::CMD_CHAT_CONTROL, 4, devserver::BuildChatDecision("alice", 'C', "", "", "CANCELED")); },
                     [&](HWND p) { Ticks(p, 0, 4); }) &&
               Popup("request refused", [&] { Incoming(alice, 'S'); }, [&](HWND p) { Click(p, IDCANCEL); }) &&
               Popup("request withdrawn", [&] { Incoming(alice, 'S'); },
                     [&](HWND p) { Withdraw(p); }) &&
               Popup("request expired", [&] { Incoming(alice, 'S'); }, [&](HWND p) { Ticks(p, 4, 16); }) &&
               Popup("points short", [&] { Incoming(alice, 'N'); }, [&](HWND p) { Ticks(p, 1, 1); }) &&
               Popup("own request withdrawn", [&] { CopyData(COPYDATA_CHAT_REQUEST, ChatTarget()); },
                     [&](HWND p) { Click(p, IDCANCEL); }) &&
               Popup("own request expired", [&] { CopyData(COPYDATA_CHAT_REQUEST, ChatTarget()); },
                     [&](HWND p) { Ticks(p, 3, 20); }) &&
               Popup("group request withdrawn", [&] { ::PostMessageA(tray, WM_TRAY_CHAT_ALL, 0, 0); },
                     [&](HWND p) { Click(p, IDCANCEL); }) &&
               Popup("group request expired", [&] { ::PostMessageA(tray, WM_TRAY_CHAT_ALL, 0, 0); },
                     [&](HWND p) { Ticks(p, 5, 20); });
    }

    int popups = 0;
    int extraWithdrawals = 0;

private:
    bool Fail(const char* name, const char* what) {
        std::printf("popup %d (%s) %s; open dialogs: %zu\n", popups + 1, name, what, OpenDialogs(pid).size());
        return false;
    }
    void Server(uint16_t command, uint16_t kind, const devserver::Bytes& body) {
        server.Send("soak", command, kind, body);
    }
    void Incoming(const devserver::MemberProfile& asker, char flag) {
        Server(devserver::CMD_CHAT_REQUEST, 4, devserver::BuildIncomingChatRecord(asker, flag));
    }
    // The asker withdraws. A client that keeps answered requests in its list
    // drops one of those first, so the withdrawal is repeated until the open
    // popup goes (and counted).
    void Withdraw(HWND popup) {
        for (int i = 0; i < 50 && ::IsWindow(popup); ++i) {
            if (i > 0) ++extraWithdrawals;
            Server(devserver::CMD_CHAT_CONTROL, 4, devserver::BuildChatDecision("alice", 'R', "", "", ""));
            WaitFor([&] { return !::IsWindow(popup); }, 300);
        }
    }
    static void Click(HWND popup, int id) {
        ::PostMessageA(popup, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(popup, id)));
    }
    static void Ticks(HWND popup, UINT_PTR id, int count) {
        for (int i = 0; i < count; ++i) ::PostMessageA(popup, WM_TIMER, id, 0);
    }
    template <typename Record>
    void CopyData(ULONG_PTR kind, const Record& record) {
        COPYDATASTRUCT data{kind, sizeof record, const_cast<Record*>(&record)};
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &answer);
    }
    static NoteTargetInfo NoteTarget() { return MakeNoteTargetInfo("alice", "alice", 27, "F"); }
    static ChatTargetInfo ChatTarget() {
        ChatTargetFields f;
        f.memberId = "alice";
        f.nickname = "alice";
        f.sex = "F";
        f.age = 27;
        return MakeChatTargetInfo(f);
    }

    devserver::DevServer& server;
    HANDLE process;
    DWORD pid;
    HWND tray;
};

void Print(const char* when, int popups, const Figures& f) {
    std::printf("%-10s %5d popups  private %9.0f KB  working set %9.0f KB  GDI objects held %4ld  windows %3ld\n", when,
                popups, f.privateKb, f.workingSetKb, f.gdiObjects, f.windows);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 80;
    const int warmUp = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string program = argc > 3 ? std::string(argv[3]) : std::string(NOTEWELL_EXE);
    bench::MakeNotewellWindowsUnmanaged();

    const std::unique_ptr<devserver::DevServer> started = bench::StartQuietDevServer();
    if (!started) return 1;
    devserver::DevServer& server = *started;
    // The soak's own requests and notes go nowhere: no answers, so no boxes.
    devserver::MemberProfile alice;
    alice.id = alice.nickname = "alice";
    alice.sex = 'F';
    alice.age = 27;
    server.SetMember(alice);
    for (uint16_t c : {devserver::CMD_CHAT_REQUEST, devserver::CMD_CHAT_REQUEST_ALL, devserver::CMD_CHAT_ANSWER,
                       devserver::CMD_NOTE})
        server.SetReply(c, devserver::Reply::None());

    PROCESS_INFORMATION pi{};
    if (!bench::StartProgram(program, "Notewell.exe soak/pw/M/sess/127.0.0.1", &pi)) {
        std::printf("cannot start %s\n", program.c_str());
        return 1;
    }
    HWND tray = nullptr;
    const bool up = server.WaitForLogin("soak", 15000) &&
                    WaitFor([&] { return (tray = ::FindWindowA(nullptr, "PvxTray")) != nullptr; });
    int status = 0;
    if (!up) {
        std::printf("Notewell did not log in\n");
        status = 1;
    } else {
        ::Sleep(500);
        Soak soak(server, pi.hProcess, pi.dwProcessId, tray);
        Print("start", 0, Measure(pi.hProcess, tray));
        bool ok = true;
        for (int i = 0; ok && i < warmUp; ++i) ok = soak.Round();
        ::Sleep(300);
        const Figures warm = Measure(pi.hProcess, tray);
        const int warmPopups = soak.popups;
        Print("warmed up", warmPopups, warm);
        const DWORD start = ::GetTickCount();
        for (int i = 0; ok && i < rounds; ++i) ok = soak.Round();
        const double seconds = (::GetTickCount() - start) / 1000.0;
        ::Sleep(300);
        const Figures end = Measure(pi.hProcess, tray);
        Print("end", soak.popups, end);
        const int measured = soak.popups - warmPopups;
        if (measured > 0) {
            std::printf("after warm-up: %d popups in %.1f s; per popup: private %+.2f KB, working set %+.2f KB, "
                        "GDI objects %+.3f\n",
                        measured, seconds, (end.privateKb - warm.privateKb) / measured,
                        (end.workingSetKb - warm.workingSetKb) / measured,
                        double(end.gdiObjects - warm.gdiObjects) / measured);
        }
        if (soak.extraWithdrawals)
            std::printf("withdrawals that closed nothing (they met an answered request first): %d\n",
                        soak.extraWithdrawals);
        if (!ok) status = 1;
        ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    server.Stop();
    return status;
}
