// The bytes read from the member list connection, cut into whole packets in
// the order they arrived. A packet whose body has not all arrived waits for
// the rest. A header announcing 0x8000 bytes or more breaks the stream: the
// bytes after it cannot be trusted to start a packet, so nothing after it is
// handed on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packet.h"

class ListFrameBuffer {
public:
    // The longest body a header may announce (a signed 16-bit length).
    static constexpr size_t kMaxBody = 0x7FFF;

    void Append(const uint8_t* data, size_t length);
    // The next whole packet: its header, and its body copied into `body`
    // with a zero byte after it. False when none is whole yet, or broken.
    bool Next(PacketHeader* header, std::vector<uint8_t>* body, size_t* bodyLength);
    bool Broken() const { return broken_; }
    // Whether Next would give a packet now, or find the stream broken.
    bool NextIsReady() const;
    // Bytes held and not handed on (a whole packet or part of one).
    size_t Pending() const { return data_.size() - start_; }
    void Clear();

private:
    std::vector<uint8_t> data_;
    size_t start_ = 0;
    bool broken_ = false;
};
