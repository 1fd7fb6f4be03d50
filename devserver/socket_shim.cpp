#include "socket_shim.h"

#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace devnet {

#ifdef _WIN32
const SocketHandle kNoSocket = static_cast<SocketHandle>(INVALID_SOCKET);
namespace {
std::mutex gStartMutex;
int gStartCount = 0;

SOCKET Native(SocketHandle s) { return static_cast<SOCKET>(s); }
bool LastWouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
bool SetNonBlocking(SocketHandle s) {
    u_long on = 1;
    return ioctlsocket(Native(s), FIONBIO, &on) == 0;
}
Wait WaitFor(SocketHandle s, bool forWrite, int timeoutMs) {
    fd_set set, failed;
    FD_ZERO(&set);
    FD_ZERO(&failed);
    FD_SET(Native(s), &set);
    FD_SET(Native(s), &failed);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &tv);
    if (n < 0) return Wait::Failed;
    if (n == 0) return Wait::Timeout;
    // Winsock reports a failed connect in the exception set only.
    if (FD_ISSET(Native(s), &failed) && !FD_ISSET(Native(s), &set)) return Wait::Failed;
    return Wait::Ready;
}
}  // namespace

bool StartNetworking() {
    std::lock_guard<std::mutex> lock(gStartMutex);
    if (gStartCount == 0) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    }
    ++gStartCount;
    return true;
}

void StopNetworking() {
    std::lock_guard<std::mutex> lock(gStartMutex);
    if (gStartCount > 0 && --gStartCount == 0) WSACleanup();
}

std::string LastErrorText() { return "winsock error " + std::to_string(WSAGetLastError()); }

void CloseSocket(SocketHandle s) {
    if (s != kNoSocket) closesocket(Native(s));
}
void ShutdownBoth(SocketHandle s) { shutdown(Native(s), SD_BOTH); }
void SetAbortiveClose(SocketHandle s) {
    linger l{1, 0};
    setsockopt(Native(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
}
#else
const SocketHandle kNoSocket = -1;
namespace {
int Native(SocketHandle s) { return s; }
bool LastWouldBlock() { return errno == EWOULDBLOCK || errno == EAGAIN || errno == EINPROGRESS; }
bool SetNonBlocking(SocketHandle s) {
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
Wait WaitFor(SocketHandle s, bool forWrite, int timeoutMs) {
    pollfd p{s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    int n;
    do {
        n = poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Wait::Failed;
    if (n == 0) return Wait::Timeout;
    // A hang-up or error still counts as readable: recv() then tells what happened.
    if (forWrite && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT)) return Wait::Failed;
    return Wait::Ready;
}
}  // namespace

bool StartNetworking() { return true; }
void StopNetworking() {}

std::string LastErrorText() { return std::strerror(errno); }

void CloseSocket(SocketHandle s) {
    if (s != kNoSocket) close(s);
}
void ShutdownBoth(SocketHandle s) { shutdown(s, SHUT_RDWR); }
void SetAbortiveClose(SocketHandle s) {
    linger l{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}
#endif

namespace {
bool MakeAddress(const std::string& address, uint16_t port, sockaddr_in* out) {
    std::memset(out, 0, sizeof(*out));
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}
}  // namespace

SocketHandle OpenListener(const std::string& address, uint16_t port, int backlog, std::string* error) {
    sockaddr_in addr;
    if (!MakeAddress(address, port, &addr)) {
        if (error) *error = "not an IPv4 address: " + address;
        return kNoSocket;
    }
    const SocketHandle s = static_cast<SocketHandle>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s == kNoSocket) {
        if (error) *error = "socket: " + LastErrorText();
        return kNoSocket;
    }
#ifndef _WIN32
    // Lets the demo restart at once on the same port. (On Windows the same
    // option would allow two servers on one port, so it is left out there.)
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
#endif
    if (bind(Native(s), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(Native(s), backlog) != 0 || !SetNonBlocking(s)) {
        if (error) *error = "bind/listen " + address + ":" + std::to_string(port) + ": " + LastErrorText();
        CloseSocket(s);
        return kNoSocket;
    }
    return s;
}

bool Relisten(SocketHandle listener, int backlog) { return listen(Native(listener), backlog) == 0; }

SocketHandle Accept(SocketHandle listener, std::string* peerAddress, uint16_t* peerPort) {
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    const SocketHandle s =
        static_cast<SocketHandle>(accept(Native(listener), reinterpret_cast<sockaddr*>(&addr), &len));
    if (s == kNoSocket) return kNoSocket;
    SetNonBlocking(s);
    if (peerAddress) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &addr.sin_addr, text, sizeof(text));
        *peerAddress = text;
    }
    if (peerPort) *peerPort = ntohs(addr.sin_port);
    return s;
}

SocketHandle StartConnect(const std::string& address, uint16_t port) {
    sockaddr_in addr;
    if (!MakeAddress(address, port, &addr)) return kNoSocket;
    const SocketHandle s = static_cast<SocketHandle>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s == kNoSocket) return kNoSocket;
    if (!SetNonBlocking(s)) {
        CloseSocket(s);
        return kNoSocket;
    }
    if (connect(Native(s), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 && !LastWouldBlock()) {
        CloseSocket(s);
        return kNoSocket;
    }
    return s;
}

Wait FinishConnect(SocketHandle s, int timeoutMs) {
    const Wait w = WaitFor(s, true, timeoutMs);
    if (w != Wait::Ready) return w;
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(Native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0 || err != 0)
        return Wait::Failed;
    return Wait::Ready;
}

Wait WaitReadable(SocketHandle s, int timeoutMs) { return WaitFor(s, false, timeoutMs); }
Wait WaitWritable(SocketHandle s, int timeoutMs) { return WaitFor(s, true, timeoutMs); }

Io Receive(SocketHandle s, void* buffer, size_t size, size_t* count) {
    *count = 0;
    const int want = size > 65536 ? 65536 : static_cast<int>(size);
    const auto n = recv(Native(s), static_cast<char*>(buffer), want, 0);
    if (n > 0) {
        *count = static_cast<size_t>(n);
        return Io::Done;
    }
    if (n == 0) return Io::Closed;
    return LastWouldBlock() ? Io::WouldBlock : Io::Failed;
}

Io SendSome(SocketHandle s, const void* data, size_t size, size_t* count) {
    *count = 0;
    const int want = size > 65536 ? 65536 : static_cast<int>(size);
#ifdef _WIN32
    const int flags = 0;
#else
    const int flags = MSG_NOSIGNAL;
#endif
    const auto n = send(Native(s), static_cast<const char*>(data), want, flags);
    if (n >= 0) {
        *count = static_cast<size_t>(n);
        return Io::Done;
    }
    return LastWouldBlock() ? Io::WouldBlock : Io::Failed;
}

uint16_t LocalPort(SocketHandle s) {
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    if (getsockname(Native(s), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
    return ntohs(addr.sin_port);
}

void SetNoDelay(SocketHandle s) {
    const int on = 1;
    setsockopt(Native(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
}

}  // namespace devnet
