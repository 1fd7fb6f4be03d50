#include "session.h"

#include <array>
#include <chrono>
#include <vector>

#include "frame_assembler.h"

namespace devserver {

namespace {
constexpr int kPollSliceMs = 100;  // how soon a thread notices the end of its session
}

Session::Session(int id, Channel channel, devnet::SocketHandle socket, std::function<int64_t()> clock,
                 Callbacks callbacks)
    : id_(id), channel_(channel), socket_(socket), clock_(std::move(clock)), callbacks_(std::move(callbacks)) {}

Session::~Session() {
    End("server stopping");
    Join();
}

void Session::Start() {
    reader_ = std::thread([this] { ReadLoop(); });
    writer_ = std::thread([this] { WriteLoop(); });
}

bool Session::Ending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ending_;
}

bool Session::Enqueue(OutgoingItem item) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ending_) return false;
        queue_.push_back(std::move(item));
    }
    wake_.notify_all();
    return true;
}

void Session::End(const std::string& why, bool wakeReader) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ending_) return;
        ending_ = true;
        endReason_ = why;
        queue_.clear();
    }
    wake_.notify_all();
    // Wakes a reader blocked on a quiet peer; the socket itself is closed in Join.
    // A reset must not send an orderly end first; the reader notices by its poll.
    if (wakeReader) devnet::ShutdownBoth(socket_);
}

void Session::Join() {
    std::lock_guard<std::mutex> lock(joinMutex_);
    if (reader_.joinable()) reader_.join();
    if (writer_.joinable()) writer_.join();
    // Both threads are gone, so nobody uses the handle any more.
    if (!closed_) {
        devnet::CloseSocket(socket_);
        closed_ = true;
    }
}

void Session::ReadLoop() {
    FrameAssembler assembler;
    std::array<uint8_t, 4096> buffer;
    std::string why;
    while (why.empty()) {
        if (Ending()) break;
        const devnet::Wait w = devnet::WaitReadable(socket_, kPollSliceMs);
        if (w == devnet::Wait::Timeout) continue;
        if (w == devnet::Wait::Failed) {
            why = "wait failed: " + devnet::LastErrorText();
            break;
        }
        size_t got = 0;
        const devnet::Io io = devnet::Receive(socket_, buffer.data(), buffer.size(), &got);
        if (io == devnet::Io::WouldBlock) continue;
        if (io == devnet::Io::Closed) {
            why = "peer closed the connection";
            break;
        }
        if (io == devnet::Io::Failed) {
            why = "receive failed: " + devnet::LastErrorText();
            break;
        }
        const int64_t at = clock_();
        std::vector<WirePacket> packets;
        const auto status = assembler.Feed(buffer.data(), got, packets);
        for (auto& p : packets) callbacks_.onPacket(*this, std::move(p), at);
        if (status == FrameAssembler::Status::Oversize) {
            const PacketHeader& h = assembler.OffendingHeader();
            why = "dropped: header announces a body of " + std::to_string(h.bodyLength) +
                  " bytes (command " + std::to_string(h.command) + ", kind " + std::to_string(h.kind) +
                  "), more than " + std::to_string(kMaxBodyLength);
        }
    }
    End(why.empty() ? "closed" : why);
    std::string reason;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reason = endReason_;
    }
    if (assembler.Pending() > 0 && !assembler.Broken())
        reason += " (" + std::to_string(assembler.Pending()) + " bytes of an unfinished packet discarded)";
    if (reset_) {
        // The writer is done with the socket; closing it now sends the reset.
        devnet::CloseSocket(socket_);
        closed_ = true;
    }
    callbacks_.onClosed(*this, reason);
    readerDone_ = true;
}

bool Session::Pause(int ms) {
    if (ms <= 0) return !Ending();
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ending_; });
}

bool Session::WriteAll(const uint8_t* data, size_t size) {
    while (size > 0) {
        if (Ending()) return false;
        size_t sent = 0;
        const devnet::Io io = devnet::SendSome(socket_, data, size, &sent);
        if (io == devnet::Io::WouldBlock) {
            if (devnet::WaitWritable(socket_, kPollSliceMs) == devnet::Wait::Failed) return false;
            continue;
        }
        if (io != devnet::Io::Done) return false;
        data += sent;
        size -= sent;
    }
    return true;
}

void Session::WriteLoop() {
    // Packets queued back to back with plain delivery go out in one write, so
    // a whole list leaves at the link's pace rather than one system call per
    // record. A split, a stall, a close or a reset keeps its own write.
    constexpr size_t kMaxBatchBytes = 256 * 1024;
    std::vector<OutgoingItem> batch;
    Bytes joined;
    for (;;) {
        batch.clear();
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
            if (ending_) break;
            size_t bytes = 0;
            do {
                const bool plain =
                    queue_.front().delivery.Plain() && !queue_.front().closeAfter && !queue_.front().resetAfter;
                if (!batch.empty() && !plain) break;
                bytes += queue_.front().bytes.size();
                batch.push_back(std::move(queue_.front()));
                queue_.pop_front();
                if (!plain) break;
            } while (!queue_.empty() && bytes < kMaxBatchBytes);
        }
        callbacks_.onSending(*this, batch);
        bool ok = true;
        if (batch.size() == 1) {
            const OutgoingItem& item = batch.front();
            for (const Chunk& c : PlanChunks(item.bytes.size(), item.delivery)) {
                if (!Pause(c.pauseBeforeMs) || !WriteAll(item.bytes.data() + c.offset, c.length)) {
                    ok = false;
                    break;
                }
            }
        } else {
            joined.clear();
            for (const OutgoingItem& item : batch) joined.insert(joined.end(), item.bytes.begin(), item.bytes.end());
            ok = WriteAll(joined.data(), joined.size());
        }
        if (!ok) {
            End("send failed: " + devnet::LastErrorText());
            break;
        }
        if (batch.back().resetAfter) {
            devnet::SetAbortiveClose(socket_);
            reset_ = true;
            End("reset by the server", false);
            break;
        }
        if (batch.back().closeAfter) {
            End("closed by the server");
            break;
        }
    }
    writerDone_ = true;
}

}  // namespace devserver
