// Everything that crossed the server's sockets, kept in memory so that tests
// can ask what arrived and when ("exactly one logout", "the login came 40 ms
// after the accept"). Times are milliseconds on the server's clock.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "wire_packet.h"

namespace devserver {

struct RecordedPacket {
    size_t index = 0;       // position in its record (received or sent), from 0
    int session = 0;
    Channel channel = Channel::Tray;
    std::string member;     // the member id of the session when known, else empty
    uint16_t command = 0;
    uint16_t kind = 0;
    Bytes body;             // for raw sends: all the bytes written
    bool raw = false;       // sent as raw bytes (may be several packets or garbage)
    int64_t atMs = 0;
};

struct ConnectionRecord {
    int session = 0;
    Channel channel = Channel::Tray;
    std::string peer;
    std::string member;        // set at the first accepted login
    int64_t acceptMs = 0;
    int64_t closeMs = -1;      // -1 while open
    std::string closeReason;
};

using PacketFilter = std::function<bool(const RecordedPacket&)>;

class TrafficRecord {
public:
    // A flood cannot eat the memory: past this many packets per direction the
    // record keeps counting but stores nothing more.
    static constexpr size_t kMaxPackets = 200000;
    size_t Dropped() const;

    void AddReceived(RecordedPacket p);
    void AddSent(RecordedPacket p);
    void AddConnection(ConnectionRecord c);
    void SetConnectionMember(int session, const std::string& member);
    void SetConnectionClosed(int session, int64_t atMs, const std::string& reason);

    std::vector<RecordedPacket> Received() const;
    std::vector<RecordedPacket> Sent() const;
    std::vector<ConnectionRecord> Connections() const;

    // First received packet from `fromIndex` on that passes the filter,
    // waiting up to timeoutMs for it to arrive.
    std::optional<RecordedPacket> WaitReceived(const PacketFilter& filter, int64_t timeoutMs, size_t fromIndex = 0);
    std::optional<RecordedPacket> WaitSent(const PacketFilter& filter, int64_t timeoutMs, size_t fromIndex = 0);
    // Waits until `count` received packets pass the filter; false on time-out.
    bool WaitReceivedCount(const PacketFilter& filter, size_t count, int64_t timeoutMs);
    // Waits until at least `count` connections have been accepted.
    bool WaitConnectionCount(size_t count, int64_t timeoutMs);
    // Waits until some connection passes the predicate.
    std::optional<ConnectionRecord> WaitConnection(const std::function<bool(const ConnectionRecord&)>& pred,
                                                   int64_t timeoutMs);

private:
    template <typename Pred>
    bool WaitFor(int64_t timeoutMs, Pred pred);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<RecordedPacket> received_, sent_;
    std::vector<ConnectionRecord> connections_;
    size_t dropped_ = 0;
};

}  // namespace devserver
