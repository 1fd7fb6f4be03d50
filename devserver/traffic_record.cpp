#include "traffic_record.h"

namespace devserver {

template <typename Pred>
bool TrafficRecord::WaitFor(int64_t timeoutMs, Pred pred) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs), pred);
}

size_t TrafficRecord::Dropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

void TrafficRecord::AddReceived(RecordedPacket p) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (received_.size() >= kMaxPackets) {
            ++dropped_;
            return;
        }
        p.index = received_.size();
        received_.push_back(std::move(p));
    }
    changed_.notify_all();
}

void TrafficRecord::AddSent(RecordedPacket p) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (sent_.size() >= kMaxPackets) {
            ++dropped_;
            return;
        }
        p.index = sent_.size();
        sent_.push_back(std::move(p));
    }
    changed_.notify_all();
}

void TrafficRecord::AddConnection(ConnectionRecord c) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.push_back(std::move(c));
    }
    changed_.notify_all();
}

void TrafficRecord::SetConnectionMember(int session, const std::string& member) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& c : connections_)
            if (c.session == session) c.member = member;
    }
    changed_.notify_all();
}

void TrafficRecord::SetConnectionClosed(int session, int64_t atMs, const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& c : connections_) {
            if (c.session == session && c.closeMs < 0) {
                c.closeMs = atMs;
                c.closeReason = reason;
            }
        }
    }
    changed_.notify_all();
}

std::vector<RecordedPacket> TrafficRecord::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<RecordedPacket> TrafficRecord::Sent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_;
}

std::vector<ConnectionRecord> TrafficRecord::Connections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
}

namespace {
std::optional<RecordedPacket> FindFrom(const std::vector<RecordedPacket>& list, const PacketFilter& filter,
                                       size_t from) {
    for (size_t i = from; i < list.size(); ++i)
        if (filter(list[i])) return list[i];
    return std::nullopt;
}
}  // namespace

std::optional<RecordedPacket> TrafficRecord::WaitReceived(const PacketFilter& filter, int64_t timeoutMs,
                                                          size_t fromIndex) {
    std::optional<RecordedPacket> found;
    WaitFor(timeoutMs, [&] { return (found = FindFrom(received_, filter, fromIndex)).has_value(); });
    return found;
}

std::optional<RecordedPacket> TrafficRecord::WaitSent(const PacketFilter& filter, int64_t timeoutMs,
                                                      size_t fromIndex) {
    std::optional<RecordedPacket> found;
    WaitFor(timeoutMs, [&] { return (found = FindFrom(sent_, filter, fromIndex)).has_value(); });
    return found;
}

bool TrafficRecord::WaitReceivedCount(const PacketFilter& filter, size_t count, int64_t timeoutMs) {
    return WaitFor(timeoutMs, [&] {
        size_t n = 0;
        for (const auto& p : received_) n += filter(p) ? 1 : 0;
        return n >= count;
    });
}

bool TrafficRecord::WaitConnectionCount(size_t count, int64_t timeoutMs) {
    return WaitFor(timeoutMs, [&] { return connections_.size() >= count; });
}

std::optional<ConnectionRecord> TrafficRecord::WaitConnection(
    const std::function<bool(const ConnectionRecord&)>& pred, int64_t timeoutMs) {
    std::optional<ConnectionRecord> found;
    WaitFor(timeoutMs, [&] {
        for (const auto& c : connections_)
            if (pred(c)) {
                found = c;
                return true;
            }
        return false;
    });
    return found;
}

}  // namespace devserver
