// Measures the real Notewell.exe against the development server: the time from
// the server's accept to the login packet, and the program's CPU use while
// connected and idle and while a packet body stalls. Prints figures.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dev_server.h"

namespace {

double CpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](FILETIME t) {
        ULARGE_INTEGER v;
        v.LowPart = t.dwLowDateTime;
        v.HighPart = t.dwHighDateTime;
        return v.QuadPart / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// CPU share of one core over `ms` of wall time.
double MeasureCpu(HANDLE process, DWORD ms) {
    const double before = CpuSeconds(process);
    const DWORD start = ::GetTickCount();
    ::Sleep(ms);
    const double wall = (::GetTickCount() - start) / 1000.0;
    return 100.0 * (CpuSeconds(process) - before) / wall;
}

PROCESS_INFORMATION StartTray() {
    PROCESS_INFORMATION pi{};
    bench::StartProgram(NOTEWELL_EXE, "Notewell.exe bench/pw/M/sess/127.0.0.1", &pi);
    return pi;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD idleMs = argc > 1 ? std::atoi(argv[1]) * 1000 : 30000;
    const int logins = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::unique_ptr<devserver::DevServer> started = bench::StartQuietDevServer();
    if (!started) return 1;
    devserver::DevServer& server = *started;

    std::vector<double> latencies;
    for (int i = 0; i < logins; ++i) {
        const size_t before = server.Received().size();
        PROCESS_INFORMATION pi = StartTray();
        auto login = server.WaitForPacket(devserver::CMD_LOGIN, 15000, "", before);
        if (login) {
            const auto connections = server.Connections();
            latencies.push_back(double(login->atMs - connections.back().acceptMs));
        }
        HWND tray = nullptr;
        for (int t = 0; t < 100 && !(tray = ::FindWindowA(nullptr, "PvxTray")); ++t) ::Sleep(50);
        if (i + 1 < logins) {
            ::SendMessageA(tray, 1039 /* WM_TRAY_CLOSE */, 0, 0);
            ::WaitForSingleObject(pi.hProcess, 10000);
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
            continue;
        }
        std::printf("accept -> login packet (ms):");
        for (double l : latencies) std::printf(" %.0f", l);
        std::printf("\n");

        ::Sleep(1000);
        std::printf("CPU while connected and idle, %lu s: %.2f %% of a core\n", idleMs / 1000,
                    MeasureCpu(pi.hProcess, idleMs));
        // A body that stalls: header and two bytes, then nothing; the program
        // gives up after its 10 s bound, so the stall is measured over 9 s.
        devserver::Delivery stall;
        stall.stallAfter = 8;
        stall.stallMs = 60000;
        server.Send("bench", devserver::CMD_NOTE, 2, devserver::Bytes(30, 'x'), stall);
        ::Sleep(200);
        std::printf("CPU while a body stalls, 9 s: %.2f %% of a core\n", MeasureCpu(pi.hProcess, 9000));
        ::TerminateProcess(pi.hProcess, 0);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    server.Stop();
    return 0;
}
