#include "list_frame_buffer.h"

#include <cstring>

void ListFrameBuffer::Append(const uint8_t* data, size_t length) {
    if (broken_ || length == 0) return;
    // What was handed on goes before the buffer grows, so it holds at most
    // one unfinished packet besides what the caller reads in one go.
    if (start_ > 0) {
        data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    data_.insert(data_.end(), data, data + length);
}

bool ListFrameBuffer::Next(PacketHeader* header, std::vector<uint8_t>* body, size_t* bodyLength) {
    if (broken_ || Pending() < kHeaderSize) return false;
    const uint8_t* at = data_.data() + start_;
    const PacketHeader h = ParseHeader(at);
    if (h.bodyLength > kMaxBody) {
        broken_ = true;
        return false;
    }
    if (Pending() < kHeaderSize + h.bodyLength) return false;
    body->resize(static_cast<size_t>(h.bodyLength) + 1);
    if (h.bodyLength > 0) std::memcpy(body->data(), at + kHeaderSize, h.bodyLength);
    (*body)[h.bodyLength] = 0;
    start_ += kHeaderSize + h.bodyLength;
    *header = h;
    *bodyLength = h.bodyLength;
    return true;
}

bool ListFrameBuffer::NextIsReady() const {
    if (broken_) return true;
    if (Pending() < kHeaderSize) return false;
    const PacketHeader h = ParseHeader(data_.data() + start_);
    return h.bodyLength > kMaxBody || Pending() >= kHeaderSize + h.bodyLength;
}

void ListFrameBuffer::Clear() {
    data_.clear();
    start_ = 0;
}
