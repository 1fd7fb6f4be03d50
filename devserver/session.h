// One client connection: a reader thread that cuts the stream into packets
// and a writer thread that sends queued items in order, each with its own
// delivery plan. Pauses of one item hold back the items behind it, as a
// half-sent packet would on a real link.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>
#include <thread>

#include "delivery_plan.h"
#include "socket_shim.h"
#include "wire_packet.h"

namespace devserver {

struct OutgoingItem {
    Bytes bytes;          // exactly what goes on the wire
    Delivery delivery;
    bool raw = false;         // not one well-formed packet (for the log and the record)
    bool closeAfter = false;  // close the connection once this item is out
    bool resetAfter = false;  // reset the connection once this item is out (no orderly end)
};

class Session {
public:
    struct Callbacks {
        // Reader thread: a complete packet; atMs = arrival on the server clock.
        std::function<void(Session&, WirePacket, int64_t atMs)> onPacket;
        // Writer thread: items about to go out together, in order.
        std::function<void(Session&, const std::vector<OutgoingItem>&)> onSending;
        // Reader thread, exactly once, when the connection is over.
        std::function<void(Session&, const std::string& why)> onClosed;
    };

    Session(int id, Channel channel, devnet::SocketHandle socket, std::function<int64_t()> clock,
            Callbacks callbacks);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Start();
    // False once the session is ending; the item is then dropped.
    bool Enqueue(OutgoingItem item);
    // Ends the session now (pending items are dropped).
    void End(const std::string& why, bool wakeReader = true);
    // True when both threads are done; Join() then returns at once.
    bool Finished() const { return readerDone_ && writerDone_; }
    void Join();

    int Id() const { return id_; }
    Channel GetChannel() const { return channel_; }
    bool Ending() const;

private:
    void ReadLoop();
    void WriteLoop();
    bool WriteAll(const uint8_t* data, size_t size);
    // Waits up to ms; false when the session ended meanwhile.
    bool Pause(int ms);

    const int id_;
    const Channel channel_;
    const devnet::SocketHandle socket_;
    const std::function<int64_t()> clock_;
    const Callbacks callbacks_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<OutgoingItem> queue_;
    bool ending_ = false;
    std::string endReason_;

    std::mutex joinMutex_;
    bool closed_ = false;
    std::thread reader_, writer_;
    std::atomic<bool> readerDone_{false}, writerDone_{false};
    std::atomic<bool> reset_{false};  // the writer asked for a reset: the reader closes the socket
};

}  // namespace devserver
