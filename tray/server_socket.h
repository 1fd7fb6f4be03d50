// The tray client's one connection to the service's server: a connect thread
// makes it, a reader thread cuts the byte stream into packets and posts each
// to the main window, and the UI thread sends whole packets.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "packet.h"
#include "sync.h"

class CServerSocket {
public:
    CServerSocket();
    virtual ~CServerSocket();
    CServerSocket(const CServerSocket&) = delete;
    CServerSocket& operator=(const CServerSocket&) = delete;

    // Window that receives WM_SOCKET_EVENT; set before connecting.
    void SetNotifyWindow(HWND window) { notifyWindow = window; }

    bool ConnectToServer(const char* address, int port, int attempts, DWORD timeoutMs,
                         bool startReader);
    bool SendPacket(const void* bytes, int count);
    // Closes the network event and the socket. Called from the UI thread while
    // the reader runs, it first stops the reader and waits for it.
    void CloseConnection();
    // Stops any connect attempt and the reader thread; used at exit.
    void Shutdown();

    bool IsConnected() const { return connected != 0; }

    // Bounds of a single packet read and of waiting to send.
    static constexpr DWORD kReceiveTimeoutMs = 10000;
    static constexpr DWORD kSendTimeoutMs = 10000;
    // Packets posted and not yet handled. At this many the reader stops
    // reading until some are handled: the server's writes then wait in the
    // TCP buffers.
    static constexpr size_t kMaxUnhandledPackets = 128;
    // Stopped that long, the reader asks the main window to reclaim copies
    // whose messages were lost.
    static constexpr DWORD kProbeAfterMs = 1000;

private:
    static UINT ReaderThread(LPVOID self);
    void ReaderLoop();
    bool ReadOnePacket();
    // Waits while too many packets are unhandled; false when told to stop.
    bool WaitForRoom();
    bool ReceiveExact(uint8_t* buffer, int count);
    void Post(UINT event, uint8_t* copy);
    void CloseHandles();

    PacketHeader* header;                        // view of the first 6 bytes of receiveBuffer
    uint8_t receiveBuffer[kReceiveBufferSize];  // header and body of the packet being read
    volatile LONG connected = 0;
    SOCKET socketHandle = INVALID_SOCKET;
    WSAEVENT networkEvent = WSA_INVALID_EVENT;
    // Manual-reset; set only to stop the connect attempts and the reader at exit.
    WSAEVENT stopEvent = WSA_INVALID_EVENT;
    CCriticalSection sendLock;
    CCriticalSection handleLock;  // the socket and event handles change on two threads
    CWinThread* readerThread = nullptr;
    volatile LONG stopping = 0;
    bool peerClosed = false;  // FD_CLOSE seen while a packet was being read
    HWND notifyWindow = nullptr;
};

// Packet copies posted with WM_SOCKET_EVENT. Only copies made here are read or
// freed, so a WM_SOCKET_EVENT that another process posts with a made-up lParam
// is harmless.
uint8_t* NewSocketEventCopy(const uint8_t* bytes, size_t size);
// The copy's bytes, or null when lParam is not a copy of ours.
const uint8_t* SocketEventCopy(LPARAM copy);
void FreeSocketEventCopy(LPARAM copy);
// Copies posted and not yet freed, over the process.
size_t UnhandledSocketEventCopies();
// The main window has the copy's message (it may hold it behind a box).
void MarkSocketEventCopyReceived(LPARAM copy);
// A probe posted behind the copies: when the main window receives it, every
// copy posted before it has either arrived or been lost.
uint32_t NewSocketEventProbe();
// Frees the copies posted before the probe that never arrived; only the
// probe last made is accepted. The count freed.
size_t ReclaimLostSocketEventCopies(uint32_t probe);
