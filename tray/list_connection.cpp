#include "list_connection.h"

#include <ws2tcpip.h>

#include "list_frame_buffer.h"
#include "sync.h"

namespace {
constexpr int kReadChunk = 16 * 1024;
constexpr unsigned kThreadStack = 256 * 1024;
// What an event costs besides its body, so that a flood of empty packets is bounded too.
constexpr size_t kEventCost = 64;
size_t CostOf(const CListConnection::Event& e) { return e.body.size() + kEventCost; }
}  // namespace

CListConnection::~CListConnection() { Close(); }

bool CListConnection::Open(HWND window, UINT message, const std::string& address, uint16_t port) {
    Close();
    window_ = window;
    message_ = message;
    address_ = address;
    port_ = port;
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    room_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread_ = AfxBeginThread(&CListConnection::ThreadMain, this, kThreadStack);
    if (!thread_) {
        Close();
        return false;
    }
    return true;
}

void CListConnection::Close() {
    if (thread_) {
        ::SetEvent(stop_);
        thread_->Join(INFINITE);
        delete thread_;
        thread_ = nullptr;
    }
    if (socket_ != INVALID_SOCKET) {
        ::shutdown(socket_, SD_SEND);
        ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    if (network_ != WSA_INVALID_EVENT) {
        ::WSACloseEvent(network_);
        network_ = WSA_INVALID_EVENT;
    }
    for (HANDLE* h : {&stop_, &room_}) {
        if (*h) ::CloseHandle(*h);
        *h = nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
    held_ = 0;
    posted_ = false;
    open_ = false;
}

bool CListConnection::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool CListConnection::Send(const uint8_t* bytes, size_t size) {
    if (!IsOpen() || socket_ == INVALID_SOCKET) return false;
    const DWORD start = ::GetTickCount();
    const char* p = reinterpret_cast<const char*>(bytes);
    while (size > 0) {
        const int sent = ::send(socket_, p, static_cast<int>(size), 0);
        if (sent > 0) {
            p += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK || ::GetTickCount() - start > kSendTimeoutMs) return false;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(socket_, &writable);
        timeval slice{0, 50 * 1000};
        ::select(0, nullptr, &writable, nullptr, &slice);
    }
    return true;
}

bool CListConnection::Take(Event& event) {
    bool room = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (events_.empty()) {
            posted_ = false;
            return false;
        }
        event = std::move(events_.front());
        events_.pop_front();
        const size_t before = held_;
        held_ -= CostOf(event);
        room = before >= kMaxHeld && held_ < kMaxHeld;
    }
    if (room && room_) ::SetEvent(room_);
    return true;
}

size_t CListConnection::HeldBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

void CListConnection::Push(Event event) {
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (event.kind == Event::Opened) open_ = true;
        if (event.kind != Event::Opened && event.kind != Event::Packet) open_ = false;
        held_ += CostOf(event);
        events_.push_back(std::move(event));
        if (!posted_) post = posted_ = true;
    }
    if (post) ::PostMessageW(window_, message_, 0, 0);
}

bool CListConnection::WaitForRoom() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (held_ < kMaxHeld) return true;
        }
        HANDLE waitOn[2] = {stop_, room_};
        if (::WaitForMultipleObjects(2, waitOn, FALSE, 100) == WAIT_OBJECT_0) return false;
    }
}

UINT CListConnection::ThreadMain(LPVOID self) {
    static_cast<CListConnection*>(self)->Run();
    return 0;
}

void CListConnection::Run() {
    if (!Connect()) {
        if (::WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) Push(Event{Event::ConnectFailed, {}, {}});
        return;
    }
    Push(Event{Event::Opened, {}, {}});
    ReadUntilEnd();
}

bool CListConnection::Connect() {
    in_addr host{};
    if (::inet_pton(AF_INET, address_.c_str(), &host) != 1) return false;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return false;
    network_ = ::WSACreateEvent();
    if (::WSAEventSelect(socket_, network_, FD_CONNECT | FD_READ | FD_CLOSE) == SOCKET_ERROR) return false;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = ::htons(port_);
    at.sin_addr = host;
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0) return true;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
    HANDLE waitOn[2] = {stop_, network_};
    const DWORD started = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - started;
        if (elapsed >= kConnectTimeoutMs) return false;
        const DWORD waited = ::WaitForMultipleObjects(2, waitOn, FALSE, kConnectTimeoutMs - elapsed);
        if (waited != WAIT_OBJECT_0 + 1) return false;  // stopped, or out of time
        WSANETWORKEVENTS net{};
        if (::WSAEnumNetworkEvents(socket_, network_, &net) == SOCKET_ERROR) return false;
        if (net.lNetworkEvents & FD_CONNECT) {
            if (net.iErrorCode[FD_CONNECT_BIT] != 0) return false;
            // A read that came with the connect is not lost: the loop looks first.
            ::WSASetEvent(network_);
            return true;
        }
    }
}

void CListConnection::ReadUntilEnd() {
    ListFrameBuffer frames;
    std::vector<char> chunk(kReadChunk);
    HANDLE waitOn[2] = {stop_, network_};
    for (;;) {
        if (!WaitForRoom()) return;
        bool ended = false;
        for (;;) {
            const int got = ::recv(socket_, chunk.data(), kReadChunk, 0);
            if (got > 0) {
                frames.Append(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<size_t>(got));
                Event packet{Event::Packet, {}, {}};
                size_t length = 0;
                while (frames.Next(&packet.header, &packet.body, &length)) {
                    packet.body.resize(length);
                    Push(std::move(packet));
                    packet = Event{Event::Packet, {}, {}};
                }
                if (frames.Broken()) {
                    Push(Event{Event::Broken, {}, {}});
                    return;
                }
                if (!WaitForRoom()) return;
                continue;
            }
            // Closed by the server, or failed: never spun on.
            if (got == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) ended = true;
            break;
        }
        if (ended) {
            Push(Event{frames.Pending() > 0 ? Event::EndedInPacket : Event::Ended, {}, {}});
            return;
        }
        const DWORD waited = ::WaitForMultipleObjects(2, waitOn, FALSE, INFINITE);
        if (waited != WAIT_OBJECT_0 + 1) return;
        WSANETWORKEVENTS net{};
        ::WSAEnumNetworkEvents(socket_, network_, &net);
        // FD_CLOSE: what the server sent before it is still read, then recv says 0.
    }
}
