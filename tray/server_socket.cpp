#include "server_socket.h"

#include <mmsystem.h>

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "tray_messages.h"

namespace {
// Each copy is numbered in posting order and marked when the main window
// receives it, so that copies whose message never arrived can be told apart
// from those still on their way.
struct CopyEntry {
    uint32_t serial;
    bool received;
};
std::mutex g_copiesMutex;
std::unordered_map<uintptr_t, CopyEntry> g_copies;
uint32_t g_nextSerial = 1;
uint32_t g_openProbe = 0;
}  // namespace

uint8_t* NewSocketEventCopy(const uint8_t* bytes, size_t size) {
    auto* copy = new uint8_t[size];
    std::memcpy(copy, bytes, size);
    std::lock_guard<std::mutex> lock(g_copiesMutex);
    g_copies.emplace(reinterpret_cast<uintptr_t>(copy), CopyEntry{g_nextSerial++, false});
    return copy;
}

const uint8_t* SocketEventCopy(LPARAM copy) {
    std::lock_guard<std::mutex> lock(g_copiesMutex);
    return g_copies.count(static_cast<uintptr_t>(copy)) ? reinterpret_cast<const uint8_t*>(copy) : nullptr;
}

void MarkSocketEventCopyReceived(LPARAM copy) {
    std::lock_guard<std::mutex> lock(g_copiesMutex);
    const auto found = g_copies.find(static_cast<uintptr_t>(copy));
    if (found != g_copies.end()) found->second.received = true;
}

size_t UnhandledSocketEventCopies() {
    std::lock_guard<std::mutex> lock(g_copiesMutex);
    return g_copies.size();
}

void FreeSocketEventCopy(LPARAM copy) {
    {
        std::lock_guard<std::mutex> lock(g_copiesMutex);
        if (!g_copies.erase(static_cast<uintptr_t>(copy))) return;
    }
    delete[] reinterpret_cast<uint8_t*>(copy);
}

uint32_t NewSocketEventProbe() {
    std::lock_guard<std::mutex> lock(g_copiesMutex);
    g_openProbe = g_nextSerial++;
    return g_openProbe;
}

