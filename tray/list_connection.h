// CListConnection: Notewell's connection to the member list server (port
// 5200), held while a page has the list over the bridge. A thread of its own
// connects and reads, cuts the stream into packets and queues them; the main
// window is woken by one posted message while the queue has any, takes them
// in order at its own pace, and sends the session's packets.
//
// The reader stops reading while kMaxHeld bytes wait to be taken, so a list
// of any length costs Notewell a bounded queue: the server's writes wait in
// the TCP buffers.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "packet.h"

class CWinThread;

class CListConnection {
public:
    struct Event {
        enum Kind {
            Opened,
            ConnectFailed,
            Packet,
            Broken,          // a header announcing an impossible body: nothing after it can be read
            EndedInPacket,   // the stream ended (or a read failed) inside a packet
            Ended,           // the server closed the stream between packets
        } kind = Ended;
        PacketHeader header{};
        std::vector<uint8_t> body;
    };

    CListConnection() = default;
    ~CListConnection();
    CListConnection(const CListConnection&) = delete;
    CListConnection& operator=(const CListConnection&) = delete;

    // Starts connecting; every event is taken with Take after `message` is
    // posted to `window`. False when the thread could not start.
    bool Open(HWND window, UINT message, const std::string& address, uint16_t port);
    // Stops the thread and closes the socket; what was queued is dropped. Safe twice.
    void Close();
    // Connected, and the stream has not ended.
    bool IsOpen() const;
    // Small packets, sent from the main window's thread within kSendTimeoutMs.
    bool Send(const uint8_t* bytes, size_t size);

    // The next event, in order; false when none waits (the next one posts again).
    bool Take(Event& event);
    size_t HeldBytes() const;

    static constexpr size_t kMaxHeld = 256 * 1024;
    static constexpr DWORD kConnectTimeoutMs = 10000;
    static constexpr DWORD kSendTimeoutMs = 5000;

private:
    static UINT ThreadMain(LPVOID self);
    void Run();
    bool Connect();
    void ReadUntilEnd();
    void Push(Event event);
    bool WaitForRoom();

    HWND window_ = nullptr;
    UINT message_ = 0;
    std::string address_;
    uint16_t port_ = 0;
    SOCKET socket_ = INVALID_SOCKET;
    WSAEVENT network_ = WSA_INVALID_EVENT;
    HANDLE stop_ = nullptr;  // manual reset: set once, to end the thread
    HANDLE room_ = nullptr;  // auto reset: the main window took some
    CWinThread* thread_ = nullptr;

    mutable std::mutex mutex_;  // guards the fields below
    std::deque<Event> events_;
    size_t held_ = 0;
    bool posted_ = false;
    bool open_ = false;
};
