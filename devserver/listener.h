// The listening socket of one port and its accept thread.
//
// Delayed readiness: a client whose first connect attempt must time out (not
// be refused) needs its SYNs dropped. The listener is opened with a backlog of
// 0 and its accept queue is filled with connections of its own that are not
// accepted; the kernel then drops further SYNs and the client's connect hangs.
// At release the backlog is raised and the placeholder connections are
// accepted and thrown away, so the client's next SYN gets through.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "socket_shim.h"

namespace devserver {

class Listener {
public:
    using AcceptFn = std::function<void(devnet::SocketHandle, const std::string& peer)>;
    using LogFn = std::function<void(const std::string&)>;

    ~Listener();

    // Binds and listens; with holdMs > 0 connections are held back (see above)
    // until holdMs after this call.
    bool Open(const std::string& address, uint16_t port, int holdMs, LogFn log, std::string* error);
    void Start(AcceptFn onAccept);
    void Stop();

    uint16_t Port() const { return port_; }
    // True while connections are being held back.
    bool Holding() const { return holding_; }

private:
    bool FillQueue(const std::string& address, std::string* error);
    void Release();
    void AcceptLoop();

    devnet::SocketHandle socket_ = devnet::kNoSocket;
    uint16_t port_ = 0;
    LogFn log_;
    AcceptFn onAccept_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> holding_{false};
    int64_t releaseAtMs_ = 0;  // on the listener's steady clock
    std::vector<devnet::SocketHandle> placeholders_;  // our own client ends
    std::set<uint16_t> placeholderPorts_;              // to recognise them when accepted
    std::string placeholderHost_;
};

}  // namespace devserver