size_t ReclaimLostSocketEventCopies(uint32_t probe) {
    std::vector<uint8_t*> lost;
    {
        std::lock_guard<std::mutex> lock(g_copiesMutex);
        // Only the probe last posted counts: one made up elsewhere frees nothing.
        if (probe == 0 || probe != g_openProbe) return 0;
        g_openProbe = 0;
        for (auto it = g_copies.begin(); it != g_copies.end();) {
            // Posted before the probe (serials may wrap) and never received.
            if (!it->second.received && static_cast<int32_t>(probe - it->second.serial) > 0) {
                lost.push_back(reinterpret_cast<uint8_t*>(it->first));
                it = g_copies.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (uint8_t* copy : lost) delete[] copy;
    return lost.size();
}

CServerSocket::CServerSocket() : header(reinterpret_cast<PacketHeader*>(receiveBuffer)) {
    std::memset(receiveBuffer, 0, sizeof receiveBuffer);
    stopEvent = ::WSACreateEvent();  // manual-reset, not signalled
}

CServerSocket::~CServerSocket() {
    Shutdown();
    if (stopEvent != WSA_INVALID_EVENT) ::WSACloseEvent(stopEvent);
}

void CServerSocket::Shutdown() {
    ::InterlockedExchange(&stopping, 1);
    if (stopEvent != WSA_INVALID_EVENT) ::WSASetEvent(stopEvent);
    if (readerThread) {
        if (::GetCurrentThreadId() != readerThread->m_nThreadID) readerThread->Join(INFINITE);
        delete readerThread;
        readerThread = nullptr;
    }
    CloseHandles();
    ::InterlockedExchange(&connected, 0);
}

void CServerSocket::CloseHandles() {
    CSingleLock lock(handleLock);
    if (networkEvent != WSA_INVALID_EVENT) {
        ::WSACloseEvent(networkEvent);
        networkEvent = WSA_INVALID_EVENT;
    }
    if (socketHandle != INVALID_SOCKET) {
        ::closesocket(socketHandle);
        socketHandle = INVALID_SOCKET;
    }
}

void CServerSocket::CloseConnection() {
    const bool onReader = readerThread && ::GetCurrentThreadId() == readerThread->m_nThreadID;
    if (readerThread && !onReader) {
        Shutdown();  // the reader must not use handles we are about to close
        return;
    }
    CloseHandles();
}

bool CServerSocket::ConnectToServer(const char* address, int port, int attempts, DWORD timeoutMs,
                                    bool startReader) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(static_cast<u_short>(port));
    target.sin_addr.s_addr = ::inet_addr(address ? address : "");
    if (target.sin_addr.s_addr == INADDR_NONE) return false;  // no dotted address: nothing to try

    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (stopping) return false;
        CloseHandles();
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return false;
        // Auto-reset: each wake-up is consumed by the one wait that sees it.
        WSAEVENT ev = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        {
            CSingleLock lock(handleLock);
            socketHandle = s;
            networkEvent = ev ? ev : WSA_INVALID_EVENT;
        }
        if (ev == nullptr || ::WSAEventSelect(s, ev, FD_CONNECT) == SOCKET_ERROR) return false;
        if (::connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) == SOCKET_ERROR &&
            ::WSAGetLastError() != WSAEWOULDBLOCK)
            return false;

        WSAEVENT waitOn[2] = {stopEvent, ev};
        const DWORD waited = ::WSAWaitForMultipleEvents(2, waitOn, FALSE, timeoutMs, FALSE);
        if (waited == WSA_WAIT_EVENT_0) return false;  // stopped
        if (waited != WSA_WAIT_EVENT_0 + 1) continue;   // time-out: next attempt
        WSANETWORKEVENTS events{};
        if (::WSAEnumNetworkEvents(s, ev, &events) == SOCKET_ERROR) return false;
        if (!(events.lNetworkEvents & FD_CONNECT) || events.iErrorCode[FD_CONNECT_BIT] != 0) continue;

        if (::WSAEventSelect(s, ev, FD_READ | FD_CLOSE) == SOCKET_ERROR) {
            CloseHandles();
            return false;
        }
        peerClosed = false;
        ::InterlockedExchange(&connected, 1);
        if (startReader) {
            readerThread = AfxBeginThread(&CServerSocket::ReaderThread, this);
            if (!readerThread) {
                ::InterlockedExchange(&connected, 0);
                CloseHandles();
                return false;
            }
        }
        Post(EV_CONNECTED, nullptr);
        return true;
    }
    return false;
}

UINT CServerSocket::ReaderThread(LPVOID self) {
    static_cast<CServerSocket*>(self)->ReaderLoop();
    return 0;
}

void CServerSocket::ReaderLoop() {
    for (;;) {
        // A main window that does not keep up (or a system that lost its
        // messages) must not let packets pile up in memory.
        if (!WaitForRoom()) break;
        WSAEVENT waitOn[2] = {stopEvent, networkEvent};
        const DWORD waited = ::WSAWaitForMultipleEvents(2, waitOn, FALSE, 1000, FALSE);
        if (waited == WSA_WAIT_EVENT_0) break;
        if (waited != WSA_WAIT_EVENT_0 + 1) continue;
        WSANETWORKEVENTS events{};
        if (::WSAEnumNetworkEvents(socketHandle, networkEvent, &events) == SOCKET_ERROR) break;
        bool closed = (events.lNetworkEvents & FD_CLOSE) != 0;
        if ((events.lNetworkEvents & FD_READ) && events.iErrorCode[FD_READ_BIT] == 0) {
            bool ok = ReadOnePacket();
            // What is still buffered is read on: a new notification is not
            // raised for it everywhere (after a pause for room, say), and after
            // a close these are the packets the server sent before closing.
            u_long pending = 0;
            while (ok && WaitForRoom() && ::ioctlsocket(socketHandle, FIONREAD, &pending) == 0 && pending > 0)
                ok = ReadOnePacket();
            if (!ok) {
                if (!stopping) Post(EV_READ_FAILED, nullptr);
                break;
            }
            closed = closed || peerClosed;
        }
        if (closed) break;
    }
    ::InterlockedExchange(&connected, 0);
    CloseHandles();
    if (!stopping) Post(EV_LINK_LOST, nullptr);
}

