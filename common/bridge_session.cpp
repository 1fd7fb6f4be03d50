#include "bridge_session.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "service_sites.h"

namespace {
uint64_t Now(const ClockFn& clock) { return clock(); }

BridgeSessionConfig WithClock(BridgeSessionConfig config) {
    if (!config.nowMs)
        config.nowMs = [] {
            return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
        };
    return config;
}
}  // namespace

BridgeSession::BridgeSession(BridgeSessionConfig config)
    : config_(WithClock(std::move(config))),
      startedMs_(Now(config_.nowMs)),
      handshake_(*config_.sites, config_.listenPort),
      budget_(kBridgeRequestBurst, kBridgeRequestsPerSecond, startedMs_) {}

BridgeStep BridgeSession::Feed(std::string_view bytes) {
    BridgeStep step;
    if (stage_ == Stage::Handshake) {
        const HandshakeOutcome& outcome = handshake_.Feed(bytes);
        if (outcome.status == HandshakeStatus::Refused) {
            Queue(RefusalResponse(outcome.httpStatus));
            stage_ = Stage::Closed;
        } else if (outcome.status == HandshakeStatus::Accepted) {
            Queue(SwitchingProtocolsResponse(AcceptValue(config_.sha1(AcceptKeyInput(outcome.key)))));
            origin_ = outcome.origin;
            stage_ = Stage::Open;
            ReadFrames(handshake_.Leftover(), step);
        }
    } else if (stage_ == Stage::Open) {
        ReadFrames(bytes, step);
    }
    step.close = stage_ == Stage::Closed;
    return step;
}

void BridgeSession::ReadFrames(std::string_view bytes, BridgeStep& step) {
    while (stage_ == Stage::Open && !bytes.empty()) {
        FrameStep read = frames_.Read(bytes);
        if (read.status == FrameStatus::NeedMore) return;
        if (read.status == FrameStatus::Failed) return End(read.failCode, {});
        ClientFrame& frame = read.frame;
        if (frame.kind == ClientFrameKind::Close) {
            Queue(ServerCloseFrame(frame.closeCode));  // the page's code back, or none for none
            stage_ = Stage::Closed;
            return;
        }
        if (!budget_.Spend(Now(config_.nowMs))) return End(kClosePolicyViolation, "too many requests");
        if (frame.kind == ClientFrameKind::Ping)
            Queue(ServerPongFrame(frame.payload));
        else if (frame.kind == ClientFrameKind::Text)
            HandleText(frame.payload, step);
    }
}

void BridgeSession::HandleText(const std::string& text, BridgeStep& step) {
    BridgeDecoded decoded = DecodeBridgeRequest(text, config_.toRecordText);
    if (decoded.request)
        step.requests.push_back(std::move(*decoded.request));
    else
        SendReply(decoded.id, false, decoded.error);
}

bool BridgeSession::SendReply(std::optional<int32_t> id, bool ok, std::string_view error) {
    return IsOpen() && Queue(ServerTextFrame(EncodeReply(id, ok, error)));
}

bool BridgeSession::SendState(BridgeState state, std::string_view reason) {
    return IsOpen() && Queue(ServerTextFrame(EncodeState(state, reason)));
}

bool BridgeSession::SendText(std::string_view json) { return IsOpen() && Queue(ServerTextFrame(json)); }

void BridgeSession::Close(uint16_t code, std::string_view reason) {
    if (stage_ == Stage::Handshake) stage_ = Stage::Closed;
    if (IsOpen()) End(code, reason);
}

void BridgeSession::End(uint16_t code, std::string_view reason) {
    Queue(ServerCloseFrame(code, reason));
    stage_ = Stage::Closed;
}

// A page that does not read what it is sent is dropped: nothing more is
// queued for it, and the socket closes at once.
bool BridgeSession::Queue(std::string_view bytes) {
    if (output_.size() + bytes.size() > kMaxBridgeOutput) {
        output_.clear();
        stage_ = Stage::Closed;
        return false;
    }
    output_.append(bytes.data(), bytes.size());
    return true;
}

void BridgeSession::Written(size_t bytes) { output_.erase(0, std::min(bytes, output_.size())); }

bool BridgeSession::HandshakeOverdue() const {
    return stage_ == Stage::Handshake && Now(config_.nowMs) - startedMs_ >= kBridgeHandshakeTimeLimitMs;
}

bool BridgeConnectionLimit::TryAdmit() {
    if (active_ >= max_) return false;
    ++active_;
    return true;
}

void BridgeConnectionLimit::Release() {
    if (active_ > 0) --active_;
}

std::string BusyResponse() { return RefusalResponse(503); }
