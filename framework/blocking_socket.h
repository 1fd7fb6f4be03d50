// CSocket: a blocking stream socket for a user-interface thread. Its network
// events arrive as window messages (WSAAsyncSelect) at a hidden window of the
// thread, and its blocking calls keep the thread's windows running: while
// they wait they dispatch the thread's messages, so timers, painting and
// other sockets go on.
//
// While one of its blocking calls runs, the socket's own notifications are
// held back and delivered once the call is over, so OnReceive is never
// entered in the middle of a read of the same socket. A socket closed while
// a call of it runs fails that call; Dispose deletes the object only when no
// call of it is running any more.
//
// All calls are made on the thread that created the socket.
#pragma once
#include <winsock2.h>
#include <windows.h>

class CSocket {
public:
    CSocket() = default;
    virtual ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    // A stream socket with every network notification (read, write, out of
    // band, accept, connect, close).
    bool Create();
    // Connects to a dotted IPv4 address; waits until the connection is made
    // or refused. On failure the last error holds the reason.
    bool Connect(const char* address, unsigned short port);
    // Waits until at least one byte has arrived; 0 when the peer closed the
    // connection, SOCKET_ERROR on failure.
    int Receive(void* buffer, int length);
    // Takes what has arrived without waiting: the count read, 0 when the peer
    // closed the connection, SOCKET_ERROR on failure or (last error
    // WSAEWOULDBLOCK) when nothing is waiting.
    int ReceiveNow(void* buffer, int length);
    // Waits until every byte is sent; the count sent, or SOCKET_ERROR.
    int Send(const void* buffer, int length);
    bool ShutDown(int how = SD_SEND);
    void Close();

    SOCKET Handle() const { return m_socket; }
    // Bytes received and not read yet (0 for a closed socket).
    unsigned long BytesWaiting() const;
    bool IsBlocking() const { return m_blockingCalls > 0; }

    // Calls OnReceive again from the thread's message loop, whether or not
    // bytes are waiting: for a reader that stopped to let the thread breathe
    // and still holds bytes it read.
    void ResumeReceive();

    // Closes the socket and deletes it now, or once the call of it that is
    // running (up the stack) returns.
    static void Dispose(CSocket* socket);

protected:
    // A notification outside every blocking call of this socket.
    virtual void OnReceive(int /*errorCode*/) {}
    virtual void OnClose(int /*errorCode*/) {}

private:
    friend struct SocketWindow;
    class Busy;
    void Notify(long event, int error);
    // Dispatches the thread's messages until there is one more to look at
    // or a short time has passed; false when the thread is told to quit.
    bool PumpOnce();
    void DeliverHeldBack();

    SOCKET m_socket = INVALID_SOCKET;
    int m_blockingCalls = 0;
    int m_busy = 0;
    bool m_deletePending = false;
    bool m_readHeldBack = false;
    bool m_resumeHeldBack = false;
    bool m_closeHeldBack = false;
    bool m_connectDone = false;
    int m_connectError = 0;
};
