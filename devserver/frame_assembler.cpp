#include "frame_assembler.h"

#include <algorithm>
#include <cstring>

namespace devserver {

FrameAssembler::Status FrameAssembler::Feed(const uint8_t* data, size_t size, std::vector<WirePacket>& out) {
    if (broken_) return Status::Oversize;
    while (size > 0) {
        // Fill the header first, then exactly the body it announces, never more
        // than the buffer holds.
        size_t want = kHeaderSize;
        if (filled_ >= kHeaderSize) {
            const PacketHeader h = ParseHeader(buffer_.data());
            want = kHeaderSize + h.bodyLength;
        }
        const size_t take = std::min(size, want - filled_);
        std::memcpy(buffer_.data() + filled_, data, take);
        filled_ += take;
        data += take;
        size -= take;

        if (filled_ == kHeaderSize) {
            const PacketHeader h = ParseHeader(buffer_.data());
            if (!BodyLengthFits(h.bodyLength)) {
                broken_ = true;
                offending_ = h;
                return Status::Oversize;
            }
        }
        if (filled_ >= kHeaderSize) {
            const PacketHeader h = ParseHeader(buffer_.data());
            if (filled_ == kHeaderSize + h.bodyLength) {
                WirePacket p;
                p.command = h.command;
                p.kind = h.kind;
                p.body.assign(buffer_.begin() + kHeaderSize, buffer_.begin() + static_cast<std::ptrdiff_t>(filled_));
                out.push_back(std::move(p));
                filled_ = 0;
            }
        }
    }
    return Status::Ok;
}

}  // namespace devserver
