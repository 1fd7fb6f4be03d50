// Cuts a client's byte stream into packets. The buffer is bounded by the
// clients' own receive buffer (header + 4090 body bytes): a header announcing
// more marks a broken or hostile peer and stops the stream for good.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packet.h"
#include "wire_packet.h"

namespace devserver {

class FrameAssembler {
public:
    enum class Status { Ok, Oversize };

    // Appends received bytes and moves every packet they complete into `out`.
    // After Oversize the assembler refuses all further input.
    Status Feed(const uint8_t* data, size_t size, std::vector<WirePacket>& out);

    bool Broken() const { return broken_; }
    // The header that broke the stream (valid after Oversize).
    const PacketHeader& OffendingHeader() const { return offending_; }
    // Bytes of an unfinished packet waiting for the rest.
    size_t Pending() const { return filled_; }

private:
    std::array<uint8_t, kReceiveBufferSize> buffer_{};
    size_t filled_ = 0;
    bool broken_ = false;
    PacketHeader offending_{};
};

}  // namespace devserver
