// The only place that knows whether sockets are POSIX or Winsock. Everything
// else in the development server talks TCP through these few calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace devnet {

#ifdef _WIN32
using SocketHandle = uintptr_t;  // SOCKET
#else
using SocketHandle = int;
#endif
extern const SocketHandle kNoSocket;

// Winsock needs a start-up per process; counted so that every server instance
// may call it. POSIX: nothing to do (SIGPIPE is avoided per send).
bool StartNetworking();
void StopNetworking();

enum class Wait { Ready, Timeout, Failed };
enum class Io { Done, WouldBlock, Closed, Failed };

// A listening IPv4 TCP socket bound to address:port (port 0 = any free port),
// non-blocking. The backlog is passed to listen() as it is.
SocketHandle OpenListener(const std::string& address, uint16_t port, int backlog, std::string* error);
// Calls listen() again with a new backlog (the kernel raises the queue length).
bool Relisten(SocketHandle listener, int backlog);
// Accepts one pending connection; kNoSocket when none is waiting. The new
// socket is non-blocking.
SocketHandle Accept(SocketHandle listener, std::string* peerAddress, uint16_t* peerPort);

// Starts a non-blocking connect; the socket stays non-blocking.
SocketHandle StartConnect(const std::string& address, uint16_t port);
// Waits for a started connect to complete: Ready = connected.
Wait FinishConnect(SocketHandle s, int timeoutMs);

Wait WaitReadable(SocketHandle s, int timeoutMs);
Wait WaitWritable(SocketHandle s, int timeoutMs);

// One recv()/send() on a non-blocking socket; *count gets the bytes moved.
Io Receive(SocketHandle s, void* buffer, size_t size, size_t* count);
Io SendSome(SocketHandle s, const void* data, size_t size, size_t* count);

uint16_t LocalPort(SocketHandle s);
void SetNoDelay(SocketHandle s);
void ShutdownBoth(SocketHandle s);
void CloseSocket(SocketHandle s);
// Makes the coming close an abortive one: the peer gets a reset, not an end.
void SetAbortiveClose(SocketHandle s);

// Text of the last socket error of this thread, for log lines.
std::string LastErrorText();

}  // namespace devnet
