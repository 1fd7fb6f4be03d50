#include "listener.h"

#include <chrono>

namespace devserver {
namespace {

constexpr int kNormalBacklog = 16;
constexpr int kMaxPlaceholders = 8;
// A placeholder that is not connected after this long is being dropped: the queue is full.
constexpr int kPlaceholderWaitMs = 300;

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Listener::~Listener() { Stop(); }

bool Listener::Open(const std::string& address, uint16_t port, int holdMs, LogFn log, std::string* error) {
    log_ = std::move(log);
    stop_ = false;
    holding_ = false;
    placeholderPorts_.clear();
    socket_ = devnet::OpenListener(address, port, holdMs > 0 ? 0 : kNormalBacklog, error);
    if (socket_ == devnet::kNoSocket) return false;
    port_ = devnet::LocalPort(socket_);
    if (holdMs <= 0) return true;

    releaseAtMs_ = SteadyMs() + holdMs;
    placeholderHost_ = address == "0.0.0.0" ? "127.0.0.1" : address;
    if (!FillQueue(placeholderHost_, error)) {
        Stop();
        return false;
    }
    holding_ = true;
    log_("port " + std::to_string(port_) + ": holding back connections for " + std::to_string(holdMs) + " ms (" +
         std::to_string(placeholders_.size()) + " placeholder connections fill the accept queue)");
    return true;
}

bool Listener::FillQueue(const std::string& address, std::string* error) {
    for (int i = 0; i < kMaxPlaceholders; ++i) {
        const devnet::SocketHandle s = devnet::StartConnect(address, port_);
        if (s == devnet::kNoSocket) {
            if (error) *error = "placeholder connect failed: " + devnet::LastErrorText();
            return false;
        }
        const devnet::Wait w = devnet::FinishConnect(s, kPlaceholderWaitMs);
        if (w == devnet::Wait::Timeout) {
            // Its SYN is being dropped, so the queue is full. This one is not
            // needed: closing it stops its retries.
            devnet::CloseSocket(s);
            return true;
        }
        if (w == devnet::Wait::Failed) {
            devnet::CloseSocket(s);
            if (error) *error = "placeholder connect refused: " + devnet::LastErrorText();
            return false;
        }
        placeholderPorts_.insert(devnet::LocalPort(s));
        placeholders_.push_back(s);
    }
    if (error) *error = "the accept queue did not fill with " + std::to_string(kMaxPlaceholders) +
                        " placeholder connections; this system cannot hold connections back";
    return false;
}

void Listener::Start(AcceptFn onAccept) {
    onAccept_ = std::move(onAccept);
    thread_ = std::thread([this] { AcceptLoop(); });
}

void Listener::Release() {
    // Raise the backlog first so that the next SYN is queued, then clear out
    // the placeholders as the accept loop meets them.
    if (!devnet::Relisten(socket_, kNormalBacklog))
        log_("port " + std::to_string(port_) + ": raising the backlog failed: " + devnet::LastErrorText());
    for (devnet::SocketHandle s : placeholders_) devnet::CloseSocket(s);
    placeholders_.clear();
    holding_ = false;
    log_("port " + std::to_string(port_) + ": ready, connections are accepted");
}

void Listener::AcceptLoop() {
    while (!stop_) {
        if (holding_) {
            if (SteadyMs() < releaseAtMs_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            Release();
        }
        if (devnet::WaitReadable(socket_, 100) != devnet::Wait::Ready) continue;
        for (;;) {
            std::string peer;
            uint16_t peerPort = 0;
            const devnet::SocketHandle s = devnet::Accept(socket_, &peer, &peerPort);
            if (s == devnet::kNoSocket) break;
            if (peer == placeholderHost_ && placeholderPorts_.erase(peerPort) > 0) {
                devnet::CloseSocket(s);
                continue;
            }
            onAccept_(s, peer + ":" + std::to_string(peerPort));
        }
    }
}

void Listener::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (devnet::SocketHandle s : placeholders_) devnet::CloseSocket(s);
    placeholders_.clear();
    devnet::CloseSocket(socket_);
    socket_ = devnet::kNoSocket;
}

}  // namespace devserver
