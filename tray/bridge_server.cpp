#include "bridge_server.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "bridge_session.h"
#include "sha1_digest.h"
#include "sync.h"
#include "text_conversion.h"

namespace {

constexpr DWORD kIdleWaitMs = 250;   // how often handshakes are checked for their time limit
constexpr DWORD kStopFlushMs = 300;  // what a page gets to take Notewell's goodbye
constexpr int kReadChunk = 16 * 1024;
// The thread reads into a chunk and parses small JSON texts (bounded in
// depth): a small stack is plenty, and a program's default one is megabytes.
constexpr unsigned kThreadStack = 256 * 1024;

uint64_t NowMs() { return ::GetTickCount64(); }

std::array<uint8_t, 20> Sha1ForHandshake(std::string_view text) {
    // Without the system's digest the accept value is wrong and the browser
    // refuses the connection, which is what should happen.
    return Sha1Of(text).value_or(Sha1Digest{});
}

// The listener on the loopback address only. Exclusive, so that no other
// program can bind the same port beside it and take the pages' connections.
SOCKET ListenOn(uint16_t port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    BOOL exclusive = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = ::htons(port);
    at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(s, SOMAXCONN) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

struct Connection {
    SOCKET socket = INVALID_SOCKET;
    WSAEVENT event = WSA_INVALID_EVENT;
    uint32_t id = 0;
    std::unique_ptr<BridgeSession> session;
    bool peerClosed = false;
    bool broken = false;
};

// Writes what the session has for the socket, as far as the socket takes it.
void Flush(Connection& c) {
    while (!c.broken && !c.session->PendingOutput().empty()) {
        const std::string_view out = c.session->PendingOutput();
        const int sent = ::send(c.socket, out.data(), static_cast<int>(std::min<size_t>(out.size(), 1 << 20)), 0);
        if (sent > 0) {
            c.session->Written(static_cast<size_t>(sent));
            continue;
        }
        if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) return;
        c.broken = true;
    }
}

}  // namespace

CBridgeServer::~CBridgeServer() { Stop(); }

bool CBridgeServer::Start(HWND notifyWindow, UINT notifyMessage, const ServiceSites& allowed, BridgeState initial,
                          UINT pageFlowMessage) {
    if (listener != INVALID_SOCKET) return true;
    for (uint16_t p = kFirstPort; p <= kLastPort && listener == INVALID_SOCKET; ++p) {
        listener = ListenOn(p);
        if (listener != INVALID_SOCKET) port = p;
    }
    if (listener == INVALID_SOCKET) return false;
    window = notifyWindow;
    message = notifyMessage;
    flowMessage = pageFlowMessage;
    sites = &allowed;
    {
        std::lock_guard<std::mutex> lock(mutex);
        state = initial;
        stopping = false;
    }
    wake = ::WSACreateEvent();
    thread = AfxBeginThread(&CBridgeServer::ThreadMain, this, kThreadStack);
    if (!thread) {
        ::closesocket(listener);
        listener = INVALID_SOCKET;
        ::WSACloseEvent(wake);
        wake = nullptr;
        return false;
    }
    return true;
}

void CBridgeServer::Stop() {
    if (!thread) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    ::WSASetEvent(wake);
    thread->Join(INFINITE);
    delete thread;
    thread = nullptr;
    ::closesocket(listener);
    listener = INVALID_SOCKET;
    ::WSACloseEvent(wake);
    wake = nullptr;
}

void CBridgeServer::Push(Command command) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping) return;
        if (command.isState) {
            state = command.state;
            stateReason = command.text;
        }
        if (command.isText) {
            const auto flow = flows.find(command.connection);
            if (flow == flows.end()) return;  // the page is gone
            flow->second.handed += command.text.size();
        }
        commands.push_back(std::move(command));
    }
    if (wake) ::WSASetEvent(wake);
}

void CBridgeServer::Reply(uint32_t connection, std::optional<int32_t> id, bool ok, const std::string& error) {
    Command c;
    c.connection = connection;
    c.id = id;
    c.ok = ok;
    c.text = error;
    Push(std::move(c));
}

void CBridgeServer::SetState(BridgeState newState, const std::string& reason) {
    Command c;
    c.isState = true;
    c.state = newState;
    c.text = reason;
    Push(std::move(c));
}

void CBridgeServer::Send(uint32_t connection, std::string json) {
    Command c;
    c.isText = true;
    c.connection = connection;
    c.text = std::move(json);
    Push(std::move(c));
}

void CBridgeServer::Drop(uint32_t connection, uint16_t code, std::string reason) {
    Command c;
    c.connection = connection;
    c.closeCode = code;
    c.text = std::move(reason);
    Push(std::move(c));
}

size_t CBridgeServer::Queued(uint32_t connection) const {
    std::lock_guard<std::mutex> lock(mutex);
    const auto flow = flows.find(connection);
    return flow == flows.end() ? kGoneQueue : flow->second.handed + flow->second.pending;
}

void CBridgeServer::NotifyWhenDrained(uint32_t connection) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto flow = flows.find(connection);
        if (flow == flows.end()) return;
        flow->second.notify = true;
    }
    if (wake) ::WSASetEvent(wake);
}

UINT CBridgeServer::ThreadMain(LPVOID self) {
    static_cast<CBridgeServer*>(self)->Run();
    return 0;
}