bool CServerSocket::WaitForRoom() {
    DWORD probed = ::timeGetTime();
    while (UnhandledSocketEventCopies() >= kMaxUnhandledPackets) {
        if (::WaitForSingleObject(stopEvent, 50) == WAIT_OBJECT_0) return false;
        // A message the main window never got (a system can drop one) would
        // count against the room for the rest of the session: a probe behind
        // the posted copies lets it reclaim those that never arrived.
        if (::timeGetTime() - probed >= kProbeAfterMs) {
            probed = ::timeGetTime();
            if (notifyWindow)
                ::PostMessageA(notifyWindow, WM_SOCKET_EVENT, EV_COPY_PROBE,
                               static_cast<LPARAM>(NewSocketEventProbe()));
        }
    }
    return true;
}

bool CServerSocket::ReadOnePacket() {
    std::memset(receiveBuffer, 0, sizeof receiveBuffer);
    if (!ReceiveExact(receiveBuffer, static_cast<int>(kHeaderSize))) return false;
    *header = ParseHeader(receiveBuffer);
    // A body that cannot fit the buffer means the stream is out of step.
    if (!BodyLengthFits(header->bodyLength)) return false;
    if (!ReceiveExact(receiveBuffer + kHeaderSize, header->bodyLength)) return false;

    const SocketEventRoute route = RouteServerCommand(header->command);
    uint8_t* copy = nullptr;
    if (route.postsCopy) {
        copy = NewSocketEventCopy(receiveBuffer, kHeaderSize + header->bodyLength);
    }
    Post(route.event, copy);
    return !route.readFails;
}

bool CServerSocket::ReceiveExact(uint8_t* buffer, int count) {
    const DWORD start = ::timeGetTime();
    int received = 0;
    while (received < count) {
        const DWORD elapsed = ::timeGetTime() - start;
        if (elapsed > kReceiveTimeoutMs) return false;
        const int n = ::recv(socketHandle, reinterpret_cast<char*>(buffer + received), count - received, 0);
        if (n == 0) return false;  // peer closed
        if (n > 0) {
            received += n;
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
        // Nothing buffered: sleep until more data, a close or the stop event
        // instead of spinning, within what is left of the bound.
        WSAEVENT waitOn[2] = {stopEvent, networkEvent};
        const DWORD waited = ::WSAWaitForMultipleEvents(2, waitOn, FALSE, kReceiveTimeoutMs - elapsed + 1, FALSE);
        if (waited == WSA_WAIT_EVENT_0) return false;
        if (waited == WSA_WAIT_EVENT_0 + 1) {
            WSANETWORKEVENTS events{};
            if (::WSAEnumNetworkEvents(socketHandle, networkEvent, &events) == SOCKET_ERROR) return false;
            if (events.lNetworkEvents & FD_CLOSE) peerClosed = true;
        }
    }
    return true;
}

bool CServerSocket::SendPacket(const void* bytes, int count) {
    CSingleLock lock(sendLock);
    const char* p = static_cast<const char*>(bytes);
    const DWORD start = ::timeGetTime();
    while (count > 0) {
        SOCKET s = socketHandle;
        if (s == INVALID_SOCKET) return false;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval slice{0, 100 * 1000};
        const int ready = ::select(0, nullptr, &writable, nullptr, &slice);
        if (ready == SOCKET_ERROR) return false;  // WSAENOTSOCK: the socket is gone
        if (::timeGetTime() - start > kSendTimeoutMs) return false;
        if (ready == 0) continue;
        const int sent = ::send(s, p, count, 0);
        if (sent == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return false;
        }
        p += sent;
        count -= sent;
    }
    return true;
}

void CServerSocket::Post(UINT event, uint8_t* copy) {
    if (!notifyWindow ||
        !::PostMessageA(notifyWindow, WM_SOCKET_EVENT, event, reinterpret_cast<LPARAM>(copy)))
        FreeSocketEventCopy(reinterpret_cast<LPARAM>(copy));  // nobody will receive it
}
