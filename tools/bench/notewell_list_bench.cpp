// The member list through the real Notewell.exe to a page on its bridge: a
// list server with N women, a page that subscribes as a man and reads as a
// browser does. For each N prints: the time from the list server's last
// record to the page having every member, the bridge's bytes per member,
// Notewell's longest turn on its window's thread meanwhile, and how long a
// note that arrives in the middle of the list waits for its window.
//
//   notewell_list_bench [members...] [--notewell Notewell.exe]   (default 20000 100000)
//
// Ports 5200, 5210 and 5290 must be free: run it in a network namespace of
// its own (unshare -n) with a wine prefix whose server starts inside.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dev_server.h"
#include "member_profiles.h"
#include "tray_bodies.h"
#include "wire_packet.h"

namespace {

// A page's end of the bridge: it reads every frame's payload and counts the
// members it has seen ("w<n>" ids), each once.
class BenchPage {
public:
    explicit BenchPage(size_t members) : seen_(members + 1, false) {}
    ~BenchPage() {
        if (s_ != INVALID_SOCKET) ::closesocket(s_);
    }
    bool Open(uint16_t port) {
        s_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = ::htons(port);
        at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        if (::connect(s_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return false;
        u_long nonBlocking = 1;
        ::ioctlsocket(s_, FIONBIO, &nonBlocking);
        const std::string handshake = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                      "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                                      "Origin: http://www.corvala.co.kr\r\n\r\n";
        return ::send(s_, handshake.data(), static_cast<int>(handshake.size()), 0) > 0;
    }
    void SendText(const std::string& text) {
        std::string frame(1, '\x81');
        frame += static_cast<char>(0x80 | text.size());  // under 126 bytes
        const char mask[4] = {1, 2, 3, 4};
        frame.append(mask, 4);
        for (size_t i = 0; i < text.size(); ++i) frame += static_cast<char>(text[i] ^ mask[i % 4]);
        ::send(s_, frame.data(), static_cast<int>(frame.size()), 0);
    }
    // Reads what has arrived; false when the connection ended.
    bool Read() {
        char chunk[65536];
        for (;;) {
            const int got = ::recv(s_, chunk, sizeof chunk, 0);
            if (got > 0) {
                buffer_.append(chunk, static_cast<size_t>(got));
                continue;
            }
            const bool ended = got == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK;
            Frames();
            return !ended;
        }
    }
    size_t Members() const { return count_; }
    size_t ListBytes() const { return listBytes_; }

private:
    void Frames() {
        if (!upgraded_) {
            const size_t end = buffer_.find("\r\n\r\n");
            if (end == std::string::npos) return;
            buffer_.erase(0, end + 4);
            upgraded_ = true;
        }
        for (;;) {
            if (buffer_.size() < 2) return;
            const auto b = reinterpret_cast<const uint8_t*>(buffer_.data());
            size_t length = b[1] & 0x7F, head = 2;
            if (length == 126) {
                if (buffer_.size() < 4) return;
                length = (size_t(b[2]) << 8) | b[3];
                head = 4;
            } else if (length == 127) {
                if (buffer_.size() < 10) return;
                length = 0;
                for (int i = 2; i < 10; ++i) length = (length << 8) | b[i];
                head = 10;
            }
            if (buffer_.size() < head + length) return;
            const std::string payload = buffer_.substr(head, length);
            const bool close = (b[0] & 0x0F) == 8;
            buffer_.erase(0, head + length);
            if (close && payload.size() >= 2)
                std::printf("the bridge closed the page: %d %s, after %zu members\n",
                            (uint8_t(payload[0]) << 8) | uint8_t(payload[1]), payload.substr(2).c_str(), count_);
            if (payload.find(R"("type":"list")") != std::string::npos) listBytes_ += payload.size();
            for (size_t at = payload.find("[\"w"); at != std::string::npos; at = payload.find("[\"w", at + 3)) {
                const size_t n = std::strtoul(payload.c_str() + at + 3, nullptr, 10);
                if (n > 0 && n < seen_.size() && !seen_[n]) {
                    seen_[n] = true;
                    ++count_;
                }
            }
        }
    }

    SOCKET s_ = INVALID_SOCKET;
    std::string buffer_;
    bool upgraded_ = false;
    std::vector<bool> seen_;
    size_t count_ = 0;
    size_t listBytes_ = 0;
};

size_t VisibleDialogCount(DWORD process) {
    return bench::VisibleDialogs(process, [](const std::wstring&) { return true; }).size();
}

void RunOnce(const std::string& program, size_t members) {
    const std::unique_ptr<devserver::DevServer> tray = bench::StartQuietDevServer();
    if (!tray) return;
    devserver::DevServerOptions options;
    options.trayPort = 0;
    options.listEnabled = true;
    options.listPort = 5200;
    options.logSink = [](const std::string&) {};
    devserver::DevServer lists(options);
    if (!lists.Start()) {
        std::printf("cannot listen on 5200\n");
        return;
    }
    for (size_t i = 1; i <= members; ++i) {
        devserver::MemberProfile p = lists.GetMember("w" + std::to_string(i));
        p.sex = 'F';
        lists.SetMember(p);
        devserver::ListedMember m;
        m.id = p.id;
        lists.MemberList().PutMember(m);
    }
    PROCESS_INFORMATION pi{};
    HWND window = nullptr;
    if (!bench::StartLoggedInNotewell(*tray, program, "bench", &pi, &window)) {
        bench::EndNotewell(window, pi);
        return;
    }
    BenchPage page(members);
    if (!page.Open(5290)) {
        std::printf("no bridge on 5290\n");
        bench::EndNotewell(window, pi);
        return;
    }
    page.SendText(R"({"op":"listSubscribe","viewer":{"id":"bench","password":"pw","sex":"man","server":"127.0.0.1"}})");
    const int64_t subscribed = lists.NowMs();
    const size_t dialogsBefore = VisibleDialogCount(pi.dwProcessId);
    int64_t noteSent = -1, noteShown = -1;
    devserver::MemberProfile alice;
    alice.id = alice.nickname = "alice";
    alice.sex = 'F';
    const DWORD began = ::GetTickCount();
    while (page.Members() < members && ::GetTickCount() - began < 300000) {
        if (!page.Read()) break;
        if (noteSent < 0 && page.Members() >= members / 4) {
            tray->Send("bench", devserver::CMD_NOTE, 4, devserver::BuildReceivedNote(alice, "목록이 오는 중"));
            noteSent = lists.NowMs();
        }
        if (noteSent >= 0 && noteShown < 0 && VisibleDialogCount(pi.dwProcessId) > dialogsBefore)
            noteShown = lists.NowMs();
        ::Sleep(1);
    }
    const int64_t allThere = lists.NowMs();
    int64_t lastRecord = -1;
    for (const devserver::RecordedPacket& p : lists.Sent())
        if (p.channel == devserver::Channel::List && p.command == devserver::LIST_MEMBERS && p.kind == 4)
            lastRecord = std::max(lastRecord, p.atMs);
    while (noteSent >= 0 && noteShown < 0 && lists.NowMs() - noteSent < 10000) {
        if (VisibleDialogCount(pi.dwProcessId) > dialogsBefore) noteShown = lists.NowMs();
        ::Sleep(5);
    }
    if (page.Members() < members) {
        std::printf("%7zu members: the page has only %zu after %lld ms (Notewell %s, %ld pages, longest turn %ld us)\n",
                    members, page.Members(), static_cast<long long>(allThere - subscribed),
                    ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT ? "runs" : "ended",
                    bench::AskTray(window, 6), bench::AskTray(window, 8));
    } else {
        std::printf("%7zu members: subscribe to every member at the page %6lld ms; last record sent to all at the "
                    "page %5lld ms; %5.1f bytes per member; Notewell's longest list turn %5.1f ms; a note sent "
                    "meanwhile shown after %lld ms\n",
                    members, static_cast<long long>(allThere - subscribed),
                    static_cast<long long>(allThere - lastRecord), double(page.ListBytes()) / double(members),
                    bench::AskTray(window, 8) / 1000.0,
                    static_cast<long long>(noteShown >= 0 ? noteShown - noteSent : -1));
    }
    bench::EndNotewell(window, pi);
    lists.Stop();
}

}  // namespace

int main(int argc, char** argv) {
    std::string program = NOTEWELL_EXE;
    std::vector<size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--notewell") == 0 && i + 1 < argc)
            program = argv[++i];
        else
            sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    }
    if (sizes.empty()) sizes = {20000, 100000};
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    bench::MakeNotewellWindowsUnmanaged();
    std::printf("the member list through Notewell's bridge to a page reading as fast as it can\n");
    for (size_t n : sizes) RunOnce(program, n);
    return 0;
}