void CBridgeServer::Run() {
    WSAEVENT accepting = ::WSACreateEvent();
    ::WSAEventSelect(listener, accepting, FD_ACCEPT);
    std::vector<Connection> connections;
    BridgeConnectionLimit limit;
    uint32_t nextId = 1;
    BridgeSessionConfig config;
    config.sites = sites;
    config.listenPort = port;
    config.sha1 = &Sha1ForHandshake;
    config.toRecordText = [](std::string_view text) { return KoreanBytesFromUtf8(text); };
    config.nowMs = &NowMs;

    auto postFlow = [&](uint32_t id, LPARAM what) {
        if (flowMessage) ::PostMessageW(window, flowMessage, id, what);
    };
    auto closeConnection = [&](Connection& c) {
        ::closesocket(c.socket);
        ::WSACloseEvent(c.event);
        c.socket = INVALID_SOCKET;
        limit.Release();
        bool hadFlow;
        {
            std::lock_guard<std::mutex> lock(mutex);
            hadFlow = flows.erase(c.id) > 0;
        }
        if (hadFlow) postFlow(c.id, kGone);
    };

    for (;;) {
        std::vector<WSAEVENT> events{wake, accepting};
        for (const Connection& c : connections) events.push_back(c.event);
        ::WSAWaitForMultipleEvents(static_cast<DWORD>(events.size()), events.data(), FALSE, kIdleWaitMs, FALSE);
        ::WSAResetEvent(wake);

        std::deque<Command> todo;
        bool stop;
        BridgeState current;
        std::string currentReason;
        {
            std::lock_guard<std::mutex> lock(mutex);
            todo.swap(commands);
            for (const Command& command : todo) {
                if (!command.isText) continue;
                const auto flow = flows.find(command.connection);
                if (flow == flows.end()) continue;
                flow->second.handed -= command.text.size();
                flow->second.pending += command.text.size();  // until the flush below tells
            }
            stop = stopping;
            current = state;
            currentReason = stateReason;
        }
        for (const Command& command : todo) {
            for (Connection& c : connections) {
                if (command.isState) {
                    c.session->SendState(command.state, command.text);  // dropped until the page is in
                } else if (c.id != command.connection) {
                } else if (command.isText) {
                    c.session->SendText(command.text);
                } else if (command.closeCode) {
                    c.session->Close(command.closeCode, command.text);
                } else {
                    c.session->SendReply(command.id, command.ok, command.text);
                }
            }
        }

        WSANETWORKEVENTS happened{};
        if (!stop && ::WSAEnumNetworkEvents(listener, accepting, &happened) == 0 && (happened.lNetworkEvents & FD_ACCEPT)) {
            for (;;) {
                SOCKET s = ::accept(listener, nullptr, nullptr);
                if (s == INVALID_SOCKET) break;
                if (!limit.TryAdmit()) {
                    const std::string busy = BusyResponse();
                    ::send(s, busy.data(), static_cast<int>(busy.size()), 0);
                    ::closesocket(s);
                    continue;
                }
                Connection c;
                c.socket = s;
                c.event = ::WSACreateEvent();
                c.id = nextId++;
                c.session = std::make_unique<BridgeSession>(config);
                ::WSAEventSelect(s, c.event, FD_READ | FD_WRITE | FD_CLOSE);  // also makes the socket non-blocking
                connections.push_back(std::move(c));
            }
        }

        for (Connection& c : connections) {
            WSANETWORKEVENTS net{};
            ::WSAEnumNetworkEvents(c.socket, c.event, &net);
            if (net.lNetworkEvents & FD_CLOSE) c.peerClosed = true;
            char buffer[kReadChunk];
            for (;;) {
                const int got = ::recv(c.socket, buffer, sizeof buffer, 0);
                if (got == 0) {
                    c.peerClosed = true;
                    break;
                }
                if (got < 0) {
                    if (::WSAGetLastError() != WSAEWOULDBLOCK) c.broken = true;
                    break;
                }
                const bool wasOpen = c.session->IsOpen();
                BridgeStep step = c.session->Feed(std::string_view(buffer, static_cast<size_t>(got)));
                if (!wasOpen && c.session->IsOpen()) {
                    c.session->SendState(current, currentReason);
                    std::lock_guard<std::mutex> lock(mutex);
                    flows[c.id];
                }
                for (BridgeRequest& request : step.requests) {
                    const std::optional<int32_t> requestId = request.id;
                    auto* posted = new BridgeRequestMessage{c.id, std::move(request)};
                    if (!::PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(posted))) {
                        delete posted;  // the main window is gone
                        c.session->SendReply(requestId, false, "ended");
                    }
                }
                if (step.close) break;
            }
            if (stop && c.session->IsOpen()) c.session->Close(1001, "Notewell ends");
            Flush(c);
            bool drained = false;
            {
                std::lock_guard<std::mutex> lock(mutex);
                const auto flow = flows.find(c.id);
                if (flow != flows.end()) {
                    flow->second.pending = c.session->PendingOutput().size();
                    if (flow->second.notify && flow->second.handed + flow->second.pending < kLowQueue) {
                        flow->second.notify = false;
                        drained = true;
                    }
                }
            }
            if (drained) postFlow(c.id, kDrained);
        }

        if (stop) {
            // The goodbyes out, as far as the pages take them in a moment.
            const ULONGLONG until = ::GetTickCount64() + kStopFlushMs;
            for (Connection& c : connections) {
                while (!c.broken && !c.session->PendingOutput().empty() && ::GetTickCount64() < until) {
                    Flush(c);
                    ::Sleep(5);
                }
                closeConnection(c);
            }
            break;
        }
        for (Connection& c : connections) {
            if (c.broken || c.session->ShouldCloseSocket() || c.session->HandshakeOverdue() ||
                (c.peerClosed && c.session->PendingOutput().empty()) || (c.peerClosed && !c.session->IsOpen()))
                closeConnection(c);
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                         [](const Connection& c) { return c.socket == INVALID_SOCKET; }),
                          connections.end());
    }
    ::WSACloseEvent(accepting);
}
