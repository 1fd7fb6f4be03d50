// CBridgeServer: the local WebSocket bridge through which the service's pages
// drive Notewell in browsers without ActiveX. One thread owns the listening
// socket (127.0.0.1 only, the first free port of 5290 to 5293) and the
// connections; it runs each connection's protocol and only posts the decoded
// requests to the main window, which decides what they mean. The main window
// answers through Reply and tells every page its state through SetState.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "bridge_requests.h"

class ServiceSites;
class CWinThread;

// Posted to the main window as lParam of its message; the window owns it.
struct BridgeRequestMessage {
    uint32_t connection = 0;
    BridgeRequest request;
};

class CBridgeServer {
public:
    static constexpr uint16_t kFirstPort = 5290;
    static constexpr uint16_t kLastPort = 5293;

    CBridgeServer() = default;
    ~CBridgeServer();
    CBridgeServer(const CBridgeServer&) = delete;
    CBridgeServer& operator=(const CBridgeServer&) = delete;

    // Listens and starts the thread; requests are posted as `message` to
    // `window`, and the pages' flow as `flowMessage` (wParam the connection,
    // lParam kDrained or kGone). False when no port of the range could be had.
    bool Start(HWND window, UINT message, const ServiceSites& sites, BridgeState initial, UINT flowMessage = 0);
    // Tells each open page Notewell is going (1001), gives the sockets a
    // moment to take it, and closes everything. Safe to call twice.
    void Stop();
    uint16_t Port() const { return port; }

    // From the main window's thread.
    void Reply(uint32_t connection, std::optional<int32_t> id, bool ok, const std::string& error = std::string());
    void SetState(BridgeState state, const std::string& reason = std::string());
    // One message for one page (the member list's).
    void Send(uint32_t connection, std::string json);
    // Ends one page's connection with a close frame.
    void Drop(uint32_t connection, uint16_t code, std::string reason);
    // What was handed for the page and is not written to its socket yet; a
    // page that is gone (or never was) holds kGoneQueue.
    size_t Queued(uint32_t connection) const;
    // kDrained is posted once the page's queue is below kLowQueue.
    void NotifyWhenDrained(uint32_t connection);

    static constexpr LPARAM kDrained = 0;
    static constexpr LPARAM kGone = 1;
    static constexpr size_t kLowQueue = 64 * 1024;
    static constexpr size_t kGoneQueue = static_cast<size_t>(-1);

private:
    struct Command {
        bool isState = false;
        bool isText = false;  // `text` is a whole message for the connection
        uint16_t closeCode = 0;  // not 0: close the connection, `text` the reason
        uint32_t connection = 0;
        std::optional<int32_t> id;
        bool ok = false;
        BridgeState state = BridgeState::Started;
        std::string text;  // the error or the reason
    };
    static UINT ThreadMain(LPVOID self);
    void Run();
    void Push(Command command);

    HWND window = nullptr;
    UINT message = 0;
    const ServiceSites* sites = nullptr;
    SOCKET listener = INVALID_SOCKET;
    uint16_t port = 0;
    HANDLE wake = nullptr;
    CWinThread* thread = nullptr;

    UINT flowMessage = 0;
    // Per open page, for the member list's pace.
    struct Flow {
        size_t handed = 0;   // in commands not yet taken by the thread
        size_t pending = 0;  // taken, not written to the socket yet
        bool notify = false;
    };

    mutable std::mutex mutex;  // guards the fields below
    std::map<uint32_t, Flow> flows;
    std::deque<Command> commands;
    bool stopping = false;
    BridgeState state = BridgeState::Started;
    std::string stateReason;
};
