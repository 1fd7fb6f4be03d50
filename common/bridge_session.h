// One bridge connection's protocol, without its socket: the upgrade
// handshake, then WebSocket frames carrying JSON requests. The owner of the
// socket (Notewell's Windows side) reads bytes and hands them to Feed, posts
// the decoded requests to the main window, writes PendingOutput as the socket
// takes it (reporting each write with Written), and closes the socket once
// ShouldCloseSocket says so. Replies and state changes go out through
// SendReply and SendState.
//
// Everything the page sends is bounded: the handshake's head (8 KB), each
// frame (64 KB), the requests over time (a burst of 20, then 10 a second; a
// flood closes with 1008), and what waits to be written (a page that stops
// reading is dropped rather than buffered for).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge_handshake.h"
#include "bridge_requests.h"
#include "request_budget.h"
#include "websocket_frames.h"

class ServiceSites;

constexpr uint32_t kBridgeRequestBurst = 20;
constexpr uint32_t kBridgeRequestsPerSecond = 10;
constexpr size_t kMaxBridgeOutput = 256 * 1024;
constexpr uint64_t kBridgeHandshakeTimeLimitMs = 10000;
constexpr size_t kMaxBridgeConnections = 4;

// SHA-1 of a text: Windows' own cryptography on the Windows side.
using Sha1Fn = std::function<std::array<uint8_t, 20>(std::string_view text)>;
// Milliseconds of a monotonic clock.
using ClockFn = std::function<uint64_t()>;

struct BridgeSessionConfig {
    const ServiceSites* sites = nullptr;  // required; outlives the session
    uint16_t listenPort = 0;              // the port this connection was accepted on
    Sha1Fn sha1;                          // required
    RecordTextFn toRecordText;            // UTF-8 to the records' code page 949 (Gatekin's conversion)
    ClockFn nowMs;                        // the steady clock when left empty
};

struct BridgeStep {
    std::vector<BridgeRequest> requests;  // for the main window, in order
    bool close = false;                   // write what is pending, then close the socket
};

class BridgeSession {
public:
    explicit BridgeSession(BridgeSessionConfig config);

    BridgeStep Feed(std::string_view bytes);

    // Notewell's messages; dropped (false) unless the connection is open.
    bool SendReply(std::optional<int32_t> id, bool ok, std::string_view error = {});
    bool SendState(BridgeState state, std::string_view reason = {});
    // Any other message of Notewell's (the member list's), a JSON text.
    bool SendText(std::string_view json);
    // Ends an open connection with a close frame (e.g. 1001 when Notewell quits).
    void Close(uint16_t code, std::string_view reason = {});

    std::string_view PendingOutput() const { return output_; }
    void Written(size_t bytes);

    bool IsOpen() const { return stage_ == Stage::Open; }
    bool ShouldCloseSocket() const { return stage_ == Stage::Closed && output_.empty(); }
    // A handshake still unfinished after kBridgeHandshakeTimeLimitMs: close the socket.
    bool HandshakeOverdue() const;
    // The page's origin once the handshake is accepted.
    const std::string& Origin() const { return origin_; }

private:
    enum class Stage { Handshake, Open, Closed };

    void ReadFrames(std::string_view bytes, BridgeStep& step);
    void HandleText(const std::string& text, BridgeStep& step);
    bool Queue(std::string_view bytes);
    void End(uint16_t code, std::string_view reason);

    BridgeSessionConfig config_;
    Stage stage_ = Stage::Handshake;
    uint64_t startedMs_;
    HandshakeReader handshake_;
    FrameReader frames_;
    RequestBudget budget_;
    std::string output_;
    std::string origin_;
};

// How many bridge connections may be open at once; the one beyond is
// answered BusyResponse() and closed before anything of it is read.
// One thread (the socket owner's) uses it.
class BridgeConnectionLimit {
public:
    explicit BridgeConnectionLimit(size_t maxConnections = kMaxBridgeConnections) : max_(maxConnections) {}
    bool TryAdmit();
    void Release();
    size_t Active() const { return active_; }

private:
    size_t max_;
    size_t active_ = 0;
};

// 503 with Connection: close.
std::string BusyResponse();
